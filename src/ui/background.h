#pragma once

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QSize>
#include <QWidget>

// The plain background of the program's working windows, painted in their paint events.
inline void PaintWindowBackground(QWidget* window) {
    QPainter p(window);
    QLinearGradient g(0, 0, 0, window->height());
    g.setColorAt(0, QColor(222, 232, 236));
    g.setColorAt(1, QColor(196, 212, 218));
    p.fillRect(window->rect(), g);
}

// The picture the welcome, picture, label, user and admin windows are tiled with.
const QImage& BackgroundPicture();

// Paints `picture` over an area of `area` from (0, 0): a column at every multiple of the
// picture's width and a row at every multiple of its height, up to and including the last that
// is not beyond the area, so that the last partial column and row are covered too.
void TileBackground(QPainter& painter, const QImage& picture, QSize area);

// Tiles the background picture over the whole of `window`, in its paint event.
void PaintTiledBackground(QWidget* window);
