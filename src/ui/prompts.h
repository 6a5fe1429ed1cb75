#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class IoStatus;
class QWidget;

// The questions and notices the program puts to the user, behind one interface: the real one
// shows dialogs, the test one answers from a script and records what was asked.
// Texts are passed exactly as the program words them, lines joined by CR LF.

enum class MsgButtons { OKOnly, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgDefault { Button1, Button2, Button3 };
enum class MsgAnswer { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

class Prompts {
public:
    virtual ~Prompts() = default;

    // A message box; returns the button pressed (closing the box counts as Cancel where there is
    // one, else as the only/first button).
    virtual MsgAnswer MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title,
                             MsgDefault defaultButton = MsgDefault::Button1) = 0;

    // A message box whose buttons say what they do: `buttons` are their captions in order ('&'
    // before a letter makes it the access key; the desktop may put the cancel button first). Returns the
    // index of the button pressed; Enter presses `defaultButton`, Escape and closing the box press
    // `cancelButton`.
    virtual int Choose(const QString& text, MsgIcon icon, const QString& title, const QStringList& buttons,
                       int defaultButton, int cancelButton) = 0;

    // An input box with a prompt, a title and a proposed answer; Cancel gives an empty text.
    virtual QString InputBox(const QString& prompt, const QString& title, const QString& proposed) = 0;

    // A file-open dialog; empty when cancelled. `filter` is in Qt's "Name (*.a *.b);;..." form.
    virtual QString GetOpenFileName(const QString& title, const QString& folder, const QString& filter) = 0;

    // A file-save dialog proposing the path `proposed`; the chosen path, or empty when cancelled.
    // It asks before an existing file is replaced.
    virtual QString GetSaveFileName(const QString& title, const QString& proposed, const QString& filter) = 0;

    // A folder chooser showing `prompt` (may hold CR LF); the chosen folder, or empty for Cancel.
    virtual QString BrowseForFolder(const QString& prompt) = 0;

    // Hands a mail or web link to the desktop's default program; false when it cannot be opened.
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// The real dialogs, modal over the active window.
class DialogPrompts final : public Prompts {
public:
    MsgAnswer MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title,
                     MsgDefault defaultButton = MsgDefault::Button1) override;
    int Choose(const QString& text, MsgIcon icon, const QString& title, const QStringList& buttons,
               int defaultButton, int cancelButton) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& proposed) override;
    QString GetOpenFileName(const QString& title, const QString& folder, const QString& filter) override;
    QString GetSaveFileName(const QString& title, const QString& proposed, const QString& filter) override;
    QString BrowseForFolder(const QString& prompt) override;
    bool OpenUrl(const QUrl& url) override;
};

// CR LF (and a lone CR) as the platform's line break, for display.
QString DisplayText(const QString& text);

// The answers a box's buttons give, left to right.
QList<MsgAnswer> ButtonAnswers(MsgButtons buttons);

// What a box answers when it is closed or escaped instead of clicked: Cancel where there is one,
// No for Yes/No, else the first button.
MsgAnswer EscapeAnswer(MsgButtons buttons);

// Shows a failed data-file operation to the user ("File Error", critical icon). Returns whether
// the operation succeeded, so a caller can write `if (!ReportFileError(...)) return;`.
bool ReportFileError(Prompts& prompts, const IoStatus& status);
