#include "data/personnelfile.h"
#include "data/userlist.h"
#include "print/printer.h"
#include "settings/settingsstore.h"
#include "support/recordsfile.h"
#include "support/scriptedprompts.h"
#include "support/testsupport.h"
#include "ui/links.h"
#include "ui/prompts.h"
#include "ui/spoken.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include <sys/stat.h>

Q_DECLARE_METATYPE(MsgButtons)
Q_DECLARE_METATYPE(MsgDefault)
Q_DECLARE_METATYPE(MsgAnswer)
Q_DECLARE_METATYPE(LinkKind)

namespace {

// Acts on the next modal window from inside its event loop, as a user would. Gives up after a
// few seconds, and once it goes out of scope, so a dialog that never shows fails instead of hanging.
class OnModal {
public:
    explicit OnModal(std::function<void(QWidget*)> act) : m_state(std::make_shared<State>()) {
        m_state->act = std::move(act);
        Poll(m_state, 250);
    }
    ~OnModal() { m_state->expired = true; }
    bool Shown() const { return m_state->shown; }

private:
    struct State {
        std::function<void(QWidget*)> act;
        bool shown = false;
        bool expired = false;
    };
    std::shared_ptr<State> m_state;

    static void Poll(const std::shared_ptr<State>& state, int tries) {
        QTimer::singleShot(20, [state, tries] {
            if (state->expired)
                return;
            if (QWidget* modal = QApplication::activeModalWidget()) {
                state->shown = true;
                state->act(modal);
            } else if (tries > 0) {
                Poll(state, tries - 1);
            }
        });
    }
};

// Records the links the desktop was asked to open.
class LinkCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

const QString App = QStringLiteral("Rosterly");
const QString Defaults = QStringLiteral("Defaults");

} // namespace

class TestSeams : public QObject {
    Q_OBJECT
private slots:
    void settingsFileHoldsPlainIni();
    void settingsDefaultFolderIsUserConfig();
    void settingsReadBackExactly_data();
    void settingsReadBackExactly();
    void settingsDefaults();
    void accessCode();

    void buildLink_data();
    void buildLink();
    void openLinkHandsExactUrlToDesktop();
    void openLinkReportsFailure();

    void displayText();
    void spokenCaption_data();
    void spokenCaption();
    void messageBox_data();
    void messageBox();
    void choiceBox_data();
    void choiceBox();
    void inputBox();
    void openFileDialog();
    void folderChooser();

    void scriptedPromptsRecordAndAnswer();
    void tempDataFolder();
    void filesAreOwnerOnlyWhateverTheUmask();
};

void TestSeams::settingsFileHoldsPlainIni() {
    QTemporaryDir dir;
    IniSettingsStore store(dir.path());
    const QString path = dir.path() + QStringLiteral("/Rosterly/Rosterly.ini");
    QCOMPARE(store.FilePath(App), path);

    store.SaveSetting(App, Defaults, QStringLiteral("NewUser"), QStringLiteral("NoShow"));
    store.SaveSetting(App, Defaults, QStringLiteral("FadeStatus"), QStringLiteral("1"));
    QCOMPARE(ReadFileBytes(path), QByteArray("[Defaults]\nFadeStatus=1\nNewUser=NoShow\n"));

    store.SaveSetting(QStringLiteral("Other"), QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"));
    QCOMPARE(ReadFileBytes(dir.path() + QStringLiteral("/Other/Other.ini")), QByteArray("[S]\nK=v\n"));
}

void TestSeams::settingsDefaultFolderIsUserConfig() {
    QTemporaryDir dir;
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    const QString path = IniSettingsStore().FilePath(App);
    if (previous.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", previous);
    QCOMPARE(path, dir.path() + QStringLiteral("/Rosterly/Rosterly.ini"));
}

void TestSeams::settingsReadBackExactly_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("zero") << QStringLiteral("0");
    QTest::newRow("word") << QStringLiteral("NoShow");
    QTest::newRow("comma") << QStringLiteral("Smith, Jones and Co");
    QTest::newRow("leading at") << QStringLiteral("@Variant(x)");
    QTest::newRow("blanks and quotes") << QStringLiteral("  \"a\" ; b=c  ");
    QTest::newRow("non-ascii") << QStringLiteral("Müller & Søn");
    QTest::newRow("empty") << QString();
}

void TestSeams::settingsReadBackExactly() {
    QFETCH(QString, value);
    QTemporaryDir dir;
    IniSettingsStore(dir.path()).SaveSetting(App, Defaults, QStringLiteral("Key"), value);
    QCOMPARE(
        IniSettingsStore(dir.path()).GetSetting(App, Defaults, QStringLiteral("Key"), QStringLiteral("dflt")),
        value);
}

void TestSeams::settingsDefaults() {
    QTemporaryDir dir;
    IniSettingsStore store(dir.path());
    QCOMPARE(store.GetSetting(App, Defaults, QStringLiteral("NewUser"), QStringLiteral("Show")),
             QStringLiteral("Show"));
    QCOMPARE(ProgramSettings::Organization(store), QStringLiteral("Your Organization"));

    store.SaveSetting(App, Defaults, QStringLiteral("Organization"), QStringLiteral("Acme Ltd"));
    QCOMPARE(ProgramSettings::Organization(store), QStringLiteral("Acme Ltd"));
    QCOMPARE(store.GetSetting(App, QStringLiteral("Other"), QStringLiteral("Organization")), QString());

    // An unquoted comma typed into the file by hand still reads as one text.
    QFile file(store.FilePath(App));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Defaults]\nOrganization=Smith, Jones and Co\n");
    file.close();
    QCOMPARE(ProgramSettings::Organization(store), QStringLiteral("Smith, Jones and Co"));
}

