#include "ui/altkeys.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

bool UnmatchedAltKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers held = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (held != Qt::AltModifier || key->text().isEmpty() || !key->text().front().isPrint())
        return false;
    return qobject_cast<QLineEdit*>(watched) || qobject_cast<QPlainTextEdit*>(watched) ||
           qobject_cast<QTextEdit*>(watched) || qobject_cast<QAbstractSpinBox*>(watched) ||
           qobject_cast<QComboBox*>(watched);
}
