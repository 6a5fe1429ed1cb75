// The admin window: the user list, sign-in, the access code, the log view, fades and quitting.
#include "support/adminfixture.h"
#include "ui/fade.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>

namespace {

void WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class tst_Admin : public QObject {
    Q_OBJECT

private slots:
    void emptyUserListIsReported() {
        AdminFixture f;
        f.prompts.Answer(MsgAnswer::OK);
        QVERIFY(f.Open());
        QCOMPARE(f.prompts.Asked().size(), 1);
        const Prompt& p = f.prompts.Asked().first();
        QCOMPARE(p.text, QStringLiteral("There are currently no 'Users'") + CrLf +
                             QStringLiteral("entered in the 'User List'"));
        QCOMPARE(p.title, QStringLiteral("'User List' Empty"));
        QCOMPARE(p.icon, MsgIcon::Information);
        QCOMPARE(p.buttons, MsgButtons::OKOnly);
        frmAdmin* w = f.window;
        QCOMPARE(w->windowTitle(), QStringLiteral("Rosterly - Admin Window"));
        QVERIFY(w->grid->isHidden());
        QVERIFY(w->cmdUserSelected->isHidden());
        QVERIFY(w->cmdAdmin->isVisible());
        QCOMPARE(w->cmdAdmin->Caption(), QStringLiteral("'&Edit the 'User List'"));
        QCOMPARE(w->cmdAdmin->toolTip(),
                 QStringLiteral(" Click here to Add, Edit/View, and/or Delete Users "));
        QCOMPARE(w->cmdQuit->toolTip(), QStringLiteral(" Click here to exit Rosterly "));
        QCOMPARE(w->cmdHelp->toolTip(),
                 QStringLiteral("Click here for more information about the 'Admin Window'... "));
        // This desktop cannot fade: the box is not offered and the setting is put off.
        QVERIFY(w->chkFadeStatus->isHidden());
        QVERIFY(w->shpFadeStatus->isHidden());
        QCOMPARE(f.Setting(QStringLiteral("FadeStatus")), QStringLiteral("0"));
        QVERIFY(!QFile::exists(QStringLiteral("User.List"))); // looking does not create it
    }

    void usersAreListedByNameSortIgnoringCase() {
        AdminFixture f;
        f.AddUser(QStringLiteral("bob"), QStringLiteral("smith"), 1, QStringLiteral("pass1"));
        f.AddUser(QStringLiteral("Zed"), QStringLiteral("adams"), 4, QStringLiteral("pass2"));
        f.AddUser(QStringLiteral("ann"), QStringLiteral("SMITH"), 2, QStringLiteral("pass3"));
        f.AddUser(QStringLiteral("Al"), QStringLiteral("Jones"), 3, QStringLiteral("pass4"));
        QVERIFY(f.Open());
        Grid* grid = f.window->grid;
        QCOMPARE(f.Column(0), QStringList({QStringLiteral("Zed adams"), QStringLiteral("Al Jones"),
                                           QStringLiteral("ann SMITH"), QStringLiteral("bob smith")}));
        QCOMPARE(f.Column(1),
                 QStringList({QStringLiteral("Read/Edit/Add/Delete"), QStringLiteral("Read/Edit/Add"),
                              QStringLiteral("Read/Edit"), QStringLiteral("Read Only")}));
        QCOMPARE(f.Column(2), QStringList(4, QStringLiteral("01/02/2025")));
        QCOMPARE(f.Column(4), QStringList({QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("3"),
                                           QStringLiteral("1")}));
        QCOMPARE(grid->TextMatrix(0, 2), QStringLiteral("Date Created"));
        // The sort key and record number are pushed out of view; the first row is highlighted.
        QVERIFY(grid->isVisible());
        QVERIFY(!grid->ColIsVisible(3));
        QVERIFY(grid->ColIsVisible(2));
        QVERIFY(grid->ColWidth(0) > 4000);
        QCOMPARE(grid->ColWidth(1), 1900);
        QCOMPARE(grid->ColWidth(2), 1250);
        QCOMPARE(grid->Row(), 1);
        QCOMPARE(grid->ColSel(), 2);
        QCOMPARE(grid->TopRow(), 1);
        QVERIFY(f.window->cmdUserSelected->isVisible());
        QVERIFY(f.window->cmdUserSelected->hasFocus());
        QCOMPARE(f.window->cmdUserSelected->Caption(), QStringLiteral("&Select the Highlighted User"));
        QVERIFY(f.window->cmdEditUser->isHidden());
        QVERIFY(f.prompts.Asked().isEmpty());
    }

    // Last names as the user's language reads them (in Swedish "Å" follows "Z"); equal names,
    // case aside, in file order.
    void usersAreListedInTheLanguagesOrder_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("English") << QLocale(QStringLiteral("en_US"))
                                 << QStringList{QStringLiteral("Eva Ångström"), QStringLiteral("Luis Gómez"),
                                                QStringLiteral("Ana González"), QStringLiteral("Jo peña"),
                                                QStringLiteral("Jo Peña"),      QStringLiteral("Al Zeller")};
        QTest::newRow("Swedish") << QLocale(QStringLiteral("sv_SE"))
                                 << QStringList{QStringLiteral("Luis Gómez"), QStringLiteral("Ana González"),
                                                QStringLiteral("Jo peña"),    QStringLiteral("Jo Peña"),
                                                QStringLiteral("Al Zeller"),  QStringLiteral("Eva Ångström")};
    }
    void usersAreListedInTheLanguagesOrder() {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, expected);
        const QLocale before;
        QLocale::setDefault(locale);
        const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
        AdminFixture f;
        f.AddUser(QStringLiteral("Ana"), QStringLiteral("González"), 1, QStringLiteral("pass1"));
        f.AddUser(QStringLiteral("Jo"), QStringLiteral("peña"), 1, QStringLiteral("pass2"));
        f.AddUser(QStringLiteral("Luis"), QStringLiteral("Gómez"), 1, QStringLiteral("pass3"));
        f.AddUser(QStringLiteral("Eva"), QStringLiteral("Ångström"), 1, QStringLiteral("pass4"));
        f.AddUser(QStringLiteral("Jo"), QStringLiteral("Peña"), 1, QStringLiteral("pass5"));
        f.AddUser(QStringLiteral("Al"), QStringLiteral("Zeller"), 1, QStringLiteral("pass6"));
        QVERIFY(f.Open());
        QCOMPARE(f.Column(0), expected);
    }

    void signInWithWrongThenRightPassword_data() {
        QTest::addColumn<bool>("readOnlyCopy"); // another copy holds the folder and has signed in
        QTest::newRow("the writer") << false;
        QTest::newRow("a read-only copy") << true;
    }
    void signInWithWrongThenRightPassword() {
        QFETCH(bool, readOnlyCopy);
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 4, QStringLiteral("Zz9yY8"));
        f.AddUser(QStringLiteral("Bob"), QStringLiteral("Marsh"), 2, QStringLiteral("Pass1234"));
        const QByteArray logged = readOnlyCopy ? "03/14/2026 at 09:20:00 - Ann Lee logged in.\r\n" : "";
        if (readOnlyCopy) {
            WriteFile(QStringLiteral("User.Log"), logged);
            f.shared.SetWritable(false);
            f.state.ReadOnly = true;
        }
        QVERIFY(f.Open());
        frmAdmin* w = f.window;
        QCOMPARE(w->cmdAdmin->isEnabled(), !readOnlyCopy); // no user list or access code to change
        ClickRow(w->grid, 2);
        Click(w, QStringLiteral("cmdUserSelected"));

        QVERIFY(w->cmdAdmin->isHidden());
        QVERIFY(!w->grid->isEnabled());
        QCOMPARE(w->cmdUserSelected->Caption(), QStringLiteral("Enter Password at right"));
        QVERIFY(w->cmdUserSelected->FontBold());
        QVERIFY(!w->cmdUserSelected->isEnabled());
        QVERIFY(w->txtPassword->isVisible());
        QVERIFY(w->txtPassword->hasFocus());
        QCOMPARE(w->txtPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(w->txtPassword->maxLength(), 8);
        QCOMPARE(w->txtPassword->font().pointSize(), 20);
        QCOMPARE(w->cmdContinue->Caption(), QStringLiteral("Continue"));
        QVERIFY(w->cmdContinue->isVisible() && !w->cmdContinue->isEnabled());
        QCOMPARE(w->cmdCancel->Caption(), QStringLiteral("Cancel"));
        QVERIFY(w->cmdCancel->isVisible() && w->cmdCancel->isEnabled());

        // Case counts, and a trailing space is not trimmed away.
        const QString wrong = QStringLiteral("That is not the correct password") + CrLf +
                              QStringLiteral("associated with this name");
        for (const QString& typed : {QStringLiteral("pass1234"), QStringLiteral("Pass123 ")}) {
            f.prompts.Answer(MsgAnswer::OK);
            QTest::keyClicks(w->txtPassword, typed);
            Click(w, QStringLiteral("cmdContinue"));
            const Prompt& p = f.prompts.Asked().constLast();
            QCOMPARE(p.text, wrong);
            QCOMPARE(p.title, QStringLiteral("Incorrect Password"));
            QCOMPARE(p.icon, MsgIcon::Critical);
            QVERIFY(w->txtPassword->text().isEmpty());
            QVERIFY(w->txtPassword->hasFocus());
            QVERIFY(!w->cmdContinue->isEnabled());
        }
        QCOMPARE(ReadFileBytes(QStringLiteral("User.Log")), logged);

        QTest::keyClicks(w->txtPassword, QStringLiteral("Pass1234"));
        QCOMPARE(w->txtPassword->displayText(), QStringLiteral("********"));
        Click(w, QStringLiteral("cmdContinue"));
        QCOMPARE(f.prompts.Asked().size(), 2);
        QCOMPARE(ReadFileBytes(QStringLiteral("User.Log")),
                 logged + "03/14/2026 at 09:26:53 - Bob Marsh logged in w/ Read/Edit privileges.\r\n");
        QCOMPARE(f.state.CurrentUserName, QStringLiteral("Bob Marsh"));
        QCOMPARE(f.state.CurrentAccessLevel, qint16(2));
        QCOMPARE(f.flow.mainShown, 1);
        QCOMPARE(f.flow.exits, 0);
        QTRY_VERIFY(f.window.isNull()); // closed and released
    }

    void enterAndEscapeWhileWaitingForPassword() {
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 1, QStringLiteral("abcd"));
        QVERIFY(f.Open());
        frmAdmin* w = f.window;
        const auto expectSelecting = [w] {
            QVERIFY(w->txtPassword->isHidden());
            QVERIFY(w->cmdContinue->isHidden());
            QVERIFY(w->cmdCancel->isHidden());
            QVERIFY(w->cmdAdmin->isVisible());
            QVERIFY(w->grid->isEnabled());
            QCOMPARE(w->cmdUserSelected->Caption(), QStringLiteral("&Select the Highlighted User"));
            QVERIFY(!w->cmdUserSelected->FontBold());
            QVERIFY(w->cmdUserSelected->isEnabled());
        };

        // Empty box: Enter means Cancel. (Alt+S is the selection button's access key.)
        QTest::keyClick(w, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(w->txtPassword->isVisible()); // an access key presses its button visibly
        QVERIFY(w->cmdCancel->isDefault());
        QTest::keyClick(w->txtPassword, Qt::Key_Return);
        expectSelecting();

        // Esc cancels with text typed too.
        Click(w, QStringLiteral("cmdUserSelected"));
        QTest::keyClicks(w->txtPassword, QStringLiteral("x"));
        QVERIFY(w->cmdContinue->isDefault() && !w->cmdCancel->isDefault());
        QTest::keyClick(w->txtPassword, Qt::Key_Escape);
        expectSelecting();

        // With text, Enter means Continue.
        Click(w, QStringLiteral("cmdUserSelected"));
        QTest::keyClicks(w->txtPassword, QStringLiteral("nope"));
        f.prompts.Answer(MsgAnswer::OK);
        QTest::keyClick(w->txtPassword, Qt::Key_Enter);
        QCOMPARE(f.prompts.Asked().size(), 1);
        QCOMPARE(f.prompts.Asked().first().title, QStringLiteral("Incorrect Password"));
        QTest::keyClicks(w->txtPassword, QStringLiteral("abcd"));
        QTest::keyClick(w->txtPassword, Qt::Key_Return);
        QCOMPARE(f.flow.mainShown, 1);
        QCOMPARE(f.state.CurrentUserName, QStringLiteral("Ann Lee"));
    }

    void enterPressesTheDefaultButtonFromAnyControl_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::newRow("password typed: signs in") << QStringLiteral("abcd12") << int(Qt::Key_Return);
        QTest::newRow("empty box: cancels") << QString() << int(Qt::Key_Enter);
    }

    void enterPressesTheDefaultButtonFromAnyControl() {
        QFETCH(QString, typed);
        QFETCH(int, key);
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 1, QStringLiteral("abcd12"));
        QVERIFY(f.Open());
        frmAdmin* w = f.window;
        Click(w, QStringLiteral("cmdUserSelected"));
        QTest::keyClicks(w->txtPassword, typed);
        // Away from the password box to a button that is not the default one.
        for (int tabs = 0; !w->cmdHelp->hasFocus() && tabs < 10; ++tabs)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(w->cmdHelp->hasFocus());

        const auto modifier = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(w->cmdHelp, Qt::Key(key), modifier);
        if (typed.isEmpty()) {
            QVERIFY(w->txtPassword->isHidden());
            QCOMPARE(w->cmdUserSelected->Caption(), QStringLiteral("&Select the Highlighted User"));
            QVERIFY(w->cmdUserSelected->isEnabled());
            QCOMPARE(f.flow.mainShown, 0);
        } else {
            QCOMPARE(f.flow.mainShown, 1);
            QCOMPARE(f.state.CurrentUserName, QStringLiteral("Ann Lee"));
        }
        QVERIFY(f.prompts.Asked().isEmpty());
    }

    // Record numbers never come from text joined with tabs: a tab in a stored name signs in that
    // user, with that user's password and level. A control character in a stored name is shown,
    // signed in with and logged as '?', so that it cannot write a line of its own into the log.
    void controlCharacterInAStoredNameSignsInTheRightUser_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("shown");
        QTest::newRow("tab") << QStringLiteral("Bo\tX") << QStringLiteral("Bo?X Low");
        QTest::newRow("forged log line")
            << QStringLiteral("Eve\r\n12/01/") << QStringLiteral("Eve??12/01/ Low");
    }
    void controlCharacterInAStoredNameSignsInTheRightUser() {
        QFETCH(QString, first);
        QFETCH(QString, shown);
        AdminFixture f;
        f.AddUser(first, QStringLiteral("Low"), 1, QStringLiteral("low111"));
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 4, QStringLiteral("abc123"));
        QVERIFY(f.Open());
        frmAdmin* w = f.window;
        QCOMPARE(w->grid->TextMatrix(2, 0), shown);
        QCOMPARE(w->grid->TextMatrix(2, 4), QStringLiteral("1"));
        ClickRow(w->grid, 2);
        Click(w, QStringLiteral("cmdUserSelected"));
        f.prompts.Answer(MsgAnswer::OK);
        QTest::keyClicks(w->txtPassword, QStringLiteral("abc123"));
        Click(w, QStringLiteral("cmdContinue"));
        QCOMPARE(f.prompts.Asked().constLast().title, QStringLiteral("Incorrect Password"));
        QTest::keyClicks(w->txtPassword, QStringLiteral("low111"));
        Click(w, QStringLiteral("cmdContinue"));
        QCOMPARE(f.state.CurrentUserName, shown);
        QCOMPARE(f.state.CurrentAccessLevel, qint16(1));
        QCOMPARE(f.flow.mainShown, 1);
        QCOMPARE(ReadFileBytes(QStringLiteral("User.Log")),
                 "03/14/2026 at 09:26:53 - " + shown.toLatin1() + " logged in w/ Read Only privileges.\r\n");
    }

    // A level outside 1 to 4 is a damaged list: no sign-in, no log line.
    void unknownAccessLevelIsRefused() {
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 7, QStringLiteral("abc123"));
        QVERIFY(f.Open());
        frmAdmin* w = f.window;
        Click(w, QStringLiteral("cmdUserSelected"));
        f.prompts.Answer(MsgAnswer::OK);
        QTest::keyClicks(w->txtPassword, QStringLiteral("abc123"));
        Click(w, QStringLiteral("cmdContinue"));
        const Prompt& p = f.prompts.Asked().constLast();
        QCOMPARE(p.title, QStringLiteral("User List Damaged"));
        QCOMPARE(p.text,
                 QStringLiteral("The 'User List' is damaged: the access level\r\nof this user can't be "
                                "read.\r\n\r\nPlease ask your administrator to edit this user\r\nand give "
                                "the user an access level again."));
        QCOMPARE(p.icon, MsgIcon::Critical);
        QCOMPARE(f.flow.mainShown, 0);
        QVERIFY(!QFile::exists(QStringLiteral("User.Log")));
    }

    // From the third wrong try in a row, each try waits before it is checked, longer each time;
    // the window keeps handling its events meanwhile.
    void wrongTriesWaitLongerFromTheThird() {
        AdminFixture f;
        f.state.RetryWaitMs = 150;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 4, QStringLiteral("abc123"));
        QVERIFY(f.Open());
        frmAdmin* w = f.window;
        Click(w, QStringLiteral("cmdUserSelected"));
        QList<qint64> took;
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(10);
        for (const QString& typed : {QStringLiteral("x1"), QStringLiteral("x2"), QStringLiteral("x3"),
                                     QStringLiteral("x4"), QStringLiteral("abc123")}) {
            if (typed != QStringLiteral("abc123"))
                f.prompts.Answer(MsgAnswer::OK);
            QTest::keyClicks(w->txtPassword, typed);
            QElapsedTimer clock;
            clock.start();
            Click(w, QStringLiteral("cmdContinue"));
            took << clock.elapsed();
        }
        QVERIFY2(took[0] < 150 && took[1] < 150, qPrintable(QString::number(took[1])));
        QVERIFY2(took[2] >= 150 && took[3] >= 300 && took[4] >= 600, qPrintable(QString::number(took[4])));
        QVERIFY(ticks >= 50); // events ran while it waited
        QCOMPARE(f.flow.mainShown, 1);
    }

    void unwritableLogIsReportedButSignInGoesOn() {
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 1, QStringLiteral("abcd"));
        QVERIFY(QDir().mkdir(QStringLiteral("User.Log"))); // cannot be opened for writing
        QVERIFY(f.Open());
        Click(f.window, QStringLiteral("cmdUserSelected"));
        QTest::keyClicks(f.window->txtPassword, QStringLiteral("abcd"));
        f.prompts.Answer(MsgAnswer::OK);
        Click(f.window, QStringLiteral("cmdContinue"));
        QCOMPARE(f.prompts.Asked().size(), 1);
        const Prompt& p = f.prompts.Asked().first();
        QCOMPARE(p.title, QStringLiteral("File Error"));
        QCOMPARE(p.icon, MsgIcon::Critical);
        QVERIFY2(p.text.contains(QStringLiteral("\"User.Log\"")), qPrintable(p.text));
        QCOMPARE(f.flow.mainShown, 1);
    }

    void gridToolTipAndDoubleClick() {
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 1, QStringLiteral("abcd"));
        f.AddUser(QStringLiteral("Bob"), QStringLiteral("Marsh"), 2, QStringLiteral("efgh"));
        QVERIFY(f.Open());
        Grid* grid = f.window->grid;
        const QPoint overRow2 = grid->visualRect(grid->model()->index(1, 0)).center();
        QTest::mouseMove(grid->viewport(), overRow2);
        QTRY_COMPARE(grid->toolTip(), QStringLiteral(" Double-click to select this User "));
        QTest::mouseMove(grid->horizontalHeader()->viewport(), QPoint(10, 5));
        QTRY_COMPARE(grid->toolTip(), QString());

        f.EnterAdminMode();
        QTest::mouseMove(grid->viewport(), overRow2 + QPoint(1, 0));
        QTRY_COMPARE(grid->toolTip(), QStringLiteral(" Double-click to view/edit this User "));
        // A double click in administration mode opens the user.
        QString caption;
        WhenDialogUp(f.window, [&caption](frmAddEditUser* d) {
            caption = d->windowTitle();
            QCOMPARE(LineBox(d, 1)->text(), QStringLiteral("Bob"));
            Click(d, QStringLiteral("cmdCancel"));
        });
        ClickRow(grid, 2, true);
        QCOMPARE(caption, QStringLiteral("View/Edit this User - Rosterly"));

        // Out of it, a double click selects.
        Click(f.window, QStringLiteral("cmdAdmin"));
        ClickRow(grid, 1, true);
        QCOMPARE(f.window->cmdUserSelected->Caption(), QStringLiteral("Enter Password at right"));
        QTRY_VERIFY(f.window->txtPassword->hasFocus()); // the window has the focus back from the dialog
    }

    void accessCodeIsAskedUntilRightOrEmpty() {
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 1, QStringLiteral("abcd"));
        QVERIFY(f.Open());
        frmAdmin* w = f.window;
        f.prompts.AnswerInput(QStringLiteral("<Enter Access Code Here>")).Answer(MsgAnswer::OK);
        f.prompts.AnswerInput(QStringLiteral("42424")).Answer(MsgAnswer::OK);
        f.prompts.AnswerInput(QString()); // Cancel
        Click(w, QStringLiteral("cmdAdmin"));
        QCOMPARE(f.prompts.Asked().size(), 5);
        const Prompt& ask = f.prompts.Asked().first();
        QCOMPARE(ask.kind, Prompt::Kind::Input);
        QCOMPARE(ask.title, QStringLiteral("Access Code Required"));
        QCOMPARE(ask.text, CrLf + QStringLiteral("Please enter the access code") + CrLf +
                               QStringLiteral("needed to add/edit/delete") + CrLf +
                               QStringLiteral("users in this 'User List'"));
        QCOMPARE(ask.proposed, QStringLiteral("<Enter Access Code Here>"));
        const Prompt& refused = f.prompts.Asked().at(1);
        QCOMPARE(refused.text, QStringLiteral("Sorry, but you have not entered") + CrLf +
                                   QStringLiteral("the correct Access Code."));
        QCOMPARE(refused.title, QStringLiteral("Incorrect Access Code"));
        QCOMPARE(refused.icon, MsgIcon::Critical);
        QVERIFY(!w->IsAdminMode());
        QVERIFY(w->cmdAddUser->isHidden());

        f.EnterAdminMode();
        QCOMPARE(w->cmdAdmin->Caption(), QStringLiteral("Finished w/ '&User List' Admin"));
        QCOMPARE(w->cmdAdmin->toolTip(),
                 QStringLiteral(" Click here when finished with the Admin functions "));
        for (const char* name : {"cmdAddUser", "cmdEditUser", "cmdDeleteUser"})
            QVERIFY(Child(w, QString::fromLatin1(name))->isVisible());
        QCOMPARE(w->cmdAddUser->toolTip(), QStringLiteral(" Add a User to the 'User Name' list "));
        QCOMPARE(w->cmdDeleteUser->Caption(), QStringLiteral("&Delete User"));
        QVERIFY(w->cmdUserSelected->isHidden());
        QVERIFY(w->cmdReviewUserLog->isHidden()); // no "User.Log"
        // The button in use flashes between dark olive and yellow.
        QVERIFY(w->timerFlashButton.isActive());
        QCOMPARE(w->timerFlashButton.interval(), 2);
        QTRY_VERIFY(w->cmdAdmin->BackColor().blue() == 0 && w->cmdAdmin->BackColor().red() > 128);
        QCOMPARE(w->cmdAdmin->BackColor().red(), w->cmdAdmin->BackColor().green());
        // Under the mouse it is teal whatever the flash has reached: its face is all from BackOver.
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(w->cmdAdmin, &enter);
        const QImage hovered = w->cmdAdmin->grab().toImage();
        QCOMPARE(hovered.pixelColor(5, 5), QColor(31, 159, 159));
        QCOMPARE(hovered.pixelColor(w->cmdAdmin->width() / 2, 0), QColor(0, 14, 14));

        Click(w, QStringLiteral("cmdAdmin"));
        QVERIFY(!w->IsAdminMode());
        QVERIFY(!w->timerFlashButton.isActive());
        QCOMPARE(w->cmdAdmin->BackColor(), QColor(0, 128, 128));
        QCOMPARE(w->cmdAdmin->ForeColor(), QColor(Qt::black));
        QCOMPARE(w->cmdAdmin->ForeOver(), QColor(255, 255, 128));
        QVERIFY(w->cmdUserSelected->isVisible());
        QVERIFY(w->cmdAddUser->isHidden());
    }

    // The sensitive-fields level is set from administration mode by keyboard, each change written
    // whole and to the user log; a lost rule is named, and stands at 4 until another is chosen.
    void sensitiveFieldsLevelIsSetInAdministrationMode() {
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 4, QStringLiteral("abcd"));
        f.state.CurrentUserName = QStringLiteral("Ann Lee");
        QVERIFY(f.Open());
        frmAdmin* w = f.window;
        QVERIFY(w->cmdSensitiveFields->isHidden());
        f.EnterAdminMode();
        QVERIFY(w->cmdSensitiveFields->isVisible());
        QCOMPARE(w->cmdSensitiveFields->Caption(), QStringLiteral("Sensitive &Fields..."));
        const auto choose = [&](int downs, bool lost, int shown, Qt::Key end) {
            WhenDialogUp<frmSensitiveFields>(w, [=](frmSensitiveFields* d) {
                QCOMPARE(d->windowTitle(), QStringLiteral("Sensitive Fields - Rosterly"));
                QCOMPARE(d->lblLost->isVisible(), lost);
                QVERIFY(d->optLevel[shown]->isChecked() && d->optLevel[shown]->hasFocus());
                for (int i = 0; i < downs; ++i)
                    QTest::keyClick(QApplication::focusWidget(), downs > 0 ? Qt::Key_Down : Qt::Key_Up);
                QTest::keyClick(QApplication::focusWidget(), end);
            });
            Click(w, QStringLiteral("cmdSensitiveFields"));
        };
        const QByteArray set = "03/14/2026 at 09:26:53 - Ann Lee changed the sensitive-fields level from ";
        choose(2, false, 1, Qt::Key_Return);
        QCOMPARE(ReadFileBytes(QStringLiteral("Rosterly.Privacy")), QByteArray("SensitiveFieldsLevel=3\r\n"));
        QCOMPARE(ReadFileBytes(QStringLiteral("User.Log")), set + "1 to 3.\r\n");
        choose(1, false, 3, Qt::Key_Escape);
        QCOMPARE(ReadFileBytes(QStringLiteral("Rosterly.Privacy")), QByteArray("SensitiveFieldsLevel=3\r\n"));
        QCOMPARE(w->focusWidget(), w->cmdSensitiveFields);

        WriteFile(QStringLiteral("Rosterly.Privacy"), "SensitiveFieldsLevel=9\r\n");
        choose(0, true, 4, Qt::Key_Return);
        QCOMPARE(ReadFileBytes(QStringLiteral("Rosterly.Privacy")), QByteArray("SensitiveFieldsLevel=4\r\n"));
        QCOMPARE(ReadFileBytes(QStringLiteral("User.Log")), set + "1 to 3.\r\n" + set + "4 to 4.\r\n");
        // Written whole over the old rule, owner-only, no scratch file left.
        QCOMPARE(int(QFile::permissions(QStringLiteral("Rosterly.Privacy"))), 0x6600); // rw for the owner alone
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden).join(u' '),
                 QStringLiteral("Rosterly.Privacy User.List User.Log"));
        QCOMPARE(f.prompts.Pending(), 0);
        // While the log is viewed the button makes way, as the other maintenance buttons do.
        Click(w, QStringLiteral("cmdReviewUserLog"));
        QVERIFY(w->IsViewingLog() && w->cmdSensitiveFields->isHidden());
    }

    void userLogReview() {
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 1, QStringLiteral("abcd"));
        WriteFile(QStringLiteral("User.Log"), "  first line\r\nsecond line\r\n  ");
        QVERIFY(f.Open());
        frmAdmin* w = f.window;
        f.EnterAdminMode();
        QVERIFY(w->cmdReviewUserLog->isVisible());
        QCOMPARE(w->cmdReviewUserLog->toolTip(), QStringLiteral(" Review the logged history of Users "));
        Click(w, QStringLiteral("cmdReviewUserLog"));

        QVERIFY(w->IsViewingLog());
        QCOMPARE(w->txtUserLog->toPlainText(), QStringLiteral("first line\nsecond line\n"));
        QVERIFY(w->txtUserLog->isReadOnly());
        QVERIFY(w->txtUserLog->isVisible());
        QCOMPARE(w->txtUserLog->geometry(), w->grid->geometry());
        QVERIFY(w->grid->isHidden());
        QCOMPARE(w->windowTitle(), QStringLiteral("Rosterly - User Log"));
        QCOMPARE(w->cmdReviewUserLog->Caption(), QStringLiteral("Finished Viewing"));
        for (const char* name : {"cmdAdmin", "cmdAddUser", "cmdEditUser", "cmdDeleteUser"})
            QVERIFY(Child(w, QString::fromLatin1(name))->isHidden());

        Click(w, QStringLiteral("cmdReviewUserLog"));
        QVERIFY(!w->IsViewingLog());
        QVERIFY(w->txtUserLog->isHidden());
        QVERIFY(w->txtUserLog->toPlainText().isEmpty());
        QVERIFY(w->grid->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Rosterly - Admin Window"));
        QCOMPARE(w->cmdReviewUserLog->Caption(), QStringLiteral("&Review User Log"));
        QCOMPARE(w->cmdReviewUserLog->ForeColor(), QColor(Qt::black));
        QCOMPARE(w->cmdReviewUserLog->BackColor(), w->cmdReviewUserLog->BackOver());
        for (const char* name : {"cmdAdmin", "cmdAddUser", "cmdEditUser", "cmdDeleteUser"})
            QVERIFY(Child(w, QString::fromLatin1(name))->isVisible());

        // An empty log has nothing to show.
        WriteFile(QStringLiteral("User.Log"), QByteArray());
        f.prompts.Answer(MsgAnswer::OK);
        Click(w, QStringLiteral("cmdReviewUserLog"));
        const Prompt& p = f.prompts.Asked().constLast();
        QCOMPARE(p.text,
                 QStringLiteral("There is currently no data") + CrLf + QStringLiteral("in the 'User Log'."));
        QCOMPARE(p.title, QStringLiteral("Nothing to View"));
        QCOMPARE(p.icon, MsgIcon::Information);
        QVERIFY(!w->IsViewingLog());
        QVERIFY(w->grid->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Rosterly - Admin Window"));
    }

    void fadeCheckBoxStoresTheSetting() {
        AdminFixture f;
        f.state.PlatformCanFade = true;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 1, QStringLiteral("abcd"));
        QVERIFY(f.Open());
        QCheckBox* box = f.window->chkFadeStatus;
        QVERIFY(box->isVisible());
        QCOMPARE(box->text(), QStringLiteral("Enable form fade effects"));
        QCOMPARE(box->toolTip(),
                 QStringLiteral("Check this option if your forms fade in and out too slowly"));
        QVERIFY(!box->isChecked());
        QVERIFY(!f.state.FadeEnabled);
        QCOMPARE(f.window->windowOpacity(), 1.0); // layered, but opaque
        ClickBox(box);
        QCOMPARE(f.Setting(QStringLiteral("FadeStatus")), QStringLiteral("1"));
        QVERIFY(f.state.FadeEnabled);
        ClickBox(box);
        QCOMPARE(f.Setting(QStringLiteral("FadeStatus")), QStringLiteral("0"));
        QVERIFY(!f.state.FadeEnabled);
    }

    void fadingSignInOpensTheMainWindow() {
        AdminFixture f;
        f.state.PlatformCanFade = true;
        f.SaveSetting(QStringLiteral("FadeStatus"), QStringLiteral("1"));
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 3, QStringLiteral("abcd"));
        QVERIFY(f.Open());
        frmAdmin* w = f.window;
        QVERIFY(f.state.FadeEnabled);
        QVERIFY(w->chkFadeStatus->isChecked());
        QTRY_VERIFY(!w->Fade()->IsFading());
        QCOMPARE(w->windowOpacity(), 1.0);

        Click(w, QStringLiteral("cmdUserSelected"));
        QTest::keyClicks(w->txtPassword, QStringLiteral("abcd"));
        QSignalSpy alphas(w->Fade(), &WindowFade::AlphaApplied);
        Click(w, QStringLiteral("cmdContinue"));
        QCOMPARE(w->cmdContinue->Tag, w->windowTitle()); // the hand-over mark
        QCOMPARE(f.flow.mainShown, 0);                   // not before the fade has ended
        QTRY_COMPARE(f.flow.mainShown, 1);
        QCOMPARE(alphas.size(), 22);
        QCOMPARE(alphas.constLast().first().toInt(), 0);
        QCOMPARE(f.flow.exits, 0);
        QTRY_VERIFY(f.window.isNull());
    }

    void quitAsksFirst_data() {
        QTest::addColumn<bool>("fade");
        QTest::newRow("plain") << false;
        QTest::newRow("fading") << true;
    }

    void quitAsksFirst() {
        QFETCH(bool, fade);
        AdminFixture f;
        f.state.PlatformCanFade = fade;
        f.SaveSetting(QStringLiteral("FadeStatus"), QStringLiteral("1"));
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 3, QStringLiteral("abcd"));
        QVERIFY(f.Open());
        QTRY_VERIFY(f.window->isEnabled());

        f.prompts.Answer(MsgAnswer::No);
        Click(f.window, QStringLiteral("cmdQuit"));
        const Prompt& p = f.prompts.Asked().constLast();
        QCOMPARE(p.text, QStringLiteral("This will close Rosterly.") + CrLf + CrLf +
                             QStringLiteral("Is this what you want to do?"));
        QCOMPARE(p.title, QStringLiteral("Exit Rosterly?"));
        QCOMPARE(p.icon, MsgIcon::Question);
        QCOMPARE(p.buttons, MsgButtons::YesNo);
        QVERIFY(f.window->isVisible());

        f.prompts.Answer(MsgAnswer::Yes);
        Click(f.window, QStringLiteral("cmdQuit"));
        QTRY_COMPARE(f.flow.exits, 1);
        QCOMPARE(f.flow.mainShown, 0);
        QVERIFY(!QFile::exists(QStringLiteral("User.Log"))); // no log line for quitting
        QTRY_VERIFY(f.window.isNull());
    }
};

QTEST_MAIN(tst_Admin)
#include "tst_admin.moc"
