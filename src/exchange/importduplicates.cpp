#include "exchange/importduplicates.h"

#include "data/ansitext.h"
#include "data/clock.h"
#include "data/oledate.h"
#include "data/personnelfile.h"

#include <QFileInfo>
#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

using F = PersonnelField;

// A text field's stored bytes added to `out` when they are all ASCII: trimmed of spaces as the
// field is read, and with `trimmed` of ASCII's other white space too, as QString::trimmed trims
// it; with `folded` in lower case, as toCaseFolded folds ASCII. So they are the UTF-8 of the text
// the long way gives. False for any other byte, whose text goes the long way.
bool AsciiField(PersonnelRecordView r, PersonnelField field, bool folded, bool trimmed, QByteArray& out) {
    const FieldLayout& layout = PersonnelRecordView::FieldOf(field);
    const char* bytes = r.data() + layout.offset;
    qsizetype start = 0;
    qsizetype end = layout.width;
    const auto white = [trimmed](char c) {
        return c == ' ' || (trimmed && c >= '\t' && c <= '\r');
    };
    while (end > start && white(bytes[end - 1]))
        --end;
    while (start < end && white(bytes[start]))
        ++start;
    for (qsizetype i = start; i < end; ++i) {
        if (bytes[i] & 0x80)
            return false;
    }
    const qsizetype at = out.size();
    out.append(bytes + start, end - start);
    if (folded) {
        for (char* c = out.data() + at; c != out.data() + out.size(); ++c) {
            if (*c >= 'A' && *c <= 'Z')
                *c = char(*c + ('a' - 'A'));
        }
    }
    return true;
}

// The same employee to the eye: names as stored (trimmed), whatever their case, and the day of
// birth (a stored date may carry a time of day), or its month and day alone when the sheet masks
// the year. UTF-8, as a large import keeps one per employee. Made in `key`, whose memory is kept
// from one key to the next.
void Key(PersonnelRecordView r, QByteArray& key, const QString& monthDay = {}) {
    // ASCII names, by far the most, straight from their bytes.
    key.resize(0);
    if (monthDay.isNull() && AsciiField(r, PersonnelField::LastName, true, false, key)) {
        key += '\0';
        if (AsciiField(r, PersonnelField::FirstName, true, false, key)) {
            key += '\0';
            key += QByteArray::number(qint64(std::floor(r.DateOfBirth())));
            return;
        }
    }
    const QString born =
        monthDay.isNull() ? QString::number(qint64(std::floor(r.DateOfBirth()))) : u'*' + monthDay;
    key = (r.LastName().toCaseFolded() + QChar(0) + r.FirstName().toCaseFolded() + QChar(0) + born).toUtf8();
}
void MaskedKey(PersonnelRecordView r, QByteArray& key) {
    Key(r, key, FormatDate(r.DateOfBirth(), u"mm-dd"));
}
// The employee number as the match compares it; empty when there is none.
void Number(PersonnelRecordView r, QByteArray& number) {
    number.resize(0);
    if (!AsciiField(r, PersonnelField::EmployeeNumber, true, true, number))
        number = r.EmployeeNumber().trimmed().toCaseFolded().toUtf8();
}
void Ssn(PersonnelRecordView r, QByteArray& ssn) {
    ssn.resize(0);
    if (!AsciiField(r, PersonnelField::SocialSecurityNumber, false, true, ssn))
        ssn = r.SocialSecurityNumber().trimmed().toUtf8();
}
QByteArray Ssn(PersonnelRecordView r) {
    QByteArray ssn;
    Ssn(r, ssn);
    return ssn;
}

