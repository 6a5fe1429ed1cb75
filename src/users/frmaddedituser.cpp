#include "users/frmaddedituser.h"

#include "core/programstate.h"
#include "data/ansitext.h"
#include "data/oledate.h"
#include "data/records.h"
#include "data/userlist.h"
#include "ui/spoken.h"
#include "ui/background.h"
#include "ui/boxcolor.h"
#include "ui/fade.h"
#include "ui/memobox.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "ui/twips.h"
#include "users/usershelpers.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>

namespace {
const QString PasswordHint = QStringLiteral("<4 to 8 chars only>");

constexpr int FormWidth = 6100;
constexpr int FormHeight = 5800;

} // namespace

frmAddEditUser::frmAddEditUser(AppContext& ctx, const QString& mode, qint16 recordNumber, OrvicButton* opener,
                               QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_mode(mode), m_recordNumber(recordNumber), m_opener(opener),
      m_fade(new WindowFade(this)) {
    setObjectName(QStringLiteral("frmAddEditUser"));
    setModal(true);
    BuildControls();

    m_ctx.state.FadeEnabled = PrepareFade(this, 0, false, m_ctx.settings, m_ctx.state.PlatformCanFade);
    setFixedSize(TwipsToPixelsX(FormWidth, this), TwipsToPixelsY(FormHeight, this));
    connect(m_fade, &WindowFade::EndAction, this, &frmAddEditUser::Unload);
}

bool frmAddEditUser::IsAddMode() const {
    return m_mode == QLatin1String(AddMode);
}

void frmAddEditUser::BuildControls() {
    const int labelLeft = 150;
    const int labelWidth = 1450;
    const int boxLeft = 1700;
    const int boxRight = boxLeft + 4250; // the comments box's right edge
    const int rowHeight = 330;

    const QString captions[5] = {QStringLiteral("* Access Level"), QStringLiteral("* First Name"),
                                 QStringLiteral("* Last Name"), QStringLiteral("* Password"),
                                 QStringLiteral("Comments")};
    for (int i = 0; i < 5; ++i) {
        lblField[std::size_t(i)] = new QLabel(captions[i], this);
        lblField[std::size_t(i)]->setObjectName(QStringLiteral("lblField(%1)").arg(i));
    }

    // Boxes and options in tab order: names, password, access level, comments, then the buttons.
    const int maxLengths[4] = {15, 20, 19, CommentsMaxLength};
    const int boxWidths[3] = {2600, 3200, 2600};
    for (int i = 1; i <= 3; ++i) {
        auto* box = new QLineEdit(this);
        box->setMaxLength(maxLengths[i - 1]);
        txtField[std::size_t(i)] = box;
        const int top = 150 + (i - 1) * 420;
        PlaceTwips(lblField[std::size_t(i)], labelLeft, top, labelWidth, rowHeight);
        PlaceTwips(box, boxLeft, top, boxWidths[i - 1], rowHeight);
        connect(box, &QLineEdit::textChanged, this, &frmAddEditUser::txtField_Change);
    }

    PlaceTwips(lblField[0], labelLeft, 1410, labelWidth, rowHeight);
    for (int i = 1; i <= 4; ++i) {
        auto* option = new QRadioButton(this);
        option->setObjectName(QStringLiteral("optAccessLevel(%1)").arg(i));
        optAccessLevel[std::size_t(i)] = option;
        // Two columns of two: the short names left, the long ones right, which run to the right
        // edge of the comments box so that the longest still has room when it is drawn bold.
        const int left = i <= 2 ? boxLeft : boxLeft + 1500;
        PlaceTwips(option, left, i % 2 == 1 ? 1410 : 1710, i <= 2 ? 1450 : boxRight - left, rowHeight - 30);
        connect(option, &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                optAccessLevel_Click(i);
        });
    }

    auto* comments = new MemoBox(this);
    comments->SetMaxLength(CommentsMaxLength);
    comments->setTabChangesFocus(true);
    comments->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    txtField[4] = comments;
    PlaceTwips(lblField[4], labelLeft, 2130, labelWidth, rowHeight);
    PlaceTwips(comments, boxLeft, 2130, boxRight - boxLeft, 1650);
    connect(comments, &MemoBox::Changed, this, &frmAddEditUser::txtComments_Change);

    for (int i = 1; i <= 4; ++i) {
        txtField[std::size_t(i)]->setObjectName(QStringLiteral("txtField(%1)").arg(i));
        NameForScreenReader(txtField[std::size_t(i)], captions[i]);
        txtField[std::size_t(i)]->installEventFilter(this);
    }

    lblSpaceFull = new QLabel(this);
    lblSpaceFull->setObjectName(QStringLiteral("lblSpaceFull"));
    lblSpaceFull->setAlignment(Qt::AlignCenter);
    lblSpaceFull->hide();
    PlaceTwips(lblSpaceFull, boxRight - 1500, 3840, 1500, 285);

    lblMandatory = new QLabel(QStringLiteral("* (Mandatory Entry)"), this);
    lblMandatory->setObjectName(QStringLiteral("lblMandatory"));
    PlaceTwips(lblMandatory, labelLeft, 3840, 2400, 285);

    lblDateCreated = new QLabel(this);
    lblDateCreated->setObjectName(QStringLiteral("lblDateCreated"));
    lblDateCreated->setFrameShape(QFrame::StyledPanel);
    lblDateCreated->setAutoFillBackground(true);
    lblDateCreated->hide();
    PlaceTwips(lblDateCreated, labelLeft, 4260, 3600, 330);

    cmdSave = new OrvicButton(QStringLiteral("cmdSave"), this);
    cmdCancel = new OrvicButton(QStringLiteral("cmdCancel"), this);
    PlaceTwips(cmdSave, FormWidth - 150 - 2 * 1500 - 90, 4740, 1500, 630);
    PlaceTwips(cmdCancel, FormWidth - 150 - 1500, 4740, 1500, 630);
    connect(cmdSave, &OrvicButton::clicked, this, &frmAddEditUser::cmdSave_Click);
    connect(cmdCancel, &OrvicButton::clicked, this, &frmAddEditUser::cmdCancel_Click);
}

