#pragma once

#include "data/fileio.h"

#include <QList>
#include <QString>
#include <QStringList>

// A restore replaces the data files as one change (ReplaceDataFiles, src/backup/datacopy.h):
// every new file is written in full beside its target under PartialCopyName, the target as it
// stands is copied under PreviousCopyName, and only then are the copies renamed over the
// targets. Before the first rename the restore writes its journal, which names every file; a
// journal still there when the folder is next locked means the restore was cut short, and
// FinishInterruptedRestore settles it before any data file is read.

// The name a copy to `to` is written under until it is complete.
QString PartialCopyName(const QString& to);
// The name under which a restore keeps the earlier `to` until every file is in place.
QString PreviousCopyName(const QString& to);

// One file of a restore as its journal names it.
struct RestoreJournalFile {
    QString target;
    QString partial;      // the complete new file until it is renamed over `target`
    QString previous;     // the earlier `target`, kept while the restore runs
    bool existed = false; // `target` was there before, so `previous` holds it
};

// Writes the journal `journal` naming `files` (which lie in the journal's folder), flushes it
// and the folder, so that it is on the disk before any rename. On failure it is removed.
IoStatus WriteRestoreJournal(FileIo& io, const QString& journal, const QList<RestoreJournalFile>& files);

struct RestoreSettlement {
    IoStatus status;
    QStringList notPutBack; // targets whose earlier file could not be put back
};

// Completes or undoes the restore whose journal `journal` names `files`, removes its scratch
// files and then the journal. When an earlier file cannot be put back, the journal and every
// scratch file stay, so that the next try can still undo the restore.
RestoreSettlement SettleRestore(FileIo& io, const QString& journal, const QList<RestoreJournalFile>& files);

// Settles a restore cut short in `folder` (empty: the working folder), whose journal and data
// files have the names of data/datafilenames.h: afterwards the data files are wholly as before it or wholly
// as restored, and no scratch file of a restore is left. Without a journal only stray scratch files are
// removed. A failure means the folder may still be mixed: nothing may read it then.
IoStatus FinishInterruptedRestore(FileIo& io, const QString& folder);
