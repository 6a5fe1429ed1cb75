#include "app/listmenu.h"

#include "core/appcontext.h"
#include "core/programstate.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/personnelfile.h"
#include "exchange/exportlist.h"
#include "exchange/exportxlsx.h"
#include "exchange/importcsv.h"
#include "exchange/importduplicates.h"
#include "list/listbuilder.h"
#include "records/frmhistory.h"
#include "ui/busywindow.h"
#include "ui/frmprogress.h"
#include "ui/prompts.h"
#include "ui/settingsstore.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QStandardPaths>

#include <numeric>
#include <optional>

namespace {

const QString ImportTitle = QStringLiteral("Import Employees");

// The Social Security numbers and dates of birth leave the program as the user sees them.
ExportOptions OptionsFor(const AppContext& ctx) {
    return ExportOptions{.sensitive =
                             ProgramSettings::SensitiveFieldsFor(ctx.settings, ctx.state.CurrentAccessLevel)};
}

QString DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() || !QDir(documents).exists() ? QDir::homePath() : documents;
}

QString Employees(qint64 count) {
    return QString::number(count) + (count == 1 ? QStringLiteral(" employee") : QStringLiteral(" employees"));
}

// The preview's duplicates named at most; the rest are counted.
constexpr std::size_t DuplicatesNamed = 5;

enum class ImportChoice { All, OnlyNew, Cancel };

// Rows that look like employees already there: the user imports them all, only the new ones (the
// default) or nothing.
ImportChoice AskAboutDuplicates(Prompts& prompts, const ImportPlan& plan, const ImportDuplicates& duplicates,
                                qsizetype newRows, const QString& shownPath) {
    const std::size_t count = duplicates.rows.size();
    QString text = QStringLiteral("The file") + CrLf + shownPath + CrLf + QStringLiteral("holds ") +
                   Employees(plan.Rows()) + QStringLiteral(".") + CrLf + CrLf +
                   (count == 1 ? QStringLiteral("1 of them looks like an employee already on file or on an "
                                                "earlier line of the file")
                               : QString::number(count) +
                                     QStringLiteral(" of them look like employees already on file or on "
                                                    "earlier lines of the file")) +
                   QStringLiteral(" (the same last name, first name and date of birth):") + CrLf;
    for (std::size_t i = 0; i < std::min(count, DuplicatesNamed); ++i)
        text += CrLf + DuplicateText(duplicates.rows[i], u"mm/dd/yyyy");
    if (count > DuplicatesNamed)
        text += CrLf + QStringLiteral("... and %1 more.").arg(count - DuplicatesNamed);
    text += CrLf + CrLf;
    if (newRows == 0)
        text += QStringLiteral("None of them is new. Do you wish to import all ") + Employees(plan.Rows()) +
                QStringLiteral(" anyway?");
    else
        text += QStringLiteral("Do you wish to import all ") + Employees(plan.Rows()) +
                QStringLiteral(", or only the ") + QString::number(newRows) +
                (newRows == 1 ? QStringLiteral(" new one?") : QStringLiteral(" new ones?"));
    const int chosen = prompts.Choose(
        text, MsgIcon::Question, ImportTitle,
        {QStringLiteral("Import &All"), QStringLiteral("Import Only &New"), QStringLiteral("Cancel")}, 1, 2);
    return chosen == 0 ? ImportChoice::All : chosen == 1 ? ImportChoice::OnlyNew : ImportChoice::Cancel;
}

} // namespace

void ShowEmployeeListMenu(AppContext& ctx, QWidget* window, const EmployeeListResult& list,
                          int highlightedRow, const QString& listName, QPoint globalPos,
                          const std::function<void(qint32)>& rebuild) {
    // On the heap and watched: the window that owns the menu may go while the menu is up.
    QPointer<QMenu> menu = new QMenu(window);
    menu->setObjectName(QStringLiteral("menuEmployeeList"));
    QAction* exportList = menu->addAction(QStringLiteral("&Export this List..."));
    exportList->setObjectName(QStringLiteral("mnuExportList"));
    QAction* copy = menu->addAction(QStringLiteral("&Copy"));
    copy->setObjectName(QStringLiteral("mnuCopy"));
    copy->setShortcut(QKeySequence::Copy);
    QAction* history = menu->addAction(QStringLiteral("&History of this Employee..."));
    history->setObjectName(QStringLiteral("mnuHistory"));
    history->setShortcut(HistoryKey);
    QAction* import = nullptr;
    if (ctx.state.CurrentAccessLevel == 4) {
        menu->addSeparator();
        import = menu->addAction(QStringLiteral("&Import Employees..."));
        import->setObjectName(QStringLiteral("mnuImport"));
    }
    exportList->setEnabled(list.Rows() >= 1);
    copy->setEnabled(highlightedRow >= 1 && highlightedRow <= list.Rows());
    history->setEnabled(copy->isEnabled());

    const QAction* chosen = menu->exec(globalPos);
    if (!menu)
        return;
    delete menu;
    if (chosen == exportList)
        ExportEmployeeList(ctx, window, list, listName);
    else if (chosen == copy)
        CopyEmployeeRow(ctx, list, highlightedRow);
    else if (chosen == history)
        ShowEmployeeHistory(ctx, window, list, highlightedRow);
    else if (chosen && chosen == import)
        ImportEmployees(ctx, window, rebuild);
}

