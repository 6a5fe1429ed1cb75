#include "app/frmmain.h"
#include "app/listmenu.h"
#include "backup/backuprestore.h"
#include "core/programstate.h"
#include "core/sensitivelevel.h"
#include "data/clock.h"
#include "data/personnelfile.h"
#include "data/readonlyfolder.h"
#include "data/userlist.h"
#include "data/util.h"
#include "help/frmmanual.h"
#include "list/listbuilder.h"
#include "listpage/frmlistoptions.h"
#include "print/frmprintlabel.h"
#include "print/listprintout.h"
#include "print/updateforms.h"
#include "records/recordeditor.h"
#include "records/recordpage.h"
#include "settings/settingsstore.h"
#include "ui/busywindow.h"
#include "ui/fade.h"
#include "ui/focusorder.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "ui/tabcontrol.h"
#include "ui/twips.h"

#include "data/ansitext.h"
#include "ui/background.h"
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTabBar>
#include <QShortcut>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>

namespace {
constexpr int DesignedWidth = 10455;
constexpr int DesignedHeight = 9000;

int HeightTwips(const QWidget* w) {
    return PixelsToTwipsY(w->height(), w);
}
int TopTwips(const QWidget* w) {
    return PixelsToTwipsY(w->y(), w);
}

OrvicButton* MakeButton(QWidget* parent, const QString& name) {
    auto* b = new OrvicButton(name, parent);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

const QColor ShadedRow(240, 240, 240);
constexpr int WidenStep = 18; // twips added to column 0 until the record numbers are out of view

} // namespace

frmMain::~frmMain() = default;

frmMain::frmMain(AppContext& ctx, QWidget* parent) : QWidget(parent), m_ctx(ctx) {
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_list = std::make_shared<const EmployeeListResult>();
    m_fade = new WindowFade(this);
    connect(m_fade, &WindowFade::EndAction, this, &frmMain::FadeEnded);

    tabMain = new TabControl(this);
    tabMain->setObjectName(QStringLiteral("tabMain"));
    auto* listPage = new QWidget;
    listPage->setObjectName(QStringLiteral("tabMainPage(0)"));
    m_optionsPage = new ListOptionsPage(ctx);
    m_optionsPage->setObjectName(QStringLiteral("tabMainPage(1)"));
    tabMain->addTab(listPage, QString());
    tabMain->addTab(m_optionsPage, QStringLiteral("List Display Options"));
    for (int i = 4; i <= 8; ++i)
        frame[i] = m_optionsPage->frame[i];

    frame[1] = new QGroupBox(listPage);
    frame[1]->setObjectName(QStringLiteral("frame(1)"));
    recordPage = new RecordPage(ctx, m_fade, listPage);
    m_editor = std::make_unique<RecordEditor>(ctx, *recordPage);
    frame[2] = recordPage;
    frame[3] = recordPage->frame3;
    grid = new Grid(frame[1]);
    grid->setObjectName(QStringLiteral("grid"));
    grid->hide(); // until the first list is built
    lblListDisplayHeading = new QLabel(m_optionsPage);
    lblListDisplayHeading->setObjectName(QStringLiteral("lblListDisplayHeading"));
    lblUserInfo = new QLabel(this);
    lblUserInfo->setObjectName(QStringLiteral("lblUserInfo"));

    // The list commands beside the list, the record commands beside the record page.
    cmdAddEmployee = MakeButton(listPage, QStringLiteral("cmdAddEmployee"));
    cmdPrintList = MakeButton(listPage, QStringLiteral("cmdPrintList"));
    cmdPrintUpdateForms = MakeButton(listPage, QStringLiteral("cmdPrintUpdateForms"));
    cmdRemoveEmployee = MakeButton(listPage, QStringLiteral("cmdRemoveEmployee"));
    cmdEditEntry = MakeButton(listPage, QStringLiteral("cmdEditEntry"));
    cmdAddEditSave = MakeButton(listPage, QStringLiteral("cmdAddEditSave"));
    cmdAddEditCancel = MakeButton(listPage, QStringLiteral("cmdAddEditCancel"));
    cmdPrintEntry = MakeButton(listPage, QStringLiteral("cmdPrintEntry"));
    cmdPrintLabel = recordPage->cmdPrintLabel;
    cmdPicAddEdit[1] = recordPage->cmdPicAddEdit[1];
    cmdPicAddEdit[2] = recordPage->cmdPicAddEdit[2];
    cmdPicPrint = recordPage->cmdPicPrint;
    cmdPicDelete = recordPage->cmdPicDelete;
    // The window-wide commands along the bottom.
    cmdBackupRestore = MakeButton(this, QStringLiteral("cmdBackupRestore"));
    cmdAdminWindow = MakeButton(this, QStringLiteral("cmdAdminWindow"));
    cmdHelp = MakeButton(this, QStringLiteral("cmdHelp"));
    cmdQuit = MakeButton(this, QStringLiteral("cmdQuit"));
    // Alt+A belongs to "Add Employee".
    cmdAdminWindow->SetCaption(QStringLiteral("A&dmin Window"));
    cmdBackupRestore->SetCaption(QStringLiteral("&Backup/Restore"));
    cmdHelp->SetCaption(QStringLiteral("&Help"));
    cmdQuit->SetCaption(QStringLiteral("&Quit"));
    // Tab reads the list page as the screen does: the list and the commands beside it, then the
    // record page and the commands beside it.
    OrderFocus({grid, cmdAddEmployee, cmdPrintList, cmdPrintUpdateForms, cmdRemoveEmployee, recordPage,
                cmdEditEntry, cmdAddEditSave, cmdPrintEntry, cmdAddEditCancel});
    cmdAddEditSave->hide();
    cmdAddEditCancel->hide();
    // The list's commands, and the record page, wait for the first list.
    for (QWidget* w : std::initializer_list<QWidget*>{cmdPrintList, cmdPrintUpdateForms, cmdRemoveEmployee,
                                                      cmdEditEntry, cmdPrintEntry, frame[2]})
        w->hide();

    // Designed geometry, in twips.
    PlaceTwips(tabMain, 105, 105, 10245, 8190);
    PlaceTwips(frame[1], 60, 60, 8100, 3600);
    PlaceTwips(grid, 90, 270, 7920, 3240);
    PlaceTwips(frame[2], 60, 3760, 8100, 4000);
    PlaceTwips(cmdAddEmployee, 8280, 120, 1800, 600);
    PlaceTwips(cmdPrintList, 8280, 820, 1800, 600);
    PlaceTwips(cmdPrintUpdateForms, 8280, 1520, 1800, 600);
    PlaceTwips(cmdRemoveEmployee, 8280, 2750, 1800, 600);
    PlaceTwips(cmdEditEntry, 8280, 3880, 1800, 600);
    PlaceTwips(cmdAddEditSave, 8280, 3880, 1800, 600);
    PlaceTwips(cmdAddEditCancel, 8280, 4580, 1800, 600);
    PlaceTwips(cmdPrintEntry, 8280, 4580, 1800, 600);
    PlaceTwips(lblListDisplayHeading, 200, 120, 9800, 300);
    resize(TwipsToPixelsX(DesignedWidth, this), TwipsToPixelsY(DesignedHeight, this));
    setMinimumWidth(width());
    setMaximumWidth(width());
    PlaceBottomRow();

    connect(cmdQuit, &QPushButton::clicked, this, &frmMain::cmdQuit_Click);
    connect(cmdBackupRestore, &QPushButton::clicked, this, [this] {
        // After a restore the list shows the restored file with the options as they stand.
        ShowBackupRestoreMenu(m_ctx, this, QCursor::pos(), [this] {
            PrepareListOptions();
            RefreshEmployeeList();
        });
    });
    connect(cmdAdminWindow, &QPushButton::clicked, this, &frmMain::cmdAdminWindow_Click);
    connect(tabMain, &TabControl::Click, this, &frmMain::tabMain_Click);
    // One keyboard path through the tabs wherever the focus is: Ctrl+Tab and Ctrl+Shift+Tab the
    // main tabs (also from the record page's boxes and the buttons along the bottom; on the record
    // page's own tabs, theirs), Ctrl+PgDn and Ctrl+PgUp the record page's.
    const auto switchTabs = [this](QKeySequence keys, TabControl* tabs, bool back) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [this, tabs, back] {
            if (!tabs->isVisible())
                return;
            QWidget* focused = QApplication::focusWidget();
            // On the record page's own tabs, Ctrl+Tab is theirs.
            if (focused == recordPage->tabNameInfo->tabBar())
                recordPage->tabNameInfo->StepByUser(back);
            else
                tabs->StepByUser(back);
            // A control the change hid leaves the focus on the tabs, not on the next button.
            if (!focused || !focused->isVisible())
                tabs->tabBar()->setFocus();
        });
    };
    switchTabs(QKeySequence(Qt::CTRL | Qt::Key_Tab), tabMain, false);
    switchTabs(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), tabMain, true);
    switchTabs(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), tabMain, true);
    switchTabs(QKeySequence(Qt::CTRL | Qt::Key_PageDown), recordPage->tabNameInfo, false);
    switchTabs(QKeySequence(Qt::CTRL | Qt::Key_PageUp), recordPage->tabNameInfo, true);
    connect(grid, &Grid::CurrentCellChanged, this, &frmMain::grid_RowColChange);
    connect(cmdAddEmployee, &QPushButton::clicked, this, &frmMain::cmdAddEmployee_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmMain::cmdHelp_Click);
    connect(cmdEditEntry, &QPushButton::clicked, this, &frmMain::cmdEditEntry_Click);
    connect(cmdAddEditSave, &QPushButton::clicked, this, &frmMain::cmdAddEditSave_Click);
    connect(cmdAddEditCancel, &QPushButton::clicked, this, &frmMain::cmdAddEditCancel_Click);
    connect(cmdRemoveEmployee, &QPushButton::clicked, this, &frmMain::cmdRemoveEmployee_Click);
    // Printouts.
    connect(cmdPrintList, &QPushButton::clicked, this,
            [this] { PrintEmployeeList(m_ctx, this, *m_list, m_listCaption); });
    connect(cmdPrintEntry, &QPushButton::clicked, this, &frmMain::cmdPrintEntry_Click);
    connect(cmdPrintUpdateForms, &QPushButton::clicked, this, [this] {
        ShowPrintUpdateMenu(
            m_ctx, this, *m_list, grid->Row(), QCursor::pos(),
            SensitiveFieldsFor(m_ctx, m_ctx.state.CurrentAccessLevel));
    });
    // The list's own menu (right button, the Menu key or Shift+F10) and its Copy and History keys.
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, [this](QPoint pos) {
        // The right button gives a place in the rows; the Menu key opens the menu at the
        // highlighted row.
        if (!grid->viewport()->rect().contains(pos))
            pos = grid->visualRect(grid->currentIndex()).center();
        ShowListMenu(grid->viewport()->mapToGlobal(pos));
    });
    // Shift+F10 opens it as the Menu key does, for keyboards without one.
    auto* menuKey = new QAction(grid);
    menuKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    menuKey->setShortcutContext(Qt::WidgetShortcut);
    grid->addAction(menuKey);
    connect(menuKey, &QAction::triggered, this,
            [this] { emit grid->customContextMenuRequested(QPoint(-1, -1)); });
    // Beside the list too: with an empty file there is no list, and importing is how it fills.
    listPage->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(listPage, &QWidget::customContextMenuRequested, this,
            [this, listPage](QPoint pos) { ShowListMenu(listPage->mapToGlobal(pos)); });
    auto* copyRow = new QAction(grid);
    copyRow->setShortcut(QKeySequence::Copy);
    copyRow->setShortcutContext(Qt::WidgetShortcut);
    grid->addAction(copyRow);
    connect(copyRow, &QAction::triggered, this, [this] { CopyEmployeeRow(m_ctx, *m_list, grid->Row()); });
    auto* historyRow = new QAction(grid);
    historyRow->setShortcut(HistoryKey);
    historyRow->setShortcutContext(Qt::WidgetShortcut);
    grid->addAction(historyRow);
    connect(historyRow, &QAction::triggered, this,
            [this] { ShowEmployeeHistory(m_ctx, this, m_fade, *m_list, grid->Row()); });
    connect(cmdPrintLabel, &QPushButton::clicked, this, [this] {
        OpenPrintLabel(m_ctx, this, m_fade, recordPage->FieldText(PersonnelField::FirstName),
                       recordPage->FieldText(PersonnelField::LastName),
                       recordPage->FieldText(PersonnelField::StreetAddress),
                       recordPage->FieldText(PersonnelField::CityStateZip));
    });
    connect(recordPage, &RecordPage::InputChanged, this, &frmMain::UpdateSaveButton);
    connect(recordPage, &RecordPage::StatusClicked, this, [this] {
        if (m_editor->IsEditing())
            UpdateSaveButton();
    });

    // Load.
    ctx.state.FadeEnabled = PrepareFade(this, 0, false, ctx.settings, ctx.state.PlatformCanFade);
    setWindowTitle(Caption());
    if (ctx.state.ReadOnly)
        m_watch = new DataFolderWatch(
            QFileInfo(ctx.state.DataFileName).absolutePath(), [this] { return FollowWriter(); },
            [this] { return WriterLeft(); }, 500, this);
    tabMain->SetTabCaption(0, QStringLiteral("Employee List"));
    m_tabMainHeight = HeightTwips(tabMain);
    m_frame1Height = HeightTwips(frame[1]);
    m_gridHeight = HeightTwips(grid);
    m_frame2Top = TopTwips(frame[2]);
    tabMain->SetTab(0);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        m_screenHeightTwips = PixelsToTwipsY(screen->geometry().height(), this);
        move(screen->geometry().x() + (screen->geometry().width() - width()) / 2, y());
    }
    FitToScreen();
    lblListDisplayHeading->setText(
        QStringLiteral("Filter the 'Employee List' by selecting the various display options below..."));
}

