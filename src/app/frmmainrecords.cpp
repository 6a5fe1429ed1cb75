// The main window's record commands: showing the highlighted employee, adding and editing one on
// the record page, and removing one.

#include "app/frmmain.h"

#include "app/version.h"
#include "data/clock.h"
#include "data/oledate.h"
#include "data/personnelfile.h"
#include "data/programstate.h"
#include "list/frmlistoptions.h"
#include "print/employeereport.h"
#include "records/recordpage.h"
#include "ui/busywindow.h"
#include "ui/fade.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "ui/tabcontrol.h"
#include "ui/twips.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>

#include <algorithm>

namespace {
const QString CrLf = QStringLiteral("\r\n");

// The record number of a list row stands in column 3, out of view.
qint32 RecordNumberOf(const Grid* grid, int row) {
    return grid->TextMatrix(row, 3).toInt();
}
} // namespace

void frmMain::grid_RowColChange() {
    if (grid->isVisible())
        ShowEmployeeRecord();
}

void frmMain::ShowEmployeeRecord() {
    const int row = grid->Row();
    if (row < 1)
        return;
    recordPage->ShowRecord(RecordNumberOf(grid, row), grid->TextMatrix(row, 0));
}

void frmMain::cmdAddEmployee_Click() {
    if (Adding || Editing)
        return;
    Adding = true;
    BeginInput();
}

void frmMain::cmdEditEntry_Click() {
    if (Adding || Editing)
        return;
    Editing = true;
    BeginInput();
}

void frmMain::EnableListCommands(bool enabled) {
    for (OrvicButton* b : {cmdAddEmployee, cmdPrintList, cmdPrintUpdateForms, cmdRemoveEmployee})
        b->setEnabled(enabled);
}

void frmMain::BeginInput() {
    const bool fade = m_ctx.state.FadeEnabled;
    const quint8 step = Adding ? 25 : 40;
    if (fade) {
        m_fade->StartFade(255, 0, step, false);
        m_fade->WaitForFade();
    }
    if (Adding) {
        // The list goes; the record page takes its place and the window shrinks round it.
        const int listHeight = frame[1]->height();
        frame[1]->hide();
        for (OrvicButton* b : {cmdAddEmployee, cmdPrintList, cmdPrintUpdateForms, cmdRemoveEmployee})
            b->hide();
        m_frame2TopTag = frame[2]->y();
        frame[2]->show(); // hidden while the file holds nobody
        frame[2]->move(frame[2]->x(), frame[1]->y());
        m_tabMainHeightTag = tabMain->height();
        tabMain->resize(tabMain->width(), tabMain->height() - listHeight);
        resize(width(), height() - listHeight);
        m_windowTopTag = y();
        if (const QScreen* s = screen())
            move(x(), s->geometry().y() + (s->geometry().height() - height()) / 2);
        cmdAddEditSave->SetCaption(QStringLiteral("Save this") + CrLf + QStringLiteral("new entry"));
        cmdAddEditCancel->SetCaption(QStringLiteral("Cancel this") + CrLf + QStringLiteral("new entry"));
    } else {
        // The list stays in view but cannot be used.
        frame[1]->setEnabled(false);
        EnableListCommands(false);
        OldStatus = recordPage->optStatus[1]->isChecked() ? 1 : 2;
        cmdAddEditSave->SetCaption(QStringLiteral("&Save") + CrLf + QStringLiteral("changes"));
        cmdAddEditCancel->SetCaption(QStringLiteral("&Cancel") + CrLf + QStringLiteral("this edit"));
    }
    PlaceRecordCommands();
    cmdAddEditSave->setEnabled(false);
    cmdAddEditSave->show();
    cmdAddEditCancel->show();

    tabMain->SetTabEnabled(1, false);
    if (Adding)
        tabMain->SetTabCaption(0, QStringLiteral("New Entry"));
    recordPage->BeginInput(Adding);
    cmdEditEntry->hide();
    cmdPrintEntry->hide();
    if (!cmdBackupRestore->isHidden())
        cmdBackupRestore->setEnabled(false);
    cmdAdminWindow->setEnabled(false);

    if (Adding)
        recordPage->tabNameInfo->SetTab(0);
    if (fade) {
        m_fade->StartFade(0, 255, step, false);
        m_fade->WaitForFade();
    }
    recordPage->FocusFirstBox(Editing);
}

