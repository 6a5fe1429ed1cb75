// The power goes at any call of a write path: what was flushed stays, and of what was not, the
// data writes are each kept or lost at random and the folder's changes (creations, renames,
// removals) are kept up to a random point. Under torn writes, a write not yet flushed may also be
// kept only up to a 4096-byte page boundary of its file, as a kill inside a large write or a power
// cut leaves it, and the write the power cut in is so kept. Reopened through the data layer, the
// files are exactly as before the operation or as after it: never torn, never lost. With the
// change history kept, the personnel file and the history are as before or as after together.
#include "backup/datacopy.h"
#include "data/datafilenames.h"
#include "data/personnelfile.h"
#include "data/userlist.h"
#include "support/recordsfile.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>

namespace {

// Runs the real calls, and keeps beside them what a disk would hold if the power went now: the
// names and contents as last flushed, and the changes made since, in order.
class PowerLossFileIo final : public FileIo {
public:
    explicit PowerLossFileIo(const QString& folder) : m_folder(folder) {
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
            const int inode = NewInode(ReadFile(name));
            m_durableNames.insert(name, inode);
        }
        m_names = m_durableNames;
    }

    // The power fails at the `n`th call from now (1-based); later calls fail too.
    void CutAt(int n) { m_cutAt = n; }
    bool Cut() const { return m_cut; }
    int Calls() const { return m_calls; }
    // From now on writes may tear at a page boundary, where `random` says.
    void TearWrites(QRandomGenerator* random) { m_tear = random; }
    // How many writes were kept only in part.
    int Tears() const { return m_tears; }

    // The files as the disk holds them after the cut, chosen by `random`, written back into the
    // folder in place of what the program left there.
    void LeaveDiskAfterCut(QRandomGenerator& random) {
        QHash<int, QByteArray> contents = m_durable;
        for (DataOp op : m_pendingData) {
            const quint32 fate = random.bounded(m_tear && !op.truncate ? 3 : 2);
            if (fate == 0)
                continue; // this write never reached the disk
            if (fate == 2)
                op.bytes.truncate(TornLength(op.offset, op.bytes.size(), random));
            QByteArray& c = contents[op.inode];
            if (op.truncate) {
                c.resize(op.offset);
            } else {
                if (c.size() < op.offset + op.bytes.size())
                    c.resize(op.offset + op.bytes.size(), '\0');
                c.replace(op.offset, op.bytes.size(), op.bytes);
            }
        }
        QHash<QString, int> names = m_durableNames;
        const qsizetype kept = random.bounded(int(m_pendingNames.size()) + 1);
        for (qsizetype i = 0; i < kept; ++i)
            Apply(names, m_pendingNames[i]);
        QDir dir(m_folder);
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
            dir.remove(name);
        for (auto it = names.cbegin(); it != names.cend(); ++it) {
            QFile f(dir.filePath(it.key()));
            if (f.open(QIODevice::WriteOnly))
                f.write(contents.value(it.value()));
        }
    }

