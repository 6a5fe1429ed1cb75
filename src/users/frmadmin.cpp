#include "users/frmadmin.h"

#include "core/programstate.h"
#include "data/ansitext.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "data/userlist.h"
#include "data/util.h"
#include "help/frmmanual.h"
#include "settings/settingsstore.h"
#include "ui/background.h"
#include "ui/fade.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "ui/twips.h"
#include "users/frmsensitivefields.h"
#include "users/usershelpers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

namespace {

// Design geometry in twips.
constexpr int FormWidth = 8295;
constexpr int FormHeight = 4365;
constexpr int Margin = 120;
constexpr int Gap = 60;
constexpr int GridTop = Margin;
constexpr int GridWidth = FormWidth - 2 * Margin;
constexpr int GridHeadingRows = 8; // the grid is this many heading rows high
constexpr int RowAHeight = 585;
constexpr int RowBHeight = 435;
constexpr int RowBTop = FormHeight - Margin - RowBHeight;

const QColor Teal(0, 128, 128);

} // namespace

frmAdmin::frmAdmin(AppContext& ctx, QWidget* parent)
    : QWidget(parent), timerFlashButton(this), m_ctx(ctx), m_fade(new WindowFade(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmAdmin"));
    BuildControls();

    // Load: the admin window is made fadable even while fades are off, so that ticking the box
    // takes effect with its own next fade.
    ProgramState& state = m_ctx.state;
    state.FadeEnabled = PrepareFade(this, 0, true, m_ctx.settings, state.PlatformCanFade);
    if (state.FadeEnabled) {
        if (!ProgramSettings::FadeStatus(m_ctx.settings)) {
            PrepareFade(this, 255, true, m_ctx.settings, state.PlatformCanFade);
            state.FadeEnabled = false;
        }
    } else {
        // The desktop cannot fade: do not offer an effect that cannot be shown.
        ProgramSettings::SaveFadeStatus(m_ctx.settings, false);
        chkFadeStatus->hide();
        shpFadeStatus->hide();
    }

    setFixedSize(TwipsToPixelsX(FormWidth, this), TwipsToPixelsY(FormHeight, this));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setWindowTitle(state.AppTitle + QStringLiteral(" - Admin Window"));
    AccessCode = ProgramSettings::AccessCode(m_ctx.settings);
    ShowAdminMode();   // captions in place before the first activation fills the list
    setEnabled(false); // no command may run on a list not yet read

    connect(m_fade, &WindowFade::EndAction, this, &frmAdmin::FadeEndAction);
}

void frmAdmin::BuildControls() {
    // Created in tab order: the grid, the selection row, the maintenance row, then the bottom row.
    grid = new Grid(this);
    grid->setObjectName(QStringLiteral("grid"));
    // The list's column widths are fixed in twips; a size smaller than the window's text keeps
    // the longest access level name and the date heading within them.
    QFont gridFont = grid->font();
    gridFont.setPointSizeF(gridFont.pointSizeF() - 1);
    grid->setFont(gridFont);
    grid->hide();
    grid->setAccessibleName(QStringLiteral("User List"));

    txtUserLog = new QPlainTextEdit(this);
    txtUserLog->setObjectName(QStringLiteral("txtUserLog"));
    txtUserLog->setReadOnly(true);
    txtUserLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtUserLog->hide();
    txtUserLog->setAccessibleName(QStringLiteral("User Log"));

    cmdUserSelected = new OrvicButton(QStringLiteral("cmdUserSelected"), this);
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setMaxLength(8);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setAccessibleName(QStringLiteral("Password"));
    // A "*" for each character, whatever mark the style would show.
    txtPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    txtPassword->hide();
    cmdContinue = new OrvicButton(QStringLiteral("cmdContinue"), this);
    cmdContinue->hide();
    cmdCancel = new OrvicButton(QStringLiteral("cmdCancel"), this);
    cmdCancel->hide();

    cmdAddUser = new OrvicButton(QStringLiteral("cmdAddUser"), this);
    cmdEditUser = new OrvicButton(QStringLiteral("cmdEditUser"), this);
    cmdDeleteUser = new OrvicButton(QStringLiteral("cmdDeleteUser"), this);
    cmdReviewUserLog = new OrvicButton(QStringLiteral("cmdReviewUserLog"), this);
    cmdSensitiveFields = new OrvicButton(QStringLiteral("cmdSensitiveFields"), this);
    for (OrvicButton* b : {cmdAddUser, cmdEditUser, cmdDeleteUser, cmdReviewUserLog, cmdSensitiveFields})
        b->hide();

    cmdAdmin = new OrvicButton(QStringLiteral("cmdAdmin"), this);
    shpFadeStatus = new QFrame(this);
    shpFadeStatus->setObjectName(QStringLiteral("shpFadeStatus"));
    shpFadeStatus->setFrameShape(QFrame::StyledPanel);
    shpFadeStatus->setFrameShadow(QFrame::Sunken);
    chkFadeStatus = new QCheckBox(QStringLiteral("Enable form fade effects"), this);
    chkFadeStatus->setObjectName(QStringLiteral("chkFadeStatus"));
    chkFadeStatus->setToolTip(QStringLiteral("Check this option if your forms fade in and out too slowly"));

    cmdHelp = new OrvicButton(QStringLiteral("cmdHelp"), this);
    cmdHelp->SetCaption(QStringLiteral("&Help"));
    cmdQuit = new OrvicButton(QStringLiteral("cmdQuit"), this);
    cmdQuit->SetCaption(QStringLiteral("&Quit"));

    // Geometry. The grid is as wide as the window allows; the first button row sits below it.
    const int gridHeight = GridHeadingRows * grid->RowHeight(0);
    const int rowATop = GridTop + gridHeight + 150;
    PlaceTwips(grid, Margin, GridTop, GridWidth, gridHeight);
    // The log box waits out of the way, behind the first button row, until it covers the grid.
    PlaceTwips(txtUserLog, Margin, rowATop, GridWidth, RowAHeight);

    PlaceTwips(cmdUserSelected, Margin, rowATop, 2900, RowAHeight);
    PlaceTwips(txtPassword, Margin + 2900 + Gap, rowATop, 1900, RowAHeight);
    PlaceTwips(cmdContinue, Margin + 4800 + 2 * Gap, rowATop, 1300, RowAHeight);
    PlaceTwips(cmdCancel, Margin + 6100 + 3 * Gap, rowATop, 1300, RowAHeight);

    PlaceTwips(cmdAddUser, Margin, rowATop, 1300, RowAHeight);
    PlaceTwips(cmdEditUser, Margin + 1300 + Gap, rowATop, 1300, RowAHeight);
    PlaceTwips(cmdDeleteUser, Margin + 2600 + 2 * Gap, rowATop, 1300, RowAHeight);
    PlaceTwips(cmdReviewUserLog, Margin + 3900 + 3 * Gap, rowATop, 1900, RowAHeight);
    PlaceTwips(cmdSensitiveFields, Margin + 5800 + 4 * Gap, rowATop, 1900, RowAHeight);

    PlaceTwips(cmdAdmin, Margin, RowBTop, 2900, RowBHeight);
    PlaceTwips(shpFadeStatus, Margin + 2900 + Gap, RowBTop, 2700, RowBHeight);
    PlaceTwips(chkFadeStatus, Margin + 2900 + Gap + 90, RowBTop + 30, 2700 - 120, RowBHeight - 60);
    PlaceTwips(cmdHelp, FormWidth - Margin - 2 * 1000 - Gap, RowBTop, 1000, RowBHeight);
    PlaceTwips(cmdQuit, FormWidth - Margin - 1000, RowBTop, 1000, RowBHeight);

    timerFlashButton.setObjectName(QStringLiteral("timerFlashButton"));
    timerFlashButton.setInterval(2);

    connect(cmdUserSelected, &OrvicButton::clicked, this, &frmAdmin::cmdUserSelected_Click);
    connect(cmdHelp, &OrvicButton::clicked, this, [this] { OpenHelp(m_ctx, this, m_fade, HelpAdminWindow); });
    // F1 anywhere in the window is Help.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, cmdHelp, &QAbstractButton::click);
    connect(txtPassword, &QLineEdit::textChanged, this, &frmAdmin::txtPassword_Change);
    connect(cmdContinue, &OrvicButton::clicked, this, &frmAdmin::cmdContinue_Click);
    connect(cmdCancel, &OrvicButton::clicked, this, &frmAdmin::cmdCancel_Click);
    connect(cmdAdmin, &OrvicButton::clicked, this, &frmAdmin::cmdAdmin_Click);
    connect(cmdAddUser, &OrvicButton::clicked, this, &frmAdmin::cmdAddUser_Click);
    connect(cmdEditUser, &OrvicButton::clicked, this, &frmAdmin::cmdEditUser_Click);
    connect(cmdDeleteUser, &OrvicButton::clicked, this, &frmAdmin::cmdDeleteUser_Click);
    connect(cmdReviewUserLog, &OrvicButton::clicked, this, &frmAdmin::cmdReviewUserLog_Click);
    connect(cmdSensitiveFields, &OrvicButton::clicked, this, &frmAdmin::cmdSensitiveFields_Click);
    connect(cmdQuit, &OrvicButton::clicked, this, &frmAdmin::cmdQuit_Click);
    connect(chkFadeStatus, &QCheckBox::clicked, this, &frmAdmin::chkFadeStatus_Click);
    connect(&timerFlashButton, &QTimer::timeout, this, &frmAdmin::timerFlashButton_Timer);
    connect(grid, &Grid::MouseMoved, this, &frmAdmin::grid_MouseMove);
    connect(grid, &Grid::DoubleClicked, this, &frmAdmin::grid_DblClick);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &frmAdmin::EscapePressed);
    // While a password is awaited, Enter presses the default button from any control of the
    // window, as it would in a dialog; at other times it keeps its meaning for the control.
    m_enterKey = new QShortcut(this);
    m_enterKey->setKeys({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    m_enterKey->setAutoRepeat(false);
    m_enterKey->setEnabled(false);
    connect(m_enterKey, &QShortcut::activated, this, &frmAdmin::EnterPressed);
}

void frmAdmin::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The first activation may put up a message; let the window finish showing first.
    if (!Activated && !m_activationQueued) {
        m_activationQueued = true;
        QTimer::singleShot(0, this, &frmAdmin::Form_Activate);
    }
}

void frmAdmin::Form_Activate() {
    if (Activated)
        return;
    setEnabled(true);
    FillUserGrid();
    ShowAdminMode();
    if (cmdUserSelected->isVisible())
        cmdUserSelected->setFocus();
    chkFadeStatus->setChecked(ProgramSettings::FadeStatus(m_ctx.settings));
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 0, 255, 12, false);
    Activated = true;
}

