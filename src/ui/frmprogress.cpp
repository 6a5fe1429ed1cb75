#include "ui/frmprogress.h"

#include "data/clock.h"
#include "ui/orvicbutton.h"
#include "ui/twips.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace {
constexpr int ClientWidth = 5400;
constexpr int ClientHeight = 1770;
constexpr int BarSteps = 1000;
} // namespace

frmProgress::frmProgress(const Clock& clock, QWidget* owner)
    : QDialog(owner), m_clock(clock), m_owner(owner) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(owner ? owner->windowTitle() : QString());
    setFixedSize(TwipsToPixelsX(ClientWidth, this), TwipsToPixelsY(ClientHeight, this));

    lblAction = new QLabel(this);
    lblAction->setObjectName(QStringLiteral("lblAction"));
    PlaceTwips(lblAction, 240, 150, ClientWidth - 480, 300);
    barProgress = new QProgressBar(this);
    barProgress->setObjectName(QStringLiteral("barProgress"));
    barProgress->setRange(0, BarSteps);
    barProgress->setTextVisible(false);
    PlaceTwips(barProgress, 240, 540, ClientWidth - 480, 300);
    cmdCancel = new OrvicButton(QStringLiteral("cmdCancel"), this);
    cmdCancel->SetCaption(QStringLiteral("Cancel"));
    PlaceTwips(cmdCancel, (ClientWidth - 1680) / 2, 1080, 1680, 450);
    connect(cmdCancel, &QAbstractButton::clicked, this, &frmProgress::cmdCancel_Click);
    m_start = m_clock.Now();
}

bool frmProgress::Step(const QString& action, qint64 done, qint64 total, bool cancellable) {
    m_cancellable = cancellable;
    lblAction->setText(action);
    barProgress->setValue(total > 0 ? int(std::clamp<qint64>(done * BarSteps / total, 0, BarSteps)) : 0);
    cmdCancel->setEnabled(cancellable && !m_cancelled);
    if (!isVisible() && !m_cancelled && m_start.msecsTo(m_clock.Now()) >= ShowAfterMs) {
        if (m_owner)
            move(m_owner->frameGeometry().center() - rect().center());
        show();
        // Busy, but the Cancel button can be clicked.
        QGuiApplication::changeOverrideCursor(Qt::BusyCursor);
    }
    QCoreApplication::processEvents(isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    return !m_cancelled;
}

void frmProgress::cmdCancel_Click() {
    if (!m_cancellable)
        return;
    m_cancelled = true;
    cmdCancel->setEnabled(false);
}

void frmProgress::reject() {
    cmdCancel_Click();
}
