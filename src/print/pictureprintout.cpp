#include "print/pictureprintout.h"

#include "print/printer.h"

#include <QCoreApplication>

namespace {
constexpr double Left = 0.75;
constexpr double HeadingTop = 1.8;
constexpr double PictureTop = 2.0;
constexpr double PictureWidth = 6.25;
} // namespace

QString PrintPicturePage(Printer& printer, const QString& heading, const QImage& picture, QSize shownSize) {
    printer.Font = PrinterFont{QStringLiteral("Arial"), 9};
    QCoreApplication::processEvents();
    printer.CurrentX = Left;
    printer.CurrentY = HeadingTop;
    printer.Print(heading);
    const double height =
        shownSize.width() > 0 ? PictureWidth * double(shownSize.height()) / double(shownSize.width()) : 0.0;
    printer.PaintPicture(picture, Left, PictureTop, PictureWidth, height);
    return printer.EndDoc();
}
