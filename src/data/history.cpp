#include "data/history.h"

#include "data/ansitext.h"
#include "data/historylines.h"
#include "data/historyreplay.h"
#include "data/oledate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <fcntl.h>

namespace {

constexpr std::array<std::pair<HistoryAction, const char*>, 9> ActionNames{{
    {HistoryAction::Started, "history starts here"},
    {HistoryAction::Added, "added"},
    {HistoryAction::Edited, "edited"},
    {HistoryAction::MadePrevious, "made previous"},
    {HistoryAction::MadeCurrent, "made current"},
    {HistoryAction::PictureChanged, "picture changed"},
    {HistoryAction::Removed, "removed"},
    {HistoryAction::Imported, "imported"},
    {HistoryAction::Restored, "restored"},
}};

} // namespace

bool TakesOut(const HistoryEntry& entry) {
    return entry.action == HistoryAction::Removed ||
           (entry.action == HistoryAction::Restored && entry.record == 0);
}

QString HistoryActionName(HistoryAction action) {
    for (const auto& [a, name] : ActionNames) {
        if (a == action)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<HistoryAction> HistoryActionFrom(QStringView name) {
    for (const auto& [a, text] : ActionNames) {
        if (name == QLatin1StringView(text))
            return a;
    }
    return std::nullopt;
}

QByteArray HistoryJsonLine(const HistoryEntry& entry) {
    QJsonArray changes;
    for (const HistoryChange& c : entry.changes)
        changes.append(QJsonObject{{QStringLiteral("field"), c.field},
                                   {QStringLiteral("before"), c.before},
                                   {QStringLiteral("after"), c.after}});
    const QDateTime time = entry.time.toOffsetFromUtc(entry.time.offsetFromUtc());
    QJsonObject line{{QStringLiteral("entry"), entry.entry},
                     {QStringLiteral("time"), time.toString(Qt::ISODate)},
                     {QStringLiteral("user"), entry.user},
                     {QStringLiteral("level"), entry.level},
                     {QStringLiteral("employee"), entry.employee},
                     {QStringLiteral("record"), entry.record},
                     {QStringLiteral("action"), HistoryActionName(entry.action)},
                     {QStringLiteral("changes"), changes}};
    if (!entry.note.isEmpty())
        line.insert(QStringLiteral("note"), entry.note);
    return QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
}

namespace {

constexpr char HexDigits[] = "0123456789abcdef";

// A text as QJsonDocument's compact form writes it (quoted, UTF-8, '"', '\' and control
// characters escaped), at `p`, which has room for 6 bytes a character and the quotes; the end, or
// nullptr for a text it writes otherwise (a lone surrogate), left to it.
char* PutJsonChars(char* p, QStringView text) {
    *p++ = '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            if (c < 0x20) {
                *p++ = '\\';
                switch (c) {
                case u'\b': *p++ = 'b'; break;
                case u'\f': *p++ = 'f'; break;
                case u'\n': *p++ = 'n'; break;
                case u'\r': *p++ = 'r'; break;
                case u'\t': *p++ = 't'; break;
                default:
                    *p++ = 'u';
                    *p++ = '0';
                    *p++ = '0';
                    *p++ = HexDigits[c >> 4];
                    *p++ = HexDigits[c & 0xF];
                }
                continue;
            }
            if (c == u'"' || c == u'\\')
                *p++ = '\\';
            *p++ = char(c);
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (c < 0xD800 || c > 0xDFFF) {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        } else {
            if (c > 0xDBFF || i + 1 == text.size())
                return nullptr;
            const char16_t low = text[i + 1].unicode();
            if (low < 0xDC00 || low > 0xDFFF)
                return nullptr;
            const char32_t u = 0x10000 + ((char32_t(c - 0xD800) << 10) | char32_t(low - 0xDC00));
            *p++ = char(0xF0 | (u >> 18));
            *p++ = char(0x80 | ((u >> 12) & 0x3F));
            *p++ = char(0x80 | ((u >> 6) & 0x3F));
            *p++ = char(0x80 | (u & 0x3F));
            ++i;
        }
    }
    *p++ = '"';
    return p;
}

// The same appended to `out`; false for a text left to QJsonDocument. Made on the stack and
// appended at once: a first start writes some three million values.
bool PutJsonText(QByteArray& out, QStringView text) {
    constexpr qsizetype Short = 256;
    char stack[6 * Short + 2];
    QByteArray heap;
    char* const start = text.size() <= Short ? stack : (heap.resize(6 * text.size() + 2), heap.data());
    const char* const end = PutJsonChars(start, text);
    if (!end)
        return false;
    out.append(start, end - start);
    return true;
}

void PutTwo(QByteArray& out, int n) {
    out += char('0' + n / 10);
    out += char('0' + n % 10);
}

// The time as QDateTime's ISO form writes it in its own offset ("2026-12-09T19:41:38+01:00", "Z"
// for UTC); false for any other (a year outside 1000..9999), left to it.
bool PutTime(QByteArray& out, const QDateTime& time) {
    if (!time.isValid())
        return false;
    const int offset = time.offsetFromUtc();
    // The entries of one change share their time: the last one written is kept at hand.
    thread_local QDateTime lastTime;
    thread_local int lastOffset = 0;
    thread_local QByteArray lastText;
    if (!lastText.isEmpty() && offset == lastOffset && time == lastTime) {
        out += lastText;
        return true;
    }
    const qsizetype start = out.size();
    const QDateTime local = time.toUTC().addSecs(offset);
    const QDate d = local.date();
    const QTime t = local.time();
    if (d.year() < 1000 || d.year() > 9999 || offset % 60 != 0)
        return false;
    out += '"';
    out += char('0' + d.year() / 1000);
    out += char('0' + d.year() / 100 % 10);
    PutTwo(out, d.year() % 100);
    out += '-';
    PutTwo(out, d.month());
    out += '-';
    PutTwo(out, d.day());
    out += 'T';
    PutTwo(out, t.hour());
    out += ':';
    PutTwo(out, t.minute());
    out += ':';
    PutTwo(out, t.second());
    if (offset == 0) {
        out += 'Z';
    } else {
        const int minutes = std::abs(offset) / 60;
        out += offset < 0 ? '-' : '+';
        PutTwo(out, minutes / 60);
        out += ':';
        PutTwo(out, minutes % 60);
    }
    out += '"';
    lastTime = time;
    lastOffset = offset;
    lastText = out.sliced(start);
    return true;
}

} // namespace

