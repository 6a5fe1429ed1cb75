// Every text of every window shows whole in every state it takes, no two controls of a window
// share an access key, and a screen reader can speak every control that takes the focus. ctest runs this at 96 dpi and again at 120 dpi.
#include "app/frmtitlepage.h"
#include "core/appcontext.h"
#include "help/frmmanual.h"
#include "help/frmnewuser.h"
#include "print/frmprintlabel.h"
#include "records/frmhistory.h"
#include "support/adminfixture.h"
#include "support/recordfixture.h"
#include "support/windowchecks.h"
#include "ui/frmprogress.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocumentFragment>

using namespace Qt::StringLiterals;

namespace {

// The checks of a window, one line per fault, under a heading naming the state checked.
QString Faults(const QWidget* window, const QString& state) {
    const QStringList faults =
        CutTexts(window) + AccessKeyClashes(window) + UnspokenControls(window) + FocusOutOfOrder(window);
    return faults.isEmpty() ? QString() : state + u":\n"_s + faults.join(u'\n');
}

struct Program {
    TempDataFolder folder;
    TestProgram p{folder.Path()};
    AppContext ctx{p.state, p.settings, p.prompts, p.clock, p.io, p.personnel, p.printer, p.windows};
};

} // namespace

class tst_WindowTexts : public QObject {
    Q_OBJECT

private slots:
    // The checks themselves, on a window made to fail them.
    void checksReportCutTextsAndSharedKeys() {
        QWidget w;
        const auto place = [&w](QWidget* control, const char* name, int width, int height) {
            control->setParent(&w);
            control->setObjectName(QString::fromLatin1(name));
            control->resize(width, height);
            return control;
        };
        place(new QLabel(QStringLiteral("OK")), "fits", 200, 40);
        place(new QLabel(QStringLiteral("A rather long caption")), "narrow", 40, 40);
        auto* twoLines = new OrvicButton(&w);
        twoLines->SetCaption(QStringLiteral("&Save") + CrLf + QStringLiteral("New Entry"));
        place(twoLines, "twoLines", 200, 20); // room for one line only
        place(new QCheckBox(QStringLiteral("Enable form fade effects")), "check", 60, 40);
        auto* password = new QLineEdit;
        password->setEchoMode(QLineEdit::Password);
        password->setMaxLength(8);
        place(password, "password", 40, 40); // empty, but too narrow for eight marks
        place(new QPushButton(QStringLiteral("&save")), "twin", 200, 40);
        place(new QPushButton(QStringLiteral("Salt && &Pepper")), "pepper", 200, 40);
        auto* buddy = new QLabel(QStringLiteral("&Pepper:"));
        buddy->setBuddy(password);
        place(buddy, "buddy", 200, 40);
        place(new QPushButton(QStringLiteral("&Help")), "help", 200, 40);
        place(new QPushButton(QStringLiteral("&Hidden")), "hidden", 200, 40)->hide();
        place(new QPushButton(QStringLiteral("&Quit")), "quit", 200, 40);
        place(new QPushButton(QStringLiteral("&Quiet")), "quiet", 200, 40)->setEnabled(false);
        place(new QLabel(QStringLiteral("&Quality")), "noBuddy", 200, 40);
        w.show();

        QStringList cut;
        for (const QString& fault : CutTexts(&w))
            cut << fault.section(QLatin1Char(' '), 0, 0);
        QCOMPARE(cut, QStringList({QStringLiteral("narrow"), QStringLiteral("twoLines"),
                                   QStringLiteral("check"), QStringLiteral("password")}));
        QCOMPARE(AccessKeyClashes(&w),
                 QStringList({QStringLiteral("Alt+P: pepper \"Salt && &Pepper\", buddy \"&Pepper:\""),
                              QStringLiteral("Alt+S: twoLines \"&Save\\nNew Entry\", twin \"&save\"")}));

        // Tab on a window made out of order: made top, bottom, middle; then a box keeping Tab.
        QWidget order;
        const auto button = [&order](const char* name, int top) {
            auto* b = new QPushButton(QString::fromLatin1(name), &order);
            b->setObjectName(QString::fromLatin1(name));
            b->setGeometry(0, top, 80, 20);
        };
        button("top", 0);
        button("bottom", 100);
        button("middle", 50);
        order.show();
        QCOMPARE(FocusOutOfOrder(&order),
                 QStringList({QStringLiteral("bottom -> middle: Tab goes back up the screen"),
                              QStringLiteral("middle -> top: Tab goes back up the screen")}));
        auto* keeper = new QPlainTextEdit(&order);
        keeper->setObjectName(QStringLiteral("keeper"));
        keeper->setGeometry(0, 150, 80, 40);
        keeper->show();
        QCOMPARE(FocusOutOfOrder(&order), QStringList({QStringLiteral("keeper: Tab stays in it")}));
    }

