#include "records/frmlargepic.h"

#include "core/programstate.h"
#include "data/ansitext.h"
#include "print/pictureprintout.h"
#include "print/printer.h"
#include "print/printhelpers.h"
#include "records/picturebox.h"
#include "ui/background.h"
#include "ui/fade.h"
#include "ui/orvicbutton.h"
#include "ui/twips.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace {
constexpr int ClientWidth = 8385;
constexpr int ClientHeight = 7110;
constexpr int PictureTop = 480;
const QString DesignCaption = QStringLiteral("Picture: ");
} // namespace

frmLargePic::frmLargePic(AppContext& ctx, bool printAtOnce, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_fade(new WindowFade(this)), m_printAtOnce(printAtOnce) {
    setObjectName(QStringLiteral("frmLargePic"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    setWindowTitle(DesignCaption);
    setFixedSize(TwipsToPixelsX(ClientWidth, this), TwipsToPixelsY(ClientHeight, this));

    lblPicHeading = new QLabel(this);
    lblPicHeading->setObjectName(QStringLiteral("lblPicHeading"));
    lblPicHeading->setAlignment(Qt::AlignCenter);
    QFont headingFont = lblPicHeading->font();
    headingFont.setBold(true);
    lblPicHeading->setFont(headingFont);
    PlaceTwips(lblPicHeading, 240, 90, ClientWidth - 480, 330);

    imgPicture = new PictureBox(this);
    imgPicture->setObjectName(QStringLiteral("imgPicture"));
    imgPicture->hide();

    cmdPrintPic = new OrvicButton(QStringLiteral("cmdPrintPic"), this);
    cmdPrintPic->SetCaption(QStringLiteral("&Print"));
    PlaceTwips(cmdPrintPic, 2400, 6570, 1680, 450);
    cmdReturn = new OrvicButton(QStringLiteral("cmdReturn"), this);
    cmdReturn->SetCaption(QStringLiteral("&Return"));
    PlaceTwips(cmdReturn, 4305, 6570, 1680, 450);
    connect(cmdPrintPic, &QPushButton::clicked, this, &frmLargePic::cmdPrintPic_Click);
    connect(cmdReturn, &QPushButton::clicked, this, &frmLargePic::cmdReturn_Click);
    connect(m_fade, &WindowFade::EndAction, this, &QDialog::close);

    m_ctx.state.FadeEnabled = PrepareFade(this, 0, false, m_ctx.settings, m_ctx.state.PlatformCanFade);
}

bool frmLargePic::LoadPicture(const QString& path) {
    imgPicture->SetStretch(false);
    if (!imgPicture->LoadPicture(path))
        return false;
    const QSize natural = imgPicture->NaturalTwips();
    const QSize shown = FitPicture(natural, MaxPictureWidth, MaxPictureHeight);
    m_shownTwips = shown;
    PlaceTwips(imgPicture, (ClientWidth - shown.width()) / 2, PictureTop, shown.width(), shown.height());
    imgPicture->SetStretch(true);
    imgPicture->SetPath(path);
    imgPicture->setToolTip(TrimSpaces(path));
    imgPicture->show();
    return true;
}

void frmLargePic::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        Form_Activate();
    }
}

void frmLargePic::Form_Activate() {
    setWindowTitle(DesignCaption + QStringLiteral(" ") + lblPicHeading->text());
    if (m_printAtOnce) {
        // Left to the dialog's own event loop, which must be running for the close to end it.
        QTimer::singleShot(0, this, &frmLargePic::PrintPictureAtOnce);
        return;
    }
    cmdPrintPic->setToolTip(QStringLiteral(" Print this Picture "));
    cmdReturn->setToolTip(QStringLiteral(" Close this Window "));
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 0, 255, 12, false);
}

void frmLargePic::PrintPictureAtOnce() {
    cmdPrintPic_Click();
    QApplication::processEvents();
    // Closed as Return closes it, faded out when fades are on.
    cmdReturn_Click();
}

void frmLargePic::cmdPrintPic_Click() {
    // Printed at once from the information report, it is part of the report's printout and told
    // about with it.
    PrintJob(m_ctx.printer, m_ctx.prompts).Print(this, [this] {
        const QString error = PrintPicturePage(m_ctx.printer, lblPicHeading->text(),
                                               imgPicture->Pixmap().toImage(), m_shownTwips);
        QApplication::processEvents();
        return error;
    });
}

void frmLargePic::cmdReturn_Click() {
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 255, 0, 12, true, [this] { close(); });
}

void frmLargePic::paintEvent(QPaintEvent*) {
    PaintTiledBackground(this);
}
