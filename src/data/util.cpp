#include "data/util.h"

#include <QRandomGenerator>

#include <algorithm>

qint16 RandomInRange(qint16 low, qint16 high) {
    if (high < low)
        std::swap(low, high);
    return static_cast<qint16>(
        QRandomGenerator::global()->bounded(static_cast<int>(low), static_cast<int>(high) + 1));
}

bool IsControlCharacter(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

bool HasControlCharacter(QStringView text) {
    return std::any_of(text.begin(), text.end(), IsControlCharacter);
}

QString WithoutControlCharacters(QStringView text) {
    QString shown = text.toString();
    for (QChar& c : shown)
        if (IsControlCharacter(c))
            c = QLatin1Char('?');
    return shown;
}
