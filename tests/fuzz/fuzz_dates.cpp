// Any text as a typed date, and any eight bytes as a stored one: read, formatted, read back.
#include "data/ansitext.h"
#include "data/oledate.h"

#include <QDate>

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The typed-date reader, as the record page reads a date box.
    const QString typed = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const std::optional<QDate> d = ParseUserDate(TrimSpaces(typed))) {
        const double ole = DateToOle(*d);
        const QString shown = FormatDate(ole, u"mm/dd/yyyy");
        // A date the reader took is shown in a form it reads back as the same day.
        if (ParseUserDate(shown) != d)
            __builtin_trap();
    }
    if (size >= sizeof(double)) {
        double stored;
        std::memcpy(&stored, data, sizeof stored);
        (void)IsValidOleDate(stored);
        (void)FormatDate(stored, u"mm/dd/yyyy");
        (void)FormatGeneralDate(stored);
        (void)OleToDateTime(stored);
        (void)YearsBetween(stored, 46000.0, 46000.0);
    }
    return 0;
}
