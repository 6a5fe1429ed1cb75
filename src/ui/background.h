#pragma once

#include <QLinearGradient>
#include <QPainter>
#include <QWidget>

// The plain background of the program's working windows, painted in their paint events.
inline void PaintWindowBackground(QWidget* window) {
    QPainter p(window);
    QLinearGradient g(0, 0, 0, window->height());
    g.setColorAt(0, QColor(222, 232, 236));
    g.setColorAt(1, QColor(196, 212, 218));
    p.fillRect(window->rect(), g);
}
