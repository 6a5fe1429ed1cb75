// Any bytes as a CSV file to import: read and checked without a crash or a read outside the
// text; a refused file names at least one fault; the employees of an accepted file, exported and
// planned once more, come back byte for byte.
#include "exchange/importplan.h"
#include "fuzz/importroundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ImportPlan plan = PlanImport(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    CheckImportRoundTrip(plan);
    return 0;
}
