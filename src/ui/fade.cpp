#include "ui/fade.h"

#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <utility>

bool PlatformSupportsWindowOpacity() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

bool PrepareFade(QWidget* window, quint8 alpha, bool force, const SettingsStore& settings,
                 bool platformCanFade) {
    if (!force && !ProgramSettings::FadeStatus(settings))
        return false;
    // Only top-level windows have an opacity of their own.
    if (!platformCanFade || window == nullptr || !window->isWindow())
        return false;
    window->setWindowOpacity(alpha / 255.0);
    return true;
}

WindowFade::WindowFade(QWidget* window) : QObject(window), m_window(window), timerFadeInOut(this) {
    Q_ASSERT(window != nullptr);
    timerFadeInOut.setObjectName(QStringLiteral("timerFadeInOut"));
    // As fast as the event loop delivers timer events: one step per timeout.
    timerFadeInOut.setInterval(1);
    connect(&timerFadeInOut, &QTimer::timeout, this, &WindowFade::Tick);
}

void WindowFade::StartFade(quint8 start, quint8 end, quint8 step, bool unloadAtEnd) {
    FadeStart = start;
    FadeEnd = end;
    FadeStep = step;
    UnloadAtEnd = unloadAtEnd;
    FadeFirstTick = true;
    // The control given the focus just before the fade, which anything disabling the window
    // before the first tick would take away.
    m_focus = m_window->focusWidget();
    timerFadeInOut.start();
}

void WindowFade::FadeIf(bool fadeEnabled, quint8 start, quint8 end, quint8 step, bool unloadAtEnd,
                        std::function<void()> plainAction) {
    if (fadeEnabled)
        StartFade(start, end, step, unloadAtEnd);
    else if (plainAction)
        plainAction();
}

void WindowFade::Tick() {
    if (!timerFadeInOut.isActive())
        return;
    if (FadeFirstTick) {
        FadeFirstTick = false;
        FadeAlpha = FadeStart;
        // No clicks reach a window that is half there.
        if (QWidget* focus = m_window->focusWidget())
            m_focus = focus;
        m_window->setEnabled(false);
    }
    // The step applies on the first tick too, so the first alpha shown is one step past the start.
    if (FadeStart < FadeEnd)
        FadeAlpha = std::min<qint16>(FadeEnd, FadeAlpha + FadeStep);
    else
        FadeAlpha = std::max<qint16>(FadeEnd, FadeAlpha - FadeStep);

    const int alpha = FadeAlpha & 0xFF;
    m_window->setWindowOpacity(alpha / 255.0);
    emit AlphaApplied(alpha);

    if (FadeAlpha != FadeEnd)
        return;
    timerFadeInOut.stop();
    if (UnloadAtEnd)
        emit EndAction(); // may delete the window, and this with it: nothing may follow
    else
        EnableAgain();
}

void WindowFade::EnableAgain() {
    m_window->setEnabled(true);
    // Disabling took the focus from the window's control; unless something else has taken it
    // meanwhile, it goes back.
    if (!m_window->focusWidget() && m_focus && m_focus->isEnabled() && m_focus->window() == m_window)
        m_focus->setFocus();
    m_focus = nullptr;
}

void WindowFade::WaitForFade() {
    // The window may be closed and destroyed by events handled while waiting, taking this along.
    const QPointer<WindowFade> self(this);
    QCoreApplication::processEvents();
    // A running timer always has a timeout to come, so waiting for the next event cannot hang.
    while (self && self->timerFadeInOut.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
