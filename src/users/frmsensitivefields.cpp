#include "users/frmsensitivefields.h"

#include "core/programstate.h"
#include "core/sensitivelevel.h"
#include "data/userlist.h"
#include "settings/settingsstore.h"
#include "ui/prompts.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

frmSensitiveFields::frmSensitiveFields(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx) {
    setObjectName(QStringLiteral("frmSensitiveFields"));
    setWindowTitle(QStringLiteral("Sensitive Fields - ") + ctx.state.AppTitle);
    const SensitiveRule rule = FolderSensitiveRule(ctx);
    m_levelBefore = rule.level;
    m_lost = rule.state == SensitiveRule::State::Lost;

    auto* layout = new QVBoxLayout(this);
    lblExplain = new QLabel(
        QStringLiteral("Show the Social Security number and the year of birth in full to users of this "
                       "access level and above. Below it they are masked (***-**-6789, 03/07/****) on "
                       "screen, on paper and in files, on every computer that uses these data files."),
        this);
    lblExplain->setObjectName(QStringLiteral("lblExplain"));
    lblExplain->setWordWrap(true);
    layout->addWidget(lblExplain);
    lblLost = new QLabel(QString(rule.problem).replace(QStringLiteral("\r\n"), QStringLiteral(" ")) +
                             QStringLiteral(" Choose the level again."),
                         this);
    lblLost->setObjectName(QStringLiteral("lblLost"));
    lblLost->setWordWrap(true);
    lblLost->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
    lblLost->setVisible(m_lost);
    layout->addWidget(lblLost);
    auto* group = new QButtonGroup(this);
    for (int level = 1; level <= 4; ++level) {
        optLevel[level] = new QRadioButton(AccessLevelName(qint16(level)), this);
        optLevel[level]->setObjectName(QStringLiteral("optLevel(%1)").arg(level));
        group->addButton(optLevel[level], level);
        layout->addWidget(optLevel[level]);
    }
    optLevel[rule.level]->setChecked(true);
    optLevel[rule.level]->setFocus();
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &frmSensitiveFields::Save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setMinimumWidth(420);
}

int frmSensitiveFields::ChosenLevel() const {
    for (int level = 1; level <= 4; ++level)
        if (optLevel[level]->isChecked())
            return level;
    return m_levelBefore;
}

void frmSensitiveFields::Save() {
    const int level = ChosenLevel();
    // A lost rule is written again even at the level it now stands at (the highest).
    if (level == m_levelBefore && !m_lost) {
        accept();
        return;
    }
    if (!ReportFileError(m_ctx.prompts, WriteSensitiveRule(m_ctx.io, SensitiveRuleFileName, level)))
        return;
    // The administrator has signed in, or knows the access code on this computer's account.
    const QString who = m_ctx.state.CurrentUserName.isEmpty() ? OsUserName() : m_ctx.state.CurrentUserName;
    ReportFileError(m_ctx.prompts,
                    WriteSensitiveLevelLogEntry(m_ctx.io, m_ctx.state.UserLogName, who, m_levelBefore, level,
                                                SensitiveLevelChange::Set, m_ctx.clock));
    accept();
}

void SettleSensitiveRule(AppContext& ctx) {
    const SensitiveRule rule = FolderSensitiveRule(ctx);
    if (rule.state == SensitiveRule::State::Lost) {
        ctx.prompts.MsgBox(
            rule.problem + QStringLiteral("\r\n\r\n") +
                QStringLiteral("Until the administrator sets the sensitive-fields level again in "
                               "the Admin Window, the Social Security number and the year of "
                               "birth are shown in full to '") +
                AccessLevelName(4) + QStringLiteral("' users only."),
            MsgButtons::OKOnly, MsgIcon::Critical, QStringLiteral("Sensitive Fields Level Lost"));
        return;
    }
    if (rule.state != SensitiveRule::State::None)
        return;
    const int older = ProgramSettings::OlderSensitiveFieldsLevel(ctx.settings);
    // A read-only copy leaves it to the writer, which took it over when it started.
    if (older <= 1 || ctx.state.ReadOnly)
        return;
    if (!ReportFileError(ctx.prompts, WriteSensitiveRule(ctx.io, SensitiveRuleFileName, older)))
        return;
    ReportFileError(ctx.prompts,
                    WriteSensitiveLevelLogEntry(ctx.io, ctx.state.UserLogName, OsUserName(), 1, older,
                                                SensitiveLevelChange::TakenOver, ctx.clock));
}
