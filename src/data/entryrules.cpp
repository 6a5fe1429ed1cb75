#include "data/entryrules.h"

#include "data/ansitext.h"
#include "data/oledate.h"

namespace {
bool IsDateText(QStringView text) {
    return ParseUserDate(TrimSpaces(text)).has_value();
}

bool HasLineOrTab(const QString& text) {
    return text.contains(QLatin1Char('\t')) || text.contains(QLatin1Char('\r')) ||
           text.contains(QLatin1Char('\n'));
}
} // namespace

EntryCheck CheckEntry(EntryFields& entry, bool withInactivation) {
    using F = PersonnelField;
    // The removal mark in the first name would make the next removal, or the next opening of the
    // file, delete this employee: test the name as it would be stored.
    PersonnelRecord stored;
    stored.SetFirstName(TrimSpaces(entry.names[0]));
    if (stored.IsMarkedRemoved())
        return {EntryFault::RemovedMarker, F::FirstName};
    // A name is one line: a tab or a line break in it would break every list it stands in.
    constexpr F nameFields[] = {F::FirstName, F::MiddleName, F::LastName, F::Suffix};
    for (std::size_t i = 0; i < entry.names.size(); ++i) {
        if (HasLineOrTab(entry.names[i]))
            return {EntryFault::NameLine, nameFields[i]};
    }
    entry.race = TrimSpaces(entry.race).toUpper();
    if (entry.race.size() != 1 || !QStringLiteral("WBHAO").contains(entry.race))
        return {EntryFault::Race, F::Race};
    entry.sex = TrimSpaces(entry.sex).toUpper();
    if (entry.sex != QLatin1String("M") && entry.sex != QLatin1String("F"))
        return {EntryFault::Sex, F::Sex};
    if (!entry.dateOfBirthKept && !IsDateText(entry.dateOfBirth))
        return {EntryFault::DateOfBirth, F::DateOfBirth};
    const qsizetype ssn = TrimSpaces(entry.socialSecurityNumber).size();
    if (!entry.socialSecurityNumberKept && ssn != 0 && ssn < 11)
        return {EntryFault::SocialSecurityNumber, F::SocialSecurityNumber};
    if (!IsDateText(entry.dateOfEmployment))
        return {EntryFault::DateOfEmployment, F::DateOfEmployment};
    const QString jobTitleDate = TrimSpaces(entry.dateOfJobTitle);
    if (!jobTitleDate.isEmpty() && !IsDateText(jobTitleDate))
        return {EntryFault::DateOfJobTitle, F::DateOfJobTitle};
    if (withInactivation) {
        const QString inactivation = TrimSpaces(entry.inactivationDate);
        if (!inactivation.isEmpty() && !IsDateText(inactivation))
            return {EntryFault::InactivationDate, F::InactivationDate};
    }
    return {};
}

double EntryDate(QStringView text) {
    const std::optional<QDate> d = ParseUserDate(TrimSpaces(text));
    return d ? DateToOle(*d) : 0.0;
}
