// The main window shell: what the signed-in user sees, quitting, and going back to the admin window.
#include "app/frmmain.h"
#include "app/programwindows.h"
#include "core/programstate.h"
#include "data/folderlock.h"
#include "data/personnelfile.h"
#include "data/userlist.h"
#include "list/listbuilder.h"
#include "records/recordpage.h"
#include "settings/settingsstore.h"
#include "support/programtest.h"
#include "support/recordsfile.h"
#include "support/scriptedprompts.h"
#include "support/testprogram.h"
#include "support/testsupport.h"
#include "support/useractions.h"
#include "ui/fade.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/tabcontrol.h"
#include "ui/twips.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QWindow>
#include <QtTest>

#include <fcntl.h>
#include <optional>

namespace {
void AddEmployees(int count) {
    std::vector<PersonnelRecord> staff(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        staff[std::size_t(i)].SetFirstName(QStringLiteral("E%1").arg(i));
    AppendRecords(staff);
}

const QString QuitText = QStringLiteral("This will close Rosterly.\r\n\r\nIs this what you want to do?");
} // namespace

class TestMainWindow : public ProgramTest {
    Q_OBJECT

private slots:
    void firstActivationShowsUserCaptionsAndTips() {
        AddEmployees(2);
        p->settings.SaveSetting(QStringLiteral("Rosterly"), QStringLiteral("Defaults"),
                                QStringLiteral("Organization"), QStringLiteral("Acme Staffing"));
        frmMain* w = OpenMainWindow(*p, 2);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Rosterly - Acme Staffing"));
        QCOMPARE(w->lblUserInfo->text(), QStringLiteral("User: Ann Lee\nAccess: Read/Edit"));
        QCOMPARE(w->tabMain->tabText(0), QStringLiteral("Employee List"));
        QCOMPARE(w->tabMain->Tab(), 0);
        QCOMPARE(
            w->lblListDisplayHeading->text(),
            QStringLiteral("Filter the 'Employee List' by selecting the various display options below..."));
        QCOMPARE(w->cmdAddEmployee->Caption(), QStringLiteral("&Add Employee\r\nto the List"));
        QCOMPARE(w->cmdPrintUpdateForms->Caption(), QStringLiteral("Print Annual\r\nUpdate form(s)"));
        // Alt+A adds an employee, Alt+P prints this info: the admin window and the label take
        // other keys.
        QCOMPARE(w->cmdAdminWindow->Caption(), QStringLiteral("A&dmin Window"));
        QCOMPARE(w->cmdPrintLabel->Caption(), QStringLiteral("Print an\r\nAddress &Label..."));
        QCOMPARE(w->cmdPicAddEdit[2]->Caption(), QStringLiteral("Edit this Picture"));
        QCOMPARE(w->cmdQuit->toolTip(), QStringLiteral(" Click here to exit Rosterly "));
        QCOMPARE(w->cmdAdminWindow->toolTip(), QStringLiteral(" Return to the Admin Window "));
        QCOMPARE(w->cmdHelp->toolTip(), QStringLiteral(" Click here for information "));
        QCOMPARE(w->cmdBackupRestore->toolTip(),
                 QStringLiteral(" Backup and Restore Options (Full access level privileges required) "));
        QVERIFY(w->cmdBackupRestore->isVisible()); // the data file exists
        QCOMPARE(w->width(), TwipsToPixelsX(10455, w));
    }

