#include "print/frmprintlabel.h"

#include "core/programstate.h"
#include "data/ansitext.h"
#include "print/printer.h"
#include "print/printhelpers.h"
#include "ui/background.h"
#include "ui/boxcolor.h"
#include "ui/fade.h"
#include "ui/orvicbutton.h"
#include "ui/twips.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace {

constexpr int FormWidth = 6510;
constexpr int FormHeight = 5265;

// Where the text of a label starts on the sheet, in inches from the paper's top-left corner:
// the labels are 2 5/8" wide with 1/8" between them, 1" high below a 1/2" top margin.
constexpr double FirstLabelLeft = 0.2;
constexpr double ColumnPitch = 2.8;
constexpr double FirstLabelTop = 0.5;
constexpr double RowPitch = 1.0;

QLabel* MakeLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

void OpenPrintLabel(AppContext& ctx, QWidget* window, WindowFade* windowFade, const QString& firstName,
                    const QString& lastName, const QString& streetAddress, const QString& cityStateZip) {
    frmPrintLabel dialog(ctx, window);
    const QString lines[4] = {firstName + QStringLiteral(" ") + lastName, streetAddress, cityStateZip,
                              QString()};
    for (int i = 1; i <= 4; ++i)
        dialog.txtPrintLabel[std::size_t(i)]->setText(lines[i - 1].left(frmPrintLabel::LineMaxLength));

    const bool fade = ctx.state.FadeEnabled && windowFade;
    // The dialog opens while the window dims.
    if (fade)
        windowFade->StartFade(255, 204, 1, false);
    dialog.exec();
    if (window)
        window->activateWindow(); // back to the main window, also where no window manager hands it back
    if (fade)
        windowFade->StartFade(204, 255, 2, false);
}

frmPrintLabel::frmPrintLabel(AppContext& ctx, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_fade(new WindowFade(this)) {
    setObjectName(QStringLiteral("frmPrintLabel"));
    setModal(true);
    setWindowTitle(QStringLiteral(" Print a 1\" x 2 5/8\" Label"));
    BuildControls();

    setFixedSize(TwipsToPixelsX(FormWidth, this), TwipsToPixelsY(FormHeight, this));
    m_ctx.state.FadeEnabled = PrepareFade(this, 0, false, m_ctx.settings, m_ctx.state.PlatformCanFade);
    connect(m_fade, &WindowFade::EndAction, this, [this] { done(Rejected); });
}

void frmPrintLabel::BuildControls() {
    const int left = 240;
    const int fullWidth = FormWidth - 2 * left;

    lblNote = MakeLabel(
        QStringLiteral("lblNote"),
        QStringLiteral("Note: This feature assumes you are using an Avery 5160/8160 (or equivalent) "
                       "sheet of 1x2 5/8\" address labels."),
        this);
    lblNote->setWordWrap(true);
    PlaceTwips(lblNote, left, 120, fullWidth, 480);

    lblEditLines = MakeLabel(QStringLiteral("lblEditLines"),
                             QStringLiteral("You can edit the lines below if you wish..."), this);
    PlaceTwips(lblEditLines, left, 720, fullWidth, 255);

    const int boxWidth = 3900;
    for (int i = 1; i <= 4; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("txtPrintLabel(%1)").arg(i));
        box->setMaxLength(LineMaxLength);
        // The fourth line is the optional one its note beside it names.
        box->setAccessibleName(i < 4 ? QStringLiteral("Label Line %1").arg(i)
                                     : QStringLiteral("Label Line 4, optional (attn: or re:)"));
        box->installEventFilter(this);
        PlaceTwips(box, left, 1020 + (i - 1) * 375, boxWidth, 315);
        txtPrintLabel[std::size_t(i)] = box;
    }
    lblOptionalLine = MakeLabel(QStringLiteral("lblOptionalLine"),
                                QStringLiteral("optional line (example-- attn: or re:)"), this);
    lblOptionalLine->setWordWrap(true);
    lblOptionalLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont small = lblOptionalLine->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    lblOptionalLine->setFont(small);
    PlaceTwips(lblOptionalLine, left + boxWidth + 120, 1020 + 3 * 375 - 30, fullWidth - boxWidth - 120, 540);

    // Designed as 'row && column': the doubled ampersand shows one, which a label without a
    // buddy shows as it stands.
    lblRowColumn = MakeLabel(QStringLiteral("lblRowColumn"),
                             QStringLiteral("Indicate which 'row & column' label to print..."), this);
    PlaceTwips(lblRowColumn, left, 2700, fullWidth, 255);

    const QString positions[2] = {QStringLiteral("Row 1"), QStringLiteral("Col 1")};
    const int maximum[2] = {Rows, Columns};
    for (int i = 1; i <= 2; ++i) {
        const int top = 3060 + (i - 1) * 390;
        auto* position = MakeLabel(QStringLiteral("lblPosition(%1)").arg(i), positions[i - 1], this);
        PlaceTwips(position, left, top, 840, 285);
        lblPosition[std::size_t(i)] = position;

        auto* bar = new QScrollBar(Qt::Horizontal, this);
        bar->setObjectName(QStringLiteral("scroll(%1)").arg(i));
        bar->setAccessibleName(i == 1 ? QStringLiteral("Row") : QStringLiteral("Column"));
        bar->setRange(1, maximum[i - 1]);
        bar->setSingleStep(1);
        bar->setPageStep(1);
        bar->setValue(1);
        bar->setFocusPolicy(Qt::StrongFocus);
        // A scroll bar's keys run against the value unless told otherwise; here the right arrow
        // key goes to the next row or column, as the bar's own right arrow does.
        bar->setInvertedControls(false);
        PlaceTwips(bar, left + 900, top, 3000, 255);
        scroll[std::size_t(i)] = bar;
        connect(bar, &QScrollBar::valueChanged, this, [this, i] { scroll_Change(i); });
    }

    cmdPrintLabel = new OrvicButton(QStringLiteral("cmdPrintLabel"), this);
    cmdPrintLabel->setDefault(true);
    cmdCancel = new OrvicButton(QStringLiteral("cmdCancel"), this);
    PlaceTwips(cmdPrintLabel, FormWidth - 150 - 2 * 1500 - 90, 4440, 1500, 630);
    PlaceTwips(cmdCancel, FormWidth - 150 - 1500, 4440, 1500, 630);
    connect(cmdPrintLabel, &QPushButton::clicked, this, &frmPrintLabel::cmdPrintLabel_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPrintLabel::cmdCancel_Click);
}

