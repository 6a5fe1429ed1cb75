#include "data/historyreplay.h"

#include <QHash>

#include <algorithm>
#include <optional>
#include <utility>

std::size_t HistoryFieldIndex(const QString& name) {
    static const QHash<QString, std::size_t> fields = [] {
        QHash<QString, std::size_t> byName;
        for (std::size_t i = 0; i < PersonnelFields.size(); ++i)
            byName.insert(QString::fromLatin1(PersonnelFields[i].name), i);
        return byName;
    }();
    return fields.value(name, PersonnelFields.size());
}

namespace {

// FNV-1a over each value's UTF-16 and a separator, DateModified left out.
template <typename ValueAt> quint64 StateHash(const ValueAt& valueAt) {
    quint64 hash = 14695981039346656037ull;
    const auto add = [&](char16_t c) {
        hash ^= quint64(c);
        hash *= 1099511628211ull;
    };
    for (std::size_t i = 0; i < PersonnelFields.size(); ++i) {
        if (static_cast<PersonnelField>(i) == PersonnelField::DateModified)
            continue;
        for (const QChar c : QStringView(valueAt(i)))
            add(c.unicode());
        add(u'\t');
    }
    return hash;
}

constexpr int LengthBits = 24;
constexpr quint64 LengthMask = (quint64(1) << LengthBits) - 1;
// The employees numbered below this are found by their number, the others (a file another program
// numbered) through a hash.
constexpr qint64 Dense = qint64(1) << 22;

} // namespace

quint64 HistoryStateHash(const HistoryFieldValues& values) {
    return StateHash([&](std::size_t i) -> const QString& { return values[i]; });
}

namespace {

void Erase(std::vector<qint64>& roster, qint64 employee) {
    const auto at = std::find(roster.begin(), roster.end(), employee);
    if (at != roster.end())
        roster.erase(at);
}

} // namespace

void PlaceInRoster(std::vector<qint64>& roster, const HistoryEntry& e, bool known) {
    PlaceInRoster(roster, e.employee, e.record, TakesOut(e), known);
}

void PlaceInRoster(std::vector<qint64>& roster, qint64 employee, qint32 record, bool takesOut, bool known) {
    if (takesOut) {
        Erase(roster, employee);
        return;
    }
    if (record < 1)
        return;
    const std::size_t at = std::size_t(record - 1);
    if (at < roster.size() && roster[at] == employee)
        return;
    if (known) // a new employee is in no record: no search through them all
        Erase(roster, employee);
    roster.insert(roster.begin() + qint64(std::min(at, roster.size())), employee);
}

quint32 HistoryReplay::Find(qint64 employee) const {
    if (employee >= 0 && employee < Dense)
        return employee < qint64(m_slotOf.size()) ? m_slotOf[std::size_t(employee)] : 0;
    const auto it = m_slotOfMore.find(employee);
    return it == m_slotOfMore.end() ? 0 : it->second;
}

quint32 HistoryReplay::Enter(qint64 employee, qint64 entry, qint32 record, bool takesOut) {
    lastEntry = std::max(lastEntry, entry);
    lastEmployee = std::max(lastEmployee, employee);
    quint32 slot = Find(employee);
    PlaceInRoster(roster, employee, record, takesOut, slot != 0);
    if (slot == 0) {
        m_employee.push_back(employee);
        m_where.push_back(takesOut ? Where::Departed : Where::OnFile);
        for (std::vector<quint64>& values : m_values)
            values.push_back(0);
        slot = quint32(m_employee.size());
        if (employee >= 0 && employee < Dense) {
            if (employee >= qint64(m_slotOf.size()))
                m_slotOf.resize(std::size_t(employee) + 1, 0);
            m_slotOf[std::size_t(employee)] = slot;
        } else {
            m_slotOfMore.emplace(employee, slot);
        }
        return takesOut ? 0 : slot;
    }
    // Going keeps the record as it stood; coming back (or going again) starts it empty.
    Where& where = m_where[slot - 1];
    if (where == Where::Departed) {
        for (std::size_t f = 0; f < m_values.size(); ++f)
            Set(slot, f, {});
    }
    where = takesOut ? Where::Departed : Where::OnFile;
    return takesOut ? 0 : slot;
}

std::span<char16_t> HistoryReplay::Replace(quint32 slot, std::size_t field, qsizetype size) {
    quint64& place = m_values[field][slot - 1];
    m_live -= qint64(place & LengthMask);
    place = 0;
    if (size == 0)
        return {};
    // A value is at most a line long (MaxHistoryLineBytes), well within its 24 bits.
    const auto length = std::min<quint64>(quint64(size), LengthMask);
    place = quint64(m_text.size()) << LengthBits | length;
    const std::size_t at = m_text.size();
    m_text.resize(at + length);
    m_live += qint64(length);
    return {m_text.data() + at, std::size_t(length)};
}

