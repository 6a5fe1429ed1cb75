#include "exchange/importxlsx.h"

#include "exchange/zipmemory.h"

#include <QDate>
#include <QDateTime>
#include <QIODevice>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

constexpr qsizetype MaxSheetColumns = 16384; // XFD, the last column a spreadsheet has
constexpr qint64 MaxXmlDepth = 256;          // spreadsheets nest a dozen deep

QString NotWorkbookText() {
    return QStringLiteral("The file is a zip archive but not an Excel workbook or an OpenDocument "
                          "spreadsheet. ") +
           SaveAsReadableText();
}

constexpr QLatin1StringView OdsMimeType("application/vnd.oasis.opendocument.spreadsheet");
constexpr QLatin1StringView TableNs("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
constexpr QLatin1StringView OfficeNs("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
constexpr QLatin1StringView TextNs("urn:oasis:names:tc:opendocument:xmlns:text:1.0");

// Why the workbook cannot be read, once a step finds out.
struct PartFault {
    QString text;
};

QString Damaged(const QString& what) {
    return QStringLiteral("The workbook is damaged: %1.").arg(what);
}

// A part of the archive as it unpacks, refused once it unpacks past the limit, whatever its entry
// says of its size. `unpacked` counts the bytes handed out, for the progress.
class PartDevice : public QIODevice {
public:
    PartDevice(ZipReader& zip, qint64 limit, qint64* unpacked)
        : m_zip(zip), m_limit(limit), m_unpacked(unpacked) {
        open(QIODevice::ReadOnly);
    }
    bool TooLarge() const { return m_tooLarge; }
    bool TooDeep() const { return m_depth > MaxXmlDepth; }
    bool Failed() const { return m_failed; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_tooLarge || m_failed)
            return -1;
        const qint64 got = m_zip.Read(data, maxSize);
        if (got < 0) {
            m_failed = true;
            return -1;
        }
        m_read += got;
        *m_unpacked += got;
        if (m_read > m_limit) {
            m_tooLarge = true;
            return -1;
        }
        return Nest(data, got) ? got : -1;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    // Follows how deep the elements nest, as the bytes go by, so that a part nested deeper than a
    // spreadsheet ever nests is refused before the XML reader's stack of open elements grows with
    // it. Quoted attribute values, comments, declarations and processing instructions are passed
    // over; false once too deep.
    bool Nest(const char* data, qint64 size) {
        for (qint64 i = 0; i < size; ++i) {
            if (m_state == Scan::Text) {
                const void* open = std::memchr(data + i, '<', size_t(size - i));
                if (!open) {
                    m_last = data[size - 1];
                    return true;
                }
                i = static_cast<const char*>(open) - data;
            }
            const char c = data[i];
            switch (m_state) {
            case Scan::Text:
                if (c == '<')
                    m_state = Scan::TagStart;
                break;
            case Scan::TagStart:
                m_state = c == '/' ? Scan::EndTag : c == '!' || c == '?' ? Scan::Other : Scan::StartTag;
                break;
            case Scan::StartTag:
                if (c == '"' || c == '\'') {
                    m_quote = c;
                    m_state = Scan::Quoted;
                } else if (c == '>') {
                    if (m_last != '/' && ++m_depth > MaxXmlDepth)
                        return false;
                    m_state = Scan::Text;
                }
                break;
            case Scan::Quoted:
                if (c == m_quote)
                    m_state = Scan::StartTag;
                break;
            case Scan::EndTag:
                if (c == '>') {
                    --m_depth;
                    m_state = Scan::Text;
                }
                break;
            case Scan::Other:
                if (c == '>')
                    m_state = Scan::Text;
                break;
            }
            m_last = c;
        }
        return true;
    }

    enum class Scan { Text, TagStart, StartTag, Quoted, EndTag, Other };
    ZipReader& m_zip;
    qint64 m_limit;
    qint64* m_unpacked;
    qint64 m_read = 0;
    bool m_tooLarge = false;
    bool m_failed = false;
    Scan m_state = Scan::Text;
    char m_quote = 0;
    char m_last = 0;
    qint64 m_depth = 0;
};

QString XmlFault(const QString& part, const QXmlStreamReader& xml);

enum class PartRead { Missing, Read, Failed };

// Reads the part `name` of the archive with `read`, which is handed an XML reader on it and
// returns false when it has set `fault` itself; refused past `limit` bytes unpacked. Missing when
// the archive has no such part.
template <typename Read>
PartRead ReadPart(ZipReader& zip, const QString& name, qint64 limit, PartFault* fault, qint64* unpacked,
                  Read read) {
    if (!zip.Locate(name))
        return PartRead::Missing;
    const QString tooLarge = QStringLiteral("The workbook's part '%1' unpacks to more than %2 MB; no list "
                                            "of employees is that long.")
                                 .arg(name)
                                 .arg(limit / (1024 * 1024));
    if (zip.UnpackedSize() > quint64(limit)) {
        fault->text = tooLarge;
        return PartRead::Failed;
    }
    const QString damaged = Damaged(QStringLiteral("its part '%1' cannot be unpacked").arg(name));
    if (!zip.Open()) {
        fault->text = damaged;
        return PartRead::Failed;
    }
    PartDevice device(zip, limit, unpacked);
    QXmlStreamReader xml(&device);
    const bool ok = read(xml);
    // Closing a part read to its end checks its CRC.
    const bool closed = zip.Close();
    if (device.TooLarge())
        fault->text = tooLarge;
    else if (device.TooDeep())
        fault->text = Damaged(
            QStringLiteral("its part '%1' nests its elements more than %2 deep").arg(name).arg(MaxXmlDepth));
    else if (device.Failed() || !closed)
        fault->text = damaged;
    else if (ok && xml.hasError())
        fault->text = XmlFault(name, xml);
    return fault->text.isEmpty() && ok ? PartRead::Read : PartRead::Failed;
}

QString XmlFault(const QString& part, const QXmlStreamReader& xml) {
    return Damaged(QStringLiteral("its part '%1' is not XML a spreadsheet writes (line %2)")
                       .arg(part)
                       .arg(xml.lineNumber()));
}

// Text in a workbook writes a character XML cannot hold as _xHHHH_ (and an underscore that
// would read as one as _x005F_).
QString Unescaped(const QString& text) {
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
            bool ok = false;
            const uint code = text.mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out += QChar(char16_t(code));
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// The folder of a part, for the targets its relationships name.
QString FolderOf(const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString Resolved(const QString& folder, QString target) {
    if (target.startsWith(u'/'))
        return target.mid(1);
    QString path = folder + target;
    // "../" steps, as some writers name their parts.
    QStringList out;
    for (const QString& step : path.split(u'/')) {
        if (step == QLatin1String(".."))
            out.isEmpty() ? void() : out.removeLast();
        else if (!step.isEmpty() && step != QLatin1String("."))
            out += step;
    }
    return out.join(u'/');
}

// Reads every start element of `xmlText`, handing each to `element`; false on an XML fault.
template <typename Element> bool ForEachElement(QXmlStreamReader& xml, Element element) {
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement)
            element();
    }
    return !xml.hasError();
}

struct Relationship {
    QString type; // its last word: "officeDocument", "worksheet", "sharedStrings", "styles"
    QString target;
};

std::vector<std::pair<QString, Relationship>> Relationships(QXmlStreamReader& xml, const QString& folder) {
    std::vector<std::pair<QString, Relationship>> out;
    ForEachElement(xml, [&] {
        if (xml.name() != QLatin1String("Relationship"))
            return;
        const QXmlStreamAttributes a = xml.attributes();
        const QString type = a.value(QLatin1String("Type")).toString();
        out.push_back({a.value(QLatin1String("Id")).toString(),
                       {type.mid(type.lastIndexOf(u'/') + 1),
                        Resolved(folder, a.value(QLatin1String("Target")).toString())}});
    });
    return out;
}

// Reads the element at hand to its end, handing what it holds on: `start()` at each element inside
// it (true when `start` read that element to its end itself, as a skip does), `end()` at each end
// of one inside it, and `text(characters)`.
template <typename Start, typename End, typename Text>
void ReadElementContent(QXmlStreamReader& xml, Start start, End end, Text text) {
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (!start())
                ++depth;
            break;
        case QXmlStreamReader::EndElement:
            if (--depth > 0)
                end();
            break;
        case QXmlStreamReader::Characters:
            text(xml.text());
            break;
        default:
            break;
        }
    }
}

