#include "list/listbuilder.h"

#include "data/ansitext.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "data/records.h"
#include "data/textorder.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

using F = PersonnelField;

constexpr ListType Alphabetical = ListType::Alphabetical;
constexpr ListType BySeniority = ListType::BySeniority;
constexpr ListType ByAge = ListType::ByAge;
constexpr ListType Birthdays = ListType::Birthdays;

// Julian day of 30 December 1899, day 0 of OLE dates.
constexpr qint64 EpochJulianDay = 2415019;

// A date taken apart once per row, so that each of its forms costs a few digit writes instead of a
// pass through FormatDate's pattern reader. Invalid values stay invalid and format as "".
struct Day {
    int year = 0;
    int month = 0;
    int day = 0;
    bool valid = false;

    static Day Of(double ole) {
        Day out;
        // Stored dates are whole days, which need none of OleToDate's rounding of the time of day;
        // anything else goes the long way.
        if (ole >= OleDateMin && ole <= std::trunc(OleDateMax) && ole == std::trunc(ole)) {
            QDate::fromJulianDay(EpochJulianDay + qint64(ole)).getDate(&out.year, &out.month, &out.day);
        } else if (const std::optional<QDate> d = OleToDate(ole)) {
            d->getDate(&out.year, &out.month, &out.day);
        } else {
            return out;
        }
        out.valid = true;
        return out;
    }
    int MonthDay() const { return month * 100 + day; }
    // The "yyyymmdd" digits as a number; -1 where the text is empty.
    int SortNumber() const { return valid ? year * 10000 + MonthDay() : -1; }
};

// YearsBetween(from, 0, today) for dates already taken apart.
int YearsTo(const Day& from, const Day& today) {
    if (!from.valid || !today.valid)
        return 0;
    return today.year - from.year - (from.MonthDay() > today.MonthDay() ? 1 : 0);
}

void PutNumber(std::string& out, int value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void PutDigits(std::string& out, int value, int width) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(std::max<std::ptrdiff_t>(0, width - (end - digits)), '0');
    out.append(digits, end);
}

void PutTrimmed(std::string& out, QByteArrayView field) {
    const QByteArrayView t = TrimSpaces(field);
    out.append(t.data(), std::size_t(t.size()));
}

// "mm/dd": a birth date without the year that would tell the age.
void PutMonthDay(std::string& out, const Day& d) {
    if (!d.valid)
        return;
    PutDigits(out, d.month, 2);
    out += '/';
    PutDigits(out, d.day, 2);
}

// "mm/dd/yyyy"
void PutSlashDate(std::string& out, const Day& d) {
    if (!d.valid)
        return;
    PutMonthDay(out, d);
    out += '/';
    PutDigits(out, d.year, 4);
}

// The notepad is nearly always mostly padding: step over the trailing spaces in large chunks.
QByteArrayView TrimNotepad(QByteArrayView field) {
    static const std::string spaces(256, ' ');
    const char* bytes = field.data();
    qsizetype end = field.size();
    while (end >= qsizetype(spaces.size()) &&
           std::memcmp(bytes + end - spaces.size(), spaces.data(), spaces.size()) == 0)
        end -= qsizetype(spaces.size());
    while (end > 0 && bytes[end - 1] == ' ')
        --end;
    qsizetype start = 0;
    while (start < end && bytes[start] == ' ')
        ++start;
    return field.sliced(start, end - start);
}

// The fields the look-for text is searched in lie between these offsets, the notepad straight after
// them.
constexpr int SearchedBegin = PersonnelRecordView::FieldOf(F::FirstName).offset;
constexpr int SearchedEnd =
    PersonnelRecordView::FieldOf(F::JobTitle).offset + PersonnelRecordView::FieldOf(F::JobTitle).width;
constexpr int NotepadEnd =
    PersonnelRecordView::FieldOf(F::Notepad).offset + PersonnelRecordView::FieldOf(F::Notepad).width;
static_assert(PersonnelRecordView::FieldOf(F::EmployeeNumber).offset >= SearchedBegin &&
              PersonnelRecordView::FieldOf(F::CellPhone).offset < SearchedEnd &&
              PersonnelRecordView::FieldOf(F::SocialSecurityNumber).offset < SearchedEnd &&
              PersonnelRecordView::FieldOf(F::EmployeeNumber).offset < SearchedEnd);
static_assert(PersonnelRecordView::FieldOf(F::Notepad).offset == SearchedEnd);