    int Open(const QString& path, int flags, mode_t mode) override {
        if (Hit())
            return Fail();
        const QString name = Name(path);
        const bool existed = m_names.contains(name);
        const int fd = FileIo::Open(path, flags, mode);
        if (fd < 0)
            return fd;
        if (!existed) {
            const int inode = NewInode({});
            m_names.insert(name, inode);
            m_pendingNames.append({NameOp::Create, name, {}, inode});
        } else if (flags & O_TRUNC) {
            m_pendingData.append({m_names.value(name), 0, {}, true});
        }
        m_fds.insert(fd, m_names.value(name));
        return fd;
    }
    ssize_t WriteAt(int fd, const void* buffer, size_t count, off_t offset) override {
        return Write(fd, buffer, qsizetype(count), offset, false);
    }
    ssize_t Append(int fd, const void* buffer, size_t count) override {
        return Write(fd, buffer, qsizetype(count), FileIo::Size(fd), true);
    }
    int Truncate(int fd, off_t length) override {
        if (Hit())
            return Fail();
        const int r = FileIo::Truncate(fd, length);
        if (r == 0)
            m_pendingData.append({m_fds.value(fd), qsizetype(length), {}, true});
        return r;
    }
    int Sync(int fd) override {
        if (Hit())
            return Fail();
        // This file's writes are on the disk now: on the one kept here, for which the real one
        // need not be waited for.
        const int inode = m_fds.value(fd);
        QByteArray& c = m_durable[inode];
        QList<DataOp> rest;
        for (const DataOp& op : m_pendingData) {
            if (op.inode != inode) {
                rest << op;
            } else if (op.truncate) {
                c.resize(op.offset);
            } else {
                if (c.size() < op.offset + op.bytes.size())
                    c.resize(op.offset + op.bytes.size(), '\0');
                c.replace(op.offset, op.bytes.size(), op.bytes);
            }
        }
        m_pendingData = rest;
        return 0;
    }
    int Close(int fd) override {
        m_fds.remove(fd);
        return FileIo::Close(fd);
    }
    int Rename(const QString& from, const QString& to) override {
        if (Hit())
            return Fail();
        const int r = FileIo::Rename(from, to);
        if (r == 0) {
            const NameOp op{NameOp::Rename, Name(from), Name(to), 0};
            Apply(m_names, op);
            m_pendingNames.append(op);
        }
        return r;
    }
    int Remove(const QString& path) override {
        if (Hit())
            return Fail();
        const int r = FileIo::Remove(path);
        if (r == 0) {
            const NameOp op{NameOp::Remove, Name(path), {}, 0};
            Apply(m_names, op);
            m_pendingNames.append(op);
        }
        return r;
    }
    int SyncFolderOf(const QString&) override {
        if (m_cut)
            return Fail();
        // The folder's changes are on the disk kept here now.
        for (const NameOp& op : m_pendingNames)
            Apply(m_durableNames, op);
        m_pendingNames.clear();
        return 0;
    }

private:
    struct DataOp {
        int inode;
        qsizetype offset;
        QByteArray bytes;
        bool truncate;
    };
    struct NameOp {
        enum Kind { Create, Rename, Remove } kind;
        QString name;
        QString to;
        int inode;
    };

    static void Apply(QHash<QString, int>& names, const NameOp& op) {
        switch (op.kind) {
        case NameOp::Create:
            names.insert(op.name, op.inode);
            break;
        case NameOp::Rename:
            if (names.contains(op.name))
                names.insert(op.to, names.take(op.name));
            break;
        case NameOp::Remove:
            names.remove(op.name);
            break;
        }
    }

    ssize_t Write(int fd, const void* buffer, qsizetype count, off_t offset, bool append) {
        const bool cutHere = !m_cut;
        const bool cut = Hit();
        // The write the power cuts keeps its first pages when writes tear.
        const qsizetype kept = !cut ? count : cutHere && m_tear ? TornLength(offset, count, *m_tear) : 0;
        const ssize_t n = kept == 0 ? 0
                          : append  ? FileIo::Append(fd, buffer, size_t(kept))
                                    : FileIo::WriteAt(fd, buffer, size_t(kept), offset);
        if (n > 0)
            m_pendingData.append(
                {m_fds.value(fd), qsizetype(offset), QByteArray(static_cast<const char*>(buffer), n), false});
        return cut ? Fail() : n;
    }
    // How much of `count` bytes written at `offset` a tear keeps: up to a page boundary inside
    // them, chosen by `random`; none when they lie within one page.
    qsizetype TornLength(qsizetype offset, qsizetype count, QRandomGenerator& random) {
        const qsizetype first = (offset / PageBytes + 1) * PageBytes;
        if (first >= offset + count)
            return 0;
        const qsizetype boundaries = (offset + count - 1 - first) / PageBytes + 1;
        ++m_tears;
        return first + PageBytes * qsizetype(random.bounded(quint32(boundaries))) - offset;
    }

