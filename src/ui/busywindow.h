#pragma once

#include <QGuiApplication>
#include <QWidget>

// Disables a window and shows the busy pointer while it lives, restoring both on every way out.
class BusyWindow {
public:
    explicit BusyWindow(QWidget* window)
        : m_window(window), m_wasEnabled(!window->testAttribute(Qt::WA_ForceDisabled)) {
        m_window->setEnabled(false);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyWindow() {
        QGuiApplication::restoreOverrideCursor();
        m_window->setEnabled(m_wasEnabled);
    }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

private:
    QWidget* m_window;
    bool m_wasEnabled;
};
