#include "records/frmhistory.h"

#include "core/programstate.h"
#include "data/clock.h"
#include "data/historykeeper.h"
#include "data/personnelfile.h"
#include "print/printhelpers.h"
#include "ui/busywindow.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "ui/settingsstore.h"
#include "ui/twips.h"

#include <QBoxLayout>
#include <QDateEdit>
#include <QLabel>

#include <optional>

namespace {

void Fill(Grid* grid, const QList<QStringList>& rows) {
    grid->SetRows(1);
    const Grid::Batch batch(*grid);
    for (const QStringList& row : rows)
        grid->AddRow(row);
}

Grid* MakeGrid(const QString& name, const QString& format, std::initializer_list<int> widths,
               QWidget* parent) {
    auto* grid = new Grid(parent);
    grid->setObjectName(name);
    grid->SetRows(1);
    grid->SetCols(int(widths.size()));
    grid->SetFormatString(format);
    int col = 0;
    int total = 0;
    for (const int width : widths) {
        grid->SetColWidth(col++, width);
        total += width;
    }
    // The grid never scrolls sideways: room for every column and the scroll bar.
    grid->setMinimumWidth(TwipsToPixelsX(total + 400, parent));
    return grid;
}

} // namespace

void OpenEmployeeHistory(AppContext& ctx, QWidget* window, qint32 record, const QString& listName) {
    IoStatus status;
    QList<HistoryEntry> entries;
    {
        std::optional<BusyWindow> busy;
        if (window)
            busy.emplace(window);
        PersonnelFile& file = ctx.personnel;
        status = file.OpenPersonnelFileUncounted();
        qint64 employee = 0;
        if (status)
            status = file.EmployeeNumber(record, &employee);
        file.ClosePersonnelFile();
        if (status)
            status = ReadEmployeeHistory(ctx.io, file.HistoryFile(), employee, &entries);
    }
    if (!ReportFileError(ctx.prompts, status))
        return;
    // The list names an employee "Last, First".
    const qsizetype comma = listName.indexOf(QStringLiteral(", "));
    const QString name =
        comma < 0 ? listName : listName.mid(comma + 2) + QLatin1Char(' ') + listName.left(comma);
    frmHistory dialog(ctx, name, std::move(entries), window);
    dialog.exec();
    if (window)
        window->activateWindow(); // back to the main window, also where no window manager hands it back
}

frmHistory::frmHistory(AppContext& ctx, const QString& name, QList<HistoryEntry> entries, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_entries(std::move(entries)),
      m_sensitive(ProgramSettings::SensitiveFieldsFor(ctx.settings, ctx.state.CurrentAccessLevel)) {
    setObjectName(QStringLiteral("frmHistory"));
    setModal(true);
    setWindowTitle(QStringLiteral("History of ") + name);
    BuildControls();
    m_rows = HistoryRows(m_entries, m_sensitive);
    Fill(gridHistory, m_rows);
    txtAsOf_Change();
}

void frmHistory::BuildControls() {
    gridHistory =
        MakeGrid(QStringLiteral("gridHistory"), QStringLiteral("<When|<User|<What|<Field|<Before|<After"),
                 {1800, 1700, 1900, 2400, 2000, 2000}, this);
    lblAsOf = new QLabel(QStringLiteral("&As of:"), this);
    lblAsOf->setObjectName(QStringLiteral("lblAsOf"));
    txtAsOf = new QDateEdit(this);
    txtAsOf->setObjectName(QStringLiteral("txtAsOf"));
    txtAsOf->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    txtAsOf->setCalendarPopup(true);
    txtAsOf->setMinimumWidth(TwipsToPixelsX(1500, this));
    txtAsOf->setDate(m_ctx.clock.Now().date());
    lblAsOf->setBuddy(txtAsOf);
    lblChangedSince = new QLabel(ChangedSinceText, this);
    lblChangedSince->setObjectName(QStringLiteral("lblChangedSince"));
    gridAsOf =
        MakeGrid(QStringLiteral("gridAsOf"), QStringLiteral("^*|<Field|<Value"), {300, 2600, 8900}, this);
    lblNote = new QLabel(this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    cmdPrint = new OrvicButton(QStringLiteral("cmdPrint"), this);
    cmdPrint->SetCaption(QStringLiteral("&Print"));
    cmdClose = new OrvicButton(QStringLiteral("cmdClose"), this);
    cmdClose->SetCaption(QStringLiteral("&Close"));
    for (OrvicButton* button : {cmdPrint, cmdClose})
        button->setFixedSize(TwipsToPixelsX(1500, this), TwipsToPixelsY(450, this));

    auto* asOf = new QHBoxLayout;
    asOf->addWidget(lblAsOf);
    asOf->addWidget(txtAsOf);
    asOf->addSpacing(TwipsToPixelsX(240, this));
    asOf->addWidget(lblChangedSince);
    asOf->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdClose);
    auto* page = new QVBoxLayout(this);
    page->addWidget(gridHistory, 3);
    page->addLayout(asOf);
    page->addWidget(gridAsOf, 2);
    page->addWidget(lblNote);
    page->addLayout(buttons);
    resize(minimumSizeHint().width(), TwipsToPixelsY(8400, this));

    connect(txtAsOf, &QDateEdit::dateChanged, this, &frmHistory::txtAsOf_Change);
    connect(cmdPrint, &QPushButton::clicked, this, &frmHistory::cmdPrint_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
}

void frmHistory::txtAsOf_Change() {
    m_record = HistoryRecordAsOf(m_entries, txtAsOf->date(), m_sensitive);
    Fill(gridAsOf, m_record.rows);
    lblNote->setText(m_record.note);
    lblNote->setHidden(m_record.note.isEmpty());
}

void frmHistory::cmdPrint_Click() {
    if (!ConfirmPrinterReady(m_ctx.prompts, m_ctx.state))
        return;
    PrintJob(m_ctx.printer, m_ctx.prompts).Print(this, [this] {
        PrintHistory(m_ctx.printer, m_ctx.clock, windowTitle(), m_rows, m_record);
        return QString();
    });
}