QString frmMain::Caption() const {
    const QString caption =
        m_ctx.state.AppTitle + QStringLiteral(" - ") + ProgramSettings::Organization(m_ctx.settings);
    if (!m_ctx.state.ReadOnly)
        return caption;
    return caption + QStringLiteral(" - Read-only \u2014 ") + m_ctx.state.WriterName +
           QStringLiteral(" is working on the files");
}

void frmMain::DisableWriting() {
    if (!m_ctx.state.ReadOnly)
        return;
    for (OrvicButton* b : {cmdAddEmployee, cmdEditEntry, cmdRemoveEmployee, cmdBackupRestore})
        b->setEnabled(false);
}

bool frmMain::FollowWriter() {
    // Not before the first list, nor over a message or another window this one has opened.
    if (!m_activated || !isEnabled() || QApplication::activeModalWidget())
        return false;
    if (tabMain->Tab() != 0) {
        PrepareListOptions(); // the counts; the list is built when the user goes back to it
        return true;
    }
    const int row = grid->isVisible() ? grid->Row() : 0;
    m_savedRow = row;
    m_savedTopRow = grid->isVisible() ? grid->TopRow() : 0;
    const bool highlighted = row >= 1 && row <= m_list->Rows();
    m_editedRecordNumber = highlighted ? m_list->RecordNumber(row - 1) : 0;
    const QString name = highlighted ? m_list->Cell(row - 1, 0) : QString();
    const int topRow = m_savedTopRow;
    const int focusTab = recordPage->tabNameInfo->Tab();
    // A change begun while the list was read would show a mix of two states: read again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        BuildEmployeeList();
        if (m_ctx.personnel.UnchangedSinceOpen())
            break;
    }
    m_editedRecordNumber = 0;
    m_savedRow = 0;
    m_savedTopRow = 0;
    // A removal before the employee moves them to another record: the highlight follows the name
    // when the record now holds someone else.
    const int now = grid->Row();
    if (grid->isVisible() && now >= 1 && now <= m_list->Rows() && m_list->Cell(now - 1, 0) != name) {
        for (int i = 0; i < m_list->Rows(); ++i) {
            if (m_list->Cell(i, 0) == name) {
                grid->SetRow(i + 1);
                grid->SetTopRow(std::min(topRow, i + 1));
                break;
            }
        }
    }
    if (grid->isVisible() && grid->Rows() > 1) {
        ShowEmployeeRecord();
        recordPage->tabNameInfo->SetTab(focusTab);
    }
    DisableWriting();
    return true;
}

