// Adding and editing an employee on the record page of the real main window, driven as a user
// drives it: the entry form's state, the Save rule, each validation fault, the status questions,
// what reaches "Rosterly.Data" byte for byte, cancelling, and the commands by access level.
#include "data/records.h"
#include "exchange/importxlsx.h"
#include "listpage/frmlistoptions.h"
#include "records/frmhistory.h"
#include "support/golden.h"
#include "support/programtest.h"
#include "support/recordfixture.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/twips.h"

#include <QApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

using F = PersonnelField;

const QDateTime Now(QDate(2026, 12, 8), QTime(17, 5, 9));
const QColor RequiredRed(192, 0, 0);
const QColor Yellow(255, 255, 0);
const QColor Cyan(0, 255, 255);
const QString StatusTitle = u"Confirm Employee Status Change"_s;
const QString ToPreviousText = u"You have changed this employee's status\r\n"
                               u"from a 'Current Employee' to a 'Previous Employee'.\r\n\r\n"
                               u"Do you wish to continue with this change?"_s;
const QString ToCurrentText = u"You have changed this employee's status\r\n"
                              u"from a 'Previous Employee' to a 'Current Employee'.\r\n\r\n"
                              u"Do you wish to continue with this change?"_s;
const QString DatePrompt = u"Enter the date of\r\nINactivation for this employee..."_s;

// Days from 30 December 1899 with the time of day as the fraction, worked out here on its own.
// Three current employees and two previous ones. The current list reads Adams (2), Miller (3),
// Young (1); the previous list Baker (4), Ortiz (5).
std::vector<StaffMember> Staff() {
    return {
        {u"Young"_s, u"Zoe"_s, {1990, 5, 1}, {2015, 3, 10}},
        {u"Adams"_s, u"Bob"_s, {1970, 2, 2}, {2000, 3, 15}, {}, u"B"_s, u"M"_s},
        {u"Miller"_s, u"Ann"_s, {1985, 12, 24}, {2010, 3, 1}},
        {u"Baker"_s, u"Cy"_s, {1960, 1, 1}, {1990, 6, 1}, {2020, 1, 1}, u"H"_s, u"M"_s},
        {u"Ortiz"_s, u"Dan"_s, {1975, 7, 4}, {1995, 9, 1}, {2022, 6, 30}, u"O"_s, u"M"_s},
    };
}

// The main window signed in at `level` on the staff above.
frmMain* OpenOnStaff(TestProgram& p, qint16 level) {
    WriteStaff(Staff());
    return OpenMainWindow(p, level);
}

QByteArray DataFileBytes() {
    return ReadFileBytes(u"Rosterly.Data"_s);
}

// Record n (from 1) as it stands on disk.
QByteArray RecordBytes(int n) {
    return DataFileBytes().mid((n - 1) * PersonnelRecordLength, PersonnelRecordLength);
}

QByteArray FieldBytes(const QByteArray& record, F field) {
    const FieldLayout& f = PersonnelRecord::FieldOf(field);
    return record.mid(f.offset, f.width);
}

// The bytes of a text field holding `text`: the text, then spaces to the field's width.
double DateField(const QByteArray& record, F field) {
    const QByteArray bytes = FieldBytes(record, field);
    double value = 0; // the file is little-endian, as the machines the tests run on
    std::memcpy(&value, bytes.constData(), sizeof value);
    return value;
}

// `record` with the date field set to `value`.
QByteArray WithDate(QByteArray record, F field, double value) {
    record.replace(PersonnelRecord::FieldOf(field).offset, 8, DateBytes(value));
    return record;
}

QByteArray WithText(QByteArray record, F field, const QByteArray& text) {
    const FieldLayout& f = PersonnelRecord::FieldOf(field);
    record.replace(f.offset, f.width, Padded(text, field));
    return record;
}

QStringList Rows(const Grid* g) {
    QStringList rows;
    for (int r = 1; r < g->Rows(); ++r)
        rows << g->TextMatrix(r, 0) + u'|' + g->TextMatrix(r, 3);
    return rows;
}

int RowOfRecord(const Grid* g, int record) {
    for (int r = 1; r < g->Rows(); ++r) {
        if (g->TextMatrix(r, 3) == QString::number(record))
            return r;
    }
    return -1;
}

QLineEdit* Line(frmMain* w, int n) {
    return w->recordPage->txtField[std::size_t(n)];
}

QColor Background(frmMain* w, int n) {
    return w->recordPage->Box(n)->palette().color(QPalette::Base);
}

QColor CaptionColour(frmMain* w, int n) {
    return w->recordPage->lblField[std::size_t(n)]->palette().color(QPalette::WindowText);
}

bool IsLocked(frmMain* w, int n) {
    if (n == RecordPage::NotepadBox)
        return w->recordPage->txtNotepad->isReadOnly();
    return Line(w, n)->isReadOnly();
}

// The page of tabNameInfo that holds box n.
int PageOf(int n) {
    return n <= 11 ? 0 : n <= 16 ? 1 : n <= 21 ? 2 : 3;
}

void ShowPageOf(frmMain* w, int n) {
    TabControl* tabs = w->recordPage->tabNameInfo;
    if (tabs->Tab() != PageOf(n))
        ClickTabOf(tabs, PageOf(n));
}

// Clicks into box n (on its page) and types `text` over what it holds; "\n" is the Return key.
void Enter(frmMain* w, int n, const QString& text) {
    ShowPageOf(w, n);
    QWidget* box = w->recordPage->Box(n);
    QWidget* clicked = box;
    if (auto* memo = qobject_cast<QPlainTextEdit*>(box))
        clicked = memo->viewport();
    QTest::mouseClick(clicked, Qt::LeftButton, {}, QPoint(6, 6));
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(box, Qt::Key_Return);
        for (const QChar c : lines[i]) {
            // Beyond Latin-1 a key carries its character as a keyboard layout or input method sends it.
            if (c.unicode() > 0xFF)
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
            else
                QTest::keyClick(box, c.toLatin1());
        }
    }
}

// Begins an add, typing `entry` box by box, or an edit of the employee shown.
void BeginEntry(frmMain* w, bool adding, std::initializer_list<std::pair<int, QString>> entry) {
    QTest::mouseClick(adding ? w->cmdAddEmployee : w->cmdEditEntry, Qt::LeftButton);
    if (adding) {
        for (const auto& [box, text] : entry)
            Enter(w, box, text);
    }
}

void ClickStatus(frmMain* w, int i) {
    ShowPageOf(w, 21);
    ClickBox(w->recordPage->optStatus[std::size_t(i)]);
}

void ClickGridRow(frmMain* w, int row) {
    QTest::mouseClick(w->grid->viewport(), Qt::LeftButton, {},
                      w->grid->visualRect(w->grid->model()->index(row - 1, 0)).center());
}

// Switches the list to the previous employees as the user does on the options page.
void ListPreviousEmployees(frmMain* w) {
    ClickTabOf(w->tabMain, 1);
    ClickBox(w->OptionsPage()->optEmpStatus[2]);
    ClickTabOf(w->tabMain, 0);
    QCOMPARE(w->tabMain->Tab(), 0);
    QCOMPARE(Rows(w->grid), QStringList({u"Baker, Cy|4"_s, u"Ortiz, Dan|5"_s}));
}

// Clicks Save from another tab expecting the entry to be refused with `text` as a fault of box
// `box`, which is then shown with the focus in it.
void ExpectRefusal(TestProgram& p, frmMain* w, const QString& text, int box) {
    ShowPageOf(w, PageOf(box) == 0 ? 19 : 1);
    const qsizetype asked = p.prompts.Asked().size();
    p.prompts.Answer(MsgAnswer::OK);
    QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
    QCOMPARE(p.prompts.Asked().size(), asked + 1);
    const Prompt& fault = p.prompts.Asked().last();
    QCOMPARE(fault.kind, Prompt::Kind::Message);
    QCOMPARE(fault.text, text);
    QCOMPARE(fault.title, u"Error"_s);
    QCOMPARE(fault.icon, MsgIcon::Critical);
    QCOMPARE(fault.buttons, MsgButtons::OKOnly);
    // The input stays open.
    QVERIFY(w->Editor().IsAdding() || w->Editor().IsEditing());
    QVERIFY(w->cmdAddEditSave->isVisible() && w->cmdAddEditSave->isEnabled());
    QVERIFY(!IsLocked(w, 1));
    QCOMPARE(w->recordPage->tabNameInfo->Tab(), PageOf(box));
    QTRY_VERIFY(w->recordPage->Box(box)->hasFocus());
}