QLineEdit* frmAddEditUser::LineBox(int index) const {
    return static_cast<QLineEdit*>(txtField[std::size_t(index)]);
}

MemoBox* frmAddEditUser::CommentsBox() const {
    return static_cast<MemoBox*>(txtField[4]);
}

QString frmAddEditUser::StoredComments() const {
    return CommentsBox()->Text();
}

void frmAddEditUser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Filled in before the dialog can take any input, so nothing typed meets a half-made form.
    if (!Activated && !m_loadFailed)
        Form_Activate();
}

void frmAddEditUser::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    PaintTiledBackground(this);
}

void frmAddEditUser::Form_Activate() {
    if (Activated)
        return;
    setWindowTitle(m_mode + QStringLiteral(" - ") + m_ctx.state.AppTitle);
    for (int i = 1; i <= 4; ++i)
        optAccessLevel[std::size_t(i)]->setText(AccessLevelName(qint16(i)));

    UserList list(m_ctx.io, m_ctx.state.UserListName, m_ctx.state.ScratchFileName);
    IoStatus status = list.OpenUserList();
    if (IsAddMode()) {
        if (status)
            m_recordNumber = static_cast<qint16>(list.UserCount() + 1);
        list.CloseUserList();
        // Without a count the new user could land on someone else's record.
        if (!status) {
            GiveUp(status);
            return;
        }
        cmdSave->SetCaption(QStringLiteral("&Save") + CrLf + QStringLiteral("New Entry"));
        cmdSave->setEnabled(false);
        cmdCancel->SetCaption(QStringLiteral("&Cancel") + CrLf + QStringLiteral("New Entry"));
        optAccessLevel[1]->setChecked(true);
    } else {
        cmdSave->SetCaption(QStringLiteral("&Save") + CrLf + QStringLiteral("Changes"));
        cmdSave->hide();
        cmdCancel->SetCaption(QStringLiteral("&Finished") + CrLf + QStringLiteral("Viewing"));
        if (status)
            status = list.ReadUserRecord(m_recordNumber);
        list.CloseUserList();
        if (!status) {
            GiveUp(status);
            return;
        }
        const UserRecord& u = list.Record();
        lblDateCreated->setText(QStringLiteral(" Record Created ") +
                                FormatDate(u.DateCreated(), u"mm/dd/yyyy hh:mmam/pm "));
        lblDateCreated->show();
        const qint16 level = u.AccessLevel();
        if (level >= 1 && level <= 4)
            optAccessLevel[std::size_t(level)]->setChecked(true);
        LineBox(1)->setText(TrimSpaces(u.FirstName()));
        LineBox(2)->setText(TrimSpaces(u.LastName()));
        QString stored = u.Password();
        LineBox(3)->setText(UnscramblePassword(stored));
        CommentsBox()->SetText(TrimSpaces(u.Comments()));
    }
    cmdSave->Refresh();
    cmdCancel->Refresh();
    Activated = true;
    txtField[1]->setFocus();
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 0, 255, 12, false);
}

