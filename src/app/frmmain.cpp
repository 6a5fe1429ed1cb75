#include "frmmain.h"
#include "fade.h"
#include "grid.h"
#include "orvicbutton.h"
#include "personnelfile.h"
#include "programstate.h"
#include "prompts.h"
#include "settingsstore.h"
#include "tabcontrol.h"
#include "twips.h"
#include "userlist.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace {
constexpr int DesignedWidth = 10455;
constexpr int DesignedHeight = 9000;

void Place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsToPixelsX(left, w), TwipsToPixelsY(top, w), TwipsToPixelsX(width, w),
                   TwipsToPixelsY(height, w));
}
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

const QString CrLf = QStringLiteral("\r\n");
} // namespace

frmMain::frmMain(AppContext& ctx, QWidget* parent) : QWidget(parent), m_ctx(ctx) {
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_fade = new WindowFade(this);
    connect(m_fade, &WindowFade::EndAction, this, &frmMain::FadeEnded);

    tabMain = new TabControl(this);
    tabMain->setObjectName(QStringLiteral("tabMain"));
    auto* listPage = new QWidget;
    listPage->setObjectName(QStringLiteral("tabMainPage(0)"));
    auto* optionsPage = new QWidget;
    optionsPage->setObjectName(QStringLiteral("tabMainPage(1)"));
    tabMain->addTab(listPage, QString());
    tabMain->addTab(optionsPage, QStringLiteral("List Display Options"));

    for (int i = 1; i <= 2; ++i) {
        frame[i] = new QGroupBox(listPage);
        frame[i]->setObjectName(QStringLiteral("frame(%1)").arg(i));
    }
    grid = new Grid(frame[1]);
    grid->setObjectName(QStringLiteral("grid"));
    lblListDisplayHeading = new QLabel(optionsPage);
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
    cmdPrintLabel = MakeButton(frame[2], QStringLiteral("cmdPrintLabel"));
    cmdPicAddEdit[1] = MakeButton(frame[2], QStringLiteral("cmdPicAddEdit(1)"));
    cmdPicAddEdit[2] = MakeButton(frame[2], QStringLiteral("cmdPicAddEdit(2)"));
    cmdPicPrint = MakeButton(frame[2], QStringLiteral("cmdPicPrint"));
    cmdPicDelete = MakeButton(frame[2], QStringLiteral("cmdPicDelete"));
    // The window-wide commands along the bottom.
    cmdBackupRestore = MakeButton(this, QStringLiteral("cmdBackupRestore"));
    cmdAdminWindow = MakeButton(this, QStringLiteral("cmdAdminWindow"));
    cmdHelp = MakeButton(this, QStringLiteral("cmdHelp"));
    cmdQuit = MakeButton(this, QStringLiteral("cmdQuit"));
    cmdAdminWindow->SetCaption(QStringLiteral("&Admin Window"));
    cmdBackupRestore->SetCaption(QStringLiteral("&Backup/Restore"));
    cmdHelp->SetCaption(QStringLiteral("&Help"));
    cmdQuit->SetCaption(QStringLiteral("&Quit"));
    // The record page's own buttons are shown by the record page once it is filled.
    for (OrvicButton* b : {cmdAddEditSave, cmdAddEditCancel, cmdPrintLabel, cmdPicAddEdit[1],
                           cmdPicAddEdit[2], cmdPicPrint, cmdPicDelete})
        b->hide();

    // Designed geometry, in twips.
    Place(tabMain, 105, 105, 10245, 8190);
    Place(frame[1], 60, 60, 8100, 3600);
    Place(grid, 90, 270, 7920, 3240);
    Place(frame[2], 60, 3760, 8100, 4000);
    Place(cmdAddEmployee, 8280, 120, 1800, 600);
    Place(cmdPrintList, 8280, 820, 1800, 600);
    Place(cmdPrintUpdateForms, 8280, 1520, 1800, 600);
    Place(cmdRemoveEmployee, 8280, 2750, 1800, 600);
    Place(cmdEditEntry, 8280, 3880, 1800, 600);
    Place(cmdAddEditSave, 8280, 3880, 1800, 600);
    Place(cmdAddEditCancel, 8280, 4580, 1800, 600);
    Place(cmdPrintEntry, 8280, 4580, 1800, 600);
    Place(lblListDisplayHeading, 200, 120, 9800, 300);
    resize(TwipsToPixelsX(DesignedWidth, this), TwipsToPixelsY(DesignedHeight, this));
    setMinimumWidth(width());
    setMaximumWidth(width());
    PlaceBottomRow();

    connect(cmdQuit, &QPushButton::clicked, this, &frmMain::cmdQuit_Click);
    connect(cmdAdminWindow, &QPushButton::clicked, this, &frmMain::cmdAdminWindow_Click);
    connect(tabMain, &TabControl::Click, this, [this](int) { FitToScreen(); });

    // Load.
    ctx.state.FadeEnabled = PrepareFade(this, 0, false, ctx.settings, ctx.state.PlatformCanFade);
    setWindowTitle(ctx.state.AppTitle + QStringLiteral(" - ") + ProgramSettings::Organization(ctx.settings));
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
    Place(lblUserInfo, 180, top, 3900, 600);
    Place(cmdBackupRestore, 4320, top, 1500, 600);
    Place(cmdAdminWindow, 5910, top, 1500, 600);
    Place(cmdHelp, 7500, top, 1350, 600);
    Place(cmdQuit, 8940, top, 1350, 600);
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceBottomRow();
}

