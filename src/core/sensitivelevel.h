#pragma once

#include "core/appcontext.h"
#include "core/programstate.h"
#include "data/datafilenames.h"
#include "data/sensitive.h"
#include "data/sensitiverule.h"

// The sensitive-fields rule of the data folder, read afresh each time: every list, record,
// printout and export asks it, so a change made on another computer sharing the folder holds at
// once.
inline SensitiveRule FolderSensitiveRule(const AppContext& ctx) {
    return ReadSensitiveRule(ctx.io, SensitiveRuleFileName, ctx.state.UserLogName);
}

// What a user of `userLevel` sees of the sensitive fields under the folder's rule.
inline SensitiveFields SensitiveFieldsFor(const AppContext& ctx, int userLevel) {
    return SensitiveFields(userLevel, FolderSensitiveRule(ctx).level);
}
