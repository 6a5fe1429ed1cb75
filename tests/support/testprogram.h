#pragma once

#include "app/frmmain.h"
#include "app/programwindows.h"
#include "core/programstate.h"
#include "data/clock.h"
#include "data/fileio.h"
#include "data/personnelfile.h"
#include "data/readonlyfolder.h"
#include "data/sensitive.h"
#include "data/sensitiverule.h"
#include "data/userlist.h"
#include "help/frmmanual.h"
#include "settings/settingsstore.h"
#include "support/countingfileio.h"
#include "support/recordingprinter.h"
#include "support/scriptedprompts.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QtTest>

#include <algorithm>

// Closes every help window as soon as it has shown its first topic, noting what it showed; while
// `enabled` is false the help windows are left to the test.
class HelpCloser : public QObject {
public:
    struct Seen {
        int topic;          // the menu index shown
        QString heading;    // labelHelpTopic
        QString text;       // txtManual
        QList<int> checked; // the menu indexes ticked
        QList<int> boxes;   // the menu indexes that show a box to tick
    };
    HelpCloser() { QCoreApplication::instance()->installEventFilter(this); }
    ~HelpCloser() override { QCoreApplication::instance()->removeEventFilter(this); }
    bool enabled = true;
    QList<Seen> shown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (enabled && event->type() == QEvent::Show) {
            if (auto* manual = qobject_cast<frmManual*>(watched)) {
                QTimer::singleShot(0, manual, [this, manual] {
                    Seen seen{manual->CurrentTopic(),
                              manual->labelHelpTopic->text(),
                              manual->txtManual->toPlainText(),
                              {},
                              {}};
                    for (int i = 1; i <= int(manual->menuHelpTopic.size()); ++i) {
                        if (manual->menuHelpTopic[i]->isChecked())
                            seen.checked << i;
                        if (manual->menuHelpTopic[i]->isCheckable())
                            seen.boxes << i;
                    }
                    shown << seen;
                    manual->done(QDialog::Rejected);
                });
            }
        }
        return false;
    }
};

// One complete set of the program's objects for a test: state, settings in the test's folder,
// scripted prompts, a fixed clock, and the window flow. The end of the program is counted
// instead of leaving the event loop.
struct TestProgram {
    ProgramState state;
    IniSettingsStore settings;
    ScriptedPrompts prompts;
    FixedClock clock;
    CountingFileIo io;
    // What the windows write through: `io` itself, unless MakeReadOnly() made it refuse writes.
    ReadOnlyFileIo shared{io, false};
    PersonnelFile personnel{shared};
    RecordingPrinter printer;
    int ended = 0;
    ProgramWindows windows{state, settings, prompts, clock, shared, personnel, printer, [this](int) {
                               ++ended;
                           }};

    // The same objects as the context a window is given.
    AppContext context{state, settings, prompts, clock, shared, personnel, printer, windows};
    AppContext& ctx() { return context; }
    // The help windows the program opened, closed at once (see HelpCloser).
    HelpCloser help;

    // The welcome screen is switched off, as for a user who has seen it; its own tests switch it
    // on again.
    explicit TestProgram(const QString& configFolder,
                         QDateTime now = QDateTime(QDate(2026, 12, 8), QTime(17, 5, 9)))
        : settings(configFolder), clock(now) {
        personnel.KeepHistory(clock);
        settings.SaveSetting(QStringLiteral("Rosterly"), QStringLiteral("Defaults"),
                             QStringLiteral("NewUser"), QStringLiteral("NoShow"));
    }

    // The data folder's sensitive-fields level, as the admin window sets it, from a setting's text.
    void SetSensitiveLevel(QStringView setting) {
        QVERIFY(WriteSensitiveRule(io, SensitiveRuleFileName, SensitiveFieldsLevelFrom(setting)));
    }

    // A copy that finds the folder held by `writer`, as main makes it when the user chooses to open
    // the files read-only.
    void MakeReadOnly(const QString& writer) {
        shared.SetWritable(false);
        personnel.SetReadOnly(true);
        state.ReadOnly = true;
        state.WriterName = writer;
    }

    void SetFades(bool on) {
        settings.SaveSetting(QStringLiteral("Rosterly"), QStringLiteral("Defaults"),
                             QStringLiteral("FadeStatus"), on ? QStringLiteral("1") : QStringLiteral("0"));
        state.PlatformCanFade = on;
    }
};

// Appends a user to "User.List" in the working folder, with the password stored scrambled.
inline void AddUserRecord(const QString& first, const QString& last, const QString& password, qint16 level) {
    FileIo io;
    UserList list(io);
    QVERIFY(list.OpenUserList());
    list.Record().Clear();
    list.Record().SetFirstName(first);
    list.Record().SetLastName(last);
    QString p = password;
    list.Record().SetPassword(ScramblePassword(p));
    list.Record().SetAccessLevel(level);
    QVERIFY(list.WriteUserRecord(list.UserCount() + 1));
    list.CloseUserList();
}

// Signs `user` in at `level`, shows the main window and waits until its list has been built.
inline frmMain* OpenMainWindow(TestProgram& p, qint16 level = 4,
                               const QString& user = QStringLiteral("Ann Lee")) {
    p.state.CurrentUserName = user;
    p.state.CurrentAccessLevel = level;
    p.personnel.SetHistoryActor(user, level);
    p.windows.ShowMainWindow();
    frmMain* w = p.windows.MainWindow();
    if (!QTest::qWaitForWindowExposed(w) || !QTest::qWaitFor([w] { return w->IsActivated(); }))
        return nullptr;
    return w;
}
