#include "app/programwindows.h"
#include "app/frmmain.h"
#include "app/frmtitlepage.h"
#include "core/programstate.h"
#include "data/personnelfile.h"
#include "data/readonlyfolder.h"
#include "ui/gridaccessible.h"
#include "users/frmadmin.h"
#include "users/frmsensitivefields.h"

#include <QApplication>
#include <QFileInfo>

ProgramWindows::ProgramWindows(ProgramState& state, SettingsStore& settings, Prompts& prompts,
                               const Clock& clock, FileIo& io, PersonnelFile& personnel, Printer& printer,
                               std::function<void(int)> endProgram)
    : m_ctx{state, settings, prompts, clock, io, personnel, printer, *this},
      m_endProgram(std::move(endProgram)) {
    InstallAccessibility();
    QCoreApplication::instance()->installEventFilter(&m_altKeys);
}

ProgramWindows::~ProgramWindows() {
    delete m_title;
    delete m_admin;
    delete m_main;
}

frmTitlePage* ProgramWindows::TitleWindow() const {
    return m_title;
}
frmAdmin* ProgramWindows::AdminWindow() const {
    return m_admin;
}
frmMain* ProgramWindows::MainWindow() const {
    return m_main;
}

void ProgramWindows::ShowTitleWindow() {
    SettleSensitiveRule(m_ctx);
    m_title = new frmTitlePage(m_ctx);
    m_title->show();
}

void ProgramWindows::ShowAdminWindow() {
    // Each return to the admin window loads it afresh: administration mode off, code re-read.
    m_admin = new frmAdmin(m_ctx);
    m_admin->show();
    // It takes over from a window that has just closed: ask for the keyboard, which a window
    // manager does not always hand over by itself.
    m_admin->raise();
    m_admin->activateWindow();
}

void ProgramWindows::ShowMainWindow() {
    m_main = new frmMain(m_ctx);
    m_main->show();
    m_main->raise();
    m_main->activateWindow();
}

bool ProgramWindows::TakeOverDataFolder() {
    if (!m_ctx.state.ReadOnly || !m_takeOver || !m_takeOver())
        return false;
    if (auto* io = dynamic_cast<ReadOnlyFileIo*>(&m_ctx.io))
        io->SetWritable(true);
    m_ctx.personnel.SetReadOnly(false);
    m_ctx.state.ReadOnly = false;
    m_ctx.state.WriterName.clear();
    return true;
}

void ProgramWindows::ExitProgram() {
    if (m_ended)
        return;
    m_ended = true;
    m_ctx.personnel.ClosePersonnelFile();
    QCoreApplication::processEvents();
    // Empty data files are not left behind; a file with anything in it is never touched. A
    // read-only copy leaves the folder to its writer.
    for (const QString& name : m_ctx.state.DataFileNames) {
        const QFileInfo info(name);
        if (!m_ctx.state.ReadOnly && info.exists() && info.isFile() && info.size() == 0)
            QFile::remove(name);
    }
    if (m_main)
        m_main->CloseByProgram();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (w->isVisible())
            w->close();
    m_endProgram(0);
}