// The page and the window are back in display state after an input.
void ExpectDisplayState(frmMain* w) {
    QVERIFY(!w->Editor().IsAdding() && !w->Editor().IsEditing());
    for (int n = 1; n <= RecordPage::BoxCount; ++n) {
        QVERIFY2(IsLocked(w, n), qPrintable(u"box %1 is not locked"_s.arg(n)));
        // No box keeps the yellow of the focus it had when input ended.
        QVERIFY2(Background(w, n) == Cyan, qPrintable(u"box %1 is not cyan"_s.arg(n)));
    }
    const QColor normal = w->recordPage->palette().color(QPalette::ButtonText);
    QCOMPARE(normal, QApplication::palette().color(QPalette::ButtonText));
    for (int n : RecordPage::RequiredBoxes)
        QCOMPARE(CaptionColour(w, n), normal);
    QCOMPARE(w->recordPage->lblField[1]->text(), u"First Name"_s);
    QVERIFY(w->cmdAddEditSave->isHidden() && w->cmdAddEditCancel->isHidden());
    QVERIFY(w->cmdEditEntry->isVisible() && w->cmdPrintEntry->isVisible());
    QVERIFY(w->frame[1]->isVisible() && w->frame[1]->isEnabled());
    QCOMPARE(w->tabMain->tabText(0), u"Employee List"_s);
    QVERIFY(w->tabMain->isTabEnabled(1));
    QCOMPARE(w->recordPage->tabNameInfo->Tab(), 0);
    QVERIFY(w->cmdAdminWindow->isEnabled());
    QVERIFY(w->cmdBackupRestore->isVisible() && w->cmdBackupRestore->isEnabled());
    QVERIFY(w->recordPage->lblYearsDOB->isVisible());
}

// What the window looks like before an add, to compare with after it.
struct Geometry {
    int height, top, tabMainHeight, frame2Top;
};
Geometry GeometryOf(frmMain* w) {
    return {w->height(), w->y(), w->tabMain->height(), w->frame[2]->y()};
}
void ExpectGeometry(frmMain* w, const Geometry& g) {
    QCOMPARE(w->height(), g.height);
    QCOMPARE(w->y(), g.top);
    QCOMPARE(w->tabMain->height(), g.tabMainHeight);
    QCOMPARE(w->frame[2]->y(), g.frame2Top);
}

// What the history window showed: its title, its rows and, after typing each date into the
// "As of" box, the record's rows and note ("mark|field|value").
struct HistorySeen {
    QString title;
    QDate shownDate;
    QStringList rows;
    QList<QStringList> asOf;
    QStringList notes;
};

// Does `open`, notes the history window it opens, clicks Print if asked and closes it with its
// Close button.
HistorySeen WatchHistory(const std::function<void()>& open, const QStringList& typedDates = {},
                         bool print = false) {
    HistorySeen seen;
    const ShowWatch<frmHistory> watch([&](frmHistory* d) {
        QTimer::singleShot(0, d, [&seen, d, typedDates, print] {
            seen.title = d->windowTitle();
            seen.rows = GridRows(d->gridHistory);
            seen.shownDate = d->txtAsOf->date();
            for (const QString& date : typedDates) {
                d->txtAsOf->setFocus();
                d->txtAsOf->setSelectedSection(QDateTimeEdit::MonthSection); // as a click on the month
                QTest::keyClicks(d->txtAsOf, date);
                seen.asOf << GridRows(d->gridAsOf);
                seen.notes << (d->lblNote->isHidden() ? QString() : d->lblNote->text());
            }
            if (print)
                QTest::mouseClick(d->cmdPrint, Qt::LeftButton);
            QTest::mouseClick(d->cmdClose, Qt::LeftButton);
        });
    });
    open();
    return seen;
}

} // namespace

class TestRecordEntry : public ProgramTest {
    Q_OBJECT

private slots:
    void addingOpensAnEmptyFormWithTheRequiredBoxesMarked() {
        frmMain* w = OpenOnStaff(*p, 3);
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        const Geometry before = GeometryOf(w);
        const int listHeight = w->frame[1]->height();
        RecordPage* page = w->recordPage;
        QCOMPARE(page->FieldText(3), u"Adams"_s);

        QTest::mouseClick(w->cmdAddEmployee, Qt::LeftButton);
        QVERIFY(w->Editor().IsAdding() && !w->Editor().IsEditing());
        // The list goes and the window shrinks round the record page.
        QVERIFY(w->frame[1]->isHidden());
        QCOMPARE(w->height(), before.height - listHeight);
        QCOMPARE(w->tabMain->height(), before.tabMainHeight - listHeight);
        QCOMPARE(w->frame[2]->y(), w->frame[1]->y());
        const QRect screen = w->screen()->geometry();
        QCOMPARE(w->y(), screen.y() + (screen.height() - w->height()) / 2);
        QCOMPARE(w->tabMain->tabText(0), u"New Entry"_s);
        QVERIFY(!w->tabMain->isTabEnabled(1));
        QCOMPARE(page->title(), QString());

        QCOMPARE(w->cmdAddEditSave->Caption(), u"Save this\r\nnew entry"_s);
        QCOMPARE(w->cmdAddEditCancel->Caption(), u"Cancel this\r\nnew entry"_s);
        QVERIFY(w->cmdAddEditSave->isVisible() && !w->cmdAddEditSave->isEnabled());
        QVERIFY(w->cmdAddEditCancel->isVisible() && w->cmdAddEditCancel->isEnabled());
        QVERIFY(w->cmdEditEntry->isHidden() && w->cmdPrintEntry->isHidden());
        QVERIFY(!w->cmdAdminWindow->isEnabled());
        QVERIFY(w->cmdBackupRestore->isVisible() && !w->cmdBackupRestore->isEnabled());

        QCOMPARE(page->lblField[1]->text(), u"First Name            (red = required entry)"_s);
        for (int n = 1; n <= RecordPage::BoxCount; ++n) {
            QVERIFY2(page->FieldText(n).isEmpty(), qPrintable(u"box %1 not emptied"_s.arg(n)));
            QVERIFY2(!IsLocked(w, n), qPrintable(u"box %1 still locked"_s.arg(n)));
            const bool required =
                std::ranges::find(RecordPage::RequiredBoxes, n) != RecordPage::RequiredBoxes.end();
            if (required)
                QCOMPARE(CaptionColour(w, n), RequiredRed);
            else
                QVERIFY2(CaptionColour(w, n) != RequiredRed, qPrintable(u"caption %1 is red"_s.arg(n)));
        }
        for (QLabel* l : {page->lblDataInfo[1], page->lblDataInfo[2], page->lblYearsDOB, page->lblYearsDOE,
                          page->lblYearsDOT, page->lblYearsDOI})
            QVERIFY2(l->isHidden(), qPrintable(l->objectName()));
        QVERIFY(page->cmdPrintLabel->isHidden() && page->cmdEmail->isHidden());
        // A new employee is always current: no choice of status, no inactivation date.
        QVERIFY(page->optStatus[1]->isChecked());
        QVERIFY(page->optStatus[2]->isHidden());
        QVERIFY(Line(w, 21)->isHidden() && page->lblField[21]->isHidden());
        QCOMPARE(page->tabNameInfo->Tab(), 0);

        // The focus waits in the first name, yellow; a box that loses it turns cyan.
        QTRY_VERIFY(Line(w, 1)->hasFocus());
        QCOMPARE(Background(w, 1), Yellow);
        QTest::keyClicks(Line(w, 1), u"Dee"_s);
        Enter(w, 3, u"Cole"_s);
        QVERIFY(Line(w, 3)->hasFocus());
        QCOMPARE(Background(w, 3), Yellow);
        QCOMPARE(Background(w, 1), Cyan);

        // Save waits for all six required boxes, and spaces do not count.
        const std::pair<int, QString> required[] = {{5, u"W"_s}, {6, u"F"_s}, {7, u"09/09/1999"_s}};
        for (const auto& [box, text] : required) {
            Enter(w, box, text);
            QVERIFY2(!w->cmdAddEditSave->isEnabled(), qPrintable(u"enabled after box %1"_s.arg(box)));
        }
        Enter(w, 19, u"   "_s);
        QVERIFY(!w->cmdAddEditSave->isEnabled());
        Enter(w, 19, u"01/04/2021"_s);
        QVERIFY(w->cmdAddEditSave->isEnabled());
        Enter(w, 3, u"  "_s);
        QVERIFY(!w->cmdAddEditSave->isEnabled());
        Enter(w, 3, u"Cole"_s);
        QVERIFY(w->cmdAddEditSave->isEnabled());
        // The race box takes one character: a space there is nothing.
        Enter(w, 5, u" w"_s);
        QCOMPARE(page->FieldText(5), u" "_s);
        QVERIFY(!w->cmdAddEditSave->isEnabled());

        // The notepad's fill indicator: 1% for one character, hidden when empty again.
        Enter(w, 22, u"x"_s);
        QVERIFY(page->lblSpaceFull->isVisible());
        QCOMPARE(page->lblSpaceFull->text(), u" 1% full "_s);
        QTest::keyClick(page->txtNotepad, Qt::Key_Backspace);
        QVERIFY(page->lblSpaceFull->isHidden());
        QCOMPARE(p->prompts.Asked().size(), 0);
    }

