// Start-up: one copy per user, the title window, and the orderly end of the program.
#include "app/frmtitlepage.h"
#include "app/programwindows.h"
#include "app/singleinstance.h"
#include "data/personnelfile.h"
#include "data/programstate.h"
#include "support/scriptedprompts.h"
#include "support/testprogram.h"
#include "support/testsupport.h"
#include "ui/fade.h"
#include "ui/orvicbutton.h"
#include "ui/settingsstore.h"
#include "users/frmadmin.h"

#include <QLabel>
#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {
// The test binary doubles as the "other copy" of the program: with --hold-lock it takes the
// lock and keeps it until its input closes; with --try-lock it reports whether it got it.
int ChildMain(const QString& mode) {
    SingleInstance instance(QStringLiteral("Rosterly"));
    const bool locked = instance.TryAcquire();
    QTextStream out(stdout);
    out << (locked ? "locked" : "refused") << Qt::endl;
    if (mode == QStringLiteral("--hold-lock") && locked) {
        QTextStream in(stdin);
        in.readLine(); // until the parent closes our input or kills us
    }
    return locked ? 0 : 3;
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_runtime;
    QProcess* StartChild(const QString& mode) {
        auto* p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        p->setProcessEnvironment(env);
        p->start(QCoreApplication::applicationFilePath(), {mode});
        return p;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_runtime.isValid());
        QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }

    void secondCopyIsRefused() {
        QProcess* first = StartChild(QStringLiteral("--hold-lock"));
        QVERIFY(first->waitForReadyRead(10000));
        QCOMPARE(first->readLine().trimmed(), QByteArray("locked"));

        QProcess* second = StartChild(QStringLiteral("--try-lock"));
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->readAllStandardOutput().trimmed(), QByteArray("refused"));
        QCOMPARE(second->exitCode(), 3);
        QCOMPARE(AlreadyRunningText(QStringLiteral("Rosterly")),
                 QStringLiteral("Rosterly is already loaded\r\nand running on your computer!"));
        QCOMPARE(QString::fromLatin1(AlreadyRunningTitle), QStringLiteral("Terminating..."));

        // A copy that crashed leaves no lock that counts.
        first->kill();
        QVERIFY(first->waitForFinished(10000));
        QProcess* third = StartChild(QStringLiteral("--try-lock"));
        QVERIFY(third->waitForFinished(10000));
        QCOMPARE(third->readAllStandardOutput().trimmed(), QByteArray("locked"));
    }

    void titleWindowShowsItsLabelsAndGoesOn() {
        TempDataFolder folder;
        TestProgram p(folder.Path());
        AddUserRecord(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("pass1"), 4);
        p.windows.ShowTitleWindow();
        frmTitlePage* title = p.windows.TitleWindow();
        QVERIFY(QTest::qWaitForWindowExposed(title));
        QCOMPARE(title->cmdContinue->Caption(), QStringLiteral("&Continue"));
        QCOMPARE(title->labelAppTitle->text(), QStringLiteral("Rosterly"));
        QCOMPARE(title->labelAppDescription->text(),
                 QStringLiteral("Personnel Records for the Small Business"));
        QCOMPARE(title->labelVersion->text(), QStringLiteral("Version w1.0.0"));
        QCOMPARE(title->labelOrvicSoftware->text(), QStringLiteral("Orvic Software"));
        QVERIFY(!p.state.FadeEnabled); // no fades without the setting

        title->SetScreenSizeForCheck(QSize(1024, 768));
        QTest::mouseClick(title->cmdContinue, Qt::LeftButton);
        QVERIFY(p.prompts.Asked().isEmpty());
        QTRY_VERIFY(p.windows.TitleWindow() == nullptr);
        QVERIFY(p.windows.AdminWindow() != nullptr);
        QVERIFY(p.windows.AdminWindow()->isVisible());
    }

    void narrowScreenIsWarnedAbout() {
        TempDataFolder folder;
        TestProgram p(folder.Path());
        AddUserRecord(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("pass1"), 4);
        p.windows.ShowTitleWindow();
        p.windows.TitleWindow()->SetScreenSizeForCheck(QSize(640, 480));
        p.prompts.Answer(MsgAnswer::OK);
        QTest::keyClick(p.windows.TitleWindow()->cmdContinue, Qt::Key_Space);
        QCOMPARE(p.prompts.Asked().size(), 1);
        const Prompt& warning = p.prompts.Asked().first();
        QCOMPARE(warning.title, QStringLiteral("Screen Resolution Issue"));
        QCOMPARE(warning.icon, MsgIcon::None);
        QCOMPARE(warning.buttons, MsgButtons::OKOnly);
        QCOMPARE(warning.text,
                 QStringLiteral(
                     "Rosterly is designed for use on a\r\nscreen resolution of at least 800x600. \r\n\r\n"
                     "Rosterly will not display correctly on\r\nyour current screen resolution (640x480)."
                     "\r\n\r\nYou can adjust your screen resolution by\r\nright-clicking anywhere on your "
                     "desktop,\r\nselect <Properties>, then <Settings>,\r\nand then select and accept at "
                     "least\r\n800x600 as your 'Screen Area'."));
        QTRY_VERIFY(p.windows.AdminWindow() != nullptr); // a warning only
    }

    void titleFadesWhenSwitchedOn() {
        TempDataFolder folder;
        TestProgram p(folder.Path());
        AddUserRecord(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("pass1"), 4);
        p.SetFades(true);
        p.windows.ShowTitleWindow();
        frmTitlePage* title = p.windows.TitleWindow();
        QVERIFY(p.state.FadeEnabled);
        QCOMPARE(title->windowOpacity(), 0.0); // invisible until the fade-in runs
        QSignalSpy alphas(title->Fade(), &WindowFade::AlphaApplied);
        QTRY_VERIFY(!title->Fade()->IsFading() && alphas.size() > 0);
        QCOMPARE(alphas.size(), 51); // 0 to 255 in steps of 5
        QCOMPARE(alphas.last().first().toInt(), 255);
        title->SetScreenSizeForCheck(QSize(1024, 768));
        QTest::mouseClick(title->cmdContinue, Qt::LeftButton);
        QVERIFY(p.windows.AdminWindow() == nullptr); // not before the fade-out has ended
        QTRY_VERIFY(p.windows.AdminWindow() != nullptr);
        QVERIFY(p.windows.TitleWindow() == nullptr);
    }

    void exitDeletesOnlyEmptyDataFiles() {
        TempDataFolder folder;
        TestProgram p(folder.Path());
        AddUserRecord(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("pass1"), 4);
        QFile(QStringLiteral("Rosterly.Data")).open(QIODevice::WriteOnly); // empty
        QFile log(QStringLiteral("User.Log"));
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write("x\r\n");
        log.close();
        QFile other(QStringLiteral("notes.txt")); // not a data file: never touched
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        p.windows.ShowAdminWindow();
        p.windows.ExitProgram();
        QCOMPARE(p.ended, 1);
        QVERIFY(!QFile::exists(QStringLiteral("Rosterly.Data")));
        QVERIFY(QFile::exists(QStringLiteral("User.List")));
        QVERIFY(QFile::exists(QStringLiteral("User.Log")));
        QVERIFY(QFile::exists(QStringLiteral("notes.txt")));
        QTRY_VERIFY(p.windows.AdminWindow() == nullptr);
    }
};

int main(int argc, char* argv[]) {
    if (argc == 2 && (qstrcmp(argv[1], "--hold-lock") == 0 || qstrcmp(argv[1], "--try-lock") == 0)) {
        QCoreApplication app(argc, argv);
        return ChildMain(QString::fromLatin1(argv[1]));
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_startup.moc"
