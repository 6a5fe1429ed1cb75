#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;
class UserRecord;

// The user list's sort key: last name, one space, first name, both trimmed.
QString UserSortKey(const UserRecord& record);

// The soft backdrop the user windows stand on, painted over the whole of `window`.
void PaintUserWindowBackdrop(QWidget* window);
