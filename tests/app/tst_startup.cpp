// Start-up: one copy per user, the title window, and the orderly end of the program.
#include "app/datafolder.h"
#include "app/frmtitlepage.h"
#include "app/programwindows.h"
#include "app/singleinstance.h"
#include "backup/datacopy.h"
#include "core/programstate.h"
#include "data/clock.h"
#include "data/folderlock.h"
#include "data/personnelfile.h"
#include "data/readonlyfolder.h"
#include "data/sensitiverule.h"
#include "settings/settingsstore.h"
#include "support/recordsfile.h"
#include "support/scriptedprompts.h"
#include "support/testprogram.h"
#include "support/testsupport.h"
#include "support/useractions.h"
#include "ui/fade.h"
#include "ui/orvicbutton.h"
#include "users/frmadmin.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

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

// With --write-folder DIR it holds the data folder's lock and changes the personnel file (with its
// history) as its input says, a line at a time, answering "ok" to each: "import K TAG" appends K
// employees, "edit N TAG" rewrites employee N, "remove N" removes employee N, "rounds K" makes K
// rounds of the three without waiting, "backup" copies the file into Backup/ and "restore" brings
// it back as the backup window does. An employee's first name and e-mail hold the same tag, at
// the two ends of the record, so that a record read half written shows two.
int WriterChildMain(const QString& folder) {
    QDir::setCurrent(folder);
    DataFolderLock lock(folder);
    if (!lock.TryAcquire())
        return 3;
    FileIo io;
    const SystemClock clock;
    PersonnelFile file(io);
    file.KeepHistory(clock);
    file.SetHistoryActor(QStringLiteral("Writer"), 4);
    const auto tagged = [](PersonnelRecord& r, const QString& tag) {
        r.SetFirstName(tag);
        r.SetLastName(QStringLiteral("Lee"));
        r.SetEmail(tag);
    };
    const auto step = [&](const QStringList& w) {
        IoStatus s = file.OpenPersonnelFileUncounted();
        const qint32 n = w.value(1).toInt();
        if (s && w[0] == QStringLiteral("import"))
            s = file.AppendPersonnelRecords(n, [&](qint32, PersonnelRecord& r) { tagged(r, w.value(2)); });
        else if (s && w[0] == QStringLiteral("edit") && (s = file.ReadPersonnelRecord(n))) {
            tagged(file.Record(), w.value(2));
            s = file.WritePersonnelRecord(n);
        } else if (s && w[0] == QStringLiteral("remove")) {
            s = file.RemovePersonnelRecord(n);
        } else if (s && w[0] == QStringLiteral("backup")) {
            MakeOwnerOnlyFolder(QStringLiteral("Backup"));
            s = CopyDataFile(io, PersonnelFileName, QStringLiteral("Backup/") + PersonnelFileName);
        } else if (s && w[0] == QStringLiteral("restore")) {
            // As the backup window restores: noted in the history's journal first, recorded after.
            const QString backup = QStringLiteral("Backup/") + PersonnelFileName;
            file.ClosePersonnelFile();
            if ((s = file.BeginRestore(backup)))
                s = ReplaceDataFiles(io, {{backup, PersonnelFileName}}, RestoreJournalFileName, {}).status;
            s = s ? file.RecordRestore() : s;
        }
        file.ClosePersonnelFile();
        return s;
    };
    QTextStream in(stdin);
    QTextStream out(stdout);
    out << "locked" << Qt::endl;
    for (QString line; !(line = in.readLine()).isNull();) {
        const QStringList w = line.split(u' ');
        IoStatus s;
        for (int round = 0; s && w[0] == QStringLiteral("rounds") && round < w.value(1).toInt(); ++round) {
            const QString tag = QStringLiteral("R%1").arg(round);
            for (const QStringList& change :
                 {QStringList{u"edit"_s, u"3"_s, tag}, QStringList{u"import"_s, u"2"_s, tag},
                  QStringList{u"remove"_s, u"1"_s}})
                if (s)
                    s = step(change);
        }
        if (w[0] != QStringLiteral("rounds"))
            s = step(w);
        out << (s ? QStringLiteral("ok") : s.Message()) << Qt::endl;
    }
    return 0;
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

        // Nor does one killed while making its lock, as an older copy left it: empty.
        QFile(m_runtime.filePath(QStringLiteral("Rosterly.lock"))).open(QIODevice::WriteOnly);
        QProcess* fourth = StartChild(QStringLiteral("--try-lock"));
        QVERIFY(fourth->waitForFinished(10000));
        QCOMPARE(fourth->readAllStandardOutput().trimmed(), QByteArray("locked"));
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

    // A copy that reads while another process writes (edits, imports, removals, a restore, each with its
    // history) only ever sees whole changes: no record half written, counts that agree with the
    // records, a history in step with the file; and its watch follows each change within two seconds.
    void readOnlyCopySeesOnlyWholeChanges() {
        QTemporaryDir folder;
        QProcess* writer = StartFolderChild(QStringLiteral("--write-folder"), folder.path(), folder.path());
        const auto ask = [writer](const QByteArray& line) {
            writer->write(line + '\n');
            return writer->waitForReadyRead(20000) ? writer->readLine().trimmed() : QByteArray("no answer");
        };
        QVERIFY(writer->waitForReadyRead(10000));
        QCOMPARE(writer->readLine().trimmed(), QByteArray("locked"));
        QCOMPARE(ask("import 20 T0"), QByteArray("ok"));

        FileIo disk;
        ReadOnlyFileIo io(disk);
        PersonnelFile reader(io, folder.filePath(PersonnelFileName));
        reader.SetReadOnly(true);
        const QStringList before = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        // One read of the folder: the tags of the records in order, or nothing when the folder
        // changed while it was read (then no fault counts).
        const auto look = [&](QStringList* tags) {
            tags->clear();
            if (!reader.OpenPersonnelFile())
                return false;
            const qint32 current = reader.CurrentCount(), count = reader.RecordCount();
            QStringList torn;
            reader.ScanRecords([&](qint32, PersonnelRecordView r) {
                *tags << r.FirstName().trimmed();
                if (r.FirstName().trimmed() != r.Email().trimmed())
                    torn << r.FirstName() + u'/' + r.Email();
            });
            reader.ClosePersonnelFile();
            // Employees on file, as the history says: those whose last entry leaves them a record.
            QHash<qint64, qint64> recordOf;
            for (const QByteArray& line : ReadFileBytes(folder.filePath(HistoryFileName)).split('\n')) {
                const QJsonObject entry = QJsonDocument::fromJson(line).object();
                if (!entry.isEmpty())
                    recordOf[entry.value(u"employee"_s).toInteger()] = entry.value(u"record"_s).toInteger();
            }
            const qint64 employees =
                std::count_if(recordOf.cbegin(), recordOf.cend(), [](qint64 r) { return r > 0; });
            if (!reader.UnchangedSinceOpen())
                return false;
            [&] {
                QCOMPARE(torn, QStringList());
                QCOMPARE(current, count);
                QCOMPARE(employees, qint64(count));
            }();
            return !QTest::currentTestFailed();
        };
        QStringList tags;
        QVERIFY(look(&tags));
        QCOMPARE(tags.size(), 20);

        // Without waiting: the writer makes 30 rounds while this copy reads in a loop.
        writer->write("rounds 30\n");
        int whole = 0;
        while (!writer->canReadLine() && !QTest::currentTestFailed()) {
            whole += look(&tags) ? 1 : 0;
            writer->waitForReadyRead(5);
        }
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(writer->readLine().trimmed(), QByteArray("ok"));
        QVERIFY(whole > 0);
        QVERIFY(look(&tags));
        QCOMPARE(tags.size(), 50);

        // One change at a time: the watch tells of each within two seconds, once it is whole.
        int told = 0;
        DataFolderWatch watch(
            folder.path(), [&] { return ++told > 0; }, [] { return true; });
        QCOMPARE(ask("backup"), QByteArray("ok"));
        const QStringList backedUp = tags;
        for (const QByteArray& change : {QByteArray("edit 5 E1"), QByteArray("remove 2"),
                                         QByteArray("import 3 I1"), QByteArray("restore")}) {
            const int was = told;
            QCOMPARE(ask(change), QByteArray("ok"));
            QTRY_VERIFY_WITH_TIMEOUT(told > was, 2000);
            QVERIFY(look(&tags));
            if (change == "import 3 I1") {
                QCOMPARE(tags.mid(3, 1), QStringList{u"E1"_s});
                QCOMPARE(tags.size(), 52);
                QCOMPARE(tags.mid(49), (QStringList{u"I1"_s, u"I1"_s, u"I1"_s}));
            }
        }
        QCOMPARE(tags, backedUp);
        // The reader left nothing of its own in the folder.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), before);
        writer->closeWriteChannel();
        QVERIFY(writer->waitForFinished(10000));
    }

    // A reader takes a writer's lock left behind (its process killed) for the folder freed, once,
    // as when the lock goes; not a lock whose process runs, nor another computer's.
    void watchFreesALockLeftBehind_data() {
        QTest::addColumn<QByteArray>("lock");
        QTest::addColumn<int>("freed");
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        const QByteArray gone = ReadFileBytes(QStringLiteral("/proc/sys/kernel/pid_max")).trimmed();
        QTest::newRow("its process gone") << gone + "\nrosterly\n" + host + "\n" << 1;
        QTest::newRow("its process running")
            << QByteArray::number(QCoreApplication::applicationPid()) + "\ntst_startup\n" + host + "\n" << 0;
        QTest::newRow("another computer's") << gone + "\nrosterly\nfrontdesk-pc\n" << 0;
        QTest::newRow("gone") << QByteArray() << 1;
    }
    void watchFreesALockLeftBehind() {
        QFETCH(QByteArray, lock);
        QFETCH(int, freed);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Rosterly.lock"));
        WriteFileBytes(path, QByteArray::number(QCoreApplication::applicationPid()) + "\ntst_startup\n" +
                                 QSysInfo::machineHostName().toUtf8() + "\n");
        int told = 0;
        DataFolderWatch watch(folder.path(), [] { return true; }, [&] { return ++told > 0; }, 3600000);
        watch.Look(); // with its writer running
        if (lock.isEmpty())
            QVERIFY(QFile::remove(path));
        else
            WriteFileBytes(path, lock);
        watch.Look();
        watch.Look();
        QCOMPARE(told, freed);
    }

    // The data folder and the parents made for it are the owner's alone whatever the umask, as
    // the XDG rules ask; a file in it that the program writes is refused when it is a link, leading
    // anywhere or not, or has a second name (a hard link): the program would pass another's lock.
    void dataFolderIsMadeOwnerOnlyAndHoldsNoLinks_data() {
        QTest::addColumn<QString>("name");   // the data file that is a link, if any
        QTest::addColumn<QString>("linkTo"); // relative to the data folder; "=": a hard link
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
        for (const char* name : {"History.Index", "History.$$$", "Append.$$$", "Restore.$$$", "TempFile.$$$"})
            QTest::newRow(name) << QString::fromLatin1(name) << QStringLiteral("../Rosterly.Data")
                                << QStringLiteral("\"%1\" there is a link to \"%2/Rosterly.Data\".")
                                           .arg(QString::fromLatin1(name), u"%1"_s) +
                                       keep;
        QTest::newRow("a hard link")
            << u"Rosterly.Data"_s << u"=../Rosterly.Data"_s
            << u"\"Rosterly.Data\" there is a hard link: the same file has 2 names, and "
               "writing to it would change the file under its other names too, past the "
               "lock of any other folder that holds one. Make it a file of its own: copy "
               "it, delete \"Rosterly.Data\" and give the copy its name."_s;
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
        if (linkTo.startsWith(u'='))
            QCOMPARE(::link(QFile::encodeName(linkTo.mid(1)), QFile::encodeName(name)), 0);
        else if (!name.isEmpty())
            QVERIFY(QFile::link(linkTo, name));
        const ProgramState state;
        const QString said = LinkedDataFileText(QString(), WrittenDataFileNames(state.DataFileName));
        QDir::setCurrent(started);
        QCOMPARE(said, QString(reason).replace(u"%1"_s, place.filePath(QStringLiteral("share/deeper"))));
    }

    // A lock of another computer is never broken, nor one of a process of this computer that still
    // runs or holds the file open; the message says which file to delete and when. A lock whose
    // process is gone, one from before the computer was started, and one that says nothing (left
    // by a copy killed while making it) are taken over, and the leftovers of making one removed. A
    // lock an older copy made with QLockFile reads alike, and QLockFile reads ours.
    void folderLockIsKeptOrTakenOver_data() {
        // The file's bytes, or "QLockFile": made by QLockFile, "held open": empty and flock()ed by a
        // process of this computer, as while an older copy writes it; "none".
        QTest::addColumn<QByteArray>("lock");
        QTest::addColumn<QString>("holder");     // "user on host, process" (%3 me, %4 here); empty: taken
        QTest::addColumn<bool>("otherComputer"); // which way the message says to clear it
        const auto row = [](const char* name, const QByteArray& lock, const QString& holder = {},
                            bool other = false) {
            QTest::newRow(name) << lock << holder << other;
        };
        const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
        const QString me = u"%3 on %4, "_s + QString::fromLatin1(pid);
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        const QByteArray gone = ReadFileBytes(QStringLiteral("/proc/sys/kernel/pid_max")).trimmed(); // no pid
        const QDateTime since(QDate(2026, 12, 8), QTime(8, 30));
        const QByteArray at = since.toOffsetFromUtc(since.offsetFromUtc()).toString(Qt::ISODate).toUtf8();
        row("another computer, as an older copy wrote it", "4242\nrosterly\nfrontdesk-pc\n",
            u"%3 on frontdesk-pc, 4242"_s, true);
        row("another computer of the same name",
            "4242\nrosterly\n" + host + "\nf00d\nb007\nann\n" + at + "\n", u"ann on %4, 4242"_s, true);
        row("this computer, running", pid + "\ntst_startup\n" + host + "\n", me);
        row("made by QLockFile", "QLockFile", me);
        row("empty, being written here", "held open", u"%3 on %4, 0"_s);
        row("this computer, its process gone", gone + "\nrosterly\n" + host + "\n");
        row("this computer, its process id reused", pid + "\nrosterly\n" + host + "\n");
        row("this computer, before it was started",
            pid + "\ntst_startup\n" + host + "\n" + QSysInfo::machineUniqueId() + "\nb007\n");
        row("empty", "");
        row("cut short in the computer's name", "4242\nrosterly\nfront");
        row("not a lock", "\xff\xfe\n\n\n");
        row("none", "none");
    }
    void folderLockIsKeptOrTakenOver() {
        QFETCH(QByteArray, lock);
        QFETCH(QString, holder);
        QFETCH(bool, otherComputer);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Rosterly.lock"));
        QLockFile older(path);
        older.setStaleLockTime(0);
        QFile file(path);
        if (lock == "QLockFile")
            QVERIFY(older.tryLock(0) && file.open(QIODevice::ReadOnly));
        else if (lock != "none")
            QVERIFY(file.open(QIODevice::WriteOnly) &&
                    (lock == "held open" ? ::flock(file.handle(), LOCK_EX) == 0
                                         : file.write(lock) == lock.size() && file.flush()));
        file.setFileTime(QDateTime(QDate(2026, 12, 8), QTime(8, 30)), QFileDevice::FileModificationTime);
        QFile made(folder.filePath(QStringLiteral(".Rosterly.lock.5eed"))); // a copy killed making its lock
        QVERIFY(made.open(QIODevice::WriteOnly) && made.write("4242\nrosterly\n") > 0);
        made.close();
        const QString user = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
        const QString here = QSysInfo::machineHostName();

        // As a copy starts: it takes the lock, or is offered to open the files read-only and does.
        DataFolderLock taker(folder.path());
        ScriptedPrompts prompts;
        if (!holder.isEmpty())
            prompts.AnswerChoice(u"Open &Read-Only"_s);
        FileIo disk;
        ReadOnlyFileIo io(disk, false);
        ProgramState state;
        QVERIFY(TakeDataFolder(taker, io, state, prompts));
        QCOMPARE(prompts.Pending(), 0);
        const bool taken = !state.ReadOnly;
        QCOMPARE(taker.Error(), QString());
        QCOMPARE(taken, holder.isEmpty());
        QCOMPARE(io.ReadOnly(), !taken);
        if (!taken) {
            const DataFolderLock::Holder& h = taker.HeldBy();
            holder.replace(u"%3"_s, user).replace(u"%4"_s, here);
            QCOMPARE(QStringLiteral("%1 on %2, %3").arg(h.user, h.host).arg(h.pid), holder);
            QCOMPARE(
                FolderInUseText(QStringLiteral("Rosterly"), folder.path(), taker),
                u"The data folder\r\n"_s + folder.path() + u"\r\nis in use by "_s +
                    holder.section(u',', 0, 0) +
                    u" since 12/08/2026 08:30.\r\n\r\nRosterly lets only one copy at a time work with these "
                    "files.\r\n\r\n"_s +
                    (otherComputer
                         ? u"If that computer is really switched off, delete the file\r\n"_s
                         : u"Only if no copy of Rosterly on any computer is working with this folder, "
                           "delete the file\r\n"_s) +
                    path + u"\r\nand start Rosterly again."_s);
            // The offer a second copy makes instead: the same holder, the files read-only or exit.
            const Prompt& offer = prompts.Asked().first();
            QCOMPARE(offer.title, u"Data Folder in Use"_s);
            QCOMPARE(offer.text,
                     u"The data folder\r\n"_s + folder.path() + u"\r\nis in use by "_s +
                         holder.section(u',', 0, 0) +
                         u" since 12/08/2026 08:30.\r\n\r\nRosterly lets only one copy at a time change "
                         "these files. This copy can open them read-only: the lists, records, printouts "
                         "and history follow the other copy's changes, and nothing can be changed "
                         "here.\r\n\r\n"_s +
                         (otherComputer ? u"If that computer is really switched off, choose Exit, delete the "
                                          "file\r\n"_s
                                        : u"Only if no copy of Rosterly on any computer is working with "
                                          "this folder, choose Exit, delete the file\r\n"_s) +
                         path + u"\r\nand start Rosterly again."_s);
            QCOMPARE(state.WriterName, holder.section(u',', 0, 0));
            QCOMPARE(offer.choices, QStringList({u"Open &Read-Only"_s, u"E&xit"_s}));
            QCOMPARE(std::pair(offer.defaultChoice, offer.cancelChoice), std::pair(0, 1));
            DataFolderLock again(folder.path()); // Exit chosen instead: the copy ends
            ProgramState ended;
            prompts.AnswerChoice(u"E&xit"_s);
            QVERIFY(!TakeDataFolder(again, io, ended, prompts) && !ended.ReadOnly && prompts.Pending() == 0);
            QVERIFY(lock == "QLockFile" ? older.isLocked()
                                        : ReadFileBytes(path) == (lock == "held open" ? "" : lock));
            return;
        }
        // Written whole and owner-only, the leftovers gone; QLockFile reads it as held.
        const QList<QByteArray> lines = ReadFileBytes(path).split('\n');
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines.mid(0, 6),
                 (QList<QByteArray>{QByteArray::number(QCoreApplication::applicationPid()), "tst_startup",
                                    here.toUtf8(), QSysInfo::machineUniqueId(), QSysInfo::bootUniqueId(),
                                    user.toUtf8()}));
        QVERIFY(qAbs(QDateTime::fromString(QString::fromLatin1(lines[6]), Qt::ISODate)
                         .secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(QFileInfo(path).permissions(),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Rosterly.lock"_s});
        qint64 pid = 0;
        QString host, program;
        QVERIFY(!older.tryLock(0) && older.getLockInfo(&pid, &host, &program) && host == here &&
                pid == QCoreApplication::applicationPid() && program == u"tst_startup"_s);
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

    // The sensitive-fields level is the data folder's: an older version's setting is taken over at
    // the first start, then every computer's copy applies the folder's level whatever its own
    // settings say; a rule deleted from the folder is refused at the next start, and the fields are
    // masked below the highest level until the administrator sets it again.
    void sensitiveLevelIsTheDataFolders() {
        TempDataFolder folder;
        QTemporaryDir office, desk; // the settings of two computers' accounts
        WriteStaff({{u"Lee"_s, u"Ann"_s, {1968, 3, 7}, {2000, 1, 3}}});
        // Started with its settings at `setting`, the program shows a user of `level` this birth date.
        const auto birthShown = [](const QTemporaryDir& computer, const QString& setting, qint16 level) {
            TestProgram p(computer.path());
            p.settings.SaveSetting(u"Rosterly"_s, u"Defaults"_s, u"SensitiveFieldsLevel"_s, setting);
            p.prompts.Answer(MsgAnswer::OK); // "Sensitive Fields Level Lost", where asked
            p.windows.ShowTitleWindow();
            frmMain* w = OpenMainWindow(p, level);
            const QString shown = w ? FindControl<QLineEdit>(w, u"txtField(7)"_s)->text() : QString();
            return shown + u'|' + (p.prompts.Asked().isEmpty() ? QString() : p.prompts.Asked()[0].text);
        };
        QCOMPARE(birthShown(office, u"3"_s, 2), u"03/07/****|"_s);
        QCOMPARE(ReadFileBytes(u"Rosterly.Privacy"_s), QByteArray("SensitiveFieldsLevel=3\r\n"));
        QCOMPARE(ReadFileBytes(u"User.Log"_s), "12/08/2026 at 17:05:09 - " + OsUserName().toLocal8Bit() +
                                                   " changed the sensitive-fields level from 1 to 3, taken "
                                                   "over from this computer's settings.\r\n");
        QCOMPARE(birthShown(desk, u"1"_s, 2), u"03/07/****|"_s);
        QCOMPARE(birthShown(desk, u"1"_s, 3), u"03/07/1968|"_s);
        QCOMPARE(ReadFileBytes(u"User.Log"_s).count('\n'), 1);

        QVERIFY(QFile::remove(u"Rosterly.Privacy"_s));
        QCOMPARE(
            birthShown(office, u"3"_s, 3),
            u"03/07/****|Could not read the file \"Rosterly.Privacy\".\r\nIt is missing, though the user log "
            u"records that the sensitive-fields level was set.\r\n\r\nUntil the administrator sets the "
            u"sensitive-fields level again in the Admin Window, the Social Security number and the year of "
            u"birth are shown in full to 'Read/Edit/Add/Delete' users only."_s);
        QVERIFY(!QFile::exists(u"Rosterly.Privacy"_s)); // not taken over again from the settings
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
    if (argc == 3 && qstrcmp(argv[1], "--write-folder") == 0) {
        QCoreApplication app(argc, argv);
        return WriterChildMain(QString::fromLocal8Bit(argv[2]));
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
