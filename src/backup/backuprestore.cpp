#include "backup/backuprestore.h"

#include "backup/datacopy.h"
#include "core/appcontext.h"
#include "core/programstate.h"
#include "data/ansitext.h"
#include "data/datafilenames.h"
#include "data/personnelfile.h"
#include "data/sensitiverule.h"
#include "ui/prompts.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QWidget>

namespace {

// The window while files are copied: no input, the busy pointer, the caption naming the file in
// hand. Everything is put back when this goes, whichever way the copying ends. The pointer is
// the window's own rather than the application's, so that a message shown during the copy
// still has the ordinary one.
class BusyWindow {
public:
    explicit BusyWindow(QWidget* window) : m_window(window) {
        if (!m_window)
            return;
        m_caption = m_window->windowTitle();
        m_wasEnabled = m_window->isEnabled();
        m_hadCursor = m_window->testAttribute(Qt::WA_SetCursor);
        m_cursor = m_window->cursor();
        m_window->setCursor(Qt::WaitCursor);
        m_window->setEnabled(false);
    }
    ~BusyWindow() {
        if (!m_window)
            return;
        m_window->setWindowTitle(m_caption);
        if (m_hadCursor)
            m_window->setCursor(m_cursor);
        else
            m_window->unsetCursor();
        m_window->setEnabled(m_wasEnabled);
        m_window->repaint();
    }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

