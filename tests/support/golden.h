#pragma once

#include <QByteArray>
#include <QString>

#include "support/testsupport.h"

// Compares `actual` byte for byte with the golden file `name` in the golden folder of the test's
// area (tests/<area>/golden/, named to each test by rosterly_add_test), failing with a unified
// diff of the two. With ROSTERLY_UPDATE_GOLDEN=1 in the environment it writes `actual` as the
// file instead, so that a deliberate change of an output shows in `git diff`.
void CompareGolden(const QByteArray& actual, const QString& name, const char* goldenFolder);

// The golden file of the running row of a `_data` table: `folder`/<the row's name>`ending`, the
// name in lower case with a hyphen for each run of other characters than letters and digits.
QString RowGoldenName(const QString& folder, const QString& ending);

// CompareGolden for the test's own area, leaving the test when it failed.
#define COMPARE_GOLDEN(actual, name) CHECKED(CompareGolden((actual), (name), ROSTERLY_GOLDEN_DIR))
