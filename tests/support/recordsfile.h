#pragma once

// Personnel files laid down and read back byte for byte, without the program's windows.

#include "data/records.h"

#include <QByteArray>
#include <QFile>
#include <QtTest>

#include <cstring>
#include <sys/stat.h>
#include <vector>

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
