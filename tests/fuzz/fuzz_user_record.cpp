// Any 500 bytes as a user record: every field decoded, the stored password unscrambled.
#include "data/fixedrecord.h"
#include "data/records.h"
#include "data/userlist.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UserRecord user;
    std::memset(user.data(), ' ', UserRecordLength);
    std::memcpy(user.data(), data, std::min<size_t>(size, UserRecordLength));
    for (const FieldLayout& f : UserFields) {
        switch (f.type) {
        case FieldType::Text:
            (void)FieldCodec::ReadText(user.data(), f);
            break;
        case FieldType::Date:
            (void)FieldCodec::ReadDate(user.data(), f);
            break;
        case FieldType::Int16:
            (void)FieldCodec::ReadInt16(user.data(), f);
            break;
        }
    }
    (void)user.IsMarkedRemoved();
    QString stored = user.Password();
    (void)UnscramblePassword(stored);
    return 0;
}
