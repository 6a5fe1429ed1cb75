#pragma once

#include <QString>
#include <QtGlobal>

class UserRecord;

// The user list's sort key: last name, one space, first name, both trimmed.
QString UserSortKey(const UserRecord& record);