void frmAdmin::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    PaintTiledBackground(this);
}

void frmAdmin::closeEvent(QCloseEvent* event) {
    // The title bar's close button ends the program the orderly way, through the quit question.
    if (event->spontaneous() && !m_leaving) {
        event->ignore();
        if (isEnabled())
            cmdQuit_Click();
        return;
    }
    timerFlashButton.stop();
    QWidget::closeEvent(event);
}

bool frmAdmin::HasUserRows() const {
    return grid->Rows() > 1;
}

void frmAdmin::FillUserGrid() {
    grid->hide();
    grid->SetRows(1);
    grid->SetCols(5);
    grid->setFixedHeight(TwipsToPixelsY(GridHeadingRows * grid->RowHeight(0), grid));
    grid->SetFormatString(QStringLiteral("<User List|<Access Level|^Date Created|NameSort|RecNum"));

    if (!m_ctx.io.Exists(m_ctx.state.UserListName)) {
        m_userCount = 0;
        m_ctx.prompts.MsgBox(QStringLiteral("There are currently no 'Users'") + CrLf +
                                 QStringLiteral("entered in the 'User List'"),
                             MsgButtons::OKOnly, MsgIcon::Information, QStringLiteral("'User List' Empty"));
    } else {
        UserList list(m_ctx.io, m_ctx.state.UserListName, m_ctx.state.ScratchFileName);
        IoStatus status = list.OpenUserList();
        m_userCount = status ? list.UserCount() : 0;
        {
            const Grid::Batch batch(*grid);
            for (qint16 n = 1; status && n <= m_userCount; ++n) {
                status = list.ReadUserRecord(n);
                const UserRecord& u = list.Record();
                // A user whose removal was cut short is not listed.
                if (!status || u.IsMarkedRemoved())
                    continue;
                const QString first = TrimSpaces(u.FirstName());
                const QString last = TrimSpaces(u.LastName());
                // Cell by cell: a tab in a stored name must not move the record number. The
                // name shown (and signed in with) holds no control character, so that it cannot
                // break the user log's lines or the main window's.
                grid->AddRow({WithoutControlCharacters(first + QLatin1Char(' ') + last),
                              AccessLevelName(u.AccessLevel()), FormatDate(u.DateCreated(), u"mm/dd/yyyy"),
                              last + QLatin1Char(' ') + first, QString::number(n)});
            }
            if (!status)
                grid->SetRows(1); // a list read only in part would be misleading
        }
        list.CloseUserList();
        ReportFileError(m_ctx.prompts, status);
        if (grid->Rows() > 2) {
            grid->SetCol(3);
            grid->SetColSel(3);
            grid->Sort();
        }
    }

    if (!HasUserRows())
        return;
    grid->SetColWidth(0, 4000);
    grid->SetColWidth(1, 1900);
    grid->SetColWidth(2, 1250);
    for (int row = 2; row < grid->Rows(); row += 2)
        grid->SetRowBackColor(row, QColor(240, 240, 240));
    grid->show();
    // Widen the name column until the sort key and record number lie past the right edge.
    for (int guard = 0; grid->ColIsVisible(3) && guard < 2000; ++guard)
        grid->SetColWidth(0, grid->ColWidth(0) + 15);
    if (!Activated)
        HighlightRow(1);
}

