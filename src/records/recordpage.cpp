#include "records/recordpage.h"

#include "core/programstate.h"
#include "core/sensitivelevel.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/entryrules.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "data/sensitive.h"
#include "data/userlist.h"
#include "records/picturebox.h"
#include "settings/settingsstore.h"
#include "ui/boxcolor.h"
#include "ui/focusorder.h"
#include "ui/links.h"
#include "ui/memobox.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "ui/spoken.h"
#include "ui/tabcontrol.h"
#include "ui/twips.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QToolTip>

namespace {
const QColor Yellow(255, 255, 0);
const QColor Cyan(0, 255, 255);
// A box that cannot be changed while the others can: grey, as the options page shows what does not apply.
const QColor LockedGrey(192, 192, 192);
const QColor RequiredRed(192, 0, 0);

constexpr int LabelHeight = 240;

void SetForeColor(QLabel* label, const QColor& color) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

// "(n)" as the years labels show it.
QString Years(qint16 years) {
    return QStringLiteral("(") + QString::number(years) + QStringLiteral(")");
}

constexpr int BirthBox = BoxOfField(PersonnelField::DateOfBirth);
constexpr int SsnBox = BoxOfField(PersonnelField::SocialSecurityNumber);
constexpr int EmploymentBox = BoxOfField(PersonnelField::DateOfEmployment);
constexpr int JobTitleDateBox = BoxOfField(PersonnelField::DateOfJobTitle);
constexpr int InactivationBox = BoxOfField(PersonnelField::InactivationDate);
constexpr int AddressBox = BoxOfField(PersonnelField::StreetAddress);
constexpr int EmailBox = BoxOfField(PersonnelField::Email);

// The box that shows `field`; the first box for a fault that names none.
int BoxOf(PersonnelField field) {
    const int box = BoxOfField(field);
    return box != 0 ? box : 1;
}

// A key that types, deletes or pastes in a box, not one that moves or copies.
bool WouldChange(const QKeyEvent& key) {
    if (key.matches(QKeySequence::Paste) || key.matches(QKeySequence::Cut) ||
        key.key() == Qt::Key_Backspace || key.key() == Qt::Key_Delete)
        return true;
    return !key.text().isEmpty() && key.text()[0].isPrint();
}

bool IsDateText(const QString& text) {
    return ParseUserDate(TrimSpaces(text)).has_value();
}

double DateOf(const QString& text) {
    return EntryDate(text);
}

} // namespace

RecordPage::RecordPage(AppContext& ctx, WindowFade* windowFade, QWidget* parent)
    : QGroupBox(parent), m_ctx(ctx), m_windowFade(windowFade) {
    setObjectName(QStringLiteral("frame(2)"));
    BuildControls();
}

