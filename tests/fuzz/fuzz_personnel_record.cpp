// Any 5000 bytes as a personnel record: every field decoded, nothing read outside the record.
#include "data/fixedrecord.h"
#include "data/records.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> record(PersonnelRecordLength, ' ');
    std::memcpy(record.data(), data, std::min<size_t>(size, record.size()));
    const PersonnelRecordView view(record.data());
    for (const FieldLayout& f : PersonnelFields) {
        switch (f.type) {
        case FieldType::Text:
            (void)FieldCodec::ReadText(record.data(), f);
            (void)FieldCodec::RawBytes(record.data(), f);
            break;
        case FieldType::Date:
            (void)FieldCodec::ReadDate(record.data(), f);
            break;
        case FieldType::Int16:
            (void)FieldCodec::ReadInt16(record.data(), f);
            break;
        }
    }
    (void)view.IsMarkedRemoved();
    PersonnelRecord copy;
    std::memcpy(copy.data(), record.data(), PersonnelRecordLength);
    // What is read back and written again stays the same text.
    const QString notepad = copy.Notepad();
    copy.SetNotepad(notepad);
    if (copy.Notepad() != notepad)
        __builtin_trap();
    return 0;
}
