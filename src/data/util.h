#pragma once

#include <QtGlobal>

// A whole number from low to high inclusive, uniformly drawn.
qint16 RandomInRange(qint16 low, qint16 high);
