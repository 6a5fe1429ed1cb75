#pragma once

#include <QByteArray>
#include <QString>

#include "support/testsupport.h"

// Compares `actual` byte for byte with the golden file `name` in the golden folder of the test's
// area (tests/<area>/golden/, named to each test by rosterly_add_test), failing with a unified
// diff of the two. With ROSTERLY_UPDATE_GOLDEN=1 in the environment it writes `actual` as the
// file instead, so that a deliberate change of an output shows in `git diff`.
void CompareGolden(const QByteArray& actual, const QString& name, const char* goldenFolder);

// CompareGolden for the test's own area, leaving the test when it failed.
#define COMPARE_GOLDEN(actual, name) CHECKED(CompareGolden((actual), (name), ROSTERLY_GOLDEN_DIR))
