// The record page of the real main window as the highlighted row fills it, the tool tips of its
// date boxes, the "Photo" tab by access level, and removing an employee from the list.
#include "support/programtest.h"
#include "support/recordfixture.h"

#include "data/sensitive.h"
#include "data/userlist.h"
#include "records/picturebox.h"
#include "ui/memobox.h"
#include "ui/orvicbutton.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSet>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace {

const QString DataFile = QStringLiteral("Rosterly.Data");

QDateTime At(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    return QDateTime(QDate(y, m, d), QTime(hh, mm, ss));
}

// Appends one complete record to the personnel file of the working folder.
QLineEdit* Box(const QObject* w, int n) {
    return FindControl<QLineEdit>(w, u"txtField(%1)"_s.arg(n));
}
QLabel* Label(const QObject* w, const QString& name) {
    return FindControl<QLabel>(w, name);
}
QLabel* FieldLabel(const QObject* w, int n) {
    return Label(w, u"lblField(%1)"_s.arg(n));
}
QRadioButton* Status(const QObject* w, int i) {
    return FindControl<QRadioButton>(w, u"optStatus(%1)"_s.arg(i));
}
OrvicButton* Button(const QObject* w, const QString& name) {
    return FindControl<OrvicButton>(w, name);
}
QString Notepad(const QObject* w) {
    return FindControl<MemoBox>(w, u"txtField(22)"_s)->Text();
}

// Shown as far as the page is concerned: not hidden, whichever tab is in front.
bool Shown(const QWidget* widget) {
    return !widget->isHidden();
}

// The names the list shows, top to bottom, each with its record number.
QStringList Listed(const Grid* g) {
    QStringList rows;
    for (int r = 1; r < g->Rows(); ++r)
        rows << g->TextMatrix(r, 0) + u'|' + g->TextMatrix(r, 3);
    return rows;
}

// A click on one of the list options (its round button; the caption may end short of its middle).
QString ConfirmText(const QString& name) {
    return u"Are your SURE you want to permanently remove\r\n\r\n"_s + name +
           u"\r\n\r\nfrom this personnel database?"_s;
}

void VerifyConfirmation(const Prompt& asked, const QString& name) {
    QCOMPARE(asked.kind, Prompt::Kind::Message);
    QCOMPARE(asked.text, ConfirmText(name));
    QCOMPARE(asked.title, u"Confirm"_s);
    QCOMPARE(asked.icon, MsgIcon::Question);
    QCOMPARE(asked.buttons, MsgButtons::YesNo);
    QCOMPARE(asked.defaultButton, MsgDefault::Button2);
}

// The window is usable again: enabled and without the busy pointer.
PersonnelRecord FullRecord() {
    PersonnelRecord r;
    r.SetDateCreated(DateTimeToOle(At(2024, 3, 5, 8, 4, 3)));
    r.SetDateModified(DateTimeToOle(At(2026, 11, 30, 23, 59, 58)));
    r.SetFirstName(u"Bob"_s);
    r.SetMiddleName(u"Lee"_s);
    r.SetLastName(u"Adams"_s);
    r.SetSuffix(u"Jr"_s);
    r.SetEmergencyName(u"Mary Adams"_s);
    r.SetEmergencyRelationship(u"Wife"_s);
    r.SetEmergencyPhone(u"(217) 555-0101"_s);
    r.SetStreetAddress(u"  12 Elm Street"_s);
    r.SetCityStateZip(u"Springfield, IL 62701"_s);
    r.SetHomePhone(u"(217) 555-0100"_s);
    r.SetCellPhone(u"(217) 555-0199"_s);
    r.SetRace(u"B"_s);
    r.SetSex(u"M"_s);
    r.SetSocialSecurityNumber(u"123-45-6789"_s);
    r.SetDateOfBirth(DateToOle(QDate(1968, 3, 7)));
    r.SetDateOfEmployment(DateToOle(QDate(2000, 3, 15)));
    r.SetDateOfJobTitle(DateToOle(QDate(2010, 6, 1)));
    r.SetInactivationDate(0);
    r.SetEmployeeNumber(u"E-17"_s);
    r.SetJobTitle(u" Charge Nurse"_s);
    r.SetNotepad(u"Prefers nights.\r\nSpeaks Spanish."_s);
    r.SetEmail(u"bob@example.com"_s);
    return r;
}

} // namespace