// The text of the element at hand: its <t> children's, or its own, runs joined; the phonetic
// guide (<rPh>) some writers add to East Asian text is no part of it. Cut after `most` characters.
// `own`: the element holds its text itself, as <v> does.
QString ElementText(QXmlStreamReader& xml, qsizetype most, bool own = false) {
    QString text;
    bool inPhonetic = false;
    bool inText = own;
    ReadElementContent(
        xml,
        [&] {
            if (xml.name() == QLatin1String("rPh"))
                inPhonetic = true;
            inText = xml.name() == QLatin1String("t") || xml.name() == QLatin1String("v");
            return false;
        },
        [&] {
            if (xml.name() == QLatin1String("rPh"))
                inPhonetic = false;
            inText = false;
        },
        [&](QStringView characters) {
            if (inText && !inPhonetic && text.size() <= most)
                text += characters.left(most + 1 - text.size());
        });
    return text;
}

// Whether a number format shows a date: the built-in ones that do, or a format code with day,
// month, year, hour or second in it outside quoted text, escapes and [colour] sections.
bool IsDateFormat(int id, const QString& code) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58))
        return true;
    if (code.isEmpty() || code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return false;
    bool quoted = false;
    bool bracket = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i].toLower();
        if (quoted) {
            quoted = c != u'"';
        } else if (bracket) {
            bracket = c != u']';
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u'[') {
            // [h], [mm], [ss]: elapsed time.
            const qsizetype end = code.indexOf(u']', i);
            const QString inside = end < 0 ? QString() : code.mid(i + 1, end - i - 1).toLower();
            if (!inside.isEmpty() && inside.count(inside[0]) == inside.size() &&
                QStringLiteral("hms").contains(inside[0]))
                return true;
            bracket = true;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (QStringLiteral("dmyhs").contains(c)) {
            return true;
        }
    }
    return false;
}

struct Styles {
    std::vector<bool> dateFormat; // per cell style (the s attribute)
};

Styles ReadStyles(QXmlStreamReader& xml) {
    Styles styles;
    std::vector<std::pair<int, QString>> custom;
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("cellXfs"))
            inCellXfs = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("numFmt")) {
            custom.push_back({a.value(QLatin1String("numFmtId")).toInt(),
                              a.value(QLatin1String("formatCode")).toString()});
        } else if (xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = true;
        } else if (inCellXfs && xml.name() == QLatin1String("xf")) {
            const int id = a.value(QLatin1String("numFmtId")).toInt();
            QString code;
            for (const auto& [customId, customCode] : custom) {
                if (customId == id)
                    code = customCode;
            }
            styles.dateFormat.push_back(IsDateFormat(id, code));
            xml.skipCurrentElement();
        }
    }
    return styles;
}

// The shared texts, one after another in one string: a table of many short texts costs little
// more than its characters.
struct SharedStrings {
    QString text;
    std::vector<quint32> ends; // where each text ends in `text`
    qsizetype Count() const { return qsizetype(ends.size()); }
    QString At(qsizetype i) const {
        const quint32 start = i == 0 ? 0 : ends[std::size_t(i) - 1];
        return text.mid(start, ends[std::size_t(i)] - start);
    }
};

bool ReadSharedStrings(QXmlStreamReader& xml, qsizetype most, SharedStrings& strings,
                       const std::function<bool()>& goOn) {
    bool going = true;
    ForEachElement(xml, [&] {
        if (!going || xml.name() != QLatin1String("si"))
            return;
        strings.text += Unescaped(ElementText(xml, most));
        strings.ends.push_back(quint32(strings.text.size()));
        if (strings.ends.size() % 256 == 0)
            going = goOn();
        if (!going)
            xml.raiseError(); // stops the reading
    });
    return going;
}

