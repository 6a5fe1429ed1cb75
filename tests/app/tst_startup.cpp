// Start-up: one copy per user, the title window, and the orderly end of the program.
#include "app/datafolder.h"
#include "app/frmtitlepage.h"
#include "app/programwindows.h"
#include "app/singleinstance.h"
#include "core/programstate.h"
#include "data/folderlock.h"
#include "data/personnelfile.h"
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
#include <sys/stat.h>

namespace {
// The test binary doubles as the "other copy" of the program: with --hold-lock it takes the
// lock and keeps it until its input closes; with --try-lock it reports whether it got it.
// With --hold-folder DIR it takes the data folder's lock and keeps it until its input closes; with
// --try-folder DIR it reports whether it got it, and who holds it when not.
int FolderChildMain(const QString& mode, const QString& folder) {
    DataFolderLock lock(folder);
    const bool locked = lock.TryAcquire();
    QTextStream out(stdout);
    if (locked)
        out << "locked" << Qt::endl;
    else
        out << "refused by " << lock.HeldBy().user << " on " << lock.HeldBy().host << " process "
            << lock.HeldBy().pid << Qt::endl;
    if (mode == QStringLiteral("--hold-folder") && locked) {
        QTextStream in(stdin);
        in.readLine();
    }
    return locked ? 0 : 3;
}

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
    // A child with a home and a runtime folder of its own, as another user's copy would have.
    QProcess* StartFolderChild(const QString& mode, const QString& folder, const QString& home) {
        auto* p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
        p->setProcessEnvironment(env);
        p->start(QCoreApplication::applicationFilePath(), {mode, folder});
        return p;
    }

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

    // Two copies on one data folder, whatever path, home or runtime folder each uses: the second
    // is refused, names the holder and touches nothing; a copy that died leaves a lock that is
    // taken over.
    void oneWriterPerDataFolder() {
        QTemporaryDir place;
        const QString folder = place.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::link(folder, place.filePath(QStringLiteral("alias"))));
        QVERIFY(QDir().mkpath(place.filePath(QStringLiteral("home1"))));
        QVERIFY(QDir().mkpath(place.filePath(QStringLiteral("home2"))));
        QFile data(folder + QStringLiteral("/Rosterly.Data"));
        QVERIFY(data.open(QIODevice::WriteOnly));
        data.write(QByteArray(5000, 'x'));
        data.close();

        QProcess* first = StartFolderChild(QStringLiteral("--hold-folder"), folder,
                                           place.filePath(QStringLiteral("home1")));
        QVERIFY(first->waitForReadyRead(10000));
        QCOMPARE(first->readLine().trimmed(), QByteArray("locked"));
        QCOMPARE(QFileInfo(folder + QStringLiteral("/Rosterly.lock")).permissions(),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);

