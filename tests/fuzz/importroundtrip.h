#pragma once

#include "data/records.h"
#include "exchange/exportlist.h"
#include "exchange/importplan.h"

#include <cstdlib>
#include <vector>

// What every import fuzz target asks of a plan: a refused file names at least one fault, and the
// employees of an accepted one without masked cells, exported as CSV and planned once more, come
// back the same.
inline void CheckImportRoundTrip(const ImportPlan& plan) {
    if (!plan.Ok()) {
        if (plan.Errors().empty() || plan.ErrorText().isEmpty())
            std::abort();
        return;
    }
    // A masked cell holds no value to come back: its row only keeps what is on file.
    if (!plan.MaskedRows().empty())
        return;
    const ExportOptions options{};
    ExportTable table;
    table.header = ExportHeader();
    std::vector<PersonnelRecord> records;
    for (qint32 i = 0; i < plan.Rows(); ++i) {
        records.push_back(plan.Record(i, 45000.5));
        table.rows.push_back(ExportCells(records.back().View(), options));
    }
    const ImportPlan again = PlanImport(CsvBytes(table));
    if (!again.Ok() || again.Rows() != plan.Rows())
        std::abort();
    for (qint32 i = 0; i < plan.Rows(); ++i) {
        if (!(again.Record(i, 45000.5) == records[std::size_t(i)]))
            std::abort();
    }
}
