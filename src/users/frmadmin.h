#pragma once

#include "core/appcontext.h"

#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

class Grid;
class OrvicButton;
class QCheckBox;
class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QShortcut;
class WindowFade;

// The gate to the program: the user list, sign-in by password, and behind the access code the
// maintenance of the users and the review of the user log.
class frmAdmin : public QWidget {
    Q_OBJECT

public:
    explicit frmAdmin(AppContext& ctx, QWidget* parent = nullptr);

    // Rebuilds the grid from "User.List".
    void FillUserGrid();
    // Captions, tool tips and visibility of the buttons for the current mode.
    void ShowAdminMode();

    bool IsActivated() const { return Activated; }
    bool IsAdminMode() const { return AdminMode; }
    bool IsViewingLog() const { return ViewingLog; }
    WindowFade* Fade() const { return m_fade; }

    Grid* grid;
    OrvicButton* cmdUserSelected;
    QLineEdit* txtPassword;
    OrvicButton* cmdContinue;
    OrvicButton* cmdCancel;
    QPlainTextEdit* txtUserLog;
    OrvicButton* cmdAddUser;
    OrvicButton* cmdEditUser;
    OrvicButton* cmdDeleteUser;
    OrvicButton* cmdReviewUserLog;
    OrvicButton* cmdSensitiveFields;
    QFrame* shpFadeStatus;
    QCheckBox* chkFadeStatus;
    OrvicButton* cmdAdmin;
    OrvicButton* cmdHelp;
    OrvicButton* cmdQuit;
    QTimer timerFlashButton;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildControls();
    void Form_Activate();

    void cmdUserSelected_Click();
    void txtPassword_Change();
    void EnterPressed();
    void EscapePressed();
    void cmdContinue_Click();
    void cmdCancel_Click();
    void cmdAdmin_Click();
    void cmdQuit_Click();
    void chkFadeStatus_Click();
    void timerFlashButton_Timer();
    void grid_MouseMove();
    void grid_DblClick();

    // User maintenance (frmadminusers.cpp).
    void cmdAddUser_Click();
    void cmdEditUser_Click();
    void cmdDeleteUser_Click();
    void OpenUserDialog(const QString& mode, OrvicButton* opener);
    void HighlightRow(int row);

    // The sensitive-fields level (frmsensitivefields.h).
    void cmdSensitiveFields_Click();

    // User log review (frmadminuserlog.cpp).
    void cmdReviewUserLog_Click();
    void OpenUserLogView();
    void CloseUserLogView();

    // Closes the window, then moves on to the main window or ends the program.
    void LeaveWindow(bool toMainWindow);
    void FadeEndAction();
    bool HasUserRows() const;
    // From the third wrong try in a row on, waits before a try is checked (1 s, doubling up to
    // 30 s), the window disabled but its events running. Returns false when the window went away
    // meanwhile.
    bool WaitBeforeTry(int wrongTries);

    AppContext& m_ctx;
    WindowFade* m_fade;
    QShortcut* m_enterKey; // live while a password is awaited

    QString AccessCode;
    QString EnteredCode;
    bool AdminMode = false;
    bool ViewingLog = false;
    bool Activated = false;
    int ReselectRow = 1;
    qint16 m_userCount = 0;   // as last counted when the list was read
    int m_wrongPasswords = 0; // wrong tries in a row
    int m_wrongCodes = 0;
    int m_foreLevel = 0; // flash state of timerFlashButton
    int m_backLevel = 0;
    int m_flashStep = 0;

    QString m_captionTag; // the window caption, kept while the log is shown
    QRect m_userLogTag;   // txtUserLog's own place, kept while it covers the grid
    bool m_gridShownBeforeLog = false;
    bool m_activationQueued = false;
    bool m_leaving = false; // set once the window closes on its own account
};
