#include "data/util.h"

#include <QRandomGenerator>

#include <algorithm>

qint16 RandomInRange(qint16 low, qint16 high) {
    if (high < low)
        std::swap(low, high);
    return static_cast<qint16>(
        QRandomGenerator::global()->bounded(static_cast<int>(low), static_cast<int>(high) + 1));
}
