// The employee list in the real main window and its options page, driven as a user drives them:
// what the list shows after sign-in, the options and their enabling rules, the rebuild on the way
// back to the list, the empty file, filters that match nobody, and the commands by access level
// and list length.
#include "app/frmmain.h"
#include "data/oledate.h"
#include "listpage/frmlistoptions.h"
#include "records/recordeditor.h"
#include "records/recordpage.h"
#include "support/programtest.h"
#include "support/recordsfile.h"
#include "support/testprogram.h"
#include "support/testsupport.h"
#include "support/useractions.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/tabcontrol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QTabBar>
#include <QtTest>

#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString NoMatchText = QStringLiteral("No one matches these\r\nindicated parameter(s)");
const QString EmptyText = u"There are currently no personnel records on file.\r\n\r\n"
                          u"Click the 'Add Employee to the List' button\r\n"
                          u"when you're ready to add a personnel record."_s;

// An employee as these lists show one; the file keeps no date of creation for it.
StaffMember Employee(const char* last, const char* first, const char* title, const char* race,
                     const char* sex, QDate born, QDate hired, QDate inactivated = {}) {
    return {.last = QString::fromUtf8(last),
            .first = QString::fromUtf8(first),
            .born = born,
            .hired = hired,
            .inactivated = inactivated,
            .race = QString::fromUtf8(race),
            .sex = QString::fromUtf8(sex),
            .created = 0,
            .title = QString::fromUtf8(title)};
}

// Four employees, not in name order in the file; Baker is a previous employee.
const std::vector<StaffMember> Staff = {
    Employee("Young", "Zoe", "Cashier", "W", "F", {1990, 5, 1}, {2015, 3, 10}),
    Employee("Adams", "Bob", "Nurse", "B", "M", {1970, 2, 2}, {2000, 3, 15}),
    Employee("Miller", "Ann", "nurse aide", "B", "F", {1985, 12, 24}, {2010, 3, 1}),
    Employee("Baker", "Cy", "Driver", "H", "M", {1960, 1, 1}, {1990, 6, 1}, {2020, 1, 1}),
};

OptionButton* Option(const QObject* w, const QString& name) {
    return FindControl<OptionButton>(w, name);
}
QGroupBox* Frame(const QObject* w, int i) {
    return FindControl<QGroupBox>(w, QStringLiteral("frame(%1)").arg(i));
}

void ClickTab(frmMain* w, int page) {
    QTabBar* bar = w->tabMain->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
}

QStringList Entries(const QComboBox* c) {
    QStringList entries;
    for (int i = 0; i < c->count(); ++i)
        entries << c->itemText(i);
    return entries;
}

bool Shaded(const Grid* g, int row) {
    return g->model()->index(row - 1, 0).data(Qt::BackgroundRole).value<QBrush>().color() ==
           QColor(240, 240, 240);
}

} // namespace

class TestListWindow : public ProgramTest {
    Q_OBJECT

private slots:
    void signInShowsCurrentEmployeesByName() {
        WriteStaff(Staff);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QCOMPARE(p->prompts.Asked().size(), 0);
        const Grid* g = w->grid;
        QVERIFY(g->isVisible());
        QCOMPARE(g->TextMatrix(0, 0), QStringLiteral("Name"));
        QCOMPARE(g->TextMatrix(0, 1), QStringLiteral("Job Title"));
        QCOMPARE(GridRows(g), QStringList({u"Adams, Bob|Nurse|*|2"_s, u"Miller, Ann|nurse aide|*|3"_s,
                                       u"Young, Zoe|Cashier|*|1"_s}));
        QVERIFY(!Shaded(g, 1) && Shaded(g, 2) && !Shaded(g, 3));
        // The first row is highlighted across every column.
        QCOMPARE(g->Row(), 1);
        QCOMPARE(g->Col(), 0);
        QCOMPARE(g->ColSel(), 3);
        QCOMPARE(g->TopRow(), 1);
        // The record numbers are kept out of sight by a column 0 widened in steps of 18 twips.
        QVERIFY(g->ColIsVisible(1) && !g->ColIsVisible(3));
        QVERIFY(g->ColWidth(0) > 2000);
        QCOMPARE((g->ColWidth(0) - 2000) % 18, 0);
        QCOMPARE(w->frame[1]->title(), QStringLiteral("Current Employees"));
        QVERIFY(w->tabMain->isTabEnabled(1));
        QVERIFY(NotBusy(w));

        // Going to the options and back reads the file again, even with no option changed.
        ClickTab(w, 1);
        WriteStaff({Employee("Cole", "Dee", "Baker", "O", "F", {1999, 9, 9}, {2021, 1, 4})});
        ClickTab(w, 0);
        QCOMPARE(g->Rows(), 5);
        QCOMPARE(g->TextMatrix(2, 0), QStringLiteral("Cole, Dee"));
        QCOMPARE(g->TextMatrix(2, 3), QStringLiteral("5"));
        QVERIFY(Shaded(g, 4) && !Shaded(g, 3));
    }