    void ShowProgress(const QString& caption) {
        if (m_window) {
            m_window->setWindowTitle(caption);
            m_window->repaint();
        }
        QCoreApplication::processEvents();
    }
    void SetCaption(const QString& caption) {
        if (m_window)
            m_window->setWindowTitle(caption);
    }

private:
    QPointer<QWidget> m_window;
    QString m_caption;
    QCursor m_cursor;
    bool m_hadCursor = false;
    bool m_wasEnabled = true;
};

QString WithTrailingSeparator(QString folder) {
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// What a failed restore did to the data files: nothing, unless putting them back failed too.
QString NotRestoredNote(FileIo& io, const QString& appTitle, const QStringList& notPutBack) {
    if (notPutBack.isEmpty())
        return QStringLiteral("Your current ") + appTitle +
               QStringLiteral(" data files have been left unchanged.");
    QString note = QStringLiteral("These data files could not be put back as they were:");
    for (const QString& name : notPutBack) {
        note += CrLf + name;
        if (io.Exists(PreviousCopyName(name)))
            note += QStringLiteral(" (the earlier one is kept as ") +
                    QFileInfo(PreviousCopyName(name)).fileName() + QStringLiteral(")");
    }
    return note;
}

// The folder the data files live in: the working folder, as they are opened by bare names.
QString DataFolder() {
    return QDir::currentPath();
}

} // namespace

void ShowBackupRestoreMenu(AppContext& ctx, QWidget* window, QPoint globalPos,
                           std::function<void()> afterRestore) {
    const ProgramState& s = ctx.state;
    if (s.CurrentAccessLevel != 4) {
        ctx.prompts.MsgBox(QStringLiteral("Full access level privileges") + CrLf +
                               QStringLiteral("are required to use this feature."),
                           MsgButtons::OKOnly, MsgIcon::Critical,
                           QStringLiteral("Current Access Level Inadequate"));
        return;
    }

    // On the heap and watched: the window that owns the menu may go while the menu is up.
    QPointer<QMenu> menuBackupRestoremenu = new QMenu(window);
    menuBackupRestoremenu->setObjectName(QStringLiteral("menuBackupRestoremenu"));
    menuBackupRestoremenu->setTitle(QStringLiteral("Backup and Restore Options"));
    OneBased<QAction*, 4> menuBackupRestore;
    menuBackupRestore[1] = menuBackupRestoremenu->addAction(QStringLiteral("Backup the ") + s.AppTitle +
                                                            QStringLiteral(" data files"));
    menuBackupRestore[2] = menuBackupRestoremenu->addAction(QStringLiteral("Restore the ") + s.AppTitle +
                                                            QStringLiteral(" data files"));
    menuBackupRestore[3] = menuBackupRestoremenu->addSeparator();
    menuBackupRestore[4] = menuBackupRestoremenu->addAction(QStringLiteral("Exit this Menu"));
    for (int i = 1; i <= 4; ++i)
        menuBackupRestore[i]->setObjectName(QStringLiteral("menuBackupRestore(%1)").arg(i));

    const QAction* chosen = menuBackupRestoremenu->exec(globalPos);
    if (!menuBackupRestoremenu)
        return;
    const bool backup = chosen == menuBackupRestore[1];
    const bool restore = chosen == menuBackupRestore[2];
    delete menuBackupRestoremenu;

    if (backup)
        BackupDataFiles(ctx, window);
    else if (restore)
        RestoreDataFiles(ctx, window, std::move(afterRestore));
}

namespace {
// The chosen folder with its trailing separator; or empty, after telling the user, when it is
// the data folder itself (which can be neither its own backup nor its own source).
QString FolderOtherThanDataFolder(AppContext& ctx, const QString& answer, const QString& verb) {
    if (!IsSameFolder(answer, DataFolder()))
        return WithTrailingSeparator(answer);
    ctx.prompts.MsgBox(QStringLiteral("You can't ") + verb + CrLf + ctx.state.AppTitle +
                           QStringLiteral(" data") + CrLf + QStringLiteral("to itself in the same folder!"),
                       MsgButtons::OKOnly, MsgIcon::Critical, QStringLiteral("What are you doing?"));
    return {};
}

// The folder could not be looked into; `what` says what was being reached for.
void TellFolderAccessProblem(Prompts& prompts, const QString& what) {
    prompts.MsgBox(QStringLiteral("There is some kind of problem trying to") + CrLf + what,
                   MsgButtons::OKOnly, MsgIcon::Exclamation, QStringLiteral("Drive or Folder Access Problem"));
}
} // namespace

void BackupDataFiles(AppContext& ctx, QWidget* window) {
    const ProgramState& s = ctx.state;
    Prompts& prompts = ctx.prompts;
    const QString cancelled = QStringLiteral("The backup process has been cancelled");

    const QString answer =
        prompts.BrowseForFolder(QStringLiteral("Select a disk/drive/folder to copy (backup)") + CrLf +
                                QStringLiteral("your ") + s.AppTitle + QStringLiteral(" data files to..."));
    if (answer.isEmpty())
        return;

    const QString folder = FolderOtherThanDataFolder(ctx, answer, QStringLiteral("backup"));
    QString cancelReason = folder.isEmpty() ? cancelled : QString();

    FolderContents contents;
    if (cancelReason.isEmpty()) {
        contents = LookIntoFolder(folder);
        if (!contents.readable) {
            TellFolderAccessProblem(prompts, QStringLiteral("access the selected backup location") + CrLf +
                                                 QStringLiteral("that you specified..."));
            cancelReason = cancelled;
        }
    }

    if (cancelReason.isEmpty()) {
        if (contents.holdsFiles && !ctx.io.Exists(folder + s.DataFileNames[1])) {
            const MsgAnswer a = prompts.MsgBox(
                QStringLiteral("The data backup location you selected,") + CrLf + CrLf + QLatin1Char('\'') +
                    folder + QLatin1Char('\'') + CrLf + CrLf +
                    QStringLiteral("contains files not related to ") + s.AppTitle + QStringLiteral("!") +
                    CrLf + QStringLiteral("Are you sure you wish to continue with this backup?"),
                MsgButtons::YesNo, MsgIcon::Exclamation, QStringLiteral("Caution!"), MsgDefault::Button2);
            if (a == MsgAnswer::No)
                cancelReason = cancelled;
        } else {
            const MsgAnswer a = prompts.MsgBox(
                QStringLiteral("You have selected") + CrLf + CrLf + QLatin1Char('\'') + folder +
                    QLatin1Char('\'') + CrLf + CrLf + QStringLiteral("as your data backup location.") + CrLf +
                    QStringLiteral("Please click <OK> to continue."),
                MsgButtons::OKCancel, MsgIcon::Information, QStringLiteral("Backup Procedure"));
            if (a != MsgAnswer::OK)
                cancelReason = cancelled;
        }
    }

    if (cancelReason.isEmpty()) {
        BusyWindow busy(window);
        // The history and the sensitive-fields rule go with the data files; the history's index and
        // journal do not: the index is rebuilt from the history, and a journal concerns the live
        // folder only.
        QStringList names(s.DataFileNames.begin(), s.DataFileNames.end());
        names << HistoryFileName << SensitiveRuleFileName;
        for (const QString& name : names) {
            // No personnel file before the first employee is entered: nothing to copy then.
            if (!ctx.io.Exists(name))
                continue;
            busy.ShowProgress(QStringLiteral("Copying ") + name);
            if (!CopyDataFile(ctx.io, name, folder + name)) {
                prompts.MsgBox(QStringLiteral("There is some kind of problem") + CrLf +
                                   QStringLiteral("trying to copy ") + name,
                               MsgButtons::OKOnly, MsgIcon::Exclamation, QStringLiteral("File Backup Error"));
                cancelReason = cancelled;
                break;
            }
        }
    }

    if (cancelReason.isEmpty())
        cancelReason = QStringLiteral("Your current ") + s.AppTitle + QStringLiteral(" data files") + CrLf +
                       QStringLiteral("have been successfully backed up!");
    prompts.MsgBox(cancelReason, MsgButtons::OKOnly, MsgIcon::None, s.AppTitle);
}

void RestoreDataFiles(AppContext& ctx, QWidget* window, std::function<void()> afterRestore) {
    const ProgramState& s = ctx.state;
    Prompts& prompts = ctx.prompts;
    const QString cancelled = QStringLiteral("The restore process has been cancelled");

    const QString answer = prompts.BrowseForFolder(
        QStringLiteral("Select the disk/drive/folder that contains your") + CrLf +
        QStringLiteral("previously backed up ") + s.AppTitle + QStringLiteral(" data files") + CrLf +
        QStringLiteral("that you wish to restore..."));
    if (answer.isEmpty())
        return;

    const QString folder = FolderOtherThanDataFolder(ctx, answer, QStringLiteral("restore"));
    QString cancelReason = folder.isEmpty() ? cancelled : QString();

    if (cancelReason.isEmpty() && !LookIntoFolder(folder).readable) {
        TellFolderAccessProblem(prompts, QStringLiteral("access the backed up data files at") + CrLf +
                                             QStringLiteral("the location that you specified."));
        cancelReason = cancelled;
    }

    if (cancelReason.isEmpty() && !ctx.io.Exists(folder + s.DataFileNames[1])) {
        prompts.MsgBox(QLatin1Char('\'') + folder + QLatin1Char('\'') + CrLf + CrLf +
                           QStringLiteral("doesn't appear to contain previously saved") + CrLf +
                           QStringLiteral("backup data file(s) you need to restore") + CrLf +
                           QStringLiteral("your ") + s.AppTitle + QStringLiteral(" data."),
                       MsgButtons::OKOnly, MsgIcon::Information, QStringLiteral("Required file(s) missing"));
        cancelReason = cancelled;
    }

    // Without a personnel file here there is nothing to lose, so nothing to warn about.
    if (cancelReason.isEmpty() && ctx.io.Exists(s.DataFileNames[1])) {
        const MsgAnswer a =
            prompts.MsgBox(QStringLiteral("Note:") + CrLf + CrLf +
                               QStringLiteral("You are about to replace your current data files") + CrLf +
                               QStringLiteral("with previously made backup data files.") + CrLf + CrLf +
                               QStringLiteral("Once completed, this action can not be undone.") + CrLf +
                               CrLf + QStringLiteral("Are you sure you're ready to continue?"),
                           MsgButtons::YesNo, MsgIcon::Exclamation,
                           QStringLiteral("Important! Please read carefully..."), MsgDefault::Button2);
        if (a != MsgAnswer::Yes)
            cancelReason = cancelled;
    }

    // A change whose entries are still in the history's journal belongs to the file about to go:
    // the history takes them in (or drops them) now, against that file, as its next open would.
    if (cancelReason.isEmpty() && ctx.personnel.KeepsHistory() && ctx.io.Exists(HistoryJournalFileName)) {
        ctx.personnel.ClosePersonnelFile();
        const IoStatus settled = ctx.personnel.OpenPersonnelFileUncounted();
        ctx.personnel.ClosePersonnelFile();
        if (!ReportFileError(prompts, settled))
            cancelReason = cancelled;
    }

    if (cancelReason.isEmpty()) {
        // Nothing may keep the old personnel file open while it is replaced.
        ctx.personnel.ClosePersonnelFile();
        QList<FileReplacement> files;
        for (const QString& name : s.DataFileNames) {
            // A file missing from the backup fails too: a backup without it is incomplete.
            if (!name.isEmpty())
                files.append({folder + name, name});
        }
        // The live history is the longer trail, holding every change up to now: a restore must not
        // cut it back. The backup's is taken only where there is none, with the data files.
        const bool historyFromBackup =
            !ctx.io.Exists(HistoryFileName) && ctx.io.Exists(folder + HistoryFileName);
        if (historyFromBackup)
            files.append({folder + HistoryFileName, HistoryFileName});
        // The backup's sensitive-fields rule comes with its data; a backup without one (made before
        // the folder had a rule) leaves the folder's own in force.
        const int levelBefore = ReadSensitiveRule(ctx.io, SensitiveRuleFileName, s.UserLogName).level;
        if (ctx.io.Exists(folder + SensitiveRuleFileName))
            files.append({folder + SensitiveRuleFileName, SensitiveRuleFileName});
        ReplaceOutcome outcome;
        IoStatus historyStatus;
        {
            BusyWindow busy(window);
            // The history's journal names the file the restore brings first, so that a restore cut
            // short at any moment is recorded as a restore once that file is in place.
            if (IoStatus begun = ctx.personnel.BeginRestore(folder + s.DataFileNames[1]); !begun)
                outcome = {begun, 0, {}};
            // All or none: a data folder holding files of different days is worse than the old one.
            else
                outcome = ReplaceDataFiles(
                    ctx.io, files, s.RestoreJournalName, [&](qsizetype i, ReplaceStep step) {
                        const QString caption = QStringLiteral("Restoring ") + files[i].to;
                        if (step == ReplaceStep::Copying)
                            busy.ShowProgress(caption);
                        else
                            busy.SetCaption(caption); // the renames follow each other at once
                    });
            // Still busy: replaying a long history takes a while.
            if (outcome.status)
                historyStatus = ctx.personnel.RecordRestore();
            else
                ctx.personnel.AbandonRestore();
        }
        // The files are restored all the same: a history that could not take the restore in is
        // brought in step with them by its next open.
        if (outcome.status)
            ReportFileError(prompts, historyStatus);
        // A restore that changed the level says so in the restored user log, as a change in the admin
        // window would.
        if (const SensitiveRule rule = ReadSensitiveRule(ctx.io, SensitiveRuleFileName, s.UserLogName);
            outcome.status && rule.state == SensitiveRule::State::Kept && rule.level != levelBefore)
            ReportFileError(prompts, WriteSensitiveLevelLogEntry(ctx.io, s.UserLogName, s.CurrentUserName,
                                                                 levelBefore, rule.level,
                                                                 SensitiveLevelChange::Restored, ctx.clock));
        if (!outcome.status) {
            prompts.MsgBox(QStringLiteral("There is some kind of problem") + CrLf +
                               QStringLiteral("trying to restore ") + files[outcome.failedAt].to + CrLf +
                               CrLf + NotRestoredNote(ctx.io, s.AppTitle, outcome.notPutBack),
                           MsgButtons::OKOnly, MsgIcon::Exclamation, QStringLiteral("File Restore Error"));
            cancelReason = cancelled;
        }
    }

    const bool completed = cancelReason.isEmpty();
    if (completed)
        cancelReason = QStringLiteral("Your previously backed up ") + CrLf + s.AppTitle +
                       QStringLiteral(" data files") + CrLf +
                       QStringLiteral("has been successfully restored!");
    prompts.MsgBox(cancelReason, MsgButtons::OKOnly, MsgIcon::None, s.AppTitle);
    if (completed && afterRestore)
        afterRestore();
}