void TestSeams::accessCode() {
    QTemporaryDir dir;
    IniSettingsStore store(dir.path());
    const QString code = ProgramSettings::AccessCode(store);
    QVERIFY2(QRegularExpression(QStringLiteral("^[1-9][0-9]{5}$")).match(code).hasMatch(), qPrintable(code));
    QCOMPARE(ReadFileBytes(store.FilePath(App)), "[Defaults]\nAccessCode=" + code.toLatin1() + '\n');
    QCOMPARE(ProgramSettings::AccessCode(store), code);
    IniSettingsStore again(dir.path());
    QCOMPARE(ProgramSettings::AccessCode(again), code);

    store.SaveSetting(App, Defaults, QStringLiteral("AccessCode"), QStringLiteral("4711"));
    QCOMPARE(ProgramSettings::AccessCode(store), QStringLiteral("4711"));

    // A blank code is no code: the admin window must stay reachable.
    store.SaveSetting(App, Defaults, QStringLiteral("AccessCode"), QStringLiteral(" "));
    const QString fresh = ProgramSettings::AccessCode(store);
    QCOMPARE(fresh.size(), 6);
    QCOMPARE(store.GetSetting(App, Defaults, QStringLiteral("AccessCode")), fresh);
}

// What a screen reader speaks for a control named by its caption.
void TestSeams::spokenCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("spoken");
    QTest::newRow("required") << QStringLiteral("* First Name") << QStringLiteral("First Name");
    QTest::newRow("key and colon") << QStringLiteral("&Find:") << QStringLiteral("Find");
    QTest::newRow("ampersand") << QStringLiteral("Salt && &Pepper") << QStringLiteral("Salt & Pepper");
    QTest::newRow("two lines") << QStringLiteral("&Save\r\nNew Entry") << QStringLiteral("Save New Entry");
    QTest::newRow("framed") << QStringLiteral(" In Case of Emergency ") << QStringLiteral("In Case of Emergency");
}
void TestSeams::spokenCaption() {
    QFETCH(QString, caption);
    QTEST(SpokenCaption(caption), "spoken");
}

