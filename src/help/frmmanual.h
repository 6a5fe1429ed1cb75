#pragma once

#include "core/appcontext.h"
#include "data/onebased.h"

#include <QDialog>

class OrvicButton;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class WindowFade;

// The built-in manual: one help topic at a time as read-only text, the topics menu (F1), the
// printed topic, the about box, and mail and web links. Made afresh for every opening.
class frmManual : public QDialog {
    Q_OBJECT

public:
    // Opens on the topic of menu index `topic` once shown (0: the first page).
    explicit frmManual(AppContext& ctx, int topic = 0, QWidget* parent = nullptr);

    QPlainTextEdit* txtManual;
    QLabel* labelHelpTopic;
    QFrame* Line1;
    OrvicButton* cmdHelpTopic;
    OrvicButton* cmdPrintHelp;
    OrvicButton* cmdReturn;
    QMenu* menuHelpMenu;
    OneBased<QAction*, 17> menuHelpTopic;

    // The menu index of the topic shown now; 0 before the first.
    int CurrentTopic() const { return m_currentTopic; }
    // What "About Rosterly" shows.
    QString AboutText() const;
    WindowFade* Fade() const { return m_fade; }

    // Acts as the menu entry of index `index` chosen by the user.
    void menuHelpTopic_Click(int index);
    void cmdHelpTopic_Click();
    void cmdPrintHelp_Click();
    void cmdReturn_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void BuildControls();

    AppContext& m_ctx;
    WindowFade* m_fade;
    // The topic shown when the window first shows.
    int m_requestedTopic;
    int m_currentTopic = 0;
    bool m_activated = false;
};

// Opens the manual on the topic of menu index `requestedTopic`, modal over `caller`, which dims
// around it with `callerFade` when fades are on.
void OpenHelp(AppContext& ctx, QWidget* caller, WindowFade* callerFade, qint16 requestedTopic);

// The menu indexes the callers ask for.
inline constexpr qint16 HelpOverview = 1;
inline constexpr qint16 HelpAdminWindow = 3;
inline constexpr qint16 HelpEmployeeList = 4;
inline constexpr qint16 HelpListOptions = 5;