// A serial day number (days since 12/30/1899, the time of day as the fraction) as a spreadsheet
// shows it; nothing when no date has that number.
std::optional<QString> SerialDateText(double serial) {
    if (!std::isfinite(serial) || serial < 1 || serial > 2958465) // 1899-12-31 .. 9999-12-31
        return std::nullopt;
    const double day = std::floor(serial);
    const qint64 seconds = std::llround((serial - day) * 86400.0);
    // The day and the time of day counted out, as the date and time below would give them, for
    // the years that print as four digits.
    int year = 0;
    int month = 0;
    int dayOfMonth = 0;
    QDate(1899, 12, 30).addDays(qint64(day) + seconds / 86400).getDate(&year, &month, &dayOfMonth);
    if (year >= 1000 && year <= 9999) {
        const qint64 time = seconds % 86400;
        char16_t text[19];
        const auto put = [&](int at, int value, int digits) {
            for (int i = digits - 1; i >= 0; --i, value /= 10)
                text[at + i] = char16_t(u'0' + value % 10);
        };
        put(0, year, 4);
        text[4] = text[7] = u'-';
        put(5, month, 2);
        put(8, dayOfMonth, 2);
        if (time == 0)
            return QString(reinterpret_cast<const QChar*>(text), 10);
        text[10] = u' ';
        text[13] = text[16] = u':';
        put(11, int(time / 3600), 2);
        put(14, int(time / 60 % 60), 2);
        put(17, int(time % 60), 2);
        return QString(reinterpret_cast<const QChar*>(text), 19);
    }
    const QDateTime at =
        QDateTime(QDate(1899, 12, 30).addDays(qint64(day)), QTime(0, 0), QTimeZone::utc()).addSecs(seconds);
    return at.time() == QTime(0, 0) ? at.date().toString(Qt::ISODate)
                                    : at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// "B12" -> column 1 (from 0); -1 when the reference holds no column.
qsizetype ColumnOf(QStringView reference) {
    qsizetype column = 0;
    qsizetype letters = 0;
    for (const QChar c : reference) {
        if (c < u'A' || c > u'Z')
            break;
        column = column * 26 + (c.unicode() - u'A' + 1);
        if (++letters > 3)
            return -1;
    }
    return letters == 0 ? -1 : column - 1;
}

struct SheetContext {
    const SharedStrings* strings;
    const Styles* styles;
    bool date1904 = false;
    SheetLimits limits;
};

// A cell's value as a number, as QString::toDouble reads it once trimmed; a plain decimal
// ("-12.5", as spreadsheets write their numbers) is read straight, to the same nearest double.
double PlainNumber(const QString& value, bool* ok) {
    char plain[32];
    qsizetype n = 0;
    qsizetype digits = 0;
    bool point = false;
    bool simple = value.size() < qsizetype(sizeof plain);
    for (qsizetype i = 0; simple && i < value.size(); ++i) {
        const char16_t c = value[i].unicode();
        if (c >= u'0' && c <= u'9')
            ++digits;
        else if (c == u'.' && !point && digits > 0 && i + 1 < value.size())
            point = true;
        else if (!(c == u'-' && i == 0))
            simple = false;
        plain[n++] = char(c);
    }
    if (simple && digits > 0 && plain[n - 1] != '.') {
        double number = 0;
        const std::from_chars_result read = std::from_chars(plain, plain + n, number);
        if (read.ec == std::errc() && read.ptr == plain + n) {
            *ok = true;
            return number;
        }
    }
    return value.trimmed().toDouble(ok);
}

// What a <c> element holds: its type (t) and style (s), and the texts of its value (<v>) and of
// its inline text (<is>), each cut after the cell's most characters.
struct CellParts {
    QStringView type;
    int style = 0;
    bool haveValue = false;
    QString value;
    QString inlineText;
};

// A cell's value as text; `fault` set when the sheet is damaged.
QString CellValue(const CellParts& cell, const SheetContext& context, PartFault* fault) {
    if (!cell.haveValue)
        return {};
    const QStringView type = cell.type;
    const QString& value = cell.value;
    if (type == QLatin1String("inlineStr"))
        return Unescaped(cell.inlineText);
    if (type == QLatin1String("s")) {
        bool ok = false;
        const qulonglong index = value.trimmed().toULongLong(&ok);
        if (!ok || index >= qulonglong(context.strings->Count())) {
            fault->text = Damaged(QStringLiteral("a cell names a shared text that is not there"));
            return {};
        }
        return context.strings->At(qsizetype(index));
    }
    if (type == QLatin1String("str") || type == QLatin1String("e"))
        return Unescaped(value);
    if (type == QLatin1String("b"))
        return value.trimmed() == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (type == QLatin1String("d")) {
        const QDateTime at = QDateTime::fromString(value.trimmed(), Qt::ISODate);
        if (!at.isValid())
            return value;
        return at.time() == QTime(0, 0) ? at.date().toString(Qt::ISODate)
                                        : at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    }
    bool ok = false;
    const double number = PlainNumber(value, &ok);
    if (!ok)
        return value;
    const int style = cell.style;
    const bool dated = style >= 0 && std::size_t(style) < context.styles->dateFormat.size() &&
                       context.styles->dateFormat[std::size_t(style)];
    if (dated) {
        // Serial days share the epoch 12/30/1899 from 3/1/1900 on; before it, spreadsheets count a
        // 2/29/1900 that never was (day 60), so their days 1 to 59 are one day later than the count.
        double serial = number + (context.date1904 ? 1462 : 0);
        if (!context.date1904 && serial >= 1 && serial < 61)
            serial = serial < 60 ? serial + 1 : -1;
        if (const std::optional<QString> date = SerialDateText(serial))
            return *date;
    }
    return QString::number(number, 'g', 15);
}

// One <c> element's value as text; `fault` set when the sheet is damaged.
QString CellText(QXmlStreamReader& xml, const SheetContext& context, PartFault* fault) {
    const QXmlStreamAttributes a = xml.attributes();
    CellParts cell;
    const QString type = a.value(QLatin1String("t")).toString();
    cell.type = type;
    cell.style = a.value(QLatin1String("s")).toInt();
    ReadElementContent(
        xml,
        [&] {
            if (xml.name() == QLatin1String("v")) {
                cell.value = ElementText(xml, context.limits.cellChars, true);
                cell.haveValue = true;
            } else if (xml.name() == QLatin1String("is")) {
                cell.inlineText = ElementText(xml, context.limits.cellChars);
                cell.haveValue = true;
            } else {
                xml.skipCurrentElement();
            }
            return true;
        },
        [] {}, [](QStringView) {});
    return CellValue(cell, context, fault);
}

// The sheet's rows as its elements come: a row's start, its cells, its end. The XML reader and
// the sheet's scanner (SheetScanner) both hand their rows through it, so that they check and
// hand over alike. Rows up to `skipThrough` were handed over before and are read, not handed.
struct SheetRows {
    const SheetContext& context;
    WorkbookSheet& sheet;
    PartFault* fault;
    const std::function<void(const SheetRow&)>& take;
    const std::function<bool()>& goOn;
    int skipThrough = 0;
    int rowNumber = 0;
    SheetRow row;
    qsizetype column = -1;
    int rowsSeen = 0;

    // A <row> with `number` its r attribute (empty when it has none); false on a fault.
    bool Start(QStringView number) {
        bool ok = false;
        const int given = number.toInt(&ok);
        // Rows come in order; a number that does not go on is damage.
        if (ok && given <= rowNumber) {
            fault->text = Damaged(QStringLiteral("its rows are out of order"));
            return false;
        }
        rowNumber = ok ? given : rowNumber + 1;
        if (rowNumber > MaxSheetRows) {
            fault->text = Damaged(QStringLiteral("its first sheet goes on past row %1, the last row a "
                                                 "spreadsheet has")
                                      .arg(MaxSheetRows));
            return false;
        }
        row.number = rowNumber;
        column = -1;
        return true;
    }
    // The column of a <c> with `reference` its r attribute; -1 with `fault` set when it is out of
    // order.
    qsizetype Column(QStringView reference) {
        const qsizetype at = reference.isEmpty() ? column + 1 : ColumnOf(reference);
        if (at < 0 || at <= column || at >= MaxSheetColumns) {
            fault->text = Damaged(QStringLiteral("its cells are out of order"));
            return -1;
        }
        column = at;
        return at;
    }
    // The text of the cell in column `at`; false when reading stops (a fault, a cell too far).
    bool Cell(qsizetype at, QString text) {
        if (!fault->text.isEmpty())
            return false;
        if (text.isEmpty())
            return true;
        if (text.size() > context.limits.cellChars)
            text.truncate(context.limits.cellChars + 1);
        // No column of the list stands there: stop at once, however long the sheet goes on.
        if (at >= context.limits.columns) {
            sheet.farRow = rowNumber;
            sheet.farColumn = at;
            sheet.farText = text;
            return false;
        }
        row.cells.push_back({at, std::move(text)});
        return true;
    }
    // A </row>; false when the progress said to stop.
    bool End() {
        if (!row.cells.empty() && row.number > skipThrough)
            take(row);
        row.cells.clear();
        if (++rowsSeen % 256 == 0 && !goOn()) {
            sheet.cancelled = true;
            return false;
        }
        return true;
    }
};

// Reads the sheet's rows, handing each with text to `take`; false when reading stopped (`fault`
// set when the sheet is damaged, `sheet` telling a cell too far or a cancel). Rows up to
// `skipThrough` are not handed over again.
bool ReadSheet(QXmlStreamReader& xml, const SheetContext& context, WorkbookSheet& sheet, PartFault* fault,
               const std::function<void(const SheetRow&)>& take, const std::function<bool()>& goOn,
               int skipThrough) {
    SheetRows rows{context, sheet, fault, take, goOn, skipThrough};
    while (!xml.atEnd() && fault->text.isEmpty()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("row")) {
            if (!rows.End())
                return false;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("row")) {
            if (!rows.Start(xml.attributes().value(QLatin1String("r"))))
                return false;
        } else if (xml.name() == QLatin1String("c") && rows.rowNumber > 0) {
            const qsizetype at = rows.Column(xml.attributes().value(QLatin1String("r")));
            if (at < 0)
                return false;
            if (!rows.Cell(at, CellText(xml, context, fault)))
                return false;
        }
    }
    return fault->text.isEmpty();
}

