#pragma once

#include <QString>
#include <QtGlobal>

class IoStatus;
class Prompts;
class QWidget;
class UserRecord;
struct ProgramState;

// Shows a failed data-file operation to the user ("File Error", critical icon). Returns whether
// the operation succeeded, so a caller can write `if (!ReportFileError(...)) return;`.
bool ReportFileError(Prompts& prompts, const IoStatus& status);

// The name of an access level, or empty for a level outside 1..4 (a damaged record must not
// take the window down).
QString AccessLevelText(const ProgramState& state, qint16 level);

// The user list's sort key: last name, one space, first name, both trimmed.
QString UserSortKey(const UserRecord& record);

// The soft backdrop the user windows stand on, painted over the whole of `window`.
void PaintUserWindowBackdrop(QWidget* window);
