#pragma once

#include "data/fileio.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class QFileSystemWatcher;
class QTimer;

// The file layer of a copy that reads a data folder another copy writes. While it is read-only
// every call that would change a file fails with EROFS before it reaches the disk, whatever the
// caller meant: no journal is settled, no scratch file removed, no index rebuilt, no file made.
// Two things still pass: an open for reading of a file opened for reading and writing (the record
// files open so; one not made yet reads as empty), and an open with O_APPEND (the user log), whose descriptor
// then takes one write() only: the whole line at once, which O_APPEND puts after whatever the writer has
// appended, so that the lines of two copies never tear or interleave. A failed line is never cut
// back: the writer may have appended behind it. SetWritable(true) hands every call through, once
// this copy holds the folder's lock.
class ReadOnlyFileIo : public FileIo {
public:
    explicit ReadOnlyFileIo(FileIo& io, bool readOnly = true) : m_io(io), m_readOnly(readOnly) {}
    bool ReadOnly() const { return m_readOnly; }
    void SetWritable(bool writable) { m_readOnly = !writable; }

    int Open(const QString& path, int flags, mode_t mode) override;
    ssize_t ReadAt(int fd, void* buffer, size_t count, off_t offset) override;
    ssize_t WriteAt(int fd, const void* buffer, size_t count, off_t offset) override;
    ssize_t Append(int fd, const void* buffer, size_t count) override;
    int Sync(int fd) override;
    int Truncate(int fd, off_t length) override;
    off_t Size(int fd) override;
    int Close(int fd) override;
    int Rename(const QString& from, const QString& to) override;
    int Link(const QString& existing, const QString& to) override;
    int Remove(const QString& path) override;
    int SyncFolderOf(const QString& path) override;
    bool Exists(const QString& path) override;
    const char* Map(int fd, qint64 size) override;
    void Unmap(const char* at, qint64 size) override;

private:
    int Refused();
    FileIo& m_io;
    bool m_readOnly;
    QSet<int> m_appendOnce; // descriptors of appends that have not written yet
    QSet<int> m_appended;   // and those that have
};

// The files whose presence says that the writer is in the middle of a change of the personnel
// file or its history: the journals, the removal's scratch file and the restore's journal. A
// reader waits them out and reads only a folder without any.
QStringList ChangeUnderWayFileNames();

// What a reader compares to tell whether the folder changed: the personnel file's and the
// history's identity, length and time, and whether a change is under way.
struct FolderStamp {
    QList<qint64> items;
    bool changing = false;
    bool operator==(const FolderStamp&) const = default;
};
// The stamp of the data folder `folder` (the working folder when empty).
FolderStamp StampDataFolder(const QString& folder = QString());

// Tells a reader when the writer has changed the folder and when its lock has gone. The folder is
// watched where the system tells of its changes (a local disk); it is also looked at every
// `pollMs` (size and time of the files), since a network share tells nothing of another
// computer's writes and a watch may fail or run out. A change once whole (no
// journal left) calls `changed`, the lock file gone `lockFreed`, as does a lock its writer left
// behind (DataFolderLock::LeftBehind: killed, or the power cut), once.
class DataFolderWatch : public QObject {
public:
    // Each call returns whether it was taken in; one that was not (a dialog was open, say) comes
    // again at the next look.
    DataFolderWatch(const QString& folder, std::function<bool()> changed, std::function<bool()> lockFreed,
                    int pollMs = 500, QObject* parent = nullptr);
    // Whether the system tells of the folder's changes (else the polling alone follows them).
    bool Watching() const;
    // The stamp the last call of `changed` (or the start) saw.
    const FolderStamp& Stamp() const { return m_stamp; }
    // Looks at the folder now.
    void Look();

private:
    bool Locked() const; // the lock is there, and not left behind by a copy that stopped
    QString m_folder;
    std::function<bool()> m_changed;
    std::function<bool()> m_lockFreed;
    FolderStamp m_stamp;
    QFileSystemWatcher* m_watcher;
    QTimer* m_poll;
    bool m_lockSeen = false; // the lock was there when last looked at
};
