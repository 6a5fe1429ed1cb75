#pragma once

#include <QTabWidget>

// Pages with captions, one shown at a time, numbered from 0.
//
// Click(previousTab) reports a page change made by the user: a click on a tab, or the keyboard
// (arrow keys on the tabs, Ctrl+Tab, mnemonics). It is raised after the new page has become
// current, with the page that was current before. A change made by the program (SetTab,
// SetTabEnabled, adding pages) raises no Click: a caller that wants the click handling runs its
// handler itself.
class TabControl : public QTabWidget {
    Q_OBJECT

public:
    explicit TabControl(QWidget* parent = nullptr);

    // Current page, -1 when there are no pages.
    int Tab() const { return currentIndex(); }
    // Shows page `index` without raising Click; out-of-range pages are ignored.
    void SetTab(int index);

    void SetTabCaption(int index, const QString& caption);

    // An unavailable page cannot be chosen by the user. Disabling the current page leaves it
    // current; the program decides where to go.
    void SetTabEnabled(int index, bool enabled);

    // The next (or, with `back`, the previous) page the user may choose, wrapping round, as the
    // user's own change (Click is raised): what Ctrl+Tab does within the control.
    void StepByUser(bool back);
    // Height of the whole control, tabs and pages, in twips.
    int TabHeightTwips() const;
    void SetHeightTwips(int twips);

signals:
    void Click(int previousTab);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    class UserInputScope;
    class TabBar;

    void OnCurrentChanged(int index);

    int m_previousTab = -1;
    int m_userInput = 0;    // > 0 while a user event is being handled
    int m_programmatic = 0; // > 0 while the program changes the page, even from a Click handler
};
