#pragma once

#include "core/appcontext.h"
#include "ui/altkeys.h"

#include <QObject>
#include <QPointer>

#include <functional>

class frmAdmin;
class frmMain;
class frmTitlePage;

// The program's windows and the hand-overs between them: title window, admin window, main
// window, and the orderly end of the program.
class ProgramWindows final : public QObject, public WindowFlow {
    Q_OBJECT

public:
    // `endProgram` ends the event loop; tests pass their own to see that the program ended.
    ProgramWindows(ProgramState& state, SettingsStore& settings, Prompts& prompts, const Clock& clock,
                   FileIo& io, PersonnelFile& personnel, Printer& printer,
                   std::function<void(int)> endProgram);
    ~ProgramWindows() override;

    AppContext& Context() { return m_ctx; }

    void ShowTitleWindow();
    void ShowAdminWindow() override;
    void ShowMainWindow() override;
    void ExitProgram() override;
    bool TakeOverDataFolder() override;
    // How a read-only copy takes the folder's lock (main holds it) and settles the folder as any
    // writer does at its start; true when it holds it. Then the files are written from here on.
    void SetTakeOver(std::function<bool()> takeOver) { m_takeOver = std::move(takeOver); }

    frmTitlePage* TitleWindow() const;
    frmAdmin* AdminWindow() const;
    frmMain* MainWindow() const;
    bool Ended() const { return m_ended; }

private:
    AppContext m_ctx;
    std::function<void(int)> m_endProgram;
    std::function<bool()> m_takeOver;
    UnmatchedAltKeys m_altKeys; // on the application while the windows exist
    QPointer<frmTitlePage> m_title;
    QPointer<frmAdmin> m_admin;
    QPointer<frmMain> m_main;
    bool m_ended = false;
};
