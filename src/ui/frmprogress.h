#pragma once

#include <QDateTime>
#include <QDialog>
#include <QPointer>
#include <QString>

class Clock;
class OrvicButton;
class QLabel;
class QProgressBar;

// The window of a long operation: what it is doing, how far it has come, and Cancel. The operation
// calls Step now and then; the window shows itself only once a second has passed by the program's
// clock since it was made, so that a quick operation shows nothing. Until then Step lets the windows paint
// but leaves the user's input waiting, as a busy window does; once it shows, the window is
// application modal and its Cancel (or Escape) answers at the next Step.
class frmProgress : public QDialog {
    Q_OBJECT

public:
    static constexpr int ShowAfterMs = 1000;

    frmProgress(const Clock& clock, QWidget* owner);

    QLabel* lblAction;
    QProgressBar* barProgress;
    OrvicButton* cmdCancel;

    // `action` has done `done` of `total`; `cancellable` is false for a step that must run to its
    // end (Cancel is disabled). Returns false once the user has cancelled.
    bool Step(const QString& action, qint64 done, qint64 total, bool cancellable = true);
    bool Cancelled() const { return m_cancelled; }

    void cmdCancel_Click();

protected:
    void reject() override;

private:
    const Clock& m_clock;
    QPointer<QWidget> m_owner;
    QDateTime m_start;
    bool m_cancellable = true;
    bool m_cancelled = false;
};
