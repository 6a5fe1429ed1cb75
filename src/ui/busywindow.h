#pragma once

#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

// Disables a window and shows the busy pointer while it lives, restoring both on every way out,
// and the focus to the control that had it.
class BusyWindow {
public:
    explicit BusyWindow(QWidget* window)
        : m_window(window), m_focus(window->focusWidget()),
          m_wasEnabled(!window->testAttribute(Qt::WA_ForceDisabled)) {
        m_window->setEnabled(false);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyWindow() {
        QGuiApplication::restoreOverrideCursor();
        m_window->setEnabled(m_wasEnabled);
        if (m_wasEnabled && !m_window->focusWidget() && m_focus && m_focus->isEnabled())
            m_focus->setFocus();
    }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

private:
    QWidget* m_window;
    QPointer<QWidget> m_focus;
    bool m_wasEnabled;
};
