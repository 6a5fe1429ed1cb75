#pragma once

// The data files laid down, written through the data layer and read back byte for byte, without
// the program's windows.

#include "data/clock.h"
#include "data/datafilenames.h"
#include "data/history.h"
#include "data/historylines.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "data/records.h"
#include "data/restorejournal.h"
#include "data/userlist.h"
#include "support/testsupport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <vector>

// An OLE date, as the files store one: the day (and hour) given.
inline double Ole(int y, int m, int d, int hour = 0) {
    return DateTimeToOle(QDateTime(QDate(y, m, d), QTime(hour, 0)));
}
inline double Ole(QDate date, QTime time = QTime(0, 0)) {
    return double(QDate(1899, 12, 30).daysTo(date)) + time.msecsSinceStartOfDay() / 86400000.0;
}

// The eight bytes a record stores a date as (little-endian).
inline QByteArray DateBytes(double value) {
    QByteArray bytes(8, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// `text` with spaces after it to `width` bytes, or to its field's width, as a record stores it.
inline QByteArray Padded(const QByteArray& text, int width) {
    return text + QByteArray(width - text.size(), ' ');
}
inline QByteArray Padded(const QByteArray& text, PersonnelField field) {
    return Padded(text, PersonnelRecord::FieldOf(field).width);
}

// The records as the file's bytes.
inline QByteArray Image(const std::vector<PersonnelRecord>& records) {
    QByteArray out;
    for (const PersonnelRecord& r : records)
        out.append(r.data(), PersonnelRecordLength);
    return out;
}

// Writes `bytes` as the whole file `path`, at once.
inline void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The whole records of the file `path`, in file order.
inline std::vector<PersonnelRecord> ReadRecords(const QString& path) {
    QFile f(path);
    std::vector<PersonnelRecord> records;
    if (!f.open(QIODevice::ReadOnly))
        return records;
    const QByteArray bytes = f.readAll();
    for (qsizetype at = 0; at + PersonnelRecordLength <= bytes.size(); at += PersonnelRecordLength) {
        records.emplace_back();
        std::memcpy(records.back().data(), bytes.constData() + at, PersonnelRecordLength);
    }
    return records;
}

// Stores bytes as they stand in the file (Windows-1252), padded with spaces.
inline void PutRaw(PersonnelRecord& record, PersonnelField field, QByteArrayView bytes) {
    const FieldLayout& f = PersonnelRecord::FieldOf(field);
    std::memset(record.data() + f.offset, ' ', f.width);
    std::memcpy(record.data() + f.offset, bytes.data(), bytes.size());
}

// The permission bits of `path`; -1 when it does not exist.
inline int FileMode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// The personnel file of the working folder on a FileIo of its own (`io`), not yet opened.
struct OwnFileIo {
    FileIo io;
};
class PersonnelFileOnDisk : public OwnFileIo, public PersonnelFile {
public:
    PersonnelFileOnDisk() : PersonnelFile(io) {}
};

// A fresh temporary data folder, the working folder while it lives, whose personnel file holds
// `records` byte for byte; the object is that file, not yet opened.
class TempPersonnelFile : public TempDataFolder, public PersonnelFileOnDisk {
public:
    explicit TempPersonnelFile(const std::vector<PersonnelRecord>& records) {
        WriteBytes(PersonnelFileName, Image(records));
    }
};

// Appends `records` as they stand to the personnel file of the working folder, one by one.
inline void AppendRecords(const std::vector<PersonnelRecord>& records) {
    PersonnelFileOnDisk file;
    QVERIFY(file.OpenPersonnelFile());
    for (const PersonnelRecord& r : records) {
        file.Record() = r;
        QVERIFY(file.AppendPersonnelRecord());
    }
    file.ClosePersonnelFile();
}

// An employee as the list and record tests write one; the fields not named here stay blank.
struct StaffMember {
    QString last, first;
    QDate born, hired;
    QDate inactivated = {}; // null: a current employee
    QString race = QStringLiteral("W");
    QString sex = QStringLiteral("F");
    QString picture = {};
    double created = 46000.5;
    double modified = 0;
    QString title = {};
};

// Appends the staff to the personnel file of the working folder, in the order given.
inline void WriteStaff(const std::vector<StaffMember>& staff) {
    std::vector<PersonnelRecord> records(staff.size());
    for (std::size_t i = 0; i < staff.size(); ++i) {
        const StaffMember& e = staff[i];
        PersonnelRecord& r = records[i];
        r.SetLastName(e.last);
        r.SetFirstName(e.first);
        r.SetJobTitle(e.title);
        r.SetRace(e.race);
        r.SetSex(e.sex);
        r.SetDateOfBirth(DateToOle(e.born));
        r.SetDateOfEmployment(DateToOle(e.hired));
        r.SetInactivationDate(e.inactivated.isNull() ? 0.0 : DateToOle(e.inactivated));
        r.SetPictureFile(e.picture);
        r.SetDateCreated(e.created);
        r.SetDateModified(e.modified);
    }
    AppendRecords(records);
}

// The bytes of the data file `name` (the personnel file or the user list of the working folder)
// once the data layer has opened and closed it, finishing what an interrupted change left;
// "unreadable" when it will not open.
inline QByteArray SettledFile(const QString& name) {
    FileIo io;
    if (name == UserListFileName) {
        UserList users(io);
        if (!users.OpenUserList())
            return "unreadable";
        users.CloseUserList();
    } else {
        PersonnelFile file(io, name);
        if (!file.OpenPersonnelFile())
            return "unreadable";
        file.ClosePersonnelFile();
    }
    return ReadFileBytes(name);
}

// The employees' change history as the tests keep it: at a fixed instant, by "Ann" at level 4.
inline const FixedClock& HistoryClock() {
    static const FixedClock clock(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
    return clock;
}
inline void KeepTestHistory(PersonnelFile& file) {
    file.KeepHistory(HistoryClock());
    file.SetHistoryActor(QStringLiteral("Ann"), 4);
}

// The personnel file of the working folder and its history, once the data layer keeping the
// history has opened and closed them (completing or dropping a change cut short, starting a
// history where there was none): the file's bytes, then the history's; "unreadable" when it
// will not open.
// "in step" when History.Lines describes the whole history of the working folder and holds where
// each of its lines starts, no more and no fewer; else what is wrong.
inline QByteArray HistoryLinesState() {
    FileIo io;
    std::vector<HistoryLineStart> lines;
    if (!ReadHistoryFrom(io, HistoryFileName, 0, HistoryParse::Whole, [&](const HistoryEntry& e, qint64 at) {
            lines.push_back({e.employee, at});
        }))
        return "history unreadable";
    const QByteArray table = ReadFileBytes(HistoryLinesFileName);
    if (table.size() < 56 || !table.startsWith("RHLN0001"))
        return "no table";
    const auto number = [&](qint64 at) {
        return qFromLittleEndian<qint64>(table.constData() + at);
    };
    if (number(8) != QFileInfo(HistoryFileName).size())
        return "describes " + QByteArray::number(number(8)) + " bytes";
    std::vector<HistoryLineStart> kept;
    for (qint64 i = 0; i < number(32) + number(40) && 72 + 16 * i <= table.size(); ++i)
        kept.push_back({number(56 + 16 * i), number(64 + 16 * i)});
    std::sort(lines.begin(), lines.end());
    std::sort(kept.begin(), kept.end());
    return kept == lines ? "in step" : "other lines";
}

inline QByteArray SettledWithHistory() {
    FileIo io;
    PersonnelFile file(io);
    KeepTestHistory(file);
    if (!file.OpenPersonnelFile())
        return "unreadable";
    file.ClosePersonnelFile();
    return ReadFileBytes(PersonnelFileName) + "\n-- history --\n" + ReadFileBytes(HistoryFileName) +
           "\n-- lines --\n" + HistoryLinesState();
}

// The working folder once a restore cut short is settled: the names of its files, hidden ones
// too, then each data file's and the history's bytes after a line break; "unsettled" when settling
// fails.
inline QByteArray SettledRestoreFolder() {
    FileIo io;
    if (!FinishInterruptedRestore(io, QString()))
        return "unsettled";
    QByteArray all = QDir().entryList(QDir::Files | QDir::Hidden, QDir::Name).join(u' ').toUtf8();
    for (const QString& name : DataFolderFileNames + QStringList{HistoryFileName})
        all += '\n' + ReadFileBytes(name);
    return all;
}
