#include "ui/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

constexpr double TwipsPerInch = 1440.0;

double LogicalDpi(const QWidget* w, Qt::Orientation orientation) {
    const QScreen* screen = w ? w->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96.0; // no display at all: the common desktop setting
    return orientation == Qt::Horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
}

int ToPixels(int twips, const QWidget* w, Qt::Orientation orientation) {
    return qRound(twips * LogicalDpi(w, orientation) / TwipsPerInch);
}

int ToTwips(int pixels, const QWidget* w, Qt::Orientation orientation) {
    return qRound(pixels * TwipsPerInch / LogicalDpi(w, orientation));
}

} // namespace

int TwipsToPixelsX(int twips, const QWidget* w) {
    return ToPixels(twips, w, Qt::Horizontal);
}

int TwipsToPixelsY(int twips, const QWidget* w) {
    return ToPixels(twips, w, Qt::Vertical);
}

int PixelsToTwipsX(int pixels, const QWidget* w) {
    return ToTwips(pixels, w, Qt::Horizontal);
}

int PixelsToTwipsY(int pixels, const QWidget* w) {
    return ToTwips(pixels, w, Qt::Vertical);
}

void PlaceTwips(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsToPixelsX(left, w), TwipsToPixelsY(top, w), TwipsToPixelsX(width, w),
                   TwipsToPixelsY(height, w));
}
