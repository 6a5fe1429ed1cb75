#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// A whole number from low to high inclusive, uniformly drawn.
qint16 RandomInRange(qint16 low, qint16 high);

// True for a control character: C0 (U+0000 to U+001F, tab, CR and LF among them), DEL and C1
// (U+0080 to U+009F, where the five bytes Windows-1252 leaves undefined are read).
bool IsControlCharacter(QChar c);
bool HasControlCharacter(QStringView text);

// `text` with each control character replaced by '?', for a stored text that is shown on one
// line or written into one: a name read from the user list could otherwise start a line of its
// own in the user log, or a forged one.
QString WithoutControlCharacters(QStringView text);
