// The manual and the welcome screen: the topic each caller opens, the menu's choices, the mail to
// a colleague, the printed topic, the welcome screen across starts, and the tiled background.
#include "app/frmtitlepage.h"
#include "help/frmnewuser.h"
#include "help/helptopics.h"
#include "print/printer.h"
#include "support/pdfwords.h"
#include "support/programtest.h"
#include "support/recordfixture.h"
#include "ui/background.h"
#include "ui/links.h"
#include "users/frmadmin.h"

#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace {

// Runs `steps` on the welcome screen once it is up; false when none came up.
bool WhenWelcomeUp(const std::function<void()>& open, const std::function<void(frmNewUser*)>& steps) {
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* welcome = qobject_cast<frmNewUser*>(QApplication::activeModalWidget());
        if (seen || !welcome || !welcome->isVisible())
            return;
        seen = true;
        steps(welcome);
    });
    poll.start();
    open();
    return seen;
}

void SetNewUser(TestProgram& p, const QString& value) {
    p.settings.SaveSetting(u"Rosterly"_s, u"Defaults"_s, u"NewUser"_s, value);
}

// The title window on screen, as the program starts.
frmTitlePage* ShowTitle(TestProgram& p) {
    p.windows.ShowTitleWindow();
    frmTitlePage* title = p.windows.TitleWindow();
    if (!QTest::qWaitForWindowExposed(title))
        return nullptr;
    title->SetScreenSizeForCheck(QSize(1024, 768));
    return title;
}

} // namespace

class TestHelp : public ProgramTest {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Help and F1 open the manual on the caller's topic, ticked, with its text.
    void eachCallerOpensItsTopic_data() {
        QTest::addColumn<QString>("caller");
        QTest::addColumn<bool>("f1");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<int>("topic");
        QTest::newRow("admin window") << u"admin"_s << false << 3 << u"The Admin Window"_s << 1500;
        QTest::newRow("admin window, F1") << u"admin"_s << true << 3 << u"The Admin Window"_s << 1500;
        QTest::newRow("employee list") << u"list"_s << false << 4 << u"The Employee List"_s << 2000;
        QTest::newRow("employee list, F1") << u"list"_s << true << 4 << u"The Employee List"_s << 2000;
        QTest::newRow("display options") << u"options"_s << false << 5 << u"List Display Options"_s << 3000;
    }
    void eachCallerOpensItsTopic() {
        QFETCH(QString, caller);
        QFETCH(bool, f1);
        QFETCH(int, index);
        QFETCH(QString, heading);
        QFETCH(int, topic);
        QWidget* window = nullptr;
        OrvicButton* help = nullptr;
        QString named; // the text names the admin window's button as its caption reads
        if (caller == u"admin") {
            AddUserRecord(u"Ann"_s, u"Lee"_s, u"pass1"_s, 4);
            p->windows.ShowAdminWindow();
            frmAdmin* admin = p->windows.AdminWindow();
            QVERIFY(QTest::qWaitForWindowExposed(admin));
            window = admin;
            help = admin->cmdHelp;
            named = u"Click the "_s + admin->cmdAdmin->Caption().remove(u'&') + u" button"_s;
        } else {
            WriteStaff({{u"Adams"_s, u"Bob"_s, QDate(1970, 1, 1), QDate(2000, 1, 1)}});
            frmMain* w = OpenMainWindow(*p);
            QVERIFY(w);
            if (caller == u"options")
                ClickTabOf(w->tabMain, 1);
            window = w;
            help = w->cmdHelp;
        }
        if (f1)
            QTest::keyClick(window, Qt::Key_F1);
        else
            QTest::mouseClick(help, Qt::LeftButton);

        QTRY_COMPARE(p->help.shown.size(), 1);
        const HelpCloser::Seen& seen = p->help.shown.first();
        QCOMPARE(seen.topic, index);
        QCOMPARE(seen.heading, heading);
        QCOMPARE(seen.checked, QList<int>{index});
        QCOMPARE(seen.boxes, QList<int>{index}); // no empty boxes beside the other topics
        QCOMPARE(seen.text, DisplayText(HelpTopicText(topic)));
        QVERIFY2(seen.text.contains(named), qPrintable(named));
        QVERIFY(window->isEnabled());
    }

