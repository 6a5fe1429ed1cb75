#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;
class UserRecord;
struct ProgramState;

// The name of an access level, or empty for a level outside 1..4 (a damaged record must not
// take the window down).
QString AccessLevelText(const ProgramState& state, qint16 level);

// The user list's sort key: last name, one space, first name, both trimmed.
QString UserSortKey(const UserRecord& record);

// The soft backdrop the user windows stand on, painted over the whole of `window`.
void PaintUserWindowBackdrop(QWidget* window);
