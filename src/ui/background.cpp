#include "ui/background.h"

const QImage& BackgroundPicture() {
    static const QImage picture(QStringLiteral(":/pictures/background.jpg"));
    return picture;
}

void TileBackground(QPainter& painter, const QImage& picture, QSize area) {
    if (picture.isNull())
        return;
    for (int x = 0; x <= area.width(); x += picture.width())
        for (int y = 0; y <= area.height(); y += picture.height())
            painter.drawImage(x, y, picture);
}

void PaintTiledBackground(QWidget* window) {
    QPainter p(window);
    TileBackground(p, BackgroundPicture(), window->size());
}
