#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <minizip/unzip.h>

// minizip (Debian's libminizip, the zip library libxlsxwriter links) on bytes in memory: its file
// calls over a QByteArray, read from and, when a zip is written, grown. The import unpacks
// workbooks through it; tests pack their workbooks with it.
struct MemoryZipFile {
    QByteArray* bytes = nullptr;
    qint64 at = 0;
};

// minizip's file calls on `file`, which must outlive the zip opened with them.
zlib_filefunc64_def MemoryZipCalls(MemoryZipFile& file);

// An archive open for reading, closed with it; Ok() false when `bytes` are no zip minizip opens.
class ZipReader {
public:
    explicit ZipReader(const QByteArray& bytes);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    bool Ok() const { return m_zip != nullptr; }
    // Makes the entry `name` (whatever its case) the current one; false when there is none.
    bool Locate(const QString& name);
    // What the current entry says it unpacks to.
    quint64 UnpackedSize();
    // Opens the current entry; false when it cannot be unpacked (a method minizip lacks,
    // encrypted, damaged).
    bool Open();
    // Unpacks up to `size` bytes of the open entry; -1 on damage.
    qint64 Read(char* data, qint64 size);
    // Closes the open entry; false when the entry was read to its end and its CRC is wrong.
    bool Close();

private:
    QByteArray m_bytes;
    MemoryZipFile m_file;
    unzFile m_zip = nullptr;
    bool m_open = false;
};
