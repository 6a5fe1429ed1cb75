#include "ui/prompts.h"
#include "data/fileio.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QMessageBox::StandardButton StandardButtonFor(MsgAnswer answer) {
    switch (answer) {
    case MsgAnswer::OK:
        return QMessageBox::Ok;
    case MsgAnswer::Cancel:
        return QMessageBox::Cancel;
    case MsgAnswer::Abort:
        return QMessageBox::Abort;
    case MsgAnswer::Retry:
        return QMessageBox::Retry;
    case MsgAnswer::Ignore:
        return QMessageBox::Ignore;
    case MsgAnswer::Yes:
        return QMessageBox::Yes;
    case MsgAnswer::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconFor(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString DisplayText(const QString& text) {
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

QList<MsgAnswer> ButtonAnswers(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OKOnly:
        return {MsgAnswer::OK};
    case MsgButtons::OKCancel:
        return {MsgAnswer::OK, MsgAnswer::Cancel};
    case MsgButtons::AbortRetryIgnore:
        return {MsgAnswer::Abort, MsgAnswer::Retry, MsgAnswer::Ignore};
    case MsgButtons::YesNoCancel:
        return {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Cancel};
    case MsgButtons::YesNo:
        return {MsgAnswer::Yes, MsgAnswer::No};
    case MsgButtons::RetryCancel:
        return {MsgAnswer::Retry, MsgAnswer::Cancel};
    }
    return {MsgAnswer::OK};
}

MsgAnswer EscapeAnswer(MsgButtons buttons) {
    const QList<MsgAnswer> answers = ButtonAnswers(buttons);
    if (answers.contains(MsgAnswer::Cancel))
        return MsgAnswer::Cancel;
    if (answers.contains(MsgAnswer::No))
        return MsgAnswer::No;
    return answers.first();
}

MsgAnswer DialogPrompts::MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title,
                                MsgDefault defaultButton) {
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(IconFor(icon));
    box.setWindowTitle(title);
    // Messages quote names and notes from the records; those must show as typed, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(DisplayText(text));

    const QList<MsgAnswer> answers = ButtonAnswers(buttons);
    for (MsgAnswer answer : answers)
        box.addButton(StandardButtonFor(answer));
    const auto index = static_cast<qsizetype>(defaultButton);
    box.setDefaultButton(StandardButtonFor(answers.value(index, answers.first())));
    const MsgAnswer escape = EscapeAnswer(buttons);
    box.setEscapeButton(StandardButtonFor(escape));

    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked == nullptr)
        return escape;
    switch (box.standardButton(clicked)) {
    case QMessageBox::Ok:
        return MsgAnswer::OK;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Abort:
        return MsgAnswer::Abort;
    case QMessageBox::Retry:
        return MsgAnswer::Retry;
    case QMessageBox::Ignore:
        return MsgAnswer::Ignore;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        return escape;
    }
}

int DialogPrompts::Choose(const QString& text, MsgIcon icon, const QString& title, const QStringList& buttons,
                          int defaultButton, int cancelButton) {
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(IconFor(icon));
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(DisplayText(text));
    QList<QPushButton*> added;
    for (qsizetype i = 0; i < buttons.size(); ++i)
        added << box.addButton(buttons[i],
                               i == cancelButton ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    if (defaultButton >= 0 && defaultButton < added.size())
        box.setDefaultButton(added[defaultButton]);
    if (cancelButton >= 0 && cancelButton < added.size())
        box.setEscapeButton(added[cancelButton]);
    box.exec();
    const qsizetype clicked = added.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return clicked >= 0 ? int(clicked) : cancelButton;
}

QString DialogPrompts::InputBox(const QString& prompt, const QString& title, const QString& proposed) {
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(DisplayText(prompt));
    dialog.setTextValue(proposed);
    for (QLabel* label : dialog.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    // Sized by its answer line alone the box is so narrow that the window manager cuts the title
    // short. The answer line is made wide enough for the title in a bold title-bar font beside the
    // window's icon and frame buttons, each about as wide as the bar is high (two text lines).
    QFont titleFont = dialog.font();
    titleFont.setBold(true);
    const QFontMetrics titleMetrics(titleFont);
    const int titleBarHeight = 2 * titleMetrics.height();
    if (auto* answer = dialog.findChild<QLineEdit*>())
        answer->setMinimumWidth(titleMetrics.horizontalAdvance(title) + 5 * titleBarHeight);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue();
}

QString DialogPrompts::GetOpenFileName(const QString& title, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, folder, filter);
}

QString DialogPrompts::GetSaveFileName(const QString& title, const QString& proposed, const QString& filter) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, proposed, filter);
}

QString DialogPrompts::BrowseForFolder(const QString& prompt) {
    // Native folder choosers have no room for a prompt, so the chooser is Qt's own, embedded
    // under a label that carries the prompt's lines.
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(QStringLiteral("Browse for Folder"));
    auto* layout = new QVBoxLayout(&dialog);

    auto* label = new QLabel(&dialog);
    label->setTextFormat(Qt::PlainText);
    label->setText(DisplayText(prompt));
    layout->addWidget(label);

    auto* chooser = new QFileDialog(&dialog);
    chooser->setWindowFlags(Qt::Widget);
    chooser->setOption(QFileDialog::DontUseNativeDialog);
    chooser->setOption(QFileDialog::ShowDirsOnly);
    chooser->setFileMode(QFileDialog::Directory);
    layout->addWidget(chooser);
    QObject::connect(chooser, &QDialog::finished, &dialog, &QDialog::done);

    if (dialog.exec() != QDialog::Accepted)
        return {};
    return chooser->selectedFiles().value(0);
}

bool DialogPrompts::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

bool ReportFileError(Prompts& prompts, const IoStatus& status) {
    if (status.Ok())
        return true;
    prompts.MsgBox(status.Message(), MsgButtons::OKOnly, MsgIcon::Critical, QStringLiteral("File Error"));
    return false;
}