void TestSeams::buildLink_data() {
    QTest::addColumn<LinkKind>("kind");
    QTest::addColumn<QString>("target");
    QTest::addColumn<LinkQuery>("query");
    QTest::addColumn<QString>("expected");

    const LinkQuery none;
    QTest::newRow("mail") << LinkKind::Mail << QStringLiteral("ann@x.com") << none
                          << QStringLiteral("mailto:ann@x.com");
    QTest::newRow("mail default") << LinkKind::Mail << QString() << none
                                  << QStringLiteral("mailto:support@rosterly.example");
    QTest::newRow("web") << LinkKind::Web << QStringLiteral("www.acme-ltd.com") << none
                         << QStringLiteral("http://www.acme-ltd.com");
    QTest::newRow("web default") << LinkKind::Web << QString() << none
                                 << QStringLiteral("http://www.rosterly.example");
    QTest::newRow("added fields") << LinkKind::Mail
                                  << QStringLiteral("ann@x.com?cc=evil@y.com&attach=/etc/passwd") << none
                                  << QStringLiteral(
                                         "mailto:ann@x.com%3Fcc%3Devil@y.com%26attach%3D%2Fetc%2Fpasswd");
    QTest::newRow("header break") << LinkKind::Mail << QStringLiteral("ann@x.com\r\nBcc: evil@y.com") << none
                                  << QStringLiteral("mailto:ann@x.com%0D%0ABcc%3A%20evil@y.com");
    QTest::newRow("typed escapes") << LinkKind::Mail << QStringLiteral("ann@x.com%0D%0ABcc") << none
                                   << QStringLiteral("mailto:ann@x.com%250D%250ABcc");
    QTest::newRow("list and fragment") << LinkKind::Mail << QStringLiteral("a@x.com,b@y.com;c#d") << none
                                       << QStringLiteral("mailto:a@x.com%2Cb@y.com%3Bc%23d");
    QTest::newRow("plus, non-ascii") << LinkKind::Mail << QStringLiteral("jürgen+hr@x.de") << none
                                     << QStringLiteral("mailto:j%C3%BCrgen+hr@x.de");
    QTest::newRow("no recipient") << LinkKind::MailToNobody << QStringLiteral("ignored@x.com")
                                  << LinkQuery{{QStringLiteral("subject"), QStringLiteral("'R' & co")},
                                               {QStringLiteral("body"), QStringLiteral("a\r\nb")}}
                                  << QStringLiteral("mailto:?subject=%27R%27%20%26%20co&body=a%0D%0Ab");
    QTest::newRow("help mail") << LinkKind::Mail << QString()
                               << LinkQuery{{QStringLiteral("subject"),
                                             QStringLiteral("Rosterly 1.0 question")},
                                            {QStringLiteral("body"), QStringLiteral("Q&A: a=b?")}}
                               << QStringLiteral(
                                      "mailto:support@rosterly.example"
                                      "?subject=Rosterly%201.0%20question&body=Q%26A%3A%20a%3Db%3F");
}

void TestSeams::buildLink() {
    QFETCH(LinkKind, kind);
    QFETCH(QString, target);
    QFETCH(LinkQuery, query);
    QFETCH(QString, expected);
    const QUrl url = BuildLink(kind, target, query);
    QVERIFY2(url.isValid(), qPrintable(url.errorString()));
    QCOMPARE(url.toString(QUrl::FullyEncoded), expected);
}

void TestSeams::openLinkHandsExactUrlToDesktop() {
    ScriptedPrompts prompts;
    OpenLink(LinkKind::Mail, nullptr, QStringLiteral("ann@x.com?cc=b@y.com"), prompts);
    OpenLink(LinkKind::Web, nullptr, QString(), prompts);
    QCOMPARE(prompts.Opened().size(), 2);
    QCOMPARE(prompts.Opened().at(0).toString(QUrl::FullyEncoded),
             QStringLiteral("mailto:ann@x.com%3Fcc%3Db@y.com"));
    QCOMPARE(prompts.Opened().at(1).toString(QUrl::FullyEncoded),
             QStringLiteral("http://www.rosterly.example"));
    QVERIFY(prompts.Asked().isEmpty());

    // The real seam hands the link to the desktop as it stands.
    LinkCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "open");
    DialogPrompts dialogs;
    QVERIFY(dialogs.OpenUrl(prompts.Opened().at(0)));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    QCOMPARE(catcher.opened, QList<QUrl>{prompts.Opened().at(0)});
}

void TestSeams::openLinkReportsFailure() {
    // A host with a path or a port is no host: the link cannot be made, so nothing is opened.
    ScriptedPrompts prompts;
    prompts.Answer(MsgAnswer::OK);
    OpenLink(LinkKind::Web, nullptr, QStringLiteral("www.acme.com/jobs?x=1"), prompts);

    QVERIFY(prompts.Opened().isEmpty());
    QCOMPARE(prompts.Pending(), 0);
    QCOMPARE(prompts.Asked().size(), 1);
    const Prompt& asked = prompts.Asked().first();
    QCOMPARE(asked.text, QStringLiteral("Could not establish an internet connection!"));
    QCOMPARE(asked.title, QStringLiteral("Error"));
    QCOMPARE(asked.buttons, MsgButtons::OKOnly);
    QCOMPARE(asked.icon, MsgIcon::Critical);
}

