#include "help/frmnewuser.h"

#include "core/programstate.h"
#include "help/helptopics.h"
#include "settings/settingsstore.h"
#include "ui/background.h"
#include "ui/fade.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>

namespace {

constexpr int FormWidth = 6915;
constexpr int FormHeight = 5745;


} // namespace

frmNewUser::frmNewUser(AppContext& ctx, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_fade(new WindowFade(this)) {
    setObjectName(QStringLiteral("frmNewUser"));
    setModal(true);
    m_ctx.state.FadeEnabled = PrepareFade(this, 0, false, m_ctx.settings, m_ctx.state.PlatformCanFade);
    setFixedSize(TwipsToPixelsX(FormWidth, this), TwipsToPixelsY(FormHeight, this));
    setWindowTitle(QStringLiteral(" ") + m_ctx.state.AppTitle + QStringLiteral(" - New User Overview"));

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setStyleSheet(QStringLiteral("QFrame#Shape1 { border: 1px solid rgb(90, 110, 125); "
                                         "background: rgba(255, 255, 255, 150); }"));
    PlaceTwips(Shape1, 180, 180, 6555, 4560);

    lbl = new QLabel(this);
    lbl->setObjectName(QStringLiteral("lbl"));
    lbl->setWordWrap(true);
    lbl->setTextFormat(Qt::PlainText);
    lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceTwips(lbl, 360, 330, 6195, 4290);

    chk = new QCheckBox(QStringLiteral("Don't show this Welcome screen again"), this);
    chk->setObjectName(QStringLiteral("chk"));
    PlaceTwips(chk, 240, 4980, 3900, 330);

    cmdContinue = new OrvicButton(QStringLiteral("cmdContinue"), this);
    PlaceTwips(cmdContinue, 5055, 4905, 1680, 510);
    connect(cmdContinue, &QPushButton::clicked, this, &frmNewUser::cmdContinue_Click);
    connect(m_fade, &WindowFade::EndAction, this, [this] { done(Accepted); });
}

void frmNewUser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    lbl->setText(DisplayText(QStringLiteral("Welcome! Are you a new user? ") +
                             QStringLiteral("If so, then let's take a moment for a quick overview.") +
                             QStringLiteral("\r\n\r\n") + HelpTopicText(1000)));
    cmdContinue->SetCaption(QStringLiteral("&Continue"));
    cmdContinue->Refresh();
    cmdContinue->setFocus();
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 0, 255, 12, false);
}

void frmNewUser::paintEvent(QPaintEvent*) {
    PaintTiledBackground(this);
}

void frmNewUser::cmdContinue_Click() {
    // An unticked box writes nothing: an earlier "NoShow" is never cleared from here.
    if (chk->isChecked())
        ProgramSettings::Save(m_ctx.settings, ProgramSettings::Key::NewUser,
                              QString::fromLatin1(ProgramSettings::NoShow));
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 255, 0, 12, true, [this] { done(Accepted); });
}

void frmNewUser::reject() {
    // Closing the window goes on as Continue does.
    cmdContinue_Click();
}

void ShowWelcome(AppContext& ctx, QWidget* caller, WindowFade* callerFade) {
    const bool fade = ctx.state.FadeEnabled && callerFade;
    if (fade)
        callerFade->StartFade(255, 204, 1, false);
    {
        frmNewUser welcome(ctx, caller); // loaded afresh for each showing
        welcome.exec();
    }
    if (caller)
        caller->activateWindow();
    if (fade)
        callerFade->StartFade(204, 255, 2, false);
}
