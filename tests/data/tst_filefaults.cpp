// Every write path under injected faults: each counted file-system call of the operation fails
// in turn (an error, a short write, a full disk). Afterwards the file must be exactly as before
// (when the operation reports failure) or exactly as intended (when it reports success): never
// shorter, torn, duplicated or missing.
#include "data/clock.h"
#include "data/datafilenames.h"
#include "data/history.h"
#include "data/journal.h"
#include "data/personnelfile.h"
#include "data/restorejournal.h"
#include "data/sensitiverule.h"
#include "data/userlist.h"
#include "support/faultyfileio.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <cstring>
#include <functional>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
using Bytes = std::optional<QByteArray>; // nullopt: no file

PersonnelRecord Employee(const QString& first, double inactivation = 0) {
    PersonnelRecord r;
    r.SetDateCreated(46000.5);
    r.SetFirstName(first);
    r.SetLastName(QStringLiteral("Doe"));
    r.SetNotepad(QString(3000, u'n'));
    r.SetInactivationDate(inactivation);
    return r;
}

UserRecord User(const QString& first, qint16 level) {
    UserRecord u;
    u.SetFirstName(first);
    u.SetLastName(QStringLiteral("Doe"));
    u.SetAccessLevel(level);
    return u;
}

template <typename Record> QByteArray Image(std::initializer_list<Record> records) {
    QByteArray out;
    for (const Record& r : records)
        out.append(r.data(), sizeof(r));
    return out;
}

Bytes ReadIfExists(const QString& name) {
    if (!QFile::exists(name))
        return std::nullopt;
    return ReadFileBytes(name);
}

void Lay(const QString& name, const Bytes& bytes) {
    QFile::remove(name);
    if (!bytes)
        return;
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(*bytes), bytes->size());
}

// The file layer of a folder whose changes cannot be flushed.
class FolderNotFlushed : public FileIo {
public:
    int SyncFolderOf(const QString&) override {
        errno = EIO;
        return -1;
    }
};

const FaultyFileIo::Fault AllFaults[] = {FaultyFileIo::Fault::Error, FaultyFileIo::Fault::ShortWrite,
                                         FaultyFileIo::Fault::DiskFull};
} // namespace

class TestFileFaults : public QObject {
    Q_OBJECT

private:
    // Runs `operation` once per counted call, failing that call, until a run no longer reaches
    // the armed call. Returns how many distinct calls were failed.
    int FailEachCall(const QString& file, int recordLength, const Bytes& before, const Bytes& after,
                     const std::function<IoStatus(FileIo&)>& operation) {
        int failedCalls = 0;
        for (FaultyFileIo::Fault fault : AllFaults) {
            for (int call = 1; call < 200; ++call) {
                TempDataFolder folder;
                Lay(file, before);
                FaultyFileIo io;
                io.Arm(call, fault);
                const IoStatus status = operation(io);
                const Bytes now = ReadIfExists(file);
                const QByteArray where =
                    QStringLiteral("%1, fault %2 at call %3").arg(file).arg(int(fault)).arg(call).toUtf8();
                if (now && now->size() % recordLength != 0)
                    QTest::qFail(where + " left a torn file", __FILE__, __LINE__);
                if (!io.Fired()) {
                    if (!status.Ok() || now != after)
                        QTest::qFail(where + ": the unfaulted run did not give the intended file", __FILE__,
                                     __LINE__);
                    break;
                }
                ++failedCalls;
                if (status.Ok() ? now != after : now != before)
                    QTest::qFail(where + (status.Ok() ? ": reported success but the file differs"
                                                      : ": reported failure but the file changed"),
                                 __FILE__, __LINE__);
                if (!status.Ok() && status.Message().isEmpty())
                    QTest::qFail(where + ": failure without a message", __FILE__, __LINE__);
                if (QTest::currentTestFailed())
                    return failedCalls;
            }
        }
        return failedCalls;
    }