void frmAdmin::HighlightRow(int row) {
    grid->SetCol(0);
    grid->SetRow(row);
    grid->SetTopRow(row);
    grid->SetColSel(2);
}

void frmAdmin::ShowAdminMode() {
    const bool rows = HasUserRows();
    if (!AdminMode) {
        cmdAdmin->SetCaption(QStringLiteral("'&Edit the 'User List'"));
        cmdAdmin->setToolTip(QStringLiteral(" Click here to Add, Edit/View, and/or Delete Users "));
        cmdAdmin->SetForeColor(Qt::black);
        cmdAdmin->SetForeOver(QColor(255, 255, 128));
        cmdAdmin->SetBackColor(Teal);
        cmdAdmin->SetBackOver(Teal);
    } else {
        cmdAdmin->SetCaption(QStringLiteral("Finished w/ '&User List' Admin"));
        cmdAdmin->setToolTip(QStringLiteral(" Click here when finished with the Admin functions "));
        timerFlashButton.start();
    }
    cmdAdmin->show();
    cmdAdmin->setEnabled(!m_ctx.state.ReadOnly); // the user list and the access code are written
    cmdAdmin->Refresh();

    cmdHelp->setToolTip(QStringLiteral("Click here for more information about the 'Admin Window'... "));
    cmdHelp->Refresh();
    cmdQuit->setToolTip(QStringLiteral(" Click here to exit ") + m_ctx.state.AppTitle + QStringLiteral(" "));
    cmdQuit->Refresh();

    cmdAddUser->SetCaption(QStringLiteral("&Add User"));
    cmdAddUser->setToolTip(QStringLiteral(" Add a User to the 'User Name' list "));
    cmdAddUser->setVisible(AdminMode);
    cmdAddUser->Refresh();
    cmdEditUser->SetCaption(QStringLiteral("&Edit User"));
    cmdEditUser->setToolTip(QStringLiteral(" Edit the highlighted User "));
    cmdEditUser->setVisible(AdminMode && rows);
    cmdEditUser->Refresh();
    cmdDeleteUser->SetCaption(QStringLiteral("&Delete User"));
    cmdDeleteUser->setToolTip(QStringLiteral(" Delete the highlighted User "));
    cmdDeleteUser->setVisible(AdminMode && rows);
    cmdDeleteUser->Refresh();
    cmdUserSelected->SetCaption(QStringLiteral("&Select the Highlighted User"));
    cmdUserSelected->setToolTip(QStringLiteral(" Proceed to the Program with the highlighted User "));
    cmdUserSelected->setVisible(!AdminMode && rows);
    cmdUserSelected->Refresh();
    cmdReviewUserLog->SetCaption(QStringLiteral("&Review User Log"));
    cmdReviewUserLog->setToolTip(QStringLiteral(" Review the logged history of Users "));
    cmdReviewUserLog->setVisible(AdminMode && m_ctx.io.Exists(m_ctx.state.UserLogName));
    cmdReviewUserLog->Refresh();
    cmdSensitiveFields->SetCaption(QStringLiteral("Sensitive &Fields..."));
    cmdSensitiveFields->setToolTip(
        QStringLiteral(" Choose who sees the Social Security number and the year of birth in full "));
    cmdSensitiveFields->setVisible(AdminMode);
    cmdSensitiveFields->Refresh();
}

