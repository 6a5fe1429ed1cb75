#include "app/listmenu.h"

#include "core/appcontext.h"
#include "core/programstate.h"
#include "core/sensitivelevel.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/personnelfile.h"
#include "exchange/exportlist.h"
#include "exchange/exportxlsx.h"
#include "exchange/importplan.h"
#include "exchange/importduplicates.h"
#include "list/listbuilder.h"
#include "print/printhelpers.h"
#include "records/frmhistory.h"
#include "settings/settingsstore.h"
#include "ui/busywindow.h"
#include "ui/frmprogress.h"
#include "ui/prompts.h"
#include "ui/spreadsheetname.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>

#include <optional>

namespace {

const QString ImportTitle = QStringLiteral("Import Employees");

// The Social Security numbers and dates of birth leave the program as the user sees them.
ExportOptions OptionsFor(const AppContext& ctx) {
    return ExportOptions{.sensitive =
                             SensitiveFieldsFor(ctx, ctx.state.CurrentAccessLevel)};
}

QString Employees(qint64 count) {
    return QString::number(count) + (count == 1 ? QStringLiteral(" employee") : QStringLiteral(" employees"));
}

// The preview's updates and duplicates named at most; the rest are counted.
constexpr std::size_t DuplicatesNamed = 5;

enum class ImportChoice { AddAndUpdate, OnlyNew, AddDuplicates, Cancel };

QString OfThem(qint64 count, const char* one, const char* many) {
    return QString::number(count) + QStringLiteral(" of them ") + QLatin1StringView(count == 1 ? one : many);
}

// Rows that are employees on file, or look like duplicates: the user adds the new ones and
// updates the changed ones (the default when there are changes), only adds the new ones, adds the
// likely duplicates too (offered when there are any: the user may know them to be right), or
// cancels. Unchanged rows are passed over.
ImportChoice AskAboutUpdates(Prompts& prompts, const ImportPlan& plan, const ImportDuplicates& duplicates,
                             const ImportSelection& selection, const QString& shownPath) {
    QString text = QStringLiteral("The file") + CrLf + shownPath + CrLf + QStringLiteral("holds ") +
                   Employees(plan.Rows()) + QStringLiteral(".") + CrLf + CrLf;
    if (!selection.add.empty())
        text += OfThem(qint64(selection.add.size()), "is new.", "are new.") + CrLf;
    const auto named = [&](const char* one, const char* many, qint64 count, const auto& pick,
                           const auto& say) {
        if (count == 0)
            return;
        text += OfThem(count, one, many) + CrLf;
        std::size_t shown = 0;
        for (const ImportDuplicate& d : duplicates.rows) {
            if (!pick(d))
                continue;
            if (shown++ == DuplicatesNamed) {
                text += QStringLiteral("... and %1 more.").arg(count - qint64(DuplicatesNamed)) + CrLf;
                break;
            }
            text += say(d) + CrLf;
        }
    };
    named(
        "is on file with changes:", "are on file with changes:", qint64(selection.updates.size()),
        [](const ImportDuplicate& d) { return !d.Likely() && !d.changes.empty(); }, &UpdateText);
    if (selection.unchanged > 0)
        text += OfThem(selection.unchanged, "is on file unchanged and will be passed over.",
                       "are on file unchanged and will be passed over.") +
                CrLf;
    named(
        "looks like a duplicate and will be skipped:", "look like duplicates and will be skipped:",
        duplicates.Likely(), [](const ImportDuplicate& d) { return d.Likely(); },
        [](const ImportDuplicate& d) { return DuplicateText(d, u"mm/dd/yyyy"); });
    text += CrLf + QStringLiteral("Do you wish to add the new employees and update the changed ones, or only "
                                  "add the new ones?");
    QStringList buttons{QStringLiteral("Add New and &Update Changed"), QStringLiteral("Add Only &New")};
    if (duplicates.Likely() > 0) {
        text += QStringLiteral(" Or add the likely duplicates too?");
        buttons += QStringLiteral("Add New and &Duplicates, Update Changed");
    }
    buttons += QStringLiteral("Cancel");
    const int cancel = int(buttons.size()) - 1;
    const int chosen = prompts.Choose(text, MsgIcon::Question, ImportTitle, buttons,
                                      selection.updates.empty() ? 1 : 0, cancel);
    return chosen == 0        ? ImportChoice::AddAndUpdate
           : chosen == 1      ? ImportChoice::OnlyNew
           : chosen != cancel ? ImportChoice::AddDuplicates
                              : ImportChoice::Cancel;
}

// A row to add that holds a masked cell refuses the whole import, each such row named.
bool RefuseMaskedAdds(Prompts& prompts, const ImportPlan& plan, const ImportSelection& selection,
                      const QString& shownPath) {
    if (selection.maskedAdds.empty())
        return false;
    QStringList refused;
    for (std::size_t i = 0; i < std::min(selection.maskedAdds.size(), std::size_t(ImportErrorsKept)); ++i)
        refused += MaskedAddText(plan, selection.maskedAdds[i]);
    if (selection.maskedAdds.size() > std::size_t(ImportErrorsKept))
        refused += QStringLiteral("%1 more faults were found.")
                       .arg(selection.maskedAdds.size() - std::size_t(ImportErrorsKept));
    prompts.MsgBox(QStringLiteral("Nothing has been imported from") + CrLf + shownPath + CrLf + CrLf +
                       refused.join(CrLf) + CrLf + CrLf +
                       QStringLiteral("Please correct the file and import it again."),
                   MsgButtons::OKOnly, MsgIcon::Exclamation, ImportTitle);
    return true;
}

} // namespace