bool frmMain::WriterLeft() {
    if (!m_ctx.state.ReadOnly)
        return true;
    if (!m_activated || !isEnabled() || QApplication::activeModalWidget())
        return false;
    const MsgAnswer answer = m_ctx.prompts.MsgBox(
        m_ctx.state.WriterName + QStringLiteral(" has finished working with the files.") + CrLf + CrLf +
            QStringLiteral("Do you want to switch to read/write, so that you can change them here?"),
        MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Data Folder Free"));
    if (answer != MsgAnswer::Yes)
        return true;
    if (!m_ctx.flow.TakeOverDataFolder()) {
        if (m_ctx.state.ReadOnly)
            m_ctx.prompts.MsgBox(QStringLiteral("Another copy of ") + m_ctx.state.AppTitle +
                                     QStringLiteral(" has taken the files first.") + CrLf + CrLf +
                                     QStringLiteral("This copy stays read-only."),
                                 MsgButtons::OKOnly, MsgIcon::Information,
                                 QStringLiteral("Data Folder in Use"));
        return true;
    }
    // The watch that called this goes once it has returned.
    m_watch->deleteLater();
    m_watch = nullptr;
    setWindowTitle(Caption());
    cmdBackupRestore->setEnabled(tabMain->Tab() == 0);
    cmdEditEntry->setEnabled(m_ctx.state.CurrentAccessLevel > 1);
    FollowWriter();
    return true;
}

void frmMain::FitToScreen() {
    if (tabMain->Tab() == 0) {
        int windowHeight = HeightTwips(this);
        if (m_screenHeightTwips > DesignedHeight) {
            windowHeight = static_cast<int>(m_screenHeightTwips / 1.3);
            const int d = windowHeight - DesignedHeight;
            resize(width(), TwipsToPixelsY(windowHeight, this));
            tabMain->SetHeightTwips(m_tabMainHeight + d);
            frame[1]->resize(frame[1]->width(), TwipsToPixelsY(m_frame1Height + d, this));
            grid->resize(grid->width(), TwipsToPixelsY(m_gridHeight + d, this));
            frame[2]->move(frame[2]->x(),
                           TwipsToPixelsY(TopTwips(frame[1]) + HeightTwips(frame[1]) + 100, this));
            cmdRemoveEmployee->move(cmdRemoveEmployee->x(),
                                    TwipsToPixelsY(HeightTwips(frame[1]) - 850, this));
            PlaceRecordCommands();
        }
        move(x(), TwipsToPixelsY((m_screenHeightTwips - windowHeight) / 2, this));
    } else {
        tabMain->SetHeightTwips(m_tabMainHeight);
        resize(width(), TwipsToPixelsY(DesignedHeight, this));
    }
}

void frmMain::PlaceBottomRow() {
    // The user line and the window-wide commands stay along the bottom edge however tall the
    // window is made.
    const int top = HeightTwips(this) - 690;
    PlaceTwips(lblUserInfo, 180, top, 3900, 600);
    PlaceTwips(cmdBackupRestore, 4320, top, 1500, 600);
    PlaceTwips(cmdAdminWindow, 5910, top, 1500, 600);
    PlaceTwips(cmdHelp, 7500, top, 1350, 600);
    PlaceTwips(cmdQuit, 8940, top, 1350, 600);
}

void frmMain::PlaceRecordCommands() {
    // Edit/Save and Print/Cancel stand beside the top of the record page wherever it is.
    const int top = TopTwips(frame[2]);
    for (OrvicButton* b : {cmdEditEntry, cmdAddEditSave})
        b->move(b->x(), TwipsToPixelsY(top + 120, this));
    for (OrvicButton* b : {cmdPrintEntry, cmdAddEditCancel})
        b->move(b->x(), TwipsToPixelsY(top + 820, this));
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceBottomRow();
}

void frmMain::paintEvent(QPaintEvent*) {
    PaintWindowBackground(this);
}

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_activationQueued)
        return;
    m_activationQueued = true;
    const ProgramState& s = m_ctx.state;
    lblUserInfo->setText(QStringLiteral("User: ") + WithoutControlCharacters(s.CurrentUserName) +
                         QLatin1Char('\n') + QStringLiteral("Access: ") + s.AccessLevelName());
    cmdBackupRestore->setToolTip(
        QStringLiteral(" Backup and Restore Options (Full access level privileges required) "));
    cmdBackupRestore->setVisible(QFile::exists(s.DataFileName));
    cmdBackupRestore->setEnabled(!s.ReadOnly);
    cmdAdminWindow->setToolTip(QStringLiteral(" Return to the Admin Window "));
    cmdAdminWindow->setVisible(true);
    cmdAdminWindow->setEnabled(true);
    cmdHelp->setToolTip(QStringLiteral(" Click here for information "));
    cmdQuit->setToolTip(QStringLiteral(" Click here to exit ") + s.AppTitle + QStringLiteral(" "));
    cmdQuit->setVisible(true);
    cmdAddEmployee->SetCaption(QStringLiteral("&Add Employee") + CrLf + QStringLiteral("to the List"));
    cmdPrintList->SetCaption(QStringLiteral("Print") + CrLf + QStringLiteral("this List"));
    cmdPrintUpdateForms->SetCaption(QStringLiteral("Print Annual") + CrLf + QStringLiteral("Update form(s)"));
    cmdRemoveEmployee->SetCaption(QStringLiteral("&Remove") + CrLf + QStringLiteral("this Employee"));
    cmdEditEntry->SetCaption(QStringLiteral("&Edit this") + CrLf + QStringLiteral("Information"));
    cmdAddEditSave->SetCaption(QStringLiteral("&Save") + CrLf + QStringLiteral("Changes"));
    cmdAddEditCancel->SetCaption(QStringLiteral("&Cancel") + CrLf + QStringLiteral("this Edit"));
    cmdPrintEntry->SetCaption(QStringLiteral("&Print") + CrLf + QStringLiteral("this Info"));
    // Building the list may put up a message: let the window finish showing first.
    QTimer::singleShot(0, this, &frmMain::FinishActivation);
}