class TestRecordPage : public ProgramTest {
    Q_OBJECT

private slots:
    void highlightedRowFillsThePage() {
        // Young first in the file, so that list rows and record numbers differ.
        WriteStaff({{u"Young"_s,
                     u"Zoe"_s,
                     {2021, 12, 9},
                     {2026, 12, 8},
                     {},
                     u"W"_s,
                     u"F"_s,
                     {},
                     DateTimeToOle(At(2026, 12, 8, 17, 5, 9))}});
        AppendRecord(FullRecord());
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QCOMPARE(p->prompts.Asked().size(), 0);
        QCOMPARE(Listed(w->grid), QStringList({u"Adams, Bob|2"_s, u"Young, Zoe|1"_s}));
        QCOMPARE(w->grid->Row(), 1);

        RecordPage* page = w->recordPage;
        QCOMPARE(page->objectName(), u"frame(2)"_s);
        QCOMPARE(page->title(), u" Bob Adams "_s);
        const QStringList adams{u"Bob"_s,
                                u"Lee"_s,
                                u"Adams"_s,
                                u"Jr"_s,
                                u"B"_s,
                                u"M"_s,
                                u"03/07/1968"_s,
                                u"123-45-6789"_s,
                                u"Mary Adams"_s,
                                u"Wife"_s,
                                u"(217) 555-0101"_s,
                                u"12 Elm Street"_s,
                                u"Springfield, IL 62701"_s,
                                u"(217) 555-0100"_s,
                                u"(217) 555-0199"_s,
                                u"bob@example.com"_s,
                                u"E-17"_s,
                                u"Charge Nurse"_s,
                                u"03/15/2000"_s,
                                u"06/01/2010"_s,
                                QString()};
        for (int n = 1; n <= 21; ++n)
            QCOMPARE(Box(w, n)->text(), adams[n - 1]);
        QCOMPARE(Notepad(w), u"Prefers nights.\r\nSpeaks Spanish."_s);

        QCOMPARE(Label(w, u"lblDataInfo(1)"_s)->text(), u" Record created 03/05/2024 08:04:03 "_s);
        QVERIFY(Shown(Label(w, u"lblDataInfo(1)"_s)));
        QCOMPARE(Label(w, u"lblDataInfo(2)"_s)->text(), u" Last modified 11/30/2026 23:59:58 "_s);
        QVERIFY(Shown(Label(w, u"lblDataInfo(2)"_s)));

        // Today is 12/08/2026.
        QCOMPARE(Label(w, u"lblYearsDOB"_s)->text(), u"(58)"_s);
        QCOMPARE(Label(w, u"lblYearsDOE"_s)->text(), u"(26)"_s);
        QCOMPARE(Label(w, u"lblYearsDOT"_s)->text(), u"(16)"_s);
        QVERIFY(Shown(Label(w, u"lblYearsDOT"_s)));

        // A current employee.
        QVERIFY(Status(w, 1)->isChecked());
        QVERIFY(Shown(Status(w, 1)));
        QVERIFY(!Shown(Status(w, 2)));
        QVERIFY(!Shown(FieldLabel(w, 21)));
        QVERIFY(!Shown(Box(w, 21)));
        QVERIFY(!Shown(Label(w, u"lblYearsDOI"_s)));
        QCOMPARE(Label(w, u"lblYearsDOI"_s)->text(), QString());

        OrvicButton* label = Button(w, u"cmdPrintLabel"_s);
        OrvicButton* email = Button(w, u"cmdEmail"_s);
        QVERIFY(Shown(label) && label->isEnabled());
        QVERIFY(Shown(email) && email->isEnabled());
        QCOMPARE(email->toolTip(), u" Send email... "_s);

        // Young has little on file: nothing of Adams may stay behind.
        ClickRow(w->grid, 2);
        QCOMPARE(w->grid->Row(), 2);
        QCOMPARE(page->title(), u" Zoe Young "_s);
        const QStringList young{u"Zoe"_s,        QString(), u"Young"_s, QString(), u"W"_s,    u"F"_s,
                                u"12/09/2021"_s, QString(), QString(),  QString(), QString(), QString(),
                                QString(),       QString(), QString(),  QString(), QString(), QString(),
                                u"12/08/2026"_s, QString(), QString()};
        for (int n = 1; n <= 21; ++n)
            QCOMPARE(Box(w, n)->text(), young[n - 1]);
        QCOMPARE(Notepad(w), QString());
        QCOMPARE(Label(w, u"lblDataInfo(1)"_s)->text(), u" Record created 12/08/2026 17:05:09 "_s);
        QVERIFY(Shown(Label(w, u"lblDataInfo(1)"_s)));
        QVERIFY(!Shown(Label(w, u"lblDataInfo(2)"_s)));
        QCOMPARE(Label(w, u"lblYearsDOB"_s)->text(), u"(4)"_s);
        QCOMPARE(Label(w, u"lblYearsDOE"_s)->text(), u"(0)"_s);
        // No date of job title: an empty box and no years beside it.
        QVERIFY(!Shown(Label(w, u"lblYearsDOT"_s)));
        QVERIFY(Shown(label) && !label->isEnabled());
        QVERIFY(Shown(email) && !email->isEnabled());
        QCOMPARE(email->toolTip(), u" Send email... "_s);
        // And they look disabled: their captions take the style's disabled colour.
        QCOMPARE(email->palette().color(QPalette::Disabled, QPalette::ButtonText),
                 QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText));
        QVERIFY(email->palette().color(QPalette::Disabled, QPalette::ButtonText) != email->ForeColor());

