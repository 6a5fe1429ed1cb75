// Adding, viewing/editing and removing users from the admin window.
#include "support/adminfixture.h"
#include "support/recordsfile.h"
#include "ui/fade.h"
#include "ui/memobox.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QtEndian>

#include <cstring>

namespace {

QByteArray Field(const QByteArray& record, int offset, int width) {
    return record.mid(offset, width);
}

// The characters at the even positions (1-based) of a stored password.
QByteArray EvenChars(const QByteArray& stored) {
    QByteArray even;
    for (qsizetype i = 1; i < stored.size(); i += 2)
        even += stored.at(i);
    return even;
}

QRadioButton* Option(frmAddEditUser* d, int index) {
    return Child<QRadioButton>(d, QStringLiteral("optAccessLevel(%1)").arg(index));
}

} // namespace

class tst_UserMaintenance : public QObject {
    Q_OBJECT

private slots:
    void firstUserIsAddedRightAfterTheAccessCode() {
        AdminFixture f;
        f.prompts.Answer(MsgAnswer::OK); // "'User List' Empty"
        QVERIFY(f.Open());
        WhenDialogUp(f.window, [](frmAddEditUser* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Add a User - Rosterly"));
            QCOMPARE(d->RecordNumber(), qint16(1));
            QCOMPARE(Child<QLabel>(d, QStringLiteral("lblField(0)"))->text(),
                     QStringLiteral("* Access Level"));
            QCOMPARE(Child<QLabel>(d, QStringLiteral("lblField(3)"))->text(), QStringLiteral("* Password"));
            QCOMPARE(d->lblMandatory->text(), QStringLiteral("* (Mandatory Entry)"));
            QCOMPARE(d->cmdSave->Caption(), QStringLiteral("&Save") + CrLf + QStringLiteral("New Entry"));
            QCOMPARE(d->cmdCancel->Caption(), QStringLiteral("&Cancel") + CrLf + QStringLiteral("New Entry"));
            QVERIFY(d->cmdSave->isVisible() && !d->cmdSave->isEnabled());
            QVERIFY(d->lblDateCreated->isHidden());
            QCOMPARE(Option(d, 4)->text(), QStringLiteral("Read/Edit/Add/Delete"));
            QVERIFY(Option(d, 1)->isChecked() && Option(d, 1)->font().bold());
            QVERIFY(LineBox(d, 1)->hasFocus());
            QCOMPARE(LineBox(d, 1)->palette().color(QPalette::Base), QColor(255, 255, 0));

            QTest::keyClicks(LineBox(d, 1), QStringLiteral("  Ann"));
            QTest::mouseClick(LineBox(d, 2), Qt::LeftButton);
            QCOMPARE(LineBox(d, 1)->palette().color(QPalette::Base), QColor(0, 255, 255));
            QTest::keyClicks(LineBox(d, 2), QStringLiteral("Lee"));
            QVERIFY(!d->cmdSave->isEnabled());
            // Entering the empty password box offers the hint, selected so typing replaces it.
            QTest::mouseClick(LineBox(d, 3), Qt::LeftButton);
            QCOMPARE(LineBox(d, 3)->text(), QStringLiteral("<4 to 8 chars only>"));
            QTRY_COMPARE(LineBox(d, 3)->selectedText(), QStringLiteral("<4 to 8 chars only>"));
            QVERIFY(d->cmdSave->isEnabled());
            QTest::keyClicks(LineBox(d, 3), QStringLiteral("Pass1234"));
            QCOMPARE(LineBox(d, 3)->text(), QStringLiteral("Pass1234"));

            ClickBox(Option(d, 3));
            QVERIFY(Option(d, 3)->isChecked() && Option(d, 3)->font().bold());
            QVERIFY(!Option(d, 1)->font().bold());
            QCOMPARE(Option(d, 3)->palette().color(QPalette::WindowText), QColor(0, 0, 64));
            QCOMPARE(Option(d, 1)->palette().color(QPalette::WindowText), QColor(0, 0, 128));

            QTest::keyClicks(d->txtField[4], QStringLiteral("Hello"));
            QCOMPARE(d->lblSpaceFull->text(), QStringLiteral(" 1% full "));
            Click(d, QStringLiteral("cmdSave"));
        });
        f.EnterAdminMode(); // no users yet: the add dialog opens at once

        const QByteArray file = ReadFileBytes(QStringLiteral("User.List"));
        QCOMPARE(file.size(), 500);
        QCOMPARE(Field(file, 0, 8), DateBytes(f.clock.NowOle()));
        QCOMPARE(Field(file, 8, 15), Padded("Ann", 15));
        QCOMPARE(Field(file, 23, 20), Padded("Lee", 20));
        const QByteArray stored = Field(file, 43, 16);
        QCOMPARE(EvenChars(stored), QByteArray("Pass1234"));
        for (const char c : stored)
            QVERIFY2(QChar::fromLatin1(c).isLetterOrNumber(), stored.constData());
        QCOMPARE(Field(file, 59, 2), QByteArray("\x03\x00", 2));
        QCOMPARE(Field(file, 61, 439), Padded("Hello", 439));

        frmAdmin* w = f.window;
        QVERIFY(w->grid->isVisible());
        QCOMPARE(f.Column(0), QStringList(QStringLiteral("Ann Lee")));
        QCOMPARE(f.Column(1), QStringList(QStringLiteral("Read/Edit/Add")));
        QCOMPARE(f.Column(2), QStringList(QStringLiteral("03/14/2026")));
        QCOMPARE(w->grid->Row(), 1);
        QVERIFY(w->cmdEditUser->isVisible() && w->cmdDeleteUser->isVisible());
        QVERIFY(w->cmdAddUser->Tag.isEmpty());
        QCOMPARE(f.prompts.Pending(), 0);
    }