// Each byte's character folded to lower case, as a rank: two names with the same fold bytes are the
// same text but for case, which the list's order does not tell apart.
const std::array<unsigned char, 256>& FoldRanks() {
    static const std::array<unsigned char, 256> ranks = [] {
        std::array<char16_t, 256> folded{};
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            folded[std::size_t(b)] = FromAnsi(QByteArrayView(&c, 1)).at(0).toCaseFolded().unicode();
        }
        std::array<char16_t, 256> order = folded;
        std::sort(order.begin(), order.end());
        const auto last = std::unique(order.begin(), order.end());
        std::array<unsigned char, 256> out{};
        for (std::size_t b = 0; b < 256; ++b)
            out[b] =
                static_cast<unsigned char>(std::lower_bound(order.begin(), last, folded[b]) - order.begin());
        return out;
    }();
    return ranks;
}

// Cells that repeat an earlier cell's text (titles, birthdays, ages) share it: a copy of a QString
// is a reference, so a long list allocates and fills far less memory. Direct-mapped: a slot keeps
// the texts of the last key that fell on it.
template <typename Key, int Texts = 1> class TextCache {
public:
    explicit TextCache(int bits) : m_bits(bits), m_slots(std::size_t(1) << bits) {}

    // The texts of `key`; `make` fills them when the slot holds another key.
    template <typename Lookup, typename Make>
    const std::array<QString, Texts>& Get(const Lookup& key, std::uint64_t hash, Make make) {
        Slot& slot = m_slots[std::size_t((hash * 0x9E3779B97F4A7C15ull) >> (64 - m_bits))];
        if (!slot.used || slot.key != key) {
            slot.key = Key(key);
            make(slot.texts);
            slot.used = true;
        }
        return slot.texts;
    }

private:
    struct Slot {
        Key key{};
        std::array<QString, Texts> texts;
        bool used = false;
    };
    int m_bits;
    std::vector<Slot> m_slots;
};

// The filters and cells of one build. Cells are put together as Windows-1252 bytes (fields, digits
// and punctuation alike) and decoded once each.
class RowBuilder {
public:
    // `ranks`: TextOrder::AnsiRanks, for the alphabetical list.
    RowBuilder(const ListQuery& options, double today, const std::array<unsigned char, 256>& ranks,
               EmployeeListResult& result)
        : m_options(options), m_type(options.type), m_today(Day::Of(today)), m_ranks(ranks),
          m_result(result) {
        const QLocale locale;
        for (int m = 1; m <= 12; ++m)
            m_monthNames[std::size_t(m)] = locale.monthName(m, QLocale::ShortFormat);
        if (m_type == Alphabetical)
            PrepareFilters();
    }

    // The look-for text was trimmed by the test of at least one record.
    bool OtherTextTrimmed() const { return m_reachedTextTest; }

    std::vector<qint32> recordNumbers; // by row, as built
    std::vector<int> sortNumbers;      // by row, types 2 to 4: the sort key as a number
    // Alphabetical list: the name of row i as letter ranks (TextOrder::AnsiRanks) is
    // nameKeys[nameKeyEnds[i-1]..nameKeyEnds[i]), folded to lower case the same stretch of
    // foldKeys. Rows whose names hold a character without a rank are in unrankedRows.
    std::string nameKeys;
    std::string foldKeys;
    std::vector<std::uint32_t> nameKeyEnds;
    std::vector<qint32> unrankedRows;

    std::string_view NameKey(qint32 row) const { return KeyOf(nameKeys, row); }
    std::string_view FoldKey(qint32 row) const { return KeyOf(foldKeys, row); }

    void Visit(qint32 n, PersonnelRecordView r) {
        if (m_type == Alphabetical) {
            if (!Qualifies(r))
                return;
            AddAlphabeticalRow(n, r);
        } else {
            if (r.InactivationDate() != 0)
                return;
            AddDatedRow(n, r);
        }
    }

private:
    std::string_view KeyOf(const std::string& keys, qint32 row) const {
        const std::size_t begin = row > 0 ? nameKeyEnds[std::size_t(row) - 1] : 0;
        return std::string_view(keys).substr(begin, nameKeyEnds[std::size_t(row)] - begin);
    }

