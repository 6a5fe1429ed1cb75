#include "print/historyprintout.h"

#include "data/clock.h"
#include "data/fieldcaptions.h"
#include "data/oledate.h"
#include "data/records.h"
#include "print/printer.h"
#include "print/printhelpers.h"

#include <algorithm>
#include <initializer_list>
#include <ranges>

namespace {

constexpr double Left = 0.5;
constexpr double RuleEnd = 7.6;
// A page takes lines until the line being printed lies past this.
constexpr double PageEnd = 9.8;
// When, User, What, Field, Before, After; then the record's mark, field and value.
constexpr double HistoryColumns[] = {0.5, 1.55, 2.55, 3.75, 5.05, 6.35, RuleEnd};
constexpr double RecordColumns[] = {0.5, 0.7, 2.45, RuleEnd};
constexpr double WholeLine[] = {Left, RuleEnd};
// The gap a cell keeps to the next column.
constexpr double Gap = 0.05;

// `text` as the lines that fit `width` inches: broken after a space where one falls within the
// line, else where the width runs out; at least one line, if only an empty one.
QStringList Wrap(const Printer& printer, const QString& text, double width) {
    QStringList lines;
    QString rest = text;
    while (printer.TextWidth(rest) > width) {
        qsizetype fits = 1;
        while (fits < rest.size() && printer.TextWidth(rest.left(fits + 1)) <= width)
            ++fits;
        const qsizetype space = rest.left(fits + 1).lastIndexOf(QLatin1Char(' '));
        const qsizetype cut = space > 0 ? space : fits;
        lines << rest.left(cut);
        rest = rest.mid(space > 0 ? cut + 1 : cut);
    }
    lines << rest;
    return lines;
}

class HistoryPage {
public:
    HistoryPage(Printer& printer, const Clock& clock, const QString& title)
        : m_printer(printer), m_clock(clock), m_title(title) {}

    // One row of cells at the columns, each wrapped within its column, on a new page when its
    // last line would lie past the page's end.
    template <std::size_t N> void Line(const QStringList& cells, const double (&columns)[N]) {
        QList<QStringList> wrapped;
        qsizetype lines = 1;
        for (qsizetype c = 0; c < cells.size() && std::size_t(c) + 1 < N; ++c) {
            wrapped << Wrap(m_printer, cells[c], columns[c + 1] - columns[c] - Gap);
            lines = std::max(lines, wrapped.last().size());
        }
        const double height = m_printer.TextHeight();
        if (m_printer.CurrentY > PageEnd ||
            (m_printer.CurrentY >= 1 && m_printer.CurrentY + double(lines - 1) * height > PageEnd)) {
            m_printer.NewPage();
            m_printer.CurrentY = 0;
        }
        if (m_printer.CurrentY < 1)
            Heading();
        const double top = m_printer.CurrentY;
        for (qsizetype c = 0; c < wrapped.size(); ++c) {
            for (qsizetype l = 0; l < wrapped[c].size(); ++l) {
                m_printer.CurrentX = columns[c];
                m_printer.CurrentY = top + double(l) * height;
                m_printer.Print(wrapped[c][l], false);
            }
        }
        m_printer.CurrentY = top + double(lines - 1) * height;
        m_printer.EndLine();
    }
    void Rule() { PrintRule(m_printer, Left, RuleEnd); }

private:
    void Heading() {
        m_printer.CurrentY = 1;
        m_printer.CurrentX = Left;
        m_printer.Print(m_title + QStringLiteral(" -- Page ") + QString::number(m_printer.Page()) +
                        QStringLiteral(", ") + FormatGeneralDate(m_clock.NowOle()));
        Rule();
    }

    Printer& m_printer;
    const Clock& m_clock;
    QString m_title;
};

} // namespace

QString HistoryFieldCaption(QStringView field) {
    for (std::size_t i = 0; i < PersonnelFields.size(); ++i) {
        if (field != QLatin1StringView(PersonnelFields[i].name))
            continue;
        const auto f = static_cast<PersonnelField>(i);
        if (const char* caption = FieldCaption(f))
            return (IsEmergencyField(f) ? QStringLiteral("Emergency ") : QString()) +
                   QLatin1StringView(caption);
        break;
    }
    // In words: a space before every capital but the first.
    QString words;
    for (const QChar c : field) {
        if (c.isUpper() && !words.isEmpty())
            words += QLatin1Char(' ');
        words += c;
    }
    return words;
}

