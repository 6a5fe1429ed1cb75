#include "help/frmmanual.h"

#include "core/programstate.h"
#include "core/version.h"
#include "data/ansitext.h"
#include "help/helptopics.h"
#include "print/printer.h"
#include "print/printhelpers.h"
#include "ui/background.h"
#include "ui/fade.h"
#include "ui/links.h"
#include "ui/orvicbutton.h"
#include "ui/prompts.h"
#include "ui/twips.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QShortcut>

namespace {

constexpr int FormWidth = 7650;
constexpr int FormHeight = 7000;

const QString Maker = QStringLiteral("Orvic Software");

// The mail to a colleague: no recipient, the program's name in the subject, the download link in
// the body. Line breaks travel encoded, as every other character that must.
LinkQuery ColleagueMail(const QString& title) {
    const QString host = QString::fromLatin1(DefaultWebHost);
    const QString subject =
        QStringLiteral("'") + title + QStringLiteral("' - Personnel Management software from ") + Maker;
    const QString body =
        QStringLiteral("I came across a computer program from ") + Maker + QStringLiteral(" called '") +
        title + QStringLiteral("' that you might want to know about.") + CrLf + CrLf +
        QStringLiteral("You can download and install it for free at ") + Maker +
        QStringLiteral("'s website. The direct download link is") + CrLf + CrLf + QStringLiteral("http://") +
        host + QString::fromLatin1(DownloadPath) + CrLf + CrLf + Maker + QStringLiteral("'s website (") +
        host + QStringLiteral(") also has other software that ") +
        QStringLiteral("you'd probably find as interesting as I did.") + CrLf + CrLf +
        QStringLiteral("Let me know what you think.");
    return {{QStringLiteral("subject"), subject}, {QStringLiteral("body"), body}};
}

} // namespace

frmManual::frmManual(AppContext& ctx, int topic, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_fade(new WindowFade(this)), m_requestedTopic(topic) {
    setObjectName(QStringLiteral("frmManual"));
    setModal(true);
    BuildControls();
    m_ctx.state.FadeEnabled = PrepareFade(this, 0, false, m_ctx.settings, m_ctx.state.PlatformCanFade);
    setFixedSize(TwipsToPixelsX(FormWidth, this), TwipsToPixelsY(FormHeight, this));
    setWindowTitle(m_ctx.state.AppTitle + QStringLiteral(" - Help Window"));
    connect(m_fade, &WindowFade::EndAction, this, [this] { done(Rejected); });
}

void frmManual::BuildControls() {
    labelHelpTopic = new QLabel(this);
    labelHelpTopic->setObjectName(QStringLiteral("labelHelpTopic"));
    QFont heading = labelHelpTopic->font();
    heading.setBold(true);
    heading.setPointSize(heading.pointSize() + 2);
    labelHelpTopic->setFont(heading);
    PlaceTwips(labelHelpTopic, 240, 150, 7100, 360);

    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    PlaceTwips(Line1, 240, 540, 7100, 30);

    txtManual = new QPlainTextEdit(this);
    txtManual->setObjectName(QStringLiteral("txtManual"));
    txtManual->setReadOnly(true);
    txtManual->setAccessibleName(QStringLiteral("Help Topic"));
    PlaceTwips(txtManual, 240, 660, 7100, 5340);

    const auto button = [this](const char* name, const QString& caption, int left) {
        auto* b = new OrvicButton(QString::fromLatin1(name), this);
        b->SetCaption(caption);
        PlaceTwips(b, left, 6180, 2250, 510);
        return b;
    };
    cmdHelpTopic = button("cmdHelpTopic", QStringLiteral("Help &Topics <F1>"), 240);
    cmdPrintHelp = button("cmdPrintHelp", QStringLiteral("&Print this Topic"), 2665);
    cmdReturn = button("cmdReturn", QStringLiteral("&Return <Esc>"), 5090);

    menuHelpMenu = new QMenu(QStringLiteral("Help Topics"), this);
    menuHelpMenu->setObjectName(QStringLiteral("menuHelpMenu"));
    const auto& entries = HelpMenuEntries();
    for (int i = 1; i <= int(entries.size()); ++i) {
        const HelpMenuEntry& e = entries[std::size_t(i - 1)];
        QAction* a = e.kind == HelpMenuEntry::Kind::Separator
                         ? menuHelpMenu->addSeparator()
                         : menuHelpMenu->addAction(QString::fromUtf8(e.caption));
        a->setObjectName(QStringLiteral("menuHelpTopic(%1)").arg(i));
        a->setData(e.topic); // the topic number, as the entry's help context
        connect(a, &QAction::triggered, this, [this, i] { menuHelpTopic_Click(i); });
        menuHelpTopic[i] = a;
    }

    connect(cmdHelpTopic, &QPushButton::clicked, this, &frmManual::cmdHelpTopic_Click);
    connect(cmdPrintHelp, &QPushButton::clicked, this, &frmManual::cmdPrintHelp_Click);
    connect(cmdReturn, &QPushButton::clicked, this, &frmManual::cmdReturn_Click);
    // F1 anywhere in the window opens the topics menu, never another help window.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, &frmManual::cmdHelpTopic_Click);
}

QString frmManual::AboutText() const {
    return m_ctx.state.AppTitle + CrLf + VersionText() + CrLf + CrLf +
           QStringLiteral(ROSTERLY_FILE_DESCRIPTION) + CrLf + QStringLiteral(" ") +
           QStringLiteral(ROSTERLY_LEGAL_NOTICE) + CrLf + CrLf;
}

void frmManual::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    cmdHelpTopic->setToolTip(QStringLiteral(" Show all Help Topics <F1> "));
    cmdPrintHelp->setToolTip(QStringLiteral(" Print this Help Topic "));
    cmdReturn->setToolTip(QStringLiteral(" Close this Help window <Esc> "));
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 0, 255, 12, false);
    menuHelpTopic_Click(m_requestedTopic);
}