// Keys and the first row given each, the keys one after another in one block: a table of many
// short keys costs little more than their bytes, and a key is looked up without a copy of it.
class FirstRows {
public:
    explicit FirstRows(qint32 expected) {
        std::size_t size = 16;
        while (size < std::size_t(std::max(expected, 0)) * 2)
            size *= 2;
        m_slots.assign(size, Slot{});
    }
    // The row first given `key`: `row` when it is the first.
    qint32 FirstWith(QByteArrayView key, qint32 row) {
        const quint32 hash = Hash(key);
        Slot& slot = m_slots[Place(key, hash)];
        if (slot.row >= 0)
            return slot.row;
        slot = {hash, row, quint32(m_bytes.size())};
        char length[4];
        qToLittleEndian(quint32(key.size()), length);
        m_bytes.append(length, 4).append(key);
        if (++m_count * 2 > m_slots.size())
            Grow();
        return row;
    }
    // The row first given `key`; -1 for none.
    qint32 Find(QByteArrayView key) const { return m_slots[Place(key, Hash(key))].row; }

private:
    struct Slot {
        quint32 hash = 0;
        qint32 row = -1; // -1: empty
        quint32 at = 0;  // where the key stands in m_bytes: its length (four bytes), its bytes
    };
    static quint32 Hash(QByteArrayView key) { return quint32(qHash(key, 0)); }
    QByteArrayView KeyAt(quint32 at) const {
        return QByteArrayView(m_bytes.constData() + at + 4,
                              qFromLittleEndian<quint32>(m_bytes.constData() + at));
    }
    // The slot that holds `key`, or the empty one where it would go.
    std::size_t Place(QByteArrayView key, quint32 hash) const {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (slot.row < 0 || (slot.hash == hash && KeyAt(slot.at) == key))
                return i;
        }
    }
    void Grow() {
        std::vector<Slot> old(m_slots.size() * 2, Slot{});
        old.swap(m_slots);
        const std::size_t mask = m_slots.size() - 1;
        for (const Slot& slot : old) {
            if (slot.row < 0)
                continue;
            std::size_t i = slot.hash & mask;
            while (m_slots[i].row >= 0)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    QByteArray m_bytes;
    std::size_t m_count = 0;
};

QString ShownName(PersonnelRecordView r) {
    return r.LastName() + QStringLiteral(", ") + r.FirstName();
}

QString RowWord(bool sheetRow, bool capital) {
    return sheetRow ? (capital ? QStringLiteral("Row") : QStringLiteral("row"))
                    : (capital ? QStringLiteral("Line") : QStringLiteral("line"));
}

// A value as the preview quotes it: on one line, at most 30 characters.
QString Shown(QString value) {
    value.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\n', u' ');
    return u'\'' + (value.size() > 30 ? value.left(30) + QStringLiteral("...") : value) + u'\'';
}

} // namespace

qint64 ImportDuplicates::Updates() const {
    return std::count_if(rows.cbegin(), rows.cend(),
                         [](const auto& d) { return !d.Likely() && !d.changes.empty(); });
}
qint64 ImportDuplicates::Unchanged() const {
    return std::count_if(rows.cbegin(), rows.cend(),
                         [](const auto& d) { return !d.Likely() && d.changes.empty(); });
}
qint64 ImportDuplicates::Likely() const {
    return std::count_if(rows.cbegin(), rows.cend(), [](const auto& d) { return d.Likely(); });
}

