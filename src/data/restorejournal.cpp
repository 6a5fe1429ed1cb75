#include "data/restorejournal.h"

#include "data/journal.h"

#include "data/datafilenames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace {

constexpr qsizetype MaxJournalBytes = 64 * 1024;
const QByteArray Heading = QByteArrayLiteral("Rosterly restore journal");

QString Tr(const char* text) {
    return QCoreApplication::translate("RestoreJournal", text);
}

// `name` in `folder`; an empty folder or "." is the working folder, where names stay bare.
QString InFolder(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder == QLatin1String(".") || QFileInfo(name).isAbsolute())
        return name;
    return QDir(folder).filePath(name);
}

// A hidden name beside `to`: its folder, a dot, its name and `suffix`.
QString ScratchNameBeside(const QString& to, const QString& suffix) {
    const QFileInfo info(to);
    return InFolder(info.path(), QLatin1Char('.') + info.fileName() + suffix);
}

QByteArray Encoded(const QString& journalFolder, const QString& path) {
    return QDir(journalFolder)
        .relativeFilePath(QFileInfo(path).absoluteFilePath())
        .toUtf8()
        .toPercentEncoding();
}

QString Decoded(const QString& journalFolder, const QByteArray& text) {
    return InFolder(journalFolder, QString::fromUtf8(QByteArray::fromPercentEncoding(text)));
}

// A removal that finds nothing to remove has done its work.
bool Removed(FileIo& io, const QString& path) {
    return io.Remove(path) == 0 || errno == ENOENT;
}

// The files the complete journal `text` names; false for a journal cut short.
bool ParseJournal(const QByteArray& text, const QString& journalFolder, QList<RestoreJournalFile>& files) {
    if (!text.endsWith('\n'))
        return false;
    const QList<QByteArray> lines = text.chopped(1).split('\n');
    if (lines.size() < 2 || lines.first() != Heading ||
        lines.last() != "end " + QByteArray::number(lines.size() - 2))
        return false;
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> words = lines[i].split(' ');
        if (words.size() != 5 || words[0] != "file" || (words[1] != "0" && words[1] != "1"))
            return false;
        files.append({Decoded(journalFolder, words[2]), Decoded(journalFolder, words[3]),
                      Decoded(journalFolder, words[4]), words[1] == "1"});
    }
    return true;
}

} // namespace

QString PartialCopyName(const QString& to) {
    return ScratchNameBeside(to, QStringLiteral(".partial"));
}

QString PreviousCopyName(const QString& to) {
    return ScratchNameBeside(to, QStringLiteral(".previous"));
}

IoStatus WriteRestoreJournal(FileIo& io, const QString& journal, const QList<RestoreJournalFile>& files) {
    // The last line counts the files: a journal without it was cut short while being written.
    const QString folder = QFileInfo(journal).path();
    QByteArray text = Heading + '\n';
    for (const RestoreJournalFile& f : files)
        text += "file " + QByteArray(f.existed ? "1 " : "0 ") + Encoded(folder, f.target) + ' ' +
                Encoded(folder, f.partial) + ' ' + Encoded(folder, f.previous) + '\n';
    text += "end " + QByteArray::number(files.size()) + '\n';

    return WriteJournalFile(io, journal, text, JournalCreate::Replacing);
}

// Which way a restore goes once cut short, from what the folder holds. Every new file and every
// earlier one was complete and flushed before the journal was, so each file is in one of three
// states: not yet replaced (its partial copy still there), replaced (the partial copy renamed
// over it, the earlier one kept beside it), or put back (the earlier one renamed back over it).
// - While any partial copy is left, the restore had not replaced every file, or was undoing
//   itself after a failure: it is undone. Putting an earlier copy back is right whether the file
//   was replaced or not; a file without its earlier copy was already put back, and a file that
//   did not exist is removed. Only once that is flushed do the partial copies go, since they
//   are what marks the restore as one to undo.
// - With no partial copy left, every file was replaced, or was put back and its scratch files
//   removed: what stands stays, and the earlier copies go.
// Both ways end by removing the journal, and each can be cut short and run again: an undo keeps
// a partial copy until its last put-back is on the disk, and the removals only repeat.
RestoreSettlement SettleRestore(FileIo& io, const QString& journal, const QList<RestoreJournalFile>& files) {
    RestoreSettlement outcome;
    bool undo = false;
    for (const RestoreJournalFile& f : files)
        undo = undo || io.Exists(f.partial);
    if (undo) {
        int err = 0;
        for (const RestoreJournalFile& f : files) {
            bool putBack = true;
            if (!f.existed)
                putBack = Removed(io, f.target);
            else if (io.Exists(f.previous))
                putBack = io.Rename(f.previous, f.target) == 0;
            if (!putBack) {
                err = errno;
                outcome.notPutBack << f.target;
            }
        }
        io.SyncFolderOf(journal);
        if (!outcome.notPutBack.isEmpty()) {
            outcome.status = IoStatus::Failure(Tr("put back"), outcome.notPutBack.first(), err);
            return outcome;
        }
        for (const RestoreJournalFile& f : files)
            io.Remove(f.partial);
    } else {
        // The renames are on the disk before the earlier copies go.
        io.SyncFolderOf(journal);
        for (const RestoreJournalFile& f : files) {
            if (f.existed)
                io.Remove(f.previous);
        }
    }
    // A scratch file that could not be removed is harmless without the journal: the next start
    // removes it. The journal must go, or it would act again on files changed since.
    if (!RemoveJournalFile(io, journal))
        outcome.status = IoStatus::Failure(Tr("delete"), journal, errno);
    return outcome;
}

IoStatus FinishInterruptedRestore(FileIo& io, const QString& folder) {
    const QString journal = InFolder(folder, RestoreJournalFileName);
    auto removeStrayCopies = [&] {
        // A restore replaces the history with the data files where the folder had none, and the
        // sensitive-fields rule where the backup holds one.
        for (const QString& name : DataFolderFileNames + QStringList{HistoryFileName, SensitiveRuleFileName}) {
            for (const QString& copy :
                 {PartialCopyName(InFolder(folder, name)), PreviousCopyName(InFolder(folder, name))}) {
                if (io.Exists(copy))
                    io.Remove(copy);
            }
        }
    };
    // Without a journal no file was renamed: any scratch file is left from a restore that was
    // still copying, and the data files are as they were.
    QByteArray text;
    bool found = false;
    if (IoStatus read = ReadJournalFile(io, journal, MaxJournalBytes + 1, &text, &found); !read)
        return read;
    if (!found) {
        removeStrayCopies();
        return {};
    }

    QList<RestoreJournalFile> files;
    if (ParseJournal(text, QFileInfo(journal).path(), files))
        return SettleRestore(io, journal, files).status;
    // A journal cut short was never flushed, so no file was renamed after it.
    removeStrayCopies();
    if (!RemoveJournalFile(io, journal))
        return IoStatus::Failure(Tr("delete"), journal, errno);
    return {};
}
