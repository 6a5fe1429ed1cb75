#include "exchange/importxlsx.h"

#include <QBuffer>
#include <QDate>
#include <QDateTime>
#include <QTimeZone>
#include <QXmlStreamReader>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <cmath>
#include <optional>

namespace {

constexpr qsizetype MaxSheetColumns = 16384; // XFD, the last column a spreadsheet has
constexpr int MaxSheetRows = 1048576;

const QString NotWorkbookText = QStringLiteral(
    "The file is a zip archive but not an Excel workbook. In your spreadsheet, save it as \"Excel "
    "Workbook (*.xlsx)\" (Excel) or \"Excel 2007-365 (.xlsx)\" (LibreOffice).");

// Why the workbook cannot be read, once a step finds out.
struct PartFault {
    QString text;
};

QString Damaged(const QString& what) {
    return QStringLiteral("The workbook is damaged: %1.").arg(what);
}

// The part `name` of the archive, whole; refused as soon as it unpacks past the limit, whatever
// its entry says of its size. Nothing when the archive has no such part.
std::optional<QByteArray> ReadPart(QuaZip& zip, const QString& name, PartFault* fault) {
    if (!zip.setCurrentFile(name, QuaZip::csInsensitive))
        return std::nullopt;
    const QString tooLarge = QStringLiteral("The workbook's part '%1' unpacks to more than %2 MB; no list "
                                            "of employees is that long.")
                                 .arg(name)
                                 .arg(MaxWorkbookPartBytes / (1024 * 1024));
    QuaZipFileInfo64 info;
    if (zip.getCurrentFileInfo(&info) && info.uncompressedSize > quint64(MaxWorkbookPartBytes)) {
        fault->text = tooLarge;
        return std::nullopt;
    }
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly)) {
        fault->text = Damaged(QStringLiteral("its part '%1' cannot be unpacked").arg(name));
        return std::nullopt;
    }
    QByteArray data;
    char block[64 * 1024];
    for (;;) {
        const qint64 got = file.read(block, sizeof block);
        if (got < 0) {
            fault->text = Damaged(QStringLiteral("its part '%1' cannot be unpacked").arg(name));
            return std::nullopt;
        }
        if (got == 0)
            break;
        if (data.size() + got > MaxWorkbookPartBytes) {
            fault->text = tooLarge;
            return std::nullopt;
        }
        data.append(block, got);
    }
    file.close();
    if (file.getZipError() != UNZ_OK) {
        fault->text = Damaged(QStringLiteral("its part '%1' cannot be unpacked").arg(name));
        return std::nullopt;
    }
    return data;
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

std::optional<std::vector<std::pair<QString, Relationship>>>
Relationships(const QByteArray& xmlText, const QString& part, const QString& folder, PartFault* fault) {
    std::vector<std::pair<QString, Relationship>> out;
    QXmlStreamReader xml(xmlText);
    ForEachElement(xml, [&] {
        if (xml.name() != QLatin1String("Relationship"))
            return;
        const QXmlStreamAttributes a = xml.attributes();
        const QString type = a.value(QLatin1String("Type")).toString();
        out.push_back({a.value(QLatin1String("Id")).toString(),
                       {type.mid(type.lastIndexOf(u'/') + 1),
                        Resolved(folder, a.value(QLatin1String("Target")).toString())}});
    });
    if (xml.hasError()) {
        fault->text = XmlFault(part, xml);
        return std::nullopt;
    }
    return out;
}

// The text of the element at hand: its <t> children's, or its own, runs joined; the phonetic
// guide (<rPh>) some writers add to East Asian text is no part of it.
QString ElementText(QXmlStreamReader& xml) {
    QString text;
    int depth = 1;
    bool inPhonetic = false;
    bool inText = false;
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
            if (inText && !inPhonetic)
                text += xml.text();
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

std::optional<Styles> ReadStyles(const QByteArray& xmlText, const QString& part, PartFault* fault) {
    Styles styles;
    std::vector<std::pair<int, QString>> custom;
    QXmlStreamReader xml(xmlText);
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
    if (xml.hasError()) {
        fault->text = XmlFault(part, xml);
        return std::nullopt;
    }
    return styles;
}

std::optional<std::vector<QString>> ReadSharedStrings(const QByteArray& xmlText, const QString& part,
                                                      PartFault* fault) {
    std::vector<QString> strings;
    QXmlStreamReader xml(xmlText);
    const bool ok = ForEachElement(xml, [&] {
        if (xml.name() == QLatin1String("si"))
            strings.push_back(Unescaped(ElementText(xml)));
    });
    if (!ok) {
        fault->text = XmlFault(part, xml);
        return std::nullopt;
    }
    return strings;
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
    const std::vector<QString>* strings;
    const Styles* styles;
    bool date1904 = false;
    qsizetype maxCellBytes;
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
                value = xml.readElementText();
                haveValue = true;
                --depth;
            } else if (xml.name() == QLatin1String("is")) {
                inlineText = ElementText(xml);
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
        if (!ok || index >= context.strings->size()) {
            fault->text = Damaged(QStringLiteral("a cell names a shared text that is not there"));
            return {};
        }
        return (*context.strings)[index];
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

bool ReadSheet(const QByteArray& xmlText, const QString& part, const SheetContext& context,
               WorkbookSheet& sheet, PartFault* fault) {
    QXmlStreamReader xml(xmlText);
    int rowNumber = 0;
    SheetRow row;
    qsizetype column = -1;
    const auto finishRow = [&] {
        while (!row.cells.empty() && row.cells.back().isEmpty())
            row.cells.pop_back();
        if (!row.cells.empty())
            sheet.rows.push_back(std::move(row));
        row = SheetRow();
    };
    while (!xml.atEnd() && fault->text.isEmpty()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("row")) {
            finishRow();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("row")) {
            const QXmlStreamAttributes a = xml.attributes();
            bool ok = false;
            const int number = a.value(QLatin1String("r")).toInt(&ok);
            // Rows come in order; a number that does not go on is damage.
            if (ok && (number <= rowNumber || number > MaxSheetRows)) {
                fault->text = Damaged(QStringLiteral("its rows are out of order"));
                return false;
            }
            rowNumber = ok ? number : rowNumber + 1;
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
            QByteArray text = CellText(xml, context, fault).toUtf8();
            if (text.size() > context.maxCellBytes)
                text.truncate(context.maxCellBytes + 1);
            if (!text.isEmpty()) {
                if (qsizetype(row.cells.size()) <= at)
                    row.cells.resize(std::size_t(at) + 1);
                row.cells[std::size_t(at)] = std::move(text);
            }
        }
    }
    if (xml.hasError()) {
        fault->text = XmlFault(part, xml);
        return false;
    }
    return fault->text.isEmpty();
}

} // namespace