    void commandsFollowTheAccessLevel_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("employees");
        QTest::addColumn<bool>("readOnlyCopy"); // another copy holds the folder
        QTest::newRow("read only, two employees") << 1 << 2 << false;
        QTest::newRow("read/edit/add, one employee") << 3 << 1 << false;
        QTest::newRow("full, two employees") << 4 << 2 << false;
        QTest::newRow("full, no employees") << 4 << 0 << false;
        QTest::newRow("full, two employees, read-only copy") << 4 << 2 << true;
        QTest::newRow("full, no employees, read-only copy") << 4 << 0 << true;
    }
    void commandsFollowTheAccessLevel() {
        QFETCH(int, level);
        QFETCH(int, employees);
        QFETCH(bool, readOnlyCopy);
        if (readOnlyCopy)
            p->MakeReadOnly(QStringLiteral("ann on frontdesk"));
        if (employees > 0)
            AddEmployees(employees);
        if (employees == 0)
            p->prompts.Answer(MsgAnswer::OK); // "Database is empty"
        frmMain* w = OpenMainWindow(*p, static_cast<qint16>(level), QStringLiteral("Bo Day"));
        QVERIFY(w);
        QCOMPARE(p->prompts.Pending(), 0);
        QVERIFY(w->cmdAddEmployee->isVisible());
        QCOMPARE(w->cmdAddEmployee->isEnabled(), level >= 3 && !readOnlyCopy);
        QCOMPARE(w->cmdRemoveEmployee->isVisible(), employees >= 1);
        QCOMPARE(w->cmdRemoveEmployee->isEnabled(), level == 4 && !readOnlyCopy);
        QCOMPARE(w->cmdPrintList->isVisible(), employees >= 2);
        QCOMPARE(w->cmdEditEntry->isVisible(), employees >= 1);
        QCOMPARE(w->cmdEditEntry->isEnabled(), level >= 2 && !readOnlyCopy);
        QCOMPARE(w->cmdPrintEntry->isVisible(), employees >= 1);
        QCOMPARE(w->cmdPrintEntry->isEnabled(), true);
        QCOMPARE(w->cmdBackupRestore->isVisible(), employees > 0);
        QCOMPARE(w->cmdBackupRestore->isEnabled(), !readOnlyCopy);
        QCOMPARE(w->cmdPicAddEdit[1]->isEnabled(), employees == 0 || (level >= 3 && !readOnlyCopy));
        QCOMPARE(w->windowTitle(),
                 readOnlyCopy
                     ? QStringLiteral("Rosterly - Your Organization - Read-only \u2014 ann on frontdesk "
                                      "is working on the files")
                     : QStringLiteral("Rosterly - Your Organization"));
    }

