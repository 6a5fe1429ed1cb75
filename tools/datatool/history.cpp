// rosterly-data history: the change history beside a personnel file, as the program keeps it.
#include "datatool/datatool.h"
#include "datatool/cli.h"

#include "data/datafilenames.h"
#include "data/fileio.h"
#include "data/history.h"
#include "data/historykeeper.h"
#include "data/historylines.h"
#include "data/historyreplay.h"
#include "data/records.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>
#include <cstring>
#include <fcntl.h>

namespace {

// A date "yyyy-mm-dd" as the moment its day ends (an "as of" that day takes in all of it) or
// begins; or an ISO date and time as it stands.
std::optional<QDateTime> ReadMoment(const QString& text, bool endOfDay) {
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (day.isValid() && text.size() == 10)
        return endOfDay ? QDateTime(day, QTime(23, 59, 59, 999)) : QDateTime(day, QTime(0, 0));
    const QDateTime moment = QDateTime::fromString(text, Qt::ISODate);
    return moment.isValid() ? std::optional(moment) : std::nullopt;
}

QString Quoted(const QString& value) {
    return QLatin1Char('"') + value + QLatin1Char('"');
}

// A day as the program shows it, "03/06/2026", in local time; `withTime` adds the time when it
// does not start the day.
QString ShownDay(const QDateTime& moment, bool withTime = false) {
    const QDateTime local = moment.toLocalTime();
    return local.toString(withTime && local.time() != QTime(0, 0) ? QStringLiteral("MM/dd/yyyy hh:mm")
                                                                  : QStringLiteral("MM/dd/yyyy"));
}

} // namespace

QList<QCommandLineOption> HistoryLineOptions() {
    return {Option("employee", "a number"), Option("name", "a text"), Option("since", "a date"),
            Option("as-of", "a date"), Option("json")};
}

