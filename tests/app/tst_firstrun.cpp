// The whole first run, driven as a user would: no files at all, through the title window and
// the admin window to the first user, sign-in, the main window, the first employee added with
// the keyboard alone, another sign-in, and quitting.
#include "app/frmmain.h"
#include "app/frmtitlepage.h"
#include "records/recordeditor.h"
#include "records/recordpage.h"
#include "support/testprogram.h"
#include "support/testsupport.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/tabcontrol.h"
#include "users/frmaddedituser.h"
#include "users/frmadmin.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

namespace {
// Fills and saves the add-user dialog once it is up.
void FillAddUserDialogWhenShown(const QString& first, const QString& last, const QString& password,
                                int level) {
    QTimer::singleShot(0, [=] {
        QWidget* dialog = nullptr;
        QTRY_VERIFY((dialog = qobject_cast<frmAddEditUser*>(QApplication::activeModalWidget())) != nullptr);
        auto box = [&](int i) {
            return dialog->findChild<QLineEdit*>(QStringLiteral("txtField(%1)").arg(i));
        };
        QTest::keyClicks(box(1), first);
        QTest::keyClicks(box(2), last);
        box(3)->setFocus(); // entering the box shows the hint, selected, so typing replaces it
        QTest::keyClicks(box(3), password);
        QTest::mouseClick(dialog->findChild<QRadioButton*>(QStringLiteral("optAccessLevel(%1)").arg(level)),
                          Qt::LeftButton);
        auto* save = dialog->findChild<OrvicButton*>(QStringLiteral("cmdSave"));
        QVERIFY(save->isEnabled());
        QTest::mouseClick(save, Qt::LeftButton);
    });
}

void SignIn(frmAdmin* admin, const QString& password) {
    QTest::mouseClick(admin->cmdUserSelected, Qt::LeftButton);
    QVERIFY(admin->txtPassword->isVisible());
    QVERIFY(admin->txtPassword->hasFocus());
    QTest::keyClicks(admin->txtPassword, password);
    QTest::keyClick(admin->txtPassword, Qt::Key_Return);
}
} // namespace

class TestFirstRun : public QObject {
    Q_OBJECT

private slots:
    void fromNothingToTwoSignIns() {
        TempDataFolder folder;
        TestProgram p(folder.Path(), QDateTime(QDate(2026, 12, 8), QTime(9, 15, 30)));
        p.settings.SaveSetting(QStringLiteral("Rosterly"), QStringLiteral("Defaults"),
                               QStringLiteral("AccessCode"), QStringLiteral("482913"));

        // Title window, then the admin window with its empty-list notice.
        p.windows.ShowTitleWindow();
        frmTitlePage* title = p.windows.TitleWindow();
        QVERIFY(QTest::qWaitForWindowExposed(title));
        title->SetScreenSizeForCheck(QSize(1024, 768));
        p.prompts.Answer(MsgAnswer::OK);
        QTest::keyClick(title->cmdContinue, Qt::Key_Space);
        QTRY_VERIFY(p.windows.AdminWindow() && p.windows.AdminWindow()->IsActivated());
        frmAdmin* admin = p.windows.AdminWindow();
        QCOMPARE(p.prompts.Asked().size(), 1);
        QCOMPARE(p.prompts.Asked()[0].title, QStringLiteral("'User List' Empty"));
        QCOMPARE(p.prompts.Asked()[0].text,
                 QStringLiteral("There are currently no 'Users'\r\nentered in the 'User List'"));
        QCOMPARE(p.prompts.Asked()[0].icon, MsgIcon::Information);
        QVERIFY(!admin->grid->isVisible());
        QVERIFY(!admin->cmdUserSelected->isVisible());

        // A wrong access code is refused and asked again; the right one opens the add-user dialog.
        p.prompts.AnswerInput(QStringLiteral("<Enter Access Code Here>"))
            .Answer(MsgAnswer::OK)
            .AnswerInput(QStringLiteral("482913"));
        FillAddUserDialogWhenShown(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("Pass12"), 4);
        QTest::mouseClick(admin->cmdAdmin, Qt::LeftButton);
        QCOMPARE(p.prompts.Pending(), 0);
        QCOMPARE(p.prompts.Asked()[1].title, QStringLiteral("Access Code Required"));
        QCOMPARE(p.prompts.Asked()[1].text,
                 QStringLiteral("\r\nPlease enter the access code\r\nneeded to add/edit/delete"
                                "\r\nusers in this 'User List'"));
        QCOMPARE(p.prompts.Asked()[2].title, QStringLiteral("Incorrect Access Code"));
        QCOMPARE(p.prompts.Asked()[2].text,
                 QStringLiteral("Sorry, but you have not entered\r\nthe correct Access Code."));
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);