    void PrepareFilters() {
        const ListQuery& o = m_options;
        m_race = o.race;
        m_sex = o.sex;

        // "yyyy" always gives four digits, so nothing else can match.
        if (!o.year.isEmpty()) {
            m_yearFilter = -2;
            bool digits = o.year.size() == 4;
            for (QChar c : o.year)
                digits = digits && c >= u'0' && c <= u'9';
            if (digits)
                m_yearFilter = o.year.toInt();
        }

        m_otherText = TrimSpaces(o.lookFor);
        if (!m_otherText.isEmpty()) {
            m_needle = ToAnsi(m_otherText);
            // A character the code page cannot hold is in no record.
            m_needleStorable = FromAnsi(m_needle) == m_otherText;
            m_searcher.emplace(m_needle.cbegin(), m_needle.cend());
            m_searchText.reserve(512);
            // The longest stretch of the text without blanks: any match has it inside one field.
            for (const QByteArray& part : m_needle.split(' ')) {
                if (part.size() > m_stretch.size())
                    m_stretch = part;
            }
        }
    }

    bool Qualifies(PersonnelRecordView r) {
        const ListQuery& o = m_options;
        if (m_race && r.Raw(F::Race)[0] != m_race)
            return false;
        if (m_sex && r.Raw(F::Sex)[0] != m_sex)
            return false;
        const double inactivation = r.InactivationDate();
        if (!((o.status == EmploymentStatus::Current && inactivation == 0) ||
              (o.status == EmploymentStatus::Previous && inactivation > 0)))
            return false;
        if (!o.month.isEmpty() || m_yearFilter != -1) {
            const Day employed = Day::Of(r.DateOfEmployment());
            if (!o.month.isEmpty() && (!employed.valid || o.month != m_monthNames[employed.month]))
                return false;
            if (m_yearFilter != -1 && (!employed.valid || employed.year != m_yearFilter))
                return false;
        }
        if (m_ageGroup) {
            char digits[16];
            std::to_chars(digits, digits + sizeof digits, YearsTo(Day::Of(r.DateOfBirth()), m_today));
            if (o.ageGroup[0] != QLatin1Char(digits[0]))
                return false;
        }
        if (!o.lookFor.isEmpty()) {
            m_reachedTextTest = true;
            if (!m_otherText.isEmpty() && !Contains(r))
                return false;
        }
        return true;
    }

    // True when the blank-free stretch of the look-for text occurs in `bytes`.
    bool HasStretch(const char* bytes, std::size_t size) const {
        const std::size_t length = std::size_t(m_stretch.size());
        const char first = m_stretch[0];
        while (size >= length) {
            const auto* hit = static_cast<const char*>(std::memchr(bytes, first, size - length + 1));
            if (!hit)
                return false;
            if (std::memcmp(hit + 1, m_stretch.constData() + 1, length - 1) == 0)
                return true;
            size -= std::size_t(hit + 1 - bytes);
            bytes = hit + 1;
        }
        return false;
    }

    bool Found(QByteArrayView haystack) const {
        const auto end = haystack.data() + haystack.size();
        return std::search(haystack.data(), end, *m_searcher) != end;
    }

    // The record's search text holds the look-for text. The text is the fields joined by single
    // blanks; the notepad is searched where it lies, and only the stretch where a match could
    // straddle its joint with the other fields is copied.
    bool Contains(PersonnelRecordView r) {
        if (!m_needleStorable)
            return false;
        // Most records hold no trace of the text: rule them out with one sweep over the raw bytes
        // in which every searched field lies.
        const int end = m_options.searchNotepad ? NotepadEnd : SearchedEnd;
        if (!HasStretch(r.data() + SearchedBegin, std::size_t(end - SearchedBegin)))
            return false;
        static constexpr F Searched[] = {
            F::FirstName,
            F::MiddleName,
            F::LastName,
            F::Suffix,
            F::SocialSecurityNumber,
            F::EmergencyName,
            F::EmergencyRelationship,
            F::EmergencyPhone,
            F::StreetAddress,
            F::CityStateZip,
            F::HomePhone,
            F::CellPhone,
            F::JobTitle,
            F::EmployeeNumber,
        };
        std::string& text = m_searchText;
        text.clear();
        for (F field : Searched) {
            // A user who sees the number masked could otherwise find people by its digits.
            if (field == F::SocialSecurityNumber && m_options.sensitive.Masked())
                continue;
            if (field != F::FirstName)
                text += ' ';
            if (field == F::SocialSecurityNumber)
                text.append(r.Raw(field).data(), std::size_t(r.Raw(field).size()));
            else
                PutTrimmed(text, r.Raw(field));
        }
        QByteArrayView notepad;
        if (m_options.searchNotepad) {
            notepad = TrimNotepad(r.Raw(F::Notepad));
            text += ' ';
            text.append(notepad.data(), std::size_t(std::min(notepad.size(), m_needle.size() - 1)));
        }
        return Found(QByteArrayView(text)) || (notepad.size() >= m_needle.size() && Found(notepad));
    }

