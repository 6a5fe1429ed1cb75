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
template <typename ValueAt>
quint64 StateHash(const ValueAt& valueAt) {
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

HistoryReplay::Slot* HistoryReplay::Find(qint64 employee) {
    return const_cast<Slot*>(std::as_const(*this).Find(employee));
}

const HistoryReplay::Slot* HistoryReplay::Find(qint64 employee) const {
    quint32 at = 0;
    if (employee >= 0 && employee < Dense) {
        if (employee < qint64(m_slotOf.size()))
            at = m_slotOf[std::size_t(employee)];
    } else if (const auto it = m_slotOfMore.find(employee); it != m_slotOfMore.end()) {
        at = it->second;
    }
    return at == 0 ? nullptr : &m_slots[at - 1];
}

HistoryReplay::Slot* HistoryReplay::Enter(qint64 employee, qint64 entry, qint32 record, bool takesOut) {
    lastEntry = std::max(lastEntry, entry);
    lastEmployee = std::max(lastEmployee, employee);
    Slot* slot = Find(employee);
    PlaceInRoster(roster, employee, record, takesOut, slot != nullptr);
    if (!slot) {
        m_slots.push_back({});
        m_slots.back().employee = employee;
        const auto at = quint32(m_slots.size());
        if (employee >= 0 && employee < Dense) {
            if (employee >= qint64(m_slotOf.size()))
                m_slotOf.resize(std::size_t(employee) + 1, 0);
            m_slotOf[std::size_t(employee)] = at;
        } else {
            m_slotOfMore.emplace(employee, at);
        }
        slot = &m_slots.back();
        slot->where = takesOut ? Where::Departed : Where::OnFile;
        return takesOut ? nullptr : slot;
    }
    // Going keeps the record as it stood; coming back (or going again) starts it empty.
    const bool keeps = takesOut && slot->where == Where::OnFile;
    if (!keeps && slot->where == Where::Departed) {
        for (std::size_t f = 0; f < slot->values.size(); ++f)
            Set(*slot, f, {});
    }
    slot->where = takesOut ? Where::Departed : Where::OnFile;
    return takesOut ? nullptr : slot;
}

void HistoryReplay::Set(Slot& slot, std::size_t field, QStringView value) {
    quint64& place = slot.values[field];
    m_live -= qint64(place & LengthMask);
    place = 0;
    if (value.isEmpty())
        return;
    // A value is at most a line long (MaxHistoryLineBytes), well within its 24 bits.
    const auto length = std::min<quint64>(quint64(value.size()), LengthMask);
    place = quint64(m_text.size()) << LengthBits | length;
    m_text.insert(m_text.end(), value.utf16(), value.utf16() + length);
    m_live += qint64(length);
    if (qint64(m_text.size()) > 2 * m_live + (1 << 20))
        Pack();
}

void HistoryReplay::SetBytes(Slot& slot, std::size_t field, QByteArrayView utf8, bool ascii) {
    if (!ascii) {
        m_decoded = QString::fromUtf8(utf8);
        Set(slot, field, m_decoded);
        return;
    }
    quint64& place = slot.values[field];
    m_live -= qint64(place & LengthMask);
    place = 0;
    if (utf8.isEmpty())
        return;
    const auto length = std::min<quint64>(quint64(utf8.size()), LengthMask);
    place = quint64(m_text.size()) << LengthBits | length;
    const std::size_t at = m_text.size();
    m_text.resize(at + length);
    char16_t* out = m_text.data() + at;
    for (std::size_t i = 0; i < length; ++i)
        out[i] = char16_t(quint8(utf8[qsizetype(i)]));
    m_live += qint64(length);
    if (qint64(m_text.size()) > 2 * m_live + (1 << 20))
        Pack();
}

void HistoryReplay::Pack() {
    std::vector<char16_t> packed;
    packed.reserve(std::size_t(m_live) + std::size_t(m_live) / 2);
    for (Slot& slot : m_slots) {
        for (quint64& place : slot.values) {
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

void HistoryReplay::Entered(const Slot& slot, qint64 employee) {
    if (keepStates)
        states.emplace_back(StateHash([&](std::size_t i) { return Value(slot.values[i]); }), employee);
}

QStringView HistoryReplay::Value(quint64 place) const {
    return {m_text.data() + (place >> LengthBits), qsizetype(place & LengthMask)};
}

void HistoryReplay::Apply(const HistoryEntry& e) {
    Slot* slot = Enter(e.employee, e.entry, e.record, TakesOut(e));
    if (!slot)
        return;
    for (const HistoryChange& c : e.changes) {
        if (const std::size_t i = HistoryFieldIndex(c.field); i < slot->values.size())
            Set(*slot, i, c.after);
    }
    Entered(*slot, e.employee);
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
    if (Slot* slot = Enter(m_line.employee, m_line.entry, m_line.record, takesOut)) {
        for (const HistoryLineView::Change& c : m_line.changes) {
            if (c.field < slot->values.size())
                SetBytes(*slot, c.field, c.after, c.ascii);
        }
        Entered(*slot, m_line.employee);
    }
    if (employee)
        *employee = m_line.employee;
    return true;
}

bool HistoryReplay::OnFile(qint64 employee) const {
    const Slot* slot = Find(employee);
    return slot && slot->where == Where::OnFile;
}

QStringView HistoryReplay::Value(qint64 employee, std::size_t field) const {
    const Slot* slot = Find(employee);
    return slot && field < slot->values.size() ? Value(slot->values[field]) : QStringView();
}

HistoryFieldValues HistoryReplay::Values(qint64 employee, bool departed) const {
    HistoryFieldValues values;
    const Slot* slot = Find(employee);
    if (slot && (slot->where == Where::Departed) == departed) {
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = Value(slot->values[i]).toString();
    }
    return values;
}

std::vector<qint64> HistoryReplay::Departed() const {
    std::vector<qint64> gone;
    for (const Slot& slot : m_slots) {
        if (slot.where == Where::Departed)
            gone.push_back(slot.employee);
    }
    return gone;
}
