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
// birth (a stored date may carry a time of day). UTF-8, as a large import keeps one per employee.
QByteArray Key(PersonnelRecordView r) {
    return (r.LastName().toCaseFolded() + QChar(0) + r.FirstName().toCaseFolded() + QChar(0) +
            QString::number(qint64(std::floor(r.DateOfBirth()))))
        .toUtf8();
}

QString ShownName(PersonnelRecordView r) {
    return r.LastName() + QStringLiteral(", ") + r.FirstName();
}

struct OnFile {
    QString name;
    double dateOfBirth = 0;
    qint32 record = 0;
    bool previous = false;
};

} // namespace

ImportDuplicates FindImportDuplicates(PersonnelFile& file, const ImportPlan& plan, double now,
                                      const ImportProgress& progress) {
    ImportDuplicates result;
    const qint32 rows = plan.Rows();
    // Per row, the first row of its key (itself when it is the first); per key, that row. The
    // names are read again for the few rows that turn out to be duplicates.
    std::vector<qint32> firstOf(std::size_t(std::max(rows, 0)));
    QHash<QByteArray, qint32> firstRow;
    firstRow.reserve(rows);
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
        const QByteArray key = Key(plan.Record(row, now).View());
        auto at = firstRow.find(key);
        if (at == firstRow.end())
            at = firstRow.insert(key, row);
        firstOf[std::size_t(row)] = *at;
    }
    QHash<qint32, OnFile> onFile; // by the first row of the key
    if (rows > 0 && QFileInfo::exists(file.DataFileName())) {
        result.status = file.OpenPersonnelFileUncounted();
        if (!result.status)
            return result;
        total += file.RecordCount();
        result.status = file.ScanRecords([&](qint32 n, PersonnelRecordView r) {
            if (result.cancelled || !goOn(qint64(rows) + n))
                return;
            // A record marked for removal is no longer an employee.
            if (r.IsMarkedRemoved())
                return;
            const auto at = firstRow.constFind(Key(r));
            if (at != firstRow.cend() && !onFile.contains(*at))
                onFile.insert(*at, OnFile{ShownName(r), r.DateOfBirth(), n, r.InactivationDate() != 0});
        });
        file.ClosePersonnelFile();
        if (!result.status || result.cancelled)
            return result;
    }
    for (qint32 row = 0; row < rows; ++row) {
        const qint32 first = firstOf[std::size_t(row)];
        const auto known = onFile.constFind(first);
        if (known == onFile.cend() && first == row)
            continue;
        ImportDuplicate d;
        d.row = row;
        d.line = plan.Line(row);
        if (known != onFile.cend()) {
            d.name = known->name;
            d.dateOfBirth = known->dateOfBirth;
            d.record = known->record;
            d.previous = known->previous;
        } else {
            const PersonnelRecord earlier = plan.Record(first, now);
            d.name = ShownName(earlier.View());
            d.dateOfBirth = earlier.DateOfBirth();
            d.earlierLine = plan.Line(first);
        }
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
                     const Clock& clock, qint32* firstRecord, const ImportProgress& progress) {
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
    const qint64 count = qint64(rows.size());
    qint64 filled = 0;
    IoStatus s = file.AppendPersonnelRecords(qint32(count), [&](qint32 i, PersonnelRecord& r) {
        r = plan.Record(rows[std::size_t(i)], now);
        if (progress && ++filled % 256 == 0)
            progress(std::min(filled, 2 * count), 2 * count);
    });
    file.ClosePersonnelFile();
    if (s && firstRecord)
        *firstRecord = first;
    return s;
}