void RecordPage::BuildControls() {
    tabNameInfo = new TabControl(this);
    tabNameInfo->setObjectName(QStringLiteral("tabNameInfo"));
    const QStringList captions{QStringLiteral("Basic Info"), QStringLiteral("Address"),
                               QStringLiteral("Job Info"), QStringLiteral("Notepad"),
                               QStringLiteral("Photo")};
    OneBased<QWidget*, 5> page;
    for (int i = 0; i < 5; ++i) {
        page[std::size_t(i + 1)] = new QWidget;
        page[std::size_t(i + 1)]->setObjectName(QStringLiteral("tabNameInfoPage(%1)").arg(i));
        tabNameInfo->addTab(page[std::size_t(i + 1)], captions[i]);
    }
    PlaceTwips(tabNameInfo, 90, 240, 7920, 3660);
    connect(tabNameInfo, &TabControl::Click, this, &RecordPage::tabNameInfo_Click);

    frame3 = new QGroupBox(QStringLiteral(" In Case of Emergency "), page[1]);
    frame3->setObjectName(QStringLiteral("frame(3)"));
    PlaceTwips(frame3, 120, 2010, 7500, 900);

    const auto parentOf = [&](BoxPlace place) -> QWidget* {
        switch (place) {
        case BoxPlace::Emergency:
            return frame3;
        case BoxPlace::Address:
            return page[2];
        case BoxPlace::JobInfo:
            return page[3];
        case BoxPlace::Notepad:
            return page[4];
        case BoxPlace::Photo:
            return page[5];
        case BoxPlace::BasicInfo:
            break;
        }
        return page[1];
    };
    for (const RecordBox& d : RecordBoxes) {
        QWidget* parent = parentOf(d.place);
        auto* label = new QLabel(QString::fromLatin1(d.caption), parent);
        lblField[std::size_t(d.box)] = label;
        PlaceTwips(label, d.left, d.top, d.captionWidth, LabelHeight);
        QWidget* box;
        if (d.kind == BoxKind::Notepad) {
            auto* notepad = new MemoBox(parent);
            notepad->SetMaxLength(d.maxLength);
            notepad->setTabChangesFocus(true);
            txtNotepad = notepad;
            connect(notepad, &MemoBox::Changed, this, [this] {
                if (!m_input)
                    return;
                UpdateSpaceFull();
                emit InputChanged();
            });
            box = notepad;
        } else {
            auto* line = new QLineEdit(parent);
            line->setMaxLength(d.maxLength);
            txtField[std::size_t(d.box)] = line;
            connect(line, &QLineEdit::textChanged, this, [this] {
                if (m_input)
                    emit InputChanged();
            });
            box = line;
        }
        PlaceTwips(box, d.left, d.top + LabelHeight, d.width, d.height);
        // The emergency boxes' captions say whose only inside their frame.
        NameForScreenReader(box, d.field == PersonnelField::EmergencyName
                                     ? QStringLiteral("Emergency Name")
                                     : QString::fromLatin1(d.caption));
    }

    imgNotePad = new QLabel(page[4]);
    imgNotePad->setObjectName(QStringLiteral("imgNotePad"));
    imgNotePad->setPixmap(style()->standardIcon(QStyle::SP_FileDialogContentsView).pixmap(16, 16));
    PlaceTwips(imgNotePad, 2160, 60, 360, 300);
    lblSpaceFull = new QLabel(page[4]);
    lblSpaceFull->setObjectName(QStringLiteral("lblSpaceFull"));
    lblSpaceFull->setAlignment(Qt::AlignCenter);
    lblSpaceFull->hide();
    PlaceTwips(lblSpaceFull, 6180, 90, 1500, 255);

    for (int i = 1; i <= BoxCount; ++i) {
        lblField[std::size_t(i)]->setObjectName(QStringLiteral("lblField(%1)").arg(i));
        QWidget* box = Box(i);
        box->setObjectName(QStringLiteral("txtField(%1)").arg(i));
        box->setMouseTracking(true);
        box->installEventFilter(this);
        SetBoxColor(box, Cyan);
    }

    lblYearsDOB = new QLabel(page[1]);
    PlaceTwips(lblYearsDOB, 3330, 1650, 560, LabelHeight);
    lblYearsDOE = new QLabel(page[3]);
    PlaceTwips(lblYearsDOE, 1650, 1470, 560, LabelHeight);
    lblYearsDOT = new QLabel(page[3]);
    PlaceTwips(lblYearsDOT, 4170, 1470, 560, LabelHeight);
    lblYearsDOI = new QLabel(page[3]);
    PlaceTwips(lblYearsDOI, 6690, 1470, 560, LabelHeight);
    const std::pair<QLabel*, const char*> years[] = {{lblYearsDOB, "lblYearsDOB"},
                                                     {lblYearsDOE, "lblYearsDOE"},
                                                     {lblYearsDOT, "lblYearsDOT"},
                                                     {lblYearsDOI, "lblYearsDOI"}};
    for (const auto& [label, name] : years) {
        label->setObjectName(QString::fromLatin1(name));
        label->setText(QStringLiteral("(xx)"));
    }

    for (int i = 1; i <= 2; ++i) {
        lblDataInfo[std::size_t(i)] = new QLabel(page[1]);
        lblDataInfo[std::size_t(i)]->setObjectName(QStringLiteral("lblDataInfo(%1)").arg(i));
        PlaceTwips(lblDataInfo[std::size_t(i)], i == 1 ? 120 : 3840, 2955, 3660, LabelHeight);
    }

    optStatus[1] = new QRadioButton(QStringLiteral("Current Employee"), page[3]);
    optStatus[2] = new QRadioButton(QStringLiteral("Previous Employee"), page[3]);
    for (int i = 1; i <= 2; ++i) {
        QRadioButton* option = optStatus[std::size_t(i)];
        option->setObjectName(QStringLiteral("optStatus(%1)").arg(i));
        PlaceTwips(option, i == 1 ? 120 : 2640, 120, 2280, 285);
        connect(option, &QRadioButton::clicked, this, [this] {
            if (m_input)
                emit StatusClicked();
        });
    }

    // The status stands above the job's boxes.
    OrderFocus({optStatus[1], optStatus[2], page[3]});

    cmdPrintLabel = new OrvicButton(QStringLiteral("cmdPrintLabel"), page[2]);
    // Alt+P belongs to "Print this Info", which stands beside this tab.
    cmdPrintLabel->SetCaption(QStringLiteral("Print an") + CrLf + QStringLiteral("Address &Label..."));
    PlaceTwips(cmdPrintLabel, 5400, 300, 2040, 600);
    cmdEmail = new OrvicButton(QStringLiteral("cmdEmail"), page[2]);
    cmdEmail->SetCaption(QStringLiteral("Send Email..."));
    PlaceTwips(cmdEmail, 3600, 2310, 1500, 360);
    connect(cmdEmail, &QPushButton::clicked, this, &RecordPage::cmdEmail_Click);

    imgPicture = new PictureBox(page[5]);
    imgPicture->setObjectName(QStringLiteral("imgPicture"));
    PlaceTwips(imgPicture, 120, 120, FrameWidth, FrameHeight);
    lblPicture = new QLabel(QStringLiteral("Picture Frame"), page[5]);
    lblPicture->setObjectName(QStringLiteral("lblPicture"));
    lblPicture->setAlignment(Qt::AlignCenter);
    lblPicture->setFrameShape(QFrame::Box);
    PlaceTwips(lblPicture, 120, 120, FrameWidth, FrameHeight);
    lblPicture->lower();
    const std::pair<const char*, const char*> pictureButtons[] = {
        {"cmdPicAddEdit(1)", "Add a Picture"},
        {"cmdPicAddEdit(2)", "Edit this Picture"},
        {"cmdPicPrint", "View/Print this Picture"},
        {"cmdPicDelete", "Delete this Picture"},
    };
    OneBased<OrvicButton*, 4> picture;
    for (int i = 1; i <= 4; ++i) {
        picture[std::size_t(i)] = new OrvicButton(QString::fromLatin1(pictureButtons[i - 1].first), page[5]);
        picture[std::size_t(i)]->SetCaption(QString::fromLatin1(pictureButtons[i - 1].second));
    }
    cmdPicAddEdit[1] = picture[1];
    cmdPicAddEdit[2] = picture[2];
    cmdPicPrint = picture[3];
    cmdPicDelete = picture[4];
    PlaceTwips(cmdPicAddEdit[1], 3840, 120, 2400, 480);
    PlaceTwips(cmdPicAddEdit[2], 3840, 120, 2400, 480);
    PlaceTwips(cmdPicPrint, 3840, 720, 2400, 480);
    PlaceTwips(cmdPicDelete, 3840, 1320, 2400, 480);
    for (int i = 1; i <= 2; ++i)
        connect(cmdPicAddEdit[std::size_t(i)], &QPushButton::clicked, this, &RecordPage::cmdPicAddEdit_Click);
    connect(cmdPicPrint, &QPushButton::clicked, this, &RecordPage::cmdPicPrint_Click);
    connect(cmdPicDelete, &QPushButton::clicked, this, &RecordPage::cmdPicDelete_Click);
    for (int i = 2; i <= 4; ++i)
        picture[std::size_t(i)]->hide();
    cmdPrintLabel->hide();
    cmdEmail->hide();

    for (int i = 1; i <= BoxCount; ++i) {
        if (i == NotepadBox)
            txtNotepad->setReadOnly(true);
        else
            txtField[std::size_t(i)]->setReadOnly(true);
    }
    tabNameInfo->SetTab(0);
}

