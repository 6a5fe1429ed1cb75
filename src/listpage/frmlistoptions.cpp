#include "listpage/frmlistoptions.h"

#include "core/programstate.h"
#include "core/sensitivelevel.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "settings/settingsstore.h"
#include "ui/prompts.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {
const QColor Yellow(255, 255, 0);
const QColor LightGrey(192, 192, 192);

// Design geometry in twips, relative to the parent.
void Place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsToPixelsX(left, w), TwipsToPixelsY(top, w), TwipsToPixelsX(width, w),
                   TwipsToPixelsY(height, w));
}

constexpr int OptionHeight = 285;
constexpr int TwoLineOptionHeight = 510;
constexpr int ComboHeight = 315;
constexpr int RowStep = 420; // option rows and label rows inside a frame
constexpr int FirstRowTop = 330;
constexpr int Inset = 240;

QGroupBox* MakeFrame(int index, const QString& caption, QWidget* parent) {
    auto* f = new QGroupBox(caption, parent);
    f->setObjectName(QStringLiteral("frame(%1)").arg(index));
    return f;
}

QComboBox* MakeCombo(const QString& name, QWidget* parent) {
    // List-only: the list compares the combo texts exactly with formatted dates and ages, so a
    // typed text could only filter by accident.
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->setEditable(false);
    c->setMaxVisibleItems(14);
    return c;
}

void SetComboBackColor(QComboBox* combo, const QColor& color) {
    QPalette p = combo->palette();
    p.setColor(QPalette::Button, color);
    p.setColor(QPalette::Base, color);
    combo->setPalette(p);
}

} // namespace

const QString ListOptionsPage::AgeGroupMaskedTip =
    QStringLiteral(" Your access level does not show years of birth, so lists by age group are not offered ");

OptionButton::OptionButton(const QString& objectName, const QString& caption, QWidget* parent)
    : QRadioButton(parent) {
    setObjectName(objectName);
    SetCaption(caption);
}

void OptionButton::SetCaption(const QString& caption) {
    m_caption = caption;
    setText(DisplayText(caption));
}

ListOptionsPage::ListOptionsPage(AppContext& ctx, QWidget* parent) : QWidget(parent), m_ctx(ctx) {
    BuildControls();
    // The design-time state: the alphabetical list with its options available.
    optTypeList_Click(1);
    txtOther_Change();
}

