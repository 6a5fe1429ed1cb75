#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QtGlobal>

#include <functional>

class QWidget;
class SettingsStore;

// Whether this desktop can make a top-level window partly transparent. The headless platforms
// accept an opacity but never show it, so fading there would only slow every window down.
// Decided once at start-up; everything else takes the answer as a parameter.
bool PlatformSupportsWindowOpacity();


// Gets `window` ready to fade by giving it the opacity `alpha` (0 transparent .. 255 opaque).
// Returns false, leaving the window untouched, when fades are switched off and `force` is not
// set, or when the platform cannot fade (`platformCanFade`).
bool PrepareFade(QWidget* window, quint8 alpha, bool force, const SettingsStore& settings,
                 bool platformCanFade);

// One window's fade: its state and its timer. Owned by the window it fades (its parent).
// While a fade runs the window is disabled; at the end it is enabled again, or, for a fade
// that unloads, EndAction is emitted and the window does whatever closing means for it.
class WindowFade : public QObject {
    Q_OBJECT

public:
    explicit WindowFade(QWidget* window);

    // Fades from `start` to `end` by `step` per tick and returns at once; a fade already
    // running is replaced and the next tick starts again from `start`.
    void StartFade(quint8 start, quint8 end, quint8 step, bool unloadAtEnd);

    // Fades when `fadeEnabled`; otherwise does `plainAction` (show, close, ...) at once, so the
    // callers need not repeat the test of FadeEnabled at every show, dim and close.
    void FadeIf(bool fadeEnabled, quint8 start, quint8 end, quint8 step, bool unloadAtEnd,
                std::function<void()> plainAction = {});

    // One step of the running fade; what the timer does on every timeout. Does nothing when no
    // fade runs.
    void Tick();

    bool IsFading() const { return timerFadeInOut.isActive(); }

    // Lets events run until the fade has ended, for callers that must not go on while the
    // window still dims. Returns when the window is destroyed meanwhile.
    void WaitForFade();

signals:
    void AlphaApplied(int alpha);
    // The fade that unloads has ended: the window closes itself or moves on.
    void EndAction();

private:
    void EnableAgain();

    QWidget* m_window;
    // The control that had the focus when the fade disabled the window; it gets it back after.
    QPointer<QWidget> m_focus;
    quint8 FadeStart = 0;
    quint8 FadeEnd = 0;
    quint8 FadeStep = 0;
    bool UnloadAtEnd = false;
    bool FadeFirstTick = false;
    qint16 FadeAlpha = 0;
    QTimer timerFadeInOut;
};