int RunHistory(const QCommandLineParser& line, std::FILE* out, std::FILE* err) {
    if (const QString wrong =
            OperandProblem(line.positionalArguments(), 1, QStringLiteral("history needs a FILE"));
        !wrong.isEmpty())
        return Complain(err, wrong, ExitUsage);
    const QString file = line.positionalArguments()[0];
    qint64 employee = 0;
    if (line.isSet(QStringLiteral("employee"))) {
        bool ok = false;
        employee = line.value(QStringLiteral("employee")).toLongLong(&ok);
        if (!ok || employee < 1)
            return Complain(err,
                            QStringLiteral("--employee takes a number from 1, not '%1'")
                                .arg(line.value(QStringLiteral("employee"))),
                            ExitUsage);
    }
    const QString name = line.value(QStringLiteral("name"));
    if (employee != 0 && !name.isEmpty())
        return Complain(err, QStringLiteral("--employee and --name can't be given together"), ExitUsage);
    std::optional<QDateTime> since, asOf;
    for (const auto& [option, moment, endOfDay] :
         {std::tuple{"since", &since, false}, std::tuple{"as-of", &asOf, true}}) {
        const QString text = line.value(QString::fromLatin1(option));
        if (!line.isSet(QString::fromLatin1(option)))
            continue;
        *moment = ReadMoment(text, endOfDay);
        if (!*moment)
            return Complain(
                err,
                QStringLiteral("--%1 takes a date (yyyy-mm-dd), not '%2'").arg(QLatin1String(option), text),
                ExitUsage);
    }
    if (asOf && employee == 0 && name.isEmpty())
        return Complain(err, QStringLiteral("--as-of needs --employee or --name"), ExitUsage);

    const QString history = BesideDataFile(file, HistoryFileName);
    FileIo io;
    QList<HistoryEntry> entries;
    const auto keep = [&](const HistoryEntry& e) {
        entries.append(e);
    };
    // The employees whose first or last name ever held the text, case and accents aside, found
    // as the entries are read.
    std::vector<HistoryPerson> people;
    const IoStatus read =
        name.isEmpty() ? ReadHistory(io, history, keep) : FindHistoryPeople(io, history, name, &people, keep);
    if (!read)
        return Complain(err, read.Message(), ExitFailure, false);
    QSet<qint64> named;
    for (const HistoryPerson& p : people)
        named.insert(p.employee);
    const auto chosen = [&](const HistoryEntry& e) {
        if (employee != 0)
            return e.employee == employee;
        return name.isEmpty() || named.contains(e.employee);
    };
    QList<HistoryEntry> kept;
    for (const HistoryEntry& e : std::as_const(entries)) {
        if (chosen(e))
            kept.append(e);
    }
    if (kept.isEmpty() && employee != 0)
        return Complain(err, QStringLiteral("employee %1 has no history").arg(employee), ExitFailure, false);
    if (kept.isEmpty() && !name.isEmpty())
        return Complain(err, QStringLiteral("no employee of the history matches"), ExitFailure, false);

    if (asOf) {
        if (people.size() > 1) {
            QByteArray list;
            for (const HistoryPerson& p : people)
                list += QStringLiteral("    employee %1  %2  %3%4\n")
                            .arg(p.employee)
                            .arg(p.Name(),
                                 p.removed.isValid() ? QStringLiteral("removed on ") + ShownDay(p.removed)
                                 : p.previous        ? QStringLiteral("previous")
                                                     : QStringLiteral("current"),
                                 p.formerNames.isEmpty() ? QString()
                                                         : QStringLiteral("  formerly ") +
                                                               p.formerNames.join(QStringLiteral("; ")))
                            .toUtf8();
            Complain(err,
                     QStringLiteral("%1 employees match '%2': choose one with --employee N")
                         .arg(people.size())
                         .arg(name),
                     ExitFailure, false);
            Put(err, list);
            return ExitFailure;
        }
        // Removed by then: the record as it stood at the end of the day before the removal, each
        // field that changed from then to the removal marked.
        int status = ExitOk;
        QDateTime shownAt = *asOf;
        qsizetype upTo = 0;
        while (upTo < kept.size() && kept[upTo].time <= *asOf)
            ++upTo;
        if (upTo > 0 && TakesOut(kept[upTo - 1])) {
            const HistoryEntry removal = kept[upTo - 1];
            const QDate before = removal.time.toLocalTime().date().addDays(-1);
            shownAt = QDateTime(before, QTime(23, 59, 59, 999));
            kept.resize(upTo - 1);
            Complain(err,
                     QStringLiteral("employee %1: removed on %2 \u2014 shown as of %3")
                         .arg(removal.employee)
                         .arg(ShownDay(removal.time), ShownDay(shownAt)),
                     ExitFailure, false);
            status = ExitFailure;
        }
        QStringList changed;
        const QMap<QString, QString> record = RecordAsOf(kept, shownAt, &changed);
        if (line.isSet(QStringLiteral("json"))) {
            QJsonObject o;
            for (auto it = record.begin(); it != record.end(); ++it)
                o.insert(it.key(), it.value());
            Put(out, QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n');
            return status;
        }
        for (const FieldLayout& field : PersonnelFields) {
            const QString key = QString::fromLatin1(field.name);
            if (!record.contains(key) && !changed.contains(key))
                continue;
            QString text = key + QStringLiteral(": ") + record.value(key);
            if (changed.contains(key))
                text += QStringLiteral("   (changed since)");
            Put(out, text.toUtf8() + '\n');
        }
        return status;
    }

    bool printed = false;
    for (const HistoryEntry& e : std::as_const(kept)) {
        if (since && e.time < *since)
            continue;
        printed = true;
        if (line.isSet(QStringLiteral("json"))) {
            Put(out, HistoryLine(e));
            continue;
        }
        QString text = e.time.toString(Qt::ISODate) + QStringLiteral("  ") + e.user +
                       (e.level > 0 ? QStringLiteral(" (%1)").arg(e.level) : QString()) +
                       QStringLiteral("  employee %1  ").arg(e.employee) + HistoryActionName(e.action) +
                       (e.note.isEmpty() ? QString() : u' ' + e.note) + u'\n';
        for (const HistoryChange& c : e.changes)
            text += QStringLiteral("    ") + c.field + QStringLiteral(": ") + Quoted(c.before) +
                    QStringLiteral(" -> ") + Quoted(c.after) + u'\n';
        Put(out, text.toUtf8());
    }
    if (!printed && since) {
        const QString day = ShownDay(*since, true);
        return Complain(err,
                        employee != 0
                            ? QStringLiteral("employee %1 has no changes since %2").arg(employee).arg(day)
                        : !name.isEmpty()
                            ? QStringLiteral("no employee matching '%1' has changes since %2").arg(name, day)
                            : QStringLiteral("the history has no changes since %1").arg(day),
                        ExitFailure, false);
    }
    return ExitOk;
}

struct HistoryCheck::State {
    QString file;
    QString history;
    bool present = false;
    bool missing = false; // gone, though the index says it was kept
    QString error;
    HistoryReplay replay;
    QSet<qint64> employees;
    qint64 entries = 0;
    qint64 wholeBytes = 0; // the history up to its last line end
    QByteArray note;
    QByteArray faults;
    HistoryIndexView index;
    std::vector<HistoryLineStart> lines; // whose line starts where, in the history's order
};

namespace {

// History.Lines held to the history (`lines`, in its order, `wholeBytes` up to its last line end,
// its first line `first`): what is wrong is told to `faults`, what the next open does to `note`.
void CheckLineTable(FileIo& io, const QString& fileName, const QString& history,
                    const std::vector<HistoryLineStart>& lines, qint64 wholeBytes, const QByteArray& first,
                    QByteArray* faults, QByteArray* note) {
    HistoryLinesView table;
    if (!ReadHistoryLinesTable(io, fileName, &table) || !table.present)
        return; // a folder an older version kept has none: the next open writes it
    const QString name = HistoryLinesFileName;
    const QString again = QStringLiteral("; the program's next open writes it again from the history\n");
    if (!table.readable) {
        *faults +=
            (name + QStringLiteral(": its head is not whole, or counts more places than it holds") + again)
                .toUtf8();
        return;
    }
    const auto at = [&](qint64 offset) {
        const auto it = std::lower_bound(lines.cbegin(), lines.cend(), offset,
                                         [](const HistoryLineStart& l, qint64 o) { return l.offset < o; });
        return it != lines.cend() && it->offset == offset ? it : lines.cend();
    };
    // Where it stops, a line must start, as the program's open checks.
    char before = '\n';
    if (table.covered > 0 && table.covered <= wholeBytes) {
        const int fd = io.Open(history, O_RDONLY | O_CLOEXEC, 0);
        if (fd < 0 || !ReadFullyAt(io, fd, &before, 1, table.covered - 1, history))
            before = 0;
        if (fd >= 0)
            io.Close(fd);
    }
    if (table.firstLineBytes != first.size() ||
        table.firstLineHash != (first.isEmpty() ? 0 : HistoryLineHash(first)) || table.covered > wholeBytes ||
        before != '\n') {
        *faults += (name +
                    QStringLiteral(": it was not made from this history (its first line, or where it "
                                   "stops, is not this history's)") +
                    again)
                       .toUtf8();
        return;
    }
    if (table.covered < wholeBytes)
        *note += QStringLiteral("%1 describes the history's first %2 bytes; the program's next open adds the "
                                "places of the lines after them\n")
                     .arg(name)
                     .arg(table.covered)
                     .toUtf8();
    // Each place against the lines it describes, both by employee and place.
    std::vector<HistoryLineStart> kept = table.entries;
    std::sort(kept.begin(), kept.end());
    std::vector<HistoryLineStart> wanted;
    for (const HistoryLineStart& l : lines) {
        if (l.offset < table.covered)
            wanted.push_back(l);
    }
    std::sort(wanted.begin(), wanted.end());
    const QString passed = QStringLiteral("; the program passes over the table when it reads that employee's "
                                          "lines, and its next open writes it again\n");
    const auto missing = [&](const HistoryLineStart& w) {
        *faults += QStringLiteral("%1: the line at byte %2 (employee %3) is not in it; the program's history "
                                  "window leaves it out until the table is written again (delete %1, and the "
                                  "program's next open writes it again)\n")
                       .arg(name)
                       .arg(w.offset)
                       .arg(w.employee)
                       .toUtf8();
    };
    std::size_t j = 0;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        for (; j < wanted.size() && wanted[j] < kept[i]; ++j)
            missing(wanted[j]);
        if (j < wanted.size() && wanted[j] == kept[i]) {
            ++j;
            continue;
        }
        const HistoryLineStart& k = kept[i];
        const auto line = at(k.offset);
        const QString where = i > 0 && kept[i - 1] == k ? QStringLiteral("a second time")
                              : line == lines.cend() || k.offset >= table.covered
                                  ? QStringLiteral("where no entry of the history starts")
                                  : QStringLiteral("which starts a line of employee %1").arg(line->employee);
        *faults += (QStringLiteral("%1: it places a line of employee %2 at byte %3, %4")
                        .arg(name)
                        .arg(k.employee)
                        .arg(k.offset)
                        .arg(where) +
                    passed)
                       .toUtf8();
    }
    for (; j < wanted.size(); ++j)
        missing(wanted[j]);
}

} // namespace

