#pragma once

#include "data/history.h"
#include "data/records.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

// Each field of a personnel record as the history keeps it, in layout order.
using HistoryFieldValues = std::array<QString, PersonnelFields.size()>;

// The history read from its first line to its last: the employees in record order (as the
// entries' record numbers place them), what each one's record holds as far as the history knows,
// and the numbers given so far. The history keeper rebuilds its index from it, and
// `rosterly-data check` compares a personnel file with it.
//
// A rebuild replays a million lines: each one is read where it lies (ReadPlainHistoryLine) and
// only the values after its changes are kept, one after another in one block of UTF-16, each
// field of each employee a place in it; a value replaced is left there until the dead ones are
// as many as the live, then the block is packed again.
class HistoryReplay {
public:
    std::vector<qint64> roster; // roster[n - 1]: the employee in record n
    qint64 lastEntry = 0;
    qint64 lastEmployee = 0;
    // With `keepStates`, every state an employee's record has been in (HistoryStateHash of its
    // values after each entry) and whose it was, in the history's order: a restore knows the
    // backup's records by them, whatever changed since.
    bool keepStates = false;
    std::vector<std::pair<quint64, qint64>> states;

    // Takes in the next entry of the history.
    void Apply(const HistoryEntry& e);
    // Takes in the next line of the history (its line end left off or not), alike; false, and
    // nothing taken, for a line that is no entry. `*employee` (when given) is whose it is.
    bool ApplyLine(QByteArrayView line, qint64* employee = nullptr);

    // Whether `employee` is on file (known, and not removed since).
    bool OnFile(qint64 employee) const;
    // The value of field `field` of `employee`'s record (on file or departed); empty for anyone else.
    QStringView Value(qint64 employee, std::size_t field) const;
    // Every value of it; `departed`: only when removed (or left out by a restore) and not back
    // since, as their record last stood, else only when on file. A restore that brings one
    // back gives them their own number again.
    HistoryFieldValues Values(qint64 employee, bool departed = false) const;
    // The employees removed and not back since, in no order.
    std::vector<qint64> Departed() const;

private:
    enum class Where : quint8 { OnFile, Departed };
    // Each employee the history knows has a slot, numbered from 1 in the order they came.
    quint32 Find(qint64 employee) const;
    // The employee's slot once the entry is taken in, for its changes; 0 when it takes them out.
    quint32 Enter(qint64 employee, qint64 entry, qint32 record, bool takesOut);
    // Frees the value in `slot` and makes room for `size` characters (cut at what a place holds)
    // at the end of m_text, recorded as its new place; the room, empty for an empty value.
    std::span<char16_t> Replace(quint32 slot, std::size_t field, qsizetype size);
    // Packs m_text once most of it is dead.
    void PackIfSparse();
    void Set(quint32 slot, std::size_t field, QStringView value);
    void SetBytes(quint32 slot, std::size_t field, QByteArrayView utf8, bool ascii);
    void Entered(quint32 slot, qint64 employee);
    QStringView Value(quint64 place) const;
    void Pack();

    // Per slot (from 0): its employee, where they are, and each field's value as its place in
    // m_text (its first character's, 40 bits, and its length, 24), field by field: most lines
    // change one field of one employee, and the values of one field of every employee lie
    // together, close at hand.
    std::vector<qint64> m_employee;
    std::vector<Where> m_where;
    std::array<std::vector<quint64>, PersonnelFields.size()> m_values;
    std::vector<quint32> m_slotOf;                    // by employee, 0 for none, for the numbers up to Dense
    std::unordered_map<qint64, quint32> m_slotOfMore; // the others
    std::vector<char16_t> m_text;
    qint64 m_live = 0; // the characters of m_text that a value holds
    HistoryLineView m_line;
    QString m_decoded;
};

// A hash of every field's value but DateModified (which the history does not follow edit by edit).
quint64 HistoryStateHash(const HistoryFieldValues& values);

// Moves `e`'s employee in `roster` (roster[n - 1]: the employee in record n) to the record the
// entry places them in, or out of it for a removal; `known` is false for an employee no earlier
// entry named, who is in no record yet.
void PlaceInRoster(std::vector<qint64>& roster, const HistoryEntry& e, bool known);
// The same for the entry of `employee` leaving them in `record`, or taking them out.
void PlaceInRoster(std::vector<qint64>& roster, qint64 employee, qint32 record, bool takesOut, bool known);

// The index of the field of the record layout named `name`; PersonnelFields.size() for none.
std::size_t HistoryFieldIndex(const QString& name);