void ListOptionsPage::BuildControls() {
    frame[7] = MakeFrame(7, QStringLiteral(" Type of List "), this);
    optTypeList[1] =
        new OptionButton(QStringLiteral("optTypeList(1)"), ListTypeCaption(ListType::Alphabetical), frame[7]);
    comboListWith = MakeCombo(QStringLiteral("comboListWith"), frame[7]);
    for (int with = 0; with < ListWithCount; ++with)
        comboListWith->addItem(ListWithCaption(ListWith(with)));
    comboListWith->setCurrentIndex(-1); // chosen when the options are first prepared
    for (int i = 2; i <= 4; ++i)
        optTypeList[i] = new OptionButton(QStringLiteral("optTypeList(%1)").arg(i),
                                          ListTypeCaption(ListTypes[std::size_t(i - 1)]), frame[7]);

    frame[4] = MakeFrame(4, QStringLiteral(" Current or Previous Employees? "), this);
    optEmpStatus[1] =
        new OptionButton(QStringLiteral("optEmpStatus(1)"), QStringLiteral("Current Employees"), frame[4]);
    optEmpStatus[2] =
        new OptionButton(QStringLiteral("optEmpStatus(2)"), QStringLiteral("Previous Employees"), frame[4]);

    frame[5] = MakeFrame(5, QStringLiteral(" Sex "), this);
    for (int i = 1; i <= 3; ++i)
        optSex[i] = new OptionButton(QStringLiteral("optSex(%1)").arg(i),
                                     SexCaption(i == 1 ? 0 : SexCodes[std::size_t(i - 2)]), frame[5]);

    frame[6] = MakeFrame(6, QStringLiteral(" Race "), this);
    for (int i = 1; i <= 6; ++i)
        optRace[i] = new OptionButton(QStringLiteral("optRace(%1)").arg(i),
                                      RaceCaption(i == 1 ? 0 : RaceCodes[std::size_t(i - 2)]), frame[6]);

    frame[8] = MakeFrame(8, QStringLiteral(" Look for certain... "), this);
    for (int i = 1; i <= 4; ++i) {
        lbl[i] = new QLabel(LookForCaption(i), frame[8]);
        lbl[i]->setObjectName(QStringLiteral("lbl(%1)").arg(i));
    }
    comboMonth = MakeCombo(QStringLiteral("comboMonth"), frame[8]);
    comboYear = MakeCombo(QStringLiteral("comboYear"), frame[8]);
    comboAgeGroup = MakeCombo(QStringLiteral("comboAgeGroup"), frame[8]);
    txtOther = new QLineEdit(frame[8]);
    txtOther->setObjectName(QStringLiteral("txtOther"));
    chkSearchNotepad = new QCheckBox(QStringLiteral("Look in notepad also"), frame[8]);
    chkSearchNotepad->setObjectName(QStringLiteral("chkSearchNotepad"));
    lbl[1]->setBuddy(comboMonth);
    lbl[2]->setBuddy(comboYear);
    lbl[3]->setBuddy(comboAgeGroup);
    lbl[4]->setBuddy(txtOther);

    optTypeList[1]->setChecked(true);
    optEmpStatus[1]->setChecked(true);
    optSex[1]->setChecked(true);
    optRace[1]->setChecked(true);

    // Geometry: the type of list and the status side by side under the heading, the sex, race
    // and look-for frames in a row below them.
    constexpr int Left = 200;
    constexpr int RightLeft = 5700;
    constexpr int TopRow = 600;
    constexpr int TopRowHeight = 2200;
    constexpr int SecondRow = TopRow + TopRowHeight + 240;
    constexpr int SecondRowHeight = 3000;
    Place(frame[7], Left, TopRow, 5300, TopRowHeight);
    Place(optTypeList[1], Inset, FirstRowTop + 15, 2700, OptionHeight);
    Place(comboListWith, Inset + 2750, FirstRowTop, 2100, ComboHeight);
    for (int i = 2; i <= 4; ++i)
        Place(optTypeList[i], Inset, FirstRowTop + 15 + (i - 1) * RowStep, 4800, OptionHeight);

    Place(frame[4], RightLeft, TopRow, 4200, TopRowHeight);
    Place(optEmpStatus[1], Inset + 60, FirstRowTop + 150, 3600, TwoLineOptionHeight);
    Place(optEmpStatus[2], Inset + 60, FirstRowTop + 150 + 2 * RowStep, 3600, TwoLineOptionHeight);

    Place(frame[5], Left, SecondRow, 1500, SecondRowHeight);
    for (int i = 1; i <= 3; ++i)
        Place(optSex[i], Inset, FirstRowTop + 15 + (i - 1) * RowStep, 1100, OptionHeight);

    Place(frame[6], Left + 1500 + 180, SecondRow, 3620, SecondRowHeight);
    for (int i = 1; i <= 6; ++i)
        Place(optRace[i], Inset + (i - 1) / 3 * 1700, FirstRowTop + 15 + (i - 1) % 3 * RowStep, 1500,
              OptionHeight);

    Place(frame[8], RightLeft, SecondRow, 4200, SecondRowHeight);
    QComboBox* combos[] = {comboMonth, comboYear, comboAgeGroup};
    for (int i = 1; i <= 3; ++i) {
        const int top = FirstRowTop + (i - 1) * RowStep;
        Place(lbl[i], Inset, top + 30, 1300, OptionHeight);
        Place(combos[i - 1], Inset + 1380, top, 1500, ComboHeight);
    }
    constexpr int OtherTop = FirstRowTop + 3 * RowStep + 120;
    Place(lbl[4], Inset, OtherTop, 3700, OptionHeight);
    Place(txtOther, Inset, OtherTop + OptionHeight, 3700, ComboHeight);
    Place(chkSearchNotepad, Inset, OtherTop + OptionHeight + ComboHeight + 150, 3700, OptionHeight);

    for (int i = 1; i <= 4; ++i)
        connect(optTypeList[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            // Selecting a type in code counts as choosing it, as a click does.
            if (checked)
                optTypeList_Click(i);
        });
    connect(txtOther, &QLineEdit::textChanged, this, &ListOptionsPage::txtOther_Change);
}

void ListOptionsPage::FillCombos() {
    comboListWith->setCurrentIndex(0);
    comboMonth->clear();
    // The blank first entry, no filter, is spoken as what it means.
    comboMonth->addItem(QString());
    comboMonth->setItemData(0, QStringLiteral("Any month"), Qt::AccessibleTextRole);
    for (int m = 1; m <= 12; ++m)
        comboMonth->addItem(FormatDate(DateToOle(QDate(1999, m, 2)), u"MMM"));
    comboYear->clear();
    comboYear->addItem(QString());
    comboYear->setItemData(0, QStringLiteral("Any year"), Qt::AccessibleTextRole);
    const int year = m_ctx.clock.Now().date().year();
    for (int y = year - 59; y <= year + 1; ++y)
        comboYear->addItem(QString::number(y));
    comboAgeGroup->clear();
    comboAgeGroup->addItem(QString());
    comboAgeGroup->setItemData(0, QStringLiteral("Any age"), Qt::AccessibleTextRole);
    for (int decade = 10; decade <= 80; decade += 10)
        comboAgeGroup->addItem(QString::number(decade) + QStringLiteral("'s"));
}

