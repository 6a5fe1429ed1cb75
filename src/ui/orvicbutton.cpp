#include "ui/orvicbutton.h"

#include <QApplication>
#include <QPalette>

OrvicButton::OrvicButton(QWidget* parent) : QPushButton(parent) {
    const QPalette p = QApplication::palette();
    m_backColor = m_backOver = p.color(QPalette::Button);
    m_foreColor = m_foreOver = p.color(QPalette::ButtonText);
    setAutoDefault(false);
    ApplyColors();
}

OrvicButton::OrvicButton(const QString& objectName, QWidget* parent) : OrvicButton(parent) {
    setObjectName(objectName);
}

void OrvicButton::SetCaption(const QString& caption) {
    m_caption = caption;
    QString shown = caption;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setText(shown);
}

void OrvicButton::SetBackColor(const QColor& c) {
    m_backColor = c;
    ApplyColors();
}

void OrvicButton::SetBackOver(const QColor& c) {
    m_backOver = c;
    ApplyColors();
}

void OrvicButton::SetForeColor(const QColor& c) {
    m_foreColor = c;
    ApplyColors();
}

void OrvicButton::SetForeOver(const QColor& c) {
    m_foreOver = c;
    ApplyColors();
}

void OrvicButton::SetFontBold(bool bold) {
    QFont f = font();
    f.setBold(bold);
    setFont(f);
}

void OrvicButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    ApplyColors();
    QPushButton::enterEvent(event);
}

void OrvicButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    ApplyColors();
    QPushButton::leaveEvent(event);
}

void OrvicButton::ApplyColors() {
    // The disabled group keeps the style's own colours, so that a disabled button looks disabled.
    QPalette p = palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Button, m_hovered ? m_backOver : m_backColor);
        p.setColor(group, QPalette::ButtonText, m_hovered ? m_foreOver : m_foreColor);
    }
    setPalette(p);
    update();
}