void TestSeams::displayText() {
    QCOMPARE(DisplayText(QStringLiteral("one\r\ntwo\rthree\nfour")), QStringLiteral("one\ntwo\nthree\nfour"));
    QCOMPARE(DisplayText(QStringLiteral("\r\n\r\n\r")), QStringLiteral("\n\n\n"));
    QCOMPARE(DisplayText(QStringLiteral("\n\r")), QStringLiteral("\n\n"));
    QCOMPARE(DisplayText(QString()), QString());
}

void TestSeams::messageBox_data() {
    QTest::addColumn<MsgButtons>("buttons");
    QTest::addColumn<MsgDefault>("defaultButton");
    QTest::addColumn<int>("shown");   // QMessageBox::StandardButtons
    QTest::addColumn<int>("focused"); // QMessageBox::StandardButton
    QTest::addColumn<int>("press");   // a StandardButton to click; 0 Escape, -1 closing the window
    QTest::addColumn<MsgAnswer>("answer");

    using B = QMessageBox;
    QTest::newRow("ok, escape") << MsgButtons::OKOnly << MsgDefault::Button1 << int(B::Ok) << int(B::Ok) << 0
                                << MsgAnswer::OK;
    QTest::newRow("ok, closed") << MsgButtons::OKOnly << MsgDefault::Button1 << int(B::Ok) << int(B::Ok) << -1
                                << MsgAnswer::OK;
    QTest::newRow("ok cancel, escape") << MsgButtons::OKCancel << MsgDefault::Button1
                                       << int(B::Ok | B::Cancel) << int(B::Ok) << 0 << MsgAnswer::Cancel;
    QTest::newRow("abort retry ignore, retry")
        << MsgButtons::AbortRetryIgnore << MsgDefault::Button3 << int(B::Abort | B::Retry | B::Ignore)
        << int(B::Ignore) << int(B::Retry) << MsgAnswer::Retry;
    QTest::newRow("abort retry ignore, escape")
        << MsgButtons::AbortRetryIgnore << MsgDefault::Button1 << int(B::Abort | B::Retry | B::Ignore)
        << int(B::Abort) << 0 << MsgAnswer::Abort;
    QTest::newRow("yes no cancel, no")
        << MsgButtons::YesNoCancel << MsgDefault::Button2 << int(B::Yes | B::No | B::Cancel) << int(B::No)
        << int(B::No) << MsgAnswer::No;
    QTest::newRow("yes no cancel, closed")
        << MsgButtons::YesNoCancel << MsgDefault::Button1 << int(B::Yes | B::No | B::Cancel) << int(B::Yes)
        << -1 << MsgAnswer::Cancel;
    QTest::newRow("yes no, escape") << MsgButtons::YesNo << MsgDefault::Button2 << int(B::Yes | B::No)
                                    << int(B::No) << 0 << MsgAnswer::No;
    QTest::newRow("yes no, yes") << MsgButtons::YesNo << MsgDefault::Button1 << int(B::Yes | B::No)
                                 << int(B::Yes) << int(B::Yes) << MsgAnswer::Yes;
    QTest::newRow("retry cancel, default past the end")
        << MsgButtons::RetryCancel << MsgDefault::Button3 << int(B::Retry | B::Cancel) << int(B::Retry) << 0
        << MsgAnswer::Cancel;
}

void TestSeams::messageBox() {
    QFETCH(MsgButtons, buttons);
    QFETCH(MsgDefault, defaultButton);
    QFETCH(int, shown);
    QFETCH(int, focused);
    QFETCH(int, press);
    QFETCH(MsgAnswer, answer);

    QString title, text;
    int standardButtons = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
    bool defaultMatches = false;
    OnModal user([&](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box == nullptr) {
            window->close();
            return;
        }
        title = box->windowTitle();
        text = box->text();
        standardButtons = int(box->standardButtons());
        icon = box->icon();
        format = box->textFormat();
        defaultMatches = box->defaultButton() == box->button(QMessageBox::StandardButton(focused));
        if (press == 0)
            QTest::keyClick(box, Qt::Key_Escape);
        else if (press == -1)
            box->close();
        else
            box->button(QMessageBox::StandardButton(press))->click();
    });
    const MsgAnswer result =
        DialogPrompts().MsgBox(QStringLiteral("Delete <b>Ann</b>?\r\nThis cannot be undone."), buttons,
                               MsgIcon::Exclamation, QStringLiteral("Confirm"), defaultButton);
    QVERIFY(user.Shown());
    QCOMPARE(title, QStringLiteral("Confirm"));
    QCOMPARE(text, QStringLiteral("Delete <b>Ann</b>?\nThis cannot be undone."));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(standardButtons, shown);
    QVERIFY(defaultMatches);
    QCOMPARE(result, answer);
}