    void adminWindow_data() {
        QTest::addColumn<QString>("password"); // typed after selecting; null: no user selected
        QTest::addColumn<bool>("admin");
        QTest::addColumn<bool>("log");
        QTest::newRow("selecting") << QString() << false << false;
        QTest::newRow("6-character password") << QStringLiteral("Zz9yY8") << false << false;
        QTest::newRow("8-character password") << QStringLiteral("WWmm88WW") << false << false;
        QTest::newRow("administration") << QString() << true << false;
        QTest::newRow("viewing the log") << QString() << true << true;
    }

    void adminWindow() {
        QFETCH(QString, password);
        QFETCH(bool, admin);
        QFETCH(bool, log);
        AdminFixture f;
        f.state.PlatformCanFade = true; // the fade box shows too
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 4, QStringLiteral("Zz9yY8"));
        {
            QFile userLog(QStringLiteral("User.Log"));
            QVERIFY(userLog.open(QIODevice::WriteOnly));
            userLog.write(
                "03/14/2026 at 09:26:53 - Ann Lee logged in w/ Read/Edit/Add/Delete privileges.\r\n");
        }
        QVERIFY(f.Open());
        frmAdmin* w = f.window;
        if (!password.isNull()) {
            Click(w, QStringLiteral("cmdUserSelected"));
            QTest::keyClicks(w->txtPassword, password);
        }
        if (admin)
            f.EnterAdminMode();
        if (log) {
            Click(w, QStringLiteral("cmdReviewUserLog"));
            QVERIFY(w->IsViewingLog());
        }
        QCOMPARE(Faults(w, QString::fromLatin1(QTest::currentDataTag())), QString());
    }

    void userDialog_data() {
        QTest::addColumn<bool>("adding");
        QTest::newRow("add") << true;
        QTest::newRow("view/edit") << false;
    }

    // Each access level chosen in turn: the chosen one is drawn bold.
    void userDialog() {
        QFETCH(bool, adding);
        AdminFixture f;
        f.AddUser(QStringLiteral("Ann"), QStringLiteral("Lee"), 1, QStringLiteral("abcd"));
        QVERIFY(f.Open());
        f.EnterAdminMode();
        int checked = 0;
        WhenDialogUp(f.window, [&checked](frmAddEditUser* d) {
            for (int level : {4, 3, 2, 1}) {
                QRadioButton* option = d->optAccessLevel[std::size_t(level)];
                ClickBox(option);
                QVERIFY(option->isChecked() && option->font().bold());
                QCOMPARE(Faults(d, QString::fromLatin1(QTest::currentDataTag())), QString());
                ++checked;
            }
            Click(d, QStringLiteral("cmdCancel"));
        });
        ClickRow(f.window->grid, 1);
        Click(f.window, adding ? QStringLiteral("cmdAddUser") : QStringLiteral("cmdEditUser"));
        QCOMPARE(checked, 4);
    }

    // The real input box, as the access code is asked for.
    void accessCodeBox() {
        const QString title = QStringLiteral("Access Code Required");
        const QString prompt = CrLf + QStringLiteral("Please enter the access code") + CrLf +
                               QStringLiteral("needed to add/edit/delete") + CrLf +
                               QStringLiteral("users in this 'User List'");
        int width = 0;
        QStringList cut;
        QTimer::singleShot(0, this, [&width, &cut] {
            QPointer<QInputDialog> box;
            QTRY_VERIFY((box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) != nullptr);
            QTRY_VERIFY(box->isVisible());
            width = box->width();
            cut = CutTexts(box);
            box->reject();
        });
        DialogPrompts prompts;
        QCOMPARE(prompts.InputBox(prompt, title, QStringLiteral("<Enter Access Code Here>")), QString());

        // Window managers draw the title in the desktop's font, often bold, beside the window's
        // icon and its three frame buttons, each about as wide as the title bar is high.
        QFont titleFont = QApplication::font();
        titleFont.setBold(true);
        const QFontMetrics fm(titleFont);
        const int titleBarHeight = 2 * fm.height();
        QVERIFY2(
            width >= fm.horizontalAdvance(title) + 4 * titleBarHeight,
            qPrintable(
                QStringLiteral("%1 px for a title of %2 px").arg(width).arg(fm.horizontalAdvance(title))));
        QCOMPARE(cut.join(u'\n'), QString());
    }

    void titleWindow() {
        Program g;
        g.p.windows.ShowTitleWindow();
        frmTitlePage* title = g.p.windows.TitleWindow();
        QVERIFY(QTest::qWaitForWindowExposed(title));
        QCOMPARE(Faults(title, u"title"_s), QString());
        QAccessibleInterface* web = QAccessible::queryAccessibleInterface(title->labelWeb);
        QCOMPARE(web->role(), QAccessible::Link);
        QCOMPARE(web->text(QAccessible::Name), QTextDocumentFragment::fromHtml(title->labelWeb->text()).toPlainText());
    }

    // The main window in each state a user puts it in, on each page of the record.
    void mainWindow_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("employees");
        for (int level = 1; level <= 4; ++level)
            QTest::addRow("browsing, level %d", level) << u"browsing"_s << level << 2;
        QTest::newRow("nobody listed") << u"browsing"_s << 4 << 0;
        QTest::newRow("adding") << u"adding"_s << 4 << 2;
        QTest::newRow("editing") << u"editing"_s << 4 << 2;
        QTest::newRow("list options") << u"options"_s << 4 << 2;
    }

    void mainWindow() {
        QFETCH(QString, state);
        QFETCH(int, level);
        QFETCH(int, employees);
        Program g;
        std::vector<StaffMember> staff{
            {u"Abernathy-Whitfield"_s, u"Maximiliana"_s, QDate(1950, 12, 28), QDate(1999, 12, 31)},
            {u"Li"_s, u"Bo"_s, QDate(2001, 1, 1), QDate(2020, 5, 5)}};
        staff.resize(std::size_t(employees));
        WriteStaff(staff);
        if (employees == 0)
            g.p.prompts.Answer(MsgAnswer::OK); // the file is empty
        frmMain* w = OpenMainWindow(g.p, qint16(level));
        QVERIFY(w);
        // The emergency boxes' own captions say whose only inside their frame.
        QCOMPARE(FindControl<QLineEdit>(w, u"txtField(9)"_s)->accessibleName(), u"Emergency Name"_s);
        if (state == u"adding")
            Click(w, u"cmdAddEmployee"_s);
        else if (state == u"editing")
            Click(w, u"cmdEditEntry"_s);
        else if (state == u"options")
            ClickTabOf(w->tabMain, 1);

        if (state == u"options") {
            QCOMPARE(Faults(w, state), QString());
            return;
        }
        TabControl* tabs = w->recordPage->tabNameInfo;
        for (int page = 0; page < tabs->count(); ++page) {
            if (!tabs->isTabEnabled(page))
                continue;
            ClickTabOf(tabs, page);
            QCOMPARE(Faults(w, u"%1, record page %2"_s.arg(state).arg(page)), QString());
        }
    }

    // The welcome screen (topic 0), and the help window on each topic it shows.
    void helpAndWelcome_data() {
        QTest::addColumn<int>("topic");
        QTest::newRow("welcome screen") << 0;
        for (int index : {1, 3, 4, 5, 7, 10})
            QTest::addRow("help, topic %d", index) << index;
    }

    void helpAndWelcome() {
        QFETCH(int, topic);
        Program g;
        g.p.help.enabled = false;
        std::unique_ptr<QDialog> w;
        if (topic == 0)
            w = std::make_unique<frmNewUser>(g.ctx);
        else
            w = std::make_unique<frmManual>(g.ctx, topic);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        if (topic != 0)
            QCOMPARE(static_cast<frmManual*>(w.get())->CurrentTopic(), topic);
        QCOMPARE(Faults(w.get(), QString::fromLatin1(QTest::currentDataTag())), QString());
    }

    void labelDialog() {
        Program g;
        frmPrintLabel dialog(g.ctx);
        const QString lines[4] = {u"Maximiliana Abernathy-Whitfield"_s, u"1234 Old Mill Pond Road, Apt 12"_s,
                                  u"Wilmington, DE 19801-1234"_s, u"United States"_s};
        for (int i = 1; i <= 4; ++i)
            dialog.txtPrintLabel[std::size_t(i)]->setText(lines[i - 1]);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(Faults(&dialog, u"label"_s), QString());
    }

    // With the note of a day before the history began.
    void historyWindow() {
        Program g;
        const HistoryEntry started{.time = QDateTime(QDate(2026, 12, 1), QTime(9, 0)),
                                   .user = u"Maximiliana Abernathy-Whitfield"_s,
                                   .action = HistoryAction::Started,
                                   .changes = {{u"EmergencyRelationship"_s, {}, u"Grandmother"_s},
                                               {u"DateOfBirth"_s, {}, u"1985-12-24"_s}}};
        frmHistory window(g.ctx, u"Maximiliana Abernathy-Whitfield"_s, {started});
        window.txtAsOf->setDate(QDate(2026, 11, 30));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(Faults(&window, u"history"_s), QString());
    }

    // The import's longest step, shown.
    void progressWindow() {
        Program g;
        QWidget owner;
        owner.setWindowTitle(u"Rosterly"_s); // the progress window takes its owner's caption
        frmProgress window(g.p.clock, &owner);
        g.p.clock.Set(g.p.clock.Now().addSecs(2));
        QVERIFY(window.Step(u"Adding 200000 employees to the personnel file..."_s, 1, 2, false));
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(Faults(&window, u"progress"_s), QString());
    }

    void largePictureView() {
        Program g;
        const QString photo = g.folder.FilePath(u"photo.png"_s);
        QVERIFY(WriteImage(photo, 300, 400));
        frmLargePic view(g.ctx);
        QVERIFY(view.LoadPicture(photo));
        view.lblPicHeading->setText(u"Abernathy-Whitfield, Maximiliana"_s);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(Faults(&view, u"large view"_s), QString());
    }
};

QTEST_MAIN(tst_WindowTexts)
#include "tst_windowtexts.moc"