// The sheet's rows read straight from its bytes. A workbook's sheet is rows of
// <c r=".." t=".." s=".."><v>..</v></c> and <c ..><is><t>..</t></is></c> almost alone, which a
// scan of the bytes reads many times faster than the XML reader. The scanner takes a row only
// when it has read the whole of it and is sure of it: the elements row, c, v, is and t alone,
// their attributes well formed and named once, text with the five entities and character
// references, in UTF-8, without a CR (which XML reads as LF) or a control character. The text
// between the rows (the sheet's start and end) goes to an XML reader of its own, which checks it
// as the whole part's reader would. Whatever else the scanner meets (a comment, a document type,
// a formula, rich text, a row it is not sure of, the part's end too soon, a part too large or too
// deep), it gives up: the XML reader then reads the part from its start and hands over only the
// rows after those handed here, so that every fault and message stays the reader's.
class SheetScanner {
public:
    enum class Outcome { Read, Stopped, GaveUp };

    SheetScanner(PartDevice& device, SheetRows& rows, const SheetContext& context)
        : m_device(device), m_rows(rows), m_context(context) {}

    Outcome Scan() {
        if (!More())
            return Outcome::GaveUp;
        if (m_buf.isEmpty() || m_buf[0] != '<' || !Utf8Declared())
            return Outcome::GaveUp;
        for (;;) {
            qsizetype at = m_buf.indexOf("<row", m_pos);
            while (at >= 0 && at + 4 < m_buf.size() && !IsNameEnd(m_buf[at + 4]))
                at = m_buf.indexOf("<row", at + 1);
            if (at < 0 || at + 4 >= m_buf.size()) {
                if (m_eof) {
                    if (!Outside(m_buf.size()))
                        return Outcome::GaveUp;
                    return Finished() ? Outcome::Read : Outcome::GaveUp;
                }
                if (!Outside(std::max(m_pos, m_buf.size() - 4)) || !More())
                    return Outcome::GaveUp;
                continue;
            }
            // A row stands where the reader of the rest is between elements, inside the root.
            if (!Outside(at) || m_state != Out::Text || m_depth < 1 || m_rootDone)
                return Outcome::GaveUp;
            qsizetype contentEnd = 0;
            qsizetype end = 0;
            for (;;) {
                const Span span = RowSpan(&contentEnd, &end);
                if (span == Span::Bad)
                    return Outcome::GaveUp;
                if (span == Span::Whole)
                    break;
                if (m_eof || m_buf.size() - m_pos > MaxRowBytes || !More())
                    return Outcome::GaveUp;
            }
            const Outcome row = Row(contentEnd);
            if (row != Outcome::Read)
                return row;
            m_pos = end;
        }
    }

private:
    static constexpr qsizetype Block = 1 << 20;
    static constexpr qsizetype MaxRowBytes = 8 << 20;
    enum class Out { Text, TagStart, Tag, Quoted };
    enum class Span { Whole, More, Bad };

    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    static bool IsNameEnd(char c) { return IsSpace(c) || c == '>' || c == '/'; }
    static bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
    static bool IsNameChar(char c) {
        return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    }

    // Reads on: the bytes before the position go, a block more comes. False when the part cannot
    // be read (too large, too deep, damaged).
    bool More() {
        m_buf.remove(0, m_pos);
        m_pos = 0;
        const qsizetype at = m_buf.size();
        m_buf.resize(at + Block);
        const qint64 got = m_device.read(m_buf.data() + at, Block);
        m_buf.resize(at + std::max<qint64>(got, 0));
        if (got < 0 || m_device.TooLarge() || m_device.TooDeep() || m_device.Failed())
            return false;
        m_eof = got == 0;
        return true;
    }

    // The part starts with no declaration or one that says UTF-8.
    bool Utf8Declared() const {
        if (!m_buf.startsWith("<?xml"))
            return true;
        const qsizetype end = m_buf.indexOf("?>");
        if (end < 0)
            return false;
        const QByteArray declaration = m_buf.left(end).toLower().replace('\'', '"');
        const qsizetype encoding = declaration.indexOf("encoding");
        if (encoding < 0)
            return true;
        QByteArray rest = declaration.mid(encoding + 8).trimmed();
        if (!rest.startsWith('='))
            return false;
        rest = rest.mid(1).trimmed();
        return rest.startsWith("\"utf-8\"");
    }

    // Hands the bytes from the position to `to` to the reader of the rest, following whether a
    // tag is open; false when the scanner cannot be sure of them.
    bool Outside(qsizetype to) {
        if (to <= m_pos)
            return true;
        const char* b = m_buf.constData();
        for (qsizetype i = m_pos; i < to; ++i) {
            const char c = b[i];
            // Past the document's end, nothing but spaces.
            if ((c & 0x80) || (m_ended && !IsSpace(c)))
                return false;
            switch (m_state) {
            case Out::Text:
                if (c == '<') {
                    m_state = Out::TagStart;
                    m_textAfterTag = false;
                } else if (!IsSpace(c)) {
                    m_textAfterTag = true;
                }
                break;
            case Out::TagStart:
                // Comments, CDATA, a document type and instructions are the reader's alone; the
                // declaration opens the part.
                if (c == '!' || (c == '?' && m_fed + (i - m_pos) != 1))
                    return false;
                m_state = Out::Tag;
                break;
            case Out::Tag:
                if (c == '"' || c == '\'') {
                    m_quote = c;
                    m_state = Out::Quoted;
                } else if (c == '>') {
                    m_state = Out::Text;
                } else if (c == '<') {
                    return false;
                }
                break;
            case Out::Quoted:
                if (c == m_quote)
                    m_state = Out::Tag;
                else if (c == '<')
                    return false;
                break;
            }
        }
        m_outside.addData(QByteArray(b + m_pos, to - m_pos));
        m_fed += to - m_pos;
        m_pos = to;
        while (!m_ended) {
            const QXmlStreamReader::TokenType token = m_outside.readNext();
            if (m_outside.hasError())
                return m_outside.error() == QXmlStreamReader::PrematureEndOfDocumentError;
            if (token == QXmlStreamReader::StartElement) {
                if (m_outside.name() == QLatin1String("row") || m_outside.name() == QLatin1String("c"))
                    return false;
                ++m_depth;
                QStringList prefixes;
                for (const QXmlStreamNamespaceDeclaration& d : m_outside.namespaceDeclarations())
                    prefixes += d.prefix().toString();
                m_prefixes.push_back(prefixes);
            } else if (token == QXmlStreamReader::EndElement) {
                if (--m_depth < 0 || m_prefixes.empty())
                    return false;
                m_prefixes.pop_back();
                m_rootDone = m_rootDone || m_depth == 0;
            } else if (token == QXmlStreamReader::EndDocument) {
                m_ended = true;
            } else if (token != QXmlStreamReader::StartDocument && token != QXmlStreamReader::Characters) {
                return false;
            }
        }
        return true;
    }