void frmMain::FinishActivation() {
    PrepareListOptions();
    RefreshEmployeeList();
    if (m_ctx.state.FadeEnabled)
        m_fade->StartFade(0, 255, 12, false);
    m_activated = true;
}

void frmMain::cmdHelp_Click() {
    OpenHelp(m_ctx, this, m_fade, tabMain->currentIndex() == 0 ? HelpEmployeeList : HelpListOptions);
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        cmdHelp->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmMain::LogSignOut() {
    if (const IoStatus s =
            WriteUserLogEntry(m_ctx.io, m_ctx.state.CurrentUserName, m_ctx.state.CurrentAccessLevel,
                              static_cast<int>(UserLogEvent::SignOut), m_ctx.clock);
        !s)
        ReportFileError(m_ctx.prompts, s);
}

void frmMain::cmdQuit_Click() {
    const bool fade = m_ctx.state.FadeEnabled;
    if (fade) {
        m_fade->StartFade(255, 217, 2, false);
        m_fade->WaitForFade();
    }
    const QString& t = m_ctx.state.AppTitle;
    const MsgAnswer answer = m_ctx.prompts.MsgBox(
        QStringLiteral("This will close ") + t + QStringLiteral(".") + CrLf + CrLf +
            QStringLiteral("Is this what you want to do?"),
        MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Exit ") + t + QStringLiteral("?"));
    if (answer == MsgAnswer::Yes) {
        LogSignOut();
        if (fade)
            m_fade->StartFade(230, 0, 12, true); // the Tag stays unequal: the fade ends the program
        else
            m_ctx.flow.ExitProgram();
    } else if (fade) {
        m_fade->StartFade(230, 255, 2, false);
    }
}

void frmMain::cmdAdminWindow_Click() {
    LogSignOut();
    if (m_ctx.state.FadeEnabled) {
        cmdAdminWindow->Tag = windowTitle();
        m_fade->StartFade(255, 0, 12, true);
    } else {
        BackToAdminWindow();
    }
}

void frmMain::FadeEnded() {
    if (windowTitle() == cmdAdminWindow->Tag)
        BackToAdminWindow();
    else
        m_ctx.flow.ExitProgram();
}

void frmMain::BackToAdminWindow() {
    CloseByProgram();
    m_ctx.flow.ShowAdminWindow();
}

void frmMain::CloseByProgram() {
    m_closingByProgram = true;
    close();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The close box asks the quit question; closes by the program, and the desktop session
    // ending, go through.
    if (!m_closingByProgram && !qApp->isSavingSession()) {
        event->ignore();
        QMetaObject::invokeMethod(cmdQuit, &QPushButton::click, Qt::QueuedConnection);
        return;
    }
    QWidget::closeEvent(event);
}

void frmMain::tabMain_Click(int previousTab) {
    FitToScreen();
    const bool toOptions = previousTab == 0;
    frame[1]->setEnabled(!toOptions);
    frame[2]->setEnabled(!toOptions);
    for (int i = 4; i <= 8; ++i)
        frame[i]->setEnabled(toOptions);
    // No backup or restore while the options wait to be applied.
    if (!cmdBackupRestore->isHidden())
        cmdBackupRestore->setEnabled(!toOptions);
    if (toOptions)
        PrepareListOptions();
    else
        RefreshEmployeeList();
    DisableWriting();
}

void frmMain::PrepareListOptions() {
    m_optionsPage->PrepareListOptions();
}

void frmMain::ShowListMenu(QPoint globalPos) {
    if (m_editor->InInput())
        return;
    ShowEmployeeListMenu(m_ctx, this, m_fade, *m_list, grid->isVisible() ? grid->Row() : 0, ListTypeName(),
                         globalPos, [this](qint32 firstAdded) {
                             // The first employee imported is highlighted and in view; a list that
                             // does not show that employee keeps its highlight and view.
                             m_savedRow = grid->isVisible() ? grid->Row() : 0;
                             m_savedTopRow = grid->isVisible() ? grid->TopRow() : 0;
                             m_newRecordNumber = firstAdded;
                             PrepareListOptions();
                             RefreshEmployeeList();
                             m_savedRow = 0;
                             m_savedTopRow = 0;
                             m_newRecordNumber = 0;
                         });
}

QString frmMain::ListTypeName() const {
    switch (m_optionsPage->Query().type) {
    case ListType::BySeniority:
        return QStringLiteral("By Date of Employment");
    case ListType::ByAge:
        return QStringLiteral("By Age");
    case ListType::Birthdays:
        return QStringLiteral("Birthdays");
    case ListType::Alphabetical:
        break;
    }
    return QStringLiteral("Alphabetical");
}

void frmMain::ReleaseList() {
    // Freeing a long list's hundreds of thousands of texts takes about as long as building the
    // next one; a worker does it while the new list is built. Only the last holder frees it: the
    // grid has let go, and a text shared with a copy elsewhere is counted atomically.
    constexpr std::size_t LongList = 20000;
    if (m_list && m_list.use_count() == 1 && m_list->cells.size() >= LongList)
        QThreadPool::globalInstance()->start([old = std::move(m_list)]() mutable { old.reset(); });
    m_list = std::make_shared<const EmployeeListResult>();
}

void frmMain::RefreshEmployeeList() {
    tabMain->SetTabEnabled(1, m_ctx.personnel.RecordCount() > 0);
    recordPage->tabNameInfo->SetTab(0);
    BuildEmployeeList();
    const bool listed = grid->Rows() > 1;
    if (listed) {
        ShowEmployeeRecord();
        grid->setFocus();
    }
    cmdEditEntry->setVisible(listed);
    cmdEditEntry->setEnabled(m_ctx.state.CurrentAccessLevel > 1);
    cmdPrintEntry->setVisible(listed);
    DisableWriting();
}

void frmMain::BuildEmployeeList() {
    grid->hide();
    grid->SetRows(1);
    ReleaseList();
    PersonnelFile& file = m_ctx.personnel;
    // Only the length is looked at here; the build reads the records once (and finishes an
    // interrupted removal when it meets one).
    if (const IoStatus s = file.OpenPersonnelFileUncounted(); !s) {
        ReportFileError(m_ctx.prompts, s);
        ShowListCommands(grid->Rows());
        return;
    }
    file.ClosePersonnelFile();

    const auto showEmptyFile = [this] {
        frame[2]->hide();
        tabMain->SetTabEnabled(1, false);
        m_ctx.prompts.MsgBox(QStringLiteral("There are currently no personnel records on file.") + CrLf +
                                 CrLf + QStringLiteral("Click the 'Add Employee to the List' button") + CrLf +
                                 QStringLiteral("when you're ready to add a personnel record."),
                             MsgButtons::OKOnly, MsgIcon::Information, QStringLiteral("Database is empty"));
        if (!m_emptyFileHelpShown) {
            // A new user with an empty file gets the help window once, as cmdHelp opens it.
            m_emptyFileHelpShown = true;
            cmdHelp_Click();
        }
        ShowListCommands(grid->Rows());
    };
    if (file.RecordCount() == 0) {
        showEmptyFile();
        return;
    }

    {
        const BusyWindow busy(this);
        ListQuery options = m_optionsPage->Query();
        options.sensitive = SensitiveFieldsFor(m_ctx, m_ctx.state.CurrentAccessLevel);
        m_list = std::make_shared<const EmployeeListResult>(
            BuildEmployeeRows(file, options, m_ctx.clock.TodayOle(), m_newRecordNumber));
        const EmployeeListResult& list = *m_list;
        if (list.status) {
            const Grid::Batch batch(*grid);
            // The grid shows the built cells as they are, sharing them rather than copying them
            // (a list can run to 100,000 rows).
            grid->ShowCells(list.cols, std::shared_ptr<const std::vector<QString>>(m_list, &list.cells));
            const int rows = list.Rows();
            if (rows >= 1)
                grid->SetFormatString(list.formatString);
            for (int row = 2; row <= rows; row += 2)
                grid->SetRowBackColor(row, ShadedRow);
        }
    }
    const EmployeeListResult& list = *m_list;
    if (!list.status) {
        ReportFileError(m_ctx.prompts, list.status);
        ShowListCommands(grid->Rows());
        return;
    }
    if (list.recordCount == 0) {
        // It held nothing but an employee whose removal had been cut short.
        showEmptyFile();
        return;
    }
    if (m_optionsPage->txtOther->text() != list.txtOther)
        m_optionsPage->txtOther->setText(list.txtOther); // the look-for text as it was applied
    if (list.highlightRow > 0) {
        m_savedRow = list.highlightRow;
        m_savedTopRow = list.highlightRow;
    }
    bool keepInView = false;
    if (m_editedRecordNumber > 0) {
        // An edit can move its employee (a new last name sorts elsewhere): the highlight follows
        // the employee, the view stays where it was as far as it can. An employee the options no
        // longer list leaves the highlight on the same row.
        for (int row = 0; row < list.Rows(); ++row) {
            if (list.RecordNumber(row) == m_editedRecordNumber) {
                m_savedRow = row + 1;
                keepInView = true;
                break;
            }
        }
    }

    if (grid->Rows() >= 2) {
        for (int col = 0; col <= 2; ++col)
            grid->SetColWidth(col, list.colWidths[std::size_t(col)]);
        const int lastRow = grid->Rows() - 1;
        // A remembered row past the end of a list that has since grown shorter takes the last.
        grid->SetRow(m_savedRow < 1 ? 1 : std::min(m_savedRow, lastRow));
        grid->SetCol(0);
        grid->SetColSel(grid->Cols() - 1);
        grid->SetTopRow(m_savedRow < 1 ? 1 : m_savedTopRow);
        if (keepInView)
            grid->scrollTo(grid->currentIndex());
        // Push the record numbers and sort keys out of view; once column 0 is as wide as the
        // whole grid nothing can be left to push.
        const int limit = grid->ColWidth(0) + PixelsToTwipsX(grid->width(), grid);
        do
            grid->SetColWidth(0, grid->ColWidth(0) + WidenStep);
        while (grid->ColIsVisible(3) && grid->ColWidth(0) < limit);
        m_listCaption = list.caption;
        frame[1]->setTitle(QString(list.caption).replace(QLatin1Char('&'), QStringLiteral("&&")));
        grid->setAccessibleName(list.caption);
        frame[1]->show();
        grid->show();
    } else {
        // Nobody qualifies: back to the options. The file has records, so the page is available.
        tabMain->SetTabEnabled(1, true);
        tabMain->SetTab(1);
        tabMain_Click(0);
        QCoreApplication::processEvents();
        m_ctx.prompts.MsgBox(QStringLiteral("No one matches these") + CrLf +
                                 QStringLiteral("indicated parameter(s)"),
                             MsgButtons::OKOnly, MsgIcon::Critical, QStringLiteral("No match(es)"));
    }
    ShowListCommands(grid->Rows());
}

void frmMain::ShowListCommands(int gridRows) {
    const int level = m_ctx.state.CurrentAccessLevel;
    cmdAddEmployee->setVisible(true);
    cmdAddEmployee->setEnabled(level >= 3);
    cmdPrintList->setVisible(gridRows >= 3);
    cmdPrintUpdateForms->setVisible(gridRows >= 2);
    cmdRemoveEmployee->setVisible(gridRows >= 2);
    cmdRemoveEmployee->setEnabled(level == 4);
    frame[2]->setVisible(gridRows >= 2);
    DisableWriting();
}