void TestSeams::choiceBox_data() {
    QTest::addColumn<int>("press"); // a button by its index; -1 Enter, -2 Escape, -3 closing the window
    QTest::addColumn<int>("answer");
    QTest::newRow("enter") << -1 << 1;
    QTest::newRow("escape") << -2 << 2;
    QTest::newRow("closed") << -3 << 2;
    QTest::newRow("first") << 0 << 0;
    QTest::newRow("last") << 2 << 2;
}

void TestSeams::choiceBox() {
    QFETCH(int, press);
    QFETCH(int, answer);
    const QStringList captions{QStringLiteral("Import &All"), QStringLiteral("Import Only &New"),
                               QStringLiteral("Cancel")};
    QString title, text, focused;
    QStringList shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
    OnModal user([&](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box == nullptr) {
            window->close();
            return;
        }
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        format = box->textFormat();
        for (const QAbstractButton* button : box->buttons())
            shown << button->text();
        focused = box->defaultButton() ? box->defaultButton()->text() : QString();
        if (press == -1)
            QTest::keyClick(box, Qt::Key_Return);
        else if (press == -2)
            QTest::keyClick(box, Qt::Key_Escape);
        else if (press == -3)
            box->close();
        for (QAbstractButton* button : box->buttons()) {
            if (press >= 0 && button->text() == captions[press])
                button->click();
        }
    });
    const int result =
        DialogPrompts().Choose(QStringLiteral("Import <b>all</b>?\r\nOr only the new ones?"),
                               MsgIcon::Question, QStringLiteral("Import Employees"), captions, 1, 2);
    QVERIFY(user.Shown());
    QCOMPARE(title, QStringLiteral("Import Employees"));
    QCOMPARE(text, QStringLiteral("Import <b>all</b>?\nOr only the new ones?"));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(icon, QMessageBox::Question);
    shown.sort();
    QCOMPARE(shown, QStringList({QStringLiteral("Cancel"), QStringLiteral("Import &All"),
                                 QStringLiteral("Import Only &New")}));
    QCOMPARE(focused, QStringLiteral("Import Only &New"));
    QCOMPARE(result, answer);
}

void TestSeams::inputBox() {
    QString title, label, proposed;
    OnModal typing([&](QWidget* window) {
        auto* dialog = qobject_cast<QInputDialog*>(window);
        if (dialog == nullptr) {
            window->close();
            return;
        }
        title = dialog->windowTitle();
        label = dialog->labelText();
        proposed = dialog->textValue();
        dialog->setTextValue(QStringLiteral("Jones"));
        dialog->accept();
    });
    QCOMPARE(DialogPrompts().InputBox(QStringLiteral("Last name:\r\n(as on the badge)"),
                                      QStringLiteral("Find"), QStringLiteral("Smith")),
             QStringLiteral("Jones"));
    QVERIFY(typing.Shown());
    QCOMPARE(title, QStringLiteral("Find"));
    QCOMPARE(label, QStringLiteral("Last name:\n(as on the badge)"));
    QCOMPARE(proposed, QStringLiteral("Smith"));

    OnModal cancelling([](QWidget* window) { QTest::keyClick(window, Qt::Key_Escape); });
    const QString cancelled =
        DialogPrompts().InputBox(QStringLiteral("Name:"), QStringLiteral("Find"), QStringLiteral("Smith"));
    QVERIFY(cancelling.Shown());
    QCOMPARE(cancelled, QString());
}

