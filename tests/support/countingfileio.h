#pragma once

#include "data/fileio.h"

#include <algorithm>
#include <functional>

// The program's file layer, counting the bytes read so that a test can see how much of a file a
// command reads; `onRead`, when set, runs at every read (to move the clock on, say).
struct CountingFileIo : FileIo {
    qint64 bytesRead = 0;
    std::function<void()> onRead;
    ssize_t ReadAt(int fd, void* buffer, size_t count, off_t offset) override {
        const ssize_t n = FileIo::ReadAt(fd, buffer, count, offset);
        bytesRead += std::max<ssize_t>(n, 0);
        if (onRead)
            onRead();
        return n;
    }
};