    void topicTexts() {
        QCOMPARE(
            HelpTopicText(3000),
            u"This page tab gives you complete control over defining what group of employees you wish to "
            u"compose and view in the 'Employee List' page tab.\r\n\r\nYou can first select what basic type "
            u"of list you're interested in. Then, depending on what type of list you select, you can further "
            u"define the group according to further criteria (such as race, sex, age group, current or "
            u"previous employees, and so on). You can even ask Rosterly to search for certain text, such as "
            u"a particular remark in the notepad section of the employees.\r\n\r\nOnce you have defined your "
            u"list, just click the 'Employee List' tab, and you'll see the list of employees that match your "
            u"filtering parameters."_s);
        for (int topic : {1000, 1500, 2000, 4000, 10000})
            QVERIFY2(!HelpTopicText(topic).isEmpty(), qPrintable(QString::number(topic)));
        QVERIFY(HelpTopicText(1500).contains(u"*** Access to the 'User Name' List ***"_s));
        QVERIFY(HelpTopicText(1500).contains(u"*** Access to Rosterly ***"_s));
        QVERIFY(HelpTopicText(1500).contains(u"'AccessCode'"_s));
        QVERIFY(HelpTopicText(1500).contains(u"in administration mode, click 'Sensitive Fields...'"_s));
        QVERIFY(HelpTopicText(1500).contains(
            u"with the month and day only and without the age, and the list options offer them no 'Age "
            u"Group'.\r\n\r\nWith a level above 1, each list export, copied employee, printed list, "
            u"report, set of update forms, history printout and history export made by a user who sees those "
            u"fields in full adds a line to the user log: who, when, what, how many employees and, for a file, "
            u"its name.\r\n\r\nMasking protects what is shown on the screen, printed on paper and handed on in "
            u"files. It does not protect against a person who can read the files in Rosterly's data folder: "
            u"they hold every value in full. Against that, keep the data folder readable by its owner only (as "
            u"Rosterly makes it) and the computer's disk encrypted.\r\n\r\n*** Access to Rosterly ***"_s));
        QVERIFY(
            HelpTopicText(2000).contains(u"\r\n\r\n* You can see the history of the employee currently "
                                         u"highlighted: click the list with the right mouse button (or "
                                         u"press the Menu key) and choose 'History of this Employee...', or "
                                         u"press Ctrl+H."_s));
        QVERIFY(HelpTopicText(2000).contains(u"\r\n\r\n* In the history window's 'Find' box, type part of a first "
                                             u"or last name and press Enter:"_s));
        QVERIFY(HelpTopicText(2000).contains(
            u"\r\n\r\n* With full access you can add employees from a spreadsheet: right-click the list and "
            u"choose 'Import Employees...'. The file needs the columns 'Export this List...' writes; comma, "
            u"semicolon or tab separated files in UTF-8 or UTF-16 are read.\r\n\r\n"_s));
        const QString spreadsheets = HelpTopicText(2500);
        QVERIFY(spreadsheets.startsWith(u"The employee list has a menu of its own: click the list with the "
                                        u"right mouse button (or press the Menu key)."_s));
        for (const QString& part :
             {u"\r\n\r\n*** Export this List... ***\r\n\r\n"_s, u"\r\n\r\n*** Copy ***\r\n\r\n"_s,
              u"\r\n\r\n*** Save a Blank Sheet... ***\r\n\r\n"_s,
              u"\r\n\r\n*** Import Employees... ***\r\n\r\n"_s,
              u"An Excel workbook (.xlsx) is proposed; you can choose a CSV file (UTF-8) instead."_s,
              u"keep their leading zeros and plus signs; dates are real dates; and the header row stays in "
              u"view, with a filter on every column."_s,
              u"If any row is at fault, nothing is added, and the message names each fault by the row number "
              u"your spreadsheet shows it on."_s,
              u"Rows that look like another row of the file, and rows with a Social Security number that "
              u"another employee on file or an earlier row already has, are named and skipped. Choose 'Add "
              u"New and Update Changed' to add the new employees and update the changed ones, 'Add Only New' "
              u"to leave the employees on file as they are, 'Add New and Duplicates, Update Changed' "
              u"(offered "
              u"when rows look like duplicates) to add those rows as well and let an employee on file take a "
              u"number another employee has, or 'Cancel' to change nothing."_s,
              u"\r\n\r\nWhen the import is done, a summary says how many employees were added, updated, "
              u"unchanged and skipped, and the list highlights the first employee added, if the list shows "
              u"that employee."_s})
            QVERIFY2(spreadsheets.contains(part), qPrintable(part));
        QCOMPARE(HelpTopicText(7777), QString());
    }