QString ShownHistoryValue(QStringView field, const QString& value, const SensitiveFields& sensitive) {
    if (field == u"SocialSecurityNumber")
        return sensitive.Ssn(value);
    const bool date = std::ranges::any_of(PersonnelFields, [field](const FieldLayout& layout) {
        return layout.type == FieldType::Date && field == QLatin1StringView(layout.name);
    });
    if (date && value.size() >= 10 && value[4] == u'-' && value[7] == u'-') {
        const bool masked = field == u"DateOfBirth" && sensitive.Masked();
        // "yyyy-mm-dd hh:mm:ss" to "mm/dd/yyyy hh:mm", as the When column shows a time.
        return value.mid(5, 2) + u'/' + value.mid(8, 2) + u'/' +
               (masked ? QStringLiteral("****") : value.left(4)) +
               (value.size() >= 16 ? u' ' + value.mid(11, 5) : QString());
    }
    QString line = value;
    return line.replace(QStringLiteral("\r\n"), QStringLiteral(" "))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QList<QStringList> HistoryRows(const QList<HistoryEntry>& entries, const SensitiveFields& sensitive,
                               const HistoryFilter& filter) {
    QList<QStringList> rows;
    for (const HistoryEntry& entry : entries | std::views::reverse) {
        const QDate day = entry.time.toLocalTime().date();
        if ((!filter.user.isEmpty() && entry.user != filter.user) ||
            (filter.from.isValid() && day < filter.from) || (filter.to.isValid() && day > filter.to))
            continue;
        const QStringList head{
            entry.time.toLocalTime().toString(QStringLiteral("MM/dd/yyyy hh:mm")), entry.user,
            HistoryActionName(entry.action) + (entry.note.isEmpty() ? QString() : u' ' + entry.note)};
        if (entry.changes.isEmpty())
            rows.append(head + QStringList{QString(), QString(), QString()});
        for (const HistoryChange& c : entry.changes)
            rows.append(head + QStringList{HistoryFieldCaption(c.field),
                                           ShownHistoryValue(c.field, c.before, sensitive),
                                           ShownHistoryValue(c.field, c.after, sensitive)});
    }
    return rows;
}

QStringList HistoryUsers(const QList<HistoryEntry>& entries) {
    QStringList users;
    for (const HistoryEntry& entry : entries)
        if (!users.contains(entry.user))
            users << entry.user;
    return users;
}

HistoryRecordRows HistoryRecordAsOf(const QList<HistoryEntry>& entries, QDate day,
                                    const SensitiveFields& sensitive) {
    const QDateTime end(day, QTime(23, 59, 59, 999));
    QStringList changed;
    const QMap<QString, QString> then = RecordAsOf(entries, end, &changed);
    HistoryRecordRows record{day, {}, {}, {}};
    // Removed by then: the record as the entries before the removal leave it.
    const auto emptied = std::ranges::find_if(entries | std::views::reverse,
                                              [&end](const HistoryEntry& e) { return e.time <= end; });
    QMap<QString, QString> last;
    if (then.isEmpty() && emptied != entries.rend()) {
        const QList<HistoryEntry> before = entries.first(std::distance(emptied, entries.rend()) - 1);
        last = RecordAsOf(before, end);
        if (!last.isEmpty())
            record.lastRecord = QStringLiteral("Shown as it stood before it was removed on %1.")
                                    .arg(emptied->time.toLocalTime().toString(u"MM/dd/yyyy hh:mm"));
    }
    const QMap<QString, QString>& shown = then.isEmpty() ? last : then;
    for (const FieldLayout& layout : PersonnelFields) {
        const QString field = QString::fromLatin1(layout.name);
        // Edits leave DateModified out of their changes (the entry's time tells it), so the
        // history knows only its first value.
        if (field == u"DateModified")
            continue;
        record.rows.append({changed.contains(field) ? QStringLiteral("*") : QString(),
                            HistoryFieldCaption(field),
                            ShownHistoryValue(field, shown.value(field), sensitive)});
    }
    if (then.isEmpty()) {
        const bool known = !entries.isEmpty() && entries.first().time <= end;
        // An employee already on file when the history began was there before it all the same.
        const bool before = !entries.isEmpty() && entries.first().action == HistoryAction::Started;
        record.note = known    ? QStringLiteral("Removed from the personnel file by the end of that day.")
                      : before ? QStringLiteral("The history of this employee begins on %1.")
                                     .arg(entries.first().time.toLocalTime().date().toString(u"MM/dd/yyyy"))
                               : QStringLiteral("Not yet in the personnel file at the end of that day.");
    }
    return record;
}

void PrintHistory(Printer& printer, const Clock& clock, const QString& title, const QList<QStringList>& rows,
                  const HistoryRecordRows& record) {
    printer.Font = PrinterFont{};
    printer.Font.size = 9;
    printer.CurrentX = Left;
    printer.CurrentY = 0;
    HistoryPage page(printer, clock, title);
    page.Line(HistoryHeader, HistoryColumns);
    for (const QStringList& row : rows)
        page.Line(row, HistoryColumns);
    page.Rule();
    printer.EndLine();
    page.Line({QStringLiteral("Record as of ") + record.day.toString(QStringLiteral("MM/dd/yyyy"))},
              WholeLine);
    for (const QStringList& row : record.rows)
        page.Line(row, RecordColumns);
    page.Rule();
    page.Line({ChangedSinceText}, WholeLine);
    if (!record.note.isEmpty())
        page.Line({record.note}, WholeLine);
    if (!record.lastRecord.isEmpty())
        page.Line({record.lastRecord}, WholeLine);
}
