// Any bytes as the content of an OpenDocument spreadsheet to import: the input is content.xml,
// packed with the mimetype that names the format into a zip as a spreadsheet would (an input that
// is a zip already is taken as it is). Read and checked as fuzz_xlsx_import checks a workbook.
#include "exchange/importplan.h"
#include "fuzz/importroundtrip.h"
#include "support/zipparts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    // Stored, not deflated: the fuzzer's time goes to reading the content.
    const ImportPlan plan = PlanImport(
        input.startsWith("PK\x03\x04")
            ? input
            : ZipOf({{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet"},
                     {QStringLiteral("content.xml"), input}},
                    true));
    CheckImportRoundTrip(plan);
    return 0;
}