    // The part read to its end is whole: its root closed, nothing but spaces after it.
    bool Finished() const { return m_state == Out::Text && !m_textAfterTag && m_rootDone && m_depth == 0; }

    // Where the row at the position ends: `contentEnd` at its </row> (at its start tag's end when
    // it is empty), `end` after it.
    Span RowSpan(qsizetype* contentEnd, qsizetype* end) const {
        const char* b = m_buf.constData();
        const qsizetype n = m_buf.size();
        qsizetype p = m_pos + 4;
        char quote = 0;
        for (; p < n; ++p) {
            const char c = b[p];
            if (quote) {
                if (c == quote)
                    quote = 0;
                else if (c == '<')
                    return Span::Bad;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '<') {
                return Span::Bad;
            } else if (c == '>') {
                break;
            }
        }
        if (p >= n)
            return Span::More;
        if (b[p - 1] == '/') {
            *contentEnd = *end = p + 1;
            return Span::Whole;
        }
        const qsizetype close = m_buf.indexOf("</row", p + 1);
        if (close < 0)
            return Span::More;
        qsizetype q = close + 5;
        while (q < n && IsSpace(b[q]))
            ++q;
        if (q >= n)
            return Span::More;
        if (b[q] != '>')
            return Span::Bad;
        *contentEnd = close;
        *end = q + 1;
        return Span::Whole;
    }

    struct Attribute {
        QByteArrayView name, value;
    };

    // A start tag's attributes, from just after its name to its end; `p` after it. False when the
    // scanner is not sure of them.
    bool Attributes(const char*& p, const char* end, std::vector<Attribute>& out, bool* empty) const {
        out.clear();
        for (;;) {
            const char* spaced = p;
            while (p < end && IsSpace(*p))
                ++p;
            if (p >= end)
                return false;
            if (*p == '>') {
                ++p;
                *empty = false;
                return true;
            }
            if (*p == '/') {
                if (p + 1 >= end || p[1] != '>')
                    return false;
                p += 2;
                *empty = true;
                return true;
            }
            if (p == spaced || !IsNameStart(*p))
                return false;
            const char* name = p;
            qsizetype colon = -1;
            for (++p; p < end && (IsNameChar(*p) || *p == ':'); ++p) {
                if (*p == ':') {
                    if (colon >= 0 || p + 1 >= end || !IsNameStart(p[1]))
                        return false;
                    colon = p - name;
                }
            }
            const QByteArrayView attribute(name, p - name);
            if (attribute == "xmlns" || (colon >= 0 && !Declared(attribute.first(colon))))
                return false;
            while (p < end && IsSpace(*p))
                ++p;
            if (p >= end || *p != '=')
                return false;
            ++p;
            while (p < end && IsSpace(*p))
                ++p;
            if (p >= end || (*p != '"' && *p != '\''))
                return false;
            const char quote = *p++;
            const char* value = p;
            while (p < end && *p != quote) {
                // Entities and spaces XML would turn into others are the reader's.
                if (*p == '<' || *p == '&' || *p == '\t' || *p == '\n' || *p == '\r' || (*p & 0x80))
                    return false;
                ++p;
            }
            if (p >= end)
                return false;
            // Named twice, or two prefixes' names alike (which may name one namespace): the reader's.
            const QByteArrayView local = attribute.sliced(colon + 1);
            for (const Attribute& a : out) {
                if (a.name == attribute ||
                    (colon >= 0 && a.name.endsWith(local) && a.name.size() > local.size() &&
                     a.name[a.name.size() - local.size() - 1] == ':'))
                    return false;
            }
            if (out.size() >= 16)
                return false;
            out.push_back({attribute, QByteArrayView(value, p - value)});
            ++p;
        }
    }

    // A prefix the elements around the rows declare (xml is every document's).
    bool Declared(QByteArrayView prefix) const {
        if (prefix == "xml")
            return true;
        if (prefix == "xmlns")
            return false;
        const QString name = QString::fromLatin1(prefix);
        for (const QStringList& declared : m_prefixes) {
            if (declared.contains(name))
                return true;
        }
        return false;
    }

    static QByteArrayView ValueOf(const std::vector<Attribute>& attributes, const char* name) {
        for (const Attribute& a : attributes) {
            if (a.name == name)
                return a.value;
        }
        return {};
    }

    // Whether `p` starts the tag `<name` (`close`: `</name`).
    static bool Opens(const char* p, const char* end, QByteArrayView name, bool close = false) {
        const qsizetype skip = close ? 2 : 1;
        if (end - p < skip + name.size() + 1 || p[0] != '<' || (close && p[1] != '/'))
            return false;
        return QByteArrayView(p + skip, name.size()) == name && IsNameEnd(p[skip + name.size()]);
    }

    // Past `</name` spaces `>`; false when the end tag is not there.
    static bool Closes(const char*& p, const char* end, QByteArrayView name) {
        if (!Opens(p, end, name, true))
            return false;
        p += 2 + name.size();
        while (p < end && IsSpace(*p))
            ++p;
        if (p >= end || *p != '>')
            return false;
        ++p;
        return true;
    }

    static void PutUtf8(QByteArray& out, uint code) {
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xC0 | (code >> 6));
            out += char(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += char(0xE0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        } else {
            out += char(0xF0 | (code >> 18));
            out += char(0x80 | ((code >> 12) & 0x3F));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        }
    }

