// Restore: the checks and messages in their order, the restored files byte for byte and
// owner-only, the hand-back that rebuilds the list, and restores that fail part-way.
#include "data/datafilenames.h"
#include "data/history.h"
#include "data/restorejournal.h"
#include "support/backupfixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

const QString RestorePrompt = QStringLiteral("Select the disk/drive/folder that contains your\r\n"
                                             "previously backed up Rosterly data files\r\n"
                                             "that you wish to restore...");
const QString Restored =
    QStringLiteral("Your previously backed up \r\nRosterly data files\r\nhas been successfully restored!");
const QString Cancelled = QStringLiteral("The restore process has been cancelled");
const QString Warning = Box(QStringLiteral("Note:\r\n\r\nYou are about to replace your current data files\r\n"
                                           "with previously made backup data files.\r\n\r\n"
                                           "Once completed, this action can not be undone.\r\n\r\n"
                                           "Are you sure you're ready to continue?"),
                            QStringLiteral("Important! Please read carefully..."), MsgIcon::Exclamation,
                            MsgButtons::YesNo, MsgDefault::Button2);

// The failure message of a restore that left the data files as they were.
QString NotRestored(const QString& name) {
    return Box(QStringLiteral("There is some kind of problem\r\ntrying to restore ") + name +
                   QStringLiteral("\r\n\r\nYour current Rosterly data files have been left unchanged."),
               QStringLiteral("File Restore Error"), MsgIcon::Exclamation);
}

const QStringList DataNames{QStringLiteral("Rosterly.Data"), QStringLiteral("User.List"),
                            QStringLiteral("User.Log")};

struct RestoreFixture : BackupFixture {
    QList<QByteArray> current{Employees({QStringLiteral("Carol")}), Pattern(500, 1), QByteArray("now\r\n")};
    QList<QByteArray> backup{Employees({QStringLiteral("Alice"), QStringLiteral("Bob")}), Pattern(1000, 2),
                             QByteArray("then\r\n")};
    QString folder;
    int rebuilt = 0;
    QStringList listedAtRebuild; // first names the rebuilt list would show
    int askedAtRebuild = -1;
    int callsAtRebuild = -1; // file calls the restore made before handing back

    // The data folder with its files (the personnel file only when `withPersonnel`) and a backup
    // folder holding the first `backedUp` data files.
    void Prepare(int backedUp = 3, bool withPersonnel = true) {
        for (int i = withPersonnel ? 0 : 1; i < 3; ++i)
            WriteFile(DataNames[i], current[i], 0644);
        folder = NewFolder(QStringLiteral("backup"));
        for (int i = 0; i < backedUp; ++i)
            WriteFile(folder + QLatin1Char('/') + DataNames[i], backup[i], 0644);
    }

    void Restore() {
        // Only what the restore puts in place: a history started before it lands by a rename too.
        io.landings.clear();
        RestoreDataFiles(ctx, &window, [this] {
            ++rebuilt;
            callsAtRebuild = io.Calls();
            askedAtRebuild = int(prompts.Asked().size());
            // As the main window rebuilds its list: from the personnel file as it now stands.
            IoStatus s = personnel.OpenPersonnelFile();
            if (s)
                s = personnel.ScanRecords(
                    [this](qint32, PersonnelRecordView r) { listedAtRebuild << r.FirstName(); });
            personnel.ClosePersonnelFile();
            QVERIFY2(s.Ok(), qPrintable(s.Message()));
        });
    }

    void VerifyFiles(int restoredCount, const QStringList& besides = {}) const {
        for (int i = 0; i < 3; ++i) {
            const QByteArray& expected = i < restoredCount ? backup[i] : current[i];
            QVERIFY2(ReadFileBytes(DataNames[i]) == expected, qPrintable(DataNames[i]));
            QCOMPARE(ModeOf(DataNames[i]), mode_t(i < restoredCount ? 0600 : 0644));
        }
        QStringList names = DataNames + besides;
        names.sort();
        QCOMPARE(Listing(QDir::currentPath()), names);
    }

