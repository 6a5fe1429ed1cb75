#pragma once

#include "exchange/zipmemory.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <minizip/zip.h>

#include <utility>
#include <vector>

// Zip archives made and taken apart in memory through minizip, as the import unpacks them.

// A zip of `parts` (name, bytes) in their order, deflated, or stored when `stored`; empty when
// minizip refuses.
inline QByteArray ZipOf(const std::vector<std::pair<QString, QByteArray>>& parts, bool stored = false) {
    QByteArray bytes;
    MemoryZipFile file{&bytes, 0};
    zlib_filefunc64_def calls = MemoryZipCalls(file);
    zipFile zip = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &calls);
    if (!zip)
        return {};
    bool ok = true;
    for (const auto& [name, data] : parts) {
        const zip_fileinfo info{};
        ok =
            ok &&
            zipOpenNewFileInZip64(zip, name.toUtf8().constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                                  stored ? 0 : Z_DEFLATED, stored ? 0 : Z_DEFAULT_COMPRESSION, 0) == ZIP_OK &&
            zipWriteInFileInZip(zip, data.constData(), unsigned(data.size())) == ZIP_OK &&
            zipCloseFileInZip(zip) == ZIP_OK;
    }
    ok = zipClose(zip, nullptr) == ZIP_OK && ok;
    return ok ? bytes : QByteArray();
}

// Every part of the zip `bytes` by name; empty when it is no zip.
inline QMap<QString, QByteArray> UnzipParts(const QByteArray& bytes) {
    QMap<QString, QByteArray> parts;
    QByteArray data = bytes;
    MemoryZipFile file{&data, 0};
    zlib_filefunc64_def calls = MemoryZipCalls(file);
    unzFile zip = unzOpen2_64("", &calls);
    if (!zip)
        return parts;
    for (int more = unzGoToFirstFile(zip); more == UNZ_OK; more = unzGoToNextFile(zip)) {
        char name[512];
        if (unzGetCurrentFileInfo64(zip, nullptr, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
            unzOpenCurrentFile(zip) != UNZ_OK)
            break;
        QByteArray part;
        char block[65536];
        for (int got; (got = unzReadCurrentFile(zip, block, sizeof block)) > 0;)
            part.append(block, got);
        unzCloseCurrentFile(zip);
        parts[QString::fromUtf8(name)] = part;
    }
    unzClose(zip);
    return parts;
}