QWidget* RecordPage::Box(int n) const {
    return n == NotepadBox ? static_cast<QWidget*>(txtNotepad) : txtField[std::size_t(n)];
}

QString RecordPage::FieldText(int n) const {
    return n == NotepadBox ? static_cast<MemoBox*>(txtNotepad)->Text() : txtField[std::size_t(n)]->text();
}

void RecordPage::SetFieldText(int n, const QString& text) {
    if (n == NotepadBox)
        static_cast<MemoBox*>(txtNotepad)->SetText(text);
    else
        txtField[std::size_t(n)]->setText(text);
}

void RecordPage::ShowRecord(qint32 recordNumber, const QString& heading) {
    m_recordNumber = recordNumber;
    m_heading = heading;
    PersonnelFile& file = m_ctx.personnel;
    IoStatus status = file.OpenPersonnelFileUncounted();
    if (status)
        status = file.ReadPersonnelRecord(recordNumber);
    file.ClosePersonnelFile();
    if (!ReportFileError(m_ctx.prompts, status))
        return;
    const PersonnelRecord r = file.Record();

    setTitle(QStringLiteral(" ") + TrimSpaces(r.FirstName()) + QStringLiteral(" ") +
             TrimSpaces(r.LastName()) + QStringLiteral(" "));
    lblDataInfo[1]->setText(QStringLiteral(" Record created ") +
                            FormatDate(r.DateCreated(), u"mm/dd/yyyy hh:mm:ss "));
    lblDataInfo[1]->show();
    if (r.DateModified() > 0) {
        lblDataInfo[2]->setText(QStringLiteral(" Last modified ") +
                                FormatDate(r.DateModified(), u"mm/dd/yyyy hh:mm:ss "));
        lblDataInfo[2]->show();
    } else {
        lblDataInfo[2]->hide();
    }

    for (const RecordBox& row : RecordBoxes) {
        if (row.kind != BoxKind::Date)
            SetFieldText(row.box, TrimSpaces(r.Text(row.field)));
    }

    // The setting is read each time, so that a change of it shows with the next employee.
    m_sensitiveLevel = FolderSensitiveRule(m_ctx).level;
    const SensitiveFields sensitive(m_ctx.state.CurrentAccessLevel, m_sensitiveLevel);
    // An empty field has nothing to hide, and a date of birth never set (0) tells no year.
    m_ssnMasked = sensitive.Masked() && !FieldText(SsnBox).isEmpty();
    if (m_ssnMasked)
        SetFieldText(SsnBox, sensitive.Ssn(FieldText(SsnBox)));
    const QString born = FormatDate(r.DateOfBirth(), u"mm/dd/yyyy");
    m_birthMasked = sensitive.Masked() && r.DateOfBirth() != 0 && !born.isEmpty();

    const double today = m_ctx.clock.TodayOle();
    if (m_birthMasked) {
        SetFieldText(BirthBox, sensitive.BirthDate(r.DateOfBirth()));
        // The weekday of the full date, with its month and day, would tell the year.
        Box(BirthBox)->setToolTip(QString());
        lblYearsDOB->setText(QString());
        lblYearsDOB->hide();
    } else {
        SetFieldText(BirthBox, born);
        lblYearsDOB->setText(Years(YearsBetween(r.DateOfBirth(), today, today)));
        if (!m_input)
            lblYearsDOB->show();
    }
    SetFieldText(EmploymentBox, FormatDate(r.DateOfEmployment(), u"mm/dd/yyyy"));
    // Years of service end with the inactivation.
    const double serviceEnd = r.InactivationDate() != 0 ? r.InactivationDate() : m_ctx.clock.NowOle();
    lblYearsDOE->setText(Years(YearsBetween(r.DateOfEmployment(), serviceEnd, today)));
    if (r.DateOfJobTitle() > 0) {
        SetFieldText(JobTitleDateBox, FormatDate(r.DateOfJobTitle(), u"mm/dd/yyyy"));
        lblYearsDOT->setText(Years(YearsBetween(r.DateOfJobTitle(), today, today)));
        lblYearsDOT->show();
    } else {
        SetFieldText(JobTitleDateBox, QString());
        lblYearsDOT->hide();
    }

    const bool previous = r.InactivationDate() != 0;
    optStatus[previous ? 2 : 1]->setChecked(true);
    optStatus[2]->setVisible(previous);
    optStatus[1]->setVisible(!previous);
    lblField[InactivationBox]->setVisible(previous);
    txtField[InactivationBox]->setVisible(previous);
    if (previous) {
        SetFieldText(InactivationBox, FormatDate(r.InactivationDate(), u"mm/dd/yyyy"));
        lblYearsDOI->setText(Years(YearsBetween(r.InactivationDate(), today, today)));
        lblYearsDOI->show();
    } else {
        SetFieldText(InactivationBox, QString());
        lblYearsDOI->setText(QString());
        lblYearsDOI->hide();
    }

    cmdPrintLabel->show();
    cmdPrintLabel->setEnabled(!FieldText(AddressBox).isEmpty());
    cmdEmail->show();
    cmdEmail->setEnabled(!FieldText(EmailBox).isEmpty());
    cmdEmail->setToolTip(QStringLiteral(" Send email... "));

    ResetPicture();
    const QString path = TrimSpaces(r.PictureFile());
    bool hasPicture = false;
    if (!path.isEmpty()) {
        if (imgPicture->LoadPicture(path)) {
            LayOutPicture();
            imgPicture->SetPath(path);
            hasPicture = true;
        } else {
            ReportMissingPicture(path);
            imgPicture->Clear();
            // Forget the path, so that the message comes only once.
            RewriteShownRecord([](PersonnelRecord& record) { record.SetPictureFile(QString()); });
        }
    }
    imgPicture->show();
    imgPicture->SetStretch(true);
    ShowPictureButtons(hasPicture);
}

