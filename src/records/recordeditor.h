#pragma once

#include "core/appcontext.h"

#include <QString>
#include <QtGlobal>

class QWidget;
class RecordPage;
class WindowFade;

// What adding, editing, removing and reporting on an employee ask the user and write to the
// personnel file, working on the record page. The main window keeps the choreography of its
// frames, tabs and commands around these steps.
class RecordEditor {
public:
    RecordEditor(AppContext& ctx, RecordPage& page);

    // Input state: at most one is true.
    bool IsAdding() const { return m_mode == Mode::Adding; }
    bool IsEditing() const { return m_mode == Mode::Editing; }
    bool InInput() const { return m_mode != Mode::None; }
    // At the start of an edit: 1 for a current employee, 2 for a previous one (0 otherwise).
    qint16 OldStatus() const { return m_oldStatus; }

    void BeginAdding();
    // Notes the status the employee had, for the question a change of it brings at saving.
    void BeginEditing();
    void End();

    // The record page's checks of the entry; false leaves it open.
    bool Validate() const;
    // Asks about a change of status (and the inactivation date it needs), then writes the entry
    // with its timestamps: a new record at the end of the file, or the shown one in place.
    // Returns the record number written; 0 when nothing was stored (the file error is reported
    // and the entry stays open so that it is not lost).
    qint32 Store();

    // Asks whether to remove the employee `name` (record `recordNumber`) for good, dimming
    // `window` meanwhile when fades are on, and removes the record with `window` busy. Returns
    // whether the user said yes: the file may have changed and the list must be built again.
    bool Remove(QWidget* window, WindowFade* fade, qint32 recordNumber, const QString& name);

    // Prints the information report of the employee the page shows, with the notepad and the
    // photograph as the user answers.
    void PrintReport(QWidget* window);

private:
    enum class Mode { None, Adding, Editing };

    // Asks for the inactivation date until a date or nothing is given; false when nothing is.
    bool AskInactivationDate(double* date);

    AppContext& m_ctx;
    RecordPage& m_page;
    Mode m_mode = Mode::None;
    qint16 m_oldStatus = 0;
};
