#include "app/frmtitlepage.h"
#include "core/programstate.h"
#include "core/version.h"
#include "help/frmnewuser.h"
#include "settings/settingsstore.h"
#include "ui/fade.h"
#include "ui/links.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "ui/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, int pointSize, bool bold = false) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont f = label->font();
    f.setPointSize(pointSize);
    f.setBold(bold);
    label->setFont(f);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(236, 244, 246));
    label->setPalette(pal);
    return label;
}
} // namespace

frmTitlePage::frmTitlePage(AppContext& ctx, QWidget* parent) : QWidget(parent), m_ctx(ctx) {
    setObjectName(QStringLiteral("frmTitlePage"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(ctx.state.AppTitle);
    m_fade = new WindowFade(this);
    connect(m_fade, &WindowFade::EndAction, this, &frmTitlePage::GoOn);

    labelAppTitle = MakeLabel(this, "labelAppTitle", 30, true);
    labelAppDescription = MakeLabel(this, "labelAppDescription", 12);
    labelVersion = MakeLabel(this, "labelVersion", 9);
    labelOrvicSoftware = MakeLabel(this, "labelOrvicSoftware", 11, true);
    labelAddress = MakeLabel(this, "labelAddress", 9);
    labelEmail = MakeLabel(this, "labelEmail", 9);
    labelWeb = MakeLabel(this, "labelWeb", 9);
    cmdContinue = new OrvicButton(QStringLiteral("cmdContinue"), this);
    cmdContinue->setDefault(true);

    const QSize size(TwipsToPixelsX(8745, this), TwipsToPixelsY(4815, this));
    setFixedSize(size);
    PlaceTwips(labelAppTitle, 300, 350, 8145, 800);
    PlaceTwips(labelAppDescription, 300, 1150, 8145, 400);
    PlaceTwips(labelVersion, 300, 1550, 8145, 300);
    PlaceTwips(labelOrvicSoftware, 300, 2200, 8145, 350);
    PlaceTwips(labelAddress, 300, 2550, 8145, 500);
    PlaceTwips(labelEmail, 300, 3050, 4000, 300);
    PlaceTwips(labelWeb, 4445, 3050, 4000, 300);
    PlaceTwips(cmdContinue, 3422, 3750, 1900, 500);

    for (QLabel* link : {labelEmail, labelWeb}) {
        link->setTextFormat(Qt::RichText);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    }
    connect(labelEmail, &QLabel::linkActivated, this,
            [this] { OpenLink(LinkKind::Mail, this, QString(), m_ctx.prompts); });
    connect(labelWeb, &QLabel::linkActivated, this,
            [this] { OpenLink(LinkKind::Web, this, QString(), m_ctx.prompts); });
    connect(cmdContinue, &QPushButton::clicked, this, &frmTitlePage::cmdContinue_Click);

    ctx.state.FadeEnabled = PrepareFade(this, 0, false, ctx.settings, ctx.state.PlatformCanFade);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        m_screenSize = screen->size();
        move(screen->availableGeometry().center() - rect().center());
    }
}

QString frmTitlePage::ResolutionWarning(const QString& t, int width, int height) {
    const QString crlf = QStringLiteral("\r\n");
    return t + QStringLiteral(" is designed for use on a") + crlf +
           QStringLiteral("screen resolution of at least 800x600. ") + crlf + crlf + t +
           QStringLiteral(" will not display correctly on") + crlf +
           QStringLiteral("your current screen resolution (%1x%2).").arg(width).arg(height) + crlf + crlf +
           QStringLiteral("You can adjust your screen resolution by") + crlf +
           QStringLiteral("right-clicking anywhere on your desktop,") + crlf +
           QStringLiteral("select <Properties>, then <Settings>,") + crlf +
           QStringLiteral("and then select and accept at least") + crlf +
           QStringLiteral("800x600 as your 'Screen Area'.");
}

void frmTitlePage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    cmdContinue->SetCaption(QStringLiteral("&Continue"));
    labelAppTitle->setText(m_ctx.state.AppTitle);
    labelAppDescription->setText(QStringLiteral(ROSTERLY_FILE_DESCRIPTION));
    labelVersion->setText(VersionText());
    labelOrvicSoftware->setText(QStringLiteral("Orvic Software"));
    labelAddress->setText(QStringLiteral("1 Example Way, Suite 100\nSpringfield, IL 62701"));
    const QString link = QStringLiteral("<a href=\"%1\" style=\"color:#ffe680\">%2</a>");
    labelEmail->setText(link.arg(QStringLiteral("mail"), QString::fromLatin1(DefaultMailAddress)));
    labelWeb->setText(link.arg(QStringLiteral("web"), QString::fromLatin1(DefaultWebHost)));
    cmdContinue->setFocus();
    if (m_ctx.state.FadeEnabled)
        m_fade->StartFade(0, 255, 5, false);
}

void frmTitlePage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0, 96, 112));
    g.setColorAt(1, QColor(0, 48, 64));
    p.fillRect(rect(), g);
    p.setPen(QColor(255, 255, 255, 60));
    p.drawRect(rect().adjusted(6, 6, -7, -7));
}

void frmTitlePage::cmdContinue_Click() {
    if (ProgramSettings::WelcomeWanted(m_ctx.settings))
        ShowWelcome(m_ctx, this, m_fade);
    const int width = m_screenSize.width();
    const int height = m_screenSize.height();
    if (width < 800)
        m_ctx.prompts.MsgBox(ResolutionWarning(m_ctx.state.AppTitle, width, height), MsgButtons::OKOnly,
                             MsgIcon::None, QStringLiteral("Screen Resolution Issue"));
    QCoreApplication::processEvents();
    if (m_ctx.state.FadeEnabled)
        m_fade->StartFade(255, 0, 12, true);
    else
        GoOn();
}

void frmTitlePage::GoOn() {
    m_leaving = true;
    close();
    m_ctx.flow.ShowAdminWindow();
}

void frmTitlePage::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // Closing the title window from its close box ends the program rather than leaving it
    // running with no window.
    if (!m_leaving && event->spontaneous())
        QMetaObject::invokeMethod(
            qApp, [flow = &m_ctx.flow] { flow->ExitProgram(); }, Qt::QueuedConnection);
}