HistoryCheck::HistoryCheck(const QString& file) : m_state(std::make_unique<State>()) {
    State& st = *m_state;
    st.file = file;
    st.history = BesideDataFile(file, HistoryFileName);
    const QString historyName = QFileInfo(st.history).fileName();
    FileIo io;
    if (IoStatus s = ReadHistoryIndex(io, BesideDataFile(file, HistoryIndexFileName), &st.index); !s) {
        st.error = s.Message();
        return;
    }
    if (!io.Exists(st.history)) {
        if (st.index.readable && st.index.head.historySize > 0) {
            st.present = true;
            st.missing = true;
            st.faults += QStringLiteral("%1 is missing, though %2 shows that a history was kept; the program "
                                        "refuses to open the file\n")
                             .arg(historyName, HistoryIndexFileName)
                             .toUtf8();
        }
        return;
    }
    st.present = true;
    QByteArray first;
    const IoStatus read = ReadHistoryFrom(
        io, st.history, 0, HistoryParse::Whole,
        [this](const HistoryEntry& e, qint64 offset) {
            m_state->replay.Apply(e);
            m_state->employees.insert(e.employee);
            m_state->lines.push_back({e.employee, offset});
            ++m_state->entries;
        },
        [&](const HistoryLineFault& f) {
            const QByteArray line = QStringLiteral("%1 line %2 (byte %3) %4")
                                        .arg(historyName)
                                        .arg(f.line)
                                        .arg(f.offset)
                                        .arg(f.reason)
                                        .toUtf8();
            if (f.cutShort)
                st.note += line + '\n';
            else
                st.faults += line + QByteArrayLiteral("; the program passes over it\n");
        });
    if (!read) {
        st.error = read.Message();
        return;
    }
    // The index's head names the history it was made from by its first line, and so does the line
    // table's.
    QByteArray firstLine;
    const int fd = io.Open(st.history, O_RDONLY | O_CLOEXEC, 0);
    if (fd >= 0) {
        const qint64 size = io.Size(fd);
        LastLineEnd(io, fd, size, st.history, &st.wholeBytes);
        if (st.index.readable && st.index.head.firstLineBytes > 0 && size >= st.index.head.firstLineBytes) {
            first.resize(st.index.head.firstLineBytes);
            if (!ReadFullyAt(io, fd, first.data(), first.size(), 0, st.history))
                first.clear();
        }
        firstLine.resize(std::min<qint64>(st.wholeBytes, MaxHistoryLineBytes + 1));
        if (!ReadFullyAt(io, fd, firstLine.data(), firstLine.size(), 0, st.history))
            firstLine.clear();
        firstLine.truncate(firstLine.indexOf('\n') + 1);
        io.Close(fd);
    }
    if (st.index.readable && st.index.head.firstLineBytes > 0 &&
        HistoryLineHash(first) != st.index.head.firstLineHash)
        st.faults += QStringLiteral("%1: its first line is not the one %2 was made from: it is not this "
                                    "folder's history, and the program refuses to open the file\n")
                         .arg(historyName, HistoryIndexFileName)
                         .toUtf8();
    CheckLineTable(io, BesideDataFile(file, HistoryLinesFileName), st.history, st.lines, st.wholeBytes,
                   firstLine, &st.faults, &st.note);
}