void frmMain::UpdateSaveButton() {
    if (!Adding && !Editing)
        return;
    if (Editing)
        cmdAddEditCancel->SetCaption(QStringLiteral("&Cancel Changes"));
    cmdAddEditSave->setEnabled(recordPage->RequiredBoxesFilled());
}

bool frmMain::AskInactivationDate(double* date) {
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

void frmMain::cmdAddEditSave_Click() {
    if (!Adding && !Editing)
        return;
    if (!recordPage->ValidateEntry(Editing))
        return;
    if (Adding)
        m_optionsPage->ResetForNewEntry();

    bool inactivating = false;
    bool reactivating = false;
    double newInactivationDate = 0;
    if (Editing) {
        const QString question = QStringLiteral("You have changed this employee's status") + CrLf;
        const QString askContinue = CrLf + CrLf + QStringLiteral("Do you wish to continue with this change?");
        const QString title = QStringLiteral("Confirm Employee Status Change");
        if (recordPage->optStatus[2]->isChecked() && OldStatus == 1) {
            const MsgAnswer a = m_ctx.prompts.MsgBox(
                question + QStringLiteral("from a 'Current Employee' to a 'Previous Employee'.") +
                    askContinue,
                MsgButtons::YesNo, MsgIcon::Question, title);
            if (a == MsgAnswer::Yes)
                inactivating = AskInactivationDate(&newInactivationDate);
        }
        if (recordPage->optStatus[1]->isChecked() && OldStatus == 2) {
            const MsgAnswer a = m_ctx.prompts.MsgBox(
                question + QStringLiteral("from a 'Previous Employee' to a 'Current Employee'.") +
                    askContinue,
                MsgButtons::YesNo, MsgIcon::Question, title);
            reactivating = a == MsgAnswer::Yes;
        }
    }

    PersonnelFile& file = m_ctx.personnel;
    IoStatus status = file.OpenPersonnelFile();
    const qint32 number = Adding ? file.RecordCount() + 1 : recordPage->ShownRecord();
    if (status)
        status = file.ReadPersonnelRecord(number);
    if (status) {
        PersonnelRecord& r = file.Record();
        recordPage->StoreInto(r);
        const QString inactivationBox = recordPage->FieldText(21).trimmed();
        if (Adding || reactivating)
            r.SetInactivationDate(0);
        else if (inactivating)
            r.SetInactivationDate(newInactivationDate);
        else if (!inactivationBox.isEmpty())
            r.SetInactivationDate(DateToOle(ParseUserDate(inactivationBox).value_or(QDate())));
        const double now = m_ctx.clock.NowOle();
        if (Adding) {
            r.SetDateCreated(now);
            r.SetDateModified(0);
            r.SetVersionCreated(VersionCreatedStamp(ROSTERLY_VERSION_MAJOR, ROSTERLY_VERSION_MINOR));
        } else {
            r.SetDateModified(now);
        }
        status = file.WritePersonnelRecord(number);
    }
    file.ClosePersonnelFile();
    if (!ReportFileError(m_ctx.prompts, status)) {
        // Nothing was stored: the entry stays open so that it is not lost.
        return;
    }
    if (Adding)
        NewRecordNumber = number;
    else
        ShowEmployeeRecord();
    cmdAddEditCancel_Click();
}

void frmMain::cmdAddEditCancel_Click() {
    if (!Adding && !Editing)
        return;
    const bool fade = m_ctx.state.FadeEnabled;
    const quint8 step = Adding ? 25 : 40;
    if (fade) {
        m_fade->StartFade(255, 0, step, false);
        m_fade->WaitForFade();
    }
    tabMain->SetTabEnabled(1, true);
    recordPage->EndInput();
    cmdAddEditSave->hide();
    cmdAddEditCancel->hide();

    if (Adding) {
        const int listHeight = frame[1]->height();
        tabMain->resize(tabMain->width(), m_tabMainHeightTag);
        resize(width(), height() + listHeight);
        move(x(), m_windowTopTag);
        frame[2]->move(frame[2]->x(), m_frame2TopTag);
        frame[1]->show();
        tabMain->SetTabCaption(0, QStringLiteral("Employee List"));
        Adding = false;
    } else {
        SavedRow = grid->Row();
        SavedTopRow = grid->TopRow();
        // The rebuilt list highlights the edited employee wherever the edit has moved the row.
        m_editedRecordNumber = recordPage->ShownRecord();
        frame[1]->setEnabled(true);
        Editing = false;
    }
    if (fade) {
        m_fade->StartFade(0, 255, step, false);
        m_fade->WaitForFade();
    }
    PlaceRecordCommands();
    EnableListCommands(true);
    if (!cmdBackupRestore->isHidden())
        cmdBackupRestore->setEnabled(true);
    cmdAdminWindow->setEnabled(true);

    recordPage->tabNameInfo->SetTab(0);
    RefreshEmployeeList();
    SavedRow = 0;
    SavedTopRow = 0;
    NewRecordNumber = 0;
    m_editedRecordNumber = 0;
}

void frmMain::cmdPrintEntry_Click() {
    EmployeeReport report;
    for (int i = 1; i <= RecordPage::BoxCount; ++i) {
        report.text[std::size_t(i)] = recordPage->FieldText(i);
        report.caption[std::size_t(i)] = recordPage->lblField[std::size_t(i)]->text();
    }
    report.previousEmployee = recordPage->optStatus[2]->isChecked();
    // The questions about the notepad and the photograph are about the employee the page shows,
    // read afresh: other commands may have read other employees into the shared record since.
    PersonnelFile& file = m_ctx.personnel;
    IoStatus status = file.OpenPersonnelFile();
    if (status)
        status = file.ReadPersonnelRecord(recordPage->ShownRecord());
    file.ClosePersonnelFile();
    if (!ReportFileError(m_ctx.prompts, status))
        return;
    report.notepad = file.Record().Notepad();
    report.pictureFile = file.Record().PictureFile();
    PrintEmployeeReport(m_ctx, this, report, [this] {
        m_ctx.state.PrintPictureAtOnce = true;
        recordPage->cmdPicPrint_Click();
    });
}

void frmMain::cmdRemoveEmployee_Click() {
    const int row = grid->Row();
    if (row < 1 || Adding || Editing)
        return;
    const bool fade = m_ctx.state.FadeEnabled;
    if (fade) {
        m_fade->StartFade(255, 230, 2, false);
        m_fade->WaitForFade();
    }
    const MsgAnswer answer = m_ctx.prompts.MsgBox(
        QStringLiteral("Are your SURE you want to permanently remove") + CrLf + CrLf +
            grid->TextMatrix(row, 0) + CrLf + CrLf + QStringLiteral("from this personnel database?"),
        MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Confirm"), MsgDefault::Button2);
    if (fade) {
        m_fade->StartFade(230, 255, 2, false);
        m_fade->WaitForFade();
    }
    if (answer != MsgAnswer::Yes)
        return;

    const int rowBeforeRemoval = row;
    IoStatus status;
    {
        const BusyWindow busy(this);
        PersonnelFile& file = m_ctx.personnel;
        status = file.OpenPersonnelFile();
        // Marks the record and squeezes it out; on a failure the file is left as it was.
        if (status)
            status = file.RemovePersonnelRecord(RecordNumberOf(grid, rowBeforeRemoval));
        file.ClosePersonnelFile();
    }
    ReportFileError(m_ctx.prompts, status);

    BuildEmployeeList();
    if (grid->Rows() > 1) {
        const int next = std::min(rowBeforeRemoval, grid->Rows() - 1);
        const int built = grid->Row();
        grid->SetRow(next); // a new row shows its employee
        grid->SetTopRow(next);
        // The same row number now stands for another employee.
        if (grid->Row() == built)
            ShowEmployeeRecord();
    } else {
        // Nobody is left to edit or to print.
        cmdEditEntry->hide();
        cmdPrintEntry->hide();
    }
}