void ShowEmployeeListMenu(AppContext& ctx, QWidget* window, WindowFade* windowFade,
                          const EmployeeListResult& list, int highlightedRow, const QString& listName,
                          QPoint globalPos, const std::function<void(qint32)>& rebuild) {
    // On the heap and watched: the window that owns the menu may go while the menu is up.
    QPointer<QMenu> menu = new QMenu(window);
    menu->setObjectName(QStringLiteral("menuEmployeeList"));
    QAction* exportList = menu->addAction(QStringLiteral("&Export this List..."));
    exportList->setObjectName(QStringLiteral("mnuExportList"));
    QAction* blank = menu->addAction(QStringLiteral("Save a &Blank Sheet..."));
    blank->setObjectName(QStringLiteral("mnuBlankSheet"));
    QAction* copy = menu->addAction(QStringLiteral("&Copy"));
    copy->setObjectName(QStringLiteral("mnuCopy"));
    copy->setShortcut(QKeySequence::Copy);
    QAction* history = menu->addAction(QStringLiteral("&History of this Employee..."));
    history->setObjectName(QStringLiteral("mnuHistory"));
    history->setShortcut(HistoryKey);
    QAction* import = nullptr;
    if (ctx.state.CurrentAccessLevel == 4 && !ctx.state.ReadOnly) {
        menu->addSeparator();
        import = menu->addAction(QStringLiteral("&Import Employees..."));
        import->setObjectName(QStringLiteral("mnuImport"));
    }
    exportList->setEnabled(list.Rows() >= 1);
    copy->setEnabled(highlightedRow >= 1 && highlightedRow <= list.Rows());

    const QAction* chosen = menu->exec(globalPos);
    if (!menu)
        return;
    delete menu;
    if (chosen == exportList)
        ExportEmployeeList(ctx, window, list, listName);
    else if (chosen == blank)
        SaveBlankSheet(ctx, window);
    else if (chosen == copy)
        CopyEmployeeRow(ctx, list, highlightedRow);
    else if (chosen == history)
        ShowEmployeeHistory(ctx, window, windowFade, list, highlightedRow);
    else if (chosen && chosen == import)
        ImportEmployees(ctx, window, rebuild);
}

namespace {

// Writes `list` to `path` as a CSV file or a workbook; false when it could not (and said so).
bool WriteSpreadsheet(AppContext& ctx, QWidget* window, const EmployeeListResult& list,
                      const ExportOptions& options, const QString& path, bool csv) {
    IoStatus status;
    {
        const BusyWindow busy(window);
        status = csv ? ExportListToCsv(ctx.io, ctx.personnel, list, options, path)
                     : ExportListToXlsx(ctx.io, ctx.personnel, list, options, path, ctx.clock.Now());
    }
    return ReportFileError(ctx.prompts, status);
}

} // namespace

