#pragma once

#include "core/appcontext.h"
#include "data/onebased.h"

#include <QWidget>

#include <memory>

struct EmployeeListResult;
class Grid;
class ListOptionsPage;
class OrvicButton;
class QGroupBox;
class RecordEditor;
class RecordPage;
class QLabel;
class TabControl;
class WindowFade;
class DataFolderWatch;

// The main window: the employee list with the record page of the highlighted employee on the
// first page of `tabMain`, the list display options on the second, and the commands around them.
class frmMain : public QWidget {
    Q_OBJECT

public:
    explicit frmMain(AppContext& ctx, QWidget* parent = nullptr);
    ~frmMain() override;

    TabControl* tabMain;
    // frame(1) round the list, frame(2) the record page, frame(3) inside the record page,
    // frame(4) to frame(8) on the options page.
    OneBased<QGroupBox*, 8> frame;
    Grid* grid;
    // The record page of the highlighted employee; it is frame(2).
    RecordPage* recordPage;
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
    // The record page's own buttons.
    OrvicButton* cmdPrintLabel;
    OneBased<OrvicButton*, 2> cmdPicAddEdit;
    OrvicButton* cmdPicPrint;
    OrvicButton* cmdPicDelete;

    // Fits the window to the screen's height while the list page is shown (and back to the
    // designed height on the options page).
    void FitToScreen();
    // The screen height in twips that FitToScreen uses; tests set one of their own.
    void SetScreenHeightTwips(int twips) { m_screenHeightTwips = twips; }

    // The list display options (page 1 of tabMain).
    ListOptionsPage* OptionsPage() const { return m_optionsPage; }
    // Fills the option combos the first time and refreshes the current/previous counts.
    void PrepareListOptions();
    // Rebuilds the list and brings the commands beside it in line.
    void RefreshEmployeeList();
    // Empties the grid and fills it again from the personnel file, as the options ask.
    void BuildEmployeeList();
    // The caption of frame(1) as the last build worded it. The frame's title doubles any "&" so
    // that a look-for text such as 'R&D' shows as typed.
    const QString& ListFrameCaption() const { return m_listCaption; }
    // The list as the last build made it: the grid shows its cells, the printouts and the record
    // commands read them.
    const EmployeeListResult& List() const { return *m_list; }

    // Fills the record page from the record of the highlighted row.
    void ShowEmployeeRecord();

    // Adding and editing an employee on the record page, removing one, and the report of one.
    void cmdAddEmployee_Click();
    void cmdEditEntry_Click();
    void UpdateSaveButton();
    void cmdAddEditSave_Click();
    void cmdAddEditCancel_Click();
    void cmdRemoveEmployee_Click();
    void cmdPrintEntry_Click();

    // What the record commands are doing: adding, editing or neither.
    const RecordEditor& Editor() const { return *m_editor; }
    // The help window has been opened once because the data file was empty.
    bool EmptyFileHelpShown() const { return m_emptyFileHelpShown; }

    // The first activation (the list built and shown) has finished.
    bool IsActivated() const { return m_activated; }

    // A read-only copy: the folder changed (the list and the shown record follow, keeping the
    // options, the highlight and the view), and the writer has let the folder go (the user is
    // offered to take it over). The folder's watch calls them; false: not now (a dialog is open),
    // ask again.
    bool FollowWriter();
    bool WriterLeft();
    // The caption: the program, the organization, and while read-only who is writing.
    QString Caption() const;

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
    void FinishActivation();
    void tabMain_Click(int previousTab);
    void ShowListCommands(int gridRows);
    void cmdQuit_Click();
    void cmdAdminWindow_Click();
    void cmdHelp_Click();
    void FadeEnded();
    void LogSignOut();
    void BackToAdminWindow();
    void PlaceBottomRow();
    void PlaceRecordCommands();
    void grid_RowColChange();
    void BeginInput();
    bool FadeOutForInput(quint8 step);
    void EnableListCommands(bool enabled);
    // While read-only, disables every command that writes.
    void DisableWriting();
    // The list's own menu (export, copy, import), at `globalPos`; not while an entry is open.
    void ShowListMenu(QPoint globalPos);
    // The list type as the proposed name of an exported list gives it.
    QString ListTypeName() const;
    // Lets go of the shown list, leaving an empty one; a long list is freed on a worker thread.
    void ReleaseList();

    AppContext& m_ctx;
    WindowFade* m_fade;
    DataFolderWatch* m_watch = nullptr; // while read-only
    std::unique_ptr<RecordEditor> m_editor;
    ListOptionsPage* m_optionsPage;
    QString m_listCaption;
    std::shared_ptr<const EmployeeListResult> m_list;
    bool m_activationQueued = false;
    bool m_activated = false;
    bool m_closingByProgram = false;
    int m_screenHeightTwips = 0;
    // Reference heights of the controls that FitToScreen stretches, in twips.
    int m_tabMainHeight = 0;
    int m_frame1Height = 0;
    int m_gridHeight = 0;
    int m_frame2Top = 0;
    // Where adding an employee found the window, kept to put it back (pixels).
    int m_frame2TopTag = 0;
    int m_tabMainHeightTag = 0;
    int m_windowTopTag = 0;
    // At the end of an edit: the edited employee, whom the rebuilt list highlights (0 = none).
    qint32 m_editedRecordNumber = 0;
    // Set by adding an employee: the record whose row the next build highlights (0 = none).
    qint32 m_newRecordNumber = 0;
    // The row to make current and the row to scroll to the top after the next build (0 = none).
    // Plain ints: a list can hold more rows than 16 bits count.
    int m_savedRow = 0;
    int m_savedTopRow = 0;
    bool m_emptyFileHelpShown = false;
};