void RecordPage::BeginInput(bool adding) {
    m_adding = adding;
    if (adding) {
        // A new employee's boxes start empty: nothing is masked.
        m_ssnMasked = false;
        m_birthMasked = false;
        lblDataInfo[1]->hide();
        lblDataInfo[2]->hide();
        cmdPrintLabel->hide();
        cmdEmail->hide();
        // A new employee is always a current one; the option shows that even when the employee
        // shown before was a previous one.
        optStatus[1]->setChecked(true);
        optStatus[1]->show();
        optStatus[2]->hide();
        txtField[InactivationBox]->hide();
        lblField[InactivationBox]->hide();
        ShowEmptyFrame();
        setTitle(QString());
    } else {
        optStatus[1]->show();
        optStatus[2]->show();
    }
    m_input = true;
    m_lblField1Tag = lblField[1]->text();
    m_maskedTip = MaskedBoxTip();
    lblField[1]->setText(m_lblField1Tag + QStringLiteral("            (red = required entry)"));
    for (int i = 1; i <= BoxCount; ++i) {
        m_boxTag[std::size_t(i)] = FieldText(i);
        if (adding)
            SetFieldText(i, QString());
        if (i == NotepadBox)
            txtNotepad->setReadOnly(false);
        else
            txtField[std::size_t(i)]->setReadOnly(IsMasked(i));
        // A masked box cannot be changed: it is grey, its caption never red, and the Tab key
        // passes it by. A click still reaches it, to say why on the first key.
        if (IsMasked(i)) {
            SetBoxColor(Box(i), LockedGrey);
            Box(i)->setToolTip(m_maskedTip);
            Box(i)->setFocusPolicy(Qt::ClickFocus);
        }
    }
    m_locked = false;
    SetRequiredCaptionsRed(true);
    for (QLabel* label : {lblYearsDOB, lblYearsDOE, lblYearsDOT, lblYearsDOI})
        label->hide();
}

