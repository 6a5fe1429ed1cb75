#pragma once

#include <QString>
#include <QStringList>

// The names of the files in a data folder, each spelled here only. The program names them
// relative to the data folder it works in; the data tool and the benchmark beside a file they
// are given.
inline const QString PersonnelFileName = QStringLiteral("Rosterly.Data");
inline const QString UserListFileName = QStringLiteral("User.List");
inline const QString UserLogFileName = QStringLiteral("User.Log");
// The three data files, in the order a backup lists them.
inline const QStringList DataFolderFileNames{PersonnelFileName, UserListFileName, UserLogFileName};
// The scratch file a removal compacts into before it takes the file's place.
inline const QString ScratchFileName = QStringLiteral("TempFile.$$$");
// The journals of an append to the personnel file, of a record written in place there, of the
// same two in the user list, and of a restore: each there only while one is under way or was cut
// short. None is ever backed up: they concern the live folder only.
inline const QString AppendJournalFileName = QStringLiteral("Append.$$$");
inline const QString WriteJournalFileName = QStringLiteral("Write.$$$");
inline const QString UserAppendJournalFileName = QStringLiteral("UserAppend.$$$");
inline const QString UserWriteJournalFileName = QStringLiteral("UserWrite.$$$");
inline const QString RestoreJournalFileName = QStringLiteral("Restore.$$$");
// The change history of the employees (data/history.h).
inline const QString HistoryFileName = QStringLiteral("Rosterly.History");
// What the history knows of each record number, rebuilt from the history when it does not match
// it; and the journal of a change on its way into the personnel file and the history.
inline const QString HistoryIndexFileName = QStringLiteral("History.Index");
inline const QString HistoryJournalFileName = QStringLiteral("History.$$$");
// Where each employee's lines start in the history (data/historylines.h), kept with the index.
inline const QString HistoryLinesFileName = QStringLiteral("History.Lines");
// The level from which the sensitive fields show in full, kept with the data
// (data/sensitiverule.h); backed up and restored with the data files.
inline const QString SensitiveRuleFileName = QStringLiteral("Rosterly.Privacy");
// The lock of the folder's one writer (data/folderlock.h).
inline constexpr char DataFolderLockName[] = "Rosterly.lock";