HistoryCheck::~HistoryCheck() = default;

bool HistoryCheck::Present() const {
    return m_state->present;
}

QString HistoryCheck::Error() const {
    return m_state->error;
}

QByteArray HistoryCheck::Note() const {
    return m_state->note;
}

QByteArray HistoryCheck::Compare(qint64 n, const char* bytes) {
    if (m_state->missing)
        return {};
    const std::vector<qint64>& roster = m_state->replay.roster;
    if (n > qint64(roster.size()))
        return QStringLiteral("record %1: the history has no employee in it\n").arg(n).toUtf8();
    const qint64 employee = roster[std::size_t(n - 1)];
    const HistoryFieldValues known = m_state->replay.Values(employee);
    PersonnelRecord record;
    std::memcpy(record.data(), bytes, PersonnelRecordLength);
    QByteArray lines;
    for (std::size_t i = 0; i < PersonnelFields.size(); ++i) {
        const auto field = static_cast<PersonnelField>(i);
        // Every change sets it: the history keeps it only as each entry's time.
        if (field == PersonnelField::DateModified)
            continue;
        const QString value = HistoryValue(record, field);
        if (value != known[i])
            lines += QStringLiteral("record %1 (employee %2): %3 is %4, the history has %5\n")
                         .arg(n)
                         .arg(employee)
                         .arg(QLatin1String(PersonnelFields[i].name), Quoted(value), Quoted(known[i]))
                         .toUtf8();
    }
    return lines;
}