void ExportEmployeeList(AppContext& ctx, QWidget* window, const EmployeeListResult& list,
                        const QString& listName) {
    if (list.Rows() < 1)
        return;
    const QString proposed =
        QDir(DocumentsFolder())
            .filePath(QStringLiteral("Employees - %1 - %2.xlsx")
                          .arg(listName, ctx.clock.Now().date().toString(QStringLiteral("yyyy-MM-dd"))));
    QString path = ctx.prompts.GetSaveFileName(QStringLiteral("Export this List"), proposed,
                                               QStringLiteral("Excel workbook (*.xlsx);;CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    // The name chosen says the format, whichever filter the dialog showed: a .csv name is a CSV
    // file, any other a workbook, and a name without one of the two (that is not a file already)
    // gets .xlsx.
    const bool csv = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    if (!csv && !path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive) && !QFileInfo(path).exists())
        path += QStringLiteral(".xlsx");
    const ExportOptions options = OptionsFor(ctx);
    IoStatus status;
    {
        const BusyWindow busy(window);
        status = csv ? ExportListToCsv(ctx.io, ctx.personnel, list, options, path)
                     : ExportListToXlsx(ctx.io, ctx.personnel, list, options, path, ctx.clock.Now());
    }
    if (!ReportFileError(ctx.prompts, status))
        return;
    QString text = QStringLiteral("The list of ") + Employees(list.Rows()) +
                   QStringLiteral(" has been saved as") + CrLf + QDir::toNativeSeparators(path);
    if (options.sensitive.Masked())
        text += CrLf + CrLf + QStringLiteral("Social Security numbers and years of birth are masked:") +
                CrLf + QStringLiteral("your access level does not show them.");
    ctx.prompts.MsgBox(text, MsgButtons::OKOnly, MsgIcon::Information, QStringLiteral("List Exported"));
}

void CopyEmployeeRow(AppContext& ctx, const EmployeeListResult& list, int highlightedRow) {
    if (highlightedRow < 1 || highlightedRow > list.Rows())
        return;
    IoStatus status;
    const QString text = CopyListRow(ctx.personnel, list, highlightedRow - 1, OptionsFor(ctx), &status);
    if (!ReportFileError(ctx.prompts, status))
        return;
    QGuiApplication::clipboard()->setText(text);
}

void ShowEmployeeHistory(AppContext& ctx, QWidget* window, const EmployeeListResult& list,
                         int highlightedRow) {
    if (highlightedRow >= 1 && highlightedRow <= list.Rows())
        OpenEmployeeHistory(ctx, window, list.RecordNumber(highlightedRow - 1),
                            list.Cell(highlightedRow - 1, 0));
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
    std::vector<qint32> rows = NewImportRows(*plan, duplicates);
    if (duplicates.rows.empty()) {
        const MsgAnswer answer = ctx.prompts.MsgBox(
            Employees(plan->Rows()) + QStringLiteral(" will be added to the personnel file from") + CrLf +
                shownPath + CrLf + CrLf + QStringLiteral("Do you wish to continue?"),
            MsgButtons::YesNo, MsgIcon::Question, ImportTitle, MsgDefault::Button2);
        if (answer != MsgAnswer::Yes)
            return;
    } else {
        const ImportChoice choice =
            AskAboutDuplicates(ctx.prompts, *plan, duplicates, qsizetype(rows.size()), shownPath);
        if (choice == ImportChoice::Cancel)
            return;
        if (choice == ImportChoice::OnlyNew && rows.empty()) {
            ctx.prompts.MsgBox(
                QStringLiteral("No employees have been added: none of the employees in the file "
                               "is new."),
                MsgButtons::OKOnly, MsgIcon::Information, ImportTitle);
            return;
        }
        if (choice == ImportChoice::All) {
            rows.resize(std::size_t(plan->Rows()));
            std::iota(rows.begin(), rows.end(), 0);
        }
    }
    IoStatus status;
    qint32 firstAdded = 0;
    {
        const BusyWindow busy(window);
        frmProgress progress(ctx.clock, window);
        progress.setWindowTitle(ImportTitle);
        const QString adding = QStringLiteral("Adding ") + Employees(qint64(rows.size())) +
                               QStringLiteral(" to the personnel file...");
        status =
            ApplyImport(ctx.personnel, *plan, rows, ctx.clock, &firstAdded,
                        [&](qint64 done, qint64 total) { return progress.Step(adding, done, total, false); });
    }
    if (!ReportFileError(ctx.prompts, status))
        return;
    if (rebuild)
        rebuild(firstAdded);
    const qint64 added = qint64(rows.size());
    ctx.prompts.MsgBox(Employees(added) + (added == 1 ? QStringLiteral(" has been added.")
                                                      : QStringLiteral(" have been added.")),
                       MsgButtons::OKOnly, MsgIcon::Information, ImportTitle);
}