QByteArray HistoryLine(const HistoryEntry& entry) {
    // The keys in QJsonDocument's order (sorted), written directly: a first start writes a line
    // for every record. Anything the plain form cannot hold goes through QJsonDocument.
    QByteArray out;
    out.reserve(160 + 48 * entry.changes.size());
    out += "{\"action\":";
    bool plain = PutJsonText(out, HistoryActionName(entry.action));
    out += ",\"changes\":[";
    for (qsizetype i = 0; plain && i < entry.changes.size(); ++i) {
        const HistoryChange& c = entry.changes[i];
        out += i == 0 ? "{\"after\":" : ",{\"after\":";
        plain = PutJsonText(out, c.after);
        out += ",\"before\":";
        plain = plain && PutJsonText(out, c.before);
        out += ",\"field\":";
        plain = plain && PutJsonText(out, c.field);
        out += '}';
    }
    out += "],\"employee\":";
    out += QByteArray::number(entry.employee);
    out += ",\"entry\":";
    out += QByteArray::number(entry.entry);
    out += ",\"level\":";
    out += QByteArray::number(entry.level);
    if (!entry.note.isEmpty()) {
        out += ",\"note\":";
        plain = plain && PutJsonText(out, entry.note);
    }
    out += ",\"record\":";
    out += QByteArray::number(entry.record);
    out += ",\"time\":";
    plain = plain && PutTime(out, entry.time);
    out += ",\"user\":";
    plain = plain && PutJsonText(out, entry.user);
    out += "}\n";
    return plain ? out : HistoryJsonLine(entry);
}

std::optional<HistoryEntry> ParseHistoryJson(QByteArrayView line) {
    if (line.endsWith('\n'))
        line.chop(1);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject o = document.object();
    const std::optional<HistoryAction> action =
        HistoryActionFrom(o.value(QStringLiteral("action")).toString());
    const QDateTime time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODate);
    if (!action || !time.isValid() || !o.value(QStringLiteral("employee")).isDouble() ||
        o.value(QStringLiteral("employee")).toInteger() < 1 || o.value(QStringLiteral("record")).toInteger() < 0)
        return std::nullopt;
    HistoryEntry entry;
    entry.entry = o.value(QStringLiteral("entry")).toInteger();
    entry.time = time;
    entry.user = o.value(QStringLiteral("user")).toString();
    entry.level = o.value(QStringLiteral("level")).toInt();
    entry.employee = o.value(QStringLiteral("employee")).toInteger();
    entry.record = o.value(QStringLiteral("record")).toInt();
    entry.action = *action;
    entry.note = o.value(QStringLiteral("note")).toString();
    for (const QJsonValue& value : o.value(QStringLiteral("changes")).toArray()) {
        const QJsonObject c = value.toObject();
        entry.changes.append({c.value(QStringLiteral("field")).toString(),
                              c.value(QStringLiteral("before")).toString(),
                              c.value(QStringLiteral("after")).toString()});
    }
    return entry;
}

namespace {

// Reads the plain form HistoryLine writes, strictly: the keys in its order, texts of valid UTF-8
// with no escape but those it writes (and "\/"), whole numbers of at most 18 digits, the time as
// it writes it. Anything else (a line another program wrote, or no entry at all) is not read here and goes
// to QJsonDocument, so that every line reads as QJsonDocument reads it.
class PlainLine {
public:
    // `lean`: the texts a replay does not need (before, note, user) and the time are checked, not made.
    PlainLine(QByteArrayView line, bool lean)
        : m_at(line.data()), m_end(line.data() + line.size()), m_lean(lean) {}

    std::optional<HistoryEntry> Read() {
        HistoryEntry e;
        if (!Key("{\"action\":\"") || !Action(&e.action) || !Key(",\"changes\":["))
            return std::nullopt;
        const bool changes = EachChange([&] {
            HistoryChange c;
            if (!Key("{\"after\":\"") || !Text(&c.after) || !Key(",\"before\":\"") || !Text(Made(&c.before)) ||
                !Key(",\"field\":\"") || !Field(&c.field) || !Key("}"))
                return false;
            e.changes.append(std::move(c));
            return true;
        });
        if (!changes)
            return std::nullopt;
        qint64 level = 0;
        qint64 record = 0;
        if (!Numbers(&e.employee, &e.entry, &level))
            return std::nullopt;
        if (Key(",\"note\":\"") && !Text(Made(&e.note)))
            return std::nullopt;
        if (!Key(",\"record\":") || !Number(&record) || record < 0 || record != qint32(record) ||
            !Key(",\"time\":\"") || !Time(Made(&e.time)) || !Key(",\"user\":\"") || !Text(Made(&e.user)) ||
            !Key("}") ||
            m_at != m_end)
            return std::nullopt;
        e.level = int(level);
        e.record = qint32(record);
        return e;
    }

