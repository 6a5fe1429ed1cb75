#pragma once

#include "data/fileio.h"
#include "data/restorejournal.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Copies the file `from` to `to` so that `to` is never seen half-written: the bytes go to a
// hidden partial file beside `to`, which is flushed and then renamed over `to`; the folder is
// flushed after. The copy is readable and writable by its owner only. On failure the partial
// file is removed and `to` is as it was.
IoStatus CopyDataFile(FileIo& io, const QString& from, const QString& to);

// One file of ReplaceDataFiles: `to` is to become a copy of `from`.
struct FileReplacement {
    QString from;
    QString to;
};

enum class ReplaceStep {
    Copying,  // the file's copy is being written beside it
    Replacing // the complete copy is being renamed over the file
};

struct ReplaceOutcome {
    IoStatus status;         // success, or the failure that stopped the run
    qsizetype failedAt = -1; // the file in hand when it failed
    // Files that could not be put back as they were after the failure. Each one that existed
    // keeps its earlier contents under PreviousCopyName.
    QStringList notPutBack;
};

// Replaces every `to` by a copy of its `from`, all of them or none. Every copy is written in
// full beside its file first (PartialCopyName, owner-only), together with a copy of the file as
// it stands (PreviousCopyName, its own mode); then the journal `journal`, in the files' folder,
// names them all; only then are the copies renamed over the files. When anything fails, the
// files already replaced are put back from their earlier copies (or removed when there was none)
// and every scratch file is removed, so the files are as they were. A run cut short is settled
// by FinishInterruptedRestore (data/restorejournal.h). `progress` is told the index of the file
// in hand at each step.
ReplaceOutcome ReplaceDataFiles(FileIo& io, const QList<FileReplacement>& files, const QString& journal,
                                const std::function<void(qsizetype index, ReplaceStep step)>& progress);

// What a look into a folder found.
struct FolderContents {
    bool readable = false;   // the folder could be listed
    bool holdsFiles = false; // it holds at least one ordinary file that is not hidden
};
FolderContents LookIntoFolder(const QString& folder);

// Whether `folder` is `dataFolder` once links, "." and ".." and separators are resolved.
// Capitals are ignored, so that a spelling that differs only in case is refused as well.
bool IsSameFolder(const QString& folder, const QString& dataFolder);
