#pragma once

#include "data/fieldcaptions.h"
#include "data/records.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

// Where a box of the record page stands: one of the five tabs, or the " In Case of Emergency "
// frame on the "Basic Info" tab.
enum class BoxPlace { BasicInfo, Emergency, Address, JobInfo, Notepad, Photo };

// How a box shows its field: as the text stands, as a date typed "mm/dd/yyyy", or as the
// many-line notepad.
enum class BoxKind { Text, Date, Notepad };

// One box of the record page with its caption above it. Positions are twips on its tab (or in
// the emergency frame); the caption stands at (left, top), the box one caption's height lower.
struct RecordBox {
    int box; // n of txtField(n) and lblField(n)
    PersonnelField field;
    BoxKind kind;
    BoxPlace place;
    const char* caption;
    int left, top, width, height;
    int captionWidth;
    int maxLength; // characters the box takes; a date box takes any way of typing a date
    bool required; // Save waits until it holds something other than spaces
};

// Every box of the record page, in box order. Adding a field to the page is adding its row here.
// clang-format off
inline constexpr RecordBox RecordBoxes[] = {
    {1, PersonnelField::FirstName, BoxKind::Text, BoxPlace::BasicInfo, "First Name", 120, 60, 2400, 315, 7000, 15, true},
    {2, PersonnelField::MiddleName, BoxKind::Text, BoxPlace::BasicInfo, "Middle Name", 120, 720, 1800, 315, 2400, 15, false},
    {3, PersonnelField::LastName, BoxKind::Text, BoxPlace::BasicInfo, "Last Name", 2040, 720, 2400, 315, 3000, 20, true},
    {4, PersonnelField::Suffix, BoxKind::Text, BoxPlace::BasicInfo, "Suffix", 4560, 720, 720, 315, 1320, 3, false},
    {5, PersonnelField::Race, BoxKind::Text, BoxPlace::BasicInfo, "Race", 120, 1380, 720, 315, 1320, 1, true},
    {6, PersonnelField::Sex, BoxKind::Text, BoxPlace::BasicInfo, "Sex", 960, 1380, 720, 315, 1320, 1, true},
    {7, PersonnelField::DateOfBirth, BoxKind::Date, BoxPlace::BasicInfo, "Date of Birth", 1800, 1380, 1500, 315, 2100, 17, true},
    {8, PersonnelField::SocialSecurityNumber, BoxKind::Text, BoxPlace::BasicInfo, "Social Security #", 3960, 1380, 1800, 315, 2400, 11, false},
    {9, PersonnelField::EmergencyName, BoxKind::Text, BoxPlace::Emergency, "Name", 120, 210, 2880, 315, 3480, 25, false},
    {10, PersonnelField::EmergencyRelationship, BoxKind::Text, BoxPlace::Emergency, "Relationship", 3120, 210, 1920, 315, 2520, 15, false},
    {11, PersonnelField::EmergencyPhone, BoxKind::Text, BoxPlace::Emergency, "Contact Number", 5160, 210, 2220, 315, 2820, 20, false},
    {12, PersonnelField::StreetAddress, BoxKind::Text, BoxPlace::Address, "Street Address", 120, 120, 4800, 315, 5400, 40, false},
    {13, PersonnelField::CityStateZip, BoxKind::Text, BoxPlace::Address, "City/State/Zip", 120, 780, 4800, 315, 5400, 40, false},
    {14, PersonnelField::HomePhone, BoxKind::Text, BoxPlace::Address, "Home Phone", 120, 1440, 2280, 315, 2880, 20, false},
    {15, PersonnelField::CellPhone, BoxKind::Text, BoxPlace::Address, "Cell Phone", 2640, 1440, 2280, 315, 2880, 20, false},
    {16, PersonnelField::Email, BoxKind::Text, BoxPlace::Address, "Email", 120, 2100, 3360, 315, 3960, 25, false},
    {17, PersonnelField::EmployeeNumber, BoxKind::Text, BoxPlace::JobInfo, "Employee #", 120, 540, 1800, 315, 2400, 15, false},
    {18, PersonnelField::JobTitle, BoxKind::Text, BoxPlace::JobInfo, "Job Title", 2040, 540, 3000, 315, 3600, 25, false},
    {19, PersonnelField::DateOfEmployment, BoxKind::Date, BoxPlace::JobInfo, "Date of Employment", 120, 1200, 1500, 315, 2100, 17, true},
    {20, PersonnelField::DateOfJobTitle, BoxKind::Date, BoxPlace::JobInfo, "Date of Job Title", 2640, 1200, 1500, 315, 2100, 17, false},
    {21, PersonnelField::InactivationDate, BoxKind::Date, BoxPlace::JobInfo, "Inactivation Date", 5160, 1200, 1500, 315, 2100, 17, false},
    {22, PersonnelField::Notepad, BoxKind::Notepad, BoxPlace::Notepad, "Notepad", 120, 120, 7560, 2760, 2000, PersonnelRecord::FieldOf(PersonnelField::Notepad).width, false},
};
// clang-format on

inline constexpr int RecordBoxCount = int(std::size(RecordBoxes));

// The row of box n (1..RecordBoxCount).
constexpr const RecordBox& RecordBoxRow(int n) {
    return RecordBoxes[std::size_t(n - 1)];
}

// The box that shows `field`; 0 when no box does.
constexpr int BoxOfField(PersonnelField field) {
    for (const RecordBox& row : RecordBoxes) {
        if (row.field == field)
            return row.box;
    }
    return 0;
}

constexpr bool IsDateBox(int n) {
    return n >= 1 && n <= RecordBoxCount && RecordBoxRow(n).kind == BoxKind::Date;
}

// The first box of a place in box order (where the focus goes on that tab).
constexpr int FirstBoxIn(BoxPlace place) {
    for (const RecordBox& row : RecordBoxes) {
        if (row.place == place)
            return row.box;
    }
    return 0;
}

// The boxes Save waits for, in box order.
inline constexpr auto RequiredRecordBoxes = [] {
    std::array<int, std::ranges::count_if(RecordBoxes, &RecordBox::required)> boxes{};
    std::size_t i = 0;
    for (const RecordBox& row : RecordBoxes) {
        if (row.required)
            boxes[i++] = row.box;
    }
    return boxes;
}();

namespace recordboxes_check {
constexpr bool Consistent() {
    for (int n = 1; n <= RecordBoxCount; ++n) {
        const RecordBox& row = RecordBoxRow(n);
        const FieldLayout& layout = PersonnelRecord::FieldOf(row.field);
        if (row.box != n || BoxOfField(row.field) != n)
            return false;
        // A box never takes more than its field holds, or the rest would be cut off unseen.
        if (row.kind == BoxKind::Date ? layout.type != FieldType::Date
                                      : layout.type != FieldType::Text || row.maxLength > layout.width)
            return false;
        // The import takes the captions as column headers.
        if (std::string_view(row.caption) != std::string_view(FieldCaption(row.field)))
            return false;
        // The notepad is the last box: the one-line boxes are txtField(1) to txtField(n - 1).
        if ((row.kind == BoxKind::Notepad) != (n == RecordBoxCount))
            return false;
    }
    return true;
}
static_assert(Consistent(),
              "each box is numbered by its row, shows one field once, fits it and has its caption");
} // namespace recordboxes_check
