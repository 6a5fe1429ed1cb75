#include "print/printer.h"

#include <QFont>
#include <QFontMetricsF>

namespace {
// Text is measured at this resolution whatever the device, so layouts do not depend on it.
constexpr int MeasureDpi = 1200;
} // namespace

QFont PrinterQFont(const PrinterFont& font, int dotsPerInch) {
    QFont f(font.name);
    f.setPixelSize(qMax(1, qRound(font.size * dotsPerInch / 72.0)));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikethrough);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferOutline);
    return f;
}

int Printer::PageWidthTwips() const {
    return qRound(PrintableInches().width() * 1440.0);
}

double Printer::TextWidth(const QString& text) const {
    return QFontMetricsF(PrinterQFont(Font, MeasureDpi)).horizontalAdvance(text) / MeasureDpi;
}

double Printer::TextHeight() const {
    return QFontMetricsF(PrinterQFont(Font, MeasureDpi)).lineSpacing() / MeasureDpi;
}

void Printer::Print(const QString& text, bool endLine) {
    if (!text.isEmpty()) {
        DrawText(text, ToDevice(CurrentX, CurrentY), Font);
        m_output = true;
    }
    if (endLine) {
        CurrentX = m_scaleLeft;
        CurrentY += TextHeight();
    } else {
        CurrentX += TextWidth(text);
    }
}

void Printer::PaintPicture(const QImage& picture, double x, double y, double w, double h) {
    const QPointF topLeft = ToDevice(x, y);
    DrawPicture(picture, QRectF(topLeft.x(), topLeft.y(), w, h));
    m_output = true;
}

void Printer::NewPage() {
    StartNewPage();
    m_output = true;
    ++m_page;
    CurrentX = m_scaleLeft;
    CurrentY = m_scaleTop;
}

QString Printer::EndDoc() {
    QString error;
    if (m_output)
        error = FinishDocument();
    else
        DiscardDocument();
    m_output = false;
    m_page = 1;
    m_scaleLeft = 0;
    m_scaleTop = 0;
    CurrentX = 0;
    CurrentY = 0;
    return error;
}

void Printer::SetScaleOrigin(double left, double top) {
    m_scaleLeft = left;
    m_scaleTop = top;
}