    void invalidPasswordIsRefused_data() {
        QTest::addColumn<QString>("typed"); // null: the hint is left in the box
        QTest::newRow("hint") << QString();
        QTest::newRow("too short") << QStringLiteral("abc");
        QTest::newRow("too long") << QStringLiteral("abcd12345");
        QTest::newRow("not a letter") << QStringLiteral("abc_12");
    }

    void invalidPasswordIsRefused() {
        QFETCH(QString, typed);
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 4, QStringLiteral("abcd"));
        const QByteArray before = ReadFileBytes(QStringLiteral("User.List"));
        QVERIFY(f.Open());
        f.EnterAdminMode();
        f.prompts.Answer(MsgAnswer::OK);
        WhenDialogUp(f.window, [&typed, &f](frmAddEditUser* d) {
            QTest::keyClicks(LineBox(d, 1), QStringLiteral("Bob"));
            QTest::keyClicks(LineBox(d, 2), QStringLiteral("Marsh"));
            QTest::mouseClick(LineBox(d, 3), Qt::LeftButton);
            QTRY_VERIFY(LineBox(d, 3)->hasSelectedText());
            if (!typed.isNull())
                QTest::keyClicks(LineBox(d, 3), typed);
            Click(d, QStringLiteral("cmdSave"));
            QVERIFY(d->isVisible());
            QCOMPARE(f.prompts.Asked().size(), 2);
            const Prompt& p = f.prompts.Asked().constLast();
            QCOMPARE(p.text, QStringLiteral("The password must be") + CrLf +
                                 QStringLiteral("4 to 8 characters, using") + CrLf +
                                 QStringLiteral("letters and numbers only."));
            QCOMPARE(p.title, QStringLiteral("Invalid Password Entry"));
            QCOMPARE(p.icon, MsgIcon::Exclamation);
            QVERIFY(LineBox(d, 3)->hasFocus());
            Click(d, QStringLiteral("cmdCancel"));
        });
        Click(f.window, QStringLiteral("cmdAddUser"));
        QCOMPARE(ReadFileBytes(QStringLiteral("User.List")), before);
        QCOMPARE(f.window->grid->Rows(), 2);
    }

    void invalidEntriesAreRefused_data() {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const QString mark = QStringLiteral("'$Killed$' can't be used as a 'First Name'.") + CrLf + CrLf +
                             QStringLiteral("The program uses it to mark users") + CrLf +
                             QStringLiteral("that are being removed from the list.");
        const QString oneLine = QStringLiteral("A name can't hold a tab or a line break.") + CrLf + CrLf +
                                QStringLiteral("Please type the name on one line.");
        // The mark would hide the user at once and delete it with the next removal.
        QTest::newRow("add, the removal mark") << true << 1 << QStringLiteral("$Killed$") << mark;
        QTest::newRow("add, the mark between spaces") << true << 1 << QStringLiteral("  $Killed$ ") << mark;
        QTest::newRow("edit, the removal mark") << false << 1 << QStringLiteral("$Killed$") << mark;
        // A name is one line: a tab or a line break would shift the columns of the user list.
        QTest::newRow("tab in the first name") << true << 1 << QStringLiteral("Bo\tX") << oneLine;
        QTest::newRow("line break in the last name") << true << 2 << QStringLiteral("Marsh\r\nX") << oneLine;
        QTest::newRow("new line in the last name") << false << 2 << QStringLiteral("Marsh\nX") << oneLine;
        // A character "User.List" has no byte for would be stored as '?'.
        const auto unstorable = [](const char* box, const char16_t* c, const char* code) {
            return QStringLiteral("The '%1' box holds the character '%2' (%3),")
                       .arg(QLatin1String(box), QString::fromUtf16(c), QLatin1String(code)) +
                   CrLf + QStringLiteral("which can't be stored.") + CrLf + CrLf +
                   QStringLiteral("Please leave it out or replace it.");
        };
        QTest::newRow("add, first name")
            << true << 1 << QStringLiteral("Th\u1EA3o") << unstorable("First Name", u"\u1EA3", "U+1EA3");
        QTest::newRow("add, password")
            << true << 3 << QStringLiteral("p\u1EA3ss1") << unstorable("Password", u"\u1EA3", "U+1EA3");
        QTest::newRow("edit, comments") << false << 4 << QStringLiteral("ok\n\U0001F600")
                                        << unstorable("Comments", u"\U0001F600", "U+1F600");
    }

    // Refused before anything is written, with the focus in the box at fault.
    void invalidEntriesAreRefused() {
        QFETCH(bool, adding);
        QFETCH(int, box);
        QFETCH(QString, name);
        QFETCH(QString, text);
        const QString title = box == 3   ? QStringLiteral("Invalid Password Entry")
                              : box == 4 ? QStringLiteral("Invalid Comments Entry")
                                         : QStringLiteral("Invalid Name Entry");
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 4, QStringLiteral("abcd"));
        const QByteArray before = ReadFileBytes(QStringLiteral("User.List"));
        QVERIFY(f.Open());
        f.EnterAdminMode();
        f.prompts.Answer(MsgAnswer::OK);
        WhenDialogUp(f.window, [&](frmAddEditUser* d) {
            QVERIFY(LineBox(d, 1)->hasFocus());
            QTest::keyClicks(LineBox(d, 1), QStringLiteral("Bob")); // replaces the selected name when editing
            QTest::keyClicks(LineBox(d, 2), QStringLiteral("Marsh"));
            QTest::keyClicks(LineBox(d, 3), QStringLiteral("efgh"));
            if (box == 4) // as pasted
                static_cast<MemoBox*>(d->txtField[4])->SetText(name);
            else
                LineBox(d, box)->setText(name);
            Click(d, QStringLiteral("cmdSave"));
            QVERIFY(d->isVisible());
            QCOMPARE(f.prompts.Asked().size(), 2);
            const Prompt& p = f.prompts.Asked().constLast();
            QCOMPARE(p.text, text);
            QCOMPARE(p.title, title);
            QCOMPARE(p.icon, MsgIcon::Exclamation);
            QCOMPARE(p.buttons, MsgButtons::OKOnly);
            QVERIFY(d->txtField[std::size_t(box)]->hasFocus());
            Click(d, QStringLiteral("cmdCancel"));
        });
        ClickRow(f.window->grid, 1);
        Click(f.window, adding ? QStringLiteral("cmdAddUser") : QStringLiteral("cmdEditUser"));
        QCOMPARE(ReadFileBytes(QStringLiteral("User.List")), before);
        QCOMPARE(f.Column(0), QStringList(QStringLiteral("Ann Lee")));
    }

    void failedWritesAreReportedAndLoseNothing() {
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 4, QStringLiteral("abcd"));
        f.AddUser(QStringLiteral("Bob"), QStringLiteral("Marsh"), 2, QStringLiteral("efgh"));
        const QByteArray before = ReadFileBytes(QStringLiteral("User.List"));
        QVERIFY(f.Open());
        f.EnterAdminMode();

        // Saving: the dialog stays open with the entry, the list is untouched.
        f.prompts.Answer(MsgAnswer::OK);
        WhenDialogUp(f.window, [&f](frmAddEditUser* d) {
            QTest::keyClicks(LineBox(d, 1), QStringLiteral("Cy"));
            QTest::keyClicks(LineBox(d, 2), QStringLiteral("Ng"));
            QTest::keyClicks(LineBox(d, 3), QStringLiteral("wxyz"));
            f.io.Arm(1, FaultyFileIo::Fault::DiskFull);
            Click(d, QStringLiteral("cmdSave"));
            f.io.Disarm();
            QCOMPARE(f.prompts.Asked().constLast().title, QStringLiteral("File Error"));
            QCOMPARE(f.prompts.Asked().constLast().icon, MsgIcon::Critical);
            QVERIFY(d->isVisible());
            QCOMPARE(LineBox(d, 1)->text(), QStringLiteral("Cy"));
            Click(d, QStringLiteral("cmdCancel"));
        });
        Click(f.window, QStringLiteral("cmdAddUser"));
        QVERIFY(f.window->cmdAddUser->Tag.isEmpty());
        QCOMPARE(ReadFileBytes(QStringLiteral("User.List")), before);

        // Without a count the add dialog gives up at once rather than guess a record number.
        f.prompts.Answer(MsgAnswer::OK);
        QTimer::singleShot(0, f.window, [] {
            const auto closeLeftOver = qScopeGuard([] {
                if (QWidget* d = QApplication::activeModalWidget())
                    d->close();
            });
            QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        });
        f.io.Arm(1, FaultyFileIo::Fault::Error);
        Click(f.window, QStringLiteral("cmdAddUser"));
        f.io.Disarm();
        QCOMPARE(f.prompts.Asked().constLast().title, QStringLiteral("File Error"));
        QVERIFY(f.window->cmdAddUser->Tag.isEmpty());

        // Removing: reported instead of "Name removed"; list and grid as they were.
        f.prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK);
        f.io.Arm(3, FaultyFileIo::Fault::Error);
        Click(f.window, QStringLiteral("cmdDeleteUser"));
        f.io.Disarm();
        QCOMPARE(f.prompts.Asked().constLast().title, QStringLiteral("File Error"));
        QCOMPARE(ReadFileBytes(QStringLiteral("User.List")), before);
        QCOMPARE(f.Column(0), QStringList({QStringLiteral("Ann Lee"), QStringLiteral("Bob Marsh")}));
        QCOMPARE(f.prompts.Pending(), 0);
    }

    void viewingWritesNothingAndEditingKeepsTheDate() {
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 4, QStringLiteral("abcd"));
        f.AddUser(QStringLiteral("Bob"), QStringLiteral("Marsh"), 2, QStringLiteral("Pass1234"));
        const QByteArray before = ReadFileBytes(QStringLiteral("User.List"));
        QVERIFY(f.Open());
        f.EnterAdminMode();
        ClickRow(f.window->grid, 2); // Bob Marsh, record 2

        WhenDialogUp(f.window, [](frmAddEditUser* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("View/Edit this User - Rosterly"));
            QCOMPARE(d->lblDateCreated->text(), QStringLiteral(" Record Created 01/02/2025 03:04pm "));
            QVERIFY(d->lblDateCreated->isVisible());
            QCOMPARE(LineBox(d, 1)->text(), QStringLiteral("Bob"));
            QCOMPARE(LineBox(d, 3)->text(), QStringLiteral("Pass1234"));
            QCOMPARE(LineBox(d, 1)->palette().color(QPalette::Base), QColor(255, 192, 255));
            QVERIFY(Option(d, 2)->isChecked());
            QVERIFY(d->cmdSave->isHidden());
            QCOMPARE(d->cmdCancel->Caption(), QStringLiteral("&Finished") + CrLf + QStringLiteral("Viewing"));
            Click(d, QStringLiteral("cmdCancel"));
        });
        Click(f.window, QStringLiteral("cmdEditUser"));
        QCOMPARE(ReadFileBytes(QStringLiteral("User.List")), before);

        // A changed access level is a change; then the name moves the user in the sort order.
        WhenDialogUp(f.window, [](frmAddEditUser* d) {
            ClickBox(Option(d, 1));
            QVERIFY(d->cmdSave->isVisible() && d->cmdSave->isEnabled());
            QCOMPARE(d->cmdCancel->Caption(), QStringLiteral("&Cancel") + CrLf + QStringLiteral("Changes"));
            LineBox(d, 2)->clear();
            QVERIFY(!d->cmdSave->isEnabled());
            QTest::keyClicks(LineBox(d, 2), QStringLiteral("Aardvark"));
            Click(d, QStringLiteral("cmdSave"));
        });
        Click(f.window, QStringLiteral("cmdEditUser"));

        const QByteArray after = ReadFileBytes(QStringLiteral("User.List"));
        QCOMPARE(after.size(), 1000);
        QCOMPARE(after.left(500), before.left(500)); // the other user is untouched
        const QByteArray bob = after.mid(500);
        QCOMPARE(Field(bob, 0, 8), Field(before, 500, 8)); // DateCreated kept
        QCOMPARE(Field(bob, 23, 20), Padded("Aardvark", 20));
        QCOMPARE(Field(bob, 59, 2), QByteArray("\x01\x00", 2));
        QCOMPARE(EvenChars(Field(bob, 43, 16)), QByteArray("Pass1234"));
        // Scrambled anew: 62 fillers at each of 8 places make an equal form all but impossible.
        QVERIFY(Field(bob, 43, 16) != Field(before, 543, 16));
        QCOMPARE(f.Column(0), QStringList({QStringLiteral("Bob Aardvark"), QStringLiteral("Ann Lee")}));
        QCOMPARE(f.window->grid->Row(), 1); // the saved user
        QVERIFY(f.window->cmdEditUser->Tag.isEmpty());
    }

    void commentsGaugeAndLimit() {
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 4, QStringLiteral("abcd"));
        QVERIFY(f.Open());
        f.EnterAdminMode();
        WhenDialogUp(f.window, [](frmAddEditUser* d) {
            auto* box = static_cast<QPlainTextEdit*>(d->txtField[4]);
            QVERIFY(d->lblSpaceFull->isHidden());
            QTest::keyClicks(box, QStringLiteral("x"));
            QCOMPARE(d->lblSpaceFull->text(), QStringLiteral(" 1% full "));
            QVERIFY(d->lblSpaceFull->isVisible());
            // A line break is stored as CR LF and takes two of the 439 places.
            QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClicks(box, QString(500, QLatin1Char('y')));
            QCOMPARE(box->toPlainText(), QStringLiteral("x\n") + QString(436, QLatin1Char('y')));
            QCOMPARE(d->lblSpaceFull->text(), QStringLiteral(" 100% full "));
            box->clear();
            QVERIFY(d->lblSpaceFull->isHidden());
            Click(d, QStringLiteral("cmdCancel"));
        });
        Click(f.window, QStringLiteral("cmdAddUser"));
        QCOMPARE(ReadFileBytes(QStringLiteral("User.List")).size(), 500);
    }

    void escapeFadesOutLikeCancel() {
        AdminFixture f;
        f.SaveSetting(QStringLiteral("FadeStatus"), QStringLiteral("1"));
        f.state.PlatformCanFade = true;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 4, QStringLiteral("abcd"));
        QVERIFY(f.Open());
        f.EnterAdminMode();
        WhenDialogUp(f.window, [](frmAddEditUser* d) {
            // The fade-in disabled the dialog; the first box has the focus again after it.
            QTRY_VERIFY(!d->Fade()->IsFading());
            QVERIFY(d->txtField[1]->hasFocus());
            QTest::keyClicks(d->txtField[1], QStringLiteral("Bo"));
            QPointer<frmAddEditUser> dialog = d;
            QTest::keyClick(d->txtField[1], Qt::Key_Escape);
            // Still there, fading out; gone at the end of the fade.
            QVERIFY(dialog && dialog->isVisible());
            QVERIFY(dialog->Fade()->IsFading());
            QTRY_VERIFY(!dialog || !dialog->isVisible());
        });
        Click(f.window, QStringLiteral("cmdAddUser"));
        QCOMPARE(ReadFileBytes(QStringLiteral("User.List")).size(), 500);
    }

    void removal_data() {
        QTest::addColumn<int>("users");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("highlighted");
        QTest::newRow("first row") << 3 << 1 << 1;
        QTest::newRow("middle row") << 3 << 2 << 1;
        QTest::newRow("row 5 of 5") << 5 << 5 << 4;
    }

    void removal() {
        QFETCH(int, users);
        QFETCH(int, removed);
        QFETCH(int, highlighted);
        AdminFixture f;
        const QStringList last = {QStringLiteral("Adams"), QStringLiteral("Brown"), QStringLiteral("Cole"),
                                  QStringLiteral("Diaz"), QStringLiteral("Evans")};
        for (int i = users - 1; i >= 0; --i) // stored in reverse: the grid goes by record number
            f.AddUser(QStringLiteral("Al"), last[i], 1, QStringLiteral("abcd"));
        QVERIFY(f.Open());
        f.EnterAdminMode();
        ClickRow(f.window->grid, removed);
        const QString name = QStringLiteral("Al ") + last[removed - 1];

        f.prompts.Answer(MsgAnswer::No);
        Click(f.window, QStringLiteral("cmdDeleteUser"));
        const Prompt& confirm = f.prompts.Asked().constLast();
        QCOMPARE(confirm.text, QStringLiteral("Are you sure you want to remove") + CrLf + CrLf + name + CrLf +
                                   CrLf + QStringLiteral("from the 'User List'?"));
        QCOMPARE(confirm.title, QStringLiteral("Confirm Deletion"));
        QCOMPARE(confirm.icon, MsgIcon::Question);
        QCOMPARE(confirm.buttons, MsgButtons::YesNoCancel);
        QCOMPARE(confirm.defaultButton, MsgDefault::Button2);
        QCOMPARE(ReadFileBytes(QStringLiteral("User.List")).size(), users * 500);

        f.prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK);
        Click(f.window, QStringLiteral("cmdDeleteUser"));
        const Prompt& done = f.prompts.Asked().constLast();
        QCOMPARE(done.text, QStringLiteral("The name has been removed") + CrLf +
                                QStringLiteral("from the 'User List'."));
        QCOMPARE(done.title, QStringLiteral("Name removed"));
        QCOMPARE(done.icon, MsgIcon::Information);
        QCOMPARE(ReadFileBytes(QStringLiteral("User.List")).size(), (users - 1) * 500);
        QVERIFY(!QFile::exists(QStringLiteral("TempFile.$$$")));
        QCOMPARE(f.window->grid->Rows(), users);
        QVERIFY(!f.Column(0).contains(name));
        QCOMPARE(f.window->grid->Row(), highlighted);
        QCOMPARE(f.window->grid->ColSel(), 2);
    }

    void removingTheLastUserLeavesNoList() {
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 4, QStringLiteral("abcd"));
        QVERIFY(f.Open());
        f.EnterAdminMode();
        f.prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK).Answer(MsgAnswer::OK);
        Click(f.window, QStringLiteral("cmdDeleteUser"));
        QCOMPARE(f.prompts.Asked().size(), 4);
        QCOMPARE(f.prompts.Asked().at(2).title, QStringLiteral("'User List' Empty"));
        QCOMPARE(f.prompts.Asked().at(3).title, QStringLiteral("Name removed"));
        QVERIFY(!QFile::exists(QStringLiteral("User.List")));
        QVERIFY(!QFile::exists(QStringLiteral("TempFile.$$$")));
        frmAdmin* w = f.window;
        QVERIFY(w->grid->isHidden());
        QVERIFY(w->cmdEditUser->isHidden() && w->cmdDeleteUser->isHidden());
        QVERIFY(w->cmdAddUser->isVisible());
        // Out of administration mode there is nobody to select.
        Click(w, QStringLiteral("cmdAdmin"));
        QVERIFY(w->cmdUserSelected->isHidden());
    }
};

QTEST_MAIN(tst_UserMaintenance)
#include "tst_usermaintenance.moc"
