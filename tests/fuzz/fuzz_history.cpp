// Any bytes as the change history, its journal and its index beside a personnel file of three
// employees (the byte 0x1E parts them): the file opened keeping its history (the journal completed or
// dropped, the index checked or rebuilt, the history brought in step), each employee's number
// asked, one record edited, and one employee's entries read.
#include "data/clock.h"
#include "data/fileio.h"
#include "data/historykeeper.h"
#include "data/personnelfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    const QDir at(folder.path());
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\x1e');
    const QString names[] = {at.filePath(QStringLiteral("Rosterly.History")),
                             at.filePath(QStringLiteral("History.$$$")),
                             at.filePath(QStringLiteral("History.Index"))};
    for (int i = 0; i < 3; ++i) {
        QFile::remove(names[i]);
        if (i < parts.size())
            Write(names[i], parts[i]);
    }
    QByteArray records;
    for (const char* last : {"Ames", "Baker", "Cole"}) {
        PersonnelRecord r;
        r.SetLastName(QString::fromLatin1(last));
        r.SetDateCreated(46000.5);
        records.append(r.data(), PersonnelRecordLength);
    }
    Write(at.filePath(QStringLiteral("Rosterly.Data")), records);

    FileIo io;
    const FixedClock clock(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
    PersonnelFile file(io, at.filePath(QStringLiteral("Rosterly.Data")),
                       at.filePath(QStringLiteral("TempFile.$$$")),
                       at.filePath(QStringLiteral("Append.$$$")));
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
    }
    QList<HistoryEntry> entries;
    ReadEmployeeHistory(names[0], 1, &entries);
    return 0;
}