bool LooksLikeZip(const QByteArray& bytes) {
    return bytes.startsWith("PK\x03\x04");
}

QString ColumnLetters(qsizetype column) {
    QString letters;
    for (qsizetype n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + char16_t((n - 1) % 26)));
    return letters;
}

WorkbookSheet ReadWorkbookSheet(const QByteArray& bytes, qsizetype maxCellBytes) {
    WorkbookSheet sheet;
    QByteArray data = bytes;
    QBuffer buffer(&data);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdUnzip)) {
        sheet.fault = Damaged(QStringLiteral("it cannot be unpacked"));
        return sheet;
    }
    PartFault fault;
    const auto fail = [&](const QString& text) {
        sheet.fault = text;
        return sheet;
    };
    const auto part = [&](const QString& name) {
        return ReadPart(zip, name, &fault);
    };

    // The package names its workbook; most writers put it at xl/workbook.xml.
    QString workbookPart = QStringLiteral("xl/workbook.xml");
    if (const std::optional<QByteArray> root = part(QStringLiteral("_rels/.rels"))) {
        const auto relationships = Relationships(*root, QStringLiteral("_rels/.rels"), {}, &fault);
        if (!relationships)
            return fail(fault.text);
        for (const auto& [id, r] : *relationships) {
            if (r.type == QLatin1String("officeDocument"))
                workbookPart = r.target;
        }
    }
    if (!fault.text.isEmpty())
        return fail(fault.text);
    const std::optional<QByteArray> workbook = part(workbookPart);
    if (!workbook)
        return fail(fault.text.isEmpty() ? NotWorkbookText : fault.text);

    // The first sheet, and the epoch its dates count from.
    QString firstSheetId;
    bool date1904 = false;
    {
        QXmlStreamReader xml(*workbook);
        const bool ok = ForEachElement(xml, [&] {
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
        if (!ok)
            return fail(XmlFault(workbookPart, xml));
    }
    if (firstSheetId.isEmpty())
        return fail(QStringLiteral("The workbook has no sheet."));

    const QString folder = FolderOf(workbookPart);
    const QString relsPart =
        folder + QStringLiteral("_rels/") + workbookPart.mid(folder.size()) + QStringLiteral(".rels");
    QString sheetPart = folder + QStringLiteral("worksheets/sheet1.xml");
    QString stringsPart;
    QString stylesPart;
    const std::optional<QByteArray> rels = part(relsPart);
    if (!fault.text.isEmpty())
        return fail(fault.text);
    if (rels) {
        const auto relationships = Relationships(*rels, relsPart, folder, &fault);
        if (!relationships)
            return fail(fault.text);
        for (const auto& [id, r] : *relationships) {
            if (id == firstSheetId)
                sheetPart = r.target;
            else if (r.type == QLatin1String("sharedStrings"))
                stringsPart = r.target;
            else if (r.type == QLatin1String("styles"))
                stylesPart = r.target;
        }
    } else {
        stringsPart = folder + QStringLiteral("sharedStrings.xml");
        stylesPart = folder + QStringLiteral("styles.xml");
    }

    // The shared texts and the styles a workbook may do without: read when they are there.
    const auto readOptional = [&](const QString& name, auto reader, auto& out) {
        if (name.isEmpty())
            return true;
        if (const std::optional<QByteArray> xml = part(name)) {
            auto read = reader(*xml, name, &fault);
            if (!read)
                return false;
            out = std::move(*read);
        }
        return fault.text.isEmpty();
    };
    std::vector<QString> strings;
    Styles styles;
    if (!readOptional(stringsPart, ReadSharedStrings, strings) ||
        !readOptional(stylesPart, ReadStyles, styles))
        return fail(fault.text);
    const std::optional<QByteArray> sheetXml = part(sheetPart);
    if (!sheetXml)
        return fail(fault.text.isEmpty() ? Damaged(QStringLiteral("its first sheet is missing"))
                                         : fault.text);
    const SheetContext context{&strings, &styles, date1904, maxCellBytes};
    if (!ReadSheet(*sheetXml, sheetPart, context, sheet, &fault)) {
        sheet.rows.clear();
        return fail(fault.text);
    }
    return sheet;
}
