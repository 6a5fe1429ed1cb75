#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

// The background of an entry box (the yellow of the box being typed in, the cyan of the others).
inline void SetBoxColor(QWidget* box, const QColor& color) {
    QPalette p = box->palette();
    p.setColor(QPalette::Base, color);
    box->setPalette(p);
}