    void addedEmployeeIsStoredFieldByFieldAndHighlighted() {
        frmMain* w = OpenOnStaff(*p, 3);
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        // A list of previous employees: the new employee must be listed all the same.
        CHECKED(ListPreviousEmployees(w));
        const Geometry before = GeometryOf(w);
        const QByteArray fileBefore = DataFileBytes();
        QCOMPARE(fileBefore.size(), 5 * PersonnelRecordLength);

        QTest::mouseClick(w->cmdAddEmployee, Qt::LeftButton);
        QVERIFY(w->Editor().IsAdding());
        const std::pair<int, QString> entry[] = {
            {1, u" Carla "_s},
            {2, u"Jean"_s},
            {3, u"Nunez"_s},
            {4, u"Jr"_s},
            {5, u"h"_s},
            {6, u"f"_s},
            {7, u"03/07/1968"_s},
            {8, u"123-45-6789"_s},
            {9, u"Pedro Nunez"_s},
            {10, u"Brother"_s},
            {11, u"555-0101"_s},
            {12, u"12 Elm Street"_s},
            {13, u"Springfield, IL 62701"_s},
            {14, u"555-0102"_s},
            {15, u"555-0103"_s},
            {16, u"carla@example.com"_s},
            {17, u"E-1001"_s},
            {18, u"Bookkeeper"_s},
            {19, u"04/15/2010"_s},
            {22, u"First line\nSecond line"_s},
        };
        for (const auto& [box, text] : entry)
            Enter(w, box, text);
        QVERIFY(w->cmdAddEditSave->isEnabled());
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QCOMPARE(p->prompts.Asked().size(), 0);

        // Appended as record 6; the five before it untouched.
        const QByteArray file = DataFileBytes();
        QCOMPARE(file.size(), 6 * PersonnelRecordLength);
        QCOMPARE(file.left(5 * PersonnelRecordLength), fileBefore);
        const QByteArray r = RecordBytes(6);
        const std::pair<F, QByteArray> texts[] = {
            {F::FirstName, "Carla"},
            {F::MiddleName, "Jean"},
            {F::LastName, "Nunez"},
            {F::Suffix, "Jr"},
            {F::EmergencyName, "Pedro Nunez"},
            {F::EmergencyRelationship, "Brother"},
            {F::EmergencyPhone, "555-0101"},
            {F::StreetAddress, "12 Elm Street"},
            {F::CityStateZip, "Springfield, IL 62701"},
            {F::HomePhone, "555-0102"},
            {F::CellPhone, "555-0103"},
            {F::Race, "H"},
            {F::Sex, "F"},
            {F::SocialSecurityNumber, "123-45-6789"},
            {F::EmployeeNumber, "E-1001"},
            {F::JobTitle, "Bookkeeper"},
            {F::Notepad, "First line\r\nSecond line"},
            {F::Email, "carla@example.com"},
            {F::PictureFile, ""},
        };
        for (const auto& [field, text] : texts)
            QCOMPARE(FieldBytes(r, field), Padded(text, field));
        QCOMPARE(DateField(r, F::DateOfBirth), Ole({1968, 3, 7}));
        QCOMPARE(DateField(r, F::DateOfEmployment), Ole({2010, 4, 15}));
        QCOMPARE(FieldBytes(r, F::DateOfJobTitle), QByteArray(8, '\0'));
        QCOMPARE(FieldBytes(r, F::InactivationDate), QByteArray(8, '\0'));
        QCOMPARE(FieldBytes(r, F::DateModified), QByteArray(8, '\0'));
        QCOMPARE(DateField(r, F::DateCreated), Ole(Now.date(), Now.time()));
        QCOMPARE(FieldBytes(r, F::VersionCreated), QByteArray("\x0a\x00", 2));

        // The list of current employees, alphabetical, with the new employee highlighted.
        ExpectDisplayState(w);
        CHECKED(ExpectGeometry(w, before));
        QCOMPARE(Rows(w->grid), QStringList({u"Adams, Bob|2"_s, u"Miller, Ann|3"_s, u"Nunez, Carla|6"_s,
                                             u"Young, Zoe|1"_s}));
        QCOMPARE(w->grid->Row(), RowOfRecord(w->grid, 6));
        QCOMPARE(w->frame[1]->title(), u"Current Employees"_s);
        QVERIFY(w->OptionsPage()->optEmpStatus[1]->isChecked());

        // The record page shows the new record.
        RecordPage* page = w->recordPage;
        QCOMPARE(page->ShownRecord(), 6);
        QCOMPARE(page->title(), u" Carla Nunez "_s);
        QCOMPARE(page->FieldText(1), u"Carla"_s);
        QCOMPARE(page->FieldText(5), u"H"_s);
        QCOMPARE(page->FieldText(6), u"F"_s);
        QCOMPARE(page->FieldText(7), u"03/07/1968"_s);
        QCOMPARE(page->FieldText(20), QString());
        QCOMPARE(page->lblDataInfo[1]->text(), u" Record created 12/08/2026 17:05:09 "_s);
        QVERIFY(page->lblDataInfo[2]->isHidden());
        QVERIFY(page->lblYearsDOT->isHidden());
        QVERIFY(page->optStatus[1]->isChecked());
        QVERIFY(page->lblSpaceFull->isHidden());

        // The new employee is highlighted once: the next rebuild starts at the top again.
        w->RefreshEmployeeList();
        QCOMPARE(w->grid->Row(), 1);
        QCOMPARE(w->grid->TopRow(), 1);
    }

    void eachFaultIsReportedInTurnAndTheEntryKept() {
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        const QByteArray fileBefore = DataFileBytes();
        RecordPage* page = w->recordPage;

        QTest::mouseClick(w->cmdAddEmployee, Qt::LeftButton);
        const std::pair<int, QString> entry[] = {
            {1, u"Dee"_s},    {3, u"Cole"_s},        {5, u"x"_s},
            {6, u"x"_s},      {7, u"13/45/1990"_s},  {8, u"123-45-678"_s},
            {18, u"Baker"_s}, {19, u"02/30/2001"_s}, {20, u"someday"_s},
        };
        for (const auto& [box, text] : entry)
            Enter(w, box, text);
        // The inactivation date is not asked for while adding, whatever its hidden box holds.
        QTest::keyClicks(Line(w, 21), u"never"_s);
        // No access key is Alt+S while adding: it types nothing, in a date box or the notepad.
        for (const int box : {7, RecordPage::NotepadBox}) {
            ShowPageOf(w, box);
            QTest::keyClick(page->Box(box), 's', Qt::AltModifier);
            QTest::keyClick(page->Box(box), 's', Qt::AltModifier | Qt::ShiftModifier);
        }
        QCOMPARE(page->FieldText(7), u"13/45/1990"_s);
        QCOMPARE(page->FieldText(RecordPage::NotepadBox), QString());

        CHECKED(
            ExpectRefusal(*p, w,
                          u"Check the 'Race' designation\r\n\r\n(Use 'W', 'B', 'H', 'A', or 'O' only)\r\n\r\n"
                          u"See the Help Section\r\n'Important Program Notes'\r\nfor more information."_s,
                          5));
        for (const auto& [box, text] : entry)
            QCOMPARE(page->FieldText(box), box == 5 ? u"X"_s : text);

        Enter(w, 5, u"w"_s);
        CHECKED(ExpectRefusal(*p, w, u"Check the 'Sex' designation\r\n\r\n(Use 'M' or 'F' only)"_s, 6));
        QCOMPARE(page->FieldText(5), u"W"_s);
        QCOMPARE(page->FieldText(6), u"X"_s);

        Enter(w, 6, u"m"_s);
        CHECKED(ExpectRefusal(*p, w, u"Invalid 'Date of Birth' Entry"_s, 7));
        QCOMPARE(page->FieldText(6), u"M"_s);
        QCOMPARE(page->FieldText(7), u"13/45/1990"_s);

        Enter(w, 7, u"12/31/1989"_s);
        CHECKED(ExpectRefusal(*p, w, u"Check the Social Security entry\r\n\r\n(Use a '123-45-6789' format)"_s,
                              8));
        QCOMPARE(page->FieldText(8), u"123-45-678"_s);
        // Ten characters with a space after them are still ten.
        Enter(w, 8, u"123456789 "_s);
        CHECKED(ExpectRefusal(*p, w, u"Check the Social Security entry\r\n\r\n(Use a '123-45-6789' format)"_s,
                              8));

        // No number at all passes.
        Enter(w, 8, QString());
        CHECKED(ExpectRefusal(*p, w, u"Invalid 'Date of Employment' Entry"_s, 19));
        QCOMPARE(page->FieldText(19), u"02/30/2001"_s);

        Enter(w, 19, u"02/28/2001"_s);
        CHECKED(ExpectRefusal(*p, w, u"Invalid 'Date of Job Title' Entry"_s, 20));
        QCOMPARE(page->FieldText(20), u"someday"_s);

        // Nothing reached the file while the faults stood.
        QCOMPARE(DataFileBytes(), fileBefore);

        // Eleven characters of any kind pass.
        Enter(w, 20, u"06/01/2024"_s);
        Enter(w, 8, u"12345678901"_s);
        const qsizetype asked = p->prompts.Asked().size();
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QCOMPARE(p->prompts.Asked().size(), asked);
        ExpectDisplayState(w);
        const QByteArray r = RecordBytes(6);
        QCOMPARE(FieldBytes(r, F::Race), QByteArray("W"));
        QCOMPARE(FieldBytes(r, F::Sex), QByteArray("M"));
        QCOMPARE(FieldBytes(r, F::SocialSecurityNumber), QByteArray("12345678901"));
        QCOMPARE(DateField(r, F::DateOfBirth), Ole({1989, 12, 31}));
        QCOMPARE(DateField(r, F::DateOfEmployment), Ole({2001, 2, 28}));
        QCOMPARE(DateField(r, F::DateOfJobTitle), Ole({2024, 6, 1}));
        QCOMPARE(FieldBytes(r, F::InactivationDate), QByteArray(8, '\0'));
        QCOMPARE(w->grid->Row(), RowOfRecord(w->grid, 6));
        QVERIFY(!w->recordPage->lblYearsDOT->isHidden());
    }

