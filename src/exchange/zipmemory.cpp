#include "exchange/zipmemory.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

MemoryZipFile& FileOf(voidpf stream) {
    return *static_cast<MemoryZipFile*>(stream);
}

voidpf ZCALLBACK Open64(voidpf opaque, const void*, int) {
    return opaque;
}

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buf, uLong size) {
    MemoryZipFile& f = FileOf(stream);
    const qint64 left = std::max<qint64>(0, f.bytes->size() - f.at);
    const qint64 n = std::min<qint64>(left, qint64(size));
    if (n > 0)
        std::memcpy(buf, f.bytes->constData() + f.at, std::size_t(n));
    f.at += n;
    return uLong(n);
}

uLong ZCALLBACK Write(voidpf, voidpf stream, const void* buf, uLong size) {
    MemoryZipFile& f = FileOf(stream);
    if (f.at + qint64(size) > f.bytes->size())
        f.bytes->resize(f.at + qint64(size));
    std::memcpy(f.bytes->data() + f.at, buf, size);
    f.at += qint64(size);
    return size;
}

ZPOS64_T ZCALLBACK Tell64(voidpf, voidpf stream) {
    return ZPOS64_T(FileOf(stream).at);
}

long ZCALLBACK Seek64(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    MemoryZipFile& f = FileOf(stream);
    qint64 base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = f.at;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = f.bytes->size();
    if (offset > ZPOS64_T(std::numeric_limits<qint64>::max() - base))
        return -1;
    const qint64 to = base + qint64(offset);
    if (to > f.bytes->size())
        return -1;
    f.at = to;
    return 0;
}

int ZCALLBACK Close(voidpf, voidpf) {
    return 0;
}

int ZCALLBACK Error(voidpf, voidpf) {
    return 0;
}

} // namespace

zlib_filefunc64_def MemoryZipCalls(MemoryZipFile& file) {
    return {Open64, Read, Write, Tell64, Seek64, Close, Error, &file};
}

ZipReader::ZipReader(const QByteArray& bytes) : m_bytes(bytes), m_file{&m_bytes, 0} {
    zlib_filefunc64_def calls = MemoryZipCalls(m_file);
    m_zip = unzOpen2_64("", &calls);
}

ZipReader::~ZipReader() {
    if (m_zip) {
        if (m_open)
            unzCloseCurrentFile(m_zip);
        unzClose(m_zip);
    }
}

bool ZipReader::Locate(const QString& name) {
    // 2: names compared whatever their case.
    return m_zip && unzLocateFile(m_zip, name.toUtf8().constData(), 2) == UNZ_OK;
}

quint64 ZipReader::UnpackedSize() {
    unz_file_info64 info{};
    if (!m_zip || unzGetCurrentFileInfo64(m_zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return 0;
    return info.uncompressed_size;
}

bool ZipReader::Open() {
    unz_file_info64 info{};
    // Bit 0 of the flags: encrypted, which would unpack to noise without its password.
    if (!m_zip || m_open ||
        unzGetCurrentFileInfo64(m_zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        (info.flag & 1) != 0)
        return false;
    m_open = unzOpenCurrentFile(m_zip) == UNZ_OK;
    return m_open;
}

qint64 ZipReader::Read(char* data, qint64 size) {
    if (!m_open)
        return -1;
    const int got = unzReadCurrentFile(m_zip, data, unsigned(std::min<qint64>(size, 1 << 20)));
    return got < 0 ? -1 : got;
}

bool ZipReader::Close() {
    if (!m_open)
        return false;
    m_open = false;
    return unzCloseCurrentFile(m_zip) == UNZ_OK;
}
