#pragma once

// The benchmark's check mode: a digest of every list the builder makes from a generated file, so
// that a change made for speed can be shown to leave every row, cell and order as it was. The
// alphabetical lists are also checked row by row against the collator itself.
//
// The digests were recorded again when names came to be sorted as the user's language reads them
// (TextOrder, "data/textorder.h"; the benchmark sorts in US English) instead of by the code
// of each character, case aside: an accented letter now sorts with its letter instead of after
// "z", so "Gómez" comes before "González" and "Díaz, María" before "Díaz, Mark". Every
// alphabetical list changed (24 of the 28); the dated lists, whose sort keys are digits, did not.

#include "data/textorder.h"
#include "list/listbuilder.h"

#include <QCryptographicHash>
#include <QString>

#include <vector>

struct ListCheckCase {
    QString name;
    ListQuery options;
};

// Every list type, both statuses, each filter and each "with" column of the alphabetical list.
inline std::vector<ListCheckCase> ListCheckCases() {
    std::vector<ListCheckCase> cases;
    const auto add = [&](const QString& name, auto change) {
        ListQuery o;
        change(o);
        cases.push_back({name, o});
    };
    for (int type = 1; type <= 4; ++type)
        add(QStringLiteral("type%1").arg(type),
            [&](ListQuery& o) { o.type = ListTypes[std::size_t(type - 1)]; });
    add(QStringLiteral("previous"), [](ListQuery& o) { o.status = EmploymentStatus::Previous; });
    for (int with = -1; with <= 9; ++with)
        add(QStringLiteral("with%1").arg(with), [&](ListQuery& o) { o.with = ListWith(with); });
    for (int race = 2; race <= 6; ++race)
        add(QStringLiteral("race%1").arg(race),
            [&](ListQuery& o) { o.race = RaceCodes[std::size_t(race - 2)]; });
    for (int sex = 2; sex <= 3; ++sex)
        add(QStringLiteral("sex%1").arg(sex), [&](ListQuery& o) { o.sex = SexCodes[std::size_t(sex - 2)]; });
    add(QStringLiteral("month"), [](ListQuery& o) { o.month = QStringLiteral("Mar"); });
    add(QStringLiteral("year"), [](ListQuery& o) { o.year = QStringLiteral("2001"); });
    add(QStringLiteral("agegroup"), [](ListQuery& o) { o.ageGroup = QStringLiteral("40's"); });
    add(QStringLiteral("lookfor"), [](ListQuery& o) { o.lookFor = QStringLiteral(" Clerk "); });
    add(QStringLiteral("notepad"), [](ListQuery& o) {
        o.lookFor = QStringLiteral("forklift");
        o.searchNotepad = true;
    });
    return cases;
}

// SHA-1 of the rows as the grid would show them, with the highlighted row, the caption and the
// trimmed look-for text.
inline QByteArray ListDigest(const EmployeeListResult& result) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const auto put = [&](const QString& text) {
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(text.utf16()), text.size() * 2));
        hash.addData(QByteArrayView("\0\0", 2));
    };
    put(QString::number(result.Rows()) + u'/' + QString::number(result.cols) + u'/' +
        QString::number(result.highlightRow));
    put(result.caption);
    put(result.txtOther);
    put(result.formatString);
    for (const QString& cell : result.cells)
        put(cell);
    return hash.result().toHex();
}

// The first data row (from 1) whose name comes before the previous row's in `order`, or whose
// name equals it but whose record number is lower; 0 when the rows are in order.
inline int FirstRowOutOfOrder(const EmployeeListResult& result, const TextOrder& order) {
    for (int row = 1; row < result.Rows(); ++row) {
        const int c = order.Compare(result.Cell(row - 1, 0), result.Cell(row, 0));
        if (c > 0 || (c == 0 && result.RecordNumber(row - 1) > result.RecordNumber(row)))
            return row;
    }
    return 0;
}