void ExportEmployeeList(AppContext& ctx, QWidget* window, const EmployeeListResult& list,
                        const QString& listName) {
    if (list.Rows() < 1)
        return;
    bool csv = false;
    const QString path =
        ChosenSpreadsheet(ctx.prompts, QStringLiteral("Export this List"),
                          QStringLiteral("Employees - %1 - %2.xlsx")
                              .arg(listName, ctx.clock.Now().date().toString(QStringLiteral("yyyy-MM-dd"))),
                          &csv);
    const ExportOptions options = OptionsFor(ctx);
    if (path.isEmpty() || !WriteSpreadsheet(ctx, window, list, options, path, csv))
        return;
    LogFullView(ctx, options.sensitive, FullView::ListExport, list.Rows(), path);
    QString text = QStringLiteral("The list of ") + Employees(list.Rows()) +
                   QStringLiteral(" has been saved as") + CrLf + QDir::toNativeSeparators(path);
    if (options.sensitive.Masked())
        text += CrLf + CrLf + QStringLiteral("Social Security numbers and years of birth are masked:") +
                CrLf + QStringLiteral("your access level does not show them.");
    ctx.prompts.MsgBox(text, MsgButtons::OKOnly, MsgIcon::Information, QStringLiteral("List Exported"));
}

void SaveBlankSheet(AppContext& ctx, QWidget* window) {
    bool csv = false;
    const QString path = ChosenSpreadsheet(ctx.prompts, QStringLiteral("Save a Blank Sheet"),
                                           QStringLiteral("Employees - Blank Sheet.xlsx"), &csv);
    EmployeeListResult none;
    none.caption = QStringLiteral("Employees");
    if (path.isEmpty() || !WriteSpreadsheet(ctx, window, none, OptionsFor(ctx), path, csv))
        return;
    ctx.prompts.MsgBox(QStringLiteral("A blank sheet, the column headers alone, has been saved as") + CrLf +
                           QDir::toNativeSeparators(path) + CrLf + CrLf +
                           QStringLiteral("Fill in one employee a row, then import the sheet."),
                       MsgButtons::OKOnly, MsgIcon::Information, QStringLiteral("Blank Sheet Saved"));
}

void CopyEmployeeRow(AppContext& ctx, const EmployeeListResult& list, int highlightedRow) {
    if (highlightedRow < 1 || highlightedRow > list.Rows())
        return;
    IoStatus status;
    const ExportOptions options = OptionsFor(ctx);
    const QString text = CopyListRow(ctx.personnel, list, highlightedRow - 1, options, &status);
    if (!ReportFileError(ctx.prompts, status))
        return;
    QGuiApplication::clipboard()->setText(text);
    LogFullView(ctx, options.sensitive, FullView::Copy, 1);
}

void ShowEmployeeHistory(AppContext& ctx, QWidget* window, WindowFade* windowFade,
                         const EmployeeListResult& list, int highlightedRow) {
    const bool highlighted = highlightedRow >= 1 && highlightedRow <= list.Rows();
    OpenEmployeeHistory(ctx, window, windowFade, highlighted ? list.RecordNumber(highlightedRow - 1) : 0,
                        highlighted ? list.Cell(highlightedRow - 1, 0) : QString());
}