    // A history of the personnel file `bytes` as the program starts it, written beside it in
    // `where` (the data folder when empty); its bytes.
    QByteArray StartHistory(const QByteArray& bytes, const QString& where = QString()) {
        const QString at = where.isEmpty() ? QString() : where + QLatin1Char('/');
        WriteFile(at + QStringLiteral("Rosterly.Data"), bytes, 0644);
        PersonnelFile started(io, at + QStringLiteral("Rosterly.Data"));
        started.KeepHistory(clock, at + HistoryFileName, at + HistoryIndexFileName,
                            at + HistoryJournalFileName);
        started.SetHistoryActor(QStringLiteral("Ann Admin"), 4);
        IoStatus s = started.OpenPersonnelFileUncounted();
        started.ClosePersonnelFile();
        if (!s.Ok())
            qWarning("%s", qPrintable(s.Message()));
        return ReadFileBytes(at + HistoryFileName);
    }
};

// The history's entries after its first `skip` bytes, each as "action employee record user level:
// field before>after ...".
QStringList EntriesAfter(qsizetype skip) {
    QStringList lines;
    const QByteArray history = ReadFileBytes(HistoryFileName).mid(skip);
    for (const QByteArray& line : history.split('\n')) {
        const std::optional<HistoryEntry> e = ParseHistoryLine(line);
        if (!e)
            continue;
        QString text = QStringLiteral("%1 %2 %3 %4 %5:")
                           .arg(HistoryActionName(e->action))
                           .arg(e->employee)
                           .arg(e->record)
                           .arg(e->user)
                           .arg(e->level);
        for (const HistoryChange& c : e->changes)
            text += QLatin1Char(' ') + c.field + QLatin1Char(' ') + c.before + QLatin1Char('>') + c.after;
        lines << text;
    }
    return lines;
}

} // namespace

class tst_Restore : public QObject {
    Q_OBJECT

private slots:
    // The history: none kept; the live one beside a backup's, or beside a backup of a version
    // that had none; or only the backup's. The live one is kept whenever there is one, and the
    // restore appended to it as the signed-in user. A change of the live file whose entries are
    // still in the journal goes into the history before the restore, against that file.
    void restoreReplacesTheFilesAndRebuildsTheList_data() {
        QTest::addColumn<bool>("keeps");
        QTest::addColumn<bool>("live");
        QTest::addColumn<bool>("backedUp");
        QTest::addColumn<QStringList>("appended");
        QTest::addColumn<bool>("pending"); // Carol's addition still in the history's journal
        // Live: Alice, married (a new last name) and made Clerk since, and Carol; the backup: Alice as
        // she was, and Bob. Alice keeps her number through the restore.
        const QStringList againstLive{
            QStringLiteral("restored 1 1 Ann Admin 4: LastName Wed>Example JobTitle Clerk>"),
            QStringLiteral("restored 3 2 Ann Admin 4: FirstName >Bob LastName >Example VersionCreated >0"),
            QStringLiteral("restored 2 0 Ann Admin 4: FirstName Carol> LastName Example> VersionCreated 0>")};
        QTest::newRow("no history") << false << false << false << QStringList() << false;
        QTest::newRow("live history kept over the backup's") << true << true << true << againstLive << false;
        QTest::newRow("backup of a version without history") << true << true << false << againstLive << false;
        QTest::newRow("backup's history where there was none")
            << true << false << true
            << QStringList(
                   {QStringLiteral("restored 1 1 Ann Admin 4:"), QStringLiteral("restored 2 2 Ann Admin 4:")})
            << false;
        QTest::newRow("a change of the live file pending in the journal")
            << true << true << true
            << QStringList(
                   {QStringLiteral(
                        "added 2 2 Ann Admin 4: FirstName >Carol LastName >Example VersionCreated >0"),
                    QStringLiteral("restored 1 1 Ann Admin 4:"), againstLive[1], againstLive[2]})
            << true;
    }
    void restoreReplacesTheFilesAndRebuildsTheList() {
        QFETCH(bool, keeps);
        QFETCH(bool, live);
        QFETCH(bool, backedUp);
        QFETCH(QStringList, appended);
        QFETCH(bool, pending);
        RestoreFixture f;
        f.current[0] = Employees({QStringLiteral("Alice"), QStringLiteral("Carol")});
        f.Prepare();
        QByteArray liveHistory;
        QByteArray backupHistory;
        if (backedUp)
            backupHistory = f.StartHistory(f.backup[0], f.folder);
        if (pending) {
            // Carol was appended to the file; the history's append of her entry failed.
            liveHistory = f.StartHistory(Employees({QStringLiteral("Alice")}));
            WriteFile(DataNames[0], f.current[0], 0644);
            PersonnelRecord carol;
            std::memcpy(carol.data(), f.current[0].constData() + PersonnelRecordLength,
                        PersonnelRecordLength);
            WriteFile(HistoryJournalFileName,
                      "{\"check\":\"count\",\"count\":2,\"lines\":1}\n" +
                          HistoryLine({2, f.clock.Now(), QStringLiteral("Ann Admin"), 4, 2,
                                       HistoryAction::Added, WholeRecord(carol), 2}));
        } else if (live) {
            f.StartHistory(f.current[0]);
            PersonnelFile edit(f.io);
            edit.KeepHistory(f.clock);
            QVERIFY(edit.OpenPersonnelFileUncounted());
            QVERIFY(edit.ReadPersonnelRecord(1));
            edit.Record().SetJobTitle(QStringLiteral("Clerk"));
            edit.Record().SetLastName(QStringLiteral("Wed"));
            QVERIFY(edit.WritePersonnelRecord(1));
            edit.ClosePersonnelFile();
            f.current[0] = ReadFileBytes(DataNames[0]);
            liveHistory = ReadFileBytes(HistoryFileName);
            QVERIFY(QFile::exists(HistoryIndexFileName));
        }
        if (keeps)
            f.personnel.KeepHistory(f.clock);
        f.personnel.SetHistoryActor(f.state.CurrentUserName, f.state.CurrentAccessLevel);
        f.prompts.AnswerFolder(f.folder).Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK);