        // Back to Adams through the grid itself.
        w->grid->SetRow(1);
        QCOMPARE(page->title(), u" Bob Adams "_s);
        QCOMPARE(Box(w, 20)->text(), u"06/01/2010"_s);
        QVERIFY(Shown(Label(w, u"lblYearsDOT"_s)));
        QVERIFY(Shown(Label(w, u"lblDataInfo(2)"_s)));
        QVERIFY(label->isEnabled() && email->isEnabled());
        QCOMPARE(p->prompts.Asked().size(), 0);
    }

    void previousEmployeeShowsInactivation() {
        WriteStaff({
            {u"Cole"_s, u"Dee"_s, {1980, 4, 4}, {2005, 5, 5}},
            {u"Baker"_s, u"Cy"_s, {1960, 1, 1}, {1990, 7, 1}, {2000, 6, 30}, u"H"_s, u"M"_s},
        });
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QCOMPARE(Listed(w->grid), QStringList({u"Cole, Dee|1"_s}));
        QVERIFY(Status(w, 1)->isChecked());

        // List the previous employees instead.
        ClickTabOf(w->tabMain, 1);
        ClickOption(w, u"optEmpStatus(2)"_s);
        ClickTabOf(w->tabMain, 0);
        QCOMPARE(Listed(w->grid), QStringList({u"Baker, Cy|2"_s}));
        QCOMPARE(w->recordPage->title(), u" Cy Baker "_s);
        QVERIFY(Status(w, 2)->isChecked());
        QVERIFY(Shown(Status(w, 2)));
        QVERIFY(!Shown(Status(w, 1)));
        QVERIFY(Shown(FieldLabel(w, 21)));
        QVERIFY(Shown(Box(w, 21)));
        QCOMPARE(Box(w, 21)->text(), u"06/30/2000"_s);
        QCOMPARE(Box(w, 19)->text(), u"07/01/1990"_s);
        // Service ends with the inactivation, a day short of ten years.
        QCOMPARE(Label(w, u"lblYearsDOE"_s)->text(), u"(9)"_s);
        QCOMPARE(Label(w, u"lblYearsDOI"_s)->text(), u"(26)"_s);
        QVERIFY(Shown(Label(w, u"lblYearsDOI"_s)));

        // And back to the current ones: no inactivation left on the page.
        ClickTabOf(w->tabMain, 1);
        ClickOption(w, u"optEmpStatus(1)"_s);
        ClickTabOf(w->tabMain, 0);
        QCOMPARE(w->recordPage->title(), u" Dee Cole "_s);
        QVERIFY(Status(w, 1)->isChecked());
        QVERIFY(Shown(Status(w, 1)));
        QVERIFY(!Shown(Status(w, 2)));
        QVERIFY(!Shown(FieldLabel(w, 21)));
        QVERIFY(!Shown(Box(w, 21)));
        QCOMPARE(Box(w, 21)->text(), QString());
        QCOMPARE(Label(w, u"lblYearsDOI"_s)->text(), QString());
        QVERIFY(!Shown(Label(w, u"lblYearsDOI"_s)));
        QCOMPARE(Label(w, u"lblYearsDOE"_s)->text(), u"(21)"_s);
        QCOMPARE(p->prompts.Asked().size(), 0);
    }

    void agesFollowTheClock() {
        TempDataFolder folder;
        WriteStaff({
            {u"Leap"_s, u"Lea"_s, {2000, 2, 29}, {2020, 2, 29}},
            {u"Newborn"_s, u"Ned"_s, {2026, 6, 1}, {2026, 7, 1}},
        });
        TestProgram p(folder.Path(), At(2027, 2, 28, 12, 0, 0));
        frmMain* w = OpenMainWindow(p);
        QVERIFY(w);
        QCOMPARE(Listed(w->grid), QStringList({u"Leap, Lea|1"_s, u"Newborn, Ned|2"_s}));
        QLabel* age = Label(w, u"lblYearsDOB"_s);
        QCOMPARE(age->text(), u"(26)"_s);
        QCOMPARE(Label(w, u"lblYearsDOE"_s)->text(), u"(6)"_s);

        // An age of 0 shows its digit, as the other years labels do.
        ClickRow(w->grid, 2);
        QCOMPARE(age->text(), u"(0)"_s);
        QCOMPARE(Label(w, u"lblYearsDOE"_s)->text(), u"(0)"_s);

        // A day later the birthday counts as passed.
        p.clock.Set(At(2027, 3, 1, 8, 0, 0));
        ClickRow(w->grid, 1);
        QCOMPARE(w->recordPage->title(), u" Lea Leap "_s);
        QCOMPARE(age->text(), u"(27)"_s);
        QCOMPARE(Label(w, u"lblYearsDOE"_s)->text(), u"(7)"_s);
        QCOMPARE(p.prompts.Asked().size(), 0);
    }

    void lockedDateBoxesTellTheWeekday() {
        AppendRecord(FullRecord());
        WriteStaff({{u"Baker"_s, u"Cy"_s, {1960, 1, 1}, {1990, 7, 1}, {2000, 6, 30}}});
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        TabControl* tabs = w->recordPage->tabNameInfo;
        ClickTabOf(tabs, 0);
        QLineEdit* born = Box(w, 7);
        QCOMPARE(born->toolTip(), QString());
        QTest::mouseMove(born, QPoint(5, born->height() / 2));
        QTRY_COMPARE(born->toolTip(), u"Thursday"_s);
        // Boxes that hold no date keep their tool tip.
        QLineEdit* first = Box(w, 1);
        QTest::mouseMove(first, QPoint(6, first->height() / 2));
        QTest::mouseMove(first, QPoint(9, first->height() / 2));
        QCOMPARE(first->toolTip(), QString());

        ClickTabOf(tabs, 2);
        QLineEdit* hired = Box(w, 19);
        QTest::mouseMove(hired, QPoint(5, hired->height() / 2));
        QTRY_COMPARE(hired->toolTip(), u"Wednesday"_s);
        QLineEdit* titled = Box(w, 20);
        QTest::mouseMove(titled, QPoint(7, titled->height() / 2));
        QTRY_COMPARE(titled->toolTip(), u"Tuesday"_s);

        // The inactivation date of a previous employee.
        ClickTabOf(w->tabMain, 1);
        ClickOption(w, u"optEmpStatus(2)"_s);
        ClickTabOf(w->tabMain, 0);
        QCOMPARE(w->recordPage->title(), u" Cy Baker "_s);
        ClickTabOf(tabs, 2);
        QLineEdit* inactivated = Box(w, 21);
        QVERIFY(inactivated->isVisible());
        QTest::mouseMove(inactivated, QPoint(5, inactivated->height() / 2));
        QTRY_COMPARE(inactivated->toolTip(), u"Friday"_s);
        QTest::mouseMove(hired, QPoint(8, hired->height() / 2));
        QTRY_COMPARE(hired->toolTip(), u"Sunday"_s); // 07/01/1990
        QCOMPARE(p->prompts.Asked().size(), 0);
    }

    // The Social Security number and the birth year by the user's level and the
    // "SensitiveFieldsLevel" setting: on the page, beside it (the age, the weekday), while editing
    // and adding, and on the information report, which prints the boxes as they stand.
    void sensitiveFieldsFollowTheLevel_data() {
        QTest::addColumn<QString>("setting"); // null: no setting
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("ssn");
        QTest::addColumn<QDate>("born"); // null: a date of birth of 0
        QTest::addColumn<QString>("shownSsn");
        QTest::addColumn<QString>("shownBorn");
        QTest::addColumn<QString>("age"); // empty: hidden
        QTest::addColumn<QString>("weekday");
        QTest::addColumn<QString>("editTip"); // empty: the boxes may be changed
        const QString ssn = u"123-45-6789"_s;
        const QDate born(1968, 3, 7);
        // The rule's own cases are tst_textfields' table; here each level under no setting and
        // under two that split the levels (the tip names the setting's level).
        for (const QString& setting : {QString(), u"3"_s, u"4"_s}) {
            for (int level = 1; level <= 4; ++level) {
                const bool masked = level < SensitiveFieldsLevelFrom(setting);
                const QString tip = u" Shown in full and changed only from the '%1' access level up "_s.arg(
                    AccessLevelName(qint16(SensitiveFieldsLevelFrom(setting))));
                QTest::addRow("setting %s, level %d", setting.isNull() ? "missing" : qPrintable(setting),
                              level)
                    << setting << level << ssn << born << (masked ? u"***-**-6789"_s : ssn)
                    << (masked ? u"03/07/****"_s : u"03/07/1968"_s) << (masked ? QString() : u"(58)"_s)
                    << (masked ? QString() : u"Thursday"_s) << (masked ? tip : QString());
            }
        }
        // A rule lost from the folder masks below the highest level.
        QTest::newRow("rule lost, level 3")
            << u"lost"_s << 3 << ssn << born << u"***-**-6789"_s << u"03/07/****"_s << QString() << QString()
            << u" Shown in full and changed only from the 'Read/Edit/Add/Delete' access level up "_s;
        // Nothing on file is nothing to hide: shown as it always was, and open to change.
        QTest::newRow("no number, no date") << u"3"_s << 2 << QString() << QDate() << QString()
                                            << u"12/30/1899"_s << u"(126)"_s << u"Saturday"_s << QString();
    }
    void sensitiveFieldsFollowTheLevel() {
        QFETCH(QString, setting);
        QFETCH(int, level);
        QFETCH(QString, ssn);
        QFETCH(QDate, born);
        QFETCH(QString, shownSsn);
        QFETCH(QString, shownBorn);
        QFETCH(QString, age);
        QFETCH(QString, weekday);
        QFETCH(QString, editTip);
        PersonnelRecord r = FullRecord();
        r.SetSocialSecurityNumber(ssn);
        r.SetDateOfBirth(born.isNull() ? 0.0 : DateToOle(born));
        AppendRecord(r);
        if (setting == u"lost"_s)
            WriteFileBytes(u"Rosterly.Privacy"_s, "SensitiveFieldsLevel=0\r\n");
        else if (!setting.isNull())
            p->SetSensitiveLevel(setting);
        frmMain* w = OpenMainWindow(*p, qint16(level));
        QVERIFY(w);
        QLineEdit* number = Box(w, 8);
        QLineEdit* birth = Box(w, 7);
        QLabel* years = Label(w, u"lblYearsDOB"_s);
        const auto expectShown = [&] {
            QCOMPARE(number->text(), shownSsn);
            QCOMPARE(birth->text(), shownBorn);
            QCOMPARE(years->text(), age);
            QCOMPARE(Shown(years), !age.isEmpty());
        };
        CHECKED(expectShown());
        QTest::mouseMove(birth, QPoint(5, birth->height() / 2));
        QTest::mouseMove(birth, QPoint(9, birth->height() / 2));
        QTRY_COMPARE(birth->toolTip(), weekday);

        // The report prints the boxes as they stand: no birth year where the page shows none.
        p->prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::No);
        Click(w, u"cmdPrintEntry"_s);
        QCOMPARE(p->printer.Documents(), 1);
        QStringList printed;
        for (const auto& item : p->printer.Texts())
            printed << item.text;
        QCOMPARE(printed.contains(u"Social Security #:  "_s + shownSsn), !ssn.isEmpty());
        QVERIFY(printed.contains(u"Date of Birth:  "_s + shownBorn));
        QCOMPARE(printed.join(u'|').contains(u"1968"_s), shownBorn.endsWith(u"1968"_s));

        if (level >= 2) {
            QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
            QCOMPARE(number->isReadOnly(), !editTip.isEmpty());
            QCOMPARE(birth->isReadOnly(), !editTip.isEmpty());
            QCOMPARE(number->toolTip(), editTip);
            // An open birth box keeps the weekday it was given.
            QCOMPARE(birth->toolTip(), editTip.isEmpty() ? weekday : editTip);
            QVERIFY(!Shown(years));
            // A masked box is grey (never yellow, its caption not red, cyan again after input), the Tab
            // key passes it by, and the first key typed in it says why, once.
            const bool masked = !editTip.isEmpty();
            QCOMPARE(FieldLabel(w, 7)->palette().color(QPalette::WindowText) == QColor(192, 0, 0), !masked);
            QSet<QWidget*> visited; // more than once round the window
            for (int i = 0; i < 60; ++i, visited << QApplication::focusWidget())
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(visited.contains(Box(w, 9)));
            QCOMPARE(visited.contains(number) || visited.contains(birth), !masked);
            QTest::mouseClick(number, Qt::LeftButton, {}, QPoint(number->width() - 3, number->height() / 2));
            QCOMPARE(number->palette().color(QPalette::Base), masked ? QColor(192, 192, 192) : QColor(Qt::yellow));
            QTest::keyClicks(number, u"\b0"_s);
            QCOMPARE(number->text(), masked ? shownSsn : shownSsn.left(shownSsn.size() - 1) + u'0');
            QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), editTip);
            QToolTip::hideText();
            QTRY_VERIFY(!QToolTip::isVisible());
            QTest::keyClick(number, Qt::Key_Delete);
            QVERIFY(!QToolTip::isVisible());
            QTest::mouseClick(w->cmdAddEditCancel, Qt::LeftButton);
            CHECKED(expectShown());
            QCOMPARE(number->palette().color(QPalette::Base), QColor(Qt::cyan));
            QCOMPARE(number->toolTip(), QString());
            QCOMPARE(birth->toolTip(), weekday);
            QCOMPARE(number->focusPolicy(), Qt::StrongFocus);
        }
        if (level >= 3) {
            // A new employee has nothing to hide: every box starts empty and open.
            QTest::mouseClick(w->cmdAddEmployee, Qt::LeftButton);
            for (QLineEdit* box : {number, birth}) {
                QVERIFY(box->text().isEmpty() && !box->isReadOnly());
                QCOMPARE(box->toolTip(), box == birth ? weekday : QString());
            }
            QTest::mouseClick(w->cmdAddEditCancel, Qt::LeftButton);
            CHECKED(expectShown());
        }
        QCOMPARE(p->prompts.Pending(), 0);
        QCOMPARE(p->prompts.Asked().size(), 2);
    }

    void photoTabFollowsPictureAndAccessLevel() {
        const QString picture = folder->FilePath(u"face.png"_s);
        QVERIFY(WriteImage(picture, 120, 90));
        WriteStaff({
            {u"Plain"_s, u"Pat"_s, {1975, 5, 5}, {2001, 1, 2}},
            {u"Pic"_s, u"Paula"_s, {1982, 8, 8}, {2011, 9, 9}, {}, u"A"_s, u"F"_s, picture},
        });
        const QByteArray before = ReadFileBytes(folder->FilePath(DataFile));
        for (qint16 level = 1; level <= 4; ++level) {
            frmMain* w = OpenMainWindow(*p, level);
            QVERIFY(w);
            const QString at = u"level %1"_s.arg(level);
            QCOMPARE(Listed(w->grid), QStringList({u"Pic, Paula|2"_s, u"Plain, Pat|1"_s}));
            ClickTabOf(w->recordPage->tabNameInfo, 4);

            OrvicButton* add = Button(w, u"cmdPicAddEdit(1)"_s);
            OrvicButton* edit = Button(w, u"cmdPicAddEdit(2)"_s);
            OrvicButton* print = Button(w, u"cmdPicPrint"_s);
            OrvicButton* remove = Button(w, u"cmdPicDelete"_s);
            QLabel* frameLabel = Label(w, u"lblPicture"_s);
            PictureBox* image = FindControl<PictureBox>(w, u"imgPicture"_s);

            // With a picture.
            QCOMPARE(w->recordPage->title(), u" Paula Pic "_s);
            QVERIFY2(image->HasPicture() && Shown(image), qPrintable(at));
            QCOMPARE(image->Path(), picture);
            QVERIFY2(!Shown(frameLabel), qPrintable(at));
            QVERIFY2(!Shown(add), qPrintable(at));
            QVERIFY2(Shown(edit) && edit->isEnabled() == (level >= 2), qPrintable(at));
            QVERIFY2(Shown(print) && print->isEnabled(), qPrintable(at));
            QVERIFY2(Shown(remove) && remove->isEnabled() == (level == 4), qPrintable(at));

            // Without one.
            ClickRow(w->grid, 2);
            QCOMPARE(w->recordPage->title(), u" Pat Plain "_s);
            QVERIFY2(!image->HasPicture(), qPrintable(at));
            QCOMPARE(image->Path(), QString());
            QVERIFY2(Shown(frameLabel), qPrintable(at));
            QCOMPARE(frameLabel->text(), u"Picture Frame"_s);
            QVERIFY2(Shown(add) && add->isEnabled() == (level >= 3), qPrintable(at));
            QVERIFY2(!Shown(edit) && !Shown(print) && !Shown(remove), qPrintable(at));

            OrvicButton* removeEmployee = Button(w, u"cmdRemoveEmployee"_s);
            QVERIFY2(Shown(removeEmployee) && removeEmployee->isEnabled() == (level == 4), qPrintable(at));
            QCOMPARE(p->prompts.Asked().size(), 0);
        }
        // Showing records writes nothing.
        QCOMPARE(ReadFileBytes(folder->FilePath(DataFile)), before);
    }

    void removalAnsweredNoChangesNothing() {
        WriteStaff({
            {u"Cole"_s, u"Dee"_s, {1980, 4, 4}, {2005, 5, 5}},
            {u"Adams"_s, u"Ann"_s, {1970, 2, 2}, {2000, 3, 15}},
            {u"Baker"_s, u"Bo"_s, {1975, 1, 1}, {2010, 3, 1}},
        });
        const QByteArray before = ReadFileBytes(folder->FilePath(DataFile));
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ClickRow(w->grid, 2);
        QCOMPARE(w->recordPage->title(), u" Bo Baker "_s);

        p->prompts.Answer(MsgAnswer::No);
        QTest::mouseClick(Button(w, u"cmdRemoveEmployee"_s), Qt::LeftButton);
        QCOMPARE(p->prompts.Pending(), 0);
        QCOMPARE(p->prompts.Asked().size(), 1);
        VerifyConfirmation(p->prompts.Asked()[0], u"Baker, Bo"_s);

        QCOMPARE(ReadFileBytes(folder->FilePath(DataFile)), before);
        QCOMPARE(Listed(w->grid), QStringList({u"Adams, Ann|2"_s, u"Baker, Bo|3"_s, u"Cole, Dee|1"_s}));
        QCOMPARE(w->grid->Row(), 2);
        QCOMPARE(w->recordPage->title(), u" Bo Baker "_s);
        QVERIFY(NotBusy(w));
    }

    void removingTheSecondOfThreeHighlightsTheNext() {
        WriteStaff({
            {u"Cole"_s, u"Dee"_s, {1980, 4, 4}, {2005, 5, 5}},
            {u"Adams"_s, u"Ann"_s, {1970, 2, 2}, {2000, 3, 15}},
            {u"Baker"_s, u"Bo"_s, {1975, 1, 1}, {2010, 3, 1}},
        });
        const QByteArray before = ReadFileBytes(folder->FilePath(DataFile));
        QCOMPARE(before.size(), 3 * PersonnelRecordLength);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ClickRow(w->grid, 2);
        QCOMPARE(w->grid->TextMatrix(2, 3), u"3"_s);

        p->prompts.Answer(MsgAnswer::Yes);
        QTest::mouseClick(Button(w, u"cmdRemoveEmployee"_s), Qt::LeftButton);
        QCOMPARE(p->prompts.Pending(), 0);
        QCOMPARE(p->prompts.Asked().size(), 1);
        VerifyConfirmation(p->prompts.Asked()[0], u"Baker, Bo"_s);

        // Records 1 and 2 remain, byte for byte and in their order.
        QCOMPARE(ReadFileBytes(folder->FilePath(DataFile)), before.left(2 * PersonnelRecordLength));
        QVERIFY(!QFileInfo::exists(folder->FilePath(u"TempFile.$$$"_s)));
        QCOMPARE(Listed(w->grid), QStringList({u"Adams, Ann|2"_s, u"Cole, Dee|1"_s}));
        // The employee that was third is now highlighted, and shown.
        QCOMPARE(w->grid->Row(), 2);
        QCOMPARE(w->recordPage->title(), u" Dee Cole "_s);
        QCOMPARE(Box(w, 7)->text(), u"04/04/1980"_s);
        QVERIFY(NotBusy(w));
        QVERIFY(Button(w, u"cmdRemoveEmployee"_s)->isEnabled());
    }

    // Removal rebuilds the list and moves the highlight, and nothing more: the record page keeps
    // its tab and the focus stays where the user left it. The employee now in the highlighted row
    // is shown even though the row number did not change.
    void removingTheFirstRowShowsTheNextOnTheSameTab() {
        WriteStaff({
            {u"Cole"_s, u"Dee"_s, {1980, 4, 4}, {2005, 5, 5}},
            {u"Adams"_s, u"Ann"_s, {1970, 2, 2}, {2000, 3, 15}},
            {u"Baker"_s, u"Bo"_s, {1975, 1, 1}, {2010, 3, 1}},
        });
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        QCOMPARE(w->recordPage->title(), u" Ann Adams "_s);
        ClickTabOf(w->recordPage->tabNameInfo, 1);

        p->prompts.Answer(MsgAnswer::Yes);
        OrvicButton* remove = Button(w, u"cmdRemoveEmployee"_s);
        remove->setFocus();
        QTest::keyClick(remove, Qt::Key_Space);
        QCOMPARE(p->prompts.Pending(), 0);
        QCOMPARE(Listed(w->grid), QStringList({u"Baker, Bo|2"_s, u"Cole, Dee|1"_s}));
        QCOMPARE(w->grid->Row(), 1);
        QCOMPARE(w->recordPage->title(), u" Bo Baker "_s);
        QCOMPARE(w->recordPage->ShownRecord(), 2);
        QCOMPARE(w->recordPage->tabNameInfo->Tab(), 1);
        QCOMPARE(QApplication::focusWidget(), remove);
        QVERIFY(NotBusy(w));
    }

    // Coming back from the options page shows the record page's "Basic Info" tab.
    void returningFromTheOptionsShowsBasicInfo() {
        WriteStaff({{u"Cole"_s, u"Dee"_s, {1980, 4, 4}, {2005, 5, 5}}});
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ClickTabOf(w->recordPage->tabNameInfo, 4);
        ClickTabOf(w->tabMain, 1);
        QCOMPARE(w->recordPage->tabNameInfo->Tab(), 4);
        ClickTabOf(w->tabMain, 0);
        QCOMPARE(w->recordPage->tabNameInfo->Tab(), 0);
        QCOMPARE(p->prompts.Asked().size(), 0);
    }

    void removingTheLastOfFiveHighlightsTheNewLast() {
        WriteStaff({
            {u"Evans"_s, u"Eve"_s, {1985, 5, 5}, {2015, 5, 5}},
            {u"Adams"_s, u"Ann"_s, {1970, 2, 2}, {2000, 3, 15}},
            {u"Davis"_s, u"Dan"_s, {1984, 4, 4}, {2014, 4, 4}},
            {u"Baker"_s, u"Bo"_s, {1975, 1, 1}, {2010, 3, 1}},
            {u"Clark"_s, u"Cal"_s, {1983, 3, 3}, {2013, 3, 3}},
        });
        const QByteArray before = ReadFileBytes(folder->FilePath(DataFile));
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ClickRow(w->grid, 5);
        QCOMPARE(w->recordPage->title(), u" Eve Evans "_s);

        p->prompts.Answer(MsgAnswer::Yes);
        QTest::mouseClick(Button(w, u"cmdRemoveEmployee"_s), Qt::LeftButton);
        QCOMPARE(p->prompts.Asked().size(), 1);
        VerifyConfirmation(p->prompts.Asked()[0], u"Evans, Eve"_s);

        QCOMPARE(ReadFileBytes(folder->FilePath(DataFile)), before.mid(PersonnelRecordLength));
        QCOMPARE(Listed(w->grid),
                 QStringList({u"Adams, Ann|1"_s, u"Baker, Bo|3"_s, u"Clark, Cal|4"_s, u"Davis, Dan|2"_s}));
        QCOMPARE(w->grid->Row(), 4);
        QCOMPARE(w->recordPage->title(), u" Dan Davis "_s);
        QVERIFY(NotBusy(w));
    }

    void removingTheOnlyEmployeeEmptiesTheFile() {
        WriteStaff({{u"Solo"_s, u"Sam"_s, {1990, 9, 9}, {2019, 9, 9}}});
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QVERIFY(w->tabMain->isTabEnabled(1));

        p->prompts.Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK);
        QTest::mouseClick(Button(w, u"cmdRemoveEmployee"_s), Qt::LeftButton);
        QCOMPARE(p->prompts.Pending(), 0);
        QCOMPARE(p->prompts.Asked().size(), 2);
        VerifyConfirmation(p->prompts.Asked()[0], u"Solo, Sam"_s);
        const Prompt& empty = p->prompts.Asked()[1];
        QCOMPARE(empty.title, u"Database is empty"_s);
        QCOMPARE(empty.text, u"There are currently no personnel records on file.\r\n\r\n"
                             u"Click the 'Add Employee to the List' button\r\n"
                             u"when you're ready to add a personnel record."_s);
        QCOMPARE(empty.icon, MsgIcon::Information);
        QCOMPARE(empty.buttons, MsgButtons::OKOnly);

        // The list builder opens the file again, so an empty one is left behind.
        QVERIFY(QFileInfo::exists(folder->FilePath(DataFile)));
        QCOMPARE(QFileInfo(folder->FilePath(DataFile)).size(), 0);
        QVERIFY(!QFileInfo::exists(folder->FilePath(u"TempFile.$$$"_s)));
        QCOMPARE(w->grid->Rows(), 1);
        QVERIFY(!w->tabMain->isTabEnabled(1));
        QVERIFY(!Shown(w->recordPage));
        QVERIFY(!Shown(Button(w, u"cmdRemoveEmployee"_s)));
        // Nobody is left to edit or to print.
        QVERIFY(!Shown(Button(w, u"cmdEditEntry"_s)) && !Shown(Button(w, u"cmdPrintEntry"_s)));
        QVERIFY(Shown(Button(w, u"cmdAddEmployee"_s)));
        QVERIFY(NotBusy(w));
    }
};

QTEST_MAIN(TestRecordPage)
#include "tst_recordpage.moc"
