#pragma once

#include "data/history.h"
#include "data/records.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

// Each field of a personnel record as the history keeps it, in layout order.
using HistoryFieldValues = std::array<QString, PersonnelFields.size()>;

// The history read from its first line to its last: the employees in record order (as the
// entries' record numbers place them), what each one's record holds as far as the history knows,
// and the numbers given so far. The history keeper rebuilds its index from it, and
// `rosterly-data check` compares a personnel file with it.
struct HistoryReplay {
    std::vector<qint64> roster; // roster[n - 1]: the employee in record n
    QHash<qint64, HistoryFieldValues> values;
    // The employees removed (or left out by a restore) and not back since, with their record as
    // it last stood: a restore that brings one back gives them their own number again.
    QHash<qint64, HistoryFieldValues> departed;
    qint64 lastEntry = 0;
    qint64 lastEmployee = 0;
    // With `keepStates`, every state an employee's record has been in (HistoryStateHash of its
    // values after each entry) and whose it was, in the history's order: a restore knows the
    // backup's records by them, whatever changed since.
    bool keepStates = false;
    std::vector<std::pair<quint64, qint64>> states;

    // Takes in the next entry of the history.
    void Apply(const HistoryEntry& e);
};

// A hash of every field's value but DateModified (which the history does not follow edit by edit).
quint64 HistoryStateHash(const HistoryFieldValues& values);

// Moves `e`'s employee in `roster` (roster[n - 1]: the employee in record n) to the record the
// entry places them in, or out of it for a removal; `known` is false for an employee no earlier
// entry named, who is in no record yet.
void PlaceInRoster(std::vector<qint64>& roster, const HistoryEntry& e, bool known);

// The index of the field of the record layout named `name`; PersonnelFields.size() for none.
std::size_t HistoryFieldIndex(const QString& name);