ImportDuplicates FindImportDuplicates(PersonnelFile& file, const ImportPlan& plan, double now,
                                      const ImportProgress& progress, bool compare) {
    ImportDuplicates result;
    const qint32 rows = plan.Rows();
    const bool numbers = plan.HasColumn(F::EmployeeNumber);
    // Per row, the first row of its key (itself when it is the first); per key, that row; and the
    // same for the employee numbers and Social Security numbers. The names are read again for
    // the few rows that turn out to be duplicates.
    std::vector<qint32> firstOf(std::size_t(std::max(rows, 0)));
    std::optional<FirstRows> firstRow(rows), firstNumber(numbers ? rows : 0), firstSsn(rows);
    std::vector<qint32> ssnFirst(firstOf.size(), -1); // the first row with the row's number
    QByteArray key;
    bool anyMasked = false;
    qint64 total = rows; // and the records, once the file is open
    const auto goOn = [&](qint64 done) {
        if (!progress || done % 256 != 0 || progress(done, total))
            return true;
        result.cancelled = true;
        return false;
    };
    for (qint32 row = 0; row < rows; ++row) {
        if (!goOn(row))
            return result;
        ImportMasked masked;
        const PersonnelRecord record = plan.Record(row, now, &masked);
        anyMasked = anyMasked || masked.dateOfBirth;
        Key(record.View(), key, masked.dateOfBirth ? masked.birthMonthDay : QString());
        firstOf[std::size_t(row)] = firstRow->FirstWith(key, row);
        if (numbers) {
            Number(record.View(), key);
            if (!key.isEmpty())
                firstNumber->FirstWith(key, row);
        }
        Ssn(record.View(), key);
        if (!key.isEmpty())
            ssnFirst[std::size_t(row)] = firstSsn->FirstWith(key, row);
    }
    // Per first row of a key (or of a number), the record of the employee on file it is: the first
    // one found; 0 for none. Their names and fields are read in a second pass over them alone.
    std::vector<qint32> byName(firstOf.size()), byNumber(firstOf.size()), bySsn(firstOf.size());
    // Without the comparison, what the result shows of each employee found (the name, the date of
    // birth, whether a previous employee) is kept as the first pass finds them, so that no second
    // pass over the file is needed: per record, where its name stands in `names`.
    std::vector<qint32> shownAt;
    QByteArray names; // each one's name, then its Social Security number
    struct Shown {
        qint32 nameEnd, end;
        double dateOfBirth;
        bool previous;
    };
    std::vector<Shown> shown;
    if (rows > 0 && QFileInfo::exists(file.DataFileName())) {
        result.status = file.OpenPersonnelFileUncounted();
        if (!result.status)
            return result;
        total += file.RecordCount();
        if (!compare)
            shownAt.assign(std::size_t(file.RecordCount()) + 1, -1);
        result.status = file.ScanRecords([&](qint32 n, PersonnelRecordView r) {
            if (result.cancelled || !goOn(qint64(rows) + n))
                return;
            // A record marked for removal is no longer an employee.
            if (r.IsMarkedRemoved())
                return;
            const auto found = [&, n](std::vector<qint32>& into, qint32 row) {
                if (into[std::size_t(row)] != 0)
                    return;
                into[std::size_t(row)] = n;
                if (!compare && std::size_t(n) < shownAt.size() && shownAt[std::size_t(n)] < 0) {
                    shownAt[std::size_t(n)] = qint32(shown.size());
                    names += ShownName(r).toUtf8();
                    const auto nameEnd = qint32(names.size());
                    names += Ssn(r);
                    shown.push_back(
                        {nameEnd, qint32(names.size()), r.DateOfBirth(), r.InactivationDate() != 0});
                }
            };
            if (numbers) {
                Number(r, key);
                if (const qint32 at = key.isEmpty() ? -1 : firstNumber->Find(key); at >= 0)
                    found(byNumber, at);
            }
            Key(r, key);
            if (const qint32 at = firstRow->Find(key); at >= 0)
                found(byName, at);
            if (anyMasked) {
                MaskedKey(r, key);
                if (const qint32 at = firstRow->Find(key); at >= 0)
                    found(byName, at);
            }
            Ssn(r, key);
            if (const qint32 at = key.isEmpty() ? -1 : firstSsn->Find(key); at >= 0)
                found(bySsn, at);
        });
        if (!result.status || result.cancelled) {
            file.ClosePersonnelFile();
            return result;
        }
    }
    // The keys have done their work: their memory goes before the rows found take theirs.
    firstRow.reset();
    firstNumber.reset();
    firstSsn.reset();
    result.maskedRows = plan.MaskedRows();
    QHash<qint32, qint32> claimed;          // record -> the first row that is that employee
    QMultiHash<qint32, std::size_t> wanted; // record -> the rows of the result that name it
    std::vector<qint32> nameOf;             // per row of the result, the record whose name it shows
    // How many rows the result holds, counted first as the loop below finds them, so that the
    // result is made at its size once rather than grown (which holds it twice for a moment).
    std::size_t count = 0;
    for (qint32 row = 0; row < rows; ++row) {
        const auto r = std::size_t(row);
        const qint32 first = firstOf[r];
        const qint32 match = byNumber[r] != 0 ? byNumber[r] : first == row ? byName[r] : 0;
        bool onFile = false;
        bool earlier = first != row;
        if (match != 0) {
            onFile = !claimed.contains(match);
            earlier = !onFile;
            if (onFile)
                claimed.insert(match, row);
        }
        const qint32 ssn = ssnFirst[r];
        const qint32 holder = ssn >= 0 ? bySsn[std::size_t(ssn)] : 0;
        const bool sameSsn = ssn >= 0 && (holder != 0 ? holder != (onFile ? match : 0) : ssn != row);
        count += onFile || earlier || sameSsn ? 1 : 0;
    }
    claimed.clear();
    result.rows.reserve(count);
    nameOf.reserve(count);
    wanted.reserve(qsizetype(count));
    for (qint32 row = 0; row < rows; ++row) {
        const auto r = std::size_t(row);
        ImportDuplicate d;
        d.row = row;
        d.line = plan.Line(row);
        d.sheetRow = plan.FromWorkbook();
        const qint32 first = firstOf[r];
        const qint32 match = byNumber[r] != 0 ? byNumber[r] : first == row ? byName[r] : 0;
        qint32 named = 0;
        if (match != 0 && claimed.contains(match)) {
            named = match;
            d.earlierLine = plan.Line(claimed.value(match));
        } else if (match != 0) {
            claimed.insert(match, row);
            named = match;
            d.record = match;
            d.byNumber = byNumber[r] != 0;
        } else if (first != row) {
            const PersonnelRecord earlier = plan.Record(first, now);
            d.name = ShownName(earlier.View());
            d.dateOfBirth = earlier.DateOfBirth();
            d.earlierLine = plan.Line(first);
        }
        // A number that another employee on file (the first found with it) or an earlier row has; the
        // row's own employee holding it too, after that one, is settled when its record is read below.
        if (const qint32 ssn = ssnFirst[r]; ssn >= 0) {
            if (const qint32 holder = bySsn[std::size_t(ssn)]; holder != 0) {
                if (holder != d.record)
                    d.ssnRecord = holder;
            } else if (ssn != row) {
                d.ssnLine = plan.Line(ssn);
                d.ssnName = ShownName(plan.Record(ssn, now).View());
            }
        }
        if (!d.OnFile() && d.earlierLine == 0 && !d.SameSsn())
            continue;
        if (named != 0)
            wanted.insert(named, result.rows.size());
        if (d.ssnRecord != 0 && d.ssnRecord != named)
            wanted.insert(d.ssnRecord, result.rows.size());
        nameOf.push_back(named);
        result.rows.push_back(d);
    }
    // The employees named, and what updating each one found would change.
    claimed = {};
    const auto shownOf = [&](qint32 n, QString* name, double* dateOfBirth, bool* previous) {
        if (n < 1 || std::size_t(n) >= shownAt.size() || shownAt[std::size_t(n)] < 0)
            return false;
        const auto at = std::size_t(shownAt[std::size_t(n)]);
        const qint32 start = at == 0 ? 0 : shown[at - 1].end;
        *name = QString::fromUtf8(names.constData() + start, shown[at].nameEnd - start);
        if (dateOfBirth)
            *dateOfBirth = shown[at].dateOfBirth;
        if (previous)
            *previous = shown[at].previous;
        return true;
    };
    bool kept = !compare;
    for (auto at = wanted.cbegin(); kept && at != wanted.cend(); ++at) {
        ImportDuplicate& d = result.rows[*at];
        const qint32 n = at.key();
        if (d.ssnRecord == n)
            kept = shownOf(n, &d.ssnName, nullptr, nullptr);
        if (kept && nameOf[*at] == n)
            kept = shownOf(n, &d.name, &d.dateOfBirth, &d.previous);
    }
    // The employee's own number, which an employee before it on file has too, is no clash of the
    // import's making (as the pass below finds).
    for (std::size_t i = 0; kept && i < result.rows.size(); ++i) {
        ImportDuplicate& d = result.rows[i];
        if (d.record == 0 || d.ssnRecord == 0 || nameOf[i] != d.record)
            continue;
        const auto at = std::size_t(shownAt[std::size_t(d.record)]);
        const QByteArrayView ssn(names.constData() + shown[at].nameEnd, shown[at].end - shown[at].nameEnd);
        if (ssn == Ssn(plan.Record(d.row, now).View())) {
            d.ssnRecord = 0;
            d.ssnName.clear();
        }
    }
    if (!wanted.isEmpty() && !kept) {
        // The employees found, read by their numbers in file order, so that the file is read in
        // full once; the record page's buffer is given back as it was.
        std::vector<qint32> records;
        for (auto at = wanted.cbegin(); at != wanted.cend(); ++at)
            records.push_back(at.key());
        std::sort(records.begin(), records.end());
        records.erase(std::unique(records.begin(), records.end()), records.end());
        const PersonnelRecord held = file.Record();
        const qint64 read = total;
        total += qint64(records.size());
        for (std::size_t i = 0; i < records.size() && result.status && goOn(read + qint64(i)); ++i) {
            const qint32 n = records[i];
            result.status = file.ReadPersonnelRecord(n);
            if (!result.status)
                break;
            const PersonnelRecord& stored = file.Record();
            const PersonnelRecordView r = stored.View();
            for (auto at = wanted.constFind(n); at != wanted.cend() && at.key() == n; ++at) {
                ImportDuplicate& d = result.rows[*at];
                if (d.ssnRecord == n)
                    d.ssnName = ShownName(r);
                if (nameOf[*at] != n)
                    continue;
                // The employee's own number, which an employee before it on file has too, is no clash
                // of the import's making.
                if (d.record == n && d.ssnRecord != 0 && Ssn(r) == Ssn(plan.Record(d.row, now).View())) {
                    d.ssnRecord = 0;
                    d.ssnName.clear();
                }
                d.name = ShownName(r);
                d.dateOfBirth = r.DateOfBirth();
                d.previous = r.InactivationDate() != 0;
                if (d.record == n && compare)
                    d.changes = RecordChanges(stored, plan.Updated(d.row, stored));
            }
        }
        file.Record() = held;
    }
    if (file.IsOpen())
        file.ClosePersonnelFile();
    if (result.cancelled)
        result.rows.clear();
    return result;
}