void frmMain::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(222, 232, 236));
    g.setColorAt(1, QColor(196, 212, 218));
    p.fillRect(rect(), g);
}

void frmMain::ShowListCommands(int gridRows) {
    const int level = m_ctx.state.CurrentAccessLevel;
    cmdAddEmployee->setVisible(true);
    cmdAddEmployee->setEnabled(level >= 3);
    cmdPrintList->setVisible(gridRows >= 3);
    cmdPrintUpdateForms->setVisible(gridRows >= 2);
    cmdRemoveEmployee->setVisible(gridRows >= 2);
    cmdRemoveEmployee->setEnabled(level >= 4);
    frame[2]->setVisible(gridRows >= 2);
    cmdEditEntry->setVisible(gridRows >= 2);
    cmdEditEntry->setEnabled(level >= 2);
    cmdPrintEntry->setVisible(gridRows >= 2);
}

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    const ProgramState& s = m_ctx.state;
    lblUserInfo->setText(QStringLiteral("User: ") + s.CurrentUserName + QLatin1Char('\n') +
                         QStringLiteral("Access: ") + s.AccessLevelName());
    cmdBackupRestore->setToolTip(
        QStringLiteral(" Backup and Restore Options (Full access level privileges required) "));
    cmdBackupRestore->setVisible(QFile::exists(s.DataFileName));
    cmdBackupRestore->setEnabled(true);
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
    cmdPrintLabel->SetCaption(QStringLiteral("&Print an") + CrLf + QStringLiteral("Address Label..."));
    cmdPicAddEdit[1]->SetCaption(QStringLiteral("Add a Picture"));
    cmdPicAddEdit[2]->SetCaption(QStringLiteral("Edit this Picture"));
    cmdPicPrint->SetCaption(QStringLiteral("View/Print this Picture"));
    cmdPicDelete->SetCaption(QStringLiteral("Delete this Picture"));
    // Until the list is built here, the commands follow the number of employees on file.
    int rows = 1;
    if (m_ctx.personnel.OpenPersonnelFile()) {
        rows += m_ctx.personnel.RecordCount();
        m_ctx.personnel.ClosePersonnelFile();
    }
    ShowListCommands(rows);
    if (s.FadeEnabled)
        m_fade->StartFade(0, 255, 12, false);
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        cmdHelp->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmMain::LogSignOut() {
    const IoStatus s = WriteUserLogEntry(m_ctx.io, m_ctx.state, 2, m_ctx.clock);
    if (!s)
        m_ctx.prompts.MsgBox(s.Message(), MsgButtons::OKOnly, MsgIcon::Critical,
                             QStringLiteral("File Error"));
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