    // The same into `v`, nothing made: each change's field found in the layout and its value after
    // it as bytes.
    bool ReadView(HistoryLineView* v) {
        v->changes.clear();
        v->unescaped.clear();
        if (!Key("{\"action\":\"") || !Action(&v->action) || !Key(",\"changes\":["))
            return false;
        const bool changes = EachChange([&] {
            HistoryLineView::Change c;
            QByteArray unescaped;
            if (!Key("{\"after\":\"") || !Bytes(&c.after, &c.ascii, &unescaped) || !Key(",\"before\":\"") ||
                !Text(nullptr) || !Key(",\"field\":\"") || !FieldAt(&c.field) || !Key("}"))
                return false;
            // Moved, the unescaped bytes stay where `after` sees them.
            if (!unescaped.isNull())
                v->unescaped.push_back(std::move(unescaped));
            v->changes.push_back(c);
            return true;
        });
        if (!changes)
            return false;
        qint64 level = 0;
        qint64 record = 0;
        if (!Numbers(&v->employee, &v->entry, &level))
            return false;
        if (Key(",\"note\":\"") && !Text(nullptr))
            return false;
        if (!Key(",\"record\":") || !Number(&record) || record < 0 || record != qint32(record) ||
            !Key(",\"time\":\"") || !Time(nullptr) || !Key(",\"user\":\"") || !Text(nullptr) || !Key("}") ||
            m_at != m_end)
            return false;
        v->record = qint32(record);
        return true;
    }

private:
    // The changes' objects, each read by `one` (false when it cannot), comma after comma up to the
    // closing bracket, which is left to the caller.
    template <typename One>
    bool EachChange(One one) {
        if (m_at < m_end && *m_at == '{') {
            for (;;) {
                if (!one())
                    return false;
                if (m_at < m_end && *m_at == ',')
                    ++m_at;
                else
                    break;
            }
        }
        return true;
    }

    // `],"employee":N,"entry":N,"level":N` after the changes: an employee from 1, a level an int holds.
    bool Numbers(qint64* employee, qint64* entry, qint64* level) {
        return Key("],\"employee\":") && Number(employee) && *employee >= 1 && Key(",\"entry\":") &&
               Number(entry) && Key(",\"level\":") && Number(level) && *level == qint32(*level);
    }

    template <typename T>
    T* Made(T* value) const {
        return m_lean ? nullptr : value;
    }

    template <std::size_t N>
    bool Key(const char (&key)[N]) {
        constexpr std::size_t length = N - 1;
        if (std::size_t(m_end - m_at) < length || std::memcmp(m_at, key, length) != 0)
            return false;
        m_at += length;
        return true;
    }

    // The rest of a text after its opening quote, and the closing quote; only checked without `text`.
    bool Text(QString* text) {
        QByteArrayView bytes;
        bool ascii = false;
        QByteArray unescaped;
        if (!Bytes(&bytes, &ascii, &unescaped))
            return false;
        if (text)
            *text = ascii ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes);
        return true;
    }

    // The same as its bytes, valid UTF-8: where they lie, or unescaped into `unescaped`; `*ascii`
    // when they hold nothing past ASCII.
    bool Bytes(QByteArrayView* out, bool* isAscii, QByteArray* unescaped) {
        const char* const start = m_at;
        bool escaped = false;
        bool ascii = true;
        for (; m_at < m_end; ++m_at) {
            const auto c = quint8(*m_at);
            if (c == '"')
                break;
            if (c < 0x20)
                return false;
            if (c == '\\') {
                if (m_at + 1 == m_end)
                    return false;
                escaped = true;
                ++m_at;
            }
            ascii = ascii && c < 0x80;
        }
        if (m_at >= m_end)
            return false;
        QByteArrayView bytes(start, m_at - start);
        ++m_at;
        if (escaped) {
            if (!Unescape(bytes, unescaped))
                return false;
            bytes = *unescaped;
            ascii = false; // a "\u" escape may stand for any character
        }
        if (!ascii && !bytes.isValidUtf8())
            return false;
        *out = bytes;
        *isAscii = ascii;
        return true;
    }

