#include "ui/tabcontrol.h"

#include "ui/twips.h"

#include <QEvent>
#include <QTabBar>

// Marks the span of a user event, so a page change inside it counts as the user's.
class TabControl::UserInputScope {
public:
    explicit UserInputScope(int& depth) : m_depth(depth) { ++m_depth; }
    ~UserInputScope() { --m_depth; }
    UserInputScope(const UserInputScope&) = delete;
    UserInputScope& operator=(const UserInputScope&) = delete;

private:
    int& m_depth;
};

// The tab bar changes the page from its own mouse, wheel, key and shortcut handling.
class TabControl::TabBar : public QTabBar {
public:
    TabBar(int& userInput, QWidget* parent) : QTabBar(parent), m_userInput(userInput) {}

protected:
    bool event(QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::KeyPress:
        case QEvent::Wheel:
        case QEvent::Shortcut: {
            const UserInputScope scope(m_userInput);
            return QTabBar::event(event);
        }
        default:
            return QTabBar::event(event);
        }
    }

private:
    int& m_userInput;
};

TabControl::TabControl(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new TabBar(m_userInput, this));
    // The focus is the tab bar's (the control hands it on): a screen reader is not offered the
    // control itself as a second, nameless stop.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QTabWidget::currentChanged, this, &TabControl::OnCurrentChanged);
}

void TabControl::SetTab(int index) {
    if (index < 0 || index >= count())
        return;
    const UserInputScope scope(m_programmatic);
    setCurrentIndex(index);
}

void TabControl::SetTabCaption(int index, const QString& caption) {
    setTabText(index, caption);
}

void TabControl::SetTabEnabled(int index, bool enabled) {
    const UserInputScope scope(m_programmatic);
    const int current = currentIndex();
    setTabEnabled(index, enabled);
    // QTabBar moves off a tab that becomes disabled; the page stays until the program moves.
    if (current >= 0 && currentIndex() != current)
        setCurrentIndex(current);
}

int TabControl::TabHeightTwips() const {
    return PixelsToTwipsY(height(), this);
}

void TabControl::SetHeightTwips(int twips) {
    resize(width(), TwipsToPixelsY(twips, this));
}

void TabControl::keyPressEvent(QKeyEvent* event) {
    // Ctrl+Tab and Ctrl+PageUp/PageDown reach the widget, not the tab bar.
    const UserInputScope scope(m_userInput);
    QTabWidget::keyPressEvent(event);
}

void TabControl::StepByUser(bool back) {
    const UserInputScope scope(m_userInput);
    for (int step = 1; step < count(); ++step) {
        const int page = (currentIndex() + (back ? count() - step : step)) % count();
        if (isTabEnabled(page)) {
            setCurrentIndex(page);
            return;
        }
    }
}

void TabControl::OnCurrentChanged(int index) {
    const int previous = m_previousTab;
    m_previousTab = index;
    if (m_userInput > 0 && m_programmatic == 0 && previous >= 0 && index >= 0)
        emit Click(previous);
}
