#pragma once

#include "data/datafilenames.h"
#include "data/fileio.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

// One writer at a time in a data folder: whoever holds the lock file "Rosterly.lock" in the folder
// itself may open the data files. It works for two users of one computer and for two computers
// sharing the folder alike.
//
// The lock is made whole: the holder's details are written and flushed to a private file of the
// folder (".Rosterly.lock.<random>", owner-only), which is then linked to the lock's name, so the
// lock never appears empty or half written, and two copies cannot both link it. The holder keeps
// the file open with an flock() while it runs, so a copy of this computer sees that the lock is
// alive whatever the file says.
//
// The file has one item a line, the first five as QLockFile writes them, so that an older copy,
// which locks with QLockFile, and this one read each other's locks:
//     process id
//     program name (of the process, as /proc names it)
//     computer name
//     machine id (/etc/machine-id; may be empty)
//     boot id (may be empty)
//     user name
//     time taken, ISO 8601 with the offset from UTC
// An older copy's lock has the first three or five lines only; the file's owner and time stand in
// for the rest.
//
// A lock left by a copy that died on this computer (its process is gone, or the process id now
// belongs to another program, or the computer was started since) is taken over; one from another
// computer is never broken: that computer may still be writing. A lock that is empty or says
// nothing readable names no one: an older copy killed between making its file and writing it
// left it. Unless a process holds it open (an older copy holds its lock from the moment it makes
// it) or it changes within a second (a copy of another computer writing it), it is taken over too.
class DataFolderLock {
public:
    // The lock of `folder`, made and read through `io` (or a FileIo of its own).
    explicit DataFolderLock(const QString& folder);
    DataFolderLock(const QString& folder, FileIo& io);
    // Gives the lock up: its file is removed, unless someone has put another in its place.
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    // Takes the lock; false when another process holds it (see the holder below) or it cannot
    // be made at all (see Error()).
    bool TryAcquire();

    QString LockPath() const { return m_path; }
    // Whether `folder`'s lock names a process of this computer that no longer runs (a copy killed
    // or stopped by a power cut): one TryAcquire would take over. A lock that names no one, or
    // another computer, is not.
    static bool LeftBehind(const QString& folder);

    // Who holds the lock, as far as it tells: after a refused TryAcquire.
    struct Holder {
        QString user;
        QString host; // empty when the lock does not say
        qint64 pid = 0;
        QString program;
        QDateTime since;
        bool otherComputer = false;
    };
    const Holder& HeldBy() const { return m_holder; }
    // Why the lock could not be made when no one holds it (a folder that cannot be written).
    QString Error() const { return m_error; }

private:
    enum class Found { Held, Gone, Failed }; // Gone: not there, or left behind and removed
    enum class Made { Taken, Exists, Failed };
    Made MakeWhole();
    Made MakeInPlace(const QByteArray& details);
    Found LookAtLock();
    void RemoveLeftovers();
    QString Failure(int error) const;

    std::unique_ptr<FileIo> m_ownIo;
    FileIo& m_io;
    QString m_folder;
    QString m_path;
    int m_fd = -1; // the lock, held open (and flock()ed) while it is ours
    int m_linkError = 0;
    Holder m_holder;
    QString m_error;
};

// The message a second copy shows before it ends: who holds the folder and since when, and which
// file to delete when: for a lock of another computer, when that computer is really off; for any
// other, when no copy of the program on any computer works with the folder.
QString FolderInUseText(const QString& appTitle, const QString& folder, const DataFolderLock& lock);
inline constexpr char FolderInUseTitle[] = "Data Folder in Use";
// What a second copy offers instead of ending (under the same title): to open the files read-only,
// following the holder's changes, or to exit; and the two buttons' captions, read-only the
// default.
QString FolderInUseOfferText(const QString& appTitle, const QString& folder, const DataFolderLock& lock);
inline constexpr char OpenReadOnlyCaption[] = "Open &Read-Only";
inline constexpr char ExitCaption[] = "E&xit";
// Who holds the lock, as the read-only window names them: "ann on frontdesk".
QString LockHolderName(const DataFolderLock::Holder& holder);

// The data file `path` names, as a writer must name it to lock the folder that really holds it:
// a link to the file is followed to the file itself, and a folder on the way may be a link too. A
// file that does not exist yet lies in its folder's real place. Empty for a link that leads to no
// file: a writer never creates a file through a link.
QString RealDataFilePath(const QString& path);

// The names of the files of a data folder that the program and the data tool write, with
// `personnelFile` the personnel file's: the data files, the change history, its index and
// journal, the append and restore journals and the scratch file.
QStringList WrittenDataFileNames(const QString& personnelFile = PersonnelFileName);

// Why the data folder `folder` must not be written, when one of the files `names` there is a
// link, or a file with more than one name (a hard link): through either a write would reach a
// file that the lock of this folder does not cover, and replacing the file would leave the other
// name with the old one. Empty when none is.
QString LinkedDataFileText(const QString& folder, const QStringList& names);

// Makes `folder` and every missing folder above it owner-only (0700) whatever the umask, as the
// XDG base-directory rules ask of the folders a program makes; existing folders keep their
// rights. Returns 0, or the errno of the folder `*failed` that could not be made.
int MakeOwnerOnlyFolder(const QString& folder, QString* failed = nullptr);
