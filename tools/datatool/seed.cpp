#include "datatool/seed.h"

#include "data/oledate.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// Note for this file: the order of draws is part of the output. C++ leaves the evaluation order
// of function arguments and operands open, so every draw is made in a statement of its own.

namespace {

constexpr mode_t OwnerOnly = 0600;
constexpr qint64 RecordsPerBlock = 200; // 1 MB per write

// The day the business started keeping its records in the program; people hired earlier were
// entered in the first weeks after it.
QDate RecordsStart() {
    return QDate(2000, 1, 3);
}

constexpr int OpeningSecond = 8 * 3600;
constexpr int ClosingSecond = 18 * 3600 - 1;

// clang-format off
const char* const FemaleNames[] = {
    "Mary", "Patricia", "Jennifer", "Linda", "Elizabeth", "Barbara", "Susan", "Jessica", "Sarah",
    "Karen", "Nancy", "Lisa", "Margaret", "Sandra", "Ashley", "Dorothy", "Kimberly", "Emily", "Donna",
    "Michelle", "Carol", "Amanda", "Melissa", "Deborah", "Stephanie", "Rebecca", "Laura", "Sharon",
    "Cynthia", "Kathleen", "Amy", "Angela", "Helen", "Anna", "Brenda", "Nicole", "Zoë", "Renée",
    "Chloé", "María", "Lucía", "Mei", "Aisha", "Keisha", "Latoya", "Priya", "Yuki", "Ngozi",
};
const char* const MaleNames[] = {
    "James", "John", "Robert", "Michael", "William", "David", "Richard", "Joseph", "Thomas", "Charles",
    "Daniel", "Matthew", "Anthony", "Donald", "Mark", "Paul", "Steven", "Andrew", "Kenneth", "Joshua",
    "Kevin", "Brian", "George", "Edward", "Ronald", "Timothy", "Jason", "Jeffrey", "Ryan", "Jacob",
    "Gary", "Nicholas", "Eric", "Stephen", "Jonathan", "Larry", "Justin", "Scott", "Brandon", "José",
    "Luis", "Carlos", "Jesús", "Wei", "Hiroshi", "Raj", "Darnell", "Tyrone", "Andrés", "François",
    "Kwame", "Dmitri",
};
const char* const LastNames[] = {
    "Smith", "Johnson", "Williams", "Brown", "Jones", "Miller", "Davis", "Wilson", "Anderson",
    "Taylor", "Thomas", "Moore", "Martin", "Jackson", "Thompson", "White", "Harris", "Clark", "Lewis",
    "Robinson", "Walker", "Young", "Allen", "King", "Wright", "Scott", "Hill", "Green", "Adams",
    "Baker", "Nelson", "Carter", "Mitchell", "Roberts", "Turner", "Phillips", "Campbell", "Parker",
    "Evans", "Edwards", "Collins", "Stewart", "O'Brien", "McDonald", "Brontë", "Schäfer",
    "Fitzgerald-Hughes",
};
// Surnames more common in one group; drawn for most people of that group.
const char* const WhiteNames[] = {
    "Kowalski", "Sullivan", "Schmidt", "Olsen", "Murphy", "Novak", "Larsen", "Becker", "Lindqvist",
    "Russo",
};
const char* const BlackNames[] = {
    "Washington", "Jefferson", "Booker", "Banks", "Okafor", "Mensah", "Freeman", "Holloway", "Gaines",
    "Dube",
};
const char* const HispanicNames[] = {
    "García", "Rodríguez", "Martínez", "Hernández", "López", "González", "Pérez", "Sánchez", "Ramírez",
    "Torres", "Flores", "Rivera", "Gómez", "Díaz", "Muñoz",
};
const char* const AsianNames[] = {
    "Nguyen", "Kim", "Park", "Chen", "Wang", "Li", "Tanaka", "Yamamoto", "Patel", "Shah", "Tran",
    "Huang", "Singh",
};
const char* const OtherNames[] = {"Begay", "Yazzie", "Kealoha", "Haddad", "Tsosie", "Nakamura-Reyes"};

const char* const Suffixes[] = {"Jr", "Sr", "II", "III", "IV"};

struct Relation {
    const char* name;
    char sex; // 'F', 'M', or '?' for either
    bool family;
};
const Relation Relations[] = {
    {"Spouse", '?', true},  {"Husband", 'M', true},  {"Wife", 'F', true},     {"Mother", 'F', true},
    {"Father", 'M', true},  {"Sister", 'F', true},   {"Brother", 'M', true},  {"Daughter", 'F', true},
    {"Son", 'M', true},     {"Aunt", 'F', true},     {"Grandmother", 'F', true},
    {"Partner", '?', false}, {"Friend", '?', false}, {"Neighbor", '?', false},
};

const char* const Streets[] = {
    "Maple", "Oak", "Pine", "Cedar", "Elm", "Washington", "Lake", "Hill", "Main", "Park", "Sunset",
    "Highland", "Church", "Mill", "River", "Spring", "Ridge", "Chestnut", "Walnut", "Lincoln",
    "Jefferson", "Willow", "Meadow", "Cherry Blossom", "Old Mill Creek",
};
const char* const StreetTypes[] = {"St", "Ave", "Blvd", "Rd", "Dr", "Ln", "Ct", "Way", "Pl"};

struct City {
    const char* name;
    const char* state;
    int zipPrefix; // the first three digits
    int areaCode;
};
// A small business draws most of its people from around it.
const City LocalCities[] = {
    {"Springfield", "IL", 627, 217}, {"Chatham", "IL", 626, 217}, {"Decatur", "IL", 625, 217},
    {"Jacksonville", "IL", 626, 217}, {"Lincoln", "IL", 626, 217},
};
const City OtherCities[] = {
    {"Columbus", "OH", 432, 614}, {"Austin", "TX", 787, 512},     {"Portland", "OR", 972, 503},
    {"Albany", "NY", 122, 518},   {"Tucson", "AZ", 857, 520},     {"Raleigh", "NC", 276, 919},
    {"Madison", "WI", 537, 608},  {"Boise", "ID", 837, 208},      {"Savannah", "GA", 314, 912},
    {"Santa Fe", "NM", 875, 505}, {"Burlington", "VT", 54, 802},  {"St. Louis", "MO", 631, 314},
};

const char* const MailDomains[] = {"example.com", "example.net", "example.org", "mail.example"};

const char* const JobTitles[] = {
    "Cashier", "Sales Associate", "Store Manager", "Assistant Manager", "Bookkeeper", "Office Manager",
    "Receptionist", "Warehouse Clerk", "Forklift Operator", "Delivery Driver", "Line Cook", "Prep Cook",
    "Server", "Dishwasher", "Shift Supervisor", "Maintenance Technician", "Customer Service Rep",
    "Payroll Clerk", "Machinist", "Welder", "Electrician", "Administrative Assistant",
    "Inventory Specialist", "Marketing Coordinator", "Accountant", "Pharmacy Technician",
    "Security Guard", "Custodian",
};

const char* const NoteLines[] = {
    "Prefers to be called by middle name.",
    "Completed forklift certification.",
    "Bilingual (English/Spanish).",
    "Résumé and references on file.",
    "Raise of 3½% approved at annual review.",
    "CPR certified — renew next spring.",
    "Works Tuesday–Saturday.",
    "Allergic to peanuts.",
    "Requested “no overtime” on weekends.",
    "Owes $40 uniform deposit.",
    "Direct deposit form received.",
    "Employee of the month, twice.",
    "Parking permit #118.",
    "Keys: front door and stockroom.",
};
static_assert(std::size(NoteLines) <= 32, "the notepad draws track used lines in a 32-bit mask");

const char* const LeavingReasons[] = {
    "moved out of state", "resigned for another position", "retired", "laid off (seasonal)",
    "returned to school", "terminated; not eligible for rehire",
};
// clang-format on

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

double OleAt(QDate day, int second) {
    return DateToOle(day) + second / 86400.0;
}

// The lower-case ASCII letters of a name, for an e-mail address ("Muñoz" gives "munoz").
QString MailName(const QString& name) {
    QString out;
    for (const QChar c : name.normalized(QString::NormalizationForm_D)) {
        const QChar lower = c.toLower();
        if (lower >= u'a' && lower <= u'z')
            out += lower;
    }
    return out;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t w = ::write(fd, data, size);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (w == 0) {
            errno = ENOSPC;
            return false;
        }
        data += w;
        size -= static_cast<size_t>(w);
    }
    return true;
}