    // Ctrl+Tab and Ctrl+Shift+Tab switch the main tabs from anywhere in the window (a bottom
    // button, the record page); Ctrl+PgDn and Ctrl+PgUp the record page's tabs; a control the
    // switch hides leaves the focus on the tabs.
    void tabsSwitchByKeyFromAnywhere() {
        WriteStaff({{QStringLiteral("Lee"), QStringLiteral("Ann"), {1968, 3, 7}, {2000, 1, 3}}});
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        TabControl* record = w->recordPage->tabNameInfo;
        const auto press = [](QWidget* at, Qt::Key key, Qt::KeyboardModifiers mods) {
            at->setFocus();
            QTest::keyClick(at, key, mods);
        };
        press(w->cmdHelp, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(w->tabMain->Tab(), 1);
        press(w->cmdQuit, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w->tabMain->Tab(), 0);
        QLineEdit* first = FindControl<QLineEdit>(w, QStringLiteral("txtField(1)"));
        press(first, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(record->Tab(), 1);
        QCOMPARE(w->tabMain->Tab(), 0);
        press(FindControl<QLineEdit>(w, QStringLiteral("txtField(12)")), Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(record->Tab(), 0);
        press(record->tabBar(), Qt::Key_Tab, Qt::ControlModifier); // the record page's own tabs
        QCOMPARE(record->Tab(), 1);
        QCOMPARE(w->tabMain->Tab(), 0);
        press(record->tabBar(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        press(first, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(w->tabMain->Tab(), 1);
        QCOMPARE(QApplication::focusWidget(), w->tabMain->tabBar());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w->tabMain->Tab(), 0);
    }

    // Two windows on one folder: the copy that found it held reads it, follows each save of the
    // other within two seconds keeping its highlight and view, waits out a change under way, writes
    // nothing but its log line, and takes the folder over once the other lets it go.
    void readOnlyCopyFollowsTheWriterAndTakesOver() {
        std::vector<StaffMember> staff;
        for (int i = 0; i < 40; ++i)
            staff.push_back({QStringLiteral("Name%1").arg(i, 2, 10, QLatin1Char('0')),
                             QStringLiteral("Ann"),
                             {1970, 1, 1},
                             {2000, 1, 3}});
        WriteStaff(staff);
        std::optional<DataFolderLock> held(std::in_place, QDir::currentPath());
        QVERIFY(held->TryAcquire());
        QVERIFY(OpenMainWindow(*p, 4));
        TestProgram r(folder->Path());
        r.MakeReadOnly(QStringLiteral("ann on frontdesk"));
        std::optional<DataFolderLock> taken;
        r.windows.SetTakeOver([&] {
            taken.emplace(QDir::currentPath());
            return taken->TryAcquire();
        });
        frmMain* w = OpenMainWindow(r, 4, QStringLiteral("Bo Day"));
        QVERIFY(w);
        w->grid->SetRow(20);
        w->grid->SetTopRow(10);
        const qint32 shown = w->List().RecordNumber(19);
        QCOMPARE(w->recordPage->FieldText(PersonnelField::LastName).trimmed(), QStringLiteral("Name19"));

        // An edit saved by the writer: the row and the record page follow, the view stays.
        PersonnelFile& file = p->personnel;
        QVERIFY(file.OpenPersonnelFileUncounted() && file.ReadPersonnelRecord(shown));
        file.Record().SetFirstName(QStringLiteral("Zoe"));
        QVERIFY(file.WritePersonnelRecord(shown));
        file.ClosePersonnelFile();
        QTRY_COMPARE_WITH_TIMEOUT(w->recordPage->FieldText(PersonnelField::FirstName).trimmed(),
                                  QStringLiteral("Zoe"), 2000);
        QCOMPARE(w->grid->Row(), 20);
        QCOMPARE(w->grid->TopRow(), 10);
        QCOMPARE(w->grid->Rows(), 41);
        // A history index gone stale is the writer's to rebuild: the reader replays the history in
        // memory and finds the same employee.
        qint64 employee = 0, replayed = 0;
        QVERIFY(file.OpenPersonnelFileUncounted() && file.EmployeeNumber(shown, &employee));
        file.ClosePersonnelFile();
        QVERIFY(employee > 0 && QFile::remove(HistoryIndexFileName));
        QVERIFY(r.personnel.OpenPersonnelFileUncounted() && r.personnel.EmployeeNumber(shown, &replayed));
        r.personnel.ClosePersonnelFile();
        QCOMPARE(replayed, employee);
        QVERIFY(!QFile::exists(HistoryIndexFileName));

        // A change under way (a restore's journal) is waited out, then followed; a removal before
        // the highlighted employee moves the highlight with them.
        WriteBytes(RestoreJournalFileName, QByteArray());
        r.personnel.SetReadOnly(true, 0);
        QCOMPARE(
            r.personnel.OpenPersonnelFileUncounted().Message(),
            QStringLiteral("Could not read the file \"Rosterly.Data\".\r\nAnother copy of the program is "
                           "still changing it."));
        r.personnel.SetReadOnly(true);
        QVERIFY(file.OpenPersonnelFileUncounted() && file.RemovePersonnelRecord(1));
        QFile::remove(RestoreJournalFileName);
        QTRY_COMPARE_WITH_TIMEOUT(w->grid->Rows(), 40, 2000);
        QCOMPARE(w->recordPage->FieldText(PersonnelField::FirstName).trimmed(), QStringLiteral("Zoe"));
        QCOMPARE(w->grid->Row(), 19);
        QCOMPARE(w->grid->TopRow(), 10);

        // Nothing it does writes a data file; its sign-in line is appended whole, after the writer's.
        QCOMPARE(r.shared.Open(PersonnelFileName, O_RDWR | O_TRUNC, 0), -1);
        QCOMPARE(r.shared.Remove(HistoryIndexFileName), -1);
        WriteBytes(UserLogFileName, "writer line\r\n");
        QVERIFY(WriteUserLogEntry(r.shared, QStringLiteral("Bo Day"), 4, 1, r.clock));
        QVERIFY(ReadFileBytes(UserLogFileName).startsWith("writer line\r\n"));
        QCOMPARE(ReadFileBytes(UserLogFileName).count("\r\n"), 2);
        QCOMPARE(r.prompts.Pending(), 0);

        // The writer lets the folder go: the copy offers to write, and does once the user says yes.
        r.prompts.Answer(MsgAnswer::Yes);
        held.reset();
        QTRY_VERIFY_WITH_TIMEOUT(w->cmdAddEmployee->isEnabled(), 2000);
        QCOMPARE(r.prompts.Asked().last().text,
                 QStringLiteral("ann on frontdesk has finished working with the files.\r\n\r\nDo you want to "
                                "switch to read/write, so that you can change them here?"));
        QCOMPARE(r.prompts.Asked().last().title, QStringLiteral("Data Folder Free"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Rosterly - Your Organization"));
        QVERIFY(w->cmdEditEntry->isEnabled());
        QVERIFY(w->cmdRemoveEmployee->isEnabled());
        QVERIFY(w->cmdBackupRestore->isEnabled());
        QCOMPARE(w->grid->Row(), 19);
        QCOMPARE(r.state.ReadOnly, false);
        r.windows.ExitProgram();
    }

    void quitAnsweredNoChangesNothing() {
        AddEmployees(1); // an empty file would add its own notice
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::No);
        QTest::mouseClick(w->cmdQuit, Qt::LeftButton);
        QCOMPARE(p->prompts.Asked().size(), 1);
        QCOMPARE(p->prompts.Asked().first().title, QStringLiteral("Exit Rosterly?"));
        QCOMPARE(p->prompts.Asked().first().text, QuitText);
        QCOMPARE(p->prompts.Asked().first().icon, MsgIcon::Question);
        QCOMPARE(p->prompts.Asked().first().buttons, MsgButtons::YesNo);
        QCOMPARE(p->ended, 0);
        QVERIFY(w->isVisible());
        QVERIFY(!QFile::exists(QStringLiteral("User.Log")));
    }

    void quitAnsweredYesLogsOutAndEnds() {
        AddEmployees(1); // an empty file would add its own notice
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::Yes);
        QTest::keyClick(w->cmdQuit, Qt::Key_Space);
        QCOMPARE(p->ended, 1);
        QCOMPARE(ReadFileBytes(QStringLiteral("User.Log")),
                 QByteArray("12/08/2026 at 17:05:09 - Ann Lee logged out.\r\n"));
        QTRY_VERIFY(p->windows.MainWindow() == nullptr);
    }

    void closeBoxAsksTheQuitQuestion() {
        AddEmployees(1); // an empty file would add its own notice
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::No);
        // The close box: a close the program itself did not ask for.
        QVERIFY(!w->windowHandle()->close());
        QTRY_COMPARE(p->prompts.Asked().size(), 1);
        QCOMPARE(p->prompts.Asked().first().text, QuitText);
        QVERIFY(w->isVisible());
    }

    void backToTheAdminWindow() {
        AddEmployees(1);
        AddUserRecord(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("pass1"), 4);
        frmMain* w = OpenMainWindow(*p, 1);
        QVERIFY(w);
        QTest::mouseClick(w->cmdAdminWindow, Qt::LeftButton);
        QTRY_VERIFY(p->windows.MainWindow() == nullptr);
        QVERIFY(p->windows.AdminWindow() != nullptr);
        QCOMPARE(p->ended, 0);
        QCOMPARE(ReadFileBytes(QStringLiteral("User.Log")),
                 QByteArray("12/08/2026 at 17:05:09 - Ann Lee logged out.\r\n"));
    }

    void fadesEndInTheRightPlace() {
        AddEmployees(1);
        AddUserRecord(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("pass1"), 4);
        p->SetFades(true);
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        QVERIFY(p->state.FadeEnabled);
        QSignalSpy fadeIn(w->Fade(), &WindowFade::AlphaApplied);
        QTRY_VERIFY(!w->Fade()->IsFading() && fadeIn.size() == 22); // 0 to 255 by 12
        QVERIFY(w->isEnabled());

        // Back to the admin window: the caption goes into cmdAdminWindow's Tag and the end of
        // the fade shows the admin window.
        QTest::mouseClick(w->cmdAdminWindow, Qt::LeftButton);
        QCOMPARE(w->cmdAdminWindow->Tag, w->windowTitle());
        QVERIFY(p->windows.AdminWindow() == nullptr);
        QTRY_VERIFY(p->windows.AdminWindow() != nullptr);
        QVERIFY(p->windows.MainWindow() == nullptr);
        QCOMPARE(p->ended, 0);

        // Quit: the dim is waited for before the question; Yes fades out from 230 and ends.
        frmMain* again = OpenMainWindow(*p, 4);
        QVERIFY(again);
        QTRY_VERIFY(!again->Fade()->IsFading());
        QSignalSpy alphas(again->Fade(), &WindowFade::AlphaApplied);
        p->prompts.Answer(MsgAnswer::Yes);
        QTest::mouseClick(again->cmdQuit, Qt::LeftButton);
        QCOMPARE(alphas.size(), 19); // 255 to 217 by 2, finished before the question
        QCOMPARE(alphas.last().first().toInt(), 217);
        QTRY_COMPARE(p->ended, 1);
        QCOMPARE(alphas.at(19).first().toInt(), 218);
    }

    void restoreBringsBackTheFilesAndRebuildsTheList() {
        AddEmployees(3);
        AddUserRecord(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("pass1"), 4);
        QFile log(QStringLiteral("User.Log"));
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write("12/01/2026 at 08:00:00 - Ann Lee logged out.\r\n");
        log.close();
        const QString backup = folder->FilePath(QStringLiteral("backup"));
        QVERIFY(QDir().mkdir(backup));
        for (const char* name : {"Rosterly.Data", "User.List", "User.Log"})
            QVERIFY(QFile::copy(QString::fromLatin1(name),
                                backup + QLatin1Char('/') + QString::fromLatin1(name)));
        QVERIFY(QFile::remove(QStringLiteral("Rosterly.Data")));
        AddEmployees(1);

        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        QCOMPARE(w->grid->Rows(), 2);
        p->prompts.AnswerFolder(backup).Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK);
        QTimer::singleShot(0, w, [] {
            QMenu* menu = nullptr;
            QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
            QAction* restore = menu->findChild<QAction*>(QStringLiteral("menuBackupRestore(2)"));
            QVERIFY(restore);
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(restore).center());
        });
        QTest::mouseClick(w->cmdBackupRestore, Qt::LeftButton);
        QTRY_COMPARE(p->prompts.Pending(), 0);
        QCOMPARE(p->prompts.Asked().last().text.contains(QStringLiteral("restored")), true);
        QCOMPARE(w->grid->Rows(), 4); // the restored three employees
        QCOMPARE(ReadFileBytes(QStringLiteral("Rosterly.Data")),
                 ReadFileBytes(backup + QStringLiteral("/Rosterly.Data")));
        QCOMPARE(w->lblUserInfo->text(), QStringLiteral("User: Ann Lee\nAccess: Read/Edit/Add/Delete"));
        QVERIFY(w->isEnabled());
    }

    void backupNeedsFullAccess() {
        AddEmployees(1);
        frmMain* w = OpenMainWindow(*p, 3, QStringLiteral("Bo Day"));
        QVERIFY(w);
        p->prompts.Answer(MsgAnswer::OK);
        QTest::mouseClick(w->cmdBackupRestore, Qt::LeftButton);
        QCOMPARE(p->prompts.Asked().size(), 1);
        QCOMPARE(p->prompts.Asked()[0].title, QStringLiteral("Current Access Level Inadequate"));
        QCOMPARE(p->prompts.Asked()[0].text,
                 QStringLiteral("Full access level privileges\r\nare required to use this feature."));
        QCOMPARE(p->prompts.Asked()[0].icon, MsgIcon::Critical);
    }

    void fitToScreenStretchesTheListPage() {
        p->state.CurrentAccessLevel = 4;
        p->windows.ShowMainWindow();
        frmMain* w = p->windows.MainWindow();
        const int tabBefore = 8190;     // the designed height of tabMain
        w->SetScreenHeightTwips(15600); // 1040 pixels at 96 dpi
        w->FitToScreen();
        const int d = 12000 - 9000; // 15600 / 1.3
        QCOMPARE(PixelsToTwipsY(w->height(), w), 12000);
        QVERIFY(qAbs(PixelsToTwipsY(w->tabMain->height(), w) - (tabBefore + d)) <= 15);
        const int frame1Bottom = PixelsToTwipsY(w->frame[1]->y() + w->frame[1]->height(), w);
        QVERIFY(qAbs(PixelsToTwipsY(w->frame[2]->y(), w) - (frame1Bottom + 100)) <= 30);
        QVERIFY(qAbs(PixelsToTwipsY(w->cmdRemoveEmployee->y(), w) -
                     (PixelsToTwipsY(w->frame[1]->height(), w) - 850)) <= 15);
        // The options page takes the designed height again.
        w->tabMain->setCurrentIndex(1);
        w->FitToScreen();
        QCOMPARE(PixelsToTwipsY(w->height(), w), 9000);
        QVERIFY(qAbs(PixelsToTwipsY(w->tabMain->height(), w) - tabBefore) <= 15);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