    // The menu: the entries in order with their topic numbers; the topic shown again does
    // nothing; the about box leaves the topic; F1 opens the menu; Esc closes; a new window starts
    // at topic 0.
    void menuChoices() {
        frmManual manual(p->ctx(), 5);
        QCOMPARE(manual.CurrentTopic(), 0);
        QCOMPARE(manual.windowTitle(), u"Rosterly - Help Window"_s);
        QStringList entries;
        for (int i = 1; i <= 17; ++i)
            entries << (manual.menuHelpTopic[i]->isSeparator()
                            ? u"-"_s
                            : manual.menuHelpTopic[i]->text() + u'=' +
                                  manual.menuHelpTopic[i]->data().toString());
        QCOMPARE(
            entries,
            QStringList({u"Overview=1000"_s, u"-"_s, u"The Admin Window=1500"_s, u"The Employee List=2000"_s,
                         u"List Display Options=3000"_s, u"-"_s, u"Important Program Notes=4000"_s, u"-"_s,
                         u"About Rosterly=7777"_s, u"About Orvic Software=10000"_s, u"-"_s,
                         u"Email a colleague about Rosterly=4444"_s, u"Email Orvic Software=1111"_s,
                         u"Visit Orvic Software's Web Page=2222"_s, u"-"_s, u"Exit this Menu=0"_s,
                         u"Lists to and from spreadsheets=2500"_s}));
        p->help.enabled = false;
        manual.show();
        QVERIFY(QTest::qWaitForWindowExposed(&manual));
        QCOMPARE(manual.CurrentTopic(), 5);
        QCOMPARE(manual.cmdPrintHelp->toolTip(), u" Print this Help Topic "_s);

        manual.txtManual->setPlainText(u"changed"_s);
        manual.menuHelpTopic_Click(5); // the topic shown: nothing happens
        QCOMPARE(manual.txtManual->toPlainText(), u"changed"_s);
        p->prompts.Answer(MsgAnswer::OK);
        manual.menuHelpTopic_Click(9);
        QCOMPARE(p->prompts.Asked().last().title, u"About Rosterly"_s);
        QCOMPARE(p->prompts.Asked().last().text,
                 u"Rosterly\r\nVersion w1.0.0\r\n\r\nPersonnel Records for the Small Business\r\n "
                 u"Copyright (C) 2026 Orvic Software. All rights reserved.\r\n\r\n"_s);
        QCOMPARE(p->prompts.Asked().last().icon, MsgIcon::Information);
        QCOMPARE(manual.CurrentTopic(), 5);
        manual.menuHelpTopic_Click(1);
        QCOMPARE(manual.labelHelpTopic->text(), u"Overview"_s);
        QVERIFY(manual.menuHelpTopic[1]->isChecked() && !manual.menuHelpTopic[5]->isChecked());
        for (int i = 2; i <= 17; ++i)
            QVERIFY(!manual.menuHelpTopic[i]->isCheckable());
        QVERIFY(manual.cmdHelpTopic->hasFocus());

        QTimer::singleShot(0, &manual, [&manual] {
            QTRY_VERIFY(QApplication::activePopupWidget() == manual.menuHelpMenu);
            manual.menuHelpMenu->close();
        });
        QTest::keyClick(manual.txtManual, Qt::Key_F1);
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](QWidget* w) { return qobject_cast<frmManual*>(w) && w->isVisible(); }),
                 1);
        QTest::keyClick(&manual, Qt::Key_Escape);
        QTRY_VERIFY(!manual.isVisible());
        QCOMPARE(frmManual(p->ctx()).CurrentTopic(), 0);
    }

    // The mail to a colleague has no recipient; its subject and body arrive as written.
    void colleagueMail() {
        frmManual manual(p->ctx());
        manual.menuHelpTopic_Click(12);
        QCOMPARE(p->prompts.Opened().size(), 1);
        const QUrl url = p->prompts.Opened().first();
        QCOMPARE(url.scheme(), u"mailto"_s);
        QCOMPARE(url.path(), QString());
        const QUrlQuery query(url);
        QCOMPARE(query.queryItems().size(), 2);
        QCOMPARE(query.queryItemValue(u"subject"_s, QUrl::FullyDecoded),
                 u"'Rosterly' - Personnel Management software from Orvic Software"_s);
        QCOMPARE(
            query.queryItemValue(u"body"_s, QUrl::FullyDecoded),
            u"I came across a computer program from Orvic Software called 'Rosterly' that you might want "
            u"to know about.\r\n\r\nYou can download and install it for free at Orvic Software's website. "
            u"The direct download link is\r\n\r\nhttp://www.rosterly.example/download/rosterly-setup.tar.gz"
            u"\r\n\r\nOrvic Software's website (www.rosterly.example) also has other software that you'd "
            u"probably find as interesting as I did.\r\n\r\nLet me know what you think."_s);
        QVERIFY(url.toString(QUrl::FullyEncoded).startsWith(u"mailto:?subject=%27Rosterly%27%20-%20"_s));
        manual.menuHelpTopic_Click(13);
        manual.menuHelpTopic_Click(14);
        QCOMPARE(p->prompts.Opened().at(1).toString(), u"mailto:support@rosterly.example"_s);
        QCOMPARE(p->prompts.Opened().at(2).toString(), u"http://www.rosterly.example"_s);
    }

    // The printed topic: the heading underlined, the text wrapped between 1 and 7.5 inches, in
    // Arial 10; and as a real PDF.
    void printedTopic() {
        p->help.enabled = false;
        {
            frmManual manual(p->ctx(), 3);
            manual.show();
            QVERIFY(QTest::qWaitForWindowExposed(&manual));
            QTest::mouseClick(manual.cmdPrintHelp, Qt::LeftButton);
        }
        const QList<RecordingPrinter::Item> texts = p->printer.Texts();
        QVERIFY(texts.size() > 10);
        QCOMPARE(texts.first().text, u"Rosterly, Help Section: The Admin Window"_s);
        QCOMPARE(texts.first().font, (PrinterFont{u"Arial"_s, 10, false, false, true, false}));
        QCOMPARE(texts.first().x, 1.0);
        QCOMPARE(texts.first().y, 1.0);
        for (qsizetype i = 1; i < texts.size(); ++i) {
            QCOMPARE(texts[i].font, (PrinterFont{u"Arial"_s, 10}));
            QVERIFY(texts[i].x >= 1.0 && texts[i].x <= 8.0);
        }
        QCOMPARE(p->printer.Documents(), 1);

        const QString dir = folder->FilePath(u"printouts"_s);
        auto pdf = MakePdfPrinter(p->prompts, dir, u"Rosterly"_s);
        AppContext ctx{p->state, p->settings, p->prompts, p->clock, p->io, p->personnel, *pdf, p->windows};
        p->prompts.Answer(MsgAnswer::OK);
        {
            frmManual manual(ctx, 3);
            manual.show();
            QVERIFY(QTest::qWaitForWindowExposed(&manual));
            QTest::mouseClick(manual.cmdPrintHelp, Qt::LeftButton);
        }
        const QStringList files = QDir(dir).entryList({u"*.pdf"_s}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QString error;
        const QList<PdfWord> words = ReadPdfWords(QDir(dir).filePath(files.first()), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const PdfWord* first = FindPdfWord(words, u"Rosterly,"_s, 1);
        QVERIFY(first);
        QVERIFY(std::abs(first->xMin - 1.25) < 0.03); // an inch into the printable area
        QVERIFY(FindPdfWord(words, u"***"_s, 1));
        for (const PdfWord& w : words)
            QVERIFY2(w.xMax <= 8.5, qPrintable(w.text));
    }

    void welcomeAcrossStarts_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<QString>("after");
        QTest::newRow("first start, not ticked") << QString() << false << QString();
        QTest::newRow("first start, ticked") << QString() << true << u"NoShow"_s;
        QTest::newRow("other case does not count") << u"noshow"_s << false << u"noshow"_s;
    }
    void welcomeAcrossStarts() {
        QFETCH(QString, stored);
        QFETCH(bool, tick);
        QFETCH(QString, after);
        AddUserRecord(u"Ann"_s, u"Lee"_s, u"pass1"_s, 4);
        SetNewUser(*p, stored);
        frmTitlePage* title = ShowTitle(*p);
        QVERIFY(title);
        const bool seen =
            WhenWelcomeUp([title] { QTest::mouseClick(title->cmdContinue, Qt::LeftButton); },
                          [tick](frmNewUser* welcome) {
                              QCOMPARE(welcome->windowTitle(), u" Rosterly - New User Overview"_s);
                              QVERIFY(welcome->lbl->text().startsWith(
                                  u"Welcome! Are you a new user? If so, then let's take a moment "
                                  u"for a quick overview.\n\nRosterly is designed"_s));
                              QCOMPARE(welcome->cmdContinue->Caption(), u"&Continue"_s);
                              if (tick)
                                  welcome->chk->click();
                              QTest::mouseClick(welcome->cmdContinue, Qt::LeftButton);
                          });
        QVERIFY(seen);
        QTRY_VERIFY(p->windows.AdminWindow() != nullptr);
        QCOMPARE(p->settings.GetSetting(u"Rosterly"_s, u"Defaults"_s, u"NewUser"_s), after);

        // The next start: straight to the admin window once it reads "NoShow".
        TestProgram next(folder->Path());
        SetNewUser(next, after);
        frmTitlePage* again = ShowTitle(next);
        QVERIFY(again);
        const bool seenAgain = WhenWelcomeUp(
            [again] { QTest::mouseClick(again->cmdContinue, Qt::LeftButton); },
            [](frmNewUser* welcome) { QTest::mouseClick(welcome->cmdContinue, Qt::LeftButton); });
        QCOMPARE(seenAgain, after != u"NoShow");
        QTRY_VERIFY(next.windows.AdminWindow() != nullptr);
    }

    // An empty personnel file opens the manual once for the main window, as Help does.
    void emptyFileOpensHelpOnce() {
        p->prompts.Answer(MsgAnswer::OK);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QTRY_COMPARE(p->help.shown.size(), 1);
        QCOMPARE(p->help.shown.first().topic, 4);
        p->prompts.Answer(MsgAnswer::OK);
        w->RefreshEmployeeList();
        QCoreApplication::processEvents(); // and what the refresh left to the event loop
        QCOMPARE(p->help.shown.size(), 1);
        QCOMPARE(p->prompts.Pending(), 0);
    }

    void tileBackground() {
        QImage small(10, 10, QImage::Format_RGB32);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                small.setPixelColor(x, y, QColor(x * 20, y * 20, 100));
        QImage canvas(25, 25, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        {
            QPainter painter(&canvas);
            TileBackground(painter, small, canvas.size());
        }
        for (const QPoint& at : {QPoint(0, 0), QPoint(13, 7), QPoint(24, 24), QPoint(20, 3)})
            QCOMPARE(canvas.pixelColor(at), small.pixelColor(at.x() % 10, at.y() % 10));

        QImage large(40, 30, QImage::Format_RGB32);
        large.fill(QColor(1, 2, 3));
        large.setPixelColor(24, 24, QColor(200, 100, 50));
        canvas.fill(Qt::black);
        {
            QPainter painter(&canvas);
            TileBackground(painter, large, canvas.size());
        }
        QCOMPARE(canvas.pixelColor(24, 24), QColor(200, 100, 50));
        QCOMPARE(canvas.pixelColor(0, 0), QColor(1, 2, 3));
        QVERIFY(!BackgroundPicture().isNull());
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
