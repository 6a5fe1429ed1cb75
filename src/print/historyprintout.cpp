#include "print/historyprintout.h"

#include "data/clock.h"
#include "data/oledate.h"
#include "data/records.h"
#include "print/printer.h"
#include "print/printhelpers.h"

#include <initializer_list>
#include <ranges>

namespace {

constexpr double Left = 0.5;
constexpr double RuleEnd = 7.6;
// A page takes lines until the line being printed lies past this.
constexpr double PageEnd = 9.8;
// When, User, What, Field, Before, After; then the record's mark, field and value.
constexpr double HistoryColumns[] = {0.5, 1.55, 2.55, 3.75, 5.05, 6.35, RuleEnd};
constexpr double RecordColumns[] = {0.5, 0.7, 2.1, RuleEnd};
constexpr double WholeLine[] = {Left, RuleEnd};
// The gap a cut cell keeps to the next column.
constexpr double Gap = 0.05;

// The longest beginning of `text` that fits `width` inches.
QString Fit(const Printer& printer, const QString& text, double width) {
    QString fitted = text.left(120);
    while (!fitted.isEmpty() && printer.TextWidth(fitted) > width)
        fitted.chop(1);
    return fitted;
}

class HistoryPage {
public:
    HistoryPage(Printer& printer, const Clock& clock, const QString& title)
        : m_printer(printer), m_clock(clock), m_title(title) {}

    // One line of cells at the columns, on a new page when this one is full.
    template <std::size_t N> void Line(const QStringList& cells, const double (&columns)[N]) {
        if (m_printer.CurrentY > PageEnd) {
            m_printer.NewPage();
            m_printer.CurrentY = 0;
        }
        if (m_printer.CurrentY < 1)
            Heading();
        for (qsizetype c = 0; c < cells.size() && std::size_t(c) + 1 < N; ++c) {
            m_printer.CurrentX = columns[c];
            m_printer.Print(Fit(m_printer, cells[c], columns[c + 1] - columns[c] - Gap), false);
        }
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

QString ShownHistoryValue(QStringView field, const QString& value, const SensitiveFields& sensitive) {
    if (field == u"SocialSecurityNumber")
        return sensitive.Ssn(value);
    if (field == u"DateOfBirth" && sensitive.Masked() && value.size() > 4)
        return QStringLiteral("****") + value.mid(4);
    QString line = value;
    return line.replace(QStringLiteral("\r\n"), QStringLiteral(" "))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QList<QStringList> HistoryRows(const QList<HistoryEntry>& entries, const SensitiveFields& sensitive) {
    QList<QStringList> rows;
    for (const HistoryEntry& entry : entries | std::views::reverse) {
        const QStringList head{
            entry.time.toLocalTime().toString(QStringLiteral("MM/dd/yyyy hh:mm")), entry.user,
            HistoryActionName(entry.action) + (entry.note.isEmpty() ? QString() : u' ' + entry.note)};
        if (entry.changes.isEmpty())
            rows.append(head + QStringList{QString(), QString(), QString()});
        for (const HistoryChange& c : entry.changes)
            rows.append(head + QStringList{c.field, ShownHistoryValue(c.field, c.before, sensitive),
                                           ShownHistoryValue(c.field, c.after, sensitive)});
    }
    return rows;
}

HistoryRecordRows HistoryRecordAsOf(const QList<HistoryEntry>& entries, QDate day,
                                    const SensitiveFields& sensitive) {
    const QDateTime end(day, QTime(23, 59, 59, 999));
    QStringList changed;
    const QMap<QString, QString> then = RecordAsOf(entries, end, &changed);
    HistoryRecordRows record{day, {}, {}};
    for (const FieldLayout& layout : PersonnelFields) {
        const QString field = QString::fromLatin1(layout.name);
        // Edits leave DateModified out of their changes (the entry's time tells it), so the
        // history knows only its first value.
        if (field == u"DateModified")
            continue;
        record.rows.append({changed.contains(field) ? QStringLiteral("*") : QString(), field,
                            ShownHistoryValue(field, then.value(field), sensitive)});
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
    page.Line({QStringLiteral("When"), QStringLiteral("User"), QStringLiteral("What"),
               QStringLiteral("Field"), QStringLiteral("Before"), QStringLiteral("After")},
              HistoryColumns);
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
}
