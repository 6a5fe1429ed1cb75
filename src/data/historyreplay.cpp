#include "data/historyreplay.h"

#include <algorithm>

std::size_t HistoryFieldIndex(const QString& name) {
    static const QHash<QString, std::size_t> fields = [] {
        QHash<QString, std::size_t> byName;
        for (std::size_t i = 0; i < PersonnelFields.size(); ++i)
            byName.insert(QString::fromLatin1(PersonnelFields[i].name), i);
        return byName;
    }();
    return fields.value(name, PersonnelFields.size());
}

quint64 HistoryStateHash(const HistoryFieldValues& values) {
    // FNV-1a over each value's UTF-16 and a separator.
    quint64 hash = 14695981039346656037ull;
    const auto add = [&](char16_t c) {
        hash ^= quint64(c);
        hash *= 1099511628211ull;
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (static_cast<PersonnelField>(i) == PersonnelField::DateModified)
            continue;
        for (const QChar c : values[i])
            add(c.unicode());
        add(u'\t');
    }
    return hash;
}

void HistoryReplay::Erase(qint64 employee) {
    // Most entries are of an employee in the record the roster has them in, or of one not on it
    // (a first entry): only a move or a removal searches the roster.
    if (!onRoster.remove(employee))
        return;
    const auto at = std::find(roster.begin(), roster.end(), employee);
    if (at != roster.end())
        roster.erase(at);
}

void HistoryReplay::Apply(const HistoryEntry& e) {
    lastEntry = std::max(lastEntry, e.entry);
    lastEmployee = std::max(lastEmployee, e.employee);
    const bool gone =
        e.action == HistoryAction::Removed || (e.action == HistoryAction::Restored && e.record == 0);
    if (gone) {
        Erase(e.employee);
        departed.insert(e.employee, values.take(e.employee));
        return;
    }
    departed.remove(e.employee);
    HistoryFieldValues& v = values[e.employee];
    // The program writes the changes in layout order: the field after the last one is tried first.
    std::size_t next = 0;
    for (const HistoryChange& c : e.changes) {
        const std::size_t i = next < v.size() && c.field == QLatin1StringView(PersonnelFields[next].name)
                                  ? next
                                  : HistoryFieldIndex(c.field);
        if (i < v.size()) {
            v[i] = c.after;
            next = i + 1;
        }
    }
    if (keepStates)
        states.emplace_back(HistoryStateHash(v), e.employee);
    if (e.record < 1)
        return;
    const std::size_t at = std::size_t(e.record - 1);
    if (at < roster.size() && roster[at] == e.employee)
        return;
    Erase(e.employee);
    roster.insert(roster.begin() + qint64(std::min(at, roster.size())), e.employee);
    onRoster.insert(e.employee);
}
