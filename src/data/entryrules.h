#pragma once

#include "data/records.h"

#include <QString>

#include <array>

// The fields of one employee as typed (on the record page or in an imported file), before they
// are stored: the texts the checks of an entry read.
struct EntryFields {
    // First, middle and last name and suffix.
    std::array<QString, 4> names;
    QString race;
    QString sex;
    QString dateOfBirth;
    QString socialSecurityNumber;
    QString dateOfEmployment;
    QString dateOfJobTitle;
    QString inactivationDate;
    // A field shown masked (data/sensitive.h) cannot be changed, so its box holds no value to
    // check: it is kept as stored, and it passed the checks when it was stored.
    bool dateOfBirthKept = false;
    bool socialSecurityNumberKept = false;
};

enum class EntryFault {
    None,
    RemovedMarker,        // the first name would be stored as the removal mark
    NameLine,             // a name holds a tab or a line break
    Race,                 // not one of W B H A O
    Sex,                  // not M or F
    DateOfBirth,          // missing or not a date
    SocialSecurityNumber, // neither empty nor at least 11 characters
    DateOfEmployment,     // missing or not a date
    DateOfJobTitle,       // not empty and not a date
    InactivationDate,     // not empty and not a date
};

struct EntryCheck {
    EntryFault fault = EntryFault::None;
    PersonnelField field = PersonnelField::FirstName; // the field at fault
    bool Ok() const { return fault == EntryFault::None; }
};

// The checks an employee passes before it is stored, in the order the record page reports them;
// the first fault found is returned. On the way the race is trimmed and upper-cased in `entry`
// and, once the race has passed, the sex too, so that the caller can show or store them as they
// were checked. `withInactivation` adds the inactivation date (an entry being edited or
// imported; a new employee is always current).
EntryCheck CheckEntry(EntryFields& entry, bool withInactivation);

// A date as an entry's checks read it (surrounding spaces ignored); 0 when the text is none.
double EntryDate(QStringView text);
