// The main window around the record commands: showing the highlighted employee, and the frames,
// commands and list around adding, editing, removing and reporting, which the record editor
// carries out.

#include "app/frmmain.h"

#include "core/programstate.h"
#include "data/ansitext.h"
#include "listpage/frmlistoptions.h"
#include "list/listbuilder.h"
#include "records/recordeditor.h"
#include "records/recordpage.h"
#include "ui/fade.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/tabcontrol.h"

#include <QGroupBox>
#include <QScreen>

#include <algorithm>

void frmMain::grid_RowColChange() {
    if (grid->isVisible())
        ShowEmployeeRecord();
}

void frmMain::ShowEmployeeRecord() {
    const int row = grid->Row();
    if (row < 1 || row > m_list->Rows())
        return;
    recordPage->ShowRecord(m_list->RecordNumber(row - 1), m_list->Cell(row - 1, 0));
}

void frmMain::cmdAddEmployee_Click() {
    if (m_editor->InInput())
        return;
    m_editor->BeginAdding();
    BeginInput();
}

void frmMain::cmdEditEntry_Click() {
    if (m_editor->InInput())
        return;
    m_editor->BeginEditing();
    BeginInput();
}

void frmMain::EnableListCommands(bool enabled) {
    for (OrvicButton* b : {cmdAddEmployee, cmdPrintList, cmdPrintUpdateForms, cmdRemoveEmployee})
        b->setEnabled(enabled);
}

// Fades the window out on the way into or out of input; says whether it faded, for the fade back.
bool frmMain::FadeOutForInput(quint8 step) {
    const bool fade = m_ctx.state.FadeEnabled;
    if (fade) {
        m_fade->StartFade(255, 0, step, false);
        m_fade->WaitForFade();
    }
    return fade;
}

void frmMain::BeginInput() {
    const bool adding = m_editor->IsAdding();
    const quint8 step = adding ? 25 : 40;
    const bool fade = FadeOutForInput(step);
    if (adding) {
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
        cmdAddEditSave->SetCaption(QStringLiteral("&Save") + CrLf + QStringLiteral("changes"));
        cmdAddEditCancel->SetCaption(QStringLiteral("&Cancel") + CrLf + QStringLiteral("this edit"));
    }
    PlaceRecordCommands();
    cmdAddEditSave->setEnabled(false);
    cmdAddEditSave->show();
    cmdAddEditCancel->show();

    tabMain->SetTabEnabled(1, false);
    if (adding)
        tabMain->SetTabCaption(0, QStringLiteral("New Entry"));
    recordPage->BeginInput(adding);
    cmdEditEntry->hide();
    cmdPrintEntry->hide();
    if (!cmdBackupRestore->isHidden())
        cmdBackupRestore->setEnabled(false);
    cmdAdminWindow->setEnabled(false);

    if (adding)
        recordPage->tabNameInfo->SetTab(0);
    if (fade) {
        m_fade->StartFade(0, 255, step, false);
        m_fade->WaitForFade();
    }
    recordPage->FocusFirstBox(!adding);
}

void frmMain::UpdateSaveButton() {
    if (!m_editor->InInput())
        return;
    if (m_editor->IsEditing())
        cmdAddEditCancel->SetCaption(QStringLiteral("&Cancel Changes"));
    cmdAddEditSave->setEnabled(recordPage->RequiredBoxesFilled());
}

void frmMain::cmdAddEditSave_Click() {
    if (!m_editor->InInput() || !m_editor->Validate())
        return;
    const bool adding = m_editor->IsAdding();
    if (adding)
        m_optionsPage->ResetForNewEntry();
    const qint32 number = m_editor->Store();
    if (number == 0)
        return; // nothing was stored: the entry stays open
    if (adding)
        m_newRecordNumber = number;
    else
        ShowEmployeeRecord();
    cmdAddEditCancel_Click();
}

void frmMain::cmdAddEditCancel_Click() {
    if (!m_editor->InInput())
        return;
    const bool adding = m_editor->IsAdding();
    const quint8 step = adding ? 25 : 40;
    const bool fade = FadeOutForInput(step);
    tabMain->SetTabEnabled(1, true);
    recordPage->EndInput();
    cmdAddEditSave->hide();
    cmdAddEditCancel->hide();

    if (adding) {
        const int listHeight = frame[1]->height();
        tabMain->resize(tabMain->width(), m_tabMainHeightTag);
        resize(width(), height() + listHeight);
        move(x(), m_windowTopTag);
        frame[2]->move(frame[2]->x(), m_frame2TopTag);
        frame[1]->show();
        tabMain->SetTabCaption(0, QStringLiteral("Employee List"));
    } else {
        m_savedRow = grid->Row();
        m_savedTopRow = grid->TopRow();
        // The rebuilt list highlights the edited employee wherever the edit has moved the row.
        m_editedRecordNumber = recordPage->ShownRecord();
        frame[1]->setEnabled(true);
    }
    m_editor->End();
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
    m_savedRow = 0;
    m_savedTopRow = 0;
    m_newRecordNumber = 0;
    m_editedRecordNumber = 0;
}

void frmMain::cmdPrintEntry_Click() {
    m_editor->PrintReport(this);
}

void frmMain::cmdRemoveEmployee_Click() {
    const int row = grid->Row();
    if (row < 1 || m_editor->InInput())
        return;
    const int rowBeforeRemoval = row;
    if (!m_editor->Remove(this, m_fade, m_list->RecordNumber(row - 1), m_list->Cell(row - 1, 0)))
        return;

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