void ImportEmployees(AppContext& ctx, QWidget* window, const std::function<void(qint32)>& rebuild) {
    if (ctx.state.CurrentAccessLevel != 4)
        return;
    const QString path =
        ctx.prompts.GetOpenFileName(ImportTitle, DocumentsFolder(),
                                    QStringLiteral("Spreadsheets (*.xlsx *.ods *.csv *.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    // Each long step shows its progress and may be cancelled, all but the writing, which is one
    // change; the steps run here between the window's events rather than on a thread of their
    // own, since the personnel file, the file calls and the clock they use are the window's.
    std::optional<ImportPlan> plan;
    {
        const BusyWindow busy(window);
        frmProgress progress(ctx.clock, window);
        progress.setWindowTitle(ImportTitle);
        plan = PlanImportFile(ctx.io, path, [&](qint64 done, qint64 total) {
            return progress.Step(QStringLiteral("Reading and checking the file..."), done, total);
        });
    }
    if (plan->Cancelled() || !ReportFileError(ctx.prompts, plan->ReadStatus()))
        return;
    const QString shownPath = QDir::toNativeSeparators(path);
    if (!plan->Ok()) {
        ctx.prompts.MsgBox(QStringLiteral("Nothing has been imported from") + CrLf + shownPath + CrLf + CrLf +
                               plan->ErrorText() + CrLf + CrLf +
                               QStringLiteral("Please correct the file and import it again."),
                           MsgButtons::OKOnly, MsgIcon::Exclamation, ImportTitle);
        return;
    }
    ImportDuplicates duplicates;
    {
        const BusyWindow busy(window);
        frmProgress progress(ctx.clock, window);
        progress.setWindowTitle(ImportTitle);
        duplicates =
            FindImportDuplicates(ctx.personnel, *plan, ctx.clock.NowOle(), [&](qint64 done, qint64 total) {
                return progress.Step(QStringLiteral("Looking for employees already on file..."), done, total);
            });
    }
    if (duplicates.cancelled || !ReportFileError(ctx.prompts, duplicates.status))
        return;
    // A likely duplicate is added only when the user asks for it, once the preview has named it.
    ImportSelection selection = SelectImportRows(*plan, duplicates, true, false);
    if (RefuseMaskedAdds(ctx.prompts, *plan, selection, shownPath))
        return;
    if (duplicates.rows.empty()) {
        const MsgAnswer answer = ctx.prompts.MsgBox(
            Employees(plan->Rows()) + QStringLiteral(" will be added to the personnel file from") + CrLf +
                shownPath + CrLf + CrLf + QStringLiteral("Do you wish to continue?"),
            MsgButtons::YesNo, MsgIcon::Question, ImportTitle, MsgDefault::Button2);
        if (answer != MsgAnswer::Yes)
            return;
    } else {
        const ImportChoice choice = AskAboutUpdates(ctx.prompts, *plan, duplicates, selection, shownPath);
        if (choice == ImportChoice::Cancel)
            return;
        if (choice == ImportChoice::OnlyNew) {
            selection.skipped += qint64(selection.updates.size());
            selection.updates.clear();
        }
        if (choice == ImportChoice::AddDuplicates) {
            selection = SelectImportRows(*plan, duplicates, true, true);
            if (RefuseMaskedAdds(ctx.prompts, *plan, selection, shownPath))
                return;
        }
    }
    const QString fileName = QFileInfo(path).fileName();
    IoStatus status;
    qint32 firstAdded = 0;
    if (!selection.add.empty() || !selection.updates.empty()) {
        const BusyWindow busy(window);
        frmProgress progress(ctx.clock, window);
        progress.setWindowTitle(ImportTitle);
        const QString adding = QStringLiteral("Adding ") + Employees(qint64(selection.add.size())) +
                               QStringLiteral(" and updating ") + QString::number(selection.updates.size()) +
                               QStringLiteral(" in the personnel file...");
        status = ApplyImport(
            ctx.personnel, *plan, selection, ctx.clock, QStringLiteral("from ") + fileName, &firstAdded,
            [&](qint64 done, qint64 total) { return progress.Step(adding, done, total, false); });
    }
    if (!ReportFileError(ctx.prompts, status))
        return;
    if (rebuild && (!selection.add.empty() || !selection.updates.empty()))
        rebuild(firstAdded != 0             ? firstAdded
                : selection.updates.empty() ? 0
                                            : selection.updates.front().record);
    ctx.prompts.MsgBox(QStringLiteral("Imported from ") + fileName + QStringLiteral(": ") +
                           ImportSummary(selection),
                       MsgButtons::OKOnly, MsgIcon::Information, ImportTitle);
}