    // The escapes QJsonDocument writes, and "\/"; false for any other, and for a surrogate.
    static bool Unescape(QByteArrayView bytes, QByteArray* out) {
        out->reserve(bytes.size());
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (bytes[i] != '\\') {
                *out += bytes[i];
                continue;
            }
            if (++i == bytes.size())
                return false;
            switch (bytes[i]) {
            case '"': case '\\': case '/': *out += bytes[i]; break;
            case 'b': *out += '\b'; break;
            case 'f': *out += '\f'; break;
            case 'n': *out += '\n'; break;
            case 'r': *out += '\r'; break;
            case 't': *out += '\t'; break;
            case 'u': {
                if (bytes.size() - i < 5)
                    return false;
                char16_t u = 0;
                for (int k = 1; k <= 4; ++k) {
                    const char h = bytes[i + k];
                    const int digit = h >= '0' && h <= '9'   ? h - '0'
                                      : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                      : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                             : -1;
                    if (digit < 0)
                        return false;
                    u = char16_t(u << 4 | digit);
                }
                if (u >= 0xD800 && u <= 0xDFFF)
                    return false;
                *out += QStringView(&u, 1).toUtf8();
                i += 4;
                break;
            }
            default:
                return false;
            }
        }
        return true;
    }

    // A field's name: one of the layout's shares a text made once (a million lines name some
    // four million fields), any other is read as a text.
    bool Field(QString* field) {
        static const std::array<QString, PersonnelFields.size()> names = [] {
            std::array<QString, PersonnelFields.size()> made;
            for (std::size_t i = 0; i < made.size(); ++i)
                made[i] = QString::fromLatin1(PersonnelFields[i].name);
            return made;
        }();
        if (const std::size_t i = SpelledField(); i < names.size()) {
            *field = names[i];
            return true;
        }
        return Text(field);
    }

    // The same as the field's place in the layout, PersonnelFields.size() for a name it has not.
    bool FieldAt(std::size_t* field) {
        *field = SpelledField();
        if (*field < PersonnelFields.size())
            return true;
        QByteArrayView name;
        bool ascii = false;
        QByteArray unescaped;
        if (!Bytes(&name, &ascii, &unescaped))
            return false;
        for (std::size_t i = 0; i < PersonnelFields.size(); ++i) {
            if (name == QByteArrayView(PersonnelFields[i].name))
                *field = i;
        }
        return true;
    }

    // The place of the layout's field whose name stands as it is before the next quote, read with
    // its quote; PersonnelFields.size(), nothing read, for none.
    std::size_t SpelledField() {
        static const std::array<QByteArrayView, PersonnelFields.size()> spelled = [] {
            std::array<QByteArrayView, PersonnelFields.size()> made;
            for (std::size_t i = 0; i < made.size(); ++i)
                made[i] = QByteArrayView(PersonnelFields[i].name);
            return made;
        }();
        const char* const quote = static_cast<const char*>(std::memchr(m_at, '"', std::size_t(m_end - m_at)));
        if (quote) {
            const QByteArrayView name(m_at, quote - m_at);
            // The program writes the fields in layout order: the one after the last is tried first.
            for (std::size_t k = 0; k < spelled.size(); ++k) {
                const std::size_t i = (m_nextField + k) % spelled.size();
                if (name == spelled[i]) {
                    m_nextField = i + 1;
                    m_at = quote + 1;
                    return i;
                }
            }
        }
        return spelled.size();
    }

    bool Action(HistoryAction* action) {
        const char* const start = m_at;
        const char* const quote = static_cast<const char*>(std::memchr(m_at, '"', std::size_t(m_end - m_at)));
        if (!quote)
            return false;
        m_at = quote + 1;
        const QByteArrayView name(start, quote - start);
        for (const auto& [a, text] : ActionNames) {
            if (name == QByteArrayView(text)) {
                *action = a;
                return true;
            }
        }
        return false;
    }

    bool Number(qint64* value) {
        const bool negative = m_at < m_end && *m_at == '-';
        if (negative)
            ++m_at;
        const char* const start = m_at;
        qint64 n = 0;
        // More than 18 digits is refused below: they are counted, not added, so nothing overflows.
        for (; m_at < m_end && *m_at >= '0' && *m_at <= '9'; ++m_at) {
            if (m_at - start < 18)
                n = n * 10 + (*m_at - '0');
        }
        const qsizetype digits = m_at - start;
        if (digits < 1 || digits > 18 || (digits > 1 && *start == '0') || (negative && n == 0))
            return false;
        *value = negative ? -n : n;
        return true;
    }

    bool Digits(int count, int* value) {
        if (m_end - m_at < count)
            return false;
        int n = 0;
        for (int i = 0; i < count; ++i, ++m_at) {
            if (*m_at < '0' || *m_at > '9')
                return false;
            n = n * 10 + (*m_at - '0');
        }
        *value = n;
        return true;
    }

    // "yyyy-MM-ddTHH:mm:ss" and "Z" or an offset "+hh:mm", and the closing quote; only checked
    // without `time` (a date of year 1000 on, in an offset of at most 14 hours, is always a time).
    bool Time(QDateTime* time) {
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
        if (!Digits(4, &year) || !Key("-") || !Digits(2, &month) || !Key("-") || !Digits(2, &day) || !Key("T") ||
            !Digits(2, &hour) || !Key(":") || !Digits(2, &minute) || !Key(":") || !Digits(2, &second))
            return false;
        const QDate date(year, month, day);
        const QTime clock(hour, minute, second);
        if (year < 1000 || hour > 23 || !date.isValid() || !clock.isValid())
            return false;
        if (Key("Z\"")) {
            if (time)
                *time = QDateTime(date, clock, Qt::UTC);
            return true;
        }
        const bool ahead = Key("+");
        if (!ahead && !Key("-"))
            return false;
        int hours = 0, minutes = 0;
        if (!Digits(2, &hours) || !Key(":") || !Digits(2, &minutes) || !Key("\"") || hours > 14 || minutes > 59 ||
            hours * 60 + minutes == 0)
            return false;
        const int offset = (ahead ? 1 : -1) * (hours * 3600 + minutes * 60);
        if (!time)
            return true;
        *time = QDateTime(date, clock, Qt::OffsetFromUTC, offset);
        return time->isValid();
    }

    const char* m_at;
    const char* m_end;
    bool m_lean = false;
    std::size_t m_nextField = 0;
};

} // namespace