void RecordPage::EndInput() {
    for (int i = 1; i <= BoxCount; ++i) {
        // The box that had the focus loses it only after input has ended: it must not stay yellow.
        SetBoxColor(Box(i), Cyan);
        if (i == NotepadBox)
            txtNotepad->setReadOnly(true);
        else
            txtField[std::size_t(i)]->setReadOnly(true);
        // Only the tip of a masked box goes: a date box keeps its weekday.
        if (Box(i)->toolTip() == m_maskedTip)
            Box(i)->setToolTip(QString());
        if (i != NotepadBox)
            txtField[std::size_t(i)]->setFocusPolicy(Qt::StrongFocus); // a line box's own
    }
    m_locked = true;
    m_input = false;
    m_adding = false;
    lblField[1]->setText(m_lblField1Tag);
    lblYearsDOB->setVisible(!m_birthMasked);
    lblYearsDOE->show();
    SetRequiredCaptionsRed(false);
    lblSpaceFull->hide();
}

bool RecordPage::IsMasked(int n) const {
    return (n == SsnBox && m_ssnMasked) || (n == BirthBox && m_birthMasked);
}

QString RecordPage::MaskedBoxTip() const {
    return QStringLiteral(" Shown in full and changed only from the '") +
           AccessLevelName(qint16(m_sensitiveLevel)) + QStringLiteral("' access level up ");
}

