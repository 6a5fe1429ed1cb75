#include "exchange/importxlsx.h"

#include "exchange/zipmemory.h"

#include <QDate>
#include <QDateTime>
#include <QIODevice>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <cmath>
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

// The text of the element at hand: its <t> children's, or its own, runs joined; the phonetic
// guide (<rPh>) some writers add to East Asian text is no part of it. Cut after `most` characters.
// `own`: the element holds its text itself, as <v> does.
QString ElementText(QXmlStreamReader& xml, qsizetype most, bool own = false) {
    QString text;
    int depth = 1;
    bool inPhonetic = false;
    bool inText = own;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (xml.name() == QLatin1String("rPh"))
                inPhonetic = true;
            inText = xml.name() == QLatin1String("t") || xml.name() == QLatin1String("v");
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (xml.name() == QLatin1String("rPh"))
                inPhonetic = false;
            inText = false;
            break;
        case QXmlStreamReader::Characters:
            if (inText && !inPhonetic && text.size() <= most)
                text += xml.text().left(most + 1 - text.size());
            break;
        default:
            break;
        }
    }
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

// One <c> element's value as text; `fault` set when the sheet is damaged.
QString CellText(QXmlStreamReader& xml, const SheetContext& context, PartFault* fault) {
    const QXmlStreamAttributes a = xml.attributes();
    const QString type = a.value(QLatin1String("t")).toString();
    const int style = a.value(QLatin1String("s")).toInt();
    QString value;
    QString inlineText;
    int depth = 1;
    bool haveValue = false;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (xml.name() == QLatin1String("v")) {
                value = ElementText(xml, context.limits.cellChars, true);
                haveValue = true;
                --depth;
            } else if (xml.name() == QLatin1String("is")) {
                inlineText = ElementText(xml, context.limits.cellChars);
                haveValue = true;
                --depth;
            } else {
                xml.skipCurrentElement();
                --depth;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    if (!haveValue)
        return {};
    if (type == QLatin1String("inlineStr"))
        return Unescaped(inlineText);
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
    const double number = value.trimmed().toDouble(&ok);
    if (!ok)
        return value;
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

// Reads the sheet's rows, handing each with text to `take`; false when reading stopped (`fault`
// set when the sheet is damaged, `sheet` telling a cell too far or a cancel).
bool ReadSheet(QXmlStreamReader& xml, const SheetContext& context, WorkbookSheet& sheet, PartFault* fault,
               const std::function<void(const SheetRow&)>& take, const std::function<bool()>& goOn) {
    int rowNumber = 0;
    SheetRow row;
    qsizetype column = -1;
    int rowsSeen = 0;
    while (!xml.atEnd() && fault->text.isEmpty()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("row")) {
            if (!row.cells.empty())
                take(row);
            row.cells.clear();
            if (++rowsSeen % 256 == 0 && !goOn()) {
                sheet.cancelled = true;
                return false;
            }
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("row")) {
            const QXmlStreamAttributes a = xml.attributes();
            bool ok = false;
            const int number = a.value(QLatin1String("r")).toInt(&ok);
            // Rows come in order; a number that does not go on is damage.
            if (ok && number <= rowNumber) {
                fault->text = Damaged(QStringLiteral("its rows are out of order"));
                return false;
            }
            rowNumber = ok ? number : rowNumber + 1;
            if (rowNumber > MaxSheetRows) {
                fault->text = Damaged(QStringLiteral("its first sheet goes on past row %1, the last row a "
                                                     "spreadsheet has")
                                          .arg(MaxSheetRows));
                return false;
            }
            row.number = rowNumber;
            column = -1;
        } else if (xml.name() == QLatin1String("c") && rowNumber > 0) {
            const QStringView reference = xml.attributes().value(QLatin1String("r"));
            const qsizetype at = reference.isEmpty() ? column + 1 : ColumnOf(reference);
            if (at < 0 || at <= column || at >= MaxSheetColumns) {
                fault->text = Damaged(QStringLiteral("its cells are out of order"));
                return false;
            }
            column = at;
            QString text = CellText(xml, context, fault);
            if (text.isEmpty())
                continue;
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
        }
    }
    return fault->text.isEmpty();
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
    int depth = 1;
    int paragraphs = 0;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            ++depth;
            const QStringView name = xml.name();
            if (xml.namespaceUri() == OfficeNs && name == QLatin1String("annotation")) {
                xml.skipCurrentElement();
                --depth;
            } else if (xml.namespaceUri() != TextNs) {
                break;
            } else if (name == QLatin1String("p") || name == QLatin1String("h")) {
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
            } else if (name == QLatin1String("note")) {
                xml.skipCurrentElement();
                --depth;
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            add(xml.text());
            break;
        default:
            break;
        }
    }
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
    const PartRead read = part(
        sheetPart, [&](QXmlStreamReader& xml) { return ReadSheet(xml, context, sheet, &fault, row, goOn); });
    if (read == PartRead::Missing)
        return fail(Damaged(QStringLiteral("its first sheet is missing")));
    if (read == PartRead::Failed && !sheet.cancelled && sheet.farColumn < 0)
        return fail(fault.text);
    if (read == PartRead::Read)
        goOn();
    return sheet;
}