void frmAdmin::cmdSensitiveFields_Click() {
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 255, 204, 1, false);
    {
        frmSensitiveFields dialog(m_ctx, this);
        dialog.exec();
    }
    activateWindow();
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 204, 255, 2, false);
    cmdSensitiveFields->setFocus();
}

void frmAdmin::cmdUserSelected_Click() {
    // The saved caption marks the wait for a password.
    if (!cmdUserSelected->Tag.isEmpty() || !HasUserRows())
        return;
    cmdAdmin->hide();
    grid->setEnabled(false);
    cmdUserSelected->Tag = cmdUserSelected->Caption();
    cmdUserSelected->SetFontBold(true);
    cmdUserSelected->SetCaption(QStringLiteral("Enter Password at right"));
    cmdUserSelected->setEnabled(false);

    QFont big = txtPassword->font();
    big.setPointSize(20);
    txtPassword->setFont(big);
    txtPassword->clear();
    txtPassword->show();
    txtPassword->setFocus();
    cmdContinue->SetCaption(QStringLiteral("Continue"));
    cmdContinue->show();
    cmdCancel->SetCaption(QStringLiteral("Cancel"));
    cmdCancel->show();
    txtPassword_Change();
    m_enterKey->setEnabled(true);
}

void frmAdmin::txtPassword_Change() {
    const bool typed = !txtPassword->text().isEmpty();
    cmdContinue->setEnabled(typed);
    cmdContinue->setDefault(typed);
    cmdCancel->setEnabled(true);
    cmdCancel->setDefault(!typed);
}