void HistoryReplay::PackIfSparse() {
    if (qint64(m_text.size()) > 2 * m_live + (1 << 20))
        Pack();
}

void HistoryReplay::Set(quint32 slot, std::size_t field, QStringView value) {
    const std::span<char16_t> room = Replace(slot, field, value.size());
    if (room.empty())
        return;
    std::copy_n(value.utf16(), room.size(), room.data());
    PackIfSparse();
}

void HistoryReplay::SetBytes(quint32 slot, std::size_t field, QByteArrayView utf8, bool ascii) {
    if (!ascii) {
        m_decoded = QString::fromUtf8(utf8);
        Set(slot, field, m_decoded);
        return;
    }
    const std::span<char16_t> room = Replace(slot, field, utf8.size());
    if (room.empty())
        return;
    for (std::size_t i = 0; i < room.size(); ++i)
        room[i] = char16_t(quint8(utf8[qsizetype(i)]));
    PackIfSparse();
}

void HistoryReplay::Pack() {
    std::vector<char16_t> packed;
    packed.reserve(std::size_t(m_live) + std::size_t(m_live) / 2);
    for (std::vector<quint64>& values : m_values) {
        for (quint64& place : values) {
            const quint64 length = place & LengthMask;
            if (length == 0)
                continue;
            const char16_t* from = m_text.data() + (place >> LengthBits);
            const quint64 at = packed.size();
            packed.insert(packed.end(), from, from + length);
            place = at << LengthBits | length;
        }
    }
    m_text = std::move(packed);
}

void HistoryReplay::Entered(quint32 slot, qint64 employee) {
    if (keepStates)
        states.emplace_back(StateHash([&](std::size_t i) { return Value(m_values[i][slot - 1]); }), employee);
}

QStringView HistoryReplay::Value(quint64 place) const {
    return {m_text.data() + (place >> LengthBits), qsizetype(place & LengthMask)};
}

void HistoryReplay::Apply(const HistoryEntry& e) {
    const quint32 slot = Enter(e.employee, e.entry, e.record, TakesOut(e));
    if (slot == 0)
        return;
    for (const HistoryChange& c : e.changes) {
        if (const std::size_t i = HistoryFieldIndex(c.field); i < m_values.size())
            Set(slot, i, c.after);
    }
    Entered(slot, e.employee);
}

bool HistoryReplay::ApplyLine(QByteArrayView line, qint64* employee) {
    if (!ReadPlainHistoryLine(line, &m_line)) {
        const std::optional<HistoryEntry> e = ParseHistoryJson(line);
        if (!e)
            return false;
        Apply(*e);
        if (employee)
            *employee = e->employee;
        return true;
    }
    const bool takesOut = m_line.action == HistoryAction::Removed ||
                          (m_line.action == HistoryAction::Restored && m_line.record == 0);
    if (const quint32 slot = Enter(m_line.employee, m_line.entry, m_line.record, takesOut)) {
        for (const HistoryLineView::Change& c : m_line.changes) {
            if (c.field < m_values.size())
                SetBytes(slot, c.field, c.after, c.ascii);
        }
        Entered(slot, m_line.employee);
    }
    if (employee)
        *employee = m_line.employee;
    return true;
}

bool HistoryReplay::OnFile(qint64 employee) const {
    const quint32 slot = Find(employee);
    return slot != 0 && m_where[slot - 1] == Where::OnFile;
}

QStringView HistoryReplay::Value(qint64 employee, std::size_t field) const {
    const quint32 slot = Find(employee);
    return slot != 0 && field < m_values.size() ? Value(m_values[field][slot - 1]) : QStringView();
}

HistoryFieldValues HistoryReplay::Values(qint64 employee, bool departed) const {
    HistoryFieldValues values;
    const quint32 slot = Find(employee);
    if (slot != 0 && (m_where[slot - 1] == Where::Departed) == departed) {
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = Value(m_values[i][slot - 1]).toString();
    }
    return values;
}

std::vector<qint64> HistoryReplay::Departed() const {
    std::vector<qint64> gone;
    for (std::size_t i = 0; i < m_employee.size(); ++i) {
        if (m_where[i] == Where::Departed)
            gone.push_back(m_employee[i]);
    }
    return gone;
}
