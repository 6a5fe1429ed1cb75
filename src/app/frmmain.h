#pragma once

#include "appcontext.h"
#include "onebased.h"

#include <QWidget>

class Grid;
class OrvicButton;
class QGroupBox;
class QLabel;
class TabControl;
class WindowFade;

// The main window: the employee list with the record page of the highlighted employee on the
// first page of `tabMain`, the list display options on the second, and the commands around them.
class frmMain : public QWidget {
    Q_OBJECT

public:
    explicit frmMain(AppContext& ctx, QWidget* parent = nullptr);

    // Page 0 and page 1 of the tab control, so that the list and record page can be placed.
    TabControl* tabMain;
    OneBased<QGroupBox*, 2> frame;
    Grid* grid;
    QLabel* lblListDisplayHeading;
    QLabel* lblUserInfo;

    OrvicButton* cmdBackupRestore;
    OrvicButton* cmdAdminWindow;
    OrvicButton* cmdHelp;
    OrvicButton* cmdQuit;
    OrvicButton* cmdAddEmployee;
    OrvicButton* cmdPrintList;
    OrvicButton* cmdPrintUpdateForms;
    OrvicButton* cmdRemoveEmployee;
    OrvicButton* cmdEditEntry;
    OrvicButton* cmdAddEditSave;
    OrvicButton* cmdAddEditCancel;
    OrvicButton* cmdPrintEntry;
    OrvicButton* cmdPrintLabel;
    OneBased<OrvicButton*, 2> cmdPicAddEdit;
    OrvicButton* cmdPicPrint;
    OrvicButton* cmdPicDelete;

    // Fits the window to the screen's height while the list page is shown (and back to the
    // designed height on the options page).
    void FitToScreen();
    // The screen height in twips that FitToScreen uses; tests set one of their own.
    void SetScreenHeightTwips(int twips) { m_screenHeightTwips = twips; }

    // Shows or hides the list commands for a list of `gridRows` rows (heading row included) and
    // enables them by the signed-in user's access level.
    void ShowListCommands(int gridRows);

    WindowFade* Fade() const { return m_fade; }
    // Closes the window without asking: the program is ending or handing over.
    void CloseByProgram();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void cmdQuit_Click();
    void cmdAdminWindow_Click();
    void FadeEnded();
    void LogSignOut();
    void BackToAdminWindow();
    void PlaceBottomRow();

    AppContext& m_ctx;
    WindowFade* m_fade;
    bool m_activated = false;
    bool m_closingByProgram = false;
    int m_screenHeightTwips = 0;
    // Reference heights of the controls that FitToScreen stretches, in twips.
    int m_tabMainHeight = 0;
    int m_frame1Height = 0;
    int m_gridHeight = 0;
    int m_frame2Top = 0;
};
