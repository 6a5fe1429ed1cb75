// Backup: the checks and messages in their order, the copies byte for byte and owner-only, the
// window while copying, the menu and its access check, and copies that fail part-way.
#include "backup/datacopy.h"
#include "support/backupfixture.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>

#include <unistd.h>

namespace {

const QString BackupPrompt =
    QStringLiteral("Select a disk/drive/folder to copy (backup)\r\nyour Rosterly data files to...");
const QString BackedUp =
    QStringLiteral("Your current Rosterly data files\r\nhave been successfully backed up!");
const QString Cancelled = QStringLiteral("The backup process has been cancelled");

QString Confirm(const QString& folder) {
    return Box(QStringLiteral("You have selected\r\n\r\n'") + folder +
                   QStringLiteral("'\r\n\r\nas your data backup location.\r\nPlease click <OK> to continue."),
               QStringLiteral("Backup Procedure"), MsgIcon::Information, MsgButtons::OKCancel);
}

QString Caution(const QString& folder) {
    return Box(QStringLiteral("The data backup location you selected,\r\n\r\n'") + folder +
                   QStringLiteral("'\r\n\r\ncontains files not related to Rosterly!\r\n"
                                  "Are you sure you wish to continue with this backup?"),
               QStringLiteral("Caution!"), MsgIcon::Exclamation, MsgButtons::YesNo, MsgDefault::Button2);
}

const QStringList DataNames{QStringLiteral("Rosterly.Data"), QStringLiteral("User.List"),
                            QStringLiteral("User.Log")};

// The three data files, deliberately group- and world-readable: a copy must not take that over.
QList<QByteArray> WriteDataFiles(mode_t mode = 0644) {
    const QList<QByteArray> bytes{Employees({QStringLiteral("Alice"), QStringLiteral("Bob")}),
                                  Pattern(1500, 2),
                                  QByteArray("03/14/2026 09:26:53 Ann Admin signed in\r\n")};
    for (int i = 0; i < 3; ++i)
        WriteFile(DataNames[i], bytes[i], mode);
    return bytes;
}

} // namespace

class tst_Backup : public QObject {
    Q_OBJECT

private slots:
    void backupIntoEmptyFolder_data() {
        QTest::addColumn<bool>("trailingSeparator");
        QTest::addColumn<bool>("history");
        QTest::newRow("as chosen") << false << false;
        QTest::newRow("chosen with a trailing separator") << true << false;
        // The history and the sensitive-fields rule go with the data files; the history's index and
        // the journals stay behind.
        QTest::newRow("with the history and the rule") << false << true;
    }
    void backupIntoEmptyFolder() {
        QFETCH(bool, trailingSeparator);
        QFETCH(bool, history);
        BackupFixture f;
        QList<QByteArray> source = WriteDataFiles();
        QStringList names = DataNames;
        QStringList captions{QStringLiteral("Copying Rosterly.Data"), QStringLiteral("Copying User.List"),
                             QStringLiteral("Copying User.Log")};
        if (history) {
            source << QByteArray("{\"action\":\"history starts here\"}\n");
            names << QStringLiteral("Rosterly.History");
            captions << QStringLiteral("Copying Rosterly.History");
            WriteFile(names.last(), source.last(), 0644);
            source << QByteArray("SensitiveFieldsLevel=3\r\n");
            names << QStringLiteral("Rosterly.Privacy");
            captions << QStringLiteral("Copying Rosterly.Privacy");
            WriteFile(names.last(), source.last(), 0644);
            WriteFile(QStringLiteral("History.Index"), Pattern(64, 3));
            int seed = 4;
            for (const QString& journal :
                 {QStringLiteral("History.$$$"), QStringLiteral("Append.$$$"), QStringLiteral("Write.$$$"),
                  QStringLiteral("UserAppend.$$$"), QStringLiteral("UserWrite.$$$")})
                WriteFile(journal, Pattern(80, seed++));
        }
        const QString folder = f.NewFolder(QStringLiteral("backup"));
        f.prompts.AnswerFolder(trailingSeparator ? folder + QLatin1Char('/') : folder)
            .Answer(MsgAnswer::OK)
            .Answer(MsgAnswer::OK);

        BackupDataFiles(f.ctx, &f.window);

        // The folder is shown with exactly one separator at its end.
        QCOMPARE(f.Asked(), QStringList({FolderPrompt(BackupPrompt), Confirm(folder + QLatin1Char('/')),
                                         Plain(BackedUp)}));
        QStringList listed = names;
        listed.sort();
        QCOMPARE(Listing(folder), listed);
        for (qsizetype i = 0; i < names.size(); ++i) {
            QCOMPARE(ReadFileBytes(folder + QLatin1Char('/') + names[i]), source[i]);
            QCOMPARE(ModeOf(folder + QLatin1Char('/') + names[i]), mode_t(0600));
            QCOMPARE(ReadFileBytes(names[i]), source[i]);
            QCOMPARE(ModeOf(names[i]), mode_t(0644));
        }
        QCOMPARE(f.LandedCaptions(), captions);
        f.VerifyBusyWhileCopying();
        f.VerifyWindowRestored();
    }