    void optionsPageOffersTheChoicesWithCounts() {
        WriteStaff(Staff);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ClickTab(w, 1);
        QCOMPARE(w->tabMain->Tab(), 1);
        ListOptionsPage* page = w->OptionsPage();
        QVERIFY(Option(w, u"optTypeList(1)"_s)->isChecked());

        QCOMPARE(Option(w, u"optEmpStatus(1)"_s)->Caption(), QStringLiteral("Current Employees\r\n(3)"));
        QCOMPARE(Option(w, u"optEmpStatus(1)"_s)->text(), QStringLiteral("Current Employees\n(3)"));
        QCOMPARE(Option(w, u"optEmpStatus(2)"_s)->Caption(), QStringLiteral("Previous Employees\r\n(1)"));
        QVERIFY(Option(w, u"optEmpStatus(1)"_s)->isChecked());
        QVERIFY(Option(w, u"optEmpStatus(2)"_s)->isEnabled());

        QCOMPARE(page->comboListWith->currentText(), QStringLiteral("Job Title"));
        QVERIFY(!page->comboListWith->isEditable());
        QCOMPARE(Entries(page->comboMonth),
                 QStringList({u""_s, u"Jan"_s, u"Feb"_s, u"Mar"_s, u"Apr"_s, u"May"_s, u"Jun"_s, u"Jul"_s,
                              u"Aug"_s, u"Sep"_s, u"Oct"_s, u"Nov"_s, u"Dec"_s}));
        const QStringList years = Entries(page->comboYear);
        QCOMPARE(years.size(), 62); // the clock says 2026: 1967 to 2027
        QCOMPARE(years.mid(0, 3), QStringList({u""_s, u"1967"_s, u"1968"_s}));
        QCOMPARE(years.last(), QStringLiteral("2027"));
        QCOMPARE(Entries(page->comboAgeGroup), QStringList({u""_s, u"10's"_s, u"20's"_s, u"30's"_s, u"40's"_s,
                                                            u"50's"_s, u"60's"_s, u"70's"_s, u"80's"_s}));

        // The list waits while the options are open, and nothing else may change the file.
        QVERIFY(!w->frame[1]->isEnabled() && !w->frame[2]->isEnabled());
        for (int i = 4; i <= 8; ++i)
            QVERIFY(Frame(w, i)->isEnabled());
        QVERIFY(!w->cmdBackupRestore->isEnabled());

        // A second visit neither fills the combos again nor loses the choices.
        QTest::keyClicks(page->comboYear, QStringLiteral("2010"));
        ClickTab(w, 0);
        QVERIFY(w->cmdBackupRestore->isEnabled());
        QVERIFY(w->frame[1]->isEnabled() && !Frame(w, 8)->isEnabled());
        QCOMPARE(w->frame[1]->title(), QStringLiteral("Current Employees - Year Emp.: 2010"));
        QCOMPARE(GridRows(w->grid), QStringList({u"Miller, Ann|nurse aide|*|3"_s}));
        ClickTab(w, 1);
        QCOMPARE(page->comboYear->count(), 62);
        QCOMPARE(page->comboYear->currentText(), QStringLiteral("2010"));
        QCOMPARE(p->prompts.Asked().size(), 0);
    }

