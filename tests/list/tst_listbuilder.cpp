// The employee list: which employees each list type and filter takes, the exact cells, the order,
// the highlighted new employee, the frame caption, and what garbage dates and file faults do.
#include "data/ansitext.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "datatool/seed.h"
#include "list/listbuilder.h"
#include "support/faultyfileio.h"
#include "support/recordsfile.h"
#include "support/testsupport.h"
#include "ui/gridmodel.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using namespace Qt::StringLiterals;
using F = PersonnelField;

namespace {

const double Today = Ole(2024, 6, 15);

PersonnelRecord Employee(const QString& last, const QString& first, QDate born = {1980, 1, 1},
                         QDate hired = {2010, 1, 1}) {
    PersonnelRecord r;
    r.SetLastName(last);
    r.SetFirstName(first);
    r.SetRace(u"W"_s);
    r.SetSex(u"M"_s);
    r.SetDateOfBirth(DateToOle(born));
    r.SetDateOfEmployment(DateToOle(hired));
    return r;
}

PersonnelRecord Previous(PersonnelRecord r) {
    r.SetInactivationDate(Ole(2020, 1, 1));
    return r;
}

PersonnelRecord With(PersonnelRecord r, F field, const QString& text) {
    r.SetText(field, text);
    return r;
}

// The records as the file's bytes, written at once (appending one by one flushes each).
bool WriteFile(const std::vector<PersonnelRecord>& records) {
    QByteArray bytes;
    for (const PersonnelRecord& r : records)
        bytes.append(r.data(), PersonnelRecordLength);
    QFile file(u"Rosterly.Data"_s);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

EmployeeListResult Build(const ListQuery& options, double today = Today, qint32 newRecord = 0) {
    PersonnelFileOnDisk file;
    return BuildEmployeeRows(file, options, today, newRecord);
}

ListQuery OfType(int type) {
    ListQuery o;
    o.type = ListTypes[std::size_t(type - 1)];
    return o;
}

// Each row as its cells joined by "|".
QStringList Lines(const EmployeeListResult& r) {
    QStringList lines;
    for (int row = 0; row < r.Rows(); ++row) {
        QStringList cells;
        for (int c = 0; c < r.cols; ++c)
            cells.append(r.Cell(row, c));
        lines.append(cells.join(u'|'));
    }
    return lines;
}

QStringList Names(const EmployeeListResult& r) {
    QStringList names;
    for (int row = 0; row < r.Rows(); ++row)
        names.append(r.Cell(row, 0));
    return names;
}

// The same rows put into the grid in file order and sorted by the grid itself.
QStringList GridSorted(const EmployeeListResult& r, int sortCol) {
    std::vector<int> fileOrder;
    for (int row = 0; row < r.Rows(); ++row)
        fileOrder.push_back(row);
    std::sort(fileOrder.begin(), fileOrder.end(),
              [&](int a, int b) { return r.Cell(a, 3).toInt() < r.Cell(b, 3).toInt(); });
    GridModel grid;
    grid.SetCols(r.cols);
    for (int row : fileOrder)
        grid.AddItem(r.RowText(row));
    grid.Sort(sortCol, sortCol);
    QStringList lines;
    for (int row = 1; row < grid.Rows(); ++row) {
        QStringList cells;
        for (int c = 0; c < r.cols; ++c)
            cells.append(grid.TextMatrix(row, c));
        lines.append(cells.join(u'|'));
    }
    return lines;
}

// A file of generated employees, and its records as written.
std::vector<PersonnelRecord> GeneratedStaff(qint64 count) {
    std::vector<PersonnelRecord> records;
    if (!WriteSeedFile(u"Rosterly.Data"_s, count, 7, false).isEmpty())
        return records;
    PersonnelFileOnDisk file;
    if (!file.OpenPersonnelFile())
        return records;
    file.ScanRecords([&](qint32, PersonnelRecordView view) {
        records.emplace_back();
        std::memcpy(records.back().data(), view.data(), PersonnelRecordLength);
    });
    return records;
}

// A row as each list type shows it, worked out from the record's own fields and the date
// functions.
QString ExpectedLine(const PersonnelRecord& e, int n, int type, double today) {
    const double date = type == 2 ? e.DateOfEmployment() : e.DateOfBirth();
    const QString years = QString::number(YearsBetween(date, 0, today));
    const auto born = OleToDate(date);
    QStringList cells = {e.LastName() + u", "_s + e.FirstName()};
    if (type == 1)
        cells << e.JobTitle() << u"*"_s;
    else if (type == 2)
        cells << e.JobTitle() << FormatDate(date, u"mm/dd/yyyy") + u" ("_s + years + u')';
    else if (type == 3)
        cells << FormatDate(date, u"mm/dd/yyyy") << years;
    else
        cells << FormatDate(date, u"MMM dd")
              << u" (%1)"_s.arg(born ? OleToDate(today)->year() - born->year() : 0);
    cells << QString::number(n);
    if (type > 1)
        cells << FormatDate(date, type == 4 ? u"mmdd" : u"yyyymmdd");
    return cells.join(u'|');
}

QStringList Expected(const EmployeeListResult& r, const std::vector<PersonnelRecord>& records, int type,
                     double today) {
    QStringList lines;
    for (int row = 0; row < r.Rows(); ++row) {
        // The number the commands act on is the one the row shows.
        const int n = r.RecordNumber(row);
        lines.append(ExpectedLine(records[std::size_t(n - 1)], n, type, today));
    }
    return lines;
}

} // namespace

class TestListBuilder : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void alphabeticalListsCurrentOrPreviousByName() {
        TempDataFolder folder;
        QVERIFY(WriteFile({
            With(Employee(u"Smith"_s, u"Ann"_s), F::JobTitle, u"Nurse"_s),
            With(Employee(u"adams"_s, u"Zoe"_s), F::JobTitle, u"Clerk"_s),
            With(Previous(Employee(u"Brown"_s, u"Bob"_s)), F::JobTitle, u"Driver"_s),
            Employee(u"Baker"_s, u"Carl"_s),
            With(Employee(u"Smith"_s, u"Al"_s), F::JobTitle, u"Cook"_s),
        }));
        const EmployeeListResult current = Build(ListQuery());
        QVERIFY(current.status.Ok());
        QCOMPARE(Lines(current), QStringList({u"adams, Zoe|Clerk|*|2"_s, u"Baker, Carl||*|4"_s,
                                              u"Smith, Al|Cook|*|5"_s, u"Smith, Ann|Nurse|*|1"_s}));
        QCOMPARE(current.recordCount, 5);
        QCOMPARE(current.caption, u"Current Employees"_s);
        QCOMPARE(current.RowText(0), u"adams, Zoe\tClerk\t*\t2"_s);

