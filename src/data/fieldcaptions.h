#pragma once

#include "data/records.h"

// The caption the record page shows above each field's box (records/recordboxes.h checks that its
// rows say the same), here so that the import, below the page, knows the words people write as
// column headers. Null for the fields the page shows in no box.
constexpr const char* FieldCaption(PersonnelField field) {
    using F = PersonnelField;
    switch (field) {
    case F::FirstName:
        return "First Name";
    case F::MiddleName:
        return "Middle Name";
    case F::LastName:
        return "Last Name";
    case F::Suffix:
        return "Suffix";
    case F::Race:
        return "Race";
    case F::Sex:
        return "Sex";
    case F::DateOfBirth:
        return "Date of Birth";
    case F::SocialSecurityNumber:
        return "Social Security #";
    case F::EmergencyName:
        return "Name";
    case F::EmergencyRelationship:
        return "Relationship";
    case F::EmergencyPhone:
        return "Contact Number";
    case F::StreetAddress:
        return "Street Address";
    case F::CityStateZip:
        return "City/State/Zip";
    case F::HomePhone:
        return "Home Phone";
    case F::CellPhone:
        return "Cell Phone";
    case F::Email:
        return "Email";
    case F::EmployeeNumber:
        return "Employee #";
    case F::JobTitle:
        return "Job Title";
    case F::DateOfEmployment:
        return "Date of Employment";
    case F::DateOfJobTitle:
        return "Date of Job Title";
    case F::InactivationDate:
        return "Inactivation Date";
    case F::Notepad:
        return "Notepad";
    default:
        return nullptr;
    }
}

// The emergency frame's fields, whose captions stand in the " In Case of Emergency " frame and say
// whose name or number only there.
constexpr bool IsEmergencyField(PersonnelField field) {
    return field == PersonnelField::EmergencyName || field == PersonnelField::EmergencyRelationship ||
           field == PersonnelField::EmergencyPhone;
}