    void typeOfListDecidesWhatElseApplies() {
        WriteStaff(Staff);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ListOptionsPage* page = w->OptionsPage();
        ClickTab(w, 1);
        ClickOption(w, u"optEmpStatus(2)"_s);
        ClickOption(w, u"optSex(3)"_s);
        ClickOption(w, u"optRace(3)"_s);
        QTest::keyClicks(page->comboMonth, QStringLiteral("Mar"));
        QCOMPARE(page->comboListWith->palette().color(QPalette::Button), QColor(255, 255, 0));

        ClickOption(w, u"optTypeList(3)"_s);
        QVERIFY(Option(w, u"optEmpStatus(1)"_s)->isChecked());
        QVERIFY(!Option(w, u"optEmpStatus(2)"_s)->isEnabled());
        QVERIFY(Option(w, u"optSex(1)"_s)->isChecked() && Option(w, u"optRace(1)"_s)->isChecked());
        for (const QString& name :
             {u"optSex(2)"_s, u"optSex(3)"_s, u"optRace(2)"_s, u"optRace(4)"_s, u"optRace(6)"_s})
            QVERIFY2(!Option(w, name)->isEnabled(), qPrintable(name));
        QVERIFY(Frame(w, 8)->isHidden());
        QVERIFY(!Frame(w, 5)->isHidden() && !Frame(w, 6)->isHidden());
        QVERIFY(!page->comboListWith->isEnabled());
        QCOMPARE(page->comboListWith->palette().color(QPalette::Button), QColor(192, 192, 192));

        // Oldest first; the month chosen earlier is not applied to this list.
        ClickTab(w, 0);
        QCOMPARE(w->frame[1]->title(), QStringLiteral("Current Employees - Seniority (by Age)"));
        QCOMPARE(w->grid->TextMatrix(0, 1), QStringLiteral("Date of Birth"));
        QCOMPARE(w->grid->TextMatrix(0, 2), QStringLiteral("Current Age"));
        QCOMPARE(GridRows(w->grid), QStringList({u"Adams, Bob|02/02/1970|56|2|19700202"_s,
                                             u"Miller, Ann|12/24/1985|40|3|19851224"_s,
                                             u"Young, Zoe|05/01/1990|36|1|19900501"_s}));
        QVERIFY(!w->grid->ColIsVisible(3) && !w->grid->ColIsVisible(4));
        QCOMPARE(w->grid->ColSel(), 4);

        // Back to the alphabetical list: the alternatives return, "All" stays chosen.
        ClickTab(w, 1);
        ClickOption(w, u"optTypeList(1)"_s);
        QVERIFY(Option(w, u"optSex(3)"_s)->isEnabled() && Option(w, u"optRace(6)"_s)->isEnabled());
        QVERIFY(Option(w, u"optSex(1)"_s)->isChecked() && Option(w, u"optRace(1)"_s)->isChecked());
        QVERIFY(Option(w, u"optEmpStatus(2)"_s)->isEnabled());
        QVERIFY(!Frame(w, 8)->isHidden());
        QCOMPARE(page->comboMonth->currentText(), QStringLiteral("Mar"));
        QVERIFY(page->comboListWith->isEnabled());
        QCOMPARE(p->prompts.Asked().size(), 0);
    }

