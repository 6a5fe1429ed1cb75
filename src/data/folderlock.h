#pragma once

#include "data/datafilenames.h"

#include <QDateTime>
#include <QLockFile>
#include <QString>

#include <memory>

// One writer at a time in a data folder: whoever holds the lock file "Rosterly.lock" in the folder
// itself may open the data files. The lock names the process and the computer that hold it (and
// its file's owner and time say who and since when), so it works for two users of one computer
// and for two computers sharing the folder alike. A lock left by a copy that died on this
// computer is taken over; one from another computer is never broken: that computer may still be
// writing.
class DataFolderLock {
public:
    explicit DataFolderLock(const QString& folder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    // Takes the lock; false when another process holds it (see the holder below) or it cannot
    // be made at all.
    bool TryAcquire();

    QString LockPath() const { return m_path; }

    // Who holds the lock, as far as it tells: after a refused TryAcquire.
    struct Holder {
        QString user;
        QString host;
        qint64 pid = 0;
        QDateTime since;
        bool otherComputer = false;
    };
    const Holder& HeldBy() const { return m_holder; }
    // Why the lock could not be made when no one holds it (a folder that cannot be written).
    QString Error() const { return m_error; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    Holder m_holder;
    QString m_error;
};

// The name of the lock file in a data folder.

// The message a second copy shows before it ends: who holds the folder and since when, and, for
// a lock of another computer, how to clear it when that computer is really off.
QString FolderInUseText(const QString& appTitle, const QString& folder, const DataFolderLock& lock);
inline constexpr char FolderInUseTitle[] = "Data Folder in Use";

// The data file `path` names, as a writer must name it to lock the folder that really holds it:
// a link to the file is followed to the file itself, and a folder on the way may be a link too. A
// file that does not exist yet lies in its folder's real place. Empty for a link that leads to no
// file: a writer never creates a file through a link.
QString RealDataFilePath(const QString& path);

// Makes `folder` and every missing folder above it owner-only (0700) whatever the umask, as the
// XDG base-directory rules ask of the folders a program makes; existing folders keep their
// rights. Returns 0, or the errno of the folder `*failed` that could not be made.
int MakeOwnerOnlyFolder(const QString& folder, QString* failed = nullptr);