std::optional<HistoryEntry> ParseHistoryLine(QByteArrayView line, HistoryParse how) {
    if (line.endsWith('\n'))
        line.chop(1);
    if (auto entry = PlainLine(line, how == HistoryParse::ForReplay).Read())
        return entry;
    return ParseHistoryJson(line);
}

bool ReadPlainHistoryLine(QByteArrayView line, HistoryLineView* view) {
    if (line.endsWith('\n'))
        line.chop(1);
    return PlainLine(line, true).ReadView(view);
}

QString HistoryValue(const PersonnelRecord& record, PersonnelField field) {
    const FieldLayout& layout = PersonnelRecord::FieldOf(field);
    switch (layout.type) {
    case FieldType::Text:
        return record.Text(field); // trimmed as bytes: a space is the one byte read as a space
    case FieldType::Int16:
        return QString::number(record.Int16(field));
    case FieldType::Date:
        break;
    }
    const double value = record.Date(field);
    if (value == 0)
        return {};
    // FormatDate's "yyyy-mm-dd" (with " hh:nn:ss" for the two stamps), written directly: a first
    // start takes every date of every record.
    QDate date;
    int second = 0;
    if (!OleToDayAndSecond(value, &date, &second))
        return {};
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day); // years 100 to 9999
    const bool withTime = field == PersonnelField::DateCreated || field == PersonnelField::DateModified;
    char text[19];
    char* p = text;
    const auto put = [&p](int n, int digits) {
        for (int i = digits - 1; i >= 0; --i, n /= 10)
            p[i] = char('0' + n % 10);
        p += digits;
    };
    put(year, 4);
    *p++ = '-';
    put(month, 2);
    *p++ = '-';
    put(day, 2);
    if (withTime) {
        *p++ = ' ';
        put(second / 3600, 2);
        *p++ = ':';
        put(second / 60 % 60, 2);
        *p++ = ':';
        put(second % 60, 2);
    }
    return QString::fromLatin1(text, p - text);
}

QList<HistoryChange> RecordChanges(const PersonnelRecord& before, const PersonnelRecord& after) {
    QList<HistoryChange> changes;
    for (std::size_t i = 0; i < PersonnelFields.size(); ++i) {
        const auto field = static_cast<PersonnelField>(i);
        // The same bytes hold the same value: most fields of an edit or an import's row.
        const FieldLayout& layout = PersonnelFields[i];
        const auto at = std::size_t(layout.offset);
        if (field == PersonnelField::DateModified ||
            std::memcmp(before.data() + at, after.data() + at, std::size_t(layout.width)) == 0)
            continue;
        const QString was = HistoryValue(before, field);
        const QString is = HistoryValue(after, field);
        if (was != is)
            changes.append({QString::fromLatin1(PersonnelFields[i].name), was, is});
    }
    return changes;
}

QList<HistoryChange> WholeRecord(const PersonnelRecord& record) {
    QList<HistoryChange> changes;
    for (std::size_t i = 0; i < PersonnelFields.size(); ++i) {
        const auto field = static_cast<PersonnelField>(i);
        const QString value = HistoryValue(record, field);
        if (!value.isEmpty())
            changes.append({QString::fromLatin1(PersonnelFields[i].name), QString(), value});
    }
    return changes;
}