    void filtersNameTheFrameAndTheTextIsTrimmed() {
        WriteStaff(Staff);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ListOptionsPage* page = w->OptionsPage();
        ClickTab(w, 1);
        ClickOption(w, u"optRace(3)"_s);
        QTest::keyClicks(page->comboMonth, QStringLiteral("Mar"));
        // Blanks alone are nothing to look for, in the notepad or anywhere else.
        QCheckBox* chk = page->chkSearchNotepad;
        QTest::keyClicks(page->txtOther, QStringLiteral("  "));
        QVERIFY(!chk->isEnabled() && !chk->isChecked());
        QTest::keyClicks(page->txtOther, QStringLiteral("nurse "));
        QVERIFY(chk->isEnabled());
        ClickBox(chk);
        QVERIFY(chk->isChecked());
        ClickTab(w, 0);
        QCOMPARE(w->tabMain->Tab(), 0);
        QCOMPARE(w->frame[1]->title(),
                 QStringLiteral("Current Employees - Race: Black - Month Emp.: Mar - 'nurse'"));
        QCOMPARE(w->ListFrameCaption(), w->frame[1]->title());
        // "Nurse" is not "nurse": the search respects case.
        QCOMPARE(GridRows(w->grid), QStringList({u"Miller, Ann|nurse aide|*|3"_s}));
        QCOMPARE(page->txtOther->text(), QStringLiteral("nurse"));
        // Emptying the box takes the notepad search away with it.
        ClickTab(w, 1);
        page->txtOther->selectAll();
        QTest::keyClick(page->txtOther, Qt::Key_Delete);
        QVERIFY(!chk->isEnabled() && !chk->isChecked());
        ClickTab(w, 0);
        QVERIFY(NotBusy(w));
    }

    void onlyPreviousEmployees() {
        WriteStaff({Staff[3]});
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        // The only employees there are get listed from the start.
        QCOMPARE(w->frame[1]->title(), QStringLiteral("Previous Employees"));
        QCOMPARE(GridRows(w->grid), QStringList({u"Baker, Cy|Driver|*|1"_s}));
        ClickTab(w, 1);
        QVERIFY(Option(w, u"optEmpStatus(2)"_s)->isChecked());
        QVERIFY(!Option(w, u"optEmpStatus(1)"_s)->isEnabled());
        QCOMPARE(Option(w, u"optEmpStatus(1)"_s)->Caption(), QStringLiteral("Current Employees\r\n(0)"));

        // A seniority list holds current employees only: nobody, so back to the options.
        ClickOption(w, u"optTypeList(2)"_s);
        p->prompts.Answer(MsgAnswer::OK);
        ClickTab(w, 0);
        QCOMPARE(p->prompts.Asked().size(), 1);
        const Prompt& asked = p->prompts.Asked().first();
        QCOMPARE(asked.title, QStringLiteral("No match(es)"));
        QCOMPARE(asked.text, NoMatchText);
        QCOMPARE(asked.icon, MsgIcon::Critical);
        QCOMPARE(w->tabMain->Tab(), 1);
        QVERIFY(!w->grid->isVisibleTo(w) && !w->frame[2]->isVisibleTo(w));
        QVERIFY(!w->frame[1]->isEnabled() && Frame(w, 7)->isEnabled());
        QVERIFY(!w->cmdBackupRestore->isEnabled());
        QVERIFY(!w->cmdPrintList->isVisibleTo(w) && !w->cmdRemoveEmployee->isVisibleTo(w));
        QVERIFY(!w->cmdEditEntry->isVisibleTo(w));
        QVERIFY(NotBusy(w));
    }

    void noPreviousEmployeesKeepsThatChoiceOff() {
        WriteStaff({Staff[0], Staff[1]});
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        ClickTab(w, 1);
        QVERIFY(!Option(w, u"optEmpStatus(2)"_s)->isEnabled());
        QCOMPARE(Option(w, u"optEmpStatus(2)"_s)->Caption(), QStringLiteral("Previous Employees\r\n(0)"));
        // Leaving the alphabetical list and coming back must not offer an empty choice.
        ClickOption(w, u"optTypeList(4)"_s);
        ClickOption(w, u"optTypeList(1)"_s);
        QVERIFY(!Option(w, u"optEmpStatus(2)"_s)->isEnabled());
    }

