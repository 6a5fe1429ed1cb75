#include "records/frmhistory.h"

#include "core/programstate.h"
#include "core/sensitivelevel.h"
#include "data/ansitext.h"
#include "data/clock.h"
#include "data/historykeeper.h"
#include "data/personnelfile.h"
#include "exchange/exportlist.h"
#include "exchange/exportxlsx.h"
#include "print/printhelpers.h"
#include "settings/settingsstore.h"
#include "ui/busywindow.h"
#include "ui/fade.h"
#include "ui/frmprogress.h"
#include "ui/grid.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "ui/spreadsheetname.h"
#include "ui/twips.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <optional>

namespace {

const QColor ShadedRow(240, 240, 240);
const QString AllUsers = QStringLiteral("(all users)");
// The columns of the history grid and of the record as of a day, in twips, before the window
// widens them: Before and After, and the value, take what the window has to spare.
constexpr int HistoryWidths[] = {1800, 1700, 1900, 2900, 2000, 2000};
constexpr int AsOfWidths[] = {300, 2900, 8600};
// The Find box's matches: number, name, status; the name takes what is to spare.
constexpr int PeopleWidths[] = {1000, 7000, 3000};

// A date box that is one tab stop: Tab leaves it rather than stepping through its month, day
// and year (the arrow keys and typing still move between them).
class DateBox : public QDateEdit {
public:
    explicit DateBox(const QString& name, QWidget* parent) : QDateEdit(parent) {
        setObjectName(name);
        setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
        setCalendarPopup(true);
        setMinimumWidth(TwipsToPixelsX(1500, this));
    }

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

void Fill(Grid* grid, const QList<QStringList>& rows) {
    grid->SetRows(1);
    {
        const Grid::Batch batch(*grid);
        for (const QStringList& row : rows)
            grid->AddRow(row);
    }
    for (int row = 2; row < grid->Rows(); row += 2)
        grid->SetRowBackColor(row, ShadedRow);
}

template <std::size_t N>
Grid* MakeGrid(const QString& name, const QString& format, const int (&widths)[N], QWidget* parent) {
    auto* grid = new Grid(parent);
    grid->setObjectName(name);
    grid->SetRows(1);
    grid->SetCols(int(N));
    grid->SetFormatString(format);
    int total = 0;
    for (std::size_t col = 0; col < N; ++col) {
        grid->SetColWidth(int(col), widths[col]);
        total += widths[col];
    }
    // The grid never scrolls sideways: room for every column and the scroll bar.
    grid->setMinimumWidth(TwipsToPixelsX(total + 400, parent));
    return grid;
}

// The last `wide` columns share out the width the grid has past every column's own.
template <std::size_t N> void Widen(Grid* grid, const int (&widths)[N], std::size_t wide) {
    int spare = PixelsToTwipsX(grid->viewport()->width(), grid) - 60;
    for (const int width : widths)
        spare -= width;
    const int more = std::max(0, spare) / int(wide);
    for (std::size_t col = N - wide; col < N; ++col)
        grid->SetColWidth(int(col), widths[col] + more);
}

// "Miller, Ann" (as the list names an employee) as "Ann Miller".
QString FirstLast(const QString& lastFirst) {
    const qsizetype comma = lastFirst.indexOf(QStringLiteral(", "));
    return comma < 0 ? lastFirst : lastFirst.mid(comma + 2) + QLatin1Char(' ') + lastFirst.left(comma);
}

// A match of the Find box: number, name (and the names they went by), status.
QStringList PersonRow(const HistoryPerson& person) {
    QString name = person.lastName + QStringLiteral(", ") + person.firstName;
    if (!person.formerNames.isEmpty())
        name += QStringLiteral(" (formerly ") + person.formerNames.join(QStringLiteral("; ")) + u')';
    const QString status =
        person.removed.isValid()
            ? QStringLiteral("removed on ") + person.removed.toLocalTime().date().toString(u"MM/dd/yyyy")
        : person.previous ? QStringLiteral("previous")
                          : QStringLiteral("current");
    return {QString::number(person.employee), name, status};
}

} // namespace

void OpenEmployeeHistory(AppContext& ctx, QWidget* window, WindowFade* windowFade, qint32 record,
                         const QString& listName) {
    IoStatus status;
    QList<HistoryEntry> entries;
    if (record > 0) {
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
    const bool fade = ctx.state.FadeEnabled && windowFade;
    if (fade)
        windowFade->StartFade(255, 204, 1, false);
    {
        frmHistory dialog(ctx, FirstLast(listName), std::move(entries), window);
        dialog.exec();
    }
    if (window)
        window->activateWindow(); // back to the main window, also where no window manager hands it back
    if (fade)
        windowFade->StartFade(204, 255, 2, false);
}

frmHistory::frmHistory(AppContext& ctx, const QString& name, QList<HistoryEntry> entries, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_fade(new WindowFade(this)),
      m_sensitive(SensitiveFieldsFor(ctx, ctx.state.CurrentAccessLevel)) {
    setObjectName(QStringLiteral("frmHistory"));
    setModal(true);
    BuildControls();
    m_ctx.state.FadeEnabled = PrepareFade(this, 0, false, m_ctx.settings, m_ctx.state.PlatformCanFade);
    connect(m_fade, &WindowFade::EndAction, this, [this] { done(Rejected); });
    ShowEmployee(name, std::move(entries));
}

void frmHistory::BuildControls() {
    lblFind = new QLabel(QStringLiteral("&Find:"), this);
    lblFind->setObjectName(QStringLiteral("lblFind"));
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setPlaceholderText(QStringLiteral("a first or last name, then Enter"));
    lblFind->setBuddy(txtFind);
    lblFound = new QLabel(this);
    lblFound->setObjectName(QStringLiteral("lblFound"));
    gridPeople =
        MakeGrid(QStringLiteral("gridPeople"), QStringLiteral(">Number|<Name|<Status"), PeopleWidths, this);
    gridPeople->setFixedHeight(TwipsToPixelsY(1700, this));
    gridPeople->hide();
    gridPeople->setAccessibleName(QStringLiteral("Employees Found"));

    lblUser = new QLabel(QStringLiteral("&User:"), this);
    lblUser->setObjectName(QStringLiteral("lblUser"));
    cboUser = new QComboBox(this);
    cboUser->setObjectName(QStringLiteral("cboUser"));
    cboUser->setMinimumWidth(TwipsToPixelsX(2400, this));
    lblUser->setBuddy(cboUser);
    lblFrom = new QLabel(QStringLiteral("Fr&om:"), this);
    lblFrom->setObjectName(QStringLiteral("lblFrom"));
    txtFrom = new DateBox(QStringLiteral("txtFrom"), this);
    lblFrom->setBuddy(txtFrom);
    lblTo = new QLabel(QStringLiteral("&To:"), this);
    lblTo->setObjectName(QStringLiteral("lblTo"));
    txtTo = new DateBox(QStringLiteral("txtTo"), this);
    lblTo->setBuddy(txtTo);

    gridHistory = MakeGrid(QStringLiteral("gridHistory"),
                           QStringLiteral("<When|<User|<What|<Field|<Before|<After"), HistoryWidths, this);
    gridHistory->setAccessibleName(QStringLiteral("Changes"));
    lblAsOf = new QLabel(QStringLiteral("&As of:"), this);
    lblAsOf->setObjectName(QStringLiteral("lblAsOf"));
    txtAsOf = new DateBox(QStringLiteral("txtAsOf"), this);
    txtAsOf->setDate(m_ctx.clock.Now().date());
    lblAsOf->setBuddy(txtAsOf);
    lblChangedSince = new QLabel(ChangedSinceText, this);
    lblChangedSince->setObjectName(QStringLiteral("lblChangedSince"));
    gridAsOf = MakeGrid(QStringLiteral("gridAsOf"), QStringLiteral("^*|<Field|<Value"), AsOfWidths, this);
    gridAsOf->setAccessibleName(QStringLiteral("Record as of"));
    lblNote = new QLabel(this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    cmdExport = new OrvicButton(QStringLiteral("cmdExport"), this);
    cmdExport->SetCaption(QStringLiteral("E&xport this History..."));
    cmdExport->setFixedSize(TwipsToPixelsX(2600, this), TwipsToPixelsY(450, this));
    cmdPrint = new OrvicButton(QStringLiteral("cmdPrint"), this);
    cmdPrint->SetCaption(QStringLiteral("&Print"));
    cmdClose = new OrvicButton(QStringLiteral("cmdClose"), this);
    cmdClose->SetCaption(QStringLiteral("&Close"));
    for (OrvicButton* button : {cmdPrint, cmdClose})
        button->setFixedSize(TwipsToPixelsX(1500, this), TwipsToPixelsY(450, this));

    auto* find = new QHBoxLayout;
    find->addWidget(lblFind);
    find->addWidget(txtFind, 1);
    find->addWidget(lblFound);
    auto* filter = new QHBoxLayout;
    filter->addWidget(lblUser);
    filter->addWidget(cboUser);
    filter->addSpacing(TwipsToPixelsX(240, this));
    filter->addWidget(lblFrom);
    filter->addWidget(txtFrom);
    filter->addWidget(lblTo);
    filter->addWidget(txtTo);
    filter->addStretch();
    auto* asOf = new QHBoxLayout;
    asOf->addWidget(lblAsOf);
    asOf->addWidget(txtAsOf);
    asOf->addSpacing(TwipsToPixelsX(240, this));
    asOf->addWidget(lblChangedSince);
    asOf->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdExport);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdClose);
    auto* page = new QVBoxLayout(this);
    page->addLayout(find);
    page->addWidget(gridPeople);
    page->addLayout(filter);
    page->addWidget(gridHistory, 3);
    page->addLayout(asOf);
    page->addWidget(gridAsOf, 2);
    page->addWidget(lblNote);
    page->addLayout(buttons);
    resize(minimumSizeHint().width(), TwipsToPixelsY(10500, this));
    const QList<QWidget*> order{txtFind, gridPeople, cboUser,   txtFrom,  txtTo,   gridHistory,
                                txtAsOf, gridAsOf,   cmdExport, cmdPrint, cmdClose};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    for (Grid* grid : {gridPeople, gridHistory, gridAsOf})
        grid->viewport()->installEventFilter(this);
    // A value too long for its column, even widened, wraps onto more lines of its row.
    for (Grid* grid : {gridHistory, gridAsOf}) {
        grid->setWordWrap(true);
        grid->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    }
    connect(txtFind, &QLineEdit::returnPressed, this, &frmHistory::txtFind_Enter);
    connect(gridPeople, &Grid::CurrentCellChanged, this, &frmHistory::gridPeople_Choose);
    connect(cboUser, &QComboBox::currentIndexChanged, this, &frmHistory::FillHistory);
    connect(txtFrom, &QDateEdit::dateChanged, this, &frmHistory::FillHistory);
    connect(txtTo, &QDateEdit::dateChanged, this, &frmHistory::FillHistory);
    connect(txtAsOf, &QDateEdit::dateChanged, this, &frmHistory::txtAsOf_Change);
    connect(cmdExport, &QPushButton::clicked, this, &frmHistory::cmdExport_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmHistory::cmdPrint_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmHistory::reject);
}

void frmHistory::ShowEmployee(const QString& name, QList<HistoryEntry> entries) {
    m_name = name;
    m_entries = std::move(entries);
    setWindowTitle(m_ctx.state.AppTitle +
                   (name.isEmpty() ? QStringLiteral(" - History") : QStringLiteral(" - History of ") + name));
    // The filter starts open: every user, from the first change to today (or the last change).
    const QSignalBlocker userBlock(cboUser), fromBlock(txtFrom), toBlock(txtTo);
    cboUser->clear();
    cboUser->addItem(AllUsers);
    cboUser->addItems(HistoryUsers(m_entries));
    const QDate today = m_ctx.clock.Now().date();
    txtFrom->setDate(m_entries.isEmpty() ? today : m_entries.first().time.toLocalTime().date());
    txtTo->setDate(m_entries.isEmpty() ? today : std::max(today, m_entries.last().time.toLocalTime().date()));
    for (QWidget* w : std::initializer_list<QWidget*>{cboUser, txtFrom, txtTo, txtAsOf, cmdExport, cmdPrint})
        w->setEnabled(!name.isEmpty());
    FillHistory();
    txtAsOf_Change();
}

void frmHistory::FillHistory() {
    const HistoryFilter filter{cboUser->currentIndex() > 0 ? cboUser->currentText() : QString(),
                               txtFrom->date(), txtTo->date()};
    m_rows = HistoryRows(m_entries, m_sensitive, filter);
    Fill(gridHistory, m_rows);
    cmdExport->setEnabled(!m_rows.isEmpty());
}

void frmHistory::txtFind_Enter() {
    IoStatus status;
    bool cancelled = false;
    {
        // A long history is searched with a progress window whose Cancel stops it; the window
        // keeps answering meanwhile.
        const BusyWindow busy(this);
        frmProgress progress(m_ctx.clock, this);
        status = FindHistoryPeople(
            m_ctx.io, m_ctx.personnel.HistoryFile(), txtFind->text().trimmed(), &m_people, {},
            [&](qint64 done, qint64 total) {
                return progress.Step(QStringLiteral("Looking through the history..."), done, total);
            },
            &cancelled);
    }
    if (cancelled || !ReportFileError(m_ctx.prompts, status))
        return;
    QList<QStringList> rows;
    for (const HistoryPerson& person : m_people)
        rows << PersonRow(person);
    {
        const QSignalBlocker block(gridPeople);
        Fill(gridPeople, rows);
    }
    gridPeople->show();
    lblFound->setText(m_people.empty()       ? QStringLiteral("No employee found.")
                      : m_people.size() == 1 ? QStringLiteral("1 employee found.")
                                             : QStringLiteral("%1 employees found.").arg(m_people.size()));
    m_employee = 0;
    if (!m_people.empty()) {
        gridPeople->setFocus();
        gridPeople->SetRow(1);
    }
}

void frmHistory::gridPeople_Choose() {
    const int row = gridPeople->Row();
    if (row < 1 || std::size_t(row) > m_people.size())
        return;
    const HistoryPerson& person = m_people[std::size_t(row - 1)];
    if (person.employee == m_employee)
        return; // another cell of the same row
    m_employee = person.employee;
    QList<HistoryEntry> entries;
    IoStatus status;
    {
        const BusyWindow busy(this);
        status = ReadEmployeeHistory(m_ctx.io, m_ctx.personnel.HistoryFile(), person.employee, &entries);
    }
    if (ReportFileError(m_ctx.prompts, status))
        ShowEmployee(person.firstName + QLatin1Char(' ') + person.lastName, std::move(entries));
}

void frmHistory::txtAsOf_Change() {
    m_record = HistoryRecordAsOf(m_entries, txtAsOf->date(), m_sensitive);
    if (m_name.isEmpty())
        m_record.rows.clear();
    Fill(gridAsOf, m_record.rows);
    const QString note = m_record.lastRecord.isEmpty()
                             ? m_record.note
                             : m_record.note + QLatin1Char('\n') + m_record.lastRecord;
    lblNote->setText(note);
    lblNote->setHidden(note.isEmpty() || m_name.isEmpty());
}

void frmHistory::cmdExport_Click() {
    bool csv = false;
    const QString path = ChosenSpreadsheet(m_ctx.prompts, QStringLiteral("Export this History"),
                                           QStringLiteral("History - %1 - %2.xlsx")
                                               .arg(m_name, m_ctx.clock.Now().date().toString(u"yyyy-MM-dd")),
                                           &csv);
    if (path.isEmpty())
        return;
    IoStatus status;
    {
        const BusyWindow busy(this);
        ExportTable table{
            .status = {}, .header = HistoryHeader, .rows = {m_rows.begin(), m_rows.end()}, .values = {}};
        QByteArray bytes;
        if (csv)
            bytes = CsvBytes(table);
        else
            status = XlsxBytes(table, QStringLiteral("History of ") + m_name, m_ctx.clock.Now(), path, bytes);
        if (status)
            status = WriteWholeFile(m_ctx.io, path, bytes);
    }
    if (!ReportFileError(m_ctx.prompts, status))
        return;
    LogFullView(m_ctx, m_sensitive, FullView::HistoryExport, 1, path);
    QString text = QStringLiteral("The history of ") + m_name + QStringLiteral(", ") +
                   QString::number(m_rows.size()) +
                   (m_rows.size() == 1 ? QStringLiteral(" change,") : QStringLiteral(" changes,")) +
                   QStringLiteral(" has been saved as") + CrLf + QDir::toNativeSeparators(path);
    if (m_sensitive.Masked())
        text += CrLf + CrLf + QStringLiteral("Social Security numbers and years of birth are masked:") +
                CrLf + QStringLiteral("your access level does not show them.");
    m_ctx.prompts.MsgBox(text, MsgButtons::OKOnly, MsgIcon::Information, QStringLiteral("History Exported"));
}

void frmHistory::cmdPrint_Click() {
    if (!ConfirmPrinterReady(m_ctx.prompts, m_ctx.state))
        return;
    if (PrintJob(m_ctx.printer, m_ctx.prompts).Print(this, [this] {
            PrintHistory(m_ctx.printer, m_ctx.clock, QStringLiteral("History of ") + m_name, m_rows, m_record);
            return QString();
        }))
        LogFullView(m_ctx, m_sensitive, FullView::HistoryPrintout, 1);
}

void frmHistory::FitColumns() {
    Widen(gridPeople, PeopleWidths, 2);
    Widen(gridHistory, HistoryWidths, 2);
    Widen(gridAsOf, AsOfWidths, 1);
}

bool frmHistory::eventFilter(QObject* watched, QEvent* event) {
    // A grid's width follows the window's, and its scroll bar comes and goes with its rows.
    if (event->type() == QEvent::Resize)
        FitColumns();
    return QDialog::eventFilter(watched, event);
}

void frmHistory::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (m_name.isEmpty())
        txtFind->setFocus();
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 0, 255, 12, false);
}

void frmHistory::reject() {
    // Esc and Close alike, with the fade.
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 255, 0, 12, true, [this] { done(Rejected); });
}