QString SystemError(int errorNumber) {
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

} // namespace

QDate SeedReferenceDate() {
    return QDate(2026, 1, 1);
}

EmployeeGenerator::EmployeeGenerator(quint32 seed) : m_random(seed) {}

quint32 EmployeeGenerator::Below(quint32 bound) {
    Q_ASSERT(bound > 0);
    // Redraw past the last whole multiple of `bound`, so that every value is equally likely.
    constexpr quint64 Range = quint64(1) << 32;
    const quint64 limit = Range - Range % bound;
    quint64 r = 0;
    do {
        r = m_random();
    } while (r >= limit);
    return static_cast<quint32>(r % bound);
}

int EmployeeGenerator::Between(int low, int high) {
    Q_ASSERT(low <= high);
    return low + static_cast<int>(Below(static_cast<quint32>(high - low) + 1));
}

bool EmployeeGenerator::Chance(int percent) {
    return Below(100) < static_cast<quint32>(percent);
}

QDate EmployeeGenerator::DayBetween(QDate first, QDate last) {
    return first.addDays(Between(0, static_cast<int>(first.daysTo(last))));
}

QString EmployeeGenerator::Phone(int areaCode) {
    const int exchange = Between(200, 999);
    const int line = Between(0, 9999);
    return QString::asprintf("(%03d) %03d-%04d", areaCode, exchange, line);
}