namespace {

void Apply(const HistoryEntry& entry, QMap<QString, QString>& record) {
    if (TakesOut(entry)) {
        record.clear();
        return;
    }
    bool modified = false;
    for (const HistoryChange& change : entry.changes) {
        modified = modified || change.field == QLatin1StringView("DateModified");
        if (change.after.isEmpty())
            record.remove(change.field);
        else
            record.insert(change.field, change.after);
    }
    // An edit leaves DateModified out of its changes: the record was modified at the entry's time,
    // which the keeper takes from the record (as the writer's clock read it, in its own offset).
    const bool edit = entry.action == HistoryAction::Edited || entry.action == HistoryAction::MadePrevious ||
                      entry.action == HistoryAction::MadeCurrent ||
                      entry.action == HistoryAction::PictureChanged;
    if (edit && !modified && entry.time.isValid())
        record.insert(QStringLiteral("DateModified"), entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

} // namespace

QMap<QString, QString> RecordAsOf(const QList<HistoryEntry>& entries, const QDateTime& asOf,
                                  QStringList* changedSince) {
    QMap<QString, QString> then;
    qsizetype i = 0;
    for (; i < entries.size() && entries[i].time <= asOf; ++i)
        Apply(entries[i], then);
    if (changedSince) {
        QMap<QString, QString> now = then;
        for (qsizetype later = i; later < entries.size(); ++later)
            Apply(entries[later], now);
        changedSince->clear();
        for (const FieldLayout& field : PersonnelFields) {
            const QString name = QString::fromLatin1(field.name);
            if (then.value(name) != now.value(name))
                changedSince->append(name);
        }
        // Modified, and nothing else changed: no change anyone made to the record.
        if (*changedSince == QStringList{QStringLiteral("DateModified")})
            changedSince->clear();
    }
    return then;
}

QString FoldedName(QStringView name) {
    const QString decomposed = name.toString().normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            folded += c;
    }
    return folded.toCaseFolded();
}

QString HistoryPerson::Name() const {
    return lastName.isEmpty() || firstName.isEmpty() ? lastName + firstName
                                                     : lastName + QStringLiteral(", ") + firstName;
}

IoStatus FindHistoryPeople(FileIo& io, const QString& fileName, const QString& text,
                           std::vector<HistoryPerson>* people,
                           const std::function<void(const HistoryEntry&)>& visit,
                           const std::function<bool(qint64 done, qint64 total)>& going, bool* cancelled) {
    people->clear();
    const QString wanted = FoldedName(text);
    std::map<qint64, HistoryPerson> known;
    std::map<qint64, bool> matches;
    // Which record each one is in: a removal shifts the records after it without their entries.
    std::vector<qint64> roster;
    bool stopped = false;
    IoStatus s = ReadHistory(io, fileName, [&](const HistoryEntry& e) {
        if (visit)
            visit(e);
        const auto [at, isNew] = known.try_emplace(e.employee);
        PlaceInRoster(roster, e, !isNew);
        HistoryPerson& p = at->second;
        p.employee = e.employee;
        // Most entries change no name: their former names are not looked at.
        const bool named = std::any_of(e.changes.cbegin(), e.changes.cend(), [](const HistoryChange& c) {
            return c.field == QLatin1StringView("LastName") || c.field == QLatin1StringView("FirstName");
        });
        const QString before = named ? p.Name() : QString();
        bool& hit = matches[e.employee];
        for (const HistoryChange& c : e.changes) {
            const bool last = c.field == QLatin1StringView("LastName");
            if (last || c.field == QLatin1StringView("FirstName")) {
                if (!TakesOut(e))
                    (last ? p.lastName : p.firstName) = c.after;
                hit = hit || wanted.isEmpty() || FoldedName(c.before).contains(wanted) ||
                      FoldedName(c.after).contains(wanted);
            } else if (c.field == QLatin1StringView("InactivationDate") && !TakesOut(e)) {
                p.previous = !c.after.isEmpty();
            }
        }
        if (const QString now = named ? p.Name() : QString();
            !before.isEmpty() && !now.isEmpty() && before != now && !p.formerNames.contains(before))
            p.formerNames.append(before);
        p.removed = TakesOut(e) ? e.time : QDateTime();
        hit = hit || wanted.isEmpty();
    }, going, &stopped);
    if (cancelled)
        *cancelled = stopped;
    if (!s || stopped)
        return s;
    for (std::size_t i = 0; i < roster.size(); ++i)
        known[roster[i]].record = qint32(i + 1);
    for (auto& [employee, person] : known) {
        if (matches[employee])
            people->push_back(std::move(person));
    }
    return {};
}

IoStatus AppendHistory(FileIo& io, const QString& fileName, const QList<HistoryEntry>& entries) {
    QByteArray bytes;
    for (const HistoryEntry& entry : entries)
        bytes += HistoryLine(entry);
    return AppendWhole(io, fileName, bytes);
}

namespace {

QString LineFaultReason(QByteArrayView line) {
    if (!line.isValidUtf8())
        return QStringLiteral("is not UTF-8 text");
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return QStringLiteral("is not a JSON object");
    return QStringLiteral("is not a change (no known action, time or employee number)");
}

// Each whole line from the one that starts at `from` on, with where it starts and its number
// (counted from `from`); a line too long, or a last one cut short, is told to `fault`.
using LineVisit = std::function<void(QByteArrayView line, qint64 offset, qint64 number)>;
IoStatus ReadLines(FileIo& io, const QString& fileName, qint64 from, const LineVisit& visit,
                   const std::function<void(const HistoryLineFault&)>& fault,
                   const std::function<bool(qint64 done, qint64 total)>& going = {}, bool* stopped = nullptr);

// Each line read as `how` says: an entry to `visit`, any other line to `fault`.
LineVisit Parsed(HistoryParse how, const std::function<void(const HistoryEntry&, qint64 offset)>& visit,
                 const std::function<void(const HistoryLineFault&)>& fault) {
    return [how, visit, fault](QByteArrayView line, qint64 offset, qint64 number) {
        if (const auto entry = ParseHistoryLine(line, how))
            visit(*entry, offset);
        else if (fault)
            fault({number, offset, line.size(), LineFaultReason(line)});
    };
}

} // namespace

IoStatus ReadHistory(FileIo& io, const QString& fileName, const std::function<void(const HistoryEntry&)>& visit,
                     const std::function<bool(qint64 done, qint64 total)>& going, bool* stopped) {
    const std::function<void(const HistoryEntry&, qint64)> each = [&](const HistoryEntry& e, qint64) {
        visit(e);
    };
    return ReadLines(io, fileName, 0, Parsed(HistoryParse::Whole, each, {}), {}, going, stopped);
}

IoStatus ReadHistory(FileIo& io, const QString& fileName,
                     const std::function<void(const HistoryEntry&)>& visit,
                     const std::function<void(const HistoryLineFault&)>& fault) {
    const std::function<void(const HistoryEntry&, qint64)> each = [&](const HistoryEntry& e, qint64) {
        visit(e);
    };
    return ReadLines(io, fileName, 0, Parsed(HistoryParse::Whole, each, fault), fault);
}

IoStatus ReadHistoryFrom(FileIo& io, const QString& fileName, qint64 from, HistoryParse how,
                         const std::function<void(const HistoryEntry&, qint64 offset)>& visit,
                         const std::function<void(const HistoryLineFault&)>& fault) {
    return ReadLines(io, fileName, from, Parsed(how, visit, fault), fault);
}

IoStatus ReadHistoryLines(FileIo& io, const QString& fileName, qint64 from,
                          const std::function<void(QByteArrayView line, qint64 offset)>& visit) {
    return ReadLines(io, fileName, from,
                     [&](QByteArrayView line, qint64 offset, qint64) { visit(line, offset); }, {});
}

namespace {

IoStatus ReadLines(FileIo& io, const QString& fileName, qint64 from, const LineVisit& visit,
                   const std::function<void(const HistoryLineFault&)>& fault,
                   const std::function<bool(qint64 done, qint64 total)>& going, bool* stopped) {
    if (stopped)
        *stopped = false;
    int fd = -1;
    if (IoStatus s = OpenToRead(io, fileName, &fd); !s || fd < 0)
        return s;
    const off_t size = io.Size(fd);
    if (size < 0) {
        const int err = errno;
        io.Close(fd);
        return IoStatus::Failure(QStringLiteral("read"), fileName, err);
    }
    // A block at a time, the line it ends in carried over: memory stays within a block and the
    // longest line kept, whatever the file holds.
    constexpr qint64 BlockBytes = 4 << 20;
    QByteArray block(std::min<qint64>(size, BlockBytes), Qt::Uninitialized);
    QByteArray carried;     // the start of a line the last block ended in
    qint64 lineStart = from; // where the line in hand starts in the file
    qint64 lineLength = 0;  // its length so far, when it is too long to keep
    bool overlong = false;
    qint64 number = 0;
    const auto tell = [&](qint64 bytes, const QString& reason, bool cutShort = false) {
        if (fault)
            fault({number, lineStart, bytes, reason, cutShort});
    };
    const auto take = [&](QByteArrayView line) {
        ++number;
        if (overlong)
            tell(lineLength, QStringLiteral("is longer than %1 bytes").arg(MaxHistoryLineBytes));
        else
            visit(line, lineStart, number);
    };
    IoStatus result;
    bool halted = false;
    for (qint64 at = from; at < size;) {
        if (going && !going(at, size)) {
            halted = true;
            break;
        }
        const qint64 want = std::min<qint64>(size - at, block.size());
        if (IoStatus s = ReadFullyAt(io, fd, block.data(), want, at, fileName); !s) {
            result = s;
            break;
        }
        const QByteArrayView part(block.constData(), want);
        qsizetype start = 0;
        for (;;) {
            const qsizetype end = part.indexOf('\n', start);
            const qsizetype stop = end < 0 ? part.size() : end;
            if (!overlong) {
                if (carried.size() + (stop - start) > MaxHistoryLineBytes) {
                    overlong = true;
                    lineLength = carried.size();
                    carried.clear();
                } else if (end < 0 || !carried.isEmpty()) {
                    carried.append(part.sliced(start, stop - start));
                }
            }
            if (overlong)
                lineLength += stop - start;
            if (end < 0)
                break;
            if (overlong)
                take({});
            else if (carried.isEmpty())
                take(part.sliced(start, end - start));
            else
                take(carried);
            carried.clear();
            overlong = false;
            lineStart = at + end + 1;
            start = end + 1;
        }
        at += want;
    }
    io.Close(fd);
    if (stopped)
        *stopped = halted;
    if (halted)
        return result;
    if (result && (overlong || !carried.isEmpty())) {
        ++number;
        tell(overlong ? lineLength : carried.size(),
             QStringLiteral("is cut short (no line end); the program's next open cuts it off"), true);
    }
    return result;
}

} // namespace

namespace {
// Where the last line end before `to` lies in the open file `fd` (just past it), looking back no
// further than `floor`; `floor` when there is none.
IoStatus LineEndBefore(FileIo& io, int fd, qint64 to, qint64 floor, const QString& fileName, qint64* end) {
    *end = floor;
    // Back from `to`, a block at a time.
    constexpr qint64 BlockBytes = 65536;
    QByteArray block(std::min<qint64>(to - floor, BlockBytes), Qt::Uninitialized);
    while (to > floor) {
        const qint64 from = std::max<qint64>(floor, to - BlockBytes);
        if (IoStatus s = ReadFullyAt(io, fd, block.data(), to - from, from, fileName); !s)
            return s;
        const qsizetype at = QByteArrayView(block.constData(), to - from).lastIndexOf('\n');
        if (at >= 0) {
            *end = from + at + 1;
            return {};
        }
        to = from;
    }
    return {};
}
} // namespace

IoStatus LastLineEnd(FileIo& io, int fd, qint64 size, const QString& fileName, qint64* end) {
    return LineEndBefore(io, fd, size, 0, fileName, end);
}

IoStatus LastWholeLine(FileIo& io, int fd, qint64 size, const QString& fileName, QByteArray* line) {
    line->clear();
    qint64 end = 0;
    if (IoStatus s = LastLineEnd(io, fd, size, fileName, &end); !s || end == 0)
        return s;
    // Its start: past the line end before it, no further back than the longest line an entry has.
    const qint64 floor = std::max<qint64>(0, end - 1 - (MaxHistoryLineBytes + 1));
    qint64 start = 0;
    if (IoStatus s = LineEndBefore(io, fd, end - 1, floor, fileName, &start); !s)
        return s;
    if (start == floor && floor > 0)
        return {}; // longer than any entry
    line->resize(qsizetype(end - 1 - start));
    return ReadFullyAt(io, fd, line->data(), line->size(), start, fileName);
}

namespace {

// Appends to `entries` the lines of `employee` among the lines from `begin` to `end` (whole lines).
void SearchEmployeeLines(const char* begin, const char* end, qint64 employee, QList<HistoryEntry>* entries) {
    // A key's quote is never inside a value (whose quotes are escaped), so this finds only the
    // employee's lines.
    const QByteArray needle = "\"employee\":" + QByteArray::number(employee) + ',';
    for (const char* at = begin; at < end;) {
        const void* hit = ::memmem(at, std::size_t(end - at), needle.constData(), std::size_t(needle.size()));
        if (!hit)
            break;
        const char* h = static_cast<const char*>(hit);
        const char* lineEnd = static_cast<const char*>(std::memchr(h, '\n', std::size_t(end - h)));
        if (!lineEnd)
            break; // the last line, cut short
        const char* lineStart = h;
        while (lineStart > begin && lineStart[-1] != '\n')
            --lineStart;
        // A line longer than any the program writes is passed over, as the reader passes it over.
        if (lineEnd - lineStart <= MaxHistoryLineBytes) {
            if (const auto e = ParseHistoryLine(QByteArrayView(lineStart, lineEnd - lineStart));
                e && e->employee == employee)
                entries->append(*e);
        }
        at = lineEnd + 1;
    }
}

// What reading an employee's lines where the table says came to: read, no table to read them by
// (missing, not this history's, a read that failed), or a table that names a line not theirs (or
// one line twice).
enum class TableRead { Read, NoTable, Wrong };

// The lines of `employee` where the line table says they start, and then in the history past what it
// describes.

TableRead ReadByTable(FileIo& io, const QString& fileName, int fd, qint64 size, qint64 employee,
                      QList<HistoryEntry>* entries) {
    std::vector<qint64> offsets;
    qint64 covered = 0;
    bool answered = false;
    if (!FindHistoryLines(io, HistoryLinesFileFor(fileName), fd, size, employee, &offsets, &covered, &answered) ||
        !answered)
        return TableRead::NoTable;
    if (std::adjacent_find(offsets.cbegin(), offsets.cend()) != offsets.cend())
        return TableRead::Wrong; // one line named twice
    QByteArray line;
    for (const qint64 offset : offsets) {
        // From the byte before it, which must end a line, to its own end, within what the table
        // describes.
        if (offset < 0 || offset >= covered)
            return TableRead::Wrong;
        const qint64 from = std::max<qint64>(0, offset - 1);
        qsizetype end = -1;
        for (qint64 want = 4096; end < 0; want *= 16) {
            const qint64 bytes = std::min(covered - from, want);
            line.resize(qsizetype(bytes));
            if (!ReadFullyAt(io, fd, line.data(), bytes, from, fileName))
                return TableRead::NoTable;
            end = line.indexOf('\n', offset - from);
            if (end < 0 && (bytes == covered - from || bytes > MaxHistoryLineBytes + 1))
                return TableRead::Wrong;
        }
        if (offset > 0 && line.front() != '\n')
            return TableRead::Wrong;
        const auto e = ParseHistoryLine(QByteArrayView(line).sliced(offset - from, end - (offset - from)));
        if (!e || e->employee != employee)
            return TableRead::Wrong; // the file was changed behind the table's back
        entries->append(*e);
    }
    if (covered < size) {
        // Lines appended since the table was last brought in step (cut short before it was).
        QByteArray rest(qsizetype(size - covered), Qt::Uninitialized);
        if (!ReadFullyAt(io, fd, rest.data(), rest.size(), covered, fileName))
            return TableRead::NoTable;
        SearchEmployeeLines(rest.constData(), rest.constData() + rest.size(), employee, entries);
    }
    return TableRead::Read;
}

} // namespace

IoStatus ReadEmployeeHistory(FileIo& io, const QString& fileName, qint64 employee, QList<HistoryEntry>* entries,
                             bool* direct) {
    entries->clear();
    if (direct)
        *direct = false;
    int fd = -1;
    if (IoStatus s = OpenToRead(io, fileName, &fd); !s || fd < 0)
        return s;
    const qint64 size = io.Size(fd);
    const TableRead table =
        size > 0 ? ReadByTable(io, fileName, fd, size, employee, entries) : TableRead::NoTable;
    if (table == TableRead::Read) {
        io.Close(fd);
        if (direct)
            *direct = true;
        return {};
    }
    // A table that names a line not the employee's is let go: the next open writes it again.
    if (table == TableRead::Wrong && io.Remove(HistoryLinesFileFor(fileName)) == 0)
        io.SyncFolderOf(fileName);
    entries->clear();
    const char* mapped = size > 0 ? io.Map(fd, size) : nullptr;
    const int err = errno;
    io.Close(fd);
    if (size < 0)
        return IoStatus::Failure(QStringLiteral("read"), fileName, err);
    if (size == 0)
        return {};
    if (!mapped)
        return IoStatus::Failure(QStringLiteral("read"), fileName, err);
    SearchEmployeeLines(mapped, mapped + size, employee, entries);
    io.Unmap(mapped, size);
    return {};
}