void RecordPage::SetRequiredCaptionsRed(bool red) {
    // A masked box is not the user's to fill in: its caption stays as outside input.
    const QColor normal = palette().color(QPalette::ButtonText);
    for (int box : RequiredBoxes)
        SetForeColor(lblField[std::size_t(box)], red && !IsMasked(box) ? RequiredRed : normal);
}

void RecordPage::FocusFirstBox(bool editing) {
    int first = 0;
    switch (tabNameInfo->Tab()) {
    case 0:
        first = FirstBoxIn(BoxPlace::BasicInfo);
        break;
    case 1:
        first = FirstBoxIn(BoxPlace::Address);
        break;
    case 2:
        first = editing ? EmploymentBox : FirstBoxIn(BoxPlace::JobInfo);
        break;
    case 3:
        first = FirstBoxIn(BoxPlace::Notepad);
        break;
    default:
        return;
    }
    QWidget* box = Box(first);
    // The box may have the focus already (it came to it when the list was hidden, before the
    // input began): it is the input's box all the same.
    if (box->hasFocus() && m_input && !IsMasked(first))
        SetBoxColor(box, Yellow);
    box->setFocus();
}

void RecordPage::tabNameInfo_Click() {
    if (!m_locked)
        FocusFirstBox(false);
}

bool RecordPage::RequiredBoxesFilled() const {
    for (int box : RequiredBoxes) {
        if (TrimSpaces(FieldText(box)).isEmpty())
            return false;
    }
    return true;
}

void RecordPage::UpdateSpaceFull() {
    ShowSpaceFull(lblSpaceFull, static_cast<MemoBox*>(txtNotepad)->StoredLength(), NotepadLength);
}

bool RecordPage::Validate(bool ok, const QString& message) {
    if (!ok)
        m_ctx.prompts.MsgBox(message, MsgButtons::OKOnly, MsgIcon::Critical, QStringLiteral("Error"));
    return ok;
}

