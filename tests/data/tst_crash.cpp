// Killed at any moment: a child process removes, appends, rewrites an employee, removes a user or
// restores the data files while this test kills it (SIGKILL) after a random, seeded delay.
// Whatever moment it died at, the files read back through the data layer (which finishes an
// interrupted removal on opening, and settles an interrupted restore) are exactly as before the
// operation or exactly as after it. 50 runs per operation; more with --runs N. Then the child is
// killed at each of its file calls in turn (in the middle of a write: after half its bytes, so an
// edit in place leaves a torn record, which its journal puts back at the next open). A restore is
// also killed before each of its renames and removals in turn. The "history"
// operations keep the change history as the program does: the personnel file and the history
// read back are as before or as after together, whether the history records a change (an import's
// updates and additions as one), starts,
// takes in another program's changes or records a restore. "locked append" takes the folder's
// lock first.
#include "backup/datacopy.h"
#include "data/datafilenames.h"
#include "data/folderlock.h"
#include "data/personnelfile.h"
#include "data/userlist.h"
#include "datatool/seed.h"
#include "support/faultyfileio.h"
#include "support/recordsfile.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace {

int g_runs = 50;
// --shard K/N runs the Kth of N shards (1-based): every Nth row of the table from its Kth, and the
// restore's renames in the first, so that ctest can give the shards to several processors.
int g_shard = 1, g_shards = 1;

constexpr int Employees = 2000; // 10 MB: a removal's compaction takes long enough to be hit
constexpr int Users = 40;

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray UserImage() {
    QByteArray image;
    for (int i = 1; i <= Users; ++i) {
        UserRecord u;
        u.SetFirstName(QStringLiteral("User%1").arg(i));
        u.SetLastName(QStringLiteral("Last"));
        u.SetAccessLevel(qint16(1 + i % 4));
        image.append(u.data(), UserRecordLength);
    }
    return image;
}

const QStringList& DataNames = DataFolderFileNames;
// A restore into a folder without a history brings the backup's with the data files.
const QStringList RestoredNames = DataFolderFileNames + QStringList{HistoryFileName};

// Dies (SIGKILL) at its `n`th rename or removal, before making it; never when `n` is 0.
class DyingFileIo final : public FileIo {
public:
    explicit DyingFileIo(int n) : m_left(n) {}
    int Rename(const QString& from, const QString& to) override {
        Step();
        return FileIo::Rename(from, to);
    }
    int Remove(const QString& path) override {
        Step();
        return FileIo::Remove(path);
    }

private:
    void Step() {
        if (--m_left == 0)
            ::raise(SIGKILL);
    }
    int m_left;
};

// The folder before a history operation: the personnel file, with the history started (but for
// "history start") and another program's change waiting (for "history outside" and "history
// restore").
void LayHistory(const QString& op, const QByteArray& original) {
    // A restore's copies and digest read and write the file block by block: a smaller file
    // keeps its calls, each killed in turn, within the test's time.
    const QByteArray laid =
        op == QStringLiteral("history restore") ? original.left(300 * PersonnelRecordLength) : original;
    Write(QStringLiteral("Rosterly.Data"), laid);
    if (op == QStringLiteral("history start"))
        return; // the first open starts it
    SettledWithHistory(); // the history starts before the change
    // Another program's changes for the next open to take in: one more employee and a new
    // name; or the same as a backup to restore.
    QByteArray changed = laid;
    PersonnelRecord r;
    r.SetLastName(QStringLiteral("Outsider"));
    changed.replace(0, PersonnelRecordLength, QByteArrayView(r.data(), PersonnelRecordLength));
    changed.append(r.data(), PersonnelRecordLength);
    if (op == QStringLiteral("history outside"))
        Write(QStringLiteral("Rosterly.Data"), changed);
    else if (op == QStringLiteral("history restore"))
        Write(QStringLiteral("Saved.Rosterly.Data"), changed);
}