QString EmployeeGenerator::Notepad(bool previous, QDate inactivation) {
    QStringList lines;
    const int wanted = Between(1, 4);
    quint32 used = 0;
    for (int i = 0; i < wanted; ++i) {
        const quint32 at = Below(static_cast<quint32>(std::size(NoteLines)));
        if (used & (1u << at))
            continue;
        used |= 1u << at;
        lines += Text(NoteLines[at]);
    }
    if (previous) {
        const QString reason = Text(Pick(LeavingReasons));
        lines += QString::asprintf("Inactivated %02d/%02d/%04d: ", inactivation.month(), inactivation.day(),
                                   inactivation.year()) +
                 reason + u'.';
    }
    // The program's notepad keeps line ends as CR LF.
    return lines.join(QStringLiteral("\r\n"));
}

void EmployeeGenerator::Generate(qint64 number, PersonnelRecord& record) {
    record.Clear();
    const QDate today = SeedReferenceDate();

    // Who: about one in five has left.
    const bool previous = Chance(20);
    const bool female = Chance(50);
    const quint32 raceDraw = Below(100);
    const char race = raceDraw < 58   ? 'W'
                      : raceDraw < 72 ? 'B'
                      : raceDraw < 90 ? 'H'
                      : raceDraw < 97 ? 'A'
                                      : 'O';

    const QString first = Text(female ? Pick(FemaleNames) : Pick(MaleNames));
    QString last;
    if (Chance(65)) {
        switch (race) {
        case 'W':
            last = Text(Pick(WhiteNames));
            break;
        case 'B':
            last = Text(Pick(BlackNames));
            break;
        case 'H':
            last = Text(Pick(HispanicNames));
            break;
        case 'A':
            last = Text(Pick(AsianNames));
            break;
        default:
            last = Text(Pick(OtherNames));
            break;
        }
    } else {
        last = Text(Pick(LastNames));
    }
    QString middle;
    const quint32 middleKind = Below(10);
    if (middleKind >= 5)
        middle = Text(female ? Pick(FemaleNames) : Pick(MaleNames));
    else if (middleKind >= 3)
        middle = QChar(u'A' + Below(26));
    QString suffix;
    if (!female && Chance(6))
        suffix = Text(Pick(Suffixes));

    // When: 18 to 80 years old today, hired after the 18th birthday and at most 40 years ago.
    // People who have left are at least 20, so that there was time to work and leave.
    const int age = Between(previous ? 20 : 18, 80);
    const int birthdayBack = Between(age == 18 ? 2 : 0, 364);
    const QDate birth = today.addYears(-age).addDays(-birthdayBack);
    const QDate firstHire = std::max(birth.addYears(18).addDays(1), today.addYears(-40));
    const QDate lastHire = today.addDays(previous ? -30 : -1);
    // The lesser of two draws: recent hires are more common than long service.
    const int back1 = Between(0, static_cast<int>(firstHire.daysTo(lastHire)));
    const int back2 = Between(0, static_cast<int>(firstHire.daysTo(lastHire)));
    const QDate hire = lastHire.addDays(-std::min(back1, back2));
    QDate inactivation;
    if (previous)
        inactivation = DayBetween(hire.addDays(1), today);
    const QDate end = previous ? inactivation : today;

    QDate created = std::max(hire, RecordsStart());
    created = std::min(created.addDays(Between(0, 14)), today);
    const int createdSecond = Between(OpeningSecond, ClosingSecond);
    const QDate modified = DayBetween(previous ? std::max(created, inactivation) : created, today);
    const int modifiedSecond = Between(modified == created ? createdSecond : OpeningSecond, ClosingSecond);

    record.SetDateCreated(OleAt(created, createdSecond));
    record.SetDateModified(OleAt(modified, modifiedSecond));
    record.SetFirstName(first);
    record.SetMiddleName(middle);
    record.SetLastName(last);
    record.SetSuffix(suffix);
    record.SetRace(QString(QChar::fromLatin1(race)));
    record.SetSex(female ? QStringLiteral("F") : QStringLiteral("M"));
    record.SetDateOfBirth(DateToOle(birth));
    record.SetDateOfEmployment(DateToOle(hire));
    if (Chance(40))
        record.SetDateOfJobTitle(DateToOle(DayBetween(hire, end)));
    if (previous)
        record.SetInactivationDate(DateToOle(inactivation));

    // Where and how to reach them.
    const City& city = Chance(75) ? Pick(LocalCities) : Pick(OtherCities);
    const int houseNumber = Between(1, 9999);
    const QString street = Text(Pick(Streets));
    const QString streetType = Text(Pick(StreetTypes));
    QString address = QString::number(houseNumber) + u' ' + street + u' ' + streetType;
    if (Chance(15)) {
        const int apartment = Between(1, 40);
        address += QStringLiteral(", Apt ") + QString::number(apartment);
    }
    record.SetStreetAddress(address);
    const int zipTail = Between(0, 99);
    record.SetCityStateZip(
        QString::asprintf("%s, %s %05d", city.name, city.state, city.zipPrefix * 100 + zipTail));
    if (Chance(80))
        record.SetHomePhone(Phone(city.areaCode));
    if (Chance(75)) {
        const int cellArea = Chance(80) ? city.areaCode : Pick(OtherCities).areaCode;
        record.SetCellPhone(Phone(cellArea));
    }
    if (Chance(60)) {
        const QString domain = Text(Pick(MailDomains));
        QString local =
            Chance(50) ? MailName(first).left(1) + MailName(last) : MailName(first) + u'.' + MailName(last);
        const int width = PersonnelRecord::FieldOf(PersonnelField::Email).width;
        local.truncate(width - 1 - domain.size());
        record.SetEmail(local + u'@' + domain);
    }

    const int areaNumber = Between(1, 899);
    const int group = Between(1, 99);
    const int serial = Between(1, 9999);
    // 666 is never issued as an area number.
    record.SetSocialSecurityNumber(
        QString::asprintf("%03d-%02d-%04d", areaNumber == 666 ? 667 : areaNumber, group, serial));
    record.SetEmployeeNumber(QString::asprintf("%05lld", static_cast<long long>(number)));
    if (Chance(92))
        record.SetJobTitle(Text(Pick(JobTitles)));

    if (Chance(85)) {
        const Relation& relation = Pick(Relations);
        const bool contactFemale = relation.sex == '?' ? Chance(50) : relation.sex == 'F';
        const QString contactFirst = Text(contactFemale ? Pick(FemaleNames) : Pick(MaleNames));
        const QString contactLast = relation.family && Chance(70) ? last : Text(Pick(LastNames));
        QString contact = contactFirst + u' ' + contactLast;
        if (contact.size() > PersonnelRecord::FieldOf(PersonnelField::EmergencyName).width)
            contact = contactFirst.left(1) + QStringLiteral(". ") + contactLast;
        record.SetEmergencyName(contact);
        record.SetEmergencyRelationship(Text(relation.name));
        record.SetEmergencyPhone(Phone(Chance(80) ? city.areaCode : Pick(OtherCities).areaCode));
    }

    if (Chance(35))
        record.SetNotepad(Notepad(previous, inactivation));
    // No picture: a path to a file that is not there would greet the user with "Error loading
    // picture". The draw that once chose who had one stays, so every later draw is as it was.
    Chance(30);
    record.SetVersionCreated(10);
}