QString RecordPage::BoxCaption(int n) const {
    // Box 1's caption carries the note about the red captions while input lasts.
    return n == 1 && m_input ? m_lblField1Tag : lblField[std::size_t(n)]->text();
}

QString RecordPage::BoxInMessage(int n) const {
    QString named = QStringLiteral("'") + BoxCaption(n) + QStringLiteral("' box");
    if (frame3->isAncestorOf(Box(n)))
        named += QStringLiteral(" under '") + frame3->title().trimmed() + QStringLiteral("'");
    return named;
}

void RecordPage::ShowBox(int n) {
    QWidget* box = Box(n);
    for (int tab = 0; tab < tabNameInfo->count(); ++tab) {
        if (tabNameInfo->widget(tab)->isAncestorOf(box))
            tabNameInfo->SetTab(tab);
    }
    box->setFocus();
}

bool RecordPage::ValidateEntry(bool editing) {
    // A character the code page has no byte for would be stored as '?': the text the user typed
    // would be lost without a word.
    for (const RecordBox& row : RecordBoxes) {
        const bool checked = row.kind != BoxKind::Date && !IsMasked(row.box);
        const QString c = checked ? FirstUnstorable(FieldText(row.box)) : QString();
        if (c.isEmpty())
            continue;
        Validate(false, QStringLiteral("The ") + BoxInMessage(row.box) + QStringLiteral(" holds ") +
                            CharacterName(c) + QStringLiteral(",") + CrLf +
                            QStringLiteral("which can't be stored.") + CrLf + CrLf +
                            QStringLiteral("Please leave it out or replace it."));
        ShowBox(row.box);
        return false;
    }

    EntryFields entry;
    entry.names = {FieldText(PersonnelField::FirstName), FieldText(PersonnelField::MiddleName),
                   FieldText(PersonnelField::LastName), FieldText(PersonnelField::Suffix)};
    entry.race = FieldText(PersonnelField::Race);
    entry.sex = FieldText(PersonnelField::Sex);
    entry.dateOfBirth = FieldText(PersonnelField::DateOfBirth);
    entry.socialSecurityNumber = FieldText(PersonnelField::SocialSecurityNumber);
    entry.dateOfEmployment = FieldText(PersonnelField::DateOfEmployment);
    entry.dateOfJobTitle = FieldText(PersonnelField::DateOfJobTitle);
    entry.inactivationDate = FieldText(PersonnelField::InactivationDate);
    entry.dateOfBirthKept = IsMasked(BirthBox);
    entry.socialSecurityNumberKept = IsMasked(SsnBox);
    const EntryCheck check = CheckEntry(entry, editing);

    // The race and the sex show as they were checked, as far as the checks got.
    const bool raceReached = check.fault != EntryFault::RemovedMarker && check.fault != EntryFault::NameLine;
    if (raceReached)
        SetFieldText(BoxOfField(PersonnelField::Race), entry.race);
    if (raceReached && check.fault != EntryFault::Race)
        SetFieldText(BoxOfField(PersonnelField::Sex), entry.sex);

    const int box = BoxOf(check.field);
    QString message;
    switch (check.fault) {
    case EntryFault::None:
        return true;
    case EntryFault::RemovedMarker:
        message = QStringLiteral("'") + QString::fromLatin1(RemovedMarker) +
                  QStringLiteral("' can't be used as a 'First Name'.") + CrLf + CrLf +
                  QStringLiteral("The program uses it to mark records") + CrLf +
                  QStringLiteral("that are being removed from the file.");
        break;
    case EntryFault::NameLine:
        message = QStringLiteral("A '") + BoxCaption(box) +
                  QStringLiteral("' can't hold a tab or a line break.") + CrLf + CrLf +
                  QStringLiteral("Please type the name on one line.");
        break;
    case EntryFault::Race:
        message = QStringLiteral("Check the 'Race' designation") + CrLf + CrLf +
                  QStringLiteral("(Use 'W', 'B', 'H', 'A', or 'O' only)") + CrLf + CrLf +
                  QStringLiteral("See the Help Section") + CrLf +
                  QStringLiteral("'Important Program Notes'") + CrLf +
                  QStringLiteral("for more information.");
        break;
    case EntryFault::Sex:
        message = QStringLiteral("Check the 'Sex' designation") + CrLf + CrLf +
                  QStringLiteral("(Use 'M' or 'F' only)");
        break;
    case EntryFault::DateOfBirth:
        message = QStringLiteral("Invalid 'Date of Birth' Entry");
        break;
    case EntryFault::SocialSecurityNumber:
        message = QStringLiteral("Check the Social Security entry") + CrLf + CrLf +
                  QStringLiteral("(Use a '123-45-6789' format)");
        break;
    case EntryFault::DateOfEmployment:
        message = QStringLiteral("Invalid 'Date of Employment' Entry");
        break;
    case EntryFault::DateOfJobTitle:
        message = QStringLiteral("Invalid 'Date of Job Title' Entry");
        break;
    case EntryFault::InactivationDate:
        message = QStringLiteral("Invalid 'Inactivation Date' Entry");
        break;
    }
    // The boxes stay as they are; the view moves to the one at fault, so that it can be corrected.
    Validate(false, message);
    ShowBox(box);
    return false;
}