void frmAdmin::EnterPressed() {
    // The default button: Continue once something is typed, Cancel before.
    for (OrvicButton* button : {cmdContinue, cmdCancel}) {
        if (button->isDefault() && button->isVisible() && button->isEnabled()) {
            button->click();
            return;
        }
    }
}

void frmAdmin::EscapePressed() {
    if (cmdCancel->isVisible() && cmdCancel->isEnabled())
        cmdCancel->click();
}

void frmAdmin::cmdContinue_Click() {
    const int row = grid->Row();
    if (row < 1)
        return;
    if (!WaitBeforeTry(m_wrongPasswords))
        return;
    UserList list(m_ctx.io, m_ctx.state.UserListName, m_ctx.state.ScratchFileName);
    IoStatus status = list.OpenUserList();
    if (status)
        status = list.ReadUserRecord(grid->TextMatrix(row, 4).toShort());
    list.CloseUserList();
    if (!ReportFileError(m_ctx.prompts, status))
        return;

    QString stored = list.Record().Password();
    // Exact: case counts and the typed text is not trimmed.
    if (UnscramblePassword(stored) != txtPassword->text()) {
        ++m_wrongPasswords;
        m_ctx.prompts.MsgBox(QStringLiteral("That is not the correct password") + CrLf +
                                 QStringLiteral("associated with this name"),
                             MsgButtons::OKOnly, MsgIcon::Critical, QStringLiteral("Incorrect Password"));
        txtPassword->clear();
        txtPassword->setFocus();
        return;
    }

    m_wrongPasswords = 0;
    // A level the program does not know would sign in with no rights anyone gave: refused.
    const qint16 level = list.Record().AccessLevel();
    if (level < 1 || level > 4) {
        m_ctx.prompts.MsgBox(QStringLiteral("The 'User List' is damaged: the access level") + CrLf +
                                 QStringLiteral("of this user can't be read.") + CrLf + CrLf +
                                 QStringLiteral("Please ask your administrator to edit this user") + CrLf +
                                 QStringLiteral("and give the user an access level again."),
                             MsgButtons::OKOnly, MsgIcon::Critical, QStringLiteral("User List Damaged"));
        return;
    }
    m_ctx.state.CurrentUserName = grid->TextMatrix(row, 0);
    m_ctx.state.CurrentAccessLevel = level;
    m_ctx.personnel.SetHistoryActor(m_ctx.state.CurrentUserName, level);
    // The password was right: a log that cannot be written is reported, but it does not lock
    // the user out of the records.
    ReportFileError(m_ctx.prompts, WriteUserLogEntry(m_ctx.io, m_ctx.state.CurrentUserName, level,
                                                     static_cast<int>(UserLogEvent::SignIn), m_ctx.clock));

    if (m_ctx.state.FadeEnabled) {
        cmdContinue->Tag = windowTitle(); // the end of the fade opens the main window
        m_fade->StartFade(255, 0, 12, true);
    } else {
        LeaveWindow(true);
    }
}

