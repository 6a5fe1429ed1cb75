// Any bytes as the change history, its journal, its index and its line table beside a personnel file of three
// employees (the byte 0x1E parts them), on files held in memory: the file opened keeping its
// history (the journal completed or dropped, a line cut short cut off, the index checked or
// rebuilt, the history brought in step), each employee's number asked, one record edited, and one
// employee's entries read (only theirs, and through a table the program made, all of them); every line
// of the history must read as QJsonDocument reads it, and for a replay as it reads whole. Without
// an index the open rebuilds it from the history, whatever the history holds: then the history,
// replayed, must hold every record as the file does.
#include "data/clock.h"
#include "data/historykeeper.h"
#include "data/historyreplay.h"
#include "data/personnelfile.h"
#include "support/memoryfileio.h"

#include <cstdlib>
#include <cstring>

namespace {

// Whether the history replayed places every record's employee and knows each field as the file
// holds it (DateModified, which the entries' times tell, aside).
bool InStep(MemoryFileIo& io, PersonnelFile& file) {
    HistoryReplay replay;
    if (!ReadHistory(io, file.HistoryFile(), [&](const HistoryEntry& e) { replay.Apply(e); }))
        return false;
    if (!file.OpenPersonnelFileUncounted())
        return false;
    bool same = qint64(replay.roster.size()) == file.RecordCount();
    for (qint32 n = 1; same && n <= file.RecordCount(); ++n) {
        same = bool(file.ReadPersonnelRecord(n));
        const HistoryFieldValues known = replay.Values(replay.roster[std::size_t(n - 1)]);
        for (std::size_t i = 0; same && i < PersonnelFields.size(); ++i) {
            const auto field = static_cast<PersonnelField>(i);
            same = field == PersonnelField::DateModified || HistoryValue(file.Record(), field) == known[i];
        }
    }
    file.ClosePersonnelFile();
    return same;
}

// Every line reads as QJsonDocument reads it (the time in the same offset), and what it holds is
// written as QJsonDocument writes it.
bool ReadAsJson(const QByteArray& history) {
    for (const QByteArray& line : history.split('\n')) {
        const std::optional<HistoryEntry> read = ParseHistoryLine(line);
        const std::optional<HistoryEntry> json = ParseHistoryJson(line);
        if (bool(read) != bool(json))
            return false;
        if (read && (!(*read == *json) || read->time.timeSpec() != json->time.timeSpec() ||
                     read->time.offsetFromUtc() != json->time.offsetFromUtc() ||
                     HistoryLine(*read) != HistoryJsonLine(*read)))
            return false;
        const std::optional<HistoryEntry> lean = ParseHistoryLine(line, HistoryParse::ForReplay);
        if (bool(lean) != bool(read))
            return false;
        for (qsizetype i = 0; lean && i < lean->changes.size(); ++i) {
            if (lean->changes.size() != read->changes.size() || lean->changes[i].field != read->changes[i].field ||
                lean->changes[i].after != read->changes[i].after)
                return false;
        }
        if (lean && (lean->employee != read->employee || lean->entry != read->entry ||
                     lean->action != read->action || lean->record != read->record))
            return false;
        // Read where it lies (a rebuild's replay), a plain line holds the same.
        HistoryLineView view;
        if (ReadPlainHistoryLine(line, &view)) {
            if (!lean || view.employee != lean->employee || view.entry != lean->entry ||
                view.action != lean->action || view.record != lean->record ||
                qsizetype(view.changes.size()) != lean->changes.size())
                return false;
            for (std::size_t i = 0; i < view.changes.size(); ++i) {
                const HistoryChange& c = lean->changes[qsizetype(i)];
                if (view.changes[i].field != HistoryFieldIndex(c.field) ||
                    view.changes[i].after != c.after.toUtf8() ||
                    (view.changes[i].ascii && c.after.toUtf8().size() != c.after.size()))
                    return false;
            }
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\x1e');
    const QString names[] = {QStringLiteral("Rosterly.History"), QStringLiteral("History.$$$"),
                             QStringLiteral("History.Index"), QStringLiteral("History.Lines")};
    if (!ReadAsJson(parts[0]))
        std::abort();
    MemoryFileIo io;
    for (int i = 0; i < 4 && i < parts.size(); ++i)
        io.files.insert(names[i], parts[i]);
    QByteArray records;
    for (const char* last : {"Ames", "Baker", "Cole"}) {
        PersonnelRecord r;
        r.SetLastName(QString::fromLatin1(last));
        r.SetDateCreated(46000.5);
        records.append(r.data(), PersonnelRecordLength);
    }
    io.files.insert(QStringLiteral("Rosterly.Data"), records);

    const FixedClock clock(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
    PersonnelFile file(io);
    file.KeepHistory(clock, names[0], names[2], names[1]);
    if (file.OpenPersonnelFileUncounted()) {
        qint64 employee = 0;
        for (qint32 n = 1; n <= file.RecordCount(); ++n)
            file.EmployeeNumber(n, &employee);
        if (file.RecordCount() > 0 && file.ReadPersonnelRecord(1)) {
            file.Record().SetJobTitle(QStringLiteral("Clerk"));
            file.WritePersonnelRecord(1);
        }
        file.ClosePersonnelFile();
        if (parts.size() < 3 && !InStep(io, file))
            std::abort();
    }
    QList<HistoryEntry> entries;
    bool direct = false;
    ReadEmployeeHistory(io, names[0], 1, &entries, &direct);
    QList<HistoryEntry> all;
    ReadHistory(io, names[0], [&](const HistoryEntry& e) {
        if (e.employee == 1)
            all.append(e);
    });
    for (const HistoryEntry& e : std::as_const(entries)) {
        if (e.employee != 1)
            std::abort();
    }
    if (parts.size() < 4 && direct && entries != all)
        std::abort();
    return 0;
}
