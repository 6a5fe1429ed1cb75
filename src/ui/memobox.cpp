#include "ui/memobox.h"

#include "data/ansitext.h"

#include <QLabel>
#include <QTextCursor>

#include <algorithm>

namespace {
qsizetype StoredLengthOf(QStringView text) {
    return text.size() + text.count(u'\n');
}
} // namespace

MemoBox::MemoBox(QWidget* parent) : QPlainTextEdit(parent) {
    connect(this, &QPlainTextEdit::textChanged, this, &MemoBox::LimitLength);
}

QString MemoBox::Text() const {
    QString text = toPlainText();
    text.replace(QLatin1Char('\n'), CrLf);
    return text;
}

void MemoBox::SetText(const QString& text) {
    QString shown = text;
    shown.replace(CrLf, QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setPlainText(shown);
}

qsizetype MemoBox::StoredLength() const {
    return StoredLengthOf(toPlainText());
}

void MemoBox::LimitLength() {
    if (m_limiting)
        return;
    const QString text = toPlainText();
    qsizetype excess = m_maxLength > 0 ? StoredLengthOf(text) - m_maxLength : 0;
    if (excess > 0) {
        // Drop the characters just typed or pasted, which stand before the cursor.
        m_limiting = true;
        QTextCursor cursor = textCursor();
        const int end = cursor.position();
        int start = end;
        while (excess > 0 && start > 0) {
            excess -= text.at(start - 1) == QLatin1Char('\n') ? 2 : 1;
            --start;
        }
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        setTextCursor(cursor);
        if (excess > 0) {
            // Text put in whole rather than typed: keep its beginning.
            QString kept = toPlainText();
            while (StoredLengthOf(kept) > m_maxLength)
                kept.chop(1);
            setPlainText(kept);
            moveCursor(QTextCursor::End);
        }
        m_limiting = false;
    }
    emit Changed();
}

void ShowSpaceFull(QLabel* label, qsizetype length, int maxLength) {
    if (length == 0) {
        label->hide();
        return;
    }
    const double ratio = std::max(0.01, double(length) / maxLength);
    label->setText(QStringLiteral(" ") + QString::number(qRound(ratio * 100)) + QStringLiteral("% full "));
    const double edge = std::min(ratio, 0.999);
    label->setStyleSheet(
        QStringLiteral("QLabel { border: 1px solid rgb(0,0,128); color: rgb(0,0,64); background: "
                       "qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 rgb(150,190,240), stop:%1 "
                       "rgb(150,190,240), stop:%2 rgb(255,255,255), stop:1 rgb(255,255,255)); }")
            .arg(edge)
            .arg(edge + 0.001));
    label->show();
}
