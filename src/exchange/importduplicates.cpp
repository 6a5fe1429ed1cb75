#include "exchange/importduplicates.h"

#include "data/clock.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "exchange/importcsv.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace {

// The same employee to the eye: names as stored (trimmed), whatever their case, and the day of
// birth (a stored date may carry a time of day).
QString Key(PersonnelRecordView r) {
    return r.LastName().toCaseFolded() + QChar(0) + r.FirstName().toCaseFolded() + QChar(0) +
           QString::number(qint64(std::floor(r.DateOfBirth())));
}

QString ShownName(PersonnelRecordView r) {
    return r.LastName() + QStringLiteral(", ") + r.FirstName();
}

struct Seen {
    QString name;
    double dateOfBirth = 0;
    qint32 record = 0; // on file; 0 for a row
    bool previous = false;
    qint32 row = 0;
};

} // namespace

ImportDuplicates FindImportDuplicates(PersonnelFile& file, const ImportPlan& plan, double now) {
    ImportDuplicates result;
    const qint32 rows = plan.Rows();
    std::vector<QString> keys(std::size_t(std::max(rows, 0)));
    QHash<QString, Seen> firstRow;
    for (qint32 row = 0; row < rows; ++row) {
        const PersonnelRecord r = plan.Record(row, now);
        keys[std::size_t(row)] = Key(r.View());
        if (!firstRow.contains(keys[std::size_t(row)]))
            firstRow.insert(keys[std::size_t(row)],
                            Seen{ShownName(r.View()), r.DateOfBirth(), 0, false, row});
    }
    QHash<QString, Seen> onFile;
    if (rows > 0 && QFileInfo::exists(file.DataFileName())) {
        result.status = file.OpenPersonnelFileUncounted();
        if (!result.status)
            return result;
        result.status = file.ScanRecords([&](qint32 n, PersonnelRecordView r) {
            // A record marked for removal is no longer an employee.
            if (r.IsMarkedRemoved())
                return;
            const QString key = Key(r);
            if (firstRow.contains(key) && !onFile.contains(key))
                onFile.insert(key, Seen{ShownName(r), r.DateOfBirth(), n, r.InactivationDate() != 0, 0});
        });
        file.ClosePersonnelFile();
        if (!result.status)
            return result;
    }
    for (qint32 row = 0; row < rows; ++row) {
        const QString& key = keys[std::size_t(row)];
        const auto known = onFile.constFind(key);
        const Seen& earlier = firstRow[key];
        if (known == onFile.cend() && earlier.row == row)
            continue;
        ImportDuplicate d;
        d.row = row;
        d.line = plan.Line(row);
        const Seen& match = known != onFile.cend() ? *known : earlier;
        d.name = match.name;
        d.dateOfBirth = match.dateOfBirth;
        d.record = match.record;
        d.previous = match.previous;
        d.earlierLine = match.record == 0 ? plan.Line(match.row) : 0;
        d.sheetRow = plan.FromWorkbook();
        result.rows.push_back(d);
    }
    return result;
}

std::vector<qint32> NewImportRows(const ImportPlan& plan, const ImportDuplicates& duplicates) {
    std::vector<qint32> rows;
    auto next = duplicates.rows.cbegin();
    for (qint32 row = 0; row < plan.Rows(); ++row) {
        if (next != duplicates.rows.cend() && next->row == row)
            ++next;
        else
            rows.push_back(row);
    }
    return rows;
}

QString DuplicateText(const ImportDuplicate& d, QStringView datePattern) {
    const QString born = FormatDate(d.dateOfBirth, datePattern);
    if (d.record == 0)
        return QStringLiteral("%1 %2 looks like %3 %4: %5, born %6.")
            .arg(d.sheetRow ? QStringLiteral("Row") : QStringLiteral("Line"))
            .arg(d.line)
            .arg(d.sheetRow ? QStringLiteral("row") : QStringLiteral("line"))
            .arg(d.earlierLine)
            .arg(d.name, born);
    return QStringLiteral("%1 %2 looks like %3, born %4, who is already on file%5.")
        .arg(d.sheetRow ? QStringLiteral("Row") : QStringLiteral("Line"))
        .arg(d.line)
        .arg(d.name, born, d.previous ? QStringLiteral(" as a previous employee") : QString());
}

IoStatus ApplyImport(PersonnelFile& file, const ImportPlan& plan, const std::vector<qint32>& rows,
                     const Clock& clock, qint32* firstRecord) {
    if (firstRecord)
        *firstRecord = 0;
    const bool inPlan =
        std::all_of(rows.cbegin(), rows.cend(), [&](qint32 row) { return row >= 0 && row < plan.Rows(); });
    if (!plan.Ok() || !inPlan)
        return IoStatus::Failure(QStringLiteral("add employees to"), file.DataFileName(), EINVAL);
    if (rows.empty())
        return {};
    if (IoStatus s = file.OpenPersonnelFile(); !s)
        return s;
    const double now = clock.NowOle();
    const qint32 first = file.RecordCount() + 1;
    IoStatus s = file.AppendPersonnelRecords(qint32(rows.size()), [&](qint32 i, PersonnelRecord& r) {
        r = plan.Record(rows[std::size_t(i)], now);
    });
    file.ClosePersonnelFile();
    if (s && firstRecord)
        *firstRecord = first;
    return s;
}