bool frmAdmin::WaitBeforeTry(int wrongTries) {
    if (wrongTries < 2)
        return true;
    const int unit = m_ctx.state.RetryWaitMs;
    const int wait = std::min(unit << std::min(wrongTries - 2, 5), 30 * unit);
    QPointer<frmAdmin> self(this);
    setEnabled(false);
    QEventLoop loop;
    QTimer::singleShot(wait, &loop, &QEventLoop::quit);
    loop.exec();
    if (!self)
        return false;
    setEnabled(true);
    return true;
}

void frmAdmin::cmdCancel_Click() {
    m_enterKey->setEnabled(false);
    txtPassword->hide();
    cmdContinue->hide();
    cmdCancel->hide();
    cmdAdmin->show();
    grid->setEnabled(true);
    cmdUserSelected->SetFontBold(false);
    cmdUserSelected->SetCaption(cmdUserSelected->Tag);
    cmdUserSelected->Tag.clear();
    cmdUserSelected->setEnabled(true);
    cmdUserSelected->setFocus();
}

void frmAdmin::cmdAdmin_Click() {
    if (AdminMode) {
        AdminMode = false;
        timerFlashButton.stop();
        ShowAdminMode();
        return;
    }
    const QString prompt = CrLf + QStringLiteral("Please enter the access code") + CrLf +
                           QStringLiteral("needed to add/edit/delete") + CrLf +
                           QStringLiteral("users in this 'User List'");
    for (;;) {
        EnteredCode = m_ctx.prompts.InputBox(prompt, QStringLiteral("Access Code Required"),
                                             QStringLiteral("<Enter Access Code Here>"));
        if (EnteredCode.isEmpty())
            return;
        if (!WaitBeforeTry(m_wrongCodes))
            return;
        if (EnteredCode == AccessCode) {
            m_wrongCodes = 0;
            break;
        }
        ++m_wrongCodes;
        m_ctx.prompts.MsgBox(QStringLiteral("Sorry, but you have not entered") + CrLf +
                                 QStringLiteral("the correct Access Code."),
                             MsgButtons::OKOnly, MsgIcon::Critical, QStringLiteral("Incorrect Access Code"));
    }
    AdminMode = true;
    if (m_userCount == 0)
        cmdAddUser_Click();
    ShowAdminMode();
}