std::vector<qint32> NewImportRows(const ImportPlan& plan, const ImportDuplicates& duplicates) {
    return SelectImportRows(plan, duplicates, true, false).add;
}

ImportSelection SelectImportRows(const ImportPlan& plan, const ImportDuplicates& duplicates, bool update,
                                 bool addDuplicates) {
    ImportSelection s;
    auto next = duplicates.rows.cbegin();
    auto masked = duplicates.maskedRows.cbegin();
    for (qint32 row = 0; row < plan.Rows(); ++row) {
        bool add = true;
        if (next != duplicates.rows.cend() && next->row == row) {
            const ImportDuplicate& d = *next++;
            if (d.OnFile() && update && (!d.SameSsn() || addDuplicates)) {
                add = false;
                if (d.changes.empty())
                    ++s.unchanged;
                else
                    s.updates.push_back({row, d.record});
            } else if (!addDuplicates) {
                add = false;
                ++s.skipped;
            }
        }
        while (masked != duplicates.maskedRows.cend() && *masked < row)
            ++masked;
        if (add && masked != duplicates.maskedRows.cend() && *masked == row)
            s.maskedAdds.push_back(row);
        if (add)
            s.add.push_back(row);
    }
    return s;
}

QString DuplicateText(const ImportDuplicate& d, QStringView datePattern, bool updating) {
    const QString row = RowWord(d.sheetRow, true) + u' ' + QString::number(d.line);
    if (d.earlierLine == 0 && (d.record == 0 || (updating && d.SameSsn())))
        return d.ssnRecord != 0
                   ? QStringLiteral("%1 has the Social Security number of %2, who is already on file.")
                         .arg(row, d.ssnName)
                   : QStringLiteral("%1 has the Social Security number of %2 %3: %4.")
                         .arg(row, RowWord(d.sheetRow, false))
                         .arg(d.ssnLine)
                         .arg(d.ssnName);
    const QString born = FormatDate(d.dateOfBirth, datePattern);
    if (d.record == 0)
        return QStringLiteral("%1 looks like %2 %3: %4, born %5.")
            .arg(row, RowWord(d.sheetRow, false))
            .arg(d.earlierLine)
            .arg(d.name, born);
    return QStringLiteral("%1 looks like %2, born %3, who is already on file%4.")
        .arg(row, d.name, born, d.previous ? QStringLiteral(" as a previous employee") : QString());
}

