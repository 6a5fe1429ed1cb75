#pragma once

#include "ui/prompts.h"

#include <QList>
#include <QString>
#include <QStringList>

// One question the code under test put to the user, as it was asked.
struct Prompt {
    enum class Kind { Message, Input, OpenFile, SaveFile, Folder, Choice };
    Kind kind = Kind::Message;
    QString text; // the message, or the input or folder prompt, exactly as passed (CR LF kept)
    QString title;
    MsgButtons buttons = MsgButtons::OKOnly;
    MsgIcon icon = MsgIcon::None;
    MsgDefault defaultButton = MsgDefault::Button1;
    QStringList choices;    // the buttons of a choice, left to right, and which one Enter and
    int defaultChoice = -1; // Escape press
    int cancelChoice = -1;
    QString proposed;         // input box, and the path a save dialog proposes
    QString folder;           // file-open dialog
    QString filter;           // file dialog
    bool busyPointer = false; // asked while a window showed the busy pointer (over a disabled window)
};

// Prompts for tests: answers from a script queued beforehand, in order, and records every prompt.
// A prompt the script does not expect next (another kind, a button the box lacks, or nothing
// queued) fails the running test and gets a harmless answer: Cancel, No or empty.
class ScriptedPrompts final : public Prompts {
public:
    ScriptedPrompts& Answer(MsgAnswer answer);
    // A choice answered by pressing the button captioned `button` ('&' and all).
    ScriptedPrompts& AnswerChoice(const QString& button);
    ScriptedPrompts& AnswerInput(const QString& text);
    ScriptedPrompts& AnswerFile(const QString& path);
    ScriptedPrompts& AnswerSaveFile(const QString& path); // empty: cancelled
    ScriptedPrompts& AnswerFolder(const QString& folder);

    const QList<Prompt>& Asked() const { return m_asked; }
    // Answers queued but not yet used; a finished script leaves none.
    qsizetype Pending() const { return m_script.size(); }

    MsgAnswer MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title,
                     MsgDefault defaultButton = MsgDefault::Button1) override;
    int Choose(const QString& text, MsgIcon icon, const QString& title, const QStringList& buttons,
               int defaultButton, int cancelButton) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& proposed) override;
    QString GetOpenFileName(const QString& title, const QString& folder, const QString& filter) override;
    QString GetSaveFileName(const QString& title, const QString& proposed, const QString& filter) override;
    QString BrowseForFolder(const QString& prompt) override;
    // Records the link and says it opened.
    bool OpenUrl(const QUrl& url) override {
        m_opened << url;
        return true;
    }
    const QList<QUrl>& Opened() const { return m_opened; }

private:
    struct Step {
        Prompt::Kind kind = Prompt::Kind::Message;
        MsgAnswer answer = MsgAnswer::Cancel;
        QString text;
    };

    // Records the prompt and takes the next step if it is of the prompt's kind; otherwise fails
    // the test and returns false.
    bool Take(const Prompt& prompt, Step& step);

    QList<Prompt> m_asked;
    QList<Step> m_script;
    QList<QUrl> m_opened;
};