void frmPrintLabel::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        Form_Activate();
    }
}

void frmPrintLabel::Form_Activate() {
    cmdPrintLabel->SetCaption(QStringLiteral("&Print") + CrLf + QStringLiteral("<Enter>"));
    cmdPrintLabel->setToolTip(
        QStringLiteral(" Place an Avery 5160 label sheet (or equivalent) in the printer "));
    cmdCancel->SetCaption(QStringLiteral("&Return") + CrLf + QStringLiteral("<Esc>"));
    txtPrintLabel[1]->setFocus();
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 0, 255, 12, false);
}

void frmPrintLabel::paintEvent(QPaintEvent*) {
    PaintTiledBackground(this);
}

bool frmPrintLabel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        for (int i = 1; i <= 4; ++i) {
            if (watched != txtPrintLabel[std::size_t(i)])
                continue;
            if (event->type() == QEvent::FocusIn)
                txtPrintLabel_GotFocus(i);
            else
                txtPrintLabel_LostFocus(i);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmPrintLabel::txtPrintLabel_GotFocus(int index) {
    SetBoxColor(txtPrintLabel[std::size_t(index)], QColor(255, 255, 0));
}

void frmPrintLabel::txtPrintLabel_LostFocus(int index) {
    SetBoxColor(txtPrintLabel[std::size_t(index)], QColor(0, 255, 255));
}

void frmPrintLabel::scroll_Change(int index) {
    QLabel* position = lblPosition[std::size_t(index)];
    position->setText(position->text().left(4) + QString::number(scroll[std::size_t(index)]->value()));
}

void frmPrintLabel::cmdPrintLabel_Click() {
    Printer& printer = m_ctx.printer;
    const PrintJob job(printer, m_ctx.prompts);
    const bool printed = job.Print(this, [&] {
        PrinterFont font;
        font.name = QStringLiteral("Arial");
        font.size = 10;
        printer.Font = font;
        AlignPrinterToPaper(printer, 0, 0);
        const double x = FirstLabelLeft + ColumnPitch * (scroll[2]->value() - 1);
        printer.CurrentY = FirstLabelTop + RowPitch * (scroll[1]->value() - 1);
        // The text starts a line below the label's top edge.
        printer.EndLine();
        for (int i = 1; i <= 4; ++i) {
            printer.CurrentX = x;
            printer.Print(txtPrintLabel[std::size_t(i)]->text() + QStringLiteral("  "));
        }
        return QString();
    });
    // Nothing came out: the buttons keep offering the first printing.
    if (!printed)
        return;
    cmdPrintLabel->SetCaption(QStringLiteral("&Print") + CrLf + QStringLiteral("Again"));
    cmdCancel->SetCaption(QStringLiteral("&Finished") + CrLf + QStringLiteral("<Esc>"));
    cmdCancel->setToolTip(QStringLiteral(" No more printing "));
}

void frmPrintLabel::cmdCancel_Click() {
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 255, 0, 12, true, [this] { done(Rejected); });
}

void frmPrintLabel::reject() {
    cmdCancel_Click();
}