    // The text from `p` to the next tag, its entities and references read, cut after the cell's
    // most characters and added to `text`; false when the scanner is not sure of it.
    bool Text(const char*& p, const char* end, QString& text) {
        m_text.resize(0); // its memory kept for the next text
        for (; p < end && *p != '<'; ++p) {
            const char c = *p;
            if (c == '&') {
                const char* semicolon =
                    static_cast<const char*>(std::memchr(p, ';', size_t(std::min<qsizetype>(end - p, 12))));
                if (!semicolon)
                    return false;
                const QByteArrayView name(p + 1, semicolon - p - 1);
                if (name == "lt") {
                    m_text += '<';
                } else if (name == "gt") {
                    m_text += '>';
                } else if (name == "amp") {
                    m_text += '&';
                } else if (name == "quot") {
                    m_text += '"';
                } else if (name == "apos") {
                    m_text += '\'';
                } else if (name.size() > 1 && name[0] == '#') {
                    const bool hex = name[1] == 'x';
                    const QByteArrayView digits = name.sliced(hex ? 2 : 1);
                    if (digits.isEmpty() || digits.size() > 7)
                        return false;
                    uint code = 0;
                    for (const char d : digits) {
                        const int v = d >= '0' && d <= '9'          ? d - '0'
                                      : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                                      : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                                    : -1;
                        if (v < 0)
                            return false;
                        code = code * (hex ? 16 : 10) + uint(v);
                    }
                    const bool character =
                        code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
                        (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
                    if (!character)
                        return false;
                    PutUtf8(m_text, code);
                } else {
                    return false;
                }
                p = semicolon;
            } else if ((quint8(c) < 0x20 && c != '\t' && c != '\n') ||
                       (c == ']' && end - p >= 3 && p[1] == ']' && p[2] == '>')) {
                return false;
            } else {
                // A run of plain characters at once.
                const char* run = p;
                while (p + 1 < end && quint8(p[1]) >= 0x20 && p[1] != '<' && p[1] != '&' && p[1] != ']')
                    ++p;
                m_text.append(run, p + 1 - run);
            }
        }
        if (p >= end || !m_text.isValidUtf8() || m_text.contains("\xEF\xBF\xBE") ||
            m_text.contains("\xEF\xBF\xBF"))
            return false;
        const qsizetype most = m_context.limits.cellChars + 1;
        if (text.isEmpty()) {
            text = QString::fromUtf8(m_text);
            if (text.size() > most)
                text.truncate(most);
        } else if (text.size() < most) {
            const QString more = QString::fromUtf8(m_text);
            text += QStringView(more).left(most - text.size());
        }
        return true;
    }

    // The element `name`'s text, from just after its start tag's name to its end tag.
    bool Element(const char*& p, const char* end, QByteArrayView name, QString& text) {
        bool empty = false;
        if (!Attributes(p, end, m_scratch, &empty))
            return false;
        if (empty)
            return true;
        return Text(p, end, text) && Closes(p, end, name);
    }

    // A text held as ASCII bytes, as a view for Qt's number reading.
    struct Wide {
        explicit Wide(QByteArrayView bytes) {
            if (bytes.size() <= qsizetype(sizeof buffer / sizeof buffer[0])) {
                for (qsizetype i = 0; i < bytes.size(); ++i)
                    buffer[i] = char16_t(quint8(bytes[i]));
                view = QStringView(buffer, bytes.size());
            } else {
                held = QString::fromLatin1(bytes);
                view = held;
            }
        }
        char16_t buffer[32];
        QString held;
        QStringView view;
    };

    // The row from the position to `contentEnd`, checked whole and then handed through the rows.
    Outcome Row(qsizetype contentEnd) {
        const char* p = m_buf.constData() + m_pos + 4;
        const char* end = m_buf.constData() + contentEnd;
        const char* spanEnd = m_buf.constData() + m_buf.size();
        bool empty = false;
        if (!Attributes(p, spanEnd, m_attributes, &empty))
            return Outcome::GaveUp;
        const QByteArrayView number = ValueOf(m_attributes, "r");
        const bool numbered = !number.isNull();
        const QByteArray rowNumber = number.toByteArray();
        m_cells.clear();
        while (p < end) {
            while (p < end && IsSpace(*p))
                ++p;
            if (p >= end)
                break;
            if (!Opens(p, end, "c"))
                return Outcome::GaveUp;
            p += 2;
            if (!Attributes(p, end, m_attributes, &empty))
                return Outcome::GaveUp;
            Scanned& cell = m_cells.emplace_back();
            cell.reference = ValueOf(m_attributes, "r");
            cell.type = ValueOf(m_attributes, "t");
            cell.style = ValueOf(m_attributes, "s");
            while (!empty) {
                while (p < end && IsSpace(*p))
                    ++p;
                if (Closes(p, end, "c"))
                    break;
                if (Opens(p, end, "v")) {
                    p += 2;
                    cell.parts.value.clear();
                    cell.parts.haveValue = true;
                    if (!Element(p, end, "v", cell.parts.value))
                        return Outcome::GaveUp;
                } else if (Opens(p, end, "is")) {
                    p += 3;
                    cell.parts.inlineText.clear();
                    cell.parts.haveValue = true;
                    bool none = false;
                    if (!Attributes(p, end, m_scratch, &none))
                        return Outcome::GaveUp;
                    while (!none) {
                        while (p < end && IsSpace(*p))
                            ++p;
                        if (Closes(p, end, "is"))
                            break;
                        if (!Opens(p, end, "t"))
                            return Outcome::GaveUp;
                        p += 2;
                        if (!Element(p, end, "t", cell.parts.inlineText))
                            return Outcome::GaveUp;
                    }
                } else {
                    return Outcome::GaveUp;
                }
            }
        }
        // Whole and sure: the row goes through as the reader's would.
        const Wide numberText(numbered ? QByteArrayView(rowNumber) : QByteArrayView());
        if (!m_rows.Start(numbered ? numberText.view : QStringView()))
            return Outcome::Stopped;
        for (Scanned& cell : m_cells) {
            const Wide reference(cell.reference);
            const qsizetype at = m_rows.Column(reference.view);
            if (at < 0)
                return Outcome::Stopped;
            const Wide type(cell.type);
            const Wide style(cell.style);
            cell.parts.type = type.view;
            cell.parts.style = style.view.toInt();
            if (!m_rows.Cell(at, CellValue(cell.parts, m_context, m_rows.fault)))
                return Outcome::Stopped;
        }
        return m_rows.End() ? Outcome::Read : Outcome::Stopped;
    }

    struct Scanned {
        QByteArrayView reference, type, style;
        CellParts parts;
    };

    PartDevice& m_device;
    SheetRows& m_rows;
    const SheetContext& m_context;
    QByteArray m_buf;
    qsizetype m_pos = 0;
    bool m_eof = false;
    qint64 m_fed = 0; // bytes handed to the reader of the rest
    QXmlStreamReader m_outside;
    Out m_state = Out::Text;
    char m_quote = 0;
    bool m_textAfterTag = false;
    qint64 m_depth = 0;
    bool m_rootDone = false;
    bool m_ended = false; // the reader of the rest saw the document's end
    std::vector<QStringList> m_prefixes;
    std::vector<Attribute> m_attributes, m_scratch;
    std::vector<Scanned> m_cells;
    QByteArray m_text;
};

// Reads the sheet `name` with the scanner, as ReadPart reads a part; nothing when the scanner
// gave up, and the XML reader is to read the part again.
std::optional<PartRead> ScanSheetPart(ZipReader& zip, const QString& name, qint64 limit, PartFault* fault,
                                      qint64* unpacked, SheetRows& rows, const SheetContext& context) {
    if (!zip.Locate(name))
        return PartRead::Missing;
    if (zip.UnpackedSize() > quint64(limit) || !zip.Open())
        return std::nullopt;
    SheetScanner::Outcome outcome;
    {
        PartDevice device(zip, limit, unpacked);
        outcome = SheetScanner(device, rows, context).Scan();
    }
    // Closing a part read to its end checks its CRC.
    const bool closed = zip.Close();
    if (outcome == SheetScanner::Outcome::GaveUp)
        return std::nullopt;
    if (!closed)
        fault->text = Damaged(QStringLiteral("its part '%1' cannot be unpacked").arg(name));
    return fault->text.isEmpty() && outcome == SheetScanner::Outcome::Read ? PartRead::Read
                                                                           : PartRead::Failed;
}

// An OpenDocument spreadsheet's cell text: its paragraphs (text:p, text:h) one to a line, with
// the spaces, tabs and line breaks they mark (text:s, text:tab, text:line-break); comments and
// notes are no part of it. Cut after `most` characters.
QString OdsCellText(QXmlStreamReader& xml, qsizetype most) {
    QString text;
    const auto add = [&](QStringView more) {
        if (text.size() <= most)
            text += more.left(most + 1 - text.size());
    };
    int paragraphs = 0;
    ReadElementContent(
        xml,
        [&] {
            const QStringView name = xml.name();
            if ((xml.namespaceUri() == OfficeNs && name == QLatin1String("annotation")) ||
                (xml.namespaceUri() == TextNs && name == QLatin1String("note"))) {
                xml.skipCurrentElement();
                return true;
            }
            if (xml.namespaceUri() != TextNs)
                return false;
            if (name == QLatin1String("p") || name == QLatin1String("h")) {
                if (paragraphs++ > 0)
                    add(u"\n");
            } else if (name == QLatin1String("s")) {
                const QStringView count = xml.attributes().value(TextNs, QLatin1String("c"));
                const qint64 spaces = count.isEmpty() ? 1 : count.toLongLong();
                if (spaces > 0 && text.size() <= most)
                    add(QString(qsizetype(std::min<qint64>(spaces, most + 1 - text.size())), u' '));
            } else if (name == QLatin1String("tab")) {
                add(u"\t");
            } else if (name == QLatin1String("line-break")) {
                add(u"\n");
            }
            return false;
        },
        [] {}, add);
    return text;
}

// A table:table-cell's value as a spreadsheet shows it: a number in its shortest form, a date as
// yyyy-MM-dd (with hh:mm:ss when the day has a time), TRUE or FALSE, anything else as its text.
QString OdsCellValue(QXmlStreamReader& xml, qsizetype most) {
    const QXmlStreamAttributes a = xml.attributes();
    const QString type = a.value(OfficeNs, QLatin1String("value-type")).toString();
    const QString number = a.value(OfficeNs, QLatin1String("value")).toString();
    const QString date = a.value(OfficeNs, QLatin1String("date-value")).toString();
    const QString boolean = a.value(OfficeNs, QLatin1String("boolean-value")).toString();
    const bool hasString = a.hasAttribute(OfficeNs, QLatin1String("string-value"));
    const QString string = a.value(OfficeNs, QLatin1String("string-value")).toString();
    const QString text = OdsCellText(xml, most);
    if (type == QLatin1String("float") || type == QLatin1String("percentage") ||
        type == QLatin1String("currency")) {
        bool ok = false;
        const double value = number.trimmed().toDouble(&ok);
        return ok && std::isfinite(value) ? QString::number(value, 'g', 15) : text;
    }
    if (type == QLatin1String("date")) {
        const QDate day = QDate::fromString(date.trimmed(), Qt::ISODate);
        if (day.isValid())
            return day.toString(Qt::ISODate);
        const QDateTime at = QDateTime::fromString(date.trimmed(), Qt::ISODate);
        if (!at.isValid())
            return text;
        return at.time() == QTime(0, 0) ? at.date().toString(Qt::ISODate)
                                        : at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    }
    if (type == QLatin1String("boolean"))
        return boolean.trimmed() == QLatin1String("true") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (type == QLatin1String("string") && hasString)
        return string.left(most + 1);
    return text;
}

// How many times a row or a cell stands (table:number-rows-repeated, -columns-repeated): 1 when
// not said, 0 with `fault` set when it is no count.
qint64 OdsRepeats(const QXmlStreamAttributes& a, QLatin1StringView name, PartFault* fault) {
    const QStringView value = a.value(TableNs, name);
    if (value.isEmpty())
        return 1;
    bool ok = false;
    const qint64 count = value.trimmed().toLongLong(&ok);
    if (ok && count > 0)
        return count;
    fault->text = Damaged(QStringLiteral("a row or a cell says it repeats '%1' times").arg(value.left(20)));
    return 0;
}

// Reads the rows of the first table of an OpenDocument spreadsheet's content, handing each with
// text to `take` (a repeated row once for each time it stands). A repeat past the sheet's last
// row or column is cut there when it holds no text; text there stops the reading, as in a
// workbook. False when reading stopped (`fault` set when the sheet is damaged, `sheet` telling a
// cell too far or a cancel).
bool ReadOdsTable(QXmlStreamReader& xml, const SheetLimits& limits, WorkbookSheet& sheet, PartFault* fault,
                  const std::function<void(const SheetRow&)>& take, const std::function<bool()>& goOn) {
    const auto isTable = [&](QLatin1StringView name) {
        return xml.namespaceUri() == TableNs && xml.name() == name;
    };
    while (!xml.atEnd() &&
           !(xml.readNext() == QXmlStreamReader::StartElement && isTable(QLatin1String("table")))) {
    }
    if (xml.atEnd()) {
        // An XML fault is told by the part's reader.
        if (!xml.hasError())
            fault->text = QStringLiteral("The workbook has no sheet.");
        return xml.hasError();
    }
    qint64 rows = 0; // the rows before the one at hand
    int steps = 0;   // rows read and handed over, to ask the progress every so many
    SheetRow row;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && isTable(QLatin1String("table")))
            return true; // the first sheet is all that is read
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (isTable(QLatin1String("table-header-rows")) || isTable(QLatin1String("table-rows")) ||
            isTable(QLatin1String("table-row-group")))
            continue; // rows are inside
        if (!isTable(QLatin1String("table-row"))) {
            xml.skipCurrentElement();
            continue;
        }
        const qint64 repeat = OdsRepeats(xml.attributes(), QLatin1String("number-rows-repeated"), fault);
        if (repeat == 0)
            return false;
        row.cells.clear();
        qint64 column = 0; // the cells before the one at hand
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType inRow = xml.readNext();
            if (inRow == QXmlStreamReader::EndElement)
                break; // the row's end: every cell is read whole
            if (inRow != QXmlStreamReader::StartElement)
                continue;
            const bool cell = isTable(QLatin1String("table-cell"));
            if (!cell && !isTable(QLatin1String("covered-table-cell"))) {
                xml.skipCurrentElement();
                continue;
            }
            const qint64 times =
                OdsRepeats(xml.attributes(), QLatin1String("number-columns-repeated"), fault);
            if (times == 0)
                return false;
            // A merged cell's hidden part shows nothing.
            QString text = cell ? OdsCellValue(xml, limits.cellChars) : (xml.skipCurrentElement(), QString());
            if (!text.isEmpty()) {
                if (text.size() > limits.cellChars)
                    text.truncate(limits.cellChars + 1);
                for (qint64 c = column; c < column + std::min<qint64>(times, MaxSheetColumns); ++c) {
                    if (c >= limits.columns) {
                        // No column of the list stands there: stop at once.
                        sheet.farRow = int(std::min<qint64>(rows + 1, MaxSheetRows));
                        sheet.farColumn = qsizetype(c);
                        sheet.farText = text;
                        return false;
                    }
                    row.cells.push_back({qsizetype(c), text});
                }
            }
            column = times >= MaxSheetColumns - column ? MaxSheetColumns : column + times;
        }
        if (xml.hasError())
            return true; // told by the part's reader
        if (!row.cells.empty()) {
            for (qint64 r = 0; r < repeat; ++r) {
                if (rows + r >= MaxSheetRows) {
                    fault->text =
                        Damaged(QStringLiteral("its first sheet goes on past row %1, the last row a "
                                               "spreadsheet has")
                                    .arg(MaxSheetRows));
                    return false;
                }
                row.number = int(rows + r + 1);
                take(row);
                if (++steps % 256 == 0 && !goOn())
                    return false;
            }
        }
        if (++steps % 256 == 0 && !goOn())
            return false;
        rows = repeat >= MaxSheetRows - rows ? MaxSheetRows : rows + repeat;
    }
    return true; // an XML fault is told by the part's reader
}

} // namespace

