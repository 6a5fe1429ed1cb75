#pragma once

#include "data/fileio.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

// The file layer on files held in memory, named as given: for a fuzz target that runs the data
// layer thousands of times a second. No folder, no links, no modes; a descriptor names its file
// until it is closed, even when the file is renamed or removed meanwhile, as on a disk. The
// descriptors are far above any the process has open, so a system call made on one past this
// layer fails harmlessly.
class MemoryFileIo final : public FileIo {
public:
    QHash<QString, QByteArray> files;

    int Open(const QString& path, int flags, mode_t) override {
        const bool exists = files.contains(path);
        if (!exists && !(flags & O_CREAT))
            return Fail(ENOENT);
        if (exists && (flags & O_CREAT) && (flags & O_EXCL))
            return Fail(EEXIST);
        if (!exists || (flags & O_TRUNC))
            files.insert(path, {});
        const int fd = m_nextFd++;
        m_open.insert(fd, path);
        return fd;
    }
    ssize_t ReadAt(int fd, void* buffer, size_t count, off_t offset) override {
        const QByteArray* f = File(fd);
        if (!f)
            return Fail(EBADF);
        if (offset >= f->size())
            return 0;
        const qsizetype n = std::min<qsizetype>(qsizetype(count), f->size() - offset);
        std::memcpy(buffer, f->constData() + offset, size_t(n));
        return n;
    }
    ssize_t WriteAt(int fd, const void* buffer, size_t count, off_t offset) override {
        QByteArray* f = File(fd);
        if (!f)
            return Fail(EBADF);
        if (f->size() < offset + qsizetype(count))
            f->resize(offset + qsizetype(count), '\0');
        std::memcpy(f->data() + offset, buffer, count);
        return ssize_t(count);
    }
    ssize_t Append(int fd, const void* buffer, size_t count) override {
        QByteArray* f = File(fd);
        return f ? WriteAt(fd, buffer, count, f->size()) : Fail(EBADF);
    }
    int Sync(int fd) override { return File(fd) ? 0 : Fail(EBADF); }
    int Truncate(int fd, off_t length) override {
        QByteArray* f = File(fd);
        if (!f)
            return Fail(EBADF);
        f->resize(length, '\0');
        return 0;
    }
    off_t Size(int fd) override {
        const QByteArray* f = File(fd);
        return f ? f->size() : Fail(EBADF);
    }
    int Close(int fd) override { return m_open.remove(fd) ? 0 : Fail(EBADF); }
    int Rename(const QString& from, const QString& to) override {
        if (!files.contains(from))
            return Fail(ENOENT);
        if (files.contains(to))
            Unlink(to);
        files.insert(to, files.take(from));
        Follow(from, to);
        return 0;
    }
    int Remove(const QString& path) override {
        if (!files.contains(path))
            return Fail(ENOENT);
        Unlink(path);
        return 0;
    }
    int SyncFolderOf(const QString&) override { return 0; }
    bool Exists(const QString& path) override { return files.contains(path); }
    const char* Map(int fd, qint64 size) override {
        const QByteArray* f = File(fd);
        if (!f || size > f->size()) {
            errno = EINVAL;
            return nullptr;
        }
        m_mapped.append(*f); // a copy, as a private mapping is
        return m_mapped.last().constData();
    }
    void Unmap(const char* at, qint64) override {
        for (qsizetype i = 0; i < m_mapped.size(); ++i) {
            if (m_mapped[i].constData() == at)
                m_mapped.removeAt(i);
        }
    }

private:
    static int Fail(int error) {
        errno = error;
        return -1;
    }
    QByteArray* File(int fd) {
        const auto at = m_open.constFind(fd);
        return at == m_open.cend() ? nullptr : &files[*at];
    }
    // An open descriptor keeps the contents it had, under a name no one can open.
    void Unlink(const QString& path) {
        const QString gone = QStringLiteral("\x01removed %1").arg(m_nextFd++);
        Follow(path, gone);
        files.insert(gone, files.take(path));
    }
    void Follow(const QString& from, const QString& to) {
        for (QString& name : m_open) {
            if (name == from)
                name = to;
        }
    }

    QHash<int, QString> m_open;
    int m_nextFd = 1 << 24;
    QList<QByteArray> m_mapped;
};
