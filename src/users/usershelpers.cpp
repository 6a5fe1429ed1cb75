#include "users/usershelpers.h"

#include "data/ansitext.h"
#include "data/fileio.h"
#include "data/records.h"
#include "ui/prompts.h"

QString UserSortKey(const UserRecord& record) {
    return TrimSpaces(record.LastName()) + QLatin1Char(' ') + TrimSpaces(record.FirstName());
}