    void editingOpensTheShownRecordWithTheListDisabled() {
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        RecordPage* page = w->recordPage;
        const QString heading = w->frame[1]->title();
        // On the "Job Info" page the focus starts at the date of employment.
        ClickTabOf(page->tabNameInfo, 2);
        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        QVERIFY(w->Editor().IsEditing() && !w->Editor().IsAdding());
        QTRY_VERIFY(Line(w, 19)->hasFocus());
        QCOMPARE(Background(w, 19), Yellow);
        QCOMPARE(w->Editor().OldStatus(), 1);

        QVERIFY(w->frame[1]->isVisible() && !w->frame[1]->isEnabled());
        QCOMPARE(w->frame[1]->title(), heading);
        QCOMPARE(w->tabMain->tabText(0), u"Employee List"_s);
        QVERIFY(!w->tabMain->isTabEnabled(1));
        QCOMPARE(w->cmdAddEditSave->Caption(), u"&Save\r\nchanges"_s);
        QVERIFY(w->cmdAddEditSave->isVisible());
        QCOMPARE(w->cmdAddEditCancel->Caption(), u"&Cancel\r\nthis edit"_s);
        // Nothing changed yet: nothing to save.
        QVERIFY(!w->cmdAddEditSave->isEnabled());
        QVERIFY(w->cmdEditEntry->isHidden() && w->cmdPrintEntry->isHidden());
        QVERIFY(!w->cmdAdminWindow->isEnabled() && !w->cmdBackupRestore->isEnabled());
        QVERIFY(page->optStatus[1]->isVisible() && page->optStatus[2]->isVisible());
        QVERIFY(page->optStatus[1]->isChecked());
        QCOMPARE(page->FieldText(3), u"Adams"_s);
        QCOMPARE(page->FieldText(19), u"03/15/2000"_s);
        QCOMPARE(page->lblField[1]->text(), u"First Name            (red = required entry)"_s);
        QCOMPARE(CaptionColour(w, 19), RequiredRed);
        QVERIFY(!IsLocked(w, 1) && !IsLocked(w, 22));
        QVERIFY(page->lblYearsDOE->isHidden());

        // The first change turns Cancel into "Cancel Changes" and lets Save go.
        Enter(w, 18, u"Driver"_s);
        QCOMPARE(w->cmdAddEditCancel->Caption(), u"&Cancel Changes"_s);
        QVERIFY(w->cmdAddEditSave->isEnabled());
        QCOMPARE(p->prompts.Asked().size(), 0);
    }

    void currentEmployeeBecomesPreviousWithAConfirmedDate() {
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        QCOMPARE(w->grid->TextMatrix(w->grid->Row(), 3), u"2"_s);
        const QByteArray before = RecordBytes(2);

        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        Enter(w, 14, u"555-0199"_s);
        ClickStatus(w, 2);
        QVERIFY(w->recordPage->optStatus[2]->isChecked());
        // A date the parser refuses is asked for again.
        p->prompts.Answer(MsgAnswer::Yes).AnswerInput(u"soon"_s).AnswerInput(u"11/30/2026"_s);
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QCOMPARE(p->prompts.Pending(), 0);

        const QList<Prompt>& asked = p->prompts.Asked();
        QCOMPARE(asked.size(), 3);
        QCOMPARE(asked[0].kind, Prompt::Kind::Message);
        QCOMPARE(asked[0].text, ToPreviousText);
        QCOMPARE(asked[0].title, StatusTitle);
        QCOMPARE(asked[0].icon, MsgIcon::Question);
        QCOMPARE(asked[0].buttons, MsgButtons::YesNo);
        for (int i : {1, 2}) {
            QCOMPARE(asked[i].kind, Prompt::Kind::Input);
            QCOMPARE(asked[i].text, DatePrompt);
            QCOMPARE(asked[i].title, u"Inactivation Date"_s);
            QCOMPARE(asked[i].proposed, u"12/08/2026"_s);
        }

        // Only the phone, the inactivation date and the time of the change differ.
        QByteArray expected = WithText(before, F::HomePhone, "555-0199");
        expected = WithDate(expected, F::InactivationDate, Ole({2026, 11, 30}));
        expected = WithDate(expected, F::DateModified, Ole(Now.date(), Now.time()));
        QCOMPARE(RecordBytes(2), expected);
        QCOMPARE(DateField(expected, F::DateCreated), 46000.5);

        ExpectDisplayState(w);
        QCOMPARE(Rows(w->grid), QStringList({u"Miller, Ann|3"_s, u"Young, Zoe|1"_s}));
    }

    void abandonedStatusChangeKeepsTheOtherChanges_data() {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("date box cancelled") << true;
        QTest::newRow("question answered No") << false;
    }
    void abandonedStatusChangeKeepsTheOtherChanges() {
        QFETCH(bool, confirm);
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        const QStringList rows = Rows(w->grid);
        const QByteArray before = RecordBytes(2);

        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        Enter(w, 15, u"555-0177"_s);
        ClickStatus(w, 2);
        if (confirm)
            p->prompts.Answer(MsgAnswer::Yes).AnswerInput(QString());
        else
            p->prompts.Answer(MsgAnswer::No);
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QCOMPARE(p->prompts.Pending(), 0);
        QCOMPARE(p->prompts.Asked().size(), confirm ? 2 : 1);
        QCOMPARE(p->prompts.Asked().first().text, ToPreviousText);

        QByteArray expected = WithText(before, F::CellPhone, "555-0177");
        expected = WithDate(expected, F::DateModified, Ole(Now.date(), Now.time()));
        QCOMPARE(RecordBytes(2), expected);
        ExpectDisplayState(w);
        // Still a current employee, still listed where it was.
        QCOMPARE(Rows(w->grid), rows);
        QCOMPARE(w->grid->Row(), RowOfRecord(w->grid, 2));
        RecordPage* page = w->recordPage;
        QVERIFY(page->optStatus[1]->isChecked() && page->optStatus[2]->isHidden());
        QCOMPARE(page->FieldText(15), u"555-0177"_s);
        QCOMPARE(page->lblDataInfo[2]->text(), u" Last modified 12/08/2026 17:05:09 "_s);
    }

