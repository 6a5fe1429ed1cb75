#include "list/listquery.h"

QString ListTypeCaption(ListType type) {
    switch (type) {
    case ListType::Alphabetical:
        break;
    case ListType::BySeniority:
        return QStringLiteral("Seniority (by Date of Employment)");
    case ListType::ByAge:
        return QStringLiteral("Seniority (by Age)");
    case ListType::Birthdays:
        return QStringLiteral("Birthday List (by Month/Day)");
    }
    return QStringLiteral("Alphabetical Listing,  with");
}

QString ListWithCaption(ListWith with) {
    static const char* const captions[ListWithCount] = {
        "Job Title",  "SS#",        "Race/Sex",      "Date of Birth",      "Address",
        "Home Phone", "Cell Phone", "Email Address", "Date of Employment", "Employee#"};
    const int at = int(with);
    return at >= 0 && at < ListWithCount ? QString::fromLatin1(captions[at]) : QString();
}

QString RaceCaption(char race) {
    static const char* const captions[] = {"White", "Black", "Hispanic", "Asiatic", "Other"};
    for (std::size_t i = 0; i < RaceCodes.size(); ++i) {
        if (RaceCodes[i] == race)
            return QString::fromLatin1(captions[i]);
    }
    return QStringLiteral("All");
}

QString SexCaption(char sex) {
    return sex == 'M'   ? QStringLiteral("Male")
           : sex == 'F' ? QStringLiteral("Female")
                        : QStringLiteral("All");
}

QString LookForCaption(int label) {
    static const char* const captions[] = {"Month Emp.", "Year Emp.", "Age Group", "Look for other text..."};
    return label >= 1 && label <= 4 ? QString::fromLatin1(captions[label - 1]) : QString();
}