QByteArray HistoryCheck::Finish(qint64 records) {
    const State& st = *m_state;
    QByteArray lines = st.faults;
    if (st.missing)
        return lines;
    const std::vector<qint64>& roster = m_state->replay.roster;
    // An index that claims to describe this history and file is held to it, entry by entry.
    const HistoryIndexView& index = st.index;
    if (index.readable && index.head.historySize == st.wholeBytes && qint64(index.employees.size()) == records) {
        if (!index.sumMatches)
            lines += QStringLiteral("%1: its entries do not add up to the sum in its head; the program "
                                    "rebuilds it from the history\n")
                         .arg(HistoryIndexFileName)
                         .toUtf8();
        for (std::size_t i = 0; i < index.employees.size(); ++i) {
            const qint64 known = i < roster.size() ? roster[i] : 0;
            if (index.employees[i] != known)
                lines += QStringLiteral("%1: record %2 names employee %3, the history has %4\n")
                             .arg(HistoryIndexFileName)
                             .arg(i + 1)
                             .arg(index.employees[i])
                             .arg(known == 0 ? QStringLiteral("no one") : QStringLiteral("employee %1").arg(known))
                             .toUtf8();
        }
    }
    for (std::size_t i = std::size_t(records); i < roster.size(); ++i)
        lines +=
            QStringLiteral("employee %1: the history has them in record %2, past the file's last record\n")
                .arg(roster[i])
                .arg(i + 1)
                .toUtf8();
    return lines;
}

QByteArray HistoryCheck::Summary() const {
    return QStringLiteral("history of %1: %2, %3, in step\n")
        .arg(m_state->file, Plural(m_state->employees.size(), "employee", "employees"),
             Plural(m_state->entries, "entry", "entries"))
        .toUtf8();
}