        f.Restore();

        QCOMPARE(f.Asked(), QStringList({FolderPrompt(RestorePrompt), Warning, Plain(Restored)}));
        f.VerifyFiles(3, keeps ? QStringList({HistoryFileName, HistoryIndexFileName, HistoryLinesFileName})
                               : QStringList());
        const QByteArray kept = live ? liveHistory : backupHistory;
        QVERIFY(ReadFileBytes(HistoryFileName).startsWith(kept));
        // Appended once; the list's open after it finds the history in step.
        QCOMPARE(EntriesAfter(kept.size()), appended);
        // Rebuilt once, after the closing message, from the restored file.
        QCOMPARE(f.rebuilt, 1);
        QCOMPARE(f.askedAtRebuild, 3);
        QCOMPARE(f.listedAtRebuild, QStringList({QStringLiteral("Alice"), QStringLiteral("Bob")}));
        QStringList captions{QStringLiteral("Restoring Rosterly.Data"), QStringLiteral("Restoring User.List"),
                             QStringLiteral("Restoring User.Log")};
        if (backedUp && !live)
            captions << QStringLiteral("Restoring Rosterly.History");
        QCOMPARE(f.LandedCaptions(), captions);
        f.VerifyBusyWhileCopying();
        f.VerifyWindowRestored();
        // The backup is left as it was, and the signed-in user stays signed in as before.
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ReadFileBytes(f.folder + QLatin1Char('/') + DataNames[i]), f.backup[i]);
        QCOMPARE(f.state.CurrentUserName, QStringLiteral("Ann Admin"));
        QCOMPARE(f.state.CurrentAccessLevel, qint16(4));
    }

    // The backup's sensitive-fields rule comes with its data files (one without leaves the folder's);
    // a changed level is written to the restored user log.
    void sensitiveRuleComesWithTheBackup_data() {
        QTest::addColumn<QByteArray>("live"); // the folder's rule; empty: none
        QTest::addColumn<QByteArray>("saved"); // the backup's
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArray>("logged");
        const QByteArray one = "SensitiveFieldsLevel=1\r\n", two = "SensitiveFieldsLevel=2\r\n", three = "SensitiveFieldsLevel=3\r\n";
        const QByteArray line = "03/14/2026 at 09:26:53 - Ann Admin changed the sensitive-fields level from ";
        QTest::newRow("backup's replaces the folder's") << one << three << three << line + "1 to 3, restored from a backup.\r\n";
        QTest::newRow("folder without one") << QByteArray() << two << two << line + "1 to 2, restored from a backup.\r\n";
        QTest::newRow("backup without one") << three << QByteArray() << three << QByteArray();
        QTest::newRow("the same level") << two << two << two << QByteArray();
    }
    void sensitiveRuleComesWithTheBackup() {
        QFETCH(QByteArray, live);
        QFETCH(QByteArray, saved);
        QFETCH(QByteArray, logged);
        RestoreFixture f;
        f.Prepare();
        if (!live.isEmpty())
            WriteFile(SensitiveRuleFileName, live, 0600);
        if (!saved.isEmpty())
            WriteFile(f.folder + QLatin1Char('/') + SensitiveRuleFileName, saved, 0600);
        f.prompts.AnswerFolder(f.folder).Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK);
        f.Restore();
        QCOMPARE(f.Asked(), QStringList({FolderPrompt(RestorePrompt), Warning, Plain(Restored)}));
        QTEST(ReadFileBytes(SensitiveRuleFileName), "after");
        QCOMPARE(ReadFileBytes(DataNames[2]), f.backup[2] + logged);
        QCOMPARE(ModeOf(SensitiveRuleFileName), mode_t(0600));
    }

    void answeringNoKeepsTheFiles() {
        RestoreFixture f;
        f.Prepare();
        f.prompts.AnswerFolder(f.folder + QLatin1Char('/')).Answer(MsgAnswer::No).Answer(MsgAnswer::OK);

        f.Restore();

        QCOMPARE(f.Asked(), QStringList({FolderPrompt(RestorePrompt), Warning, Plain(Cancelled)}));
        f.VerifyFiles(0);
        QCOMPARE(f.rebuilt, 0);
        QVERIFY(f.io.landings.isEmpty());
        f.VerifyWindowRestored();
    }

    void backupWithoutPersonnelFileIsRefused() {
        RestoreFixture f;
        f.Prepare();
        QVERIFY(QFile::remove(f.folder + QStringLiteral("/Rosterly.Data")));
        f.prompts.AnswerFolder(f.folder).Answer(MsgAnswer::OK).Answer(MsgAnswer::OK);

        f.Restore();

        QCOMPARE(
            f.Asked(),
            QStringList({FolderPrompt(RestorePrompt),
                         Box(QLatin1Char('\'') + f.folder +
                                 QStringLiteral("/'\r\n\r\ndoesn't appear to contain previously saved\r\n"
                                                "backup data file(s) you need to restore\r\n"
                                                "your Rosterly data."),
                             QStringLiteral("Required file(s) missing"), MsgIcon::Information),
                         Plain(Cancelled)}));
        f.VerifyFiles(0);
        QCOMPARE(f.rebuilt, 0);
        f.VerifyWindowRestored();
    }

    // A backup without the log is incomplete: nothing is restored, not even the two files it has.
    void missingUserLogRestoresNothing() {
        RestoreFixture f;
        f.Prepare(2);
        f.prompts.AnswerFolder(f.folder).Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK).Answer(MsgAnswer::OK);

        f.Restore();

        QCOMPARE(f.Asked(), QStringList({FolderPrompt(RestorePrompt), Warning,
                                         NotRestored(QStringLiteral("User.Log")), Plain(Cancelled)}));
        f.VerifyFiles(0);
        QCOMPARE(f.rebuilt, 0);
        f.VerifyWindowRestored();
    }

    void unreadableFolderIsReported() {
        RestoreFixture f;
        f.Prepare();
        const QString gone = f.elsewhere.filePath(QStringLiteral("gone"));
        f.prompts.AnswerFolder(gone).Answer(MsgAnswer::OK).Answer(MsgAnswer::OK);

        f.Restore();

        QCOMPARE(f.Asked(),
                 QStringList({FolderPrompt(RestorePrompt),
                              Box(QStringLiteral("There is some kind of problem trying to\r\n"
                                                 "access the backed up data files at\r\n"
                                                 "the location that you specified."),
                                  QStringLiteral("Drive or Folder Access Problem"), MsgIcon::Exclamation),
                              Plain(Cancelled)}));
        f.VerifyFiles(0);
        QCOMPARE(f.rebuilt, 0);
    }

    // Every file call of a restore failed in turn: the data folder ends either wholly restored or
    // byte for byte as it was, with no scratch file left behind. A kept history is never cut back,
    // and a failure while the restore is written into it is shown as a file error.
    void restoreFailingAtAnyCallIsAllOrNothing_data() {
        QTest::addColumn<bool>("history");
        QTest::newRow("without a history") << false;
        QTest::newRow("with the live history") << true;
    }
    void restoreFailingAtAnyCallIsAllOrNothing() {
        QFETCH(bool, history);
        QByteArray liveHistory;
        // A personnel file of several read blocks, so that failures fall inside its copy too.
        auto prepare = [&](RestoreFixture& f, int failAt) {
            f.backup[0] = Pattern(2'500'000, 7);
            f.Prepare();
            if (history) {
                // The backup's file holds no employee the live history knows.
                f.backup[0] =
                    Employees({QStringLiteral("Alice"), QStringLiteral("Bob")}) + Pattern(2'490'000, 7);
                WriteFile(f.folder + QStringLiteral("/Rosterly.Data"), f.backup[0], 0644);
                liveHistory = f.StartHistory(f.current[0]);
                f.personnel.KeepHistory(f.clock);
                f.personnel.SetHistoryActor(f.state.CurrentUserName, f.state.CurrentAccessLevel);
            }
            f.prompts.AnswerFolder(f.folder)
                .Answer(MsgAnswer::Yes)
                .Answer(MsgAnswer::OK)
                .Answer(MsgAnswer::OK)
                .Answer(MsgAnswer::OK);
            f.io.Arm(failAt, FaultyFileIo::Fault::DiskFull);
            f.Restore();
            f.io.Disarm();
        };
        int calls = 0;
        {
            RestoreFixture f;
            prepare(f, 0);
            QCOMPARE(f.rebuilt, 1);
            calls = f.callsAtRebuild;
        }
        QVERIFY(calls > 20);
        QSet<QString> failedOn;
        int historyErrors = 0;
        const QStringList historyNames =
            history ? QStringList({HistoryFileName, HistoryIndexFileName, HistoryLinesFileName}) : QStringList();
        for (int n = 1; n <= calls; ++n) {
            RestoreFixture f;
            prepare(f, n);
            const QString where = QStringLiteral("failing call %1").arg(n);
            QVERIFY2(f.io.Fired(), qPrintable(where));
            QStringList asked = f.Asked();
            if (history) {
                QVERIFY2(ReadFileBytes(HistoryFileName).startsWith(liveHistory), qPrintable(where));
                if (asked.size() == 4 &&
                    asked[2].startsWith(
                        QStringLiteral("box 'File Error' icon %1").arg(int(MsgIcon::Critical)))) {
                    ++historyErrors;
                    asked.removeAt(2);
                }
            }
            if (asked.size() == 4) {
                const auto failed =
                    std::find_if(DataNames.begin(), DataNames.end(),
                                 [&](const QString& name) { return asked[2] == NotRestored(name); });
                QVERIFY2(failed != DataNames.end(), qPrintable(where + QStringLiteral(": ") + asked[2]));
                failedOn.insert(*failed);
                QCOMPARE(asked[3], Plain(Cancelled));
                // The files as they were, and the index still describing them.
                f.VerifyFiles(0, historyNames);
                QCOMPARE(f.rebuilt, 0);
            } else {
                QCOMPARE(asked, QStringList({FolderPrompt(RestorePrompt), Warning, Plain(Restored)}));
                // Once every file is in, a failure can only leave behind an earlier copy or the
                // journal it could not remove, which the next start removes.
                QStringList extra = Listing(QDir::currentPath());
                extra.removeIf([&](const QString& name) {
                    return DataNames.contains(name) || historyNames.contains(name);
                });
                QVERIFY2(extra.size() <= 1, qPrintable(where + QStringLiteral(": ") + extra.join(u' ')));
                for (const QString& name : extra) {
                    QVERIFY2((name.startsWith(u'.') && name.endsWith(QStringLiteral(".previous"))) ||
                                 name == f.state.RestoreJournalName,
                             qPrintable(where + QStringLiteral(": ") + name));
                }
                QVERIFY(FinishInterruptedRestore(f.io, QString()));
                f.VerifyFiles(3, historyNames);
                QCOMPARE(f.rebuilt, 1);
            }
            f.VerifyWindowRestored();
            if (QTest::currentTestFailed()) {
                qWarning("%s", qPrintable(where));
                return;
            }
        }
        QCOMPARE(failedOn, QSet<QString>(DataNames.begin(), DataNames.end()));
        QCOMPARE(historyErrors > 0, history);
    }
};

QTEST_MAIN(tst_Restore)
#include "tst_restore.moc"