    QString Name(PersonnelRecordView r) {
        m_bytes.clear();
        PutTrimmed(m_bytes, r.Raw(F::LastName));
        m_bytes += ", ";
        PutTrimmed(m_bytes, r.Raw(F::FirstName));
        return Take();
    }

    QString Take() { return FromAnsi(QByteArrayView(m_bytes)); }

    // The cell in m_bytes, shared with earlier cells of the same text.
    const QString& TakeShared() {
        const std::string_view bytes(m_bytes);
        return m_textCells.Get(bytes, std::hash<std::string_view>()(bytes),
                               [&](auto& texts) { texts[0] = Take(); })[0];
    }

    void PutDateAndYears(const Day& d) {
        PutSlashDate(m_bytes, d);
        m_bytes += " (";
        PutNumber(m_bytes, YearsTo(d, m_today));
        m_bytes += ')';
    }

    QString DateAndYearsCell(const Day& d) {
        m_bytes.clear();
        PutDateAndYears(d);
        return Take();
    }

    QString ListWithValue(PersonnelRecordView r) {
        m_bytes.clear();
        switch (int(m_options.with)) {
        case 0:
            PutTrimmed(m_bytes, r.Raw(F::JobTitle));
            return TakeShared();
        case 1:
            if (m_options.sensitive.Masked())
                return m_options.sensitive.Ssn(FromAnsi(r.Raw(F::SocialSecurityNumber)));
            PutTrimmed(m_bytes, r.Raw(F::SocialSecurityNumber));
            break;
        case 2:
            m_bytes += r.Raw(F::Race)[0];
            m_bytes += '/';
            m_bytes += r.Raw(F::Sex)[0];
            return TakeShared();
        case 3:
            if (m_options.sensitive.Masked()) {
                const Day born = Day::Of(r.DateOfBirth());
                PutMonthDay(m_bytes, born);
                if (born.valid)
                    m_bytes += "/****";
                return TakeShared();
            }
            return DateAndYearsCell(Day::Of(r.DateOfBirth()));
        case 4:
            PutTrimmed(m_bytes, r.Raw(F::StreetAddress));
            m_bytes += ' ';
            PutTrimmed(m_bytes, r.Raw(F::CityStateZip));
            break;
        case 5:
            PutTrimmed(m_bytes, r.Raw(F::HomePhone));
            break;
        case 6:
            PutTrimmed(m_bytes, r.Raw(F::CellPhone));
            break;
        case 7:
            PutTrimmed(m_bytes, r.Raw(F::Email));
            break;
        case 8:
            return DateAndYearsCell(Day::Of(r.DateOfEmployment()));
        case 9:
            PutTrimmed(m_bytes, r.Raw(F::EmployeeNumber));
            break;
        default: // no entry selected: the column stays empty
            return {};
        }
        return Take();
    }

    void AddAlphabeticalRow(qint32 n, PersonnelRecordView r) {
        std::vector<QString>& cells = m_result.cells;
        cells.push_back(Name(r));
        const auto& folds = FoldRanks();
        bool ranked = true;
        for (char c : m_bytes) {
            const unsigned char rank = m_ranks[static_cast<unsigned char>(c)];
            ranked = ranked && rank != 0;
            nameKeys += char(rank);
            foldKeys += char(folds[static_cast<unsigned char>(c)]);
        }
        nameKeyEnds.push_back(std::uint32_t(nameKeys.size()));
        if (!ranked)
            unrankedRows.push_back(qint32(recordNumbers.size()));
        cells.push_back(ListWithValue(r));
        cells.push_back(m_filler);
        cells.push_back(QString::number(n));
        recordNumbers.push_back(n);
    }

