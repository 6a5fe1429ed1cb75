// Any bytes as a CSV file to import: read and checked without a crash or a read outside the
// text; a refused file names at least one fault; the employees of an accepted file, exported and
// planned once more, come back byte for byte.
#include "data/records.h"
#include "exchange/exportlist.h"
#include "exchange/importcsv.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ImportPlan plan = PlanImport(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!plan.Ok()) {
        if (plan.Errors().empty() || plan.ErrorText().isEmpty())
            std::abort();
        return 0;
    }
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
    return 0;
}