// The data files before the operation: `original` is the personnel file or, for "removeuser",
// the user list. A restore replaces the personnel file and the user list by the halves saved
// beside them and brings a log and a history where there were none.
void Lay(const QString& op, const QByteArray& original) {
    if (op.startsWith(QStringLiteral("history"))) {
        // Laid once for each operation, then put back file for file: laying it starts a history,
        // which reads the whole personnel file.
        static QString laidFor;
        static QMap<QString, QByteArray> laid;
        for (const QString& name : QDir().entryList(QDir::Files | QDir::Hidden))
            QFile::remove(name);
        if (laidFor != op) {
            LayHistory(op, original);
            laid.clear();
            for (const QString& name : QDir().entryList(QDir::Files | QDir::Hidden))
                laid.insert(name, Read(name));
            laidFor = op;
            return;
        }
        for (auto file = laid.cbegin(); file != laid.cend(); ++file)
            Write(file.key(), file.value());
        return;
    }
    if (!op.startsWith(QStringLiteral("restore")))
        return Write(op == QStringLiteral("removeuser") ? QStringLiteral("User.List")
                                                        : QStringLiteral("Rosterly.Data"),
                     original);
    for (const QString& name : QDir().entryList(QDir::Files | QDir::Hidden))
        QFile::remove(name);
    const QByteArray now[] = {original, UserImage()};
    for (int i = 0; i < 2; ++i) {
        Write(DataNames[i], now[i]);
        Write(QStringLiteral("Saved.") + DataNames[i], now[i].left(now[i].size() / 2));
    }
    Write(QStringLiteral("Saved.User.Log"), "then\r\n");
    Write(QStringLiteral("Saved.") + HistoryFileName,
          "{\"action\":\"history starts here\",\"employee\":1}\n");
}

// The operation under test, on the data files of the working folder. The child runs it once;
// the parent runs it on a copy to know the state after it.
void Operate(const QString& op, FileIo&& io = FileIo()) {
    if (op.startsWith(QStringLiteral("locked "))) {
        // As the program and the data tool write; the child may be killed in the lock's calls too.
        DataFolderLock lock(QDir::currentPath(), io);
        if (lock.TryAcquire())
            Operate(op.mid(7), std::move(io));
        return;
    }
    if (op.startsWith(QStringLiteral("restore"))) {
        DyingFileIo dying(op.mid(7).toInt()); // "restoreN" dies at the Nth rename or removal
        QList<FileReplacement> files;
        for (const QString& name : RestoredNames)
            files.append({QStringLiteral("Saved.") + name, name});
        ReplaceDataFiles(op == QStringLiteral("restore") ? io : dying, files, RestoreJournalFileName, {});
        return;
    }
    if (op == QStringLiteral("removeuser")) {
        UserList users(io);
        if (users.OpenUserList())
            users.RemoveUser(Users / 2);
        return;
    }
    PersonnelFile file(io);
    if (op.startsWith(QStringLiteral("history")))
        KeepTestHistory(file);
    if (op == QStringLiteral("history restore")) {
        // As the program restores: the history's journal first, the files, then their entries.
        if (!file.BeginRestore(QStringLiteral("Saved.Rosterly.Data")))
            return;
        if (ReplaceDataFiles(io, {{QStringLiteral("Saved.Rosterly.Data"), PersonnelFileName}},
                             RestoreJournalFileName, {})
                .status)
            file.RecordRestore();
        else
            file.AbandonRestore();
        return;
    }
    if (!file.OpenPersonnelFile())
        return;
    if (op.endsWith(QStringLiteral("remove"))) {
        file.RemovePersonnelRecord(Employees / 2);
    } else if (op == QStringLiteral("append")) {
        file.Record().Clear();
        file.Record().SetFirstName(QStringLiteral("New"));
        file.Record().SetLastName(QStringLiteral("Hire"));
        file.AppendPersonnelRecord();
    } else if (op.endsWith(QStringLiteral("appendmany"))) {
        file.AppendPersonnelRecords(40, [](qint32 i, PersonnelRecord& r) {
            r.SetFirstName(QStringLiteral("New%1").arg(i));
            r.SetNotepad(QString(4000, QLatin1Char('n')));
        });
    } else if (op.endsWith(QStringLiteral("change"))) {
        // An import's: employees updated and added as one change.
        file.ChangePersonnelRecords(
            {Employees / 3, Employees / 2},
            [](qint32, PersonnelRecord& r) { r.SetJobTitle(QStringLiteral("Promoted")); }, 40,
            [](qint32 i, PersonnelRecord& r) { r.SetFirstName(QStringLiteral("New%1").arg(i)); });
    } else if (op.endsWith(QStringLiteral("write"))) {
        file.ReadPersonnelRecord(Employees / 3);
        file.Record().SetJobTitle(QStringLiteral("Promoted"));
        file.Record().SetNotepad(QString(4000, QLatin1Char('n')));
        file.WritePersonnelRecord(Employees / 3);
    }
    file.ClosePersonnelFile();
}