    void backupOverEarlierBackup() {
        BackupFixture f;
        const QList<QByteArray> source = WriteDataFiles();
        const QString folder = f.NewFolder(QStringLiteral("backup"));
        const QString pictures = f.NewFolder(QStringLiteral("backup/Pictures"));
        WriteFile(folder + QStringLiteral("/Rosterly.Data"), Employees({QStringLiteral("Zoe")}), 0644);
        WriteFile(folder + QStringLiteral("/User.List"), Pattern(5000, 9), 0666);
        WriteFile(pictures + QStringLiteral("/alice.jpg"), QByteArray("picture"));
        f.prompts.AnswerFolder(folder).Answer(MsgAnswer::OK).Answer(MsgAnswer::OK);

        BackupDataFiles(f.ctx, &f.window);

        // Holding the personnel file marks the folder as ours: no "Caution!".
        QCOMPARE(f.Asked(), QStringList({FolderPrompt(BackupPrompt), Confirm(folder + QLatin1Char('/')),
                                         Plain(BackedUp)}));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(ReadFileBytes(folder + QLatin1Char('/') + DataNames[i]), source[i]);
            QCOMPARE(ModeOf(folder + QLatin1Char('/') + DataNames[i]), mode_t(0600));
        }
        QCOMPARE(Listing(folder),
                 QStringList({QStringLiteral("Pictures"), DataNames[0], DataNames[1], DataNames[2]}));
        QCOMPARE(ReadFileBytes(pictures + QStringLiteral("/alice.jpg")), QByteArray("picture"));
        f.VerifyWindowRestored();
    }

    void backupIntoFolderWithUnrelatedFiles_data() {
        QTest::addColumn<MsgAnswer>("answer");
        QTest::newRow("No") << MsgAnswer::No;
        QTest::newRow("Yes") << MsgAnswer::Yes;
    }
    void backupIntoFolderWithUnrelatedFiles() {
        QFETCH(MsgAnswer, answer);
        BackupFixture f;
        const QList<QByteArray> source = WriteDataFiles();
        const QString folder = f.NewFolder(QStringLiteral("documents"));
        WriteFile(folder + QStringLiteral("/notes.txt"), QByteArray("unrelated"));
        f.prompts.AnswerFolder(folder).Answer(answer).Answer(MsgAnswer::OK);

        BackupDataFiles(f.ctx, &f.window);

        const bool go = answer == MsgAnswer::Yes;
        // Yes goes straight on: the "Backup Procedure" confirmation is not asked as well.
        QCOMPARE(f.Asked(), QStringList({FolderPrompt(BackupPrompt), Caution(folder + QLatin1Char('/')),
                                         Plain(go ? BackedUp : Cancelled)}));
        QCOMPARE(Listing(folder),
                 go ? QStringList({QStringLiteral("Rosterly.Data"), QStringLiteral("User.List"),
                                   QStringLiteral("User.Log"), QStringLiteral("notes.txt")})
                    : QStringList({QStringLiteral("notes.txt")}));
        if (go) {
            for (int i = 0; i < 3; ++i)
                QCOMPARE(ReadFileBytes(folder + QLatin1Char('/') + DataNames[i]), source[i]);
        }
        QCOMPARE(ReadFileBytes(folder + QStringLiteral("/notes.txt")), QByteArray("unrelated"));
        QCOMPARE(f.io.landings.size(), go ? 3 : 0);
        f.VerifyWindowRestored();
    }

    void foldersAndHiddenFilesAloneCountAsEmpty() {
        BackupFixture f;
        WriteDataFiles();
        const QString folder = f.NewFolder(QStringLiteral("backup"));
        f.NewFolder(QStringLiteral("backup/2025"));
        WriteFile(folder + QStringLiteral("/2025/notes.txt"), QByteArray("old"));
        WriteFile(folder + QStringLiteral("/.directory"), QByteArray("hidden"));
        // Cancel at the confirmation is a cancel like any other.
        f.prompts.AnswerFolder(folder).Answer(MsgAnswer::Cancel).Answer(MsgAnswer::OK);

        BackupDataFiles(f.ctx, &f.window);

        QCOMPARE(f.Asked(), QStringList({FolderPrompt(BackupPrompt), Confirm(folder + QLatin1Char('/')),
                                         Plain(Cancelled)}));
        QCOMPARE(Listing(folder), QStringList({QStringLiteral(".directory"), QStringLiteral("2025")}));
        f.VerifyWindowRestored();
    }

    void backupToDataFolderItselfIsRefused_data() {
        QTest::addColumn<QString>("spelling");
        QTest::newRow("other capitals") << QStringLiteral("capitals");
        QTest::newRow("trailing separator") << QStringLiteral("trailing");
        QTest::newRow("dot segments") << QStringLiteral("dots");
        QTest::newRow("relative") << QStringLiteral("relative");
        QTest::newRow("symbolic link") << QStringLiteral("link");
    }
    void backupToDataFolderItselfIsRefused() {
        QFETCH(QString, spelling);
        BackupFixture f;
        const QList<QByteArray> source = WriteDataFiles();
        const QString here = QDir::currentPath();
        QString answer;
        if (spelling == QStringLiteral("capitals"))
            answer = here.toUpper();
        else if (spelling == QStringLiteral("trailing"))
            answer = here + QLatin1Char('/');
        else if (spelling == QStringLiteral("dots"))
            answer = here + QStringLiteral("/./../") + QFileInfo(here).fileName() + QStringLiteral("/.");
        else if (spelling == QStringLiteral("relative"))
            answer = QStringLiteral(".");
        else {
            answer = f.elsewhere.filePath(QStringLiteral("data-link"));
            QVERIFY(QFile::link(here, answer));
        }
        QVERIFY(answer.compare(here, Qt::CaseSensitive) != 0);
        f.prompts.AnswerFolder(answer).Answer(MsgAnswer::OK).Answer(MsgAnswer::OK);

        BackupDataFiles(f.ctx, &f.window);

        QCOMPARE(f.Asked(),
                 QStringList({FolderPrompt(BackupPrompt),
                              Box(QStringLiteral(
                                      "You can't backup\r\nRosterly data\r\nto itself in the same folder!"),
                                  QStringLiteral("What are you doing?"), MsgIcon::Critical),
                              Plain(Cancelled)}));
        QCOMPARE(Listing(here), DataNames);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ReadFileBytes(DataNames[i]), source[i]);
        QVERIFY(f.io.landings.isEmpty());
        f.VerifyWindowRestored();
    }

    void backupToUnreadableFolder_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << QStringLiteral("missing");
        QTest::newRow("a file, not a folder") << QStringLiteral("file");
        QTest::newRow("no permission") << QStringLiteral("permission");
    }
    void backupToUnreadableFolder() {
        QFETCH(QString, kind);
        if (kind == QStringLiteral("permission") && ::geteuid() == 0)
            QSKIP("the superuser reads every folder");
        BackupFixture f;
        WriteDataFiles();
        QString folder = f.elsewhere.filePath(QStringLiteral("gone"));
        if (kind == QStringLiteral("file")) {
            folder = f.elsewhere.filePath(QStringLiteral("a-file"));
            WriteFile(folder, QByteArray("x"));
        } else if (kind == QStringLiteral("permission")) {
            folder = f.NewFolder(QStringLiteral("locked"));
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0), 0);
        }
        f.prompts.AnswerFolder(folder).Answer(MsgAnswer::OK).Answer(MsgAnswer::OK);

        BackupDataFiles(f.ctx, &f.window);

        if (kind == QStringLiteral("permission"))
            ::chmod(QFile::encodeName(folder).constData(), 0700); // so that it can be cleaned away
        QCOMPARE(f.Asked(),
                 QStringList({FolderPrompt(BackupPrompt),
                              Box(QStringLiteral("There is some kind of problem trying to\r\n"
                                                 "access the selected backup location\r\n"
                                                 "that you specified..."),
                                  QStringLiteral("Drive or Folder Access Problem"), MsgIcon::Exclamation),
                              Plain(Cancelled)}));
        QVERIFY(f.io.landings.isEmpty());
        f.VerifyWindowRestored();
    }

    void backupWithoutPersonnelFileCopiesTheUserFiles() {
        BackupFixture f;
        WriteFile(QStringLiteral("User.List"), Pattern(500, 4));
        WriteFile(QStringLiteral("User.Log"), QByteArray("03/14/2026 09:26:53 Ann Admin signed in\r\n"));
        const QString folder = f.NewFolder(QStringLiteral("backup"));
        f.prompts.AnswerFolder(folder).Answer(MsgAnswer::OK).Answer(MsgAnswer::OK);

        BackupDataFiles(f.ctx, &f.window);

        QCOMPARE(f.Asked(), QStringList({FolderPrompt(BackupPrompt), Confirm(folder + QLatin1Char('/')),
                                         Plain(BackedUp)}));
        QCOMPARE(Listing(folder), QStringList({QStringLiteral("User.List"), QStringLiteral("User.Log")}));
        QCOMPARE(ReadFileBytes(folder + QStringLiteral("/User.List")), Pattern(500, 4));
        QCOMPARE(f.LandedCaptions(),
                 QStringList({QStringLiteral("Copying User.List"), QStringLiteral("Copying User.Log")}));
        QVERIFY(!QFile::exists(QStringLiteral("Rosterly.Data"))); // looking must not create it
        f.VerifyWindowRestored();
    }

    // ---- the menu ----

    void accessBelowFullIsRefused_data() {
        QTest::addColumn<int>("level");
        QTest::newRow("Read Only") << 1;
        QTest::newRow("Read/Edit") << 2;
        QTest::newRow("Read/Edit/Add") << 3;
    }
    void accessBelowFullIsRefused() {
        QFETCH(int, level);
        BackupFixture f;
        f.state.CurrentAccessLevel = qint16(level);
        f.prompts.Answer(MsgAnswer::OK);
        // Should a menu come up after all, it is closed so that the run cannot hang on it.
        bool menuShown = false;
        QTimer::singleShot(0, &f.window, [&menuShown] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                menuShown = true;
                popup->close();
            }
        });
        int restored = 0;
        ShowBackupRestoreMenu(f.ctx, &f.window, f.window.mapToGlobal(QPoint(20, 20)),
                              [&restored] { ++restored; });

        QCOMPARE(f.Asked(),
                 QStringList({Box(QStringLiteral("Full access level privileges\r\n"
                                                 "are required to use this feature."),
                                  QStringLiteral("Current Access Level Inadequate"), MsgIcon::Critical)}));
        QCoreApplication::processEvents();
        QVERIFY(!menuShown);
        QCOMPARE(restored, 0);
    }

    void menuOffersBackupRestoreAndExit_data() {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("folderPrompt");
        QTest::newRow("backup") << 1 << BackupPrompt;
        QTest::newRow("restore") << 2
                                 << QStringLiteral("Select the disk/drive/folder that contains your\r\n"
                                                   "previously backed up Rosterly data files\r\n"
                                                   "that you wish to restore...");
        QTest::newRow("exit this menu") << 4 << QString();
    }
    void menuOffersBackupRestoreAndExit() {
        QFETCH(int, item);
        QFETCH(QString, folderPrompt);
        BackupFixture f;
        if (!folderPrompt.isEmpty())
            f.prompts.AnswerFolder(QString()); // the picker cancelled: the action ends there
        QString menuName;
        QStringList items;
        QTimer::singleShot(0, &f.window, [&] {
            QPointer<QMenu> menu;
            QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
            const auto closeLeftOver = qScopeGuard([&menu] {
                if (menu && menu->isVisible())
                    menu->close();
            });
            menuName = menu->objectName() + QLatin1Char('|') + menu->title();
            for (QAction* a : menu->actions())
                items << a->objectName() + QLatin1Char('|') +
                             (a->isSeparator() ? QStringLiteral("-") : a->text());
            QAction* chosen = menu->findChild<QAction*>(QStringLiteral("menuBackupRestore(%1)").arg(item));
            QVERIFY(chosen != nullptr);
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
        });
        int restored = 0;
        ShowBackupRestoreMenu(f.ctx, &f.window, f.window.mapToGlobal(QPoint(20, 20)),
                              [&restored] { ++restored; });

        QCOMPARE(menuName, QStringLiteral("menuBackupRestoremenu|Backup and Restore Options"));
        QCOMPARE(items, QStringList({QStringLiteral("menuBackupRestore(1)|Backup the Rosterly data files"),
                                     QStringLiteral("menuBackupRestore(2)|Restore the Rosterly data files"),
                                     QStringLiteral("menuBackupRestore(3)|-"),
                                     QStringLiteral("menuBackupRestore(4)|Exit this Menu")}));
        QCOMPARE(f.Asked(),
                 folderPrompt.isEmpty() ? QStringList() : QStringList({FolderPrompt(folderPrompt)}));
        QCOMPARE(restored, 0);
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        f.VerifyWindowRestored();
    }

    // ---- copies that fail ----

    void copyFailingHalfWayKeepsTheDestination() {
        BackupFixture f;
        const QByteArray source = Pattern(2'500'000, 1); // several read blocks
        const QByteArray previous = Pattern(7000, 5);
        WriteFile(QStringLiteral("Rosterly.Data"), source);
        const QString to = f.NewFolder(QStringLiteral("backup")) + QStringLiteral("/Rosterly.Data");
        WriteFile(to, previous, 0640);
        // Open source, open partial, read, write, read, then the second block's write runs out of
        // space half-way through.
        f.io.Arm(6, FaultyFileIo::Fault::DiskFull);

        const IoStatus s = CopyDataFile(f.io, QStringLiteral("Rosterly.Data"), to);

        QVERIFY(f.io.Fired());
        QVERIFY(!s.Ok());
        QCOMPARE(s.ErrorNumber(), ENOSPC);
        QVERIFY2(s.Message().contains(to), qPrintable(s.Message()));
        QCOMPARE(ReadFileBytes(to), previous);
        QCOMPARE(ModeOf(to), mode_t(0640));
        QCOMPARE(Listing(QFileInfo(to).path()), QStringList({QStringLiteral("Rosterly.Data")}));
        QVERIFY(f.io.landings.isEmpty()); // it never got as far as the rename

        // A write that stores only part of its bytes is no failure: the rest follows it.
        f.io.Arm(6, FaultyFileIo::Fault::ShortWrite);
        const IoStatus again = CopyDataFile(f.io, QStringLiteral("Rosterly.Data"), to);
        QVERIFY(f.io.Fired());
        QVERIFY2(again.Ok(), qPrintable(again.Message()));
        QCOMPARE(ReadFileBytes(to), source);
        QCOMPARE(ModeOf(to), mode_t(0600));
    }

    void backupFailingAtAnyCallLeavesEveryCopyWholeOrAsItWas_data() {
        QTest::addColumn<FaultyFileIo::Fault>("fault");
        QTest::newRow("error") << FaultyFileIo::Fault::Error;
        QTest::newRow("disk full") << FaultyFileIo::Fault::DiskFull;
        QTest::newRow("short write") << FaultyFileIo::Fault::ShortWrite;
    }
    void backupFailingAtAnyCallLeavesEveryCopyWholeOrAsItWas() {
        QFETCH(FaultyFileIo::Fault, fault);
        const QList<QByteArray> source{Pattern(2'500'000, 1), Pattern(3000, 2), Pattern(900, 3)};
        const QList<QByteArray> previous{Pattern(10000, 4), Pattern(500, 5), QByteArray()}; // no log yet
        auto run = [&](int failAt, BackupFixture& f, QString* folder) {
            for (int i = 0; i < 3; ++i)
                WriteFile(DataNames[i], source[i]);
            *folder = f.NewFolder(QStringLiteral("backup"));
            WriteFile(*folder + QStringLiteral("/Rosterly.Data"), previous[0]);
            WriteFile(*folder + QStringLiteral("/User.List"), previous[1]);
            f.prompts.AnswerFolder(*folder).Answer(MsgAnswer::OK).Answer(MsgAnswer::OK).Answer(MsgAnswer::OK);
            f.io.Arm(failAt, fault);
            BackupDataFiles(f.ctx, &f.window);
            f.io.Disarm();
        };

        int calls = 0;
        {
            BackupFixture f;
            QString folder;
            run(0, f, &folder); // counts the calls of a run that goes through
            calls = f.io.Calls();
            QCOMPARE(f.Asked().last(), Plain(BackedUp));
        }
        QVERIFY(calls > 20);
        QSet<QString> failedNames;
        for (int n = 1; n <= calls; ++n) {
            BackupFixture f;
            QString folder;
            run(n, f, &folder);
            const QString where = QStringLiteral("failing call %1").arg(n);
            QVERIFY2(f.io.Fired(), qPrintable(where));

            const QStringList asked = f.Asked();
            int failedAt = 3; // index into DataNames of the file that failed; 3 = none
            if (asked.size() == 4) {
                for (int i = 0; i < 3; ++i) {
                    if (asked[2] ==
                        Box(QStringLiteral("There is some kind of problem\r\ntrying to copy ") + DataNames[i],
                            QStringLiteral("File Backup Error"), MsgIcon::Exclamation))
                        failedAt = i;
                }
                QVERIFY2(failedAt < 3, qPrintable(where + QStringLiteral(": ") + asked[2]));
                QCOMPARE(asked[3], Plain(Cancelled));
                failedNames.insert(DataNames[failedAt]);
            } else {
                QCOMPARE(asked.size(), 3);
                QCOMPARE(asked[2], Plain(BackedUp));
            }
            // Files before the failing one are copied; it and those after it are as they were.
            for (int i = 0; i < 3; ++i) {
                const QString copy = folder + QLatin1Char('/') + DataNames[i];
                if (i < failedAt) {
                    QVERIFY2(ReadFileBytes(copy) == source[i],
                             qPrintable(where + QStringLiteral(" ") + copy));
                    QCOMPARE(ModeOf(copy), mode_t(0600));
                } else if (previous[i].isNull()) {
                    QVERIFY2(!QFile::exists(copy), qPrintable(where + QStringLiteral(" ") + copy));
                } else {
                    QVERIFY2(ReadFileBytes(copy) == previous[i],
                             qPrintable(where + QStringLiteral(" ") + copy));
                }
                QVERIFY2(ReadFileBytes(DataNames[i]) == source[i], qPrintable(where));
            }
            QVERIFY2(!Listing(folder).join(QLatin1Char(' ')).contains(QStringLiteral(".partial")),
                     qPrintable(where));
            f.VerifyWindowRestored();
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(failedNames, QSet<QString>(DataNames.begin(), DataNames.end()));
    }
};

QTEST_MAIN(tst_Backup)
#include "tst_backup.moc"