    void AddDatedRow(qint32 n, PersonnelRecordView r) {
        std::vector<QString>& cells = m_result.cells;
        cells.push_back(Name(r));
        const Day d = Day::Of(m_type == BySeniority ? r.DateOfEmployment() : r.DateOfBirth());
        const int key = m_type == Birthdays ? (d.valid ? d.MonthDay() : -1) : d.SortNumber();
        sortNumbers.push_back(key);
        // The texts that follow from the date alone, the shown one and the sort key, made once per
        // date: many employees share a birthday, a day of birth or a first day at work.
        const auto makeDated = [&](std::array<QString, 2>& texts) {
            m_bytes.clear();
            switch (m_type) {
            case BySeniority:
                PutDateAndYears(d);
                texts[0] = Take();
                break;
            case ByAge:
                if (m_masked)
                    PutMonthDay(m_bytes, d);
                else
                    PutSlashDate(m_bytes, d);
                texts[0] = Take();
                break;
            default: // "MMM dd", which tells no year even when the year is hidden
                if (d.valid) {
                    const char day[2] = {char('0' + d.day / 10), char('0' + d.day % 10)};
                    texts[0] = m_monthNames[std::size_t(d.month)] + u' ' + QLatin1StringView(day, 2);
                } else {
                    texts[0].clear();
                }
                break;
            }
            m_bytes.clear();
            // The list by age numbers its masked rows by place once they are in order instead.
            if (d.valid && !(m_masked && m_type == ByAge))
                PutDigits(m_bytes, key, m_type == Birthdays ? 4 : 8);
            texts[1] = Take();
        };
        const std::array<QString, 2>* dated = &m_datedCells.Get(key, std::uint64_t(key), makeDated);
        switch (m_type) {
        case BySeniority:
            m_bytes.clear();
            PutTrimmed(m_bytes, r.Raw(F::JobTitle));
            cells.push_back(TakeShared());
            cells.push_back((*dated)[0]);
            break;
        case ByAge: {
            cells.push_back((*dated)[0]);
            if (m_masked) {
                cells.emplace_back();
                break;
            }
            const int age = YearsTo(d, m_today);
            cells.push_back(m_ageCells.Get(age, std::uint64_t(age),
                                           [&](auto& texts) { texts[0] = QString::number(age); })[0]);
            break;
        }
        default: { // Birthdays: then the age this year's birthday brings
            cells.push_back((*dated)[0]);
            if (m_masked) {
                cells.emplace_back();
                break;
            }
            const int age = d.valid && m_today.valid ? m_today.year - d.year : 0;
            cells.push_back(m_ageCells.Get(age, std::uint64_t(age), [&](auto& texts) {
                m_bytes.assign(" (");
                PutNumber(m_bytes, age);
                m_bytes += ')';
                texts[0] = Take();
            })[0]);
            break;
        }
        }
        cells.push_back(QString::number(n));
        cells.push_back((*dated)[1]);
        recordNumbers.push_back(n);
    }

    const ListQuery& m_options;
    const ListType m_type;
    // The dated lists by birth show month and day only and no age.
    const bool m_masked = m_options.sensitive.Masked() && m_type != BySeniority;
    // No age group for a user who sees no years of birth: it would tell everyone's decade.
    const bool m_ageGroup = !m_options.ageGroup.isEmpty() && !m_options.sensitive.Masked();
    const Day m_today;
    const std::array<unsigned char, 256>& m_ranks;
    EmployeeListResult& m_result;
    std::array<QString, 13> m_monthNames; // 1..12
    const QString m_filler = QStringLiteral("*");
    std::string m_bytes;                    // the cell being put together
    TextCache<std::string> m_textCells{10}; // titles, race/sex
    TextCache<qint64, 2> m_datedCells{14};  // the date's cell and its sort key, by sort key
    TextCache<qint64> m_ageCells{9};        // the age column of this list type

    char m_race = 0; // 0 = any
    char m_sex = 0;
    int m_yearFilter = -1; // -1 no filter, -2 matches nothing
    QString m_otherText;
    QByteArray m_needle;
    bool m_needleStorable = true;
    std::optional<std::boyer_moore_horspool_searcher<QByteArray::const_iterator>> m_searcher;
    QByteArray m_stretch;
    std::string m_searchText;
    bool m_reachedTextTest = false;
};

struct SortEntry {
    std::uint64_t key;
    qint32 row; // as built
};