// The files as the data layer reads them: opened (finishing what an interrupted removal left)
// and closed again, then their bytes.
QByteArray Settled(const QString& op) {
    if (op.startsWith(QStringLiteral("locked "))) {
        // The lock a killed writer left is taken over at once, and nothing else of its making stays.
        DataFolderLock again(QDir::currentPath());
        const QByteArray lock = again.TryAcquire() ? "taken: " : "locked out: ";
        return Settled(op.mid(7)) + lock +
               QDir().entryList({QStringLiteral("*lock*")}, QDir::Files | QDir::Hidden).join(u' ').toUtf8();
    }
    if (op.startsWith(QStringLiteral("restore")))
        return SettledRestoreFolder();
    if (op.startsWith(QStringLiteral("history"))) {
        FileIo io;
        if (!FinishInterruptedRestore(io, QString()))
            return "unsettled";
        return SettledWithHistory();
    }
    return SettledFile(op == QStringLiteral("removeuser") ? QStringLiteral("User.List")
                                                          : QStringLiteral("Rosterly.Data"));
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT

private:
    // Starts this program as the child running `op`, and lets it go once it is ready.
    static void StartChild(QProcess& child, const QString& op) {
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), op});
        QVERIFY(child.waitForReadyRead(10000)); // the child is ready
        child.write("go\n");
        child.waitForBytesWritten(1000);
    }

