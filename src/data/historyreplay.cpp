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

namespace {

void Erase(std::vector<qint64>& roster, qint64 employee) {
    const auto at = std::find(roster.begin(), roster.end(), employee);
    if (at != roster.end())
        roster.erase(at);
}

} // namespace

void PlaceInRoster(std::vector<qint64>& roster, const HistoryEntry& e, bool known) {
    if (TakesOut(e)) {
        Erase(roster, e.employee);
        return;
    }
    if (e.record < 1)
        return;
    const std::size_t at = std::size_t(e.record - 1);
    if (at < roster.size() && roster[at] == e.employee)
        return;
    if (known) // a new employee is in no record: no search through them all
        Erase(roster, e.employee);
    roster.insert(roster.begin() + qint64(std::min(at, roster.size())), e.employee);
}

void HistoryReplay::Apply(const HistoryEntry& e) {
    lastEntry = std::max(lastEntry, e.entry);
    lastEmployee = std::max(lastEmployee, e.employee);
    const bool known = values.contains(e.employee) || departed.contains(e.employee);
    PlaceInRoster(roster, e, known);
    if (TakesOut(e)) {
        departed.insert(e.employee, values.take(e.employee));
        return;
    }
    departed.remove(e.employee);
    HistoryFieldValues& v = values[e.employee];
    static const std::array<QString, PersonnelFields.size()> names = [] {
        std::array<QString, PersonnelFields.size()> made;
        for (std::size_t i = 0; i < made.size(); ++i)
            made[i] = QString::fromLatin1(PersonnelFields[i].name);
        return made;
    }();
    // The program writes the changes in layout order: the field after the last one is tried first.
    std::size_t next = 0;
    for (const HistoryChange& c : e.changes) {
        const std::size_t i = next < v.size() && c.field == names[next] ? next : HistoryFieldIndex(c.field);
        if (i < v.size()) {
            v[i] = c.after;
            next = i + 1;
        }
    }
    if (keepStates)
        states.emplace_back(HistoryStateHash(v), e.employee);
}