        // The first user, exactly as stored.
        const QByteArray list = ReadFileBytes(QStringLiteral("User.List"));
        QCOMPARE(list.size(), 500);
        UserRecord stored;
        std::copy(list.begin(), list.end(), stored.data());
        QCOMPARE(stored.DateCreated(), p.clock.NowOle());
        QCOMPARE(QByteArray(list.constData() + 8, 15), QByteArray("Ann            "));
        QCOMPARE(QByteArray(list.constData() + 23, 20), QByteArray("Lee                 "));
        QCOMPARE(stored.AccessLevel(), qint16(4));
        const QString scrambled = stored.Password();
        QCOMPARE(scrambled.size(), 12);
        QString spelled;
        for (int i = 1; i < scrambled.size(); i += 2)
            spelled += scrambled[i];
        QCOMPARE(spelled, QStringLiteral("Pass12"));
        QVERIFY(admin->grid->isVisible());
        QCOMPARE(admin->grid->TextMatrix(1, 0), QStringLiteral("Ann Lee"));

        // Leave administration mode, then sign in with a wrong and then the right password.
        QTest::mouseClick(admin->cmdAdmin, Qt::LeftButton);
        QVERIFY(!admin->IsAdminMode());
        const int asked = p.prompts.Asked().size();
        p.prompts.Answer(MsgAnswer::OK);
        SignIn(admin, QStringLiteral("pass12"));
        QCOMPARE(p.prompts.Asked().size(), asked + 1);
        QCOMPARE(p.prompts.Asked().last().title, QStringLiteral("Incorrect Password"));
        QCOMPARE(p.prompts.Asked().last().text,
                 QStringLiteral("That is not the correct password\r\nassociated with this name"));
        QVERIFY(admin->txtPassword->text().isEmpty());
        // No employee is on file yet: the main window says so once it is up.
        p.prompts.Answer(MsgAnswer::OK);
        QTest::keyClicks(admin->txtPassword, QStringLiteral("Pass12"));
        QTest::keyClick(admin->txtPassword, Qt::Key_Return);
        QTRY_VERIFY(p.windows.MainWindow() != nullptr);
        QTRY_VERIFY(p.windows.AdminWindow() == nullptr);
        frmMain* main = p.windows.MainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        QTRY_VERIFY(main->IsActivated());
        QCOMPARE(p.prompts.Asked().last().title, QStringLiteral("Database is empty"));
        QVERIFY(!main->tabMain->isTabEnabled(1));
        QCOMPARE(main->lblUserInfo->text(), QStringLiteral("User: Ann Lee\nAccess: Read/Edit/Add/Delete"));
        QVERIFY(main->cmdAddEmployee->isEnabled());