    bool Hit() {
        if (m_cut)
            return true;
        if (m_cutAt > 0 && ++m_calls == m_cutAt)
            m_cut = true;
        return m_cut;
    }
    static int Fail() {
        errno = EIO;
        return -1;
    }
    QString Name(const QString& path) const { return QFileInfo(path).fileName(); }
    QByteArray ReadFile(const QString& name) const {
        QFile f(QDir(m_folder).filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int NewInode(const QByteArray& content) {
        m_durable.insert(++m_lastInode, content);
        return m_lastInode;
    }

    static constexpr qsizetype PageBytes = 4096;

    QString m_folder;
    QRandomGenerator* m_tear = nullptr;
    int m_tears = 0;
    int m_cutAt = 0;
    int m_calls = 0;
    bool m_cut = false;
    int m_lastInode = 0;
    QHash<int, QByteArray> m_durable;   // inode -> contents as flushed
    QHash<QString, int> m_durableNames; // the folder as flushed
    QHash<QString, int> m_names;        // the folder as the program sees it
    QHash<int, int> m_fds;              // fd -> inode
    QList<DataOp> m_pendingData;
    QList<NameOp> m_pendingNames;
};

QByteArray Employee(int i) {
    PersonnelRecord r;
    r.SetFirstName(QStringLiteral("First%1").arg(i));
    r.SetLastName(QStringLiteral("Last%1").arg(i));
    r.SetNotepad(QString(3000, QLatin1Char('a' + i % 26)));
    return QByteArray(r.data(), PersonnelRecordLength);
}

QByteArray User(int i) {
    UserRecord u;
    u.SetFirstName(QStringLiteral("User%1").arg(i));
    u.SetLastName(QStringLiteral("Last"));
    u.SetAccessLevel(qint16(1 + i % 4));
    return QByteArray(u.data(), UserRecordLength);
}

// A restore replaces the three data files by the saved copies beside them.
const QStringList& DataNames = DataFolderFileNames;

// Every write path of the data files, run through `io`.
void Operate(FileIo& io, const QString& op) {
    if (op == QStringLiteral("restore")) {
        QList<FileReplacement> files;
        for (const QString& name : DataNames)
            files.append({QStringLiteral("Saved.") + name, name});
        ReplaceDataFiles(io, files, RestoreJournalFileName, {});
        return;
    }
    if (op.startsWith(QStringLiteral("user"))) {
        // User 9 lies across the first page boundary, as the 17th, added, does the second.
        UserList users(io);
        if (!users.OpenUserList())
            return;
        if (op == QStringLiteral("user remove")) {
            users.RemoveUser(9);
        } else if (op == QStringLiteral("user append")) {
            users.ReadUserRecord(users.UserCount());
            users.Record().SetFirstName(QStringLiteral("Added"));
            users.WriteUserRecord(users.UserCount() + 1);
        } else {
            // A new password and comments reaching past the page boundary.
            users.ReadUserRecord(9);
            users.Record().SetPassword(QStringLiteral("k9a8b7c6"));
            users.Record().SetComments(QString(400, u'c'));
            users.WriteUserRecord(9);
        }
        users.CloseUserList();
        return;
    }
    PersonnelFile file(io);
    if (op.startsWith(QStringLiteral("history ")))
        KeepTestHistory(file);
    if (op == QStringLiteral("history restore")) {
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
        file.RemovePersonnelRecord(3);
    } else if (op.endsWith(QStringLiteral("change"))) {
        // An import's: two employees updated and two added, as one change.
        file.ChangePersonnelRecords(
            {2, 4}, [](qint32 n, PersonnelRecord& r) { r.SetJobTitle(QStringLiteral("Promoted %1").arg(n)); }, 2,
            [](qint32 i, PersonnelRecord& r) { r.SetFirstName(QStringLiteral("New%1").arg(i)); });
    } else if (op.endsWith(QStringLiteral("append many"))) {
        file.AppendPersonnelRecords(3, [](qint32 i, PersonnelRecord& r) {
            r.SetFirstName(QStringLiteral("New%1").arg(i));
            r.SetNotepad(QString(3000, QLatin1Char('x')));
        });
    } else if (op.endsWith(QStringLiteral("append"))) {
        file.Record().SetFirstName(QStringLiteral("New"));
        file.AppendPersonnelRecord();
    } else if (op.endsWith(QStringLiteral("write"))) {
        // Changed on both sides of the page boundary that crosses the record.
        file.ReadPersonnelRecord(2);
        file.Record().SetJobTitle(QStringLiteral("Promoted"));
        file.Record().SetNotepad(QString(4000, u'n'));
        file.WritePersonnelRecord(2);
    }
    file.ClosePersonnelFile();
}

// The data files as the data layer reads them afterwards (an interrupted removal finished).
QByteArray Settled(const QString& op) {
    if (op == QStringLiteral("restore"))
        return SettledRestoreFolder();
    if (op.startsWith(QStringLiteral("history "))) {
        FileIo io;
        return FinishInterruptedRestore(io, QString()) ? SettledWithHistory() : "unsettled";
    }
    return SettledFile(op.startsWith(QStringLiteral("user")) ? QStringLiteral("User.List")
                                                             : QStringLiteral("Rosterly.Data"));
}

void Prepare(const QString& op) {
    if (op == QStringLiteral("restore")) {
        const QByteArray now[] = {Employee(1) + Employee(2), User(1), "now\r\n"};
        const QByteArray then[] = {Employee(3), User(2) + User(3), "then\r\n"};
        for (int i = 0; i < 3; ++i) {
            QFile f(DataNames[i]), saved(QStringLiteral("Saved.") + DataNames[i]);
            if (i < 2) // the log is new
                QVERIFY(f.open(QIODevice::WriteOnly) && f.write(now[i]) == now[i].size());
            QVERIFY(saved.open(QIODevice::WriteOnly) && saved.write(then[i]) == then[i].size());
        }
        return;
    }
    QByteArray bytes;
    const bool users = op.startsWith(QStringLiteral("user"));
    for (int i = 1; i <= (users ? 16 : 5); ++i)
        bytes += users ? User(i) : Employee(i);
    QFile f(users ? QStringLiteral("User.List") : QStringLiteral("Rosterly.Data"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    if (op == QStringLiteral("history start"))
        return; // the first open starts it
    if (op.startsWith(QStringLiteral("history ")))
        SettledWithHistory(); // the history starts before the change
    // Another program's changes for the next open to take in, or the same as a backup to restore:
    // a new name in record 1 and a sixth employee.
    bytes.replace(0, PersonnelRecordLength, Employee(9));
    bytes += Employee(6);
    if (op == QStringLiteral("history outside"))
        WriteBytes(PersonnelFileName, bytes);
    else if (op == QStringLiteral("history restore"))
        WriteBytes(QStringLiteral("Saved.Rosterly.Data"), bytes);
}

} // namespace

class TestPowerLoss : public QObject {
    Q_OBJECT

private slots:
    void powerFailsAtAnyCall_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<bool>("torn"); // writes not flushed may be kept up to a page boundary
        for (const bool torn : {false, true}) {
            for (const char* op :
                 {"remove", "append", "append many", "write", "user remove", "user append", "user write",
                  "restore", "history remove", "history append", "history append many", "history write", "history change",
                  "history start", "history outside", "history restore"})
                QTest::addRow("%s%s", op, torn ? ", torn" : "") << QString::fromLatin1(op) << torn;
        }
    }
    void powerFailsAtAnyCall() {
        QFETCH(QString, op);
        QFETCH(bool, torn);
        TempDataFolder folder;
        Prepare(op);
        const QByteArray before = Settled(op);
        // Laid again: reading the state before may do what the operation does (the first open
        // starts a history).
        for (const QString& name : QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(name);
        Prepare(op);
        int calls = 0;
        QByteArray after;
        {
            PowerLossFileIo io(folder.Path());
            io.CutAt(1000000);
            Operate(io, op);
            calls = io.Calls();
            after = Settled(op);
        }
        QVERIFY(calls > 2);
        // Any open starts the history or takes in another program's changes: there, whatever
        // the power left, the next open must come to the same end.
        QVERIFY(after != before || op == QStringLiteral("history start") ||
                op == QStringLiteral("history outside"));

        QRandomGenerator random(7u + quint32(qHash(op)) + (torn ? 1u : 0u));
        int asBefore = 0, asAfter = 0, tears = 0;
        for (int cut = 1; cut <= calls + 1; ++cut) {
            // Fewer for a restore: it has many calls, and each run settles it twice.
            for (int draw = 0; draw < (op == QStringLiteral("restore") ? 4 : 8); ++draw) {
                for (const QString& name : QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden))
                    QFile::remove(name);
                Prepare(op);
                PowerLossFileIo io(folder.Path());
                io.CutAt(cut);
                if (torn)
                    io.TearWrites(&random);
                Operate(io, op);
                // The first draw is the process killed at the call (inside a write: its first pages
                // in, when writes tear), with nothing lost.
                if (draw > 0)
                    io.LeaveDiskAfterCut(random);
                tears += io.Tears();
                if (op == QStringLiteral("restore")) {
                    // The power goes again while the interrupted restore is being settled.
                    PowerLossFileIo again(folder.Path());
                    again.CutAt(1 + int(random.bounded(12)));
                    if (torn)
                        again.TearWrites(&random);
                    FinishInterruptedRestore(again, QString());
                    again.LeaveDiskAfterCut(random);
                    tears += again.Tears();
                }
                const QByteArray settled = Settled(op);
                if (settled == before)
                    ++asBefore;
                else if (settled == after)
                    ++asAfter;
                else
                    QFAIL(qPrintable(
                        QStringLiteral("power cut at call %1 of %2, draw %3: %4 bytes, neither as before "
                                       "nor as after")
                            .arg(cut)
                            .arg(calls)
                            .arg(draw)
                            .arg(settled.size())));
            }
        }
        // Every path has a write across a page boundary to tear.
        QCOMPARE(tears > 0, torn);
        qInfo("%s: %d calls, %d cuts as before, %d as after, %d writes torn", QTest::currentDataTag(), calls,
              asBefore, asAfter, tears);
    }
};

QTEST_MAIN(TestPowerLoss)
#include "tst_powerloss.moc"