    void previousEmployeeIsReactivatedOnlyOnYes_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << true;
        QTest::newRow("No") << false;
    }
    void previousEmployeeIsReactivatedOnlyOnYes() {
        QFETCH(bool, yes);
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        CHECKED(ListPreviousEmployees(w));
        QCOMPARE(w->grid->Row(), 1);
        const QByteArray before = RecordBytes(4);

        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        QCOMPARE(w->Editor().OldStatus(), 2);
        QCOMPARE(w->recordPage->FieldText(21), u"01/01/2020"_s);
        ClickStatus(w, 1);
        QVERIFY(w->cmdAddEditSave->isEnabled());
        p->prompts.Answer(yes ? MsgAnswer::Yes : MsgAnswer::No);
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QCOMPARE(p->prompts.Asked().size(), 1);
        const Prompt& question = p->prompts.Asked().first();
        QCOMPARE(question.text, ToCurrentText);
        QCOMPARE(question.title, StatusTitle);
        QCOMPARE(question.icon, MsgIcon::Question);
        QCOMPARE(question.buttons, MsgButtons::YesNo);

        QByteArray expected = WithDate(before, F::DateModified, Ole(Now.date(), Now.time()));
        if (yes)
            expected = WithDate(expected, F::InactivationDate, 0);
        QCOMPARE(RecordBytes(4), expected);
        ExpectDisplayState(w);
        if (yes) {
            QCOMPARE(Rows(w->grid), QStringList({u"Ortiz, Dan|5"_s}));
        } else {
            QCOMPARE(Rows(w->grid), QStringList({u"Baker, Cy|4"_s, u"Ortiz, Dan|5"_s}));
            QCOMPARE(w->grid->Row(), 1);
            QVERIFY(w->recordPage->optStatus[2]->isChecked());
            QCOMPARE(w->recordPage->FieldText(21), u"01/01/2020"_s);
        }
    }

    void newInactivationDateAloneIsStoredWithoutQuestions() {
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        CHECKED(ListPreviousEmployees(w));
        const QByteArray before = RecordBytes(4);

        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        Enter(w, 21, u"31/31/2021"_s);
        CHECKED(ExpectRefusal(*p, w, u"Invalid 'Inactivation Date' Entry"_s, 21));
        QCOMPARE(w->recordPage->FieldText(21), u"31/31/2021"_s);
        QCOMPARE(RecordBytes(4), before);

        Enter(w, 21, u"03/15/2021"_s);
        const qsizetype asked = p->prompts.Asked().size();
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QCOMPARE(p->prompts.Asked().size(), asked);
        QByteArray expected = WithDate(before, F::InactivationDate, Ole({2021, 3, 15}));
        expected = WithDate(expected, F::DateModified, Ole(Now.date(), Now.time()));
        QCOMPARE(RecordBytes(4), expected);
        ExpectDisplayState(w);
        QCOMPARE(Rows(w->grid), QStringList({u"Baker, Cy|4"_s, u"Ortiz, Dan|5"_s}));
        QCOMPARE(w->grid->Row(), 1);
        QCOMPARE(w->recordPage->FieldText(21), u"03/15/2021"_s);
        QVERIFY(w->recordPage->optStatus[2]->isChecked());
    }

    void editKeepsTheListAndHighlightsTheEditedEmployee() {
        frmMain* w = OpenOnStaff(*p, 3);
        QVERIFY(w);
        ClickGridRow(w, 3);
        QCOMPARE(w->grid->Row(), 3);
        QCOMPARE(w->recordPage->FieldText(3), u"Young"_s);
        const QStringList rows = Rows(w->grid);
        const QByteArray before = RecordBytes(1);

        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        Enter(w, 17, u"E-77"_s);
        Enter(w, 22, u"Moved\nto days"_s);
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QCOMPARE(p->prompts.Asked().size(), 0);

        QByteArray expected = WithText(before, F::EmployeeNumber, "E-77");
        expected = WithText(expected, F::Notepad, "Moved\r\nto days");
        expected = WithDate(expected, F::DateModified, Ole(Now.date(), Now.time()));
        QCOMPARE(RecordBytes(1), expected);
        ExpectDisplayState(w);
        QCOMPARE(Rows(w->grid), rows);
        QCOMPARE(w->grid->Row(), 3);
        QCOMPARE(w->grid->TextMatrix(3, 3), u"1"_s);
        QCOMPARE(w->recordPage->ShownRecord(), 1);
        QCOMPARE(w->recordPage->FieldText(17), u"E-77"_s);
        QCOMPARE(w->recordPage->FieldText(22), u"Moved\r\nto days"_s);
        QCOMPARE(w->recordPage->lblDataInfo[2]->text(), u" Last modified 12/08/2026 17:05:09 "_s);
        // Level 3 may add but not remove.
        QVERIFY(w->cmdAddEmployee->isEnabled() && !w->cmdRemoveEmployee->isEnabled());
    }

    // Showing and saving one employee read that employee, not the whole file, so neither takes
    // longer on a long staff list; only the list's rebuild after the save reads every record.
    // The history window from the list menu follows its employee through an edit and the removal
    // of a record before it, which moves it to another record number; below the
    // SensitiveFieldsLevel (Ctrl+H) the number is masked.
    void historyWindowShowsTheHighlightedEmployeesChanges() {
        p->clock.Set(QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
        WriteStaff({{u"Young"_s, u"Zoe"_s, {1990, 5, 1}, {2015, 3, 10}},
                    {u"Adams"_s, u"Bob"_s, {1970, 2, 2}, {2000, 3, 15}},
                    {.last = u"Miller"_s,
                     .first = u"Ann"_s,
                     .born = {1985, 12, 24},
                     .hired = {2010, 3, 1},
                     .title = u"Clerk"_s}});
        AddUserRecord(u"Ann"_s, u"Lee"_s, u"pw"_s, 4);
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        // A backup of the first day, taken as the backup command copies the files.
        const QString backup = folder->FilePath(u"backup"_s);
        QVERIFY(QDir().mkdir(backup));
        for (const QString& name : {u"Rosterly.Data"_s, u"User.List"_s, u"Rosterly.History"_s})
            QVERIFY(QFile::copy(name, backup + u'/' + name));
        WriteBytes(backup + u"/User.Log"_s, "");
        p->clock.Set(QDateTime(QDate(2026, 12, 3), QTime(10, 30)));
        ClickGridRow(w, 2);
        QCOMPARE(w->recordPage->FieldText(3), u"Miller"_s);
        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        Enter(w, 8, u"123-45-6789"_s);
        Enter(w, 18, u"Head Clerk"_s);
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        p->clock.Set(QDateTime(QDate(2026, 12, 8), QTime(17, 5, 9)));
        ClickGridRow(w, 3);
        QCOMPARE(w->recordPage->FieldText(3), u"Young"_s);
        p->prompts.Answer(MsgAnswer::Yes);
        QTest::mouseClick(w->cmdRemoveEmployee, Qt::LeftButton);
        QCOMPARE(p->prompts.Asked().size(), 1);
        ClickGridRow(w, 2);
        QCOMPARE(w->grid->TextMatrix(2, 0), u"Miller, Ann"_s);
        QCOMPARE(w->grid->TextMatrix(2, 3), u"2"_s);

        int row = 2; // the list's row the menu is opened on
        const auto openFromMenu = [w, &row] {
            const QPoint at = w->grid->visualRect(w->grid->model()->index(row - 1, 0)).center();
            ChooseFromPopupMenu(
                w,
                [w, at] {
                    QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                                            w->grid->viewport()->mapToGlobal(at));
                    QApplication::sendEvent(w->grid->viewport(), &event);
                },
                u"mnuHistory"_s);
        };
        const HistorySeen seen = WatchHistory(openFromMenu, {u"12022026"_s, u"11302026"_s});
        QCOMPARE(p->prompts.Asked().size(), 1);
        QCOMPARE(seen.title, u"Rosterly - History of Ann Miller"_s);
        QCOMPARE(seen.shownDate, QDate(2026, 12, 8));
        const QString started = u"12/01/2026 09:00|Ann Lee|history starts here|"_s;
        QCOMPARE(seen.rows, QStringList({
                                u"12/03/2026 10:30|Ann Lee|edited|Social Security #||123-45-6789"_s,
                                u"12/03/2026 10:30|Ann Lee|edited|Job Title|Clerk|Head Clerk"_s,
                                started + u"Date Created||12/09/2025 12:00"_s,
                                started + u"First Name||Ann"_s,
                                started + u"Last Name||Miller"_s,
                                started + u"Race||W"_s,
                                started + u"Sex||F"_s,
                                started + u"Date of Birth||12/24/1985"_s,
                                started + u"Date of Employment||03/01/2010"_s,
                                started + u"Job Title||Clerk"_s,
                                started + u"Version Created||0"_s,
                            }));
        QCOMPARE(seen.asOf.size(), 2);
        // Before the edit: the old title and no number, both marked as changed since.
        const QStringList before = seen.asOf[0];
        QCOMPARE(before.size(), 25);
        QCOMPARE(before[0], u"|Date Created|12/09/2025 12:00"_s);
        QCOMPARE(before[1], u"|First Name|Ann"_s);
        QCOMPARE(before[3], u"|Last Name|Miller"_s);
        QCOMPARE(before[5], u"|Emergency Name|"_s);
        QCOMPARE(before[14], u"*|Social Security #|"_s);
        QCOMPARE(before[20], u"*|Job Title|Clerk"_s);
        QCOMPARE(before.filter(u"*|"_s).size(), 2);
        QCOMPARE(seen.notes[0], QString());
        // Before the history began, an empty record with its note.
        QCOMPARE(seen.asOf[1][3], u"*|Last Name|"_s);
        QCOMPARE(seen.notes[1], u"The history of this employee begins on 12/01/2026."_s);

        // The first day's backup restored: Miller's edit undone, and Young, removed since, back
        // in record 1 under her own number, her history whole.
        p->clock.Set(QDateTime(QDate(2026, 12, 9), QTime(8, 0)));
        p->prompts.AnswerFolder(backup).Answer(MsgAnswer::Yes).Answer(MsgAnswer::OK);
        QTimer::singleShot(0, w, [] {
            QMenu* menu = nullptr;
            QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
            QAction* restore = menu->findChild<QAction*>(u"menuBackupRestore(2)"_s);
            QVERIFY(restore);
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(restore).center());
        });
        QTest::mouseClick(w->cmdBackupRestore, Qt::LeftButton);
        QTRY_COMPARE(p->prompts.Pending(), 0);
        QCOMPARE(p->prompts.Asked().size(), 4);
        QCOMPARE(w->grid->TextMatrix(3, 0), u"Young, Zoe"_s);
        QCOMPARE(w->grid->TextMatrix(2, 3), u"3"_s);
        ClickGridRow(w, 2);
        const HistorySeen restored = WatchHistory(openFromMenu, {u"12052026"_s});
        QCOMPARE(restored.rows.size(), 13);
        QCOMPARE(restored.rows.mid(0, 3),
                 QStringList({u"12/09/2026 08:00|Ann Lee|restored|Social Security #|123-45-6789|"_s,
                              u"12/09/2026 08:00|Ann Lee|restored|Job Title|Head Clerk|Clerk"_s,
                              u"12/03/2026 10:30|Ann Lee|edited|Social Security #||123-45-6789"_s}));
        QCOMPARE(restored.asOf[0][20], u"*|Job Title|Head Clerk"_s);
        row = 3;
        ClickGridRow(w, 3);
        const HistorySeen young = WatchHistory(openFromMenu, {u"12082026"_s, u"12092026"_s});
        QCOMPARE(young.title, u"Rosterly - History of Zoe Young"_s);
        QCOMPARE(young.rows.size(), 24); // eight fields that hold something, three times
        for (const auto& [at, what] : {std::pair{0, u"12/09/2026 08:00|Ann Lee|restored|"_s},
                                       {8, u"12/08/2026 17:05|Ann Lee|removed|"_s},
                                       {16, u"12/01/2026 09:00|Ann Lee|history starts here|"_s}})
            QVERIFY2(young.rows[at].startsWith(what), qPrintable(young.rows[at]));
        QVERIFY(young.rows.contains(u"12/08/2026 17:05|Ann Lee|removed|Last Name|Young|"_s));
        // Removed by the end of the day: her record as it stood before, with both notes.
        QCOMPARE(young.notes, QStringList({u"Removed from the personnel file by the end of that day.\n"
                                           u"Shown as it stood before it was removed on 12/08/2026 17:05."_s,
                                           QString()}));
        QCOMPARE(young.asOf[0][3], u"*|Last Name|Young"_s);
        QCOMPARE(young.asOf[1][3], u"|Last Name|Young"_s);
        row = 2;

        // Below the SensitiveFieldsLevel, by the key.
        p->SetSensitiveLevel(u"3"_s);
        p->state.CurrentAccessLevel = 2;
        QTRY_VERIFY(w->isActiveWindow());
        ClickGridRow(w, 2);
        p->state.PrinterConfirmed = true;
        const HistorySeen masked =
            WatchHistory([w] { QTest::keyClick(w->grid, Qt::Key_H, Qt::ControlModifier); }, {}, true);
        QCOMPARE(masked.title, u"Rosterly - History of Ann Miller"_s);
        QCOMPARE(masked.rows.size(), 13);
        QCOMPARE(masked.rows[0], u"12/09/2026 08:00|Ann Lee|restored|Social Security #|***-**-6789|"_s);
        QCOMPARE(masked.rows[9], started + u"Date of Birth||12/24/****"_s);
        QCOMPARE(p->prompts.Asked().size(), 4);
        // Printed as shown: masked, and the record as of today below the history.
        QCOMPARE(p->printer.Documents(), 1);
        QStringList printed;
        for (const RecordingPrinter::Item& item : p->printer.Texts())
            printed << item.text;
        QCOMPARE(printed.first(), u"History of Ann Miller -- Page 1, 12/9/2026 8:00:00 AM"_s);
        QCOMPARE(printed.count(u"***-**-6789"_s), 2); // the edit and the restore; none in the record now
        QVERIFY(printed.contains(u"Record as of 12/09/2026"_s));
        QVERIFY(!printed.join(u' ').contains(u"123-45"_s));
    }

    // A removed employee, gone from every list, is found in the history window by her name typed
    // without its accents or capitals (the Find box with nothing typed lists every one, current,
    // previous or removed, a former name too): her changes, her last record as it stood before the
    // removal (printed), the columns widened with the window, the changes of a range of days
    // exported as CSV and as a workbook of the same cells.
    void historyWindowFindsARemovedEmployee() {
        p->clock.Set(QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
        WriteStaff({{.last = u"Adams"_s, .first = u"Bob"_s, .born = {1970, 2, 2}, .hired = {2000, 3, 15}},
                    {.last = u"G\u00f3mez"_s,
                     .first = u"Zo\u00eb"_s,
                     .born = {1990, 5, 1},
                     .hired = {2015, 3, 10},
                     .title = u"Clerk"_s},
                    {u"Ortiz"_s, u"Dan"_s, {1975, 7, 4}, {1995, 9, 1}, {2022, 6, 30}}});
        AddUserRecord(u"Ann"_s, u"Lee"_s, u"pw"_s, 4);
        // Full access under a setting that masks the others: what leaves the history window is logged.
        p->SetSensitiveLevel(u"4"_s);
        frmMain* w = OpenMainWindow(*p, 4);
        QVERIFY(w);
        p->clock.Set(QDateTime(QDate(2026, 12, 3), QTime(10, 30)));
        ClickGridRow(w, 2);
        QCOMPARE(w->recordPage->FieldText(3), u"G\u00f3mez"_s);
        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        Enter(w, 18, u"Senior Office Manager"_s);
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        p->clock.Set(QDateTime(QDate(2026, 12, 8), QTime(17, 5, 9)));
        p->prompts.Answer(MsgAnswer::Yes);
        QTest::mouseClick(w->cmdRemoveEmployee, Qt::LeftButton);
        QCOMPARE(w->grid->Rows(), 2); // Adams alone
        ClickGridRow(w, 1);
        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        Enter(w, 3, u"Adams-Ray"_s);
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);

        p->state.PrinterConfirmed = true;
        const QString path = folder->FilePath(u"history.csv"_s);
        const QString workbook = folder->FilePath(u"history"_s); // .xlsx added
        p->prompts.AnswerSaveFile(path).Answer(MsgAnswer::OK).AnswerSaveFile(workbook).Answer(MsgAnswer::OK);
        QStringList everyone, people, rows, recent, record, seen;
        const ShowWatch<frmHistory> watch([&](frmHistory* d) {
            QTimer::singleShot(0, d, [&, d] {
                QTest::keyClick(d->txtFind, Qt::Key_Return); // nothing typed: every one
                everyone = GridRows(d->gridPeople) << d->lblFound->text();
                QTest::keyClicks(d->txtFind, u"GOMEZ"_s);
                QTest::keyClick(d->txtFind, Qt::Key_Return);
                people = GridRows(d->gridPeople);
                rows = GridRows(d->gridHistory);
                record = GridRows(d->gridAsOf);
                seen << d->windowTitle() << d->lblNote->text()
                     << (d->cmdPrint->isEnabled() ? u"print on"_s : u"off"_s);
                // Before and After share what a wider window has to spare, filling the grid; long
                // values wrap in their rows; the date box is one tab stop.
                const int after = d->gridHistory->ColWidth(5);
                d->resize(d->width() + TwipsToPixelsX(2000, d), d->height());
                QApplication::processEvents();
                int spare = PixelsToTwipsX(d->gridHistory->viewport()->width(), d);
                for (int col = 0; col < 6; ++col)
                    spare -= d->gridHistory->ColWidth(col);
                const Grid* g = d->gridHistory;
                seen << u"field %1, widened %2, even %3, filled %4, wraps %5"_s.arg(g->ColWidth(3))
                            .arg(g->ColWidth(5) > after + 800)
                            .arg(g->ColWidth(4) == g->ColWidth(5))
                            .arg(spare >= 0 && spare <= 90)
                            .arg(g->wordWrap() && d->gridAsOf->wordWrap());
                d->txtAsOf->setFocus();
                QTest::keyClick(d->txtAsOf, Qt::Key_Tab);
                seen << QApplication::focusWidget()->objectName();
                QTest::mouseClick(d->cmdPrint, Qt::LeftButton);
                d->txtFrom->setFocus();
                d->txtFrom->setSelectedSection(QDateTimeEdit::MonthSection);
                QTest::keyClicks(d->txtFrom, u"12022026"_s);
                recent = GridRows(d->gridHistory);
                QTest::mouseClick(d->cmdExport, Qt::LeftButton);
                QTest::mouseClick(d->cmdExport, Qt::LeftButton); // again, as a workbook
                QTest::mouseClick(d->cmdClose, Qt::LeftButton);
            });
        });
        QTest::keyClick(w->grid, Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(p->prompts.Pending(), 0);
        QCOMPARE(everyone, QStringList({u"1|Adams-Ray, Bob (formerly Adams, Bob)|current"_s,
                                        u"2|G\u00f3mez, Zo\u00eb|removed on 12/08/2026"_s,
                                        u"3|Ortiz, Dan|previous"_s, u"3 employees found."_s}));
        QCOMPARE(people, QStringList{u"2|G\u00f3mez, Zo\u00eb|removed on 12/08/2026"_s});
        QCOMPARE(seen, QStringList({u"Rosterly - History of Zo\u00eb G\u00f3mez"_s,
                                    u"Removed from the personnel file by the end of that day.\n"
                                    u"Shown as it stood before it was removed on 12/08/2026 17:05."_s,
                                    u"print on"_s, u"field 2900, widened 1, even 1, filled 1, wraps 1"_s,
                                    u"gridAsOf"_s}));
        QCOMPARE(rows.size(), 20); // ten fields at the removal, the edit, nine at the start
        QCOMPARE(rows[0], u"12/08/2026 17:05|Ann Lee|removed|Date Created|12/09/2025 12:00|"_s);
        QCOMPARE(record[3], u"|Last Name|G\u00f3mez"_s);
        QCOMPARE(record[20], u"|Job Title|Senior Office Manager"_s);
        QCOMPARE(recent.size(), 11);
        QCOMPARE(recent.last(), u"12/03/2026 10:30|Ann Lee|edited|Job Title|Clerk|Senior Office Manager"_s);

        QStringList printed;
        for (const RecordingPrinter::Item& item : p->printer.Texts())
            printed << item.text;
        QCOMPARE(printed.first(), u"History of Zo\u00eb G\u00f3mez -- Page 1, 12/8/2026 5:05:09 PM"_s);
        QVERIFY(printed.contains(u"Senior Office Manager"_s)); // the record's value, whole

        const QList<Prompt> asked = p->prompts.Asked();
        QVERIFY2(asked.at(asked.size() - 4)
                     .proposed.endsWith(u"/History - Zo\u00eb G\u00f3mez - 2026-12-08.xlsx"_s),
                 qPrintable(asked.at(asked.size() - 4).proposed));
        QCOMPARE(asked.at(asked.size() - 3).text,
                 u"The history of Zo\u00eb G\u00f3mez, 11 changes, has been saved as\r\n"_s + path);
        QCOMPARE(asked.at(asked.size() - 3).title, u"History Exported"_s);
        COMPARE_GOLDEN(ReadFileBytes(path), u"history-export.csv"_s);
        // The workbook holds the same cells, as texts.
        QStringList sheet;
        const WorkbookSheet read =
            ReadWorkbookSheet(ReadFileBytes(workbook + u".xlsx"_s), {6, 100}, [&](const SheetRow& row) {
                QStringList cells(6);
                for (const SheetCell& cell : row.cells)
                    cells[cell.column] = cell.text;
                sheet << cells.join(u',') + u"\r\n"_s;
            });
        QCOMPARE(read.fault + sheet.join(QString()), QString::fromUtf8(ReadFileBytes(path))); // BOM aside
        const QByteArray at = "12/08/2026 at 17:05:09 - Ann Lee took out full SSN/birth years: ";
        QCOMPARE(ReadFileBytes(u"User.Log"_s),
                 at + "history printout, 1 employee.\r\n" + at + "history export, 1 employee, to '" +
                     path.toLatin1() + "'.\r\n" + at + "history export, 1 employee, to '" + workbook.toLatin1() +
                     ".xlsx'.\r\n");
    }

    void oneEmployeeIsReadWithoutTheRestOfTheFile() {
        std::vector<StaffMember> staff = Staff();
        for (int i = 0; i < 40; ++i)
            staff.push_back(
                {u"Extra%1"_s.arg(i, 2, 10, QLatin1Char('0')), u"Eve"_s, {1980, 1, 1}, {2005, 1, 1}});
        WriteStaff(staff);
        const qint64 record = PersonnelRecordLength;
        const qint64 file = qint64(staff.size()) * record;
        frmMain* w = OpenMainWindow(*p, 3);
        QVERIFY(w);

        p->io.bytesRead = 0;
        ClickGridRow(w, 3);
        QCOMPARE(w->recordPage->FieldText(3), u"Extra01"_s);
        // The record, and the heads of the history's index and line table and the history's first
        // line, which tell the history is this folder's and in step.
        const qint64 index = HistoryKeeper::IndexHeaderBytes + HistoryLinesHeadBytes +
                             ReadFileBytes(HistoryFileName).indexOf('\n') + 1;
        QCOMPARE(p->io.bytesRead, record + index);

        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        Enter(w, 17, u"E-77"_s);
        p->io.bytesRead = 0;
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QCOMPARE(p->prompts.Asked().size(), 0);
        QCOMPARE(ReadRecordFromDisk(7).EmployeeNumber().trimmed(), u"E-77"_s);
        // The record before it is changed, its old bytes kept by the write to put back on a
        // failure, the record shown, then the list rebuilt and the record shown from it; and for
        // the history, the record as it was, its employee's place in the index, and the index's
        // head and the history's first line at each of the five opens, and the line table's head
        // once more to add the edit's line.
        QCOMPARE(p->io.bytesRead, 3 * record + file + record + record + HistoryKeeper::IndexEntryBytes + 5 * index +
                                      HistoryLinesHeadBytes);
    }

    // The removal mark as a first name would make the employee vanish at the next removal: it is
    // refused as an entry fault before anything is written, when adding and when editing. Only the
    // mark as the file compares it is refused.
    void removalMarkIsRefusedAsAFirstName_data() {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        for (const bool adding : {true, false}) {
            const char* mode = adding ? "adding" : "editing";
            QTest::addRow("%s, the mark", mode) << adding << u"$Killed$"_s << true;
            QTest::addRow("%s, the mark between spaces", mode) << adding << u"  $Killed$ "_s << true;
            QTest::addRow("%s, another case", mode) << adding << u"$killed$"_s << false;
        }
    }
    void removalMarkIsRefusedAsAFirstName() {
        QFETCH(bool, adding);
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        const QByteArray before = DataFileBytes();
        BeginEntry(w, adding,
                   {{3, u"Cole"_s}, {5, u"W"_s}, {6, u"F"_s}, {7, u"09/09/1999"_s}, {19, u"01/04/2021"_s}});
        Enter(w, 1, typed);
        ShowPageOf(w, 19); // the fault brings the first name back into view
        if (!refused) {
            QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
            QCOMPARE(p->prompts.Asked().size(), 0);
            const QByteArray r = RecordBytes(adding ? 6 : 2);
            QCOMPARE(FieldBytes(r, F::FirstName), Padded(typed.toLatin1(), F::FirstName));
            QCOMPARE(RowOfRecord(w->grid, adding ? 6 : 2), w->grid->Row());
            return;
        }
        CHECKED(
            ExpectRefusal(*p, w,
                          u"'$Killed$' can't be used as a 'First Name'.\r\n\r\n"
                          u"The program uses it to mark records\r\nthat are being removed from the file."_s,
                          1));
        QCOMPARE(w->recordPage->tabNameInfo->Tab(), 0);
        QTRY_VERIFY(Line(w, 1)->hasFocus());
        QCOMPARE(DataFileBytes(), before);
        // Corrected, the entry goes through.
        Enter(w, 1, u"Dee"_s);
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QCOMPARE(p->prompts.Asked().size(), 1);
        ExpectDisplayState(w);
        QCOMPARE(FieldBytes(RecordBytes(adding ? 6 : 2), F::FirstName), Padded("Dee", F::FirstName));
    }

    // A name is one line: a tab or a line break pasted into a name box is refused, nothing written.
    void tabOrLineBreakInANameIsRefused_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("caption");
        QTest::newRow("tab in the last name") << 3 << u"Last Name"_s;
        QTest::newRow("tab in the middle name") << 2 << u"Middle Name"_s;
        QTest::newRow("tab in the first name") << 1 << u"First Name"_s; // without the note on red captions
    }
    void tabOrLineBreakInANameIsRefused() {
        QFETCH(int, box);
        QFETCH(QString, caption);
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        const QByteArray before = DataFileBytes();
        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        Enter(w, box, u"Ann"_s);
        Line(w, box)->setText(u"Smith\tJones"_s); // as pasted
        CHECKED(ExpectRefusal(
            *p, w,
            u"A '"_s + caption +
                u"' can't hold a tab or a line break.\r\n\r\nPlease type the name on one line."_s,
            box));
        QVERIFY(w->recordPage->lblField[std::size_t(box)]->text().contains(caption));
        QTRY_VERIFY(Line(w, box)->hasFocus());
        QCOMPARE(DataFileBytes(), before);
    }

    // A character Windows-1252 has no byte for would be stored as '?': Save refuses it, naming the
    // box and the character, shows the box and writes nothing, in every text box.
    void unstorableCharacterIsRefusedInItsBox_data() {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("named"); // how the message names the box and the character
        QTest::newRow("adding, first name")
            << true << 1 << u"Th\u1EA3o"_s << u"'First Name' box holds the character '\u1EA3' (U+1EA3)"_s;
        QTest::newRow("adding, last name")
            << true << 3 << u"Nguy\u1EC5n"_s << u"'Last Name' box holds the character '\u1EC5' (U+1EC5)"_s;
        QTest::newRow("editing, emergency name")
            << false << 9 << u"\u0141ucja"_s
            << u"'Name' box under 'In Case of Emergency' holds the character '\u0141' (U+0141)"_s;
        QTest::newRow("editing, notepad")
            << false << 22 << u"ok\n\u03A9"_s << u"'Notepad' box holds the character '\u03A9' (U+03A9)"_s;
    }
    void unstorableCharacterIsRefusedInItsBox() {
        QFETCH(bool, adding);
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, named);
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        const QByteArray before = DataFileBytes();
        BeginEntry(w, adding,
                   {{1, u"Th\u1EA3o"_s},
                    {3, u"Nguy\u1EC5n"_s},
                    {5, u"A"_s},
                    {6, u"F"_s},
                    {7, u"09/09/1999"_s},
                    {19, u"01/04/2021"_s}});
        if (adding && box == 3) // the first name is reported first
            Enter(w, 1, u"Thao"_s);
        Enter(w, box, typed);
        const QString text =
            u"The "_s + named + u",\r\nwhich can't be stored.\r\n\r\nPlease leave it out or replace it."_s;
        CHECKED(ExpectRefusal(*p, w, text, box));
        QCOMPARE(w->recordPage->FieldText(box), QString(typed).replace(u"\n"_s, u"\r\n"_s));
        QCOMPARE(DataFileBytes(), before);
    }

    // A new employee is a current one and the page says so, even when the employee shown before
    // was a previous one (whose page shows only "Previous Employee").
    void addingAfterAPreviousEmployeeShowsTheCurrentStatus() {
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        CHECKED(ListPreviousEmployees(w));
        RecordPage* page = w->recordPage;
        ShowPageOf(w, 21);
        QVERIFY(page->optStatus[1]->isHidden() && page->optStatus[2]->isVisible());

        QTest::mouseClick(w->cmdAddEmployee, Qt::LeftButton);
        ShowPageOf(w, 21);
        QVERIFY(page->optStatus[1]->isVisible() && page->optStatus[1]->isChecked());
        QVERIFY(page->optStatus[2]->isHidden());
        QVERIFY(Line(w, 21)->isHidden());
    }

    // An edit that moves its employee in the sort order (a new last name) leaves the highlight on
    // that employee, not on the row number the employee had.
    void editedEmployeeStaysHighlightedWhereverItSorts_data() {
        QTest::addColumn<int>("row");          // the row edited
        QTest::addColumn<QString>("lastName"); // the new last name
        QTest::addColumn<QStringList>("rows"); // the list afterwards
        QTest::addColumn<int>("rowAfter");
        QTest::newRow("first to last")
            << 1 << u"Zulu"_s << QStringList{u"Miller, Ann|3"_s, u"Young, Zoe|1"_s, u"Zulu, Bob|2"_s} << 3;
        QTest::newRow("last to first")
            << 3 << u"Abbot"_s << QStringList{u"Abbot, Zoe|1"_s, u"Adams, Bob|2"_s, u"Miller, Ann|3"_s} << 1;
    }
    void editedEmployeeStaysHighlightedWhereverItSorts() {
        QFETCH(int, row);
        QFETCH(QString, lastName);
        QFETCH(QStringList, rows);
        QFETCH(int, rowAfter);
        frmMain* w = OpenOnStaff(*p, 2);
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        ClickGridRow(w, row);
        const qint32 record = w->grid->TextMatrix(row, 3).toInt();

        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        Enter(w, 3, lastName);
        // Saved from the keyboard, the focus still in the last name.
        QTest::keyClick(Line(w, 3), Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(!w->Editor().IsEditing()); // an access key clicks its button after a short press
        ExpectDisplayState(w);
        QCOMPARE(Rows(w->grid), rows);
        QCOMPARE(w->grid->Row(), rowAfter);
        QCOMPARE(w->grid->TextMatrix(rowAfter, 3).toInt(), record);
        QCOMPARE(w->recordPage->ShownRecord(), record);
        QCOMPARE(w->recordPage->FieldText(3), lastName);
        QCOMPARE(p->prompts.Asked().size(), 0);
    }

    // An edit that takes the employee out of the list shown (inactivated while the current
    // employees are listed) leaves the highlight on the same row, on whoever stands there now.
    void inactivatedEmployeeLeavesTheHighlightOnTheRow() {
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        ClickGridRow(w, 2);
        QCOMPARE(w->recordPage->FieldText(3), u"Miller"_s);
        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        ClickStatus(w, 2);
        p->prompts.Answer(MsgAnswer::Yes).AnswerInput(u"06/30/2026"_s);
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QCOMPARE(p->prompts.Pending(), 0);
        ExpectDisplayState(w);
        QCOMPARE(Rows(w->grid), QStringList({u"Adams, Bob|2"_s, u"Young, Zoe|1"_s}));
        QCOMPARE(w->grid->Row(), 2);
        QCOMPARE(w->recordPage->FieldText(3), u"Young"_s);
    }

    void cancelledAddWritesNothing() {
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        ClickGridRow(w, 2);
        const Geometry before = GeometryOf(w);
        const QStringList rows = Rows(w->grid);
        const QByteArray fileBefore = DataFileBytes();

        QTest::mouseClick(w->cmdAddEmployee, Qt::LeftButton);
        for (const auto& [box, text] : {std::pair{1, u"Eve"_s},
                                        {3, u"Lang"_s},
                                        {5, u"A"_s},
                                        {6, u"F"_s},
                                        {7, u"01/01/2000"_s},
                                        {19, u"01/01/2020"_s},
                                        {22, u"note"_s}})
            Enter(w, box, text);
        QVERIFY(w->cmdAddEditSave->isEnabled());
        QTest::mouseClick(w->cmdAddEditCancel, Qt::LeftButton);

        QCOMPARE(DataFileBytes(), fileBefore);
        QCOMPARE(p->prompts.Asked().size(), 0);
        ExpectDisplayState(w);
        CHECKED(ExpectGeometry(w, before));
        QCOMPARE(Rows(w->grid), rows);
        // The page shows the highlighted employee again, not what was typed.
        const int row = w->grid->Row();
        QCOMPARE(w->recordPage->ShownRecord(), w->grid->TextMatrix(row, 3).toInt());
        QCOMPARE(w->recordPage->FieldText(3), w->grid->TextMatrix(row, 0).section(u',', 0, 0));
        QVERIFY(w->recordPage->lblDataInfo[1]->isVisible());
        QVERIFY(w->recordPage->lblSpaceFull->isHidden());
    }

    void cancelledEditWritesNothing() {
        frmMain* w = OpenOnStaff(*p, 4);
        QVERIFY(w);
        CHECKED(ListPreviousEmployees(w));
        ClickGridRow(w, 2);
        QCOMPARE(w->recordPage->FieldText(3), u"Ortiz"_s);
        const QByteArray fileBefore = DataFileBytes();

        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        Enter(w, 3, u"Ortega"_s);
        Enter(w, 21, u"07/01/2022"_s);
        ClickStatus(w, 1);
        QTest::mouseClick(w->cmdAddEditCancel, Qt::LeftButton);

        QCOMPARE(DataFileBytes(), fileBefore);
        QCOMPARE(p->prompts.Asked().size(), 0);
        ExpectDisplayState(w);
        QCOMPARE(Rows(w->grid), QStringList({u"Baker, Cy|4"_s, u"Ortiz, Dan|5"_s}));
        QCOMPARE(w->grid->Row(), 2);
        RecordPage* page = w->recordPage;
        QCOMPARE(page->FieldText(3), u"Ortiz"_s);
        QCOMPARE(page->FieldText(21), u"06/30/2022"_s);
        QVERIFY(page->optStatus[2]->isChecked() && page->optStatus[1]->isHidden());
    }

    void readEditUserCanEditButNotAdd() {
        frmMain* w = OpenOnStaff(*p, 2);
        QVERIFY(w);
        QVERIFY(w->cmdAddEmployee->isVisible() && !w->cmdAddEmployee->isEnabled());
        QTest::mouseClick(w->cmdAddEmployee, Qt::LeftButton);
        QVERIFY(!w->Editor().IsAdding());
        QVERIFY(w->frame[1]->isVisible());

        QVERIFY(w->cmdEditEntry->isVisible() && w->cmdEditEntry->isEnabled());
        const QByteArray before = RecordBytes(2);
        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        QVERIFY(w->Editor().IsEditing());
        Enter(w, 12, u"4 Oak Lane"_s);
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QByteArray expected = WithText(before, F::StreetAddress, "4 Oak Lane");
        expected = WithDate(expected, F::DateModified, Ole(Now.date(), Now.time()));
        QCOMPARE(RecordBytes(2), expected);
        ExpectDisplayState(w);
        // The commands the level does not allow stay disabled after the edit.
        QVERIFY(!w->cmdAddEmployee->isEnabled());
        QVERIFY(!w->cmdRemoveEmployee->isEnabled());
        QVERIFY(w->cmdEditEntry->isEnabled());
        QCOMPARE(p->prompts.Asked().size(), 0);
    }

    // A user who sees the Social Security number and the birth year masked edits every other
    // field: those two are kept byte for byte, and not checked again, even a number shorter than
    // the checks now ask for.
    void maskedFieldsAreKeptThroughAnEdit_data() {
        QTest::addColumn<QString>("ssn");
        QTest::addColumn<QString>("masked");
        QTest::newRow("full number") << u"123-45-6789"_s << u"***-**-6789"_s;
        QTest::newRow("short number on file") << u"12"_s << u"***-**-12"_s;
    }
    void maskedFieldsAreKeptThroughAnEdit() {
        QFETCH(QString, ssn);
        QFETCH(QString, masked);
        WriteStaff(Staff());
        std::vector<PersonnelRecord> staff = ReadRecords(u"Rosterly.Data"_s);
        staff[1].SetSocialSecurityNumber(ssn);
        WriteBytes(u"Rosterly.Data"_s, Image(staff));
        p->SetSensitiveLevel(u"3"_s);
        frmMain* w = OpenMainWindow(*p, 2);
        QVERIFY(w);
        QCOMPARE(w->recordPage->ShownRecord(), 2);
        const QByteArray before = RecordBytes(2);

        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        Enter(w, 8, u"999-99-9999"_s); // a masked box takes no typing
        QCOMPARE(Line(w, 8)->text(), masked);
        // Every other box, by box number; the inactivation date is hidden for a current employee.
        const QStringList typed =
            u"Robert|Lee|Adamson|Sr|H|F|||Ida Adams|Sister|555-0110|4 Oak Lane|Dover, DE|"
            u"555-0111|555-0112|bob@example.com|E-9|Driver|04/01/2001|05/02/2003||Nights"_s.split(u'|');
        QByteArray expected = WithDate(before, F::DateModified, Ole(Now.date(), Now.time()));
        for (int box = 1; box <= RecordPage::BoxCount; ++box) {
            const QString& text = typed[box - 1];
            if (text.isEmpty())
                continue;
            Enter(w, box, text);
            const F field = RecordBoxRow(box).field;
            expected = IsDateBox(box)
                           ? WithDate(expected, field, Ole(QDate::fromString(text, u"MM/dd/yyyy"_s)))
                           : WithText(expected, field, text.toLatin1());
        }
        QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
        QCOMPARE(p->prompts.Asked().size(), 0);
        QCOMPARE(RecordBytes(2), expected);
        // Shown again as this user sees it.
        QCOMPARE(w->recordPage->FieldText(1), u"Robert"_s);
        QCOMPARE(Line(w, 8)->text(), masked);
        QVERIFY(IsLocked(w, 8) && IsLocked(w, 7) && w->recordPage->lblYearsDOB->isHidden());
    }

    void readOnlyUserCannotEdit() {
        frmMain* w = OpenOnStaff(*p, 1);
        QVERIFY(w);
        QVERIFY(w->cmdEditEntry->isVisible() && !w->cmdEditEntry->isEnabled());
        QVERIFY(!w->cmdAddEmployee->isEnabled());
        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        QVERIFY(!w->Editor().IsEditing());
        QVERIFY(w->cmdAddEditSave->isHidden());
        QVERIFY(IsLocked(w, 1) && IsLocked(w, 22));
        QVERIFY(w->frame[1]->isEnabled());
    }
};

QTEST_MAIN(TestRecordEntry)
#include "tst_recordentry.moc"