void RecordPage::StoreInto(PersonnelRecord& r) const {
    // A masked box holds the mask, not the field: the record keeps what it has.
    for (const RecordBox& row : RecordBoxes) {
        if (row.kind != BoxKind::Date && !IsMasked(row.box))
            r.SetText(row.field, TrimSpaces(FieldText(row.box)));
    }
    // Typed dates go through the same reader as the checks, so what passed is what is stored.
    if (!IsMasked(BirthBox))
        r.SetDateOfBirth(DateOf(FieldText(BirthBox)));
    r.SetDateOfEmployment(DateOf(FieldText(EmploymentBox)));
    r.SetDateOfJobTitle(
        TrimSpaces(FieldText(JobTitleDateBox)).isEmpty() ? 0.0 : DateOf(FieldText(JobTitleDateBox)));
    r.SetPictureFile(imgPicture->Path());
}

double RecordPage::TypedDate(int n) const {
    return DateOf(FieldText(n));
}

bool RecordPage::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 1; i <= BoxCount; ++i) {
        QWidget* box = Box(i);
        if (watched != box)
            continue;
        switch (event->type()) {
        case QEvent::FocusIn:
            if (m_input && IsMasked(i))
                m_maskedTold = false;
            else if (m_input)
                SetBoxColor(box, Yellow);
            break;
        case QEvent::KeyPress:
            if (m_input && IsMasked(i) && !m_maskedTold && WouldChange(*static_cast<QKeyEvent*>(event))) {
                // Said once for each visit to the box, where the box is.
                m_maskedTold = true;
                QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())), m_maskedTip, box);
            }
            break;
        case QEvent::FocusOut:
            if (m_input)
                SetBoxColor(box, IsMasked(i) ? LockedGrey : Cyan);
            break;
        case QEvent::MouseMove:
            txtField_MouseMove(i);
            break;
        default:
            break;
        }
        break;
    }
    return QGroupBox::eventFilter(watched, event);
}

void RecordPage::txtField_MouseMove(int n) {
    if (m_input)
        return;
    QWidget* box = Box(n);
    if (!m_locked) {
        box->setToolTip(QString());
        return;
    }
    if (IsDateBox(n) && !IsMasked(n)) {
        const QString text = FieldText(n);
        if (!text.isEmpty() && IsDateText(text))
            box->setToolTip(FormatDate(DateOf(text), u"DDDD"));
    }
}

void RecordPage::cmdEmail_Click() {
    OpenLink(LinkKind::Mail, this, TrimSpaces(FieldText(EmailBox)), m_ctx.prompts);
}