// Stable sort by key, a byte at a time from the lowest; bytes that every key shares cost one
// counting pass only.
void RadixSort(SortEntry* entries, std::size_t size, std::vector<SortEntry>& scratch) {
    scratch.resize(std::max(scratch.size(), size));
    SortEntry* from = entries;
    SortEntry* to = scratch.data();
    for (int shift = 0; shift < 64; shift += 8) {
        std::array<std::size_t, 256> counts{};
        for (std::size_t i = 0; i < size; ++i)
            ++counts[(from[i].key >> shift) & 0xFF];
        if (std::find(counts.begin(), counts.end(), size) != counts.end())
            continue;
        std::size_t at = 0;
        for (std::size_t& count : counts)
            at += std::exchange(count, at);
        for (std::size_t i = 0; i < size; ++i)
            to[counts[(from[i].key >> shift) & 0xFF]++] = from[i];
        std::swap(from, to);
    }
    if (from != entries)
        std::copy(from, from + size, entries);
}

// Eight rank bytes of a name from `offset` on, big-endian; past its end the name counts as the
// lowest rank, so names that differ there already compare as they do in full.
std::uint64_t NamePart(std::string_view name, std::size_t offset) {
    std::uint64_t key = 0;
    for (std::size_t i = offset; i < offset + 8; ++i)
        key = (key << 8) | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
    return key;
}

// Sorts entries whose names agree in their first `offset` rank bytes (a whole list: 0).
template <typename NameOf>
void SortByName(SortEntry* entries, std::size_t size, std::size_t offset, const NameOf& nameOf,
                std::vector<SortEntry>& scratch) {
    const auto byWholeName = [&](const SortEntry& a, const SortEntry& b) {
        return nameOf(a.row) < nameOf(b.row);
    };
    bool longer = false;
    for (std::size_t i = 0; i < size; ++i)
        longer = longer || nameOf(entries[i].row).size() > offset;
    if (size < 64 || !longer) {
        std::stable_sort(entries, entries + size, byWholeName);
        return;
    }
    for (std::size_t i = 0; i < size; ++i)
        entries[i].key = NamePart(nameOf(entries[i].row), offset);
    RadixSort(entries, size, scratch);
    for (std::size_t run = 0; run < size;) {
        std::size_t next = run + 1;
        while (next < size && entries[next].key == entries[run].key)
            ++next;
        if (next - run > 1)
            SortByName(entries + run, next - run, offset + 8, nameOf, scratch);
        run = next;
    }
}

// The alphabetical list's rows (indexes as built) in the user's text order of their names, equal
// names in file order. Names of ranked characters are sorted by their ranks, and those with equal
// ranks (they differ in accents or case) by the collator; the few others are sorted by their
// collation keys and each put in among the first with the collator.
std::vector<qint32> AlphabeticalOrder(const RowBuilder& builder, const EmployeeListResult& result,
                                      const TextOrder& textOrder) {
    const auto name = [&](qint32 row) -> const QString& {
        return result.Cell(row, 0);
    };
    const std::size_t rows = std::size_t(result.Rows());
    std::vector<SortEntry> ranked;
    ranked.reserve(rows - builder.unrankedRows.size());
    auto unranked = builder.unrankedRows.begin();
    for (qint32 row = 0; row < qint32(rows); ++row) {
        if (unranked != builder.unrankedRows.end() && *unranked == row)
            ++unranked;
        else
            ranked.push_back(SortEntry{0, row});
    }
    std::vector<SortEntry> scratch;
    SortByName(
        ranked.data(), ranked.size(), 0, [&](qint32 row) { return builder.NameKey(row); }, scratch);
    for (std::size_t run = 0; run < ranked.size();) {
        std::size_t next = run + 1;
        bool sameText = true;
        while (next < ranked.size() &&
               builder.NameKey(ranked[next].row) == builder.NameKey(ranked[run].row)) {
            sameText = sameText && builder.FoldKey(ranked[next].row) == builder.FoldKey(ranked[run].row);
            ++next;
        }
        if (!sameText)
            std::stable_sort(ranked.begin() + std::ptrdiff_t(run), ranked.begin() + std::ptrdiff_t(next),
                             [&](const SortEntry& a, const SortEntry& b) {
                                 return builder.FoldKey(a.row) != builder.FoldKey(b.row) &&
                                        textOrder.Compare(name(a.row), name(b.row)) < 0;
                             });
        run = next;
    }

    std::vector<qint32> order;
    order.reserve(rows);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(builder.unrankedRows.size());
    for (qint32 row : builder.unrankedRows)
        keys.push_back(textOrder.SortKey(name(row)));
    std::vector<std::size_t> byKey(keys.size());
    std::iota(byKey.begin(), byKey.end(), std::size_t(0));
    std::stable_sort(byKey.begin(), byKey.end(),
                     [&](std::size_t a, std::size_t b) { return keys[a].compare(keys[b]) < 0; });
    auto at = ranked.cbegin();
    for (std::size_t i : byKey) {
        const qint32 row = builder.unrankedRows[i];
        const auto end = std::partition_point(at, ranked.cend(), [&](const SortEntry& e) {
            const int c = textOrder.Compare(name(e.row), name(row));
            return c < 0 || (c == 0 && e.row < row);
        });
        for (; at != end; ++at)
            order.push_back(at->row);
        order.push_back(row);
    }
    for (; at != ranked.cend(); ++at)
        order.push_back(at->row);
    return order;
}

