#include "backup/datacopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr mode_t OwnerOnly = 0600;
constexpr size_t BlockBytes = 1 << 20;

QString Tr(const char* text) {
    return QCoreApplication::translate("CopyDataFile", text);
}

// The folder as it really is on disk; a folder that does not exist keeps its spelling, cleaned.
QString Resolved(const QString& folder) {
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

bool StatOf(const QString& path, struct stat* st) {
    return ::stat(QFile::encodeName(path).constData(), st) == 0;
}

// Writes a complete, flushed copy of `from` under the name `copy`, started afresh (a leftover
// from an interrupted run is overwritten; a link under that name is not followed). The copy is
// owner-only, or has the mode of `from` when `keepMode`. Failures to write name `to`, the file
// the copy is meant for. On failure `copy` is removed.
IoStatus WriteCopy(FileIo& io, const QString& from, const QString& to, const QString& copy, bool keepMode) {
    // Non-blocking so that a pipe or device under the data file's name cannot hang the open;
    // it is refused below.
    const int in = io.Open(from, O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
    if (in < 0)
        return IoStatus::Failure(Tr("open"), from, errno);
    struct stat st {};
    if (::fstat(in, &st) != 0) {
        const int err = errno;
        io.Close(in);
        return IoStatus::Failure(Tr("read"), from, err);
    }
    if (!S_ISREG(st.st_mode)) {
        io.Close(in);
        return IoStatus::Failure(Tr("read"), from, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }

    const mode_t mode = keepMode ? (st.st_mode & 07777) : OwnerOnly;
    const int out = io.Open(copy, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, OwnerOnly);
    if (out < 0) {
        const int err = errno;
        io.Close(in);
        return IoStatus::Failure(Tr("create"), copy, err);
    }
    ::fchmod(out, mode); // whatever the umask or a leftover's mode

    auto abandon = [&](const IoStatus& status) {
        io.Close(in);
        io.Close(out);
        io.Remove(copy);
        return status;
    };

    std::vector<char> block(BlockBytes);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = io.ReadAt(in, block.data(), block.size(), offset);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return abandon(IoStatus::Failure(Tr("read"), from, errno));
        }
        if (got == 0)
            break;
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put = io.WriteAt(out, block.data() + done, size_t(got - done), offset + done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return abandon(IoStatus::Failure(Tr("write"), to, put < 0 ? errno : ENOSPC));
            done += put; // a short write goes on from where it stopped
        }
        offset += got;
    }
    if (io.Sync(out) != 0)
        return abandon(IoStatus::Failure(Tr("write"), to, errno));
    io.Close(in);
    if (io.Close(out) != 0) {
        const int err = errno;
        io.Remove(copy);
        return IoStatus::Failure(Tr("write"), to, err);
    }
    return {};
}

} // namespace

IoStatus CopyDataFile(FileIo& io, const QString& from, const QString& to) {
    const QString partial = PartialCopyName(to);
    if (IoStatus s = WriteCopy(io, from, to, partial, false); !s)
        return s;
    if (io.Rename(partial, to) != 0) {
        const int err = errno;
        io.Remove(partial);
        return IoStatus::Failure(Tr("replace"), to, err);
    }
    // The copy is complete under its name; flushing the folder only makes the rename durable.
    io.SyncFolderOf(to);
    return {};
}

ReplaceOutcome ReplaceDataFiles(FileIo& io, const QList<FileReplacement>& files, const QString& journal,
                                const std::function<void(qsizetype index, ReplaceStep step)>& progress) {
    const qsizetype count = files.size();
    // Whether each file was there before; only those have an earlier copy to go back to.
    std::vector<bool> existed(std::size_t(count), false);
    auto tell = [&](qsizetype i, ReplaceStep step) {
        if (progress)
            progress(i, step);
    };
    // The scratch files of files [from, to), which none of the files need any longer.
    auto removeScratch = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            io.Remove(PartialCopyName(files[i].to));
            if (existed[std::size_t(i)])
                io.Remove(PreviousCopyName(files[i].to));
        }
    };

    // A journal of an earlier run that could not be removed would name files of that run, were
    // this one cut short before writing its own.
    if (io.Exists(journal)) {
        if (io.Remove(journal) != 0)
            return {IoStatus::Failure(Tr("delete"), journal, errno), 0, {}};
        io.SyncFolderOf(journal);
    }

    // Every copy in full beside its file, and the file as it stands beside it too; the files
    // themselves are not touched yet.
    for (qsizetype i = 0; i < count; ++i) {
        tell(i, ReplaceStep::Copying);
        const FileReplacement& f = files[i];
        IoStatus s = WriteCopy(io, f.from, f.to, PartialCopyName(f.to), false);
        if (s) {
            existed[std::size_t(i)] = io.Exists(f.to);
            if (existed[std::size_t(i)]) {
                s = WriteCopy(io, f.to, f.to, PreviousCopyName(f.to), true);
                if (!s) {
                    existed[std::size_t(i)] = false; // no earlier copy to remove
                    io.Remove(PartialCopyName(f.to));
                }
            }
        }
        if (!s) {
            removeScratch(0, i);
            return {s, i, {}};
        }
    }

    // What a run cut short from here on needs to be completed or undone.
    QList<RestoreJournalFile> journaled;
    for (qsizetype i = 0; i < count; ++i)
        journaled.append({files[i].to, PartialCopyName(files[i].to), PreviousCopyName(files[i].to),
                          existed[std::size_t(i)]});
    if (IoStatus s = WriteRestoreJournal(io, journal, journaled); !s) {
        removeScratch(0, count);
        return {s, 0, {}};
    }

    // Each complete copy over its file; a failure takes back the ones already in place.
    for (qsizetype i = 0; i < count; ++i) {
        tell(i, ReplaceStep::Replacing);
        const QString& to = files[i].to;
        if (io.Rename(PartialCopyName(to), to) == 0)
            continue;
        const int err = errno;
        return {IoStatus::Failure(Tr("replace"), to, err), i,
                SettleRestore(io, journal, journaled).notPutBack};
    }
    // Every file is in. The earlier copies are no longer needed; one that cannot be removed, or
    // a journal that cannot, is settled when the folder is next locked.
    SettleRestore(io, journal, journaled);
    return {};
}

FolderContents LookIntoFolder(const QString& folder) {
    FolderContents contents;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr)
        return contents;
    bool failed = false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            failed = errno != 0;
            break;
        }
        // Hidden names are left out, as a plain directory listing leaves them out; this also
        // keeps a partial copy left by an interrupted backup from counting as a foreign file.
        if (entry->d_name[0] == '.')
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode)) {
            contents.holdsFiles = true;
            break;
        }
    }
    ::closedir(dir);
    contents.readable = !failed;
    return contents;
}

bool IsSameFolder(const QString& folder, const QString& dataFolder) {
    if (Resolved(folder).compare(Resolved(dataFolder), Qt::CaseInsensitive) == 0)
        return true;
    // The same folder reached by another mount of it.
    struct stat a {
    }, b{};
    return StatOf(folder, &a) && StatOf(dataFolder, &b) && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
