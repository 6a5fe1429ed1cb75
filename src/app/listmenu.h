#pragma once

#include <QKeySequence>
#include <QPoint>
#include <QString>

#include <functional>

struct AppContext;
struct EmployeeListResult;
class QWidget;
class WindowFade;

// The employee list's context menu ("menuEmployeeList"): "Export this List...", "Save a Blank
// Sheet...", "Copy" and "History of this Employee..." for every user, "Import Employees..." for full access.
// `highlightedRow` is the grid's row (1 = the first employee); `windowFade` dims the window around the
// history window when fades are on; `listName` names the list type in the proposed
// file name; `rebuild` builds the list again after an import, highlighting the record it is given (the first
// employee imported) when the list shows it.
void ShowEmployeeListMenu(AppContext& ctx, QWidget* window, WindowFade* windowFade,
                          const EmployeeListResult& list, int highlightedRow, const QString& listName,
                          QPoint globalPos, const std::function<void(qint32)>& rebuild);

// "Export this List...": the list's employees as a CSV file the user names.
void ExportEmployeeList(AppContext& ctx, QWidget* window, const EmployeeListResult& list,
                        const QString& listName);

// "Save a Blank Sheet...": the export's header row alone, a CSV file or a workbook by the name's
// extension as the export chooses, for the user to fill in and import; offered with an empty list too.
void SaveBlankSheet(AppContext& ctx, QWidget* window);

// "Copy" (Ctrl+C): the highlighted employee, with the column names, onto the clipboard.
void CopyEmployeeRow(AppContext& ctx, const EmployeeListResult& list, int highlightedRow);

// "History of this Employee..." (HistoryKey): the highlighted employee's change history window;
// with no employee highlighted (an empty list too) the window opens on its Find box, where any
// employee the history has known, removed ones too, is found by name.
inline const QKeySequence HistoryKey{Qt::CTRL | Qt::Key_H};
void ShowEmployeeHistory(AppContext& ctx, QWidget* window, WindowFade* windowFade,
                         const EmployeeListResult& list, int highlightedRow);

// "Import Employees...": employees from a workbook or a CSV file, all of them or none, after a
// preview; rows that look like employees already on file or earlier in the file are named first,
// and the user adds all of them or only the new ones. A step that takes over a second shows its
// progress (frmProgress), with a Cancel that holds until the employees are being written.
void ImportEmployees(AppContext& ctx, QWidget* window, const std::function<void(qint32)>& rebuild);
