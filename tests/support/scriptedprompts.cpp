#include "support/scriptedprompts.h"

#include <QGuiApplication>
#include <QTest>

namespace {

QString KindName(Prompt::Kind kind) {
    switch (kind) {
    case Prompt::Kind::Message:
        return QStringLiteral("message box");
    case Prompt::Kind::Input:
        return QStringLiteral("input box");
    case Prompt::Kind::OpenFile:
        return QStringLiteral("file dialog");
    case Prompt::Kind::SaveFile:
        return QStringLiteral("save dialog");
    case Prompt::Kind::Folder:
        return QStringLiteral("folder dialog");
    case Prompt::Kind::Choice:
        return QStringLiteral("choice");
    }
    return {};
}

QString AnswerName(MsgAnswer answer) {
    switch (answer) {
    case MsgAnswer::OK:
        return QStringLiteral("OK");
    case MsgAnswer::Cancel:
        return QStringLiteral("Cancel");
    case MsgAnswer::Abort:
        return QStringLiteral("Abort");
    case MsgAnswer::Retry:
        return QStringLiteral("Retry");
    case MsgAnswer::Ignore:
        return QStringLiteral("Ignore");
    case MsgAnswer::Yes:
        return QStringLiteral("Yes");
    case MsgAnswer::No:
        return QStringLiteral("No");
    }
    return {};
}

// The prompt as a failure message shows it, line breaks spelled out so the exact text is visible.
QString Describe(const Prompt& prompt) {
    QString text = prompt.text;
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return QStringLiteral("%1 \"%2\": \"%3\"").arg(KindName(prompt.kind), prompt.title, text);
}

void Fail(const QString& message) {
    QTest::qFail(qPrintable(QStringLiteral("ScriptedPrompts: ") + message), __FILE__, __LINE__);
}

} // namespace

ScriptedPrompts& ScriptedPrompts::Answer(MsgAnswer answer) {
    m_script.append({Prompt::Kind::Message, answer, {}});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::AnswerChoice(const QString& button) {
    m_script.append({Prompt::Kind::Choice, MsgAnswer::OK, button});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::AnswerInput(const QString& text) {
    m_script.append({Prompt::Kind::Input, MsgAnswer::OK, text});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::AnswerFile(const QString& path) {
    m_script.append({Prompt::Kind::OpenFile, MsgAnswer::OK, path});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::AnswerSaveFile(const QString& path) {
    m_script.append({Prompt::Kind::SaveFile, MsgAnswer::OK, path});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::AnswerFolder(const QString& folder) {
    m_script.append({Prompt::Kind::Folder, MsgAnswer::OK, folder});
    return *this;
}

bool ScriptedPrompts::Take(const Prompt& prompt, Step& step) {
    m_asked.append(prompt);
    m_asked.last().busyPointer = QGuiApplication::overrideCursor() != nullptr;
    if (m_script.isEmpty()) {
        Fail(QStringLiteral("unexpected %1, nothing is scripted").arg(Describe(prompt)));
        return false;
    }
    if (m_script.first().kind != prompt.kind) {
        Fail(QStringLiteral("unexpected %1, next in the script: %2")
                 .arg(Describe(prompt), KindName(m_script.first().kind)));
        return false;
    }
    step = m_script.takeFirst();
    return true;
}

MsgAnswer ScriptedPrompts::MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title,
                                  MsgDefault defaultButton) {
    Prompt prompt;
    prompt.kind = Prompt::Kind::Message;
    prompt.text = text;
    prompt.title = title;
    prompt.buttons = buttons;
    prompt.icon = icon;
    prompt.defaultButton = defaultButton;
    Step step;
    if (!Take(prompt, step))
        return EscapeAnswer(buttons);
    if (!ButtonAnswers(buttons).contains(step.answer)) {
        Fail(QStringLiteral("%1 has no button for the scripted answer %2")
                 .arg(Describe(prompt), AnswerName(step.answer)));
        return EscapeAnswer(buttons);
    }
    return step.answer;
}

int ScriptedPrompts::Choose(const QString& text, MsgIcon icon, const QString& title,
                            const QStringList& buttons, int defaultButton, int cancelButton) {
    Prompt prompt;
    prompt.kind = Prompt::Kind::Choice;
    prompt.text = text;
    prompt.title = title;
    prompt.icon = icon;
    prompt.choices = buttons;
    prompt.defaultChoice = defaultButton;
    prompt.cancelChoice = cancelButton;
    Step step;
    if (!Take(prompt, step))
        return cancelButton;
    const qsizetype pressed = buttons.indexOf(step.text);
    if (pressed < 0) {
        Fail(QStringLiteral("%1 has no button '%2'").arg(Describe(prompt), step.text));
        return cancelButton;
    }
    return int(pressed);
}

QString ScriptedPrompts::InputBox(const QString& prompt, const QString& title, const QString& proposed) {
    Prompt asked;
    asked.kind = Prompt::Kind::Input;
    asked.text = prompt;
    asked.title = title;
    asked.proposed = proposed;
    Step step;
    return Take(asked, step) ? step.text : QString();
}

QString ScriptedPrompts::GetOpenFileName(const QString& title, const QString& folder, const QString& filter) {
    Prompt asked;
    asked.kind = Prompt::Kind::OpenFile;
    asked.title = title;
    asked.folder = folder;
    asked.filter = filter;
    Step step;
    return Take(asked, step) ? step.text : QString();
}

QString ScriptedPrompts::GetSaveFileName(const QString& title, const QString& proposed,
                                         const QString& filter) {
    Prompt asked;
    asked.kind = Prompt::Kind::SaveFile;
    asked.title = title;
    asked.proposed = proposed;
    asked.filter = filter;
    Step step;
    return Take(asked, step) ? step.text : QString();
}

QString ScriptedPrompts::BrowseForFolder(const QString& prompt) {
    Prompt asked;
    asked.kind = Prompt::Kind::Folder;
    asked.text = prompt;
    Step step;
    return Take(asked, step) ? step.text : QString();
}