    void emptyFile() {
        p->prompts.Answer(MsgAnswer::OK);
        frmMain* w = OpenMainWindow(*p, 3);
        QVERIFY(w);
        QCOMPARE(p->prompts.Asked().size(), 1);
        const Prompt& asked = p->prompts.Asked().first();
        QCOMPARE(asked.title, QStringLiteral("Database is empty"));
        QCOMPARE(asked.text, EmptyText);
        QCOMPARE(asked.icon, MsgIcon::Information);
        QVERIFY(w->EmptyFileHelpShown());
        QVERIFY(!w->tabMain->isTabEnabled(1));
        QVERIFY(!w->grid->isVisible());
        QVERIFY(w->cmdAddEmployee->isVisible() && w->cmdAddEmployee->isEnabled());
        for (QWidget* hidden :
             std::initializer_list<QWidget*>{w->cmdPrintList, w->cmdPrintUpdateForms, w->cmdRemoveEmployee,
                                             w->frame[2], w->cmdEditEntry, w->cmdPrintEntry})
            QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
        QVERIFY(NotBusy(w));
    }

    // The commands, and the age group, not offered below the "SensitiveFieldsLevel" setting.
    void commandsByAccessLevelAndListLength_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("employees");
        for (int level = 1; level <= 4; ++level)
            for (int employees = 1; employees <= 2; ++employees)
                QTest::addRow("level %d, %d listed", level, employees) << level << employees;
    }
    void commandsByAccessLevelAndListLength() {
        QFETCH(int, level);
        QFETCH(int, employees);
        WriteStaff(std::vector<StaffMember>(Staff.begin(), Staff.begin() + employees));
        if (employees == 2)
            p->SetSensitiveLevel(u"3"_s);
        frmMain* w = OpenMainWindow(*p, qint16(level));
        QVERIFY(w);
        QCOMPARE(w->grid->Rows(), employees + 1);
        QVERIFY(w->cmdAddEmployee->isVisible() && w->cmdPrintUpdateForms->isVisible());
        QVERIFY(w->cmdRemoveEmployee->isVisible() && w->frame[2]->isVisible());
        QVERIFY(w->cmdEditEntry->isVisible() && w->cmdPrintEntry->isVisible());
        QCOMPARE(w->cmdPrintList->isVisible(), employees >= 2);
        QCOMPARE(w->cmdAddEmployee->isEnabled(), level >= 3);
        QCOMPARE(w->cmdRemoveEmployee->isEnabled(), level == 4);
        QCOMPARE(w->cmdEditEntry->isEnabled(), level >= 2);

        const bool ages = employees == 1 || level >= 3;
        ClickTab(w, 1);
        QComboBox* ageGroup = w->OptionsPage()->comboAgeGroup;
        QCOMPARE(ageGroup->isEnabled(), ages);
        QCOMPARE(ageGroup->toolTip(), ages ? QString()
                                           : u" Your access level does not show years of birth, so lists by "
                                             u"age group are not offered "_s);
        QTest::keyClicks(ageGroup, u"3"_s); // Young, 36
        ClickTab(w, 0);
        QCOMPARE(w->frame[1]->title(), u"Current Employees"_s + (ages ? u" - Age Group: 30's"_s : QString()));
    }

    void rememberedRowsAfterARebuild() {
        std::vector<StaffMember> staff;
        for (int i = 1; i <= 60; ++i)
            staff.push_back(Employee(("Name" + std::to_string(1000 + i).substr(1)).c_str(), "A", "Clerk", "W",
                                     "F", {1980, 1, 1}, {2010, 1, 1}));
        WriteStaff(staff);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        const auto typeInto = [w](int box, const QString& text) {
            QLineEdit* line = w->recordPage->txtField[std::size_t(box)];
            QTest::mouseClick(line, Qt::LeftButton);
            QTest::keyClicks(line, text);
        };
        const auto save = [w] {
            QVERIFY(w->cmdAddEditSave->isEnabled());
            QTest::mouseClick(w->cmdAddEditSave, Qt::LeftButton);
            QVERIFY(!w->Editor().InInput());
        };

        // An edit leaves the list where it was: the same row current, the same row on top.
        w->grid->SetTopRow(31);
        ClickRow(w->grid, 36);
        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        typeInto(18, QStringLiteral(" II"));
        save();
        QCOMPARE(w->grid->Row(), 36);
        QCOMPARE(w->grid->TopRow(), 31);
        QCOMPARE(w->grid->ColSel(), 3);

        // A new employee's row wins, and is both current and on top.
        QTest::mouseClick(w->cmdAddEmployee, Qt::LeftButton);
        for (const auto& [box, text] :
             {std::pair(1, "A"), std::pair(3, "Name024x"), std::pair(5, "W"), std::pair(6, "F"),
              std::pair(7, "01/01/1980"), std::pair(19, "01/01/2010")})
            typeInto(box, QString::fromLatin1(text));
        save();
        QCOMPARE(w->grid->Row(), 25);
        QCOMPARE(w->grid->TopRow(), 25);
        QCOMPARE(w->grid->TextMatrix(25, 3), QStringLiteral("61"));

        // A remembered row past the end of a list that has grown shorter takes the last row: the
        // last employee edited into a previous one leaves the list of current ones.
        ClickRow(w->grid, 1);
        w->grid->SetTopRow(55);
        ClickRow(w->grid, 61);
        QTest::mouseClick(w->cmdEditEntry, Qt::LeftButton);
        ClickBox(w->recordPage->optStatus[2]);
        p->prompts.Answer(MsgAnswer::Yes).AnswerInput(QStringLiteral("12/01/2026"));
        save();
        QCOMPARE(w->grid->Rows(), 61);
        QCOMPARE(w->grid->Row(), 60);
        QCOMPARE(p->prompts.Pending(), 0);
    }

    void fieldTextsComeThroughAsTheyAre() {
        std::vector<StaffMember> staff = {Staff[0]};
        staff[0].title = u"R&D\tLead"_s;
        WriteStaff(staff);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        // A tab inside a field does not shift the record number out of column 3.
        QCOMPARE(GridRows(w->grid), QStringList({u"Young, Zoe|R&D\tLead|*|1"_s}));
        // The frame shows a look-for text with "&" as typed.
        ClickTab(w, 1);
        QTest::keyClicks(w->OptionsPage()->txtOther, u"R&D"_s);
        ClickTab(w, 0);
        QCOMPARE(w->ListFrameCaption(), u"Current Employees - 'R&D'"_s);
        QCOMPARE(w->frame[1]->title(), u"Current Employees - 'R&&D'"_s);
    }

    void nobodyListableAtTheFirstActivation() {
        // A negative inactivation date: counted as a previous employee, listed as neither.
        std::vector<StaffMember> staff = {Staff[1]};
        staff[0].inactivated = QDate(1899, 12, 25); // -5
        WriteStaff(staff);
        p->prompts.Answer(MsgAnswer::OK);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QCOMPARE(p->prompts.Asked().size(), 1);
        QCOMPARE(p->prompts.Asked().first().title, QStringLiteral("No match(es)"));
        QCOMPARE(w->tabMain->Tab(), 1);
        QVERIFY(Option(w, u"optEmpStatus(2)"_s)->isChecked());
        // The options were prepared twice before the activation ended, and filled once.
        QCOMPARE(w->OptionsPage()->comboYear->count(), 62);
        QCOMPARE(w->OptionsPage()->comboMonth->count(), 13);
        QCOMPARE(w->OptionsPage()->comboAgeGroup->count(), 9);
        QCOMPARE(w->OptionsPage()->comboListWith->currentText(), QStringLiteral("Job Title"));
    }

    void unreadableFileIsReported() {
        QVERIFY(QDir().mkdir(QStringLiteral("Rosterly.Data"))); // a folder where the file should be
        p->prompts.Answer(MsgAnswer::OK).Answer(MsgAnswer::OK);
        frmMain* w = OpenMainWindow(*p);
        QVERIFY(w);
        QCOMPARE(p->prompts.Asked().size(), 2); // the counts, then the list
        for (const Prompt& asked : p->prompts.Asked()) {
            QCOMPARE(asked.title, QStringLiteral("File Error"));
            QCOMPARE(asked.icon, MsgIcon::Critical);
            QVERIFY(!asked.text.isEmpty());
        }
        QVERIFY(!w->grid->isVisible() && !w->cmdPrintList->isVisible());
        QVERIFY(NotBusy(w));
    }
};

QTEST_MAIN(TestListWindow)
#include "tst_listwindow.moc"
