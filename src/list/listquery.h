#pragma once

#include "data/sensitive.h"

#include <QString>
#include <QtGlobal>

#include <array>

// Which employees a list shows and how, in the list's own terms: the options page and the data
// tool's export each say it in these, and the list builder, the list's title, its printout and
// its exports read nothing else.

enum class ListType { Alphabetical, BySeniority, ByAge, Birthdays };
inline constexpr std::array<ListType, 4> ListTypes{ListType::Alphabetical, ListType::BySeniority,
                                                   ListType::ByAge, ListType::Birthdays};

// What the alphabetical list shows beside the name; None shows an empty column.
enum class ListWith {
    None = -1,
    JobTitle,
    SocialSecurityNumber,
    RaceSex,
    DateOfBirth,
    Address,
    HomePhone,
    CellPhone,
    Email,
    DateOfEmployment,
    EmployeeNumber
};
inline constexpr int ListWithCount = 10;

enum class EmploymentStatus { Current, Previous };

// The race codes the record stores, in the options page's order; 0 is every race.
inline constexpr std::array<char, 5> RaceCodes{'W', 'B', 'H', 'A', 'O'};
// The sex codes the record stores; 0 is both.
inline constexpr std::array<char, 2> SexCodes{'M', 'F'};

// The one caption table: the options page's buttons and combo say these, and the list's title
// names its choices by them.
QString ListTypeCaption(ListType type); // "Alphabetical Listing,  with", ...
QString ListWithCaption(ListWith with); // "Job Title", "SS#", ...; "" for None
QString RaceCaption(char race);         // "All", "White", ...
QString SexCaption(char sex);           // "All", "Male", "Female"
// The labels of the look-for frame: "Month Emp.", "Year Emp.", "Age Group" (1 to 3) and
// "Look for other text..." (4).
QString LookForCaption(int label);

struct ListQuery {
    ListType type = ListType::Alphabetical;
    ListWith with = ListWith::JobTitle;
    char race = 0; // one of RaceCodes; 0 for every race
    char sex = 0;  // one of SexCodes; 0 for both
    EmploymentStatus status = EmploymentStatus::Current;
    // The look-for choices of the alphabetical list, as their combos show them ("Mar", "2001",
    // "40's"); empty for any.
    QString month;
    QString year;
    QString ageGroup;
    QString lookFor;
    bool searchNotepad = false;
    // What the user building the list may see: masked, the Social Security number shows its last
    // four characters, a birth date its month and day, and no age is shown; the look-for text is
    // then not searched for in the Social Security number. Filters and order are the same.
    SensitiveFields sensitive;
};
