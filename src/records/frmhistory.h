#pragma once

#include "core/appcontext.h"
#include "data/history.h"
#include "data/sensitive.h"
#include "print/historyprintout.h"

#include <QDialog>
#include <QList>
#include <QString>

class Grid;
class OrvicButton;
class QDateEdit;
class QLabel;

// Reads the change history of the employee in record `record` and shows it modal over `window`;
// `listName` is the employee's name as the list shows it ("Miller, Ann"). File errors are told.
void OpenEmployeeHistory(AppContext& ctx, QWidget* window, qint32 record, const QString& listName);

// One employee's change history, newest first, and the whole record as it stood at the end of a
// chosen day, with the fields changed since marked. The Social Security number and the year of
// birth are masked as the signed-in user's level asks.
class frmHistory : public QDialog {
    Q_OBJECT

public:
    // `entries`: the employee's, oldest first; `name` as "First Last".
    frmHistory(AppContext& ctx, const QString& name, QList<HistoryEntry> entries, QWidget* parent = nullptr);

    Grid* gridHistory;
    QLabel* lblAsOf;
    QDateEdit* txtAsOf;
    Grid* gridAsOf;
    QLabel* lblChangedSince;
    QLabel* lblNote;
    OrvicButton* cmdPrint;
    OrvicButton* cmdClose;

private:
    void BuildControls();
    void txtAsOf_Change();
    void cmdPrint_Click();

    AppContext& m_ctx;
    QList<HistoryEntry> m_entries;
    SensitiveFields m_sensitive;
    QList<QStringList> m_rows;
    HistoryRecordRows m_record;
};
