// Any bytes as the parts of a workbook to import: the input, split at each "\n==\n", is the first
// sheet, the shared texts, the styles and the workbook part, packed into a zip as a spreadsheet
// would (an input that is a zip already is taken as it is). Read and checked without a crash or a
// read outside the parts; a refused workbook names at least one fault; the employees of an
// accepted one, exported as CSV and planned once more, come back the same.
#include "exchange/importplan.h"
#include "fuzz/importroundtrip.h"
#include "support/zipparts.h"

namespace {

QByteArray Packed(const QByteArray& input) {
    QList<QByteArray> given;
    for (qsizetype from = 0;;) {
        const qsizetype at = input.indexOf("\n==\n", from);
        given.append(input.mid(from, at < 0 ? -1 : at - from));
        if (at < 0)
            break;
        from = at + 4;
    }
    const char* names[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml",
                           "xl/workbook.xml"};
    if (given.size() < 4)
        given.resize(4);
    if (given[3].isEmpty())
        given[3] = "<workbook><sheets><sheet/></sheets></workbook>";
    std::vector<std::pair<QString, QByteArray>> parts;
    for (int i = 0; i < 4; ++i)
        parts.push_back({QString::fromLatin1(names[i]), given[i]});
    // Stored, not deflated: the fuzzer's time goes to reading the parts.
    return ZipOf(parts, true);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const ImportPlan plan = PlanImport(input.startsWith("PK\x03\x04") ? input : Packed(input));
    CheckImportRoundTrip(plan);
    return 0;
}