void TestSeams::openFileDialog() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("staff.dat"));
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));

    QString title, folder;
    QStringList filters;
    OnModal choosing([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        if (dialog == nullptr) {
            window->close();
            return;
        }
        title = dialog->windowTitle();
        folder = dialog->directory().absolutePath();
        filters = dialog->nameFilters();
        // Typed, as selectFile() leaves the name field alone while it has the focus.
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(QStringLiteral("staff.dat"));
        static_cast<QDialog*>(dialog)->accept(); // the file dialog's own accept checks the choice
    });
    const QString chosen = DialogPrompts().GetOpenFileName(QStringLiteral("Open Records"), dir.path(),
                                                           QStringLiteral("Records (*.dat);;All Files (*)"));
    QVERIFY(choosing.Shown());
    QCOMPARE(title, QStringLiteral("Open Records"));
    QCOMPARE(folder, QDir(dir.path()).absolutePath());
    QCOMPARE(filters, QStringList({QStringLiteral("Records (*.dat)"), QStringLiteral("All Files (*)")}));
    QCOMPARE(chosen, file);
}

void TestSeams::folderChooser() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Backups")));
    const QString backups = dir.filePath(QStringLiteral("Backups"));

    QString label;
    bool foldersOnly = false;
    OnModal choosing([&](QWidget* window) {
        auto* chooser = window->findChild<QFileDialog*>();
        auto* prompt = window->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        if (chooser == nullptr || prompt == nullptr) {
            window->close();
            return;
        }
        label = prompt->text();
        foldersOnly =
            chooser->fileMode() == QFileDialog::Directory && chooser->testOption(QFileDialog::ShowDirsOnly);
        chooser->setDirectory(backups);
        static_cast<QDialog*>(chooser)->accept();
    });
    const QString chosen =
        DialogPrompts().BrowseForFolder(QStringLiteral("Choose the folder\r\nfor the backup"));
    QVERIFY(choosing.Shown());
    QCOMPARE(label, QStringLiteral("Choose the folder\nfor the backup"));
    QVERIFY(foldersOnly);
    QCOMPARE(QFileInfo(chosen).canonicalFilePath(), QFileInfo(backups).canonicalFilePath());

    OnModal cancelling([](QWidget* window) {
        QTest::keyClick(window->focusWidget() != nullptr ? window->focusWidget() : window, Qt::Key_Escape);
    });
    const QString cancelled = DialogPrompts().BrowseForFolder(QStringLiteral("Choose"));
    QVERIFY(cancelling.Shown());
    QCOMPARE(cancelled, QString());
}

void TestSeams::scriptedPromptsRecordAndAnswer() {
    ScriptedPrompts prompts;
    prompts.Answer(MsgAnswer::No).AnswerInput(QStringLiteral("Jones")).AnswerFile(QStringLiteral("/d/a.dat"));
    prompts.AnswerFolder(QStringLiteral("/backup"));

    QCOMPARE(prompts.MsgBox(QStringLiteral("Save?\r\nNow"), MsgButtons::YesNoCancel, MsgIcon::Question,
                            QStringLiteral("Rosterly"), MsgDefault::Button2),
             MsgAnswer::No);
    QCOMPARE(prompts.Pending(), 3);
    QCOMPARE(prompts.InputBox(QStringLiteral("Name:"), QStringLiteral("Find"), QStringLiteral("Sm")),
             QStringLiteral("Jones"));
    QCOMPARE(
        prompts.GetOpenFileName(QStringLiteral("Open"), QStringLiteral("/d"), QStringLiteral("R (*.dat)")),
        QStringLiteral("/d/a.dat"));
    QCOMPARE(prompts.BrowseForFolder(QStringLiteral("Where?")), QStringLiteral("/backup"));
    prompts.AnswerChoice(QStringLiteral("&Later"));
    const QStringList buttons{QStringLiteral("&Now"), QStringLiteral("&Later"), QStringLiteral("Cancel")};
    QCOMPARE(
        prompts.Choose(QStringLiteral("When?"), MsgIcon::Question, QStringLiteral("Backup"), buttons, 0, 2),
        1);
    QCOMPARE(prompts.Pending(), 0);

    const QList<Prompt>& asked = prompts.Asked();
    QCOMPARE(asked.size(), 5);
    QCOMPARE(asked[0].kind, Prompt::Kind::Message);
    QCOMPARE(asked[0].text, QStringLiteral("Save?\r\nNow"));
    QCOMPARE(asked[0].title, QStringLiteral("Rosterly"));
    QCOMPARE(asked[0].buttons, MsgButtons::YesNoCancel);
    QCOMPARE(asked[0].icon, MsgIcon::Question);
    QCOMPARE(asked[0].defaultButton, MsgDefault::Button2);
    QCOMPARE(asked[1].kind, Prompt::Kind::Input);
    QCOMPARE(asked[1].text, QStringLiteral("Name:"));
    QCOMPARE(asked[1].proposed, QStringLiteral("Sm"));
    QCOMPARE(asked[2].kind, Prompt::Kind::OpenFile);
    QCOMPARE(asked[2].title, QStringLiteral("Open"));
    QCOMPARE(asked[2].folder, QStringLiteral("/d"));
    QCOMPARE(asked[2].filter, QStringLiteral("R (*.dat)"));
    QCOMPARE(asked[3].kind, Prompt::Kind::Folder);
    QCOMPARE(asked[3].text, QStringLiteral("Where?"));
    QCOMPARE(asked[4].kind, Prompt::Kind::Choice);
    QCOMPARE(asked[4].text, QStringLiteral("When?"));
    QCOMPARE(asked[4].title, QStringLiteral("Backup"));
    QCOMPARE(asked[4].icon, MsgIcon::Question);
    QCOMPARE(asked[4].choices, buttons);
    QCOMPARE(asked[4].defaultChoice, 0);
    QCOMPARE(asked[4].cancelChoice, 2);
}