void frmAdmin::cmdQuit_Click() {
    const QString& title = m_ctx.state.AppTitle;
    const MsgAnswer answer = m_ctx.prompts.MsgBox(
        QStringLiteral("This will close ") + title + QStringLiteral(".") + CrLf + CrLf +
            QStringLiteral("Is this what you want to do?"),
        MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Exit ") + title + QStringLiteral("?"));
    if (answer != MsgAnswer::Yes)
        return;
    if (m_ctx.state.FadeEnabled) {
        cmdContinue->Tag.clear(); // no hand-over mark: the end of the fade ends the program
        m_fade->StartFade(255, 0, 12, true);
    } else {
        LeaveWindow(false);
    }
}

void frmAdmin::FadeEndAction() {
    LeaveWindow(windowTitle() == cmdContinue->Tag);
}

void frmAdmin::LeaveWindow(bool toMainWindow) {
    m_leaving = true;
    // The window is deleted later, once control is back in the event loop; the context outlives it.
    WindowFlow& flow = m_ctx.flow;
    close();
    if (toMainWindow)
        flow.ShowMainWindow();
    else
        flow.ExitProgram();
}

void frmAdmin::chkFadeStatus_Click() {
    const bool ticked = chkFadeStatus->isChecked();
    ProgramSettings::SaveFadeStatus(m_ctx.settings, ticked);
    m_ctx.state.FadeEnabled = ticked;
}

void frmAdmin::timerFlashButton_Timer() {
    if (m_foreLevel < 8) {
        m_backLevel = 248;
        m_flashStep = 4;
    } else if (m_foreLevel > 248) {
        m_backLevel = 2;
        m_flashStep = -4;
    }
    m_foreLevel += m_flashStep;
    m_backLevel -= m_flashStep;
    // Face and text swing in opposite directions between dark olive and yellow.
    OrvicButton* button = ViewingLog ? cmdReviewUserLog : cmdAdmin;
    button->SetBackColor(QColor(m_backLevel, m_backLevel, 0));
    button->SetForeColor(QColor(m_foreLevel, m_foreLevel, 0));
}

void frmAdmin::grid_MouseMove() {
    QString tip;
    if (grid->MouseRow() >= 1) {
        if (cmdEditUser->isVisible())
            tip = QStringLiteral(" Double-click to view/edit this User ");
        else if (cmdUserSelected->isVisible())
            tip = QStringLiteral(" Double-click to select this User ");
    }
    grid->setToolTip(tip);
}

void frmAdmin::grid_DblClick() {
    if (!grid->isVisible())
        return;
    if (cmdEditUser->isVisible())
        cmdEditUser_Click();
    else if (cmdUserSelected->isVisible())
        cmdUserSelected_Click();
}
