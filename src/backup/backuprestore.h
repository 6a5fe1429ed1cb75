#pragma once

#include <QPoint>

#include <functional>

class QWidget;
struct AppContext;

// The main window's backup-and-restore command. A user below full access is told so; a user
// with full access gets the pop-up menu `menuBackupRestoremenu` at `globalPos`, whose items
// `menuBackupRestore(1..4)` start a backup, a restore, or nothing. `window` is the one whose
// caption shows the progress; `afterRestore` runs once a restore has completed.
void ShowBackupRestoreMenu(AppContext& ctx, QWidget* window, QPoint globalPos,
                           std::function<void()> afterRestore);

// Copies the data files into a folder the user picks, after the checks that keep them from
// landing on themselves, in an unreachable place or among unrelated files. Every outcome is
// told in a message box.
void BackupDataFiles(AppContext& ctx, QWidget* window);

// Replaces the data files with the copies in a folder the user picks, after a warning. When
// every file was restored, `afterRestore` runs once, after the closing message.
void RestoreDataFiles(AppContext& ctx, QWidget* window, std::function<void()> afterRestore);