        // The first employee with the keyboard alone: Alt+A adds, Tab goes through the boxes as
        // the screen reads them, Ctrl+PgDn reaches the job tab, Tab the save button.
        const auto focused = [] {
            return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        };
        QVERIFY(QTest::qWaitForWindowActive(main));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : main, Qt::Key_A,
                        Qt::AltModifier);
        QTRY_VERIFY(main->Editor().IsAdding());
        QCOMPARE(focused(), QStringLiteral("txtField(1)"));
        const std::pair<const char*, const char*> typed[] = {
            {"txtField(1)", "Carla"}, {"txtField(2)", ""},  {"txtField(3)", "Nunez"},     {"txtField(4)", ""},
            {"txtField(5)", "H"},     {"txtField(6)", "F"}, {"txtField(7)", "03/07/1968"}};
        for (const auto& [box, text] : typed) {
            QCOMPARE(focused(), QString::fromLatin1(box));
            QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(text));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(main->recordPage->tabNameInfo->Tab(), 2);
        QWidget* hired = main->findChild<QLineEdit*>(QStringLiteral("txtField(19)"));
        while (QApplication::focusWidget() != hired && focused().startsWith(u"txtField"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(focused(), QStringLiteral("txtField(19)"));
        QTest::keyClicks(hired, QStringLiteral("04/15/2010"));
        // "Save this new entry" has no access key: Tab reaches it, Space presses it.
        for (int i = 0; i < 40 && QApplication::focusWidget() != main->cmdAddEditSave; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), main->cmdAddEditSave);
        QTest::keyClick(main->cmdAddEditSave, Qt::Key_Space);
        QTRY_VERIFY(!main->Editor().IsAdding());
        QCOMPARE(main->grid->TextMatrix(1, 0), QStringLiteral("Nunez, Carla"));
        // Alt+P prints the new employee's report (an access key clicks after a short delay).
        p.prompts.Answer(MsgAnswer::Yes);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::AltModifier);
        QTRY_COMPARE(p.printer.Documents(), 1);
        QCOMPARE(p.prompts.Asked().last().text, QStringLiteral("Is your printer ready?"));
        QStringList printed;
        for (const RecordingPrinter::Item& item : p.printer.Texts())
            printed << item.text;
        QCOMPARE(printed.join(u'|'),
                 QStringLiteral("Rosterly information report, |12/8/2026 9:15:30 AM|First Name:  Carla|"
                                "Last Name:  Nunez|Race:  H|Sex:  F|Date of Birth:  03/07/1968|"
                                "In case of emergency, contact--|Date of Employment:  04/15/2010|"
                                "Status:  |Current Employee"));

        // Back to the admin window by keyboard too; a read-only user signs in: Alt+D, Alt+S, the
        // password, Enter.
        AddUserRecord(QStringLiteral("Zed"), QStringLiteral("Avery"), QStringLiteral("zed1"), 1);
        p.clock.Set(QDateTime(QDate(2026, 12, 8), QTime(9, 20, 0)));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
        QTRY_VERIFY(p.windows.AdminWindow() && p.windows.AdminWindow()->IsActivated());
        admin = p.windows.AdminWindow();
        QCOMPARE(admin->grid->TextMatrix(1, 0), QStringLiteral("Zed Avery")); // Avery sorts before Lee
        QCOMPARE(admin->grid->Row(), 1);
        p.clock.Set(QDateTime(QDate(2026, 12, 8), QTime(9, 21, 5)));
        QVERIFY(QTest::qWaitForWindowActive(admin));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(admin->txtPassword->hasFocus());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("zed1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(p.windows.MainWindow() != nullptr && p.windows.AdminWindow() == nullptr);
        main = p.windows.MainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        QTRY_VERIFY(main->IsActivated());
        QCOMPARE(main->grid->TextMatrix(1, 0), QStringLiteral("Nunez, Carla"));
        QCOMPARE(main->lblUserInfo->text(), QStringLiteral("User: Zed Avery\nAccess: Read Only"));
        QVERIFY(!main->cmdAddEmployee->isEnabled());

        // Alt+Q quits.
        p.clock.Set(QDateTime(QDate(2026, 12, 8), QTime(9, 30, 45)));
        p.prompts.Answer(MsgAnswer::Yes);
        QVERIFY(QTest::qWaitForWindowActive(main));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::AltModifier);
        QTRY_COMPARE(p.ended, 1);
        QCOMPARE(
            ReadFileBytes(QStringLiteral("User.Log")),
            QByteArray("12/08/2026 at 09:15:30 - Ann Lee logged in w/ Read/Edit/Add/Delete privileges.\r\n"
                       "12/08/2026 at 09:20:00 - Ann Lee logged out.\r\n"
                       "12/08/2026 at 09:21:05 - Zed Avery logged in w/ Read Only privileges.\r\n"
                       "12/08/2026 at 09:30:45 - Zed Avery logged out.\r\n"));
        QCOMPARE(p.prompts.Pending(), 0);
    }
};

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