QString UpdateText(const ImportDuplicate& d) {
    QStringList changes;
    for (const HistoryChange& c : d.changes)
        changes += c.field + u' ' + Shown(c.before) + QStringLiteral(" -> ") + Shown(c.after);
    return QStringLiteral("%1 %2 updates %3: %4.")
        .arg(RowWord(d.sheetRow, true))
        .arg(d.line)
        .arg(d.name, changes.join(QStringLiteral("; ")));
}

QString MaskedAddText(const ImportPlan& plan, qint32 row) {
    ImportMasked masked;
    plan.Record(row, 0, &masked);
    return QStringLiteral("%1 %2, column '%3' is masked, and the row is no employee on file whose value it "
                          "could keep. Fill in the whole value, or export the list again as a user who "
                          "sees it.")
        .arg(RowWord(plan.FromWorkbook(), true))
        .arg(plan.Line(row))
        .arg(masked.socialSecurityNumber ? QStringLiteral("SocialSecurityNumber")
                                         : QStringLiteral("DateOfBirth"));
}

QString ImportSummary(const ImportSelection& s) {
    return QStringLiteral("%1 added, %2 updated, %3 unchanged, %4 skipped.")
        .arg(s.add.size())
        .arg(s.updates.size())
        .arg(s.unchanged)
        .arg(s.skipped);
}
