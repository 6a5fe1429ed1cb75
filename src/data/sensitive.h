#pragma once

#include <QString>
#include <QStringView>

// The Social Security number and the birth year are shown in full only from an access level the
// administrator chooses (data/sensitiverule.h; 1, everyone, unless set). Below it they are
// masked wherever a value leaves the file: on screen, on paper, in copies and in exports. The
// stored value itself is never changed by the mask.
class SensitiveFields {
public:
    // Everyone sees everything.
    SensitiveFields() = default;
    // What a user of `userLevel` sees when the fields show from `sensitiveLevel` up.
    SensitiveFields(int userLevel, int sensitiveLevel)
        : m_masked(userLevel < sensitiveLevel), m_restricted(sensitiveLevel > 1) {}

    bool Masked() const { return m_masked; }
    // Whether what this user takes out (an export, a copy, a printout) holds full values that
    // someone else may not see: then the user log records it. When everyone sees everything
    // (level 1), nothing is restricted and nothing is logged.
    bool FullViewLogged() const { return !m_masked && m_restricted; }

    // The Social Security number as this user sees it, from its stored text (spaces trimmed):
    // masked to its last four characters, "***-**-6789"; an empty one stays empty.
    QString Ssn(QStringView stored) const;
    // The date of birth as this user sees it in the pattern "mm/dd/yyyy": "03/07/****" masked.
    QString BirthDate(double dateOfBirth) const;
    // The birth date without its year, as the birthday list shows it masked: "03/07".
    static QString MonthAndDay(double date);

private:
    bool m_masked = false;
    bool m_restricted = false;
};

// The level a "SensitiveFieldsLevel" setting stands for: 1 to 4, and 1 for anything else (a
// missing or mistyped setting shows every field to everyone, as before there was a setting).
int SensitiveFieldsLevelFrom(QStringView setting);