// Puts the rows in `order` (row indexes as built), following each cycle of the permutation so that
// every cell moves once and no second array is needed.
void ApplyOrder(EmployeeListResult& result, const std::vector<qint32>& order) {
    const std::size_t cols = std::size_t(result.cols);
    const auto row = [&](std::size_t r) {
        return result.cells.begin() + std::ptrdiff_t(r * cols);
    };
    std::vector<bool> placed(order.size(), false);
    std::array<QString, 5> held;
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (placed[start] || std::size_t(order[start]) == start)
            continue;
        std::move(row(start), row(start) + std::ptrdiff_t(cols), held.begin());
        std::size_t to = start;
        while (true) {
            placed[to] = true;
            const std::size_t from = std::size_t(order[to]);
            if (from == start) {
                std::move(held.begin(), held.begin() + std::ptrdiff_t(cols), row(to));
                break;
            }
            std::move(row(from), row(from) + std::ptrdiff_t(cols), row(to));
            to = from;
        }
    }
}

// The masked list by age: its sort key, which would show the year of birth, becomes the row's
// place (fixed-width digits), which sorts the rows just as the dates did.
void NumberByPlace(EmployeeListResult& result, const ListQuery& options) {
    if (options.type != ByAge || !options.sensitive.Masked())
        return;
    const int rows = result.Rows();
    const int width = int(QString::number(rows).size());
    for (int row = 0; row < rows; ++row)
        result.cells[std::size_t(row) * std::size_t(result.cols) + 4] =
            QString::number(row + 1).rightJustified(width, u'0');
}

} // namespace

QString EmployeeListResult::RowText(int row) const {
    QString text;
    for (int c = 0; c < cols; ++c) {
        if (c > 0)
            text += u'\t';
        text += Cell(row, c);
    }
    return text;
}

QString EmployeeListResult::Heading(int col) const {
    const QString heading = formatString.section(QLatin1Char('|'), col, col);
    if (heading.startsWith(QLatin1Char('<')) || heading.startsWith(QLatin1Char('^')) ||
        heading.startsWith(QLatin1Char('>')))
        return heading.mid(1);
    return heading;
}

QString ListCaption(const ListQuery& options) {
    QString caption = options.status == EmploymentStatus::Current ? QStringLiteral("Current Employees")
                                                                  : QStringLiteral("Previous Employees");
    if (options.race != 0)
        caption += QStringLiteral(" - Race: ") + RaceCaption(options.race);
    if (options.sex != 0)
        caption += QStringLiteral(" - Sex: ") + SexCaption(options.sex);
    if (options.type != Alphabetical)
        return caption + QStringLiteral(" - ") + ListTypeCaption(options.type);
    const QString* const combos[] = {&options.month, &options.year, &options.ageGroup};
    // The age group is not applied for a user who sees no years of birth, and not named.
    for (int i = 1; i <= (options.sensitive.Masked() ? 2 : 3); ++i) {
        if (!combos[i - 1]->isEmpty())
            caption += QStringLiteral(" - ") + LookForCaption(i) + QStringLiteral(": ") + *combos[i - 1];
    }
    if (!options.lookFor.isEmpty())
        caption += QStringLiteral(" - '") + options.lookFor + u'\'';
    return caption;
}