void frmManual::menuHelpTopic_Click(int index) {
    const auto& entries = HelpMenuEntries();
    if (index >= 1 && index <= int(entries.size())) {
        const HelpMenuEntry& e = entries[std::size_t(index - 1)];
        const QString caption = QString::fromUtf8(e.caption);
        switch (e.kind) {
        case HelpMenuEntry::Kind::Mail:
            if (e.topic == TopicMailColleague)
                OpenLink(LinkKind::MailToNobody, this, QString(), m_ctx.prompts,
                         ColleagueMail(m_ctx.state.AppTitle));
            else
                OpenLink(e.topic == TopicMailMaker ? LinkKind::Mail : LinkKind::Web, this, QString(),
                         m_ctx.prompts);
            break;
        case HelpMenuEntry::Kind::About:
            m_ctx.prompts.MsgBox(AboutText(), MsgButtons::OKOnly, MsgIcon::Information, caption);
            break;
        case HelpMenuEntry::Kind::Topic:
            if (index != m_currentTopic) {
                m_currentTopic = index;
                // Only the topic shown has a tick; the others show no box to tick either.
                for (int i = 1; i <= int(entries.size()); ++i) {
                    menuHelpTopic[i]->setCheckable(i == index);
                    menuHelpTopic[i]->setChecked(i == index);
                }
                labelHelpTopic->setText(caption);
                txtManual->setPlainText(DisplayText(HelpTopicText(e.topic)));
            }
            break;
        case HelpMenuEntry::Kind::Separator:
        case HelpMenuEntry::Kind::Exit:
            break;
        }
    }
    // The checked state of a topic is the window's to set, not the click's.
    if (m_currentTopic >= 1)
        menuHelpTopic[m_currentTopic]->setChecked(true);
    cmdHelpTopic->setFocus();
}

void frmManual::cmdHelpTopic_Click() {
    menuHelpMenu->exec(cmdHelpTopic->mapToGlobal(QPoint(0, 0)));
    cmdHelpTopic->setFocus();
}

void frmManual::cmdPrintHelp_Click() {
    if (m_currentTopic < 1)
        return;
    Printer& printer = m_ctx.printer;
    printer.Font = PrinterFont{QStringLiteral("Arial"), 10};
    const QString heading =
        m_ctx.state.AppTitle + QStringLiteral(", Help Section: ") + menuHelpTopic[m_currentTopic]->text();
    // The text as the topic holds it, its lines joined by CR LF.
    const QString text = HelpTopicText(menuHelpTopic[m_currentTopic]->data().toInt());
    PrintJob(printer, m_ctx.prompts).Print(this, [&] {
        return PrintWrappedText(
            printer, nullptr, text,
            {.heading = heading, .underlineHeading = true, .leftMargin = 1.0, .rightMargin = 7.5});
    });
}

void frmManual::cmdReturn_Click() {
    m_fade->FadeIf(m_ctx.state.FadeEnabled, 255, 0, 12, true, [this] { done(Rejected); });
}

void frmManual::reject() {
    // Esc closes through the Return button, with its fade.
    cmdReturn_Click();
}

void OpenHelp(AppContext& ctx, QWidget* caller, WindowFade* callerFade, qint16 requestedTopic) {
    const bool fade = ctx.state.FadeEnabled && callerFade;
    if (fade)
        callerFade->StartFade(255, 204, 1, false);
    {
        frmManual manual(ctx, requestedTopic, caller); // a fresh window for every opening
        manual.exec();
    }
    if (caller)
        caller->activateWindow();
    if (fade)
        callerFade->StartFade(204, 255, 2, false);
}
