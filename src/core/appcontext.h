#pragma once

class Clock;
class FileIo;
class PersonnelFile;
class Printer;
class Prompts;
class QWidget;
class SettingsStore;
struct ProgramState;

// The hand-overs between the windows. The program's window flow implements it; windows call it
// to move on without knowing each other.
class WindowFlow {
public:
    virtual ~WindowFlow() = default;
    virtual void ShowAdminWindow() = 0; // a freshly loaded admin window, not modal
    virtual void ShowMainWindow() = 0;  // a freshly loaded main window, not modal
    virtual void ExitProgram() = 0;     // the one orderly end of the program
    // A read-only copy takes the data folder's lock, which its holder has given up, and from then
    // on writes as any copy; false when another copy took it first.
    virtual bool TakeOverDataFolder() { return false; }
};

// What every window is given: the program-wide state and the seams it reaches the outside
// through. Main makes one set; a test makes its own.
struct AppContext {
    ProgramState& state;
    SettingsStore& settings;
    Prompts& prompts;
    const Clock& clock;
    FileIo& io;
    PersonnelFile& personnel;
    // Every printout goes to this printer.
    Printer& printer;
    WindowFlow& flow;
};