    // FailEachCall for `change` made to the personnel file once it is open; a failed open is the
    // change failing.
    int FailEachPersonnelCall(const Bytes& before, const Bytes& after,
                              const std::function<IoStatus(PersonnelFile&)>& change) {
        return FailEachCall(QStringLiteral("Rosterly.Data"), PersonnelRecordLength, before, after,
                            [&](FileIo& io) {
                                PersonnelFile file(io);
                                if (IoStatus s = file.OpenPersonnelFile(); !s)
                                    return s;
                                return change(file);
                            });
    }

private slots:
    // A folder that cannot be flushed fails the write with the file error: a file renamed into
    // place over the one before stays (removing it could not be made to last either), a journal,
    // whose change has not begun, goes; no scratch file is left either way.
    void folderNotFlushed_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("after"); // empty: no file
        QTest::newRow("sensitive-fields rule") << SensitiveRuleFileName << SensitiveRuleBytes(3);
        QTest::newRow("export") << u"list.csv"_s << QByteArray("a,b\r\n");
        QTest::newRow("history journal, in blocks") << HistoryJournalFileName << QByteArray("{}\nx\ny\n");
        QTest::newRow("append journal") << AppendJournalFileName << QByteArray();
        QTest::newRow("restore journal") << RestoreJournalFileName << QByteArray();
    }
    void folderNotFlushed() {
        QFETCH(QString, name);
        QFETCH(QByteArray, after);
        TempDataFolder folder;
        Lay(name, after.isEmpty() ? Bytes() : Bytes("before"));
        FolderNotFlushed io;
        const auto inBlocks = [&, blocks = 0](QByteArray& block) mutable {
            block = ++blocks == 1 ? "x\n" : "y\n";
            return blocks < 2;
        };
        qint64 written = 0;
        const IoStatus status =
            name == SensitiveRuleFileName    ? WriteSensitiveRule(io, name, 3)
            : name == u"list.csv"_s          ? WriteWholeFile(io, name, after)
            : name == HistoryJournalFileName ? ReplaceFileWhole(io, name, "{}\n", inBlocks, &written)
            : name == AppendJournalFileName  ? WriteJournalFile(io, name, "0 1\n", JournalCreate::Exclusive)
                                             : WriteRestoreJournal(io, name, {});
        QCOMPARE(status.Message(), u"Could not write the file \"%1\".\r\nInput/output error."_s.arg(name));
        QCOMPARE(ReadIfExists(name).value_or("(none)"), after.isEmpty() ? "(none)" : after);
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), after.isEmpty() ? QStringList() : QStringList{name});
    }

    void personnelAppend() {
        const auto a = Employee(QStringLiteral("A")), b = Employee(QStringLiteral("B"), 45000),
                   c = Employee(QStringLiteral("C"));
        const int calls = FailEachPersonnelCall(Image({a, b}), Image({a, b, c}), [&](PersonnelFile& file) {
            file.Record() = c;
            return file.AppendPersonnelRecord();
        });
        QVERIFY(calls >= 3 * 4); // open, count, write, sync for each kind of fault
    }

    // Many records as one change: one open, one write each and one flush, and at any failure
    // the file back at its old length, the record count as before and no journal left.
    void personnelAppendOfManyRecords() {
        const auto a = Employee(QStringLiteral("A")), b = Employee(QStringLiteral("B"), 45000);
        std::vector<PersonnelRecord> added;
        for (int i = 0; i < 3; ++i)
            added.push_back(Employee(QStringLiteral("New%1").arg(i), i == 1 ? 46000 : 0));
        const auto append = [&](PersonnelFile& file) {
            const IoStatus s = file.AppendPersonnelRecords(
                qint32(added.size()), [&](qint32 i, PersonnelRecord& r) { r = added[std::size_t(i)]; });
            if (!s && file.RecordCount() != 2)
                QTest::qFail("a failed append changed the record count", __FILE__, __LINE__);
            if (QFile::exists(QStringLiteral("Append.$$$")))
                QTest::qFail("the append left its journal", __FILE__, __LINE__);
            return s;
        };
        const int calls =
            FailEachPersonnelCall(Image({a, b}), Image({a, b, added[0], added[1], added[2]}), append);
        QVERIFY(calls >= 3 * 9);

        // Counted calls of the append itself: the old last record read for the journal, the
        // journal made, written and flushed, one write per record, one flush, the journal removed.
        TempDataFolder folder;
        Lay(QStringLiteral("Rosterly.Data"), Image({a, b}));
        FaultyFileIo io;
        PersonnelFile file(io);
        QVERIFY(file.OpenPersonnelFile());
        io.Arm(0, FaultyFileIo::Fault::Error);
        added.resize(50, a);
        QVERIFY(file.AppendPersonnelRecords(
            50, [&](qint32 i, PersonnelRecord& r) { r = added[std::size_t(i)]; }));
        QCOMPARE(io.Calls(), 1 + 3 + 50 + 1 + 1);
        QCOMPARE(file.RecordCount(), 52);
    }

    // A change that stops at any call (from its open on), cleaning nothing up, is settled by the
    // next open through its journal: an add is cut off, a torn record gets its old bytes back, a
    // record written whole stays. Never a torn or half-kept record, and no journal left.
    void stoppedAtAnyCallIsSettled_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");   // records added, or record 2 changed
        QTest::addColumn<QByteArray>("journal"); // a torn edit's, for the open alone to settle
        QTest::addColumn<int>("calls");          // the change's, its open's included
        QTest::addColumn<int>("keptFrom");       // a stop from this call on leaves `after`; 0: none
        const auto a = Employee(QStringLiteral("A")), c = Employee(QStringLiteral("C"));
        auto c2 = c;
        c2.SetJobTitle(QStringLiteral("Supervisor"));
        c2.SetNotepad(QString(4519, u'z'));
        const auto ann = User(QStringLiteral("Ann"), 4), bo = User(QStringLiteral("Bo"), 2);
        auto bo2 = bo;
        bo2.SetComments(QString(439, u'c'));
        // Record 2 lies across the page boundary at 8192: a torn write keeps its first 3192 bytes.
        PersonnelRecord torn = c;
        std::memcpy(torn.data(), c2.data(), 3192);
        // The open (and a user list's scan); the old last record read for the journal, the journal
        // made, written and flushed, one write per record, one flush, the journal removed.
        QTest::newRow("one employee")
            << Image({a, a}) << Image({a, a, c}) << QByteArray() << 1 + 1 + 3 + 1 + 1 + 1 << 0;
        QTest::newRow("three employees")
            << Image({a, a}) << Image({a, a, c, c, c}) << QByteArray() << 1 + 1 + 3 + 3 + 1 + 1 << 0;
        QTest::newRow("user added") << Image({ann}) << Image({ann, bo}) << QByteArray()
                                    << 2 + 1 + 3 + 1 + 1 + 1 << 0;
        // The open; the old record read, the journal made, written and flushed, the record written
        // and flushed (whole new from then on), the journal removed.
        QTest::newRow("employee edited")
            << Image({a, c}) << Image({a, c2}) << QByteArray() << 1 + 1 + 3 + 2 + 1 << 1 + 1 + 3 + 2;
        QTest::newRow("user edited") << Image({ann, bo}) << Image({ann, bo2}) << QByteArray()
                                     << 2 + 1 + 3 + 2 + 1 << 2 + 1 + 3 + 2;
        // The open; the journal opened and read to its end, the record read, written back and
        // flushed, the journal removed. However stopped, the next open puts the old bytes back.
        QTest::newRow("torn employee settled")
            << Image({a, torn}) << Image({a, c}) << WriteJournal{2, Image({c}), Image({c2})}.Text()
            << 1 + 1 + 2 + 1 + 2 + 1 << 1;
    }
    void stoppedAtAnyCallIsSettled() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, journal);
        QFETCH(int, calls);
        QFETCH(int, keptFrom);
        const bool users = QByteArray(QTest::currentDataTag()).startsWith("user");
        const QString name = users ? UserListFileName : PersonnelFileName;
        const int length = users ? UserRecordLength : PersonnelRecordLength;
        const qint32 added = qint32((after.size() - before.size()) / length);
        const QByteArray record = after.mid(added > 0 ? before.size() : length, length);
        const auto make = [&](FileIo& io) {
            if (users) {
                UserList list(io);
                if (list.OpenUserList()) {
                    std::memcpy(list.Record().data(), record.constData(), length);
                    list.WriteUserRecord(2);
                }
                return;
            }
            PersonnelFile file(io);
            if (!file.OpenPersonnelFileUncounted() || !journal.isEmpty())
                return;
            std::memcpy(file.Record().data(), record.constData(), length);
            const PersonnelRecord written = file.Record();
            if (added > 1)
                file.AppendPersonnelRecords(added, [&](qint32, PersonnelRecord& r) { r = written; });
            else
                file.WritePersonnelRecord(added > 0 ? file.RecordCount() + 1 : 2);
        };
        int call = 1;
        for (bool stopped = true; stopped; ++call) {
            TempDataFolder folder;
            Lay(name, before);
            if (!journal.isEmpty())
                Lay(WriteJournalFileName, journal);
            {
                FaultyFileIo io;
                io.Arm(call, FaultyFileIo::Fault::Halt);
                make(io);
                stopped = io.Fired();
            }
            FileIo io;
            QVERIFY(users ? UserList(io).OpenUserList() : PersonnelFile(io).OpenPersonnelFileUncounted());
            QVERIFY2(ReadFileBytes(name) == (stopped && (keptFrom == 0 || call < keptFrom) ? before : after),
                     qPrintable(QStringLiteral("stopped at call %1").arg(call)));
            QCOMPARE(QDir().entryList(QDir::Files), QStringList{name});
        }
        QCOMPARE(call - 2, calls);
    }

    void personnelAppendToMissingFile() {
        const auto a = Employee(QStringLiteral("A"));
        // A failed first save may leave an empty data file behind, never a partial record.
        FailEachPersonnelCall(QByteArray(), Image({a}), [&](PersonnelFile& file) {
            file.Record() = a;
            return file.AppendPersonnelRecord();
        });
    }

    void personnelWriteInPlace() {
        const auto a = Employee(QStringLiteral("A")), b = Employee(QStringLiteral("B")),
                   c = Employee(QStringLiteral("C"));
        auto b2 = b;
        b2.SetJobTitle(QStringLiteral("Supervisor"));
        b2.SetNotepad(QString(4519, u'z'));
        FailEachPersonnelCall(Image({a, b, c}), Image({a, b2, c}), [&](PersonnelFile& file) {
            file.Record() = b2;
            return file.WritePersonnelRecord(2);
        });
    }

    void personnelRemoval() {
        const auto a = Employee(QStringLiteral("A")), b = Employee(QStringLiteral("B")),
                   c = Employee(QStringLiteral("C"), 44000);
        const int calls = FailEachPersonnelCall(Image({a, b, c}), Image({a, c}), [&](PersonnelFile& file) {
            return file.RemovePersonnelRecord(2);
        });
        QVERIFY(calls >= 3 * 8);
    }

    void personnelRemovalOfTheOnlyRecord() {
        const auto a = Employee(QStringLiteral("A"));
        FailEachPersonnelCall(Image({a}), std::nullopt,
                              [&](PersonnelFile& file) { return file.RemovePersonnelRecord(1); });
    }

    void userListAppendAndWrite() {
        const auto a = User(QStringLiteral("Ann"), 4), b = User(QStringLiteral("Bo"), 2);
        auto b2 = b;
        b2.SetAccessLevel(3);
        FailEachCall(QStringLiteral("User.List"), UserRecordLength, Image({a}), Image({a, b}),
                     [&](FileIo& io) {
                         UserList list(io);
                         if (IoStatus s = list.OpenUserList(); !s)
                             return s;
                         list.Record() = b;
                         return list.WriteUserRecord(list.UserCount() + 1);
                     });
        FailEachCall(QStringLiteral("User.List"), UserRecordLength, Image({a, b}), Image({a, b2}),
                     [&](FileIo& io) {
                         UserList list(io);
                         if (IoStatus s = list.OpenUserList(); !s)
                             return s;
                         list.Record() = b2;
                         return list.WriteUserRecord(2);
                     });
    }

    void userListRemoval() {
        const auto a = User(QStringLiteral("Ann"), 4), b = User(QStringLiteral("Bo"), 2),
                   c = User(QStringLiteral("Cy"), 1);
        FailEachCall(QStringLiteral("User.List"), UserRecordLength, Image({a, b, c}), Image({a, c}),
                     [&](FileIo& io) { return UserList(io).RemoveUser(2); });
        FailEachCall(QStringLiteral("User.List"), UserRecordLength, Image({a}), std::nullopt,
                     [&](FileIo& io) { return UserList(io).RemoveUser(1); });
    }

    void userLogAppend() {
        const FixedClock clock(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
        const QByteArray first("01/01/2026 at 08:00:00 - Ann Doe logged out.\r\n");
        const QByteArray line("01/02/2026 at 03:04:05 - Ann Doe logged in w/ Read Only privileges.\r\n");
        // Record length 1: the log is text; only whole lines may be added.
        FailEachCall(QStringLiteral("User.Log"), 1, first, first + line, [&](FileIo& io) {
            return WriteUserLogEntry(io, QStringLiteral("Ann Doe"), 1, 1, clock);
        });
        // A read-only copy appends its line while this one's fails (at the flush): the failed line
        // is not cut back then, as that would cut the other copy's off with it.
        const QByteArray other("01/02/2026 at 03:04:06 - Bo Lee logged in w/ Read Only privileges.\r\n");
        struct OtherCopyAppends final : FileIo {
            QByteArray line;
            int Sync(int) override {
                QFile log(QStringLiteral("User.Log"));
                if (!log.open(QIODevice::Append) || log.write(line) != line.size())
                    return 0;
                errno = EIO;
                return -1;
            }
        } io;
        io.line = other;
        TempDataFolder folder;
        WriteFileBytes(QStringLiteral("User.Log"), first);
        QVERIFY(!WriteUserLogEntry(io, QStringLiteral("Ann Doe"), 1, 1, clock));
        QCOMPARE(ReadFileBytes(QStringLiteral("User.Log")), first + line + other);
    }

    // The history's lines go in as one write: two entries or none.
    void historyAppend() {
        HistoryEntry e{1,
                       QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC),
                       QStringLiteral("Ann"),
                       4,
                       7,
                       HistoryAction::Edited,
                       {{QStringLiteral("JobTitle"), QStringLiteral("Clerk"), QStringLiteral("Head")}}};
        const QByteArray first = HistoryLine(e);
        e.entry = 2;
        QByteArray two = HistoryLine(e);
        e.entry = 3;
        two += HistoryLine(e);
        FailEachCall(QStringLiteral("Rosterly.History"), 1, first, first + two, [&](FileIo& io) {
            HistoryEntry second = e;
            second.entry = 2;
            return AppendHistory(io, QStringLiteral("Rosterly.History"), {second, e});
        });
    }

    // Each change of an employee with the history kept, failing or stopped (nothing cleaned up)
    // at each call in turn from its open on, then settled by the next open: the personnel file
    // and the history are both as before or both as after, never one without the other, and a
    // record torn by a stop in the middle of an edit in place is put back as it was.
    void historyKeepsStepWithTheFile_data() {
        QTest::addColumn<QString>("change");
        for (const char* change : {"edit", "previous", "add", "import", "remove"})
            QTest::newRow(change) << QString::fromLatin1(change);
    }
    void historyKeepsStepWithTheFile() {
        QFETCH(QString, change);
        const FixedClock clock(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
        const auto a = Employee(QStringLiteral("A")), b = Employee(QStringLiteral("B")),
                   c = Employee(QStringLiteral("C"));
        const auto keeping = [&](PersonnelFile& file) {
            file.KeepHistory(clock);
            file.SetHistoryActor(QStringLiteral("Ann"), 4);
        };
        const auto make = [&](PersonnelFile& file) -> IoStatus {
            if (IoStatus s = file.OpenPersonnelFileUncounted(); !s)
                return s;
            IoStatus s;
            if (change == QStringLiteral("edit") || change == QStringLiteral("previous")) {
                s = file.ReadPersonnelRecord(2);
                if (change == QStringLiteral("edit")) {
                    // Past the middle too, where a write stopped halfway leaves old bytes.
                    file.Record().SetJobTitle(QStringLiteral("Head Clerk"));
                    file.Record().SetNotepad(QString(4519, u'h'));
                } else {
                    file.Record().SetInactivationDate(46100);
                }
                if (s)
                    s = file.WritePersonnelRecord(2);
            } else if (change == QStringLiteral("add")) {
                file.Record() = c;
                s = file.AppendPersonnelRecord();
            } else if (change == QStringLiteral("import")) {
                s = file.AppendPersonnelRecords(2, [&](qint32, PersonnelRecord& r) { r = c; });
            } else {
                s = file.RemovePersonnelRecord(1);
            }
            file.ClosePersonnelFile();
            return s;
        };
        const auto lay = [&] {
            Lay(QStringLiteral("Rosterly.Data"), Image({a, b, c}));
            FileIo io;
            PersonnelFile file(io);
            keeping(file);
            QVERIFY(file.OpenPersonnelFileUncounted()); // the history starts
            file.ClosePersonnelFile();
        };
        using State = std::pair<QByteArray, QByteArray>; // the personnel file, the history
        const auto settled = [&] {
            FileIo io;
            PersonnelFile file(io);
            keeping(file);
            if (!file.OpenPersonnelFileUncounted())
                return State{"unsettled", {}};
            file.ClosePersonnelFile();
            return State{ReadFileBytes(QStringLiteral("Rosterly.Data")), ReadFileBytes(HistoryFileName)};
        };
        State before, after;
        {
            TempDataFolder folder;
            CHECKED(lay());
            before = settled();
            FileIo io;
            PersonnelFile file(io);
            keeping(file);
            QVERIFY(make(file));
            after = settled();
            QVERIFY(after.second.startsWith(before.second) && after.second != before.second);
        }
        int asAfter = 0;
        for (FaultyFileIo::Fault fault : {FaultyFileIo::Fault::Error, FaultyFileIo::Fault::ShortWrite,
                                          FaultyFileIo::Fault::DiskFull, FaultyFileIo::Fault::Halt}) {
            for (int call = 1;; ++call) {
                TempDataFolder folder;
                CHECKED(lay());
                FaultyFileIo io;
                bool fired = false;
                IoStatus status;
                {
                    PersonnelFile file(io);
                    keeping(file);
                    io.Arm(call, fault);
                    status = make(file);
                    fired = io.Fired();
                }
                const State now = settled();
                const QByteArray where =
                    QStringLiteral("fault %1 at call %2").arg(int(fault)).arg(call).toUtf8();
                QVERIFY2(now.first == before.first || now.first == after.first,
                         where + ": a file of neither");
                QVERIFY2(now.second == (now.first == after.first ? after.second : before.second),
                         where + ": the history is out of step with the file");
                if (status.Ok() && fault != FaultyFileIo::Fault::Halt)
                    QVERIFY2(now.first == after.first, where + ": reported done but not done");
                asAfter += now.first == after.first;
                if (!fired)
                    break;
                QVERIFY2(call < 300, where);
            }
        }
        QVERIFY(asAfter > 4); // some faults struck after the change was made
    }

    void restoreCutShortIsSettled_data() {
        QTest::addColumn<int>("renamed");
        for (int renamed = 0; renamed <= 3; ++renamed)
            QTest::addRow("%d of 3 renamed", renamed) << renamed;
    }

    // A restore cut short after its journal, with `renamed` of its three files in place (the log
    // is new), settled while each call in turn fails: a settling that succeeds leaves the files
    // wholly as before or wholly as restored, and a second one leaves nothing else either.
    void restoreCutShortIsSettled() {
        QFETCH(int, renamed);
        const QStringList& names = DataFolderFileNames;
        const QList<Bytes> old{Image({Employee(QStringLiteral("Old"))}),
                               Image({User(QStringLiteral("Old"), 1)}), std::nullopt};
        const QList<Bytes> fresh{Image({Employee(QStringLiteral("New"))}),
                                 Image({User(QStringLiteral("New"), 4)}), QByteArray("log\r\n")};
        auto contents = [&] {
            QByteArray all;
            for (const QString& name : names)
                all += '|' + ReadIfExists(name).value_or("none");
            return all;
        };
        auto listing = [] {
            return QDir().entryList(QDir::Files | QDir::Hidden, QDir::Name);
        };
        QByteArray expected;
        QStringList expectedListing;
        for (int call = 1;; ++call) {
            TempDataFolder folder;
            QList<RestoreJournalFile> files;
            for (int i = 0; i < 3; ++i) {
                files.append({names[i], PartialCopyName(names[i]), PreviousCopyName(names[i]), bool(old[i])});
                Lay(names[i], renamed == 3 ? fresh[i] : old[i]); // as settled, to know the outcome
            }
            if (call == 1) {
                expected = contents();
                expectedListing = listing();
            }
            for (int i = 0; i < 3; ++i) {
                Lay(names[i], i < renamed ? fresh[i] : old[i]);
                Lay(files[i].partial, i < renamed ? std::nullopt : fresh[i]);
                Lay(files[i].previous, old[i]);
            }
            FileIo plain;
            QVERIFY(WriteRestoreJournal(plain, RestoreJournalFileName, files));
            FaultyFileIo io;
            io.Arm(call, FaultyFileIo::Fault::Error);
            const QByteArray where = "failing call " + QByteArray::number(call);
            if (FinishInterruptedRestore(io, QString()))
                QVERIFY2(contents() == expected, where);
            QVERIFY(FinishInterruptedRestore(plain, QString()));
            QVERIFY2(contents() == expected && listing() == expectedListing, where + " and settled again");
            if (!io.Fired())
                break;
        }
    }
};

QTEST_GUILESS_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