QString WriteSeedFile(const QString& realPath, qint64 count, quint32 seed, bool replace,
                      const QString& shownAs) {
    const QString& path = shownAs.isEmpty() ? realPath : shownAs;
    const QByteArray target = QFile::encodeName(realPath);
    QByteArray written = target;
    int fd = -1;
    if (replace) {
        // Built beside the old file and renamed over it, so that a failure leaves the old one.
        written += ".seed-XXXXXX";
        fd = ::mkstemp(written.data());
    } else {
        fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, OwnerOnly);
        if (fd < 0 && errno == EEXIST)
            return QStringLiteral("%1 already exists (--force replaces it)").arg(path);
    }
    if (fd < 0)
        return QStringLiteral("cannot create %1: %2").arg(QFile::decodeName(written), SystemError(errno));

    const auto fail = [&](const QString& action, int errorNumber, bool open) {
        if (open)
            ::close(fd);
        ::unlink(written.constData());
        return QStringLiteral("cannot %1 %2: %3").arg(action, path, SystemError(errorNumber));
    };
    ::fchmod(fd, OwnerOnly); // whatever the umask

    EmployeeGenerator generator(seed);
    PersonnelRecord record;
    std::vector<char> block(RecordsPerBlock * PersonnelRecordLength);
    for (qint64 done = 0; done < count;) {
        const qint64 n = std::min(RecordsPerBlock, count - done);
        for (qint64 i = 0; i < n; ++i) {
            generator.Generate(done + i + 1, record);
            std::memcpy(block.data() + i * PersonnelRecordLength, record.data(), PersonnelRecordLength);
        }
        if (!WriteAll(fd, block.data(), static_cast<size_t>(n * PersonnelRecordLength)))
            return fail(QStringLiteral("write"), errno, true);
        done += n;
    }
    if (::fsync(fd) != 0)
        return fail(QStringLiteral("write"), errno, true);
    if (::close(fd) != 0)
        return fail(QStringLiteral("write"), errno, false);
    if (replace && ::rename(written.constData(), target.constData()) != 0)
        return fail(QStringLiteral("replace"), errno, false);
    return {};
}