void TestSeams::tempDataFolder() {
    const QString before = QDir::currentPath();
    QString inside;
    {
        TempDataFolder folder;
        QVERIFY(folder.IsValid());
        inside = folder.Path();
        QCOMPARE(QDir::current().canonicalPath(), QDir(inside).canonicalPath());
        QFile file(QStringLiteral("relative.dat"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("ab\0c", 4);
        file.close();
        QCOMPARE(ReadFileBytes(folder.FilePath(QStringLiteral("relative.dat"))), QByteArray("ab\0c", 4));
    }
    QCOMPARE(QDir::currentPath(), before);
    QVERIFY(!QDir(inside).exists());
    QCOMPARE(ReadFileBytes(inside + QStringLiteral("/relative.dat")), QByteArray());
}

QTEST_MAIN(TestSeams)
// Every file the program makes holding personal data or a secret, made under umask 000: the data
// files, the settings file and its folder, the printouts' folder and a printout.
void TestSeams::filesAreOwnerOnlyWhateverTheUmask() {
    TempDataFolder folder;
    const mode_t before = ::umask(0);
    {
        PersonnelFileOnDisk personnel;
        QVERIFY(personnel.OpenPersonnelFile());
        personnel.Record().SetFirstName(QStringLiteral("Ann"));
        QVERIFY(personnel.AppendPersonnelRecord());
        personnel.ClosePersonnelFile();
        UserList users(personnel.io);
        QVERIFY(users.OpenUserList());
        users.Record().SetFirstName(QStringLiteral("Ann"));
        QVERIFY(users.WriteUserRecord(1));
        users.CloseUserList();

        IniSettingsStore settings(folder.FilePath(QStringLiteral("config")));
        QCOMPARE(ProgramSettings::AccessCode(settings).size(), 6);

        ScriptedPrompts prompts;
        prompts.Answer(MsgAnswer::OK);
        auto pdf =
            MakePdfPrinter(prompts, folder.FilePath(QStringLiteral("Printouts")), QStringLiteral("Rosterly"));
        pdf->Print(QStringLiteral("123-45-6789"));
        QCOMPARE(pdf->EndDoc(), QString());
    }
    ::umask(before);
    QCOMPARE(FileMode(QStringLiteral("Rosterly.Data")), 0600);
    QCOMPARE(FileMode(QStringLiteral("User.List")), 0600);
    QCOMPARE(FileMode(folder.FilePath(QStringLiteral("config"))), 0700); // made on the way
    QCOMPARE(FileMode(folder.FilePath(QStringLiteral("config/Rosterly"))), 0700);
    QCOMPARE(FileMode(folder.FilePath(QStringLiteral("config/Rosterly/Rosterly.ini"))), 0600);
    QCOMPARE(FileMode(folder.FilePath(QStringLiteral("Printouts"))), 0700);
    const QStringList pdfs =
        QDir(folder.FilePath(QStringLiteral("Printouts"))).entryList({QStringLiteral("*.pdf")});
    QCOMPARE(pdfs.size(), 1);
    QCOMPARE(FileMode(folder.FilePath(QStringLiteral("Printouts/")) + pdfs.first()), 0600);
}

#include "tst_seams.moc"
