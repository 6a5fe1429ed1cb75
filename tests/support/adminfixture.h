#pragma once

// What the admin window tests share: a data folder, the program's state and seams, a flow that
// records the hand-overs, and helpers to drive the window as a user does.
#include "core/appcontext.h"
#include "core/programstate.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/fileio.h"
#include "data/readonlyfolder.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "data/userlist.h"
#include "settings/settingsstore.h"
#include "support/faultyfileio.h"
#include "support/recordingflow.h"
#include "support/recordingprinter.h"
#include "support/scriptedprompts.h"
#include "support/testsupport.h"
#include "support/useractions.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "users/frmaddedituser.h"
#include "users/frmadmin.h"
#include "users/frmsensitivefields.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <type_traits>

// The control named `name` of `parent`; a missing control ends the run, naming it.
template <typename T = OrvicButton> T* Child(const QObject* parent, const QString& name) {
    return FindControl<T>(parent, name);
}

struct AdminFixture {
    TempDataFolder folder; // first: every file below lands in it
    ProgramState state;
    IniSettingsStore settings{folder.Path()};
    ScriptedPrompts prompts;
    FixedClock clock{QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53))};
    FaultyFileIo io; // behaves as the real one until armed
    // What the window writes through: `io` itself, or refusing writes for a read-only copy.
    ReadOnlyFileIo shared{io, false};
    PersonnelFile personnel{shared};
    RecordingFlow flow;
    RecordingPrinter printer;
    AppContext ctx{state, settings, prompts, clock, shared, personnel, printer, flow};
    QPointer<frmAdmin> window;

    AdminFixture() {
        SaveSetting(QStringLiteral("AccessCode"), QStringLiteral("424242"));
        state.RetryWaitMs = 20; // the waits after wrong tries, kept short
    }
    ~AdminFixture() { delete window; }

    void SaveSetting(const QString& key, const QString& value) {
        settings.SaveSetting(QStringLiteral("Rosterly"), QStringLiteral("Defaults"), key, value);
    }
    QString Setting(const QString& key) const {
        return settings.GetSetting(QStringLiteral("Rosterly"), QStringLiteral("Defaults"), key);
    }

    // Shows a fresh admin window and waits for its first activation.
    bool Open() {
        window = new frmAdmin(ctx);
        window->show();
        return QTest::qWaitFor([this] { return window && window->IsActivated(); });
    }

    // Appends a user to "User.List" as the program stores one.
    void AddUser(const QString& first, const QString& last, qint16 level, QString password,
                 double created = DateTimeToOle(QDateTime(QDate(2025, 1, 2), QTime(15, 4, 0)))) {
        UserList list(io);
        QVERIFY(list.OpenUserList());
        UserRecord& u = list.Record();
        u.Clear();
        u.SetDateCreated(created);
        u.SetFirstName(first);
        u.SetLastName(last);
        u.SetPassword(ScramblePassword(password));
        u.SetAccessLevel(level);
        QVERIFY(list.WriteUserRecord(static_cast<qint16>(list.UserCount() + 1)));
        list.CloseUserList();
    }

    // The texts of one grid column, rows 1..last.
    QStringList Column(int col) const {
        QStringList texts;
        for (int row = 1; row < window->grid->Rows(); ++row)
            texts << window->grid->TextMatrix(row, col);
        return texts;
    }

    // Enters administration mode with the right code.
    void EnterAdminMode() {
        prompts.AnswerInput(QStringLiteral("424242"));
        Click(window, QStringLiteral("cmdAdmin"));
        QVERIFY(window->IsAdminMode());
    }
};

// Runs `steps` on the add/edit dialog (or another dialog D of the admin window) once it is up and
// activated, from inside its modal loop. A dialog the steps leave open is closed, and the test
// fails, so that no test can hang on it. The steps go with `owner` (the admin window), so none is
// left over for the next test.
template <typename D = frmAddEditUser>
inline void WhenDialogUp(QObject* owner, std::type_identity_t<std::function<void(D*)>> steps) {
    QTimer::singleShot(0, owner, [steps] {
        QPointer<D> dialog;
        QTRY_VERIFY((dialog = qobject_cast<D*>(QApplication::activeModalWidget())) != nullptr);
        const auto closeLeftOver = qScopeGuard([&dialog] {
            if (dialog && dialog->isVisible()) {
                dialog->reject();
                if (!QTest::currentTestFailed())
                    QTest::qFail("the dialog was left open", __FILE__, __LINE__);
            }
        });
        if constexpr (requires { dialog->IsActivated(); })
            QTRY_VERIFY(dialog->IsActivated());
        QTRY_VERIFY(dialog->isActiveWindow());
        steps(dialog);
    });
}

inline QLineEdit* LineBox(frmAddEditUser* dialog, int index) {
    return Child<QLineEdit>(dialog, QStringLiteral("txtField(%1)").arg(index));
}