void frmAddEditUser::GiveUp(const IoStatus& status) {
    // Still inside show(): the message and the closing wait until the dialog's own loop runs.
    m_loadFailed = true;
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        w->setEnabled(false);
    QTimer::singleShot(0, this, [this, status] {
        ReportFileError(m_ctx.prompts, status);
        done(Rejected);
    });
}

bool frmAddEditUser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        for (int i = 1; i <= 4; ++i) {
            if (watched != txtField[std::size_t(i)])
                continue;
            if (event->type() == QEvent::FocusIn) {
                m_focusByMouse = static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason;
                txtField_GotFocus(i);
            } else
                txtField_LostFocus(i);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAddEditUser::txtField_GotFocus(int index) {
    QWidget* box = txtField[std::size_t(index)];
    SetBoxColor(box, IsAddMode() ? QColor(255, 255, 0) : QColor(255, 192, 255));
    if (index == 3 && LineBox(3)->text().isEmpty())
        LineBox(3)->setText(PasswordHint);
    const auto selectAll = [this, index] {
        if (index == 4)
            CommentsBox()->selectAll();
        else
            LineBox(index)->selectAll();
    };
    selectAll();
    // A click places the caret after the focus has arrived; select again once it has.
    if (m_focusByMouse)
        QTimer::singleShot(0, txtField[std::size_t(index)], selectAll);
}

void frmAddEditUser::txtField_LostFocus(int index) {
    SetBoxColor(txtField[std::size_t(index)], QColor(0, 255, 255));
}

void frmAddEditUser::txtField_Change() {
    if (Activated)
        CheckComplete();
}

void frmAddEditUser::txtComments_Change() {
    ShowSpaceFull(lblSpaceFull, CommentsBox()->StoredLength(), CommentsMaxLength);
    if (Activated)
        CheckComplete();
}

void frmAddEditUser::optAccessLevel_Click(int index) {
    m_accessLevel = static_cast<qint16>(index);
    for (int i = 1; i <= 4; ++i) {
        QRadioButton* option = optAccessLevel[std::size_t(i)];
        QFont font = option->font();
        font.setBold(i == index);
        option->setFont(font);
        QPalette p = option->palette();
        p.setColor(QPalette::WindowText, i == index ? QColor(0, 0, 64) : QColor(0, 0, 128));
        option->setPalette(p);
    }
    if (Activated && !IsAddMode())
        CheckComplete();
}

void frmAddEditUser::CheckComplete() {
    const bool complete = !TrimSpaces(LineBox(1)->text()).isEmpty() &&
                          !TrimSpaces(LineBox(2)->text()).isEmpty() &&
                          !TrimSpaces(LineBox(3)->text()).isEmpty();
    if (!cmdSave->isHidden())
        cmdSave->setEnabled(complete);
    else
        cmdSave->setVisible(complete);
    if (!IsAddMode())
        cmdCancel->SetCaption(QStringLiteral("&Cancel") + CrLf + QStringLiteral("Changes"));
}

void frmAddEditUser::cmdSave_Click() {
    // The removal mark as a first name would hide the user from the list at once and delete it
    // with the next removal: test the name as the list would store and compare it.
    UserRecord stored;
    stored.SetFirstName(TrimSpaces(LineBox(1)->text()));
    if (stored.IsMarkedRemoved()) {
        m_ctx.prompts.MsgBox(QStringLiteral("'") + QString::fromLatin1(RemovedMarker) +
                                 QStringLiteral("' can't be used as a 'First Name'.") + CrLf + CrLf +
                                 QStringLiteral("The program uses it to mark users") + CrLf +
                                 QStringLiteral("that are being removed from the list."),
                             MsgButtons::OKOnly, MsgIcon::Exclamation, QStringLiteral("Invalid Name Entry"));
        LineBox(1)->setFocus();
        return;
    }

    // A name is one line: a tab or a line break in it would shift the columns of the user list.
    for (int box : {1, 2}) {
        const QString name = LineBox(box)->text();
        if (name.contains(QLatin1Char('\t')) || name.contains(QLatin1Char('\r')) ||
            name.contains(QLatin1Char('\n'))) {
            m_ctx.prompts.MsgBox(QStringLiteral("A name can't hold a tab or a line break.") + CrLf + CrLf +
                                     QStringLiteral("Please type the name on one line."),
                                 MsgButtons::OKOnly, MsgIcon::Exclamation,
                                 QStringLiteral("Invalid Name Entry"));
            LineBox(box)->setFocus();
            return;
        }
    }

    // "User.List" is Windows-1252: a character it has no byte for would be stored as '?'. It is
    // named before the password rule, which would refuse it without saying which one it is.
    const QString titles[4] = {QStringLiteral("Invalid Name Entry"), QStringLiteral("Invalid Name Entry"),
                               QStringLiteral("Invalid Password Entry"),
                               QStringLiteral("Invalid Comments Entry")};
    for (int box = 1; box <= 4; ++box) {
        const QString c = FirstUnstorable(box == 4 ? StoredComments() : LineBox(box)->text());
        if (c.isEmpty())
            continue;
        QString caption = lblField[std::size_t(box)]->text();
        caption.remove(QStringLiteral("* "));
        m_ctx.prompts.MsgBox(QStringLiteral("The '") + caption + QStringLiteral("' box holds ") +
                                 CharacterName(c) + QStringLiteral(",") + CrLf +
                                 QStringLiteral("which can't be stored.") + CrLf + CrLf +
                                 QStringLiteral("Please leave it out or replace it."),
                             MsgButtons::OKOnly, MsgIcon::Exclamation, titles[box - 1]);
        txtField[std::size_t(box)]->setFocus();
        return;
    }

    QString password = LineBox(3)->text();
    if (!IsValidPassword(password)) {
        m_ctx.prompts.MsgBox(
            QStringLiteral("The password must be") + CrLf + QStringLiteral("4 to 8 characters, using") +
                CrLf + QStringLiteral("letters and numbers only."),
            MsgButtons::OKOnly, MsgIcon::Exclamation, QStringLiteral("Invalid Password Entry"));
        LineBox(3)->setFocus();
        return;
    }

    UserList list(m_ctx.io, m_ctx.state.UserListName, m_ctx.state.ScratchFileName);
    IoStatus status = list.OpenUserList();
    if (status)
        status = list.ReadUserRecord(m_recordNumber);
    if (status) {
        UserRecord& u = list.Record();
        if (IsAddMode())
            u.SetDateCreated(m_ctx.clock.NowOle());
        u.SetFirstName(TrimSpaces(LineBox(1)->text()));
        u.SetLastName(TrimSpaces(LineBox(2)->text()));
        u.SetPassword(ScramblePassword(password));
        u.SetAccessLevel(m_accessLevel);
        u.SetComments(TrimSpaces(StoredComments()));
        status = list.WriteUserRecord(m_recordNumber);
    }
    list.CloseUserList();
    // Nothing was saved: the dialog stays open with the entry, so it can be tried again.
    if (!ReportFileError(m_ctx.prompts, status))
        return;

    m_saved = true;
    m_savedSortKey = UserSortKey(list.Record());
    if (m_opener)
        m_opener->Tag = QStringLiteral("Update");
    cmdCancel_Click();
}

void frmAddEditUser::cmdCancel_Click() {
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 255, 0, 12, true, [this] { Unload(); });
}

void frmAddEditUser::reject() {
    if (m_loadFailed || !Activated)
        done(Rejected);
    else if (!m_fade->IsFading())
        cmdCancel_Click();
}

void frmAddEditUser::Unload() {
    done(m_saved ? Accepted : Rejected);
}