void ListOptionsPage::PrepareListOptions() {
    if (!m_combosFilled) {
        FillCombos();
        m_combosFilled = true;
    }
    // An age group would tell a user who sees no years of birth the decade of everyone's. The
    // setting is read each time, as the list reads it.
    const bool ages =
        !SensitiveFieldsFor(m_ctx, m_ctx.state.CurrentAccessLevel).Masked();
    const QString tip = ages ? QString() : AgeGroupMaskedTip;
    if (!ages)
        comboAgeGroup->setCurrentIndex(0);
    for (QWidget* w : {static_cast<QWidget*>(lbl[3]), static_cast<QWidget*>(comboAgeGroup)}) {
        w->setEnabled(ages);
        w->setToolTip(tip);
    }
    PersonnelFile& file = m_ctx.personnel;
    if (const IoStatus s = file.OpenPersonnelFile(); !s) {
        // The counts of the last successful open stay; the user has been told why.
        ReportFileError(m_ctx.prompts, s);
    } else {
        file.ClosePersonnelFile();
    }
    optEmpStatus[1]->setEnabled(file.CurrentCount() > 0);
    optEmpStatus[1]->SetCaption(QStringLiteral("Current Employees") + CrLf + QStringLiteral("(") +
                                QString::number(file.CurrentCount()) + QStringLiteral(")"));
    optEmpStatus[2]->setEnabled(optTypeList[1]->isChecked() && file.PreviousCount() > 0);
    optEmpStatus[2]->SetCaption(QStringLiteral("Previous Employees") + CrLf + QStringLiteral("(") +
                                QString::number(file.PreviousCount()) + QStringLiteral(")"));
    const bool current = optEmpStatus[1]->isEnabled();
    const bool previous = optEmpStatus[2]->isEnabled();
    if (previous && !current)
        optEmpStatus[2]->setChecked(true);
    else if (current && !previous)
        optEmpStatus[1]->setChecked(true);
}

void ListOptionsPage::ResetForNewEntry() {
    optEmpStatus[1]->setChecked(true);
    optRace[1]->setChecked(true);
    optSex[1]->setChecked(true);
    optTypeList[1]->setChecked(true);
    for (QComboBox* combo : {comboMonth, comboYear, comboAgeGroup})
        combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
    txtOther->clear();
}

void ListOptionsPage::optTypeList_Click(int index) {
    // Seniority and birthday lists are lists of current employees only. Back on the alphabetical
    // list, previous employees are offered only when there are some, as when the page opened.
    const bool alphabetical = optTypeList[1]->isChecked();
    optEmpStatus[2]->setEnabled(alphabetical && m_ctx.personnel.PreviousCount() > 0);
    if (!alphabetical)
        optEmpStatus[1]->setChecked(true);

    if (index == 1) {
        SetComboBackColor(comboListWith, Yellow);
        comboListWith->setEnabled(true);
        frame[5]->show();
        frame[6]->show();
        for (int i = 2; i <= 3; ++i)
            optSex[i]->setEnabled(true);
        for (int i = 2; i <= 6; ++i)
            optRace[i]->setEnabled(true);
        frame[8]->show();
    } else {
        // Month, year, age group and text keep their values; only the alphabetical list
        // applies them.
        SetComboBackColor(comboListWith, LightGrey);
        comboListWith->setEnabled(false);
        optSex[1]->setChecked(true);
        for (int i = 2; i <= 3; ++i)
            optSex[i]->setEnabled(false);
        optRace[1]->setChecked(true);
        for (int i = 2; i <= 6; ++i)
            optRace[i]->setEnabled(false);
        frame[8]->hide();
    }
}

void ListOptionsPage::txtOther_Change() {
    if (!txtOther->text().trimmed().isEmpty()) {
        chkSearchNotepad->setEnabled(true);
    } else {
        chkSearchNotepad->setChecked(false);
        chkSearchNotepad->setEnabled(false);
    }
}

ListQuery ListOptionsPage::Query() const {
    // The selected button of an option array (the first when none is).
    const auto selected = [](const auto& options) {
        for (std::size_t i = 1; i <= options.size(); ++i) {
            if (options[i]->isChecked())
                return i;
        }
        return std::size_t(1);
    };
    ListQuery q;
    q.type = ListTypes[selected(optTypeList) - 1];
    q.with = ListWith(comboListWith->currentIndex());
    // The first button of race and sex is every one.
    if (const std::size_t race = selected(optRace); race > 1)
        q.race = RaceCodes[race - 2];
    if (const std::size_t sex = selected(optSex); sex > 1)
        q.sex = SexCodes[sex - 2];
    q.status = selected(optEmpStatus) == 2 ? EmploymentStatus::Previous : EmploymentStatus::Current;
    q.month = comboMonth->currentText();
    q.year = comboYear->currentText();
    q.ageGroup = comboAgeGroup->currentText();
    q.lookFor = txtOther->text();
    q.searchNotepad = chkSearchNotepad->isChecked();
    return q;
}