bool LooksLikeZip(const QByteArray& bytes) {
    return bytes.startsWith("PK\x03\x04");
}

QString SaveAsReadableText() {
    return QStringLiteral("Save it as a workbook this program reads: in Excel, File > Save As, \"Excel "
                          "Workbook (*.xlsx)\"; in LibreOffice, File > Save As, \"ODF Spreadsheet "
                          "(.ods)\" or \"Excel 2007-365 (.xlsx)\".");
}

QString ColumnLetters(qsizetype column) {
    QString letters;
    for (qsizetype n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + char16_t((n - 1) % 26)));
    return letters;
}

WorkbookSheet ReadWorkbookSheet(const QByteArray& bytes, const SheetLimits& limits,
                                const std::function<void(const SheetRow&)>& row,
                                const std::function<bool(qint64 done, qint64 total)>& progress) {
    WorkbookSheet sheet;
    ZipReader zip(bytes);
    if (!zip.Ok()) {
        sheet.fault = Damaged(QStringLiteral("it cannot be unpacked"));
        return sheet;
    }
    PartFault fault;
    const auto fail = [&](const QString& text) {
        sheet.fault = text;
        return sheet;
    };
    qint64 unpacked = 0;
    const auto part = [&](const QString& name, auto read) {
        return ReadPart(zip, name, MaxWorkbookPartBytes, &fault, &unpacked, read);
    };
    // How far the parts with rows have unpacked, of what their entries say they hold.
    qint64 total = 0;
    qint64 before = 0;
    const auto goOn = [&] {
        if (!progress || progress(std::min(unpacked - before, total), total))
            return true;
        sheet.cancelled = true;
        return false;
    };
    const auto sizeOf = [&](const QString& name, qint64 limit) {
        return !name.isEmpty() && zip.Locate(name)
                   ? qint64(std::min<quint64>(zip.UnpackedSize(), quint64(limit)))
                   : 0;
    };

    // An OpenDocument spreadsheet names itself in its first part, "mimetype"; its sheets are in
    // content.xml.
    if (zip.Locate(QStringLiteral("mimetype")) && zip.UnpackedSize() <= 256 && zip.Open()) {
        char type[257];
        const qint64 got = zip.Read(type, sizeof type);
        zip.Close();
        if (got > 0 && QLatin1StringView(type, got).trimmed() == OdsMimeType) {
            const QString content = QStringLiteral("content.xml");
            total = sizeOf(content, MaxOpenDocumentContentBytes);
            if (!goOn())
                return sheet;
            const PartRead read = ReadPart(
                zip, content, MaxOpenDocumentContentBytes, &fault, &unpacked,
                [&](QXmlStreamReader& xml) { return ReadOdsTable(xml, limits, sheet, &fault, row, goOn); });
            if (read == PartRead::Missing)
                return fail(Damaged(QStringLiteral("its part 'content.xml' is missing")));
            if (read == PartRead::Failed && !sheet.cancelled && sheet.farColumn < 0)
                return fail(fault.text);
            if (read == PartRead::Read)
                goOn();
            return sheet;
        }
    }

    // The package names its workbook; most writers put it at xl/workbook.xml.
    QString workbookPart = QStringLiteral("xl/workbook.xml");
    const PartRead root = part(QStringLiteral("_rels/.rels"), [&](QXmlStreamReader& xml) {
        for (const auto& [id, r] : Relationships(xml, {})) {
            if (r.type == QLatin1String("officeDocument"))
                workbookPart = r.target;
        }
        return true;
    });
    if (root == PartRead::Failed)
        return fail(fault.text);
    if (workbookPart.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive))
        return fail(QStringLiteral("The file is an Excel binary workbook (.xlsb). ") + SaveAsReadableText());

    // The first sheet, and the epoch its dates count from.
    QString firstSheetId;
    bool date1904 = false;
    const PartRead workbook = part(workbookPart, [&](QXmlStreamReader& xml) {
        ForEachElement(xml, [&] {
            const QXmlStreamAttributes a = xml.attributes();
            if (xml.name() == QLatin1String("workbookPr")) {
                const QStringView value = a.value(QLatin1String("date1904"));
                date1904 = value == QLatin1String("1") || value == QLatin1String("true");
            } else if (xml.name() == QLatin1String("sheet") && firstSheetId.isEmpty()) {
                for (const QXmlStreamAttribute& attribute : a) {
                    if (attribute.name() == QLatin1String("id") && !attribute.prefix().isEmpty())
                        firstSheetId = attribute.value().toString();
                }
                if (firstSheetId.isEmpty())
                    firstSheetId = QStringLiteral("-");
            }
        });
        return true;
    });
    if (workbook != PartRead::Read)
        return fail(workbook == PartRead::Missing ? NotWorkbookText() : fault.text);
    if (firstSheetId.isEmpty())
        return fail(QStringLiteral("The workbook has no sheet."));

    const QString folder = FolderOf(workbookPart);
    const QString relsPart =
        folder + QStringLiteral("_rels/") + workbookPart.mid(folder.size()) + QStringLiteral(".rels");
    QString sheetPart = folder + QStringLiteral("worksheets/sheet1.xml");
    QString stringsPart = folder + QStringLiteral("sharedStrings.xml");
    QString stylesPart = folder + QStringLiteral("styles.xml");
    const PartRead rels = part(relsPart, [&](QXmlStreamReader& xml) {
        stringsPart.clear();
        stylesPart.clear();
        for (const auto& [id, r] : Relationships(xml, folder)) {
            if (id == firstSheetId)
                sheetPart = r.target;
            else if (r.type == QLatin1String("sharedStrings"))
                stringsPart = r.target;
            else if (r.type == QLatin1String("styles"))
                stylesPart = r.target;
        }
        return true;
    });
    if (rels == PartRead::Failed)
        return fail(fault.text);

    total = sizeOf(stringsPart, MaxWorkbookPartBytes) + sizeOf(sheetPart, MaxWorkbookPartBytes);
    before = unpacked;
    if (!goOn())
        return sheet;

    // The shared texts and the styles a workbook may do without: read when they are there.
    SharedStrings strings;
    Styles styles;
    if (!stringsPart.isEmpty() && part(stringsPart, [&](QXmlStreamReader& xml) {
                                      return ReadSharedStrings(xml, limits.cellChars, strings, goOn);
                                  }) == PartRead::Failed)
        return sheet.cancelled ? sheet : fail(fault.text);
    if (!stylesPart.isEmpty() && part(stylesPart, [&](QXmlStreamReader& xml) {
                                     styles = ReadStyles(xml);
                                     return true;
                                 }) == PartRead::Failed)
        return fail(fault.text);

    const SheetContext context{&strings, &styles, date1904, limits};
    const std::function<bool()> going = goOn;
    SheetRows scanned{context, sheet, &fault, row, going};
    std::optional<PartRead> read =
        ScanSheetPart(zip, sheetPart, MaxWorkbookPartBytes, &fault, &unpacked, scanned, context);
    if (!read) {
        // The reader reads the sheet again, past the rows the scanner handed over.
        read = part(sheetPart, [&](QXmlStreamReader& xml) {
            return ReadSheet(xml, context, sheet, &fault, row, going, scanned.rowNumber);
        });
    }
    if (*read == PartRead::Missing)
        return fail(Damaged(QStringLiteral("its first sheet is missing")));
    if (*read == PartRead::Failed && !sheet.cancelled && sheet.farColumn < 0)
        return fail(fault.text);
    if (*read == PartRead::Read)
        goOn();
    return sheet;
}