private slots:
    void killedAtAnyMoment_data() {
        QTest::addColumn<QString>("op");
        int row = 0;
        for (const char* op : {"remove", "append", "appendmany", "write", "removeuser", "restore",
                               "history remove", "history appendmany", "history write", "history change", "history start",
                               "history outside", "history restore", "locked append"}) {
            if (row++ % g_shards == g_shard - 1)
                QTest::newRow(op) << QString::fromLatin1(op);
        }
    }

    void killedAtAnyMoment() {
        QFETCH(QString, op);
        TempDataFolder folder;
        const QString seeded = folder.FilePath(QStringLiteral("seed.Data"));
        QCOMPARE(WriteSeedFile(seeded, Employees, 7, true), QString());
        const QByteArray original = op == QStringLiteral("removeuser") ? UserImage() : Read(seeded);

        // The state after the operation, from a run that is not interrupted (laid again: reading
        // the state before may do what the operation does, as the first open starts a history).
        Lay(op, original);
        const QByteArray before = Settled(op);
        Lay(op, original);
        QElapsedTimer timer;
        timer.start();
        Operate(op);
        const qint64 tookUs = std::max<qint64>(100, timer.nsecsElapsed() / 1000);
        const QByteArray after = Settled(op);
        // The history's first start and its taking in of another program's changes are done by
        // any open: there, whatever the kill left, the next open must come to the same end.
        QVERIFY(after != before || op == QStringLiteral("history start") ||
                op == QStringLiteral("history outside"));

        QRandomGenerator random(20261209u + quint32(qHash(op)));
        int asBefore = 0, done = 0;
        for (int run = 1; run <= g_runs; ++run) {
            Lay(op, original);
            QFile::remove(QStringLiteral("TempFile.$$$"));
            QProcess child;
            StartChild(child, op);
            // Anywhere from before the operation to a little after it.
            ::usleep(useconds_t(random.bounded(quint32(tookUs * 3 / 2 + 200))));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(10000));
            const QByteArray settled = Settled(op);
            if (settled == before)
                ++asBefore;
            else if (settled == after)
                ++done;
            else
                QFAIL(
                    qPrintable(QStringLiteral("run %1: the file is neither as before nor as after (%2 bytes)")
                                   .arg(run)
                                   .arg(settled.size())));
        }
        qInfo("%s: %d runs, %d left as before, %d as after, operation %lld us", qPrintable(op), g_runs,
              asBefore, done, tookUs);

        for (int call = 1;; ++call) {
            Lay(op, original);
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--child-at"), op, QString::number(call)});
            QVERIFY(child.waitForFinished(30000));
            const QByteArray settled = Settled(op);
            QVERIFY2(
                settled == before || settled == after,
                qPrintable(QStringLiteral("killed at call %1: neither as before nor as after").arg(call)));
            if (child.exitStatus() == QProcess::NormalExit) { // fewer calls than `call`
                QVERIFY(call > (op.contains(QStringLiteral("append")) ? 7 : 3));
                qInfo("%s: killed at each of its %d file calls", qPrintable(op), call - 1);
                break;
            }
        }
    }

    // Killed before each rename and removal of a restore in turn: while a file is still to be
    // renamed it is undone, and from the first removal on (every file in) it is done.
    void restoreKilledAtEachRename() {
        if (g_shard != 1)
            QSKIP("in the first shard");
        TempDataFolder folder;
        QCOMPARE(WriteSeedFile(folder.FilePath(QStringLiteral("seed.Data")), 200, 7, true), QString());
        const QByteArray original = Read(QStringLiteral("seed.Data"));
        Lay(QStringLiteral("restore"), original);
        const QByteArray before = Settled(QStringLiteral("restore"));
        Operate(QStringLiteral("restore"));
        const QByteArray after = Settled(QStringLiteral("restore"));
        const int renames = int(RestoredNames.size());
        int n = 1;
        for (;; ++n) {
            Lay(QStringLiteral("restore"), original);
            QProcess child;
            StartChild(child, QStringLiteral("restore%1").arg(n));
            QVERIFY(child.waitForFinished(10000));
            const QByteArray settled = Settled(QStringLiteral("restore"));
            QVERIFY2(settled == (n <= renames ? before : after),
                     qPrintable(QStringLiteral("killed at %1").arg(n)));
            if (child.exitStatus() == QProcess::NormalExit)
                break;
        }
        QVERIFY(n > renames + 1); // the child was killed at each rename and at a removal after them
    }
};

int main(int argc, char* argv[]) {
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0) {
        QCoreApplication app(argc, argv);
        QTextStream(stdout) << "ready" << Qt::endl;
        QTextStream(stdin).readLine(); // "go"
        Operate(QString::fromLatin1(argv[2]));
        return 0;
    }
    if (argc == 4 && qstrcmp(argv[1], "--child-at") == 0) {
        QCoreApplication app(argc, argv);
        FaultyFileIo io;
        io.Arm(atoi(argv[3]), FaultyFileIo::Fault::Kill);
        Operate(QString::fromLatin1(argv[2]), std::move(io));
        return 0;
    }
    // --runs N: more runs than the everyday 50.
    QList<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (qstrcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            g_runs = std::max(1, atoi(argv[++i]));
            continue;
        }
        if (qstrcmp(argv[i], "--shard") == 0 && i + 1 < argc) {
            if (sscanf(argv[++i], "%d/%d", &g_shard, &g_shards) != 2 || g_shards < 1 || g_shard < 1 ||
                g_shard > g_shards) {
                fprintf(stderr, "--shard K/N: the Kth of N shards, 1 <= K <= N\n");
                return 2;
            }
            continue;
        }
        args << argv[i];
    }
    QCoreApplication app(argc, argv);
    TestCrash test;
    return QTest::qExec(&test, int(args.size()), args.data());
}

#include "tst_crash.moc"
