#include "data/sensitive.h"

#include "data/ansitext.h"
#include "data/oledate.h"

QString SensitiveFields::Ssn(QStringView stored) const {
    const QString ssn = TrimSpaces(stored);
    if (!m_masked || ssn.isEmpty())
        return ssn;
    return QStringLiteral("***-**-") + ssn.right(4);
}

QString SensitiveFields::BirthDate(double dateOfBirth) const {
    if (!m_masked)
        return FormatDate(dateOfBirth, u"mm/dd/yyyy");
    return MonthAndDay(dateOfBirth) + QStringLiteral("/****");
}

QString SensitiveFields::MonthAndDay(double date) {
    return FormatDate(date, u"mm/dd");
}

int SensitiveFieldsLevelFrom(QStringView setting) {
    bool ok = false;
    const int level = setting.trimmed().toInt(&ok);
    return ok && level >= 1 && level <= 4 ? level : 1;
}
