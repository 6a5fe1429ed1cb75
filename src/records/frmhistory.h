#pragma once

#include "core/appcontext.h"
#include "data/history.h"
#include "data/sensitive.h"
#include "print/historyprintout.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <vector>

class Grid;
class OrvicButton;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class WindowFade;

// Reads the change history of the employee in record `record` and shows it modal over `window`,
// which `windowFade` (if any) dims around it when fades are on; `listName` is the employee's name
// as the list shows it ("Miller, Ann"). Record 0 opens the window on its Find box with no
// employee. File errors are told.
void OpenEmployeeHistory(AppContext& ctx, QWidget* window, WindowFade* windowFade, qint32 record,
                         const QString& listName);

// One employee's change history, newest first, and the whole record as it stood at the end of a
// chosen day, with the fields changed since marked. The Social Security number and the year of
// birth are masked as the signed-in user's level asks. Its Find box lists every employee the
// history has known whose first or last name ever held the text typed (case and accents aside),
// removed ones too; the one chosen there is shown. The changes shown may be narrowed to one
// user's and to a range of days, and are what "Export this History..." writes and Print prints.
class frmHistory : public QDialog {
    Q_OBJECT

public:
    // `entries`: the employee's, oldest first; `name` as "First Last" (empty: no employee yet).
    frmHistory(AppContext& ctx, const QString& name, QList<HistoryEntry> entries, QWidget* parent = nullptr);

    QLabel* lblFind;
    QLineEdit* txtFind;
    QLabel* lblFound; // how many the last search found
    Grid* gridPeople;
    QLabel* lblUser;
    QComboBox* cboUser;
    QLabel* lblFrom;
    QDateEdit* txtFrom;
    QLabel* lblTo;
    QDateEdit* txtTo;
    Grid* gridHistory;
    QLabel* lblAsOf;
    QDateEdit* txtAsOf;
    Grid* gridAsOf;
    QLabel* lblChangedSince;
    QLabel* lblNote;
    OrvicButton* cmdExport;
    OrvicButton* cmdPrint;
    OrvicButton* cmdClose;

    WindowFade* Fade() const { return m_fade; }
    // The rows the grid shows (the filter applied).
    const QList<QStringList>& ShownRows() const { return m_rows; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void BuildControls();
    void ShowEmployee(const QString& name, QList<HistoryEntry> entries);
    void FillHistory();
    void txtFind_Enter();
    void gridPeople_Choose();
    void txtAsOf_Change();
    void cmdExport_Click();
    void cmdPrint_Click();
    void FitColumns();

    AppContext& m_ctx;
    WindowFade* m_fade;
    bool m_shown = false;
    QString m_name;
    QList<HistoryEntry> m_entries;
    SensitiveFields m_sensitive;
    QList<QStringList> m_rows;
    HistoryRecordRows m_record;
    std::vector<HistoryPerson> m_people;
    qint64 m_employee = 0; // the one chosen in the Find box's list, 0 before
};
