#include "records/recordeditor.h"

#include "core/programstate.h"
#include "core/version.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "print/employeereport.h"
#include "records/recordpage.h"
#include "ui/busywindow.h"
#include "ui/fade.h"
#include "ui/prompts.h"

#include <QLabel>
#include <QRadioButton>

RecordEditor::RecordEditor(AppContext& ctx, RecordPage& page) : m_ctx(ctx), m_page(page) {}

void RecordEditor::BeginAdding() {
    m_mode = Mode::Adding;
    m_oldStatus = 0;
}

void RecordEditor::BeginEditing() {
    m_mode = Mode::Editing;
    m_oldStatus = m_page.optStatus[1]->isChecked() ? 1 : 2;
}

void RecordEditor::End() {
    m_mode = Mode::None;
    m_oldStatus = 0;
}

bool RecordEditor::Validate() const {
    return m_page.ValidateEntry(IsEditing());
}

bool RecordEditor::AskInactivationDate(double* date) {
    const QString proposed = FormatDate(m_ctx.clock.TodayOle(), u"mm/dd/yyyy");
    for (;;) {
        const QString answer = m_ctx.prompts.InputBox(QStringLiteral("Enter the date of") + CrLf +
                                                          QStringLiteral("INactivation for this employee..."),
                                                      QStringLiteral("Inactivation Date"), proposed);
        if (answer.isEmpty())
            return false;
        if (const std::optional<QDate> d = ParseUserDate(answer)) {
            *date = DateToOle(*d);
            return true;
        }
    }
}

qint32 RecordEditor::Store() {
    if (!InInput())
        return 0;
    bool inactivating = false;
    bool reactivating = false;
    double newInactivationDate = 0;
    if (IsEditing()) {
        const QString question = QStringLiteral("You have changed this employee's status") + CrLf;
        const QString askContinue = CrLf + CrLf + QStringLiteral("Do you wish to continue with this change?");
        const QString title = QStringLiteral("Confirm Employee Status Change");
        if (m_page.optStatus[2]->isChecked() && m_oldStatus == 1) {
            const MsgAnswer a = m_ctx.prompts.MsgBox(
                question + QStringLiteral("from a 'Current Employee' to a 'Previous Employee'.") +
                    askContinue,
                MsgButtons::YesNo, MsgIcon::Question, title);
            if (a == MsgAnswer::Yes)
                inactivating = AskInactivationDate(&newInactivationDate);
        }
        if (m_page.optStatus[1]->isChecked() && m_oldStatus == 2) {
            const MsgAnswer a = m_ctx.prompts.MsgBox(
                question + QStringLiteral("from a 'Previous Employee' to a 'Current Employee'.") +
                    askContinue,
                MsgButtons::YesNo, MsgIcon::Question, title);
            reactivating = a == MsgAnswer::Yes;
        }
    }

    PersonnelFile& file = m_ctx.personnel;
    IoStatus status = file.OpenPersonnelFileUncounted();
    const qint32 number = IsAdding() ? file.RecordCount() + 1 : m_page.ShownRecord();
    if (status)
        status = file.ReadPersonnelRecord(number);
    if (status) {
        PersonnelRecord& r = file.Record();
        m_page.StoreInto(r);
        if (IsAdding() || reactivating)
            r.SetInactivationDate(0);
        else if (inactivating)
            r.SetInactivationDate(newInactivationDate);
        else if (!m_page.FieldText(PersonnelField::InactivationDate).trimmed().isEmpty())
            r.SetInactivationDate(m_page.TypedDate(BoxOfField(PersonnelField::InactivationDate)));
        const double now = m_ctx.clock.NowOle();
        if (IsAdding()) {
            r.SetDateCreated(now);
            r.SetDateModified(0);
            r.SetVersionCreated(VersionCreatedStamp(ROSTERLY_VERSION_MAJOR, ROSTERLY_VERSION_MINOR));
        } else {
            r.SetDateModified(now);
        }
        status = file.WritePersonnelRecord(number);
    }
    file.ClosePersonnelFile();
    return ReportFileError(m_ctx.prompts, status) ? number : 0;
}

bool RecordEditor::Remove(QWidget* window, WindowFade* fade, qint32 recordNumber, const QString& name) {
    const bool fading = m_ctx.state.FadeEnabled && fade;
    if (fading) {
        fade->StartFade(255, 230, 2, false);
        fade->WaitForFade();
    }
    const MsgAnswer answer = m_ctx.prompts.MsgBox(
        QStringLiteral("Are your SURE you want to permanently remove") + CrLf + CrLf + name + CrLf + CrLf +
            QStringLiteral("from this personnel database?"),
        MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Confirm"), MsgDefault::Button2);
    if (fading) {
        fade->StartFade(230, 255, 2, false);
        fade->WaitForFade();
    }
    if (answer != MsgAnswer::Yes)
        return false;

    IoStatus status;
    {
        const BusyWindow busy(window);
        PersonnelFile& file = m_ctx.personnel;
        status = file.OpenPersonnelFileUncounted();
        // Marks the record and squeezes it out; on a failure the file is left as it was.
        if (status)
            status = file.RemovePersonnelRecord(recordNumber);
        file.ClosePersonnelFile();
    }
    ReportFileError(m_ctx.prompts, status);
    return true;
}

void RecordEditor::PrintReport(QWidget* window) {
    EmployeeReport report;
    for (int i = 1; i <= RecordPage::BoxCount; ++i) {
        report.text[std::size_t(i)] = m_page.FieldText(i);
        report.caption[std::size_t(i)] = m_page.lblField[std::size_t(i)]->text();
    }
    report.previousEmployee = m_page.optStatus[2]->isChecked();
    // The questions about the notepad and the photograph are about the employee the page shows,
    // read afresh: other commands may have read other employees into the shared record since.
    PersonnelFile& file = m_ctx.personnel;
    IoStatus status = file.OpenPersonnelFileUncounted();
    if (status)
        status = file.ReadPersonnelRecord(m_page.ShownRecord());
    file.ClosePersonnelFile();
    if (!ReportFileError(m_ctx.prompts, status))
        return;
    report.notepad = file.Record().Notepad();
    report.pictureFile = file.Record().PictureFile();
    PrintEmployeeReport(m_ctx, window, report, [this] { m_page.ViewPicture(true); });
}
