#pragma once

#include "data/fixedrecord.h"

#include <QByteArrayView>

#include <array>

// The personnel data file's record: 26 fields, 5000 bytes, no padding.
#define ROSTERLY_PERSONNEL_FIELDS(X)                                                                         \
    X(DateCreated, 0, 8, Date)                                                                               \
    X(DateModified, 8, 8, Date)                                                                              \
    X(FirstName, 16, 15, Text)                                                                               \
    X(MiddleName, 31, 15, Text)                                                                              \
    X(LastName, 46, 20, Text)                                                                                \
    X(Suffix, 66, 3, Text)                                                                                   \
    X(EmergencyName, 69, 25, Text)                                                                           \
    X(EmergencyRelationship, 94, 15, Text)                                                                   \
    X(EmergencyPhone, 109, 20, Text)                                                                         \
    X(StreetAddress, 129, 50, Text)                                                                          \
    X(CityStateZip, 179, 50, Text)                                                                           \
    X(HomePhone, 229, 20, Text)                                                                              \
    X(CellPhone, 249, 20, Text)                                                                              \
    X(Race, 269, 1, Text)                                                                                    \
    X(Sex, 270, 1, Text)                                                                                     \
    X(SocialSecurityNumber, 271, 11, Text)                                                                   \
    X(DateOfBirth, 282, 8, Date)                                                                             \
    X(DateOfEmployment, 290, 8, Date)                                                                        \
    X(DateOfJobTitle, 298, 8, Date)                                                                          \
    X(InactivationDate, 306, 8, Date)                                                                        \
    X(EmployeeNumber, 314, 15, Text)                                                                         \
    X(JobTitle, 329, 25, Text)                                                                               \
    X(Notepad, 354, 4519, Text)                                                                              \
    X(Email, 4873, 25, Text)                                                                                 \
    X(PictureFile, 4898, 100, Text)                                                                          \
    X(VersionCreated, 4998, 2, Int16)

// The user list's record: 6 fields, 500 bytes, no padding.
#define ROSTERLY_USER_FIELDS(X)                                                                              \
    X(DateCreated, 0, 8, Date)                                                                               \
    X(FirstName, 8, 15, Text)                                                                                \
    X(LastName, 23, 20, Text)                                                                                \
    X(Password, 43, 16, Text)                                                                                \
    X(AccessLevel, 59, 2, Int16)                                                                             \
    X(Comments, 61, 439, Text)

enum class PersonnelField { ROSTERLY_PERSONNEL_FIELDS(ROSTERLY_FIELD_ENUM) };
enum class UserField { ROSTERLY_USER_FIELDS(ROSTERLY_FIELD_ENUM) };

inline constexpr int PersonnelRecordLength = 5000;
inline constexpr int UserRecordLength = 500;

inline constexpr std::array PersonnelFields{ROSTERLY_PERSONNEL_FIELDS(ROSTERLY_FIELD_LAYOUT)};
inline constexpr std::array UserFields{ROSTERLY_USER_FIELDS(ROSTERLY_FIELD_LAYOUT)};

static_assert(PersonnelFields.size() == 26);
static_assert(IsPackedLayout(PersonnelFields, PersonnelRecordLength));
static_assert(UserFields.size() == 6);
static_assert(IsPackedLayout(UserFields, UserRecordLength));

// The marker a record carries in its first-name field between being marked for removal and the
// compaction that squeezes it out.
inline constexpr char RemovedMarker[] = "$Killed$";
bool IsMarkedRemoved(QByteArrayView firstNameField);

// A record that owns its bytes exactly as they stand in the file, blank when made.
template <typename Derived, typename FieldEnum, const auto& Fields, int Length>
class OwnedRecord : public RecordAccess<Derived, FieldEnum, Fields> {
public:
    OwnedRecord() { Clear(); }
    void Clear() { FieldCodec::Blank(m_bytes.data(), Fields); }

    char* data() { return m_bytes.data(); }
    const char* data() const { return m_bytes.data(); }
    bool operator==(const OwnedRecord& other) const { return m_bytes == other.m_bytes; }
    void SetText(FieldEnum f, QStringView value) { FieldCodec::WriteText(data(), this->FieldOf(f), value); }

private:
    std::array<char, Length> m_bytes;
};

// Read-only view over a personnel record's bytes (for example inside a block read by a scan).
class PersonnelRecordView : public RecordAccess<PersonnelRecordView, PersonnelField, PersonnelFields> {
public:
    using Field = PersonnelField;
    explicit PersonnelRecordView(const char* bytes) : m_bytes(bytes) {}
    const char* data() const { return m_bytes; }
    ROSTERLY_PERSONNEL_FIELDS(ROSTERLY_FIELD_GETTER)
    bool IsMarkedRemoved() const { return ::IsMarkedRemoved(Raw(Field::FirstName)); }

private:
    const char* m_bytes;
};

// One employee: the 5000 bytes exactly as they stand in the file.
class PersonnelRecord : public OwnedRecord<PersonnelRecord, PersonnelField, PersonnelFields, PersonnelRecordLength> {
public:
    using Field = PersonnelField;
    PersonnelRecordView View() const { return PersonnelRecordView(data()); }

    ROSTERLY_PERSONNEL_FIELDS(ROSTERLY_FIELD_GETTER)
    ROSTERLY_PERSONNEL_FIELDS(ROSTERLY_FIELD_SETTER)
    void SetDate(Field f, double value) { FieldCodec::WriteDate(data(), FieldOf(f), value); }
    bool IsMarkedRemoved() const { return View().IsMarkedRemoved(); }
};

// One user of the program: the 500 bytes exactly as they stand in "User.List".
class UserRecord : public OwnedRecord<UserRecord, UserField, UserFields, UserRecordLength> {
public:
    using Field = UserField;

    ROSTERLY_USER_FIELDS(ROSTERLY_FIELD_GETTER)
    ROSTERLY_USER_FIELDS(ROSTERLY_FIELD_SETTER)
    bool IsMarkedRemoved() const { return ::IsMarkedRemoved(Raw(Field::FirstName)); }
};