EmployeeListResult BuildEmployeeRows(PersonnelFile& file, const ListQuery& options, double today,
                                     qint32 newRecordNumber,
                                     const std::function<void(qint32, PersonnelRecordView)>& listed) {
    EmployeeListResult result;
    const ListType type = options.type;
    switch (type) {
    case Alphabetical:
        result.cols = 4;
        result.formatString = QStringLiteral("Name|<") + ListWithCaption(options.with);
        result.colWidths = {2000, 4500, 1};
        break;
    case BySeniority:
        result.cols = 5;
        result.formatString = QStringLiteral("Name|<Title|<Date of Employment");
        result.colWidths = {2000, 3200, 2200};
        break;
    case ByAge:
        result.cols = 5;
        result.formatString = QStringLiteral("Name|<Date of Birth|<Current Age");
        result.colWidths = {2000, 3400, 2200};
        break;
    default:
        result.cols = 5;
        result.formatString = QStringLiteral("Name|<Birthday|<Age on this Birthday");
        result.colWidths = {2000, 3200, 2200};
        break;
    }
    result.txtOther = options.lookFor;
    result.caption = ListCaption(options);

    // One pass over the file: opened without the counting pass and read once. A record left
    // marked by an interrupted removal (rare) sends the build the long way: the full open
    // finishes the removal, and the build starts again on the file as it then is.
    result.status = file.OpenPersonnelFileUncounted();
    if (!result.status)
        return result;
    result.recordCount = file.RecordCount();

    // Every record is an upper bound for every list type.
    const qint32 likely = result.recordCount;
    result.cells.reserve(std::size_t(std::max(likely, 0)) * std::size_t(result.cols));

    // Only names are collated: the dated lists' sort keys are digits.
    const std::shared_ptr<const TextOrder> textOrder = type == Alphabetical ? TextOrder::ForUser() : nullptr;
    static const std::array<unsigned char, 256> noRanks{};
    RowBuilder builder(options, today, textOrder ? textOrder->AnsiRanks() : noRanks, result);
    builder.recordNumbers.reserve(std::size_t(std::max(likely, 0)));
    if (type == Alphabetical) {
        builder.nameKeyEnds.reserve(std::size_t(std::max(likely, 0)));
        builder.nameKeys.reserve(std::size_t(std::max(likely, 0)) * 16);
        builder.foldKeys.reserve(std::size_t(std::max(likely, 0)) * 16);
    } else {
        builder.sortNumbers.reserve(std::size_t(std::max(likely, 0)));
    }
    bool marked = false;
    result.status = file.ScanRecords([&](qint32 n, PersonnelRecordView r) {
        if (marked || r.IsMarkedRemoved()) {
            marked = true;
            return;
        }
        const std::size_t cells = result.cells.size();
        builder.Visit(n, r);
        if (listed && result.cells.size() != cells)
            listed(n, r);
    });
    file.ClosePersonnelFile();
    if (!result.status) {
        result.cells.clear();
        return result;
    }
    if (marked) {
        EmployeeListResult failed;
        failed.status = file.OpenPersonnelFile(); // finishes the removal
        file.ClosePersonnelFile();
        if (!failed.status)
            return failed;
        return BuildEmployeeRows(file, options, today, newRecordNumber, listed);
    }

    if (type == Alphabetical && builder.OtherTextTrimmed()) {
        ListQuery shown = options;
        shown.lookFor = TrimSpaces(options.lookFor);
        result.txtOther = shown.lookFor;
        result.caption = ListCaption(shown);
    }

    const int rows = result.Rows();
    if (rows < 2) {
        NumberByPlace(result, options);
        result.records = std::move(builder.recordNumbers);
        return result;
    }

    std::vector<qint32> order;
    if (type == Alphabetical) {
        order = AlphabeticalOrder(builder, result, *textOrder);
    } else {
        // The keys are fixed-width digits or empty (-1), so their numbers sort as the texts do.
        std::vector<SortEntry> entries(std::size_t(rows), SortEntry{0, 0});
        for (qint32 row = 0; row < rows; ++row)
            entries[std::size_t(row)] = {
                std::uint64_t(std::int64_t(builder.sortNumbers[std::size_t(row)]) + 1), row};
        std::vector<SortEntry> scratch;
        RadixSort(entries.data(), entries.size(), scratch);
        order.reserve(entries.size());
        for (const SortEntry& e : entries)
            order.push_back(e.row);
    }
    ApplyOrder(result, order);
    NumberByPlace(result, options);
    result.records.reserve(order.size());
    for (const qint32 row : order)
        result.records.push_back(builder.recordNumbers[std::size_t(row)]);

    if (type == Alphabetical && newRecordNumber >= 1) {
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (result.records[i] == newRecordNumber) {
                result.highlightRow = int(i) + 1;
                break;
            }
        }
    }
    return result;
}