        QProcess* second =
            StartFolderChild(QStringLiteral("--try-folder"), place.filePath(QStringLiteral("alias")),
                             place.filePath(QStringLiteral("home2")));
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitCode(), 3);
        const QByteArray said = second->readAllStandardOutput().trimmed();
        QVERIFY2(said.startsWith("refused by ") &&
                     said.endsWith(" process " + QByteArray::number(first->processId())),
                 said.constData());
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), before);
        QCOMPARE(data.size(), 5000);

        first->kill();
        QVERIFY(first->waitForFinished(10000));
        QProcess* third =
            StartFolderChild(QStringLiteral("--try-folder"), folder, place.filePath(QStringLiteral("home2")));
        QVERIFY(third->waitForFinished(10000));
        QCOMPARE(third->readAllStandardOutput().trimmed(), QByteArray("locked"));
    }

    // The data folder and the parents made for it are the owner's alone whatever the umask, as
    // the XDG rules ask; a data file in it that is a link is refused, whether it leads anywhere
    // or not: the program would write past the lock of the folder that holds the file.
    void dataFolderIsMadeOwnerOnlyAndHoldsNoLinks_data() {
        QTest::addColumn<QString>("name");   // the data file that is a link, if any
        QTest::addColumn<QString>("linkTo"); // relative to the data folder
        QTest::addColumn<QString>("reason"); // %1: the folder above the data folder
        const QString keep =
            QStringLiteral(" Keep the file itself in the data folder; only the folder may be a link.");
        QTest::newRow("no link") << QString() << QString() << QString();
        QTest::newRow("a link to a file")
            << QStringLiteral("Rosterly.Data") << QStringLiteral("../Rosterly.Data")
            << QStringLiteral("\"Rosterly.Data\" there is a link to \"%1/Rosterly.Data\".") + keep;
        QTest::newRow("a link to nothing")
            << QStringLiteral("User.Log") << QStringLiteral("../gone/User.Log")
            << QStringLiteral("\"User.Log\" there is a link to \"%1/gone/User.Log\".") + keep;
        QTest::newRow("the history, a link")
            << QStringLiteral("Rosterly.History") << QStringLiteral("../Rosterly.Data")
            << QStringLiteral("\"Rosterly.History\" there is a link to \"%1/Rosterly.Data\".") + keep;
    }
    void dataFolderIsMadeOwnerOnlyAndHoldsNoLinks() {
        QFETCH(QString, name);
        QFETCH(QString, linkTo);
        QFETCH(QString, reason);
        QTemporaryDir place;
        const QString started = QDir::currentPath();
        const mode_t was = ::umask(0);
        const QString refused = EnterDataFolder(place.filePath(QStringLiteral("share/deeper/Rosterly")));
        ::umask(was);
        QCOMPARE(refused, QString());
        QCOMPARE(QDir::currentPath(), place.filePath(QStringLiteral("share/deeper/Rosterly")));
        for (const char* made : {"share", "share/deeper", "share/deeper/Rosterly"})
            QCOMPARE(QFile::permissions(place.filePath(QString::fromLatin1(made))),
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                         QFile::WriteUser | QFile::ExeUser);
        QFile(QStringLiteral("User.List")).open(QIODevice::WriteOnly);
        QFile(QStringLiteral("../Rosterly.Data")).open(QIODevice::WriteOnly);
        if (!name.isEmpty())
            QVERIFY(QFile::link(linkTo, name));
        const ProgramState state;
        const QString said = LinkedDataFileText(
            FilesWrittenInPlace(QStringList(state.DataFileNames.begin(), state.DataFileNames.end())));
        QDir::setCurrent(started);
        QCOMPARE(said,
                 reason.isEmpty() ? reason : reason.arg(place.filePath(QStringLiteral("share/deeper"))));
    }

    // A lock of another computer is never broken; the message says how to clear it.
    void lockOfAnotherComputerIsKept() {
        QTemporaryDir folder;
        QFile lockFile(folder.filePath(QStringLiteral("Rosterly.lock")));
        QVERIFY(lockFile.open(QIODevice::WriteOnly));
        lockFile.write("4242\nrosterly\nfrontdesk-pc\n");
        lockFile.flush();
        QVERIFY(lockFile.setFileTime(QDateTime(QDate(2026, 12, 8), QTime(8, 30)),
                                     QFileDevice::FileModificationTime));
        lockFile.close();
        DataFolderLock lock(folder.path());
        QVERIFY(!lock.TryAcquire());
        QVERIFY(lock.HeldBy().otherComputer);
        QCOMPARE(lock.HeldBy().host, QStringLiteral("frontdesk-pc"));
        QCOMPARE(lock.HeldBy().pid, 4242);
        QVERIFY(QFile::exists(lockFile.fileName()));
        const QString user = lock.HeldBy().user;
        QVERIFY(!user.isEmpty());
        QCOMPARE(
            FolderInUseText(QStringLiteral("Rosterly"), folder.path(), lock),
            QStringLiteral("The data folder\r\n") + folder.path() + QStringLiteral("\r\nis in use by ") +
                user +
                QStringLiteral(" on frontdesk-pc since 12/08/2026 08:30.\r\n\r\nRosterly lets only one copy "
                               "at a time work with these files.\r\n\r\nIf that computer is really switched "
                               "off, delete the file\r\n") +
                lockFile.fileName() + QStringLiteral("\r\nand start Rosterly again."));
        QCOMPARE(QString::fromLatin1(FolderInUseTitle), QStringLiteral("Data Folder in Use"));
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
    if (argc == 3 && (qstrcmp(argv[1], "--hold-folder") == 0 || qstrcmp(argv[1], "--try-folder") == 0)) {
        QCoreApplication app(argc, argv);
        return FolderChildMain(QString::fromLatin1(argv[1]), QString::fromLocal8Bit(argv[2]));
    }
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