        ListQuery previous;
        previous.status = EmploymentStatus::Previous;
        QCOMPARE(Lines(Build(previous)), QStringList({u"Brown, Bob|Driver|*|3"_s}));
    }

    void headingsAndWidths() {
        TempDataFolder folder;
        QVERIFY(WriteFile({Employee(u"A"_s, u"A"_s)}));
        const struct {
            int cols;
            QString format;
            std::array<int, 3> widths;
        } expected[] = {{4, u"Name|<Job Title"_s, {2000, 4500, 1}},
                        {5, u"Name|<Title|<Date of Employment"_s, {2000, 3200, 2200}},
                        {5, u"Name|<Date of Birth|<Current Age"_s, {2000, 3400, 2200}},
                        {5, u"Name|<Birthday|<Age on this Birthday"_s, {2000, 3200, 2200}}};
        for (int type = 1; type <= 4; ++type) {
            const EmployeeListResult r = Build(OfType(type));
            QCOMPARE(r.cols, expected[type - 1].cols);
            QCOMPARE(r.formatString, expected[type - 1].format);
            QVERIFY(r.colWidths == expected[type - 1].widths);
        }
    }

    // Names in the order the user's language reads them, case aside; equal names keep file order.
    // A C locale sorts as US English. "ß" has no rank, nor has "a" in Danish, where "aa" is one
    // letter: such names go through the collator whole.
    void namesInTheUsersLanguageOrder_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("expected");
        // All of "Smith, Ann" before "Smith Jones, Ann", as a phone book files them.
        const QStringList smiths = {u"Smith"_s, u"Smith Jones"_s, u"Smith-Jones"_s, u"Smithers"_s};
        const QStringList english = QStringList{u"Aagaard"_s,  u"Ångström"_s, u"Gomez"_s, u"Gómez"_s,
                                                u"González"_s, u"Peña"_s,     u"peña"_s} +
                                    smiths + QStringList{u"Strauss"_s, u"Strauß"_s, u"Zeller"_s};
        QTest::newRow("English") << QLocale(u"en_US"_s) << english;
        QTest::newRow("C: English") << QLocale::c() << english;
        QTest::newRow("Swedish") << QLocale(u"sv_SE"_s)
                                 << QStringList{u"Aagaard"_s,  u"Gomez"_s, u"Gómez"_s,
                                                u"González"_s, u"Peña"_s,  u"peña"_s} +
                                        smiths +
                                        QStringList{u"Strauss"_s, u"Strauß"_s, u"Zeller"_s, u"Ångström"_s};
        QTest::newRow("Danish") << QLocale(u"da_DK"_s)
                                << QStringList{u"Gomez"_s, u"Gómez"_s, u"González"_s, u"Peña"_s, u"peña"_s} +
                                       smiths +
                                       QStringList{u"Strauss"_s, u"Strauß"_s, u"Zeller"_s, u"Aagaard"_s,
                                                   u"Ångström"_s};
    }
    void namesInTheUsersLanguageOrder() {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, expected);
        TempDataFolder folder;
        std::vector<PersonnelRecord> staff;
        for (const QString& last : {u"González"_s, u"Gómez"_s, u"Peña"_s, u"Ångström"_s, u"peña"_s,
                                    u"Zeller"_s, u"Strauß"_s, u"Strauss"_s, u"Gomez"_s, u"Aagaard"_s,
                                    u"Smithers"_s, u"Smith-Jones"_s, u"Smith Jones"_s, u"Smith"_s})
            staff.push_back(Employee(last, u"Ann"_s));
        QVERIFY(WriteFile(staff));
        QLocale::setDefault(locale);
        const auto english =
            qScopeGuard([] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); });
        const EmployeeListResult list = Build(ListQuery());
        QStringList names;
        for (const QString& name : Names(list))
            names.append(name.chopped(5)); // ", Ann"
        QCOMPARE(names, expected);
        QCOMPARE(Lines(list), GridSorted(list, 0));
    }

    void listWithValues_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("user");    // the access level of the user building the list
        QTest::addColumn<int>("setting"); // SensitiveFieldsLevel
        QTest::newRow("Job Title") << 0 << u"Job Title"_s << u"Head Nurse"_s << 1 << 1;
        QTest::newRow("SS#") << 1 << u"SS#"_s << u"123-45-6789"_s << 1 << 1;
        QTest::newRow("Race/Sex") << 2 << u"Race/Sex"_s << u"B/F"_s << 1 << 1;
        QTest::newRow("Date of Birth") << 3 << u"Date of Birth"_s << u"03/15/1990 (34)"_s << 1 << 1;
        QTest::newRow("Address") << 4 << u"Address"_s << u"12 Elm St Springfield, IL 62701"_s << 1 << 1;
        QTest::newRow("Home Phone") << 5 << u"Home Phone"_s << u"(217) 555-0100"_s << 1 << 1;
        QTest::newRow("Cell Phone") << 6 << u"Cell Phone"_s << u"(217) 555-0199"_s << 1 << 1;
        QTest::newRow("Email Address") << 7 << u"Email Address"_s << u"ann@example.com"_s << 1 << 1;
        QTest::newRow("Date of Employment") << 8 << u"Date of Employment"_s << u"07/01/2015 (8)"_s << 1 << 1;
        QTest::newRow("Employee#") << 9 << u"Employee#"_s << u"E-042"_s << 1 << 1;
        QTest::newRow("nothing selected") << -1 << QString() << QString() << 1 << 1;
        // Below the setting's level the number keeps its last four characters, the birth date its
        // month and day, and no age is shown; at the level everything shows.
        QTest::newRow("SS#, level 2 under 3") << 1 << u"SS#"_s << u"***-**-6789"_s << 2 << 3;
        QTest::newRow("SS#, level 3 under 3") << 1 << u"SS#"_s << u"123-45-6789"_s << 3 << 3;
        QTest::newRow("SS#, level 3 under 4") << 1 << u"SS#"_s << u"***-**-6789"_s << 3 << 4;
        QTest::newRow("Date of Birth, level 1 under 2")
            << 3 << u"Date of Birth"_s << u"03/15/****"_s << 1 << 2;
        QTest::newRow("Date of Birth, level 4 under 4")
            << 3 << u"Date of Birth"_s << u"03/15/1990 (34)"_s << 4 << 4;
        QTest::newRow("Race/Sex, masked") << 2 << u"Race/Sex"_s << u"B/F"_s << 1 << 4;
        QTest::newRow("Date of Employment, masked")
            << 8 << u"Date of Employment"_s << u"07/01/2015 (8)"_s << 1 << 4;
        QTest::newRow("Employee#, masked") << 9 << u"Employee#"_s << u"E-042"_s << 1 << 4;
    }
    void listWithValues() {
        QFETCH(int, index);
        QFETCH(QString, entry);
        QFETCH(QString, value);
        QFETCH(int, user);
        QFETCH(int, setting);
        TempDataFolder folder;
        PersonnelRecord r = Employee(u"Smith"_s, u"Ann"_s, {1990, 3, 15}, {2015, 7, 1});
        r.SetJobTitle(u"Head Nurse"_s);
        r.SetSocialSecurityNumber(u"123-45-6789"_s);
        r.SetRace(u"B"_s);
        r.SetSex(u"F"_s);
        r.SetStreetAddress(u"12 Elm St"_s);
        r.SetCityStateZip(u"Springfield, IL 62701"_s);
        r.SetHomePhone(u"(217) 555-0100"_s);
        r.SetCellPhone(u"(217) 555-0199"_s);
        r.SetEmail(u"ann@example.com"_s);
        r.SetEmployeeNumber(u"E-042"_s);
        QVERIFY(WriteFile({r}));
        ListQuery o;
        o.with = ListWith(index);
        o.sensitive = SensitiveFields(user, setting);
        const EmployeeListResult result = Build(o);
        QCOMPARE(Lines(result), QStringList({u"Smith, Ann|%1|*|1"_s.arg(value)}));
        QCOMPARE(result.formatString, u"Name|<"_s + entry);
    }

    void raceSexIsAsStored() {
        TempDataFolder folder;
        QVERIFY(WriteFile({With(Employee(u"Doe"_s, u"Jo"_s), F::Race, QString())}));
        ListQuery o;
        o.with = ListWith::RaceSex;
        QCOMPARE(Build(o).Cell(0, 1), u" /M"_s);
    }

    void seniorityByEmploymentCountsFullYears() {
        TempDataFolder folder;
        QVERIFY(WriteFile({
            With(Employee(u"Cole"_s, u"Dan"_s, {1970, 1, 1}, {2004, 6, 16}), F::JobTitle, u"Manager"_s),
            With(Employee(u"Avery"_s, u"Eve"_s, {1970, 1, 1}, {2004, 6, 15}), F::JobTitle, u"Clerk"_s),
            Employee(u"Young"_s, u"Sam"_s, {1990, 1, 1}, {2020, 1, 10}),
            With(Employee(u"Zed"_s, u"Kim"_s, {1970, 1, 1}, {2004, 6, 16}), F::JobTitle, u"Cook"_s),
            Previous(Employee(u"Old"_s, u"Pat"_s, {1950, 1, 1}, {1990, 1, 1})),
        }));
        const EmployeeListResult r = Build(OfType(2));
        // The anniversary tomorrow still counts 19 years; the two hired the same day stay adjacent.
        QCOMPARE(Lines(r), QStringList({u"Avery, Eve|Clerk|06/15/2004 (20)|2|20040615"_s,
                                        u"Cole, Dan|Manager|06/16/2004 (19)|1|20040616"_s,
                                        u"Zed, Kim|Cook|06/16/2004 (19)|4|20040616"_s,
                                        u"Young, Sam||01/10/2020 (4)|3|20200110"_s}));
        QCOMPARE(r.caption, u"Current Employees - Seniority (by Date of Employment)"_s);
    }

    void seniorityByAgeIsOneLowerTheDayBeforeTheBirthday() {
        TempDataFolder folder;
        QVERIFY(WriteFile({
            Employee(u"Day"_s, u"Before"_s, {1984, 6, 16}),
            Employee(u"On"_s, u"Birthday"_s, {1984, 6, 15}),
            Employee(u"Young"_s, u"Kid"_s, {2000, 1, 1}),
        }));
        QCOMPARE(Lines(Build(OfType(3))), QStringList({u"On, Birthday|06/15/1984|40|2|19840615"_s,
                                                       u"Day, Before|06/16/1984|39|1|19840616"_s,
                                                       u"Young, Kid|01/01/2000|24|3|20000101"_s}));
    }

    void birthdayListRunsThroughTheCalendarYear() {
        TempDataFolder folder;
        QVERIFY(WriteFile({
            Employee(u"Dec"_s, u"Late"_s, {1950, 12, 15}),
            Employee(u"Jan"_s, u"Early"_s, {2001, 1, 2}),
            Employee(u"Mid"_s, u"Year"_s, {1994, 6, 20}),
            Previous(Employee(u"Gone"_s, u"Away"_s, {1960, 1, 1})),
        }));
        // Before and after the birthdays the age shown is the one this year's birthday brings.
        const QStringList expected = {u"Jan, Early|Jan 02| (23)|2|0102"_s, u"Mid, Year|Jun 20| (30)|3|0620"_s,
                                      u"Dec, Late|Dec 15| (74)|1|1215"_s};
        QCOMPARE(Lines(Build(OfType(4), Ole(2024, 1, 1))), expected);
        QCOMPARE(Lines(Build(OfType(4), Ole(2024, 12, 31))), expected);
    }

    // The lists by age and by birthday go on working for a user who sees the birth dates masked:
    // month and day only (the birthday list's "Mmm dd" as it is), no age, in the same order; the list by
    // age's sort key, which would show the year, numbers the rows by place. The list by seniority shows no
    // birth date.
    void datedListsUnderTheSensitiveFieldsRule_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("user");
        QTest::addColumn<int>("setting");
        QTest::addColumn<QStringList>("expected");
        const QStringList byAge = {u"No, Date||0|4|"_s, u"Dec, Late|12/15/1950|73|1|19501215"_s,
                                   u"Mid, Year|06/20/1994|29|3|19940620"_s,
                                   u"Jan, Early|01/02/2001|23|2|20010102"_s};
        const QStringList birthdays = {u"No, Date|| (0)|4|"_s, u"Jan, Early|Jan 02| (23)|2|0102"_s,
                                       u"Mid, Year|Jun 20| (30)|3|0620"_s,
                                       u"Dec, Late|Dec 15| (74)|1|1215"_s};
        QTest::newRow("by age, everyone sees everything") << 3 << 1 << 1 << byAge;
        QTest::newRow("by age, level 3 under 3") << 3 << 3 << 3 << byAge;
        QTest::newRow("by age, level 2 under 3")
            << 3 << 2 << 3
            << QStringList{u"No, Date|||4|1"_s, u"Dec, Late|12/15||1|2"_s, u"Mid, Year|06/20||3|3"_s,
                           u"Jan, Early|01/02||2|4"_s};
        QTest::newRow("birthdays, level 4 under 4") << 4 << 4 << 4 << birthdays;
        QTest::newRow("birthdays, level 1 under 4")
            << 4 << 1 << 4
            << QStringList{u"No, Date|||4|"_s, u"Jan, Early|Jan 02||2|0102"_s, u"Mid, Year|Jun 20||3|0620"_s,
                           u"Dec, Late|Dec 15||1|1215"_s};
        QTest::newRow("seniority, level 1 under 4")
            << 2 << 1 << 4
            << QStringList{
                   u"Dec, Late||01/01/2010 (14)|1|20100101"_s, u"Jan, Early||01/01/2010 (14)|2|20100101"_s,
                   u"Mid, Year||01/01/2010 (14)|3|20100101"_s, u"No, Date||01/01/2010 (14)|4|20100101"_s};
    }
    void datedListsUnderTheSensitiveFieldsRule() {
        QFETCH(int, type);
        QFETCH(int, user);
        QFETCH(int, setting);
        QFETCH(QStringList, expected);
        TempDataFolder folder;
        PersonnelRecord undated = Employee(u"No"_s, u"Date"_s);
        undated.SetDateOfBirth(std::numeric_limits<double>::quiet_NaN());
        QVERIFY(WriteFile({Employee(u"Dec"_s, u"Late"_s, {1950, 12, 15}),
                           Employee(u"Jan"_s, u"Early"_s, {2001, 1, 2}),
                           Employee(u"Mid"_s, u"Year"_s, {1994, 6, 20}), undated}));
        ListQuery o = OfType(type);
        o.sensitive = SensitiveFields(user, setting);
        const EmployeeListResult r = Build(o);
        QCOMPARE(Lines(r), expected);
        QCOMPARE(Lines(r), GridSorted(r, 4)); // the grid's own sort on the key keeps the order
    }

    void datedListsTakeCurrentEmployeesOnly() {
        TempDataFolder folder;
        PersonnelRecord odd = Employee(u"Odd"_s, u"Date"_s);
        odd.SetInactivationDate(-5); // not the 0 of a current employee
        QVERIFY(WriteFile({Previous(Employee(u"Gone"_s, u"Away"_s)), odd}));
        for (int type = 2; type <= 4; ++type) {
            ListQuery o = OfType(type);
            o.status = EmploymentStatus::Previous; // ignored by these lists
            const EmployeeListResult r = Build(o);
            QVERIFY(r.status.Ok());
            QCOMPARE(r.Rows(), 0);
        }
        // The alphabetical list takes neither as current, and only a positive date as previous.
        ListQuery previous;
        previous.status = EmploymentStatus::Previous;
        QCOMPARE(Names(Build(previous)), QStringList({u"Gone, Away"_s}));
        QCOMPARE(Build(ListQuery()).Rows(), 0);
    }

    void filters() {
        TempDataFolder folder;
        auto person = [](const QString& last, const char* race, const char* sex, QDate born, QDate hired) {
            PersonnelRecord r = Employee(last, u"X"_s, born, hired);
            r.SetRace(QString::fromLatin1(race));
            r.SetSex(QString::fromLatin1(sex));
            return r;
        };
        QVERIFY(WriteFile({
            person(u"A"_s, "W", "M", {2000, 1, 1}, {2019, 3, 4}),   // 24
            person(u"B"_s, "B", "F", {1990, 1, 1}, {2020, 3, 10}),  // 34
            person(u"C"_s, "H", "F", {1996, 6, 15}, {2019, 11, 1}), // 28 today
            person(u"D"_s, "A", "M", {2022, 1, 1}, {2021, 3, 1}),   // 2
            person(u"E"_s, "O", "M", {1994, 6, 16}, {2019, 3, 31}), // 29, 30 tomorrow
            Previous(person(u"F"_s, "B", "F", {1990, 1, 1}, {2019, 3, 1})),
        }));
        const auto names = [](auto change) {
            ListQuery o;
            change(o);
            QStringList out;
            for (const QString& name : Names(Build(o)))
                out.append(name.left(1));
            return out.join(QString());
        };
        QCOMPARE(names([](ListQuery&) {}), u"ABCDE"_s);
        QCOMPARE(names([](ListQuery& o) { o.race = 'W'; }), u"A"_s);
        QCOMPARE(names([](ListQuery& o) { o.race = 'B'; }), u"B"_s);
        QCOMPARE(names([](ListQuery& o) { o.race = 'H'; }), u"C"_s);
        QCOMPARE(names([](ListQuery& o) { o.race = 'A'; }), u"D"_s);
        QCOMPARE(names([](ListQuery& o) { o.race = 'O'; }), u"E"_s);
        QCOMPARE(names([](ListQuery& o) { o.sex = 'M'; }), u"ADE"_s);
        QCOMPARE(names([](ListQuery& o) { o.sex = 'F'; }), u"BC"_s);
        QCOMPARE(names([](ListQuery& o) { o.status = EmploymentStatus::Previous; }), u"F"_s);
        QCOMPARE(names([](ListQuery& o) { o.month = u"Mar"_s; }), u"ABDE"_s);
        QCOMPARE(names([](ListQuery& o) { o.month = u"Nov"_s; }), u"C"_s);
        QCOMPARE(names([](ListQuery& o) { o.month = u"mar"_s; }), QString());
        QCOMPARE(names([](ListQuery& o) { o.year = u"2019"_s; }), u"ACE"_s);
        QCOMPARE(names([](ListQuery& o) { o.year = u"19"_s; }), QString());
        // The first digit decides: 20's takes 20 to 29 and also the age of 2.
        QCOMPARE(names([](ListQuery& o) { o.ageGroup = u"20's"_s; }), u"ACDE"_s);
        QCOMPARE(names([](ListQuery& o) { o.ageGroup = u"30's"_s; }), u"B"_s);
        QCOMPARE(names([](ListQuery& o) { o.ageGroup = u"40's"_s; }), QString());
        // A user who sees no years of birth gets no age group, which would tell the decade of each.
        QCOMPARE(names([](ListQuery& o) {
                     o.ageGroup = u"20's"_s;
                     o.sensitive = SensitiveFields(1, 4);
                 }),
                 u"ABCDE"_s);
        QCOMPARE(names([](ListQuery& o) {
                     o.race = 'B';
                     o.status = EmploymentStatus::Previous;
                     o.month = u"Mar"_s;
                 }),
                 u"F"_s);
    }

    void otherTextIsACaseSensitiveSearch() {
        TempDataFolder folder;
        PersonnelRecord ann = Employee(u"Smith"_s, u"Ann"_s);
        ann.SetJobTitle(u"Nurse"_s);
        ann.SetEmployeeNumber(u"00042"_s);
        ann.SetSocialSecurityNumber(u"123"_s); // stored padded to 11
        ann.SetEmergencyName(u"Bob Hope"_s);
        ann.SetEmergencyRelationship(u"?"_s);
        ann.SetEmail(u"zebra@example.com"_s);
        const QByteArray notepad("   Likes\r\nforklift work");
        std::memcpy(ann.data() + PersonnelRecord::FieldOf(F::Notepad).offset, notepad.constData(),
                    std::size_t(notepad.size()));
        PersonnelRecord bea = Employee(u"Ström"_s, u"Béa"_s);
        bea.SetMiddleName(u"Maë"_s);
        bea.SetCityStateZip(u"Paris €"_s);
        QVERIFY(WriteFile({ann, bea}));
        const auto found = [](const QString& text, bool notepad = false, SensitiveFields sensitive = {}) {
            ListQuery o;
            o.lookFor = text;
            o.searchNotepad = notepad;
            o.sensitive = sensitive;
            return Names(Build(o)).join(u';');
        };
        QCOMPARE(found(u"smith"_s), QString());
        QCOMPARE(found(u"Smi"_s), u"Smith, Ann"_s);
        QCOMPARE(found(u"Ann  Smith"_s), u"Smith, Ann"_s); // the empty middle name keeps its blank
        QCOMPARE(found(u"Ann Smith"_s), QString());
        QCOMPARE(found(u"Béa Maë Ström"_s), u"Ström, Béa"_s);
        QCOMPARE(found(u"123         Bob"_s), u"Smith, Ann"_s); // the SSN with its padding
        QCOMPARE(found(u"123 Bob"_s), QString());
        QCOMPARE(found(u"Nurse 00042"_s), u"Smith, Ann"_s); // title, then employee number
        QCOMPARE(found(u"00042 Nurse"_s), QString());
        QCOMPARE(found(u"€"_s), u"Ström, Béa"_s);
        QCOMPARE(found(u"Ā"_s), QString()); // not in the code page: no match, not even a '?'
        QCOMPARE(found(u"forklift"_s), QString());
        QCOMPARE(found(u"forklift"_s, true), u"Smith, Ann"_s);
        QCOMPARE(found(u"00042 Likes\r\nfork"_s, true), u"Smith, Ann"_s); // notepad trimmed, after a blank
        QCOMPARE(found(u"00042    Likes"_s, true), QString());
        QCOMPARE(found(u"zebra"_s, true), QString());
        QCOMPARE(found(u"  Smi "_s), u"Smith, Ann"_s);
        // Someone who sees the number masked cannot find people by it: it is left out of the text.
        const SensitiveFields masked(2, 3);
        QCOMPARE(found(u"123"_s, false, SensitiveFields(3, 3)), u"Smith, Ann"_s);
        QCOMPARE(found(u"123"_s, false, masked), QString());
        QCOMPARE(found(u"123"_s, true, masked), QString());
        QCOMPARE(found(u"Smith  Bob Hope"_s, false, masked), u"Smith, Ann"_s);
        QCOMPARE(found(u"Smith  Bob Hope"_s), QString());
        QCOMPARE(found(u"Nurse 00042"_s, false, masked), u"Smith, Ann"_s);
    }

    // On a few thousand generated employees every list agrees, row for row, with the records'
    // own fields and the grid's sort, and the search (raw bytes, records ruled out early) finds
    // exactly what a plain search of the joined texts finds.
    void generatedStaffAgreesWithPlainComputations() {
        TempDataFolder folder;
        const std::vector<PersonnelRecord> records = GeneratedStaff(3000);
        QCOMPARE(records.size(), std::size_t(3000));
        const double today = DateToOle(SeedReferenceDate());
        const auto current = std::count_if(records.begin(), records.end(), [](const PersonnelRecord& r) {
            return r.InactivationDate() == 0;
        });
        for (int type = 1; type <= 4; ++type) {
            const EmployeeListResult r = Build(OfType(type), today);
            QCOMPARE(r.Rows(), int(current));
            QCOMPARE(Lines(r), Expected(r, records, type, today));
            QCOMPARE(Lines(r), GridSorted(r, type == 1 ? 0 : 4));
        }

        const auto plainText = [](const PersonnelRecord& r, bool notepad) {
            QStringList parts = {r.FirstName(), r.MiddleName(), r.LastName(), r.Suffix(),
                                 FromAnsi(r.Raw(F::SocialSecurityNumber))};
            for (F f : {F::EmergencyName, F::EmergencyRelationship, F::EmergencyPhone, F::StreetAddress,
                        F::CityStateZip, F::HomePhone, F::CellPhone, F::JobTitle, F::EmployeeNumber})
                parts.append(r.Text(f));
            if (notepad)
                parts.append(r.Notepad());
            return parts.join(u' ');
        };
        int hits = 0;
        for (const QString& text :
             {u"e"_s, u"Ann"_s, u"7 Completed"_s, u"Mother (217)"_s, u"Apt"_s, u"García"_s, u"Forklift"_s,
              u"forklift"_s, u"½"_s, u"—"_s, u".\r\nEmployee"_s, u"Inactivated"_s, u"IL 627"_s}) {
            for (int status = 1; status <= 2; ++status) {
                for (bool notepad : {false, true}) {
                    ListQuery o;
                    o.lookFor = text;
                    o.status = status == 2 ? EmploymentStatus::Previous : EmploymentStatus::Current;
                    o.searchNotepad = notepad;
                    const EmployeeListResult r = Build(o, today);
                    QStringList expected;
                    for (std::size_t i = 0; i < records.size(); ++i) {
                        if ((status == 1) == (records[i].InactivationDate() == 0) &&
                            plainText(records[i], notepad).contains(text))
                            expected.append(records[i].LastName() + u", "_s + records[i].FirstName() + u'/' +
                                            QString::number(i + 1));
                    }
                    QStringList found;
                    for (int row = 0; row < r.Rows(); ++row)
                        found.append(r.Cell(row, 0) + u'/' + r.Cell(row, 3));
                    found.sort();
                    expected.sort();
                    QCOMPARE(found, expected);
                    hits += int(found.size());
                }
            }
        }
        QVERIFY(hits > 1000); // the texts do occur
    }

    void otherTextIsTrimmedForTheBoxAndCaption() {
        TempDataFolder folder;
        QVERIFY(WriteFile({Employee(u"Smith"_s, u"Ann"_s)}));
        ListQuery o;
        o.lookFor = u"  Smi "_s;
        EmployeeListResult r = Build(o);
        QCOMPARE(r.txtOther, u"Smi"_s);
        QCOMPARE(r.caption, u"Current Employees - 'Smi'"_s);
        o.lookFor = u"   "_s;
        r = Build(o);
        QCOMPARE(r.Rows(), 1);
        QCOMPARE(r.txtOther, QString());
        QCOMPARE(r.caption, u"Current Employees"_s);
        // Only the alphabetical list looks at the box.
        ListQuery dated = OfType(2);
        dated.lookFor = u" x "_s;
        QCOMPARE(Build(dated).txtOther, u" x "_s);
    }

    void newEmployeeRowIsHighlighted() {
        TempDataFolder folder;
        QVERIFY(WriteFile(
            {Employee(u"Carter"_s, u"C"_s), Employee(u"Adams"_s, u"A"_s), Employee(u"Baker"_s, u"B"_s)}));
        QCOMPARE(Build(ListQuery(), Today, 1).highlightRow, 3);
        QCOMPARE(Build(ListQuery(), Today, 2).highlightRow, 1);
        QCOMPARE(Build(ListQuery(), Today, 0).highlightRow, 0);
        QCOMPARE(Build(ListQuery(), Today, 9).highlightRow, 0);
        QCOMPARE(Build(OfType(2), Today, 1).highlightRow, 0);
        ListQuery onlyCarter;
        onlyCarter.lookFor = u"Carter"_s;
        QCOMPARE(Build(onlyCarter, Today, 1).highlightRow, 0); // a list of one is not sorted
    }

    void caption() {
        ListQuery o;
        o.race = 'B';
        o.month = u"Mar"_s;
        o.lookFor = u"nurse"_s;
        QCOMPARE(ListCaption(o), u"Current Employees - Race: Black - Month Emp.: Mar - 'nurse'"_s);
        o.status = EmploymentStatus::Previous;
        o.sex = 'F';
        o.year = u"2019"_s;
        o.ageGroup = u"30's"_s;
        QCOMPARE(ListCaption(o), u"Previous Employees - Race: Black - Sex: Female - Month Emp.: Mar - Year "
                                 u"Emp.: 2019 - Age Group: 30's - 'nurse'"_s);
        o.sensitive = SensitiveFields(2, 3); // nor is it named
        QCOMPARE(ListCaption(o), u"Previous Employees - Race: Black - Sex: Female - Month Emp.: Mar - Year "
                                 u"Emp.: 2019 - 'nurse'"_s);
        // A list by age is of every race and sex: the options page sets them so.
        o.race = 0;
        o.sex = 0;
        o.type = ListType::ByAge;
        QCOMPARE(ListCaption(o), u"Previous Employees - Seniority (by Age)"_s);
    }

    // Dates that are not set, not whole days or not dates at all format as FormatDate does.
    void datesFormatAsFormatDateDoes() {
        TempDataFolder folder;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        const double values[] = {0,         -0.0,  0.9999999, -1.5,      36525.75, 2958465.9999999,
                                 -657434.0, 1e300, -1e300,    2958466.0, nan,      inf};
        std::vector<PersonnelRecord> records;
        for (double v : values) {
            PersonnelRecord r = Employee(u"N"_s, QString::number(records.size()));
            r.SetDateOfBirth(v);
            r.SetDateOfEmployment(v);
            records.push_back(r);
        }
        QVERIFY(WriteFile(records));
        for (int type = 1; type <= 4; ++type) {
            const EmployeeListResult r = Build(OfType(type));
            QCOMPARE(r.Rows(), int(records.size()));
            QCOMPARE(Lines(r), Expected(r, records, type, Today));
        }
        ListQuery withBirth;
        withBirth.with = ListWith::DateOfBirth;
        const EmployeeListResult r = Build(withBirth);
        for (int row = 0; row < r.Rows(); ++row) {
            const double born = records[std::size_t(r.Cell(row, 3).toInt() - 1)].DateOfBirth();
            QCOMPARE(r.Cell(row, 1), FormatDate(born, u"mm/dd/yyyy") + u" ("_s +
                                         QString::number(YearsBetween(born, 0, Today)) + u')');
        }
        // Empty keys sort first, then the earliest date there is.
        const EmployeeListResult byAge = Build(OfType(3));
        QCOMPARE(byAge.Cell(5, 1), QString());
        QCOMPARE(byAge.Cell(6, 1), u"01/01/0100"_s);
        // Filters on such dates select by the same texts.
        ListQuery o;
        o.month = u"Dec"_s;
        o.year = u"1899"_s;
        o.ageGroup = u"1"_s;
        QCOMPARE(Build(o).Rows(), 4); // 0, -0.0, 0.9999999 (the 31st) and -1.5 (the 29th)
    }

    // The rows come out exactly as the grid's own sort would put them.
    void orderIsTheGridsOrder() {
        TempDataFolder folder;
        std::vector<PersonnelRecord> records;
        const auto raw = [&](const QByteArray& last, double born) {
            PersonnelRecord r = Employee(u"-"_s, u"F"_s);
            r.SetJobTitle(u"T"_s + QString::number(records.size() + 1));
            const FieldLayout& field = PersonnelRecord::FieldOf(F::LastName);
            std::memcpy(r.data() + field.offset, last.constData(), std::size_t(last.size()));
            r.SetDateOfBirth(born);
            records.push_back(r);
        };
        // Every byte, with and without a common prefix longer than eight; a few prefixes of others.
        for (int b = 255; b >= 0; --b) {
            if (b == '\t') // the grid takes a tab as the end of a cell
                continue;
            raw(QByteArray("x") + char(b), Ole(1950, 1, 1) + b * 37.0);
            raw(QByteArray("Prefix12") + char(b) + "z", Ole(1960, 1, 1) + b * 11.0);
        }
        for (const char* name : {"x", "X", "xA", "xa", "Prefix12", "PREFIX12Az", "prefix12az"})
            raw(QByteArray(name), std::numeric_limits<double>::quiet_NaN());
        QVERIFY(WriteFile(records));
        ListQuery current;
        const EmployeeListResult alphabetical = Build(current);
        QCOMPARE(alphabetical.Rows(), int(records.size()));
        QCOMPARE(Lines(alphabetical), GridSorted(alphabetical, 0));
        for (int row = 0; row < alphabetical.Rows(); ++row) // many titles, each its own
            QCOMPARE(alphabetical.Cell(row, 1), u"T"_s + alphabetical.Cell(row, 3));
        for (int type = 2; type <= 4; ++type) {
            const EmployeeListResult dated = Build(OfType(type));
            QCOMPARE(Lines(dated), GridSorted(dated, 4));
        }
    }

    void fileFaultsReachTheCaller() {
        TempDataFolder folder;
        QVERIFY(WriteFile({Employee(u"A"_s, u"A"_s), Employee(u"B"_s, u"B"_s)}));
        for (int call = 1; call <= 2; ++call) { // open, the one reading of the rows
            FaultyFileIo io;
            PersonnelFile file(io);
            io.Arm(call, FaultyFileIo::Fault::Error);
            const EmployeeListResult r = BuildEmployeeRows(file, ListQuery(), Today, 0);
            QVERIFY2(io.Fired(), qPrintable(QString::number(call)));
            QVERIFY(!r.status.Ok());
            QVERIFY(r.status.Message().contains(u"Rosterly.Data"_s));
            QCOMPARE(r.Rows(), 0);
            QVERIFY(!file.IsOpen());
        }
    }

    // Every list is built from one reading of the file; a record left marked by an interrupted
    // removal sends the build the long way, which finishes the removal and leaves it out.
    void oneReadingOfTheFile() {
        struct CountingIo final : FileIo {
            qint64 bytes = 0;
            ssize_t ReadAt(int fd, void* buffer, size_t count, off_t offset) override {
                const ssize_t n = FileIo::ReadAt(fd, buffer, count, offset);
                bytes += std::max<ssize_t>(n, 0);
                return n;
            }
        };
        TempDataFolder folder;
        QVERIFY(WriteFile({Employee(u"A"_s, u"A"_s), Employee(u"B"_s, u"B"_s), Employee(u"C"_s, u"C"_s)}));
        for (int type = 1; type <= 4; ++type) {
            CountingIo io;
            PersonnelFile file(io);
            QCOMPARE(BuildEmployeeRows(file, OfType(type), Today, 0).Rows(), 3);
            QCOMPARE(io.bytes, qint64(3 * PersonnelRecordLength));
        }
        QVERIFY(
            WriteFile({Employee(u"A"_s, u"A"_s), Employee(u"B"_s, u"$Killed$"_s), Employee(u"C"_s, u"C"_s)}));
        PersonnelFileOnDisk file;
        const EmployeeListResult r = BuildEmployeeRows(file, ListQuery(), Today, 0);
        QVERIFY(r.status.Ok());
        QCOMPARE(r.recordCount, 2);
        QCOMPARE(r.Rows(), 2);
        QCOMPARE(QFileInfo(u"Rosterly.Data"_s).size(), qint64(2 * PersonnelRecordLength));
    }

    void emptyFile() {
        TempDataFolder folder;
        const EmployeeListResult r = Build(ListQuery());
        QVERIFY(r.status.Ok());
        QCOMPARE(r.recordCount, 0);
        QCOMPARE(r.Rows(), 0);
    }
};

QTEST_GUILESS_MAIN(TestListBuilder)
#include "tst_listbuilder.moc"
