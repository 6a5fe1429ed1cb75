#pragma once

#include <QPlainTextEdit>
#include <QString>

class QLabel;

// A multi-line box whose text is kept as the data files hold it: lines joined by CR LF, and a
// maximum length counted that way (a line break takes two characters of the field). What is
// typed or pasted past the maximum is refused.
class MemoBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit MemoBox(QWidget* parent = nullptr);

    int MaxLength() const { return m_maxLength; }
    void SetMaxLength(int length) { m_maxLength = length; }

    // The text with CR LF line breaks, and setting it from such a text.
    QString Text() const;
    void SetText(const QString& text);
    // Length of Text().
    qsizetype StoredLength() const;

signals:
    // The text changed and is within the maximum.
    void Changed();

private:
    void LimitLength();

    int m_maxLength = 0; // 0 = no limit
    bool m_limiting = false;
};

// The fill gauge of a box with room for `maxLength` characters: hidden when empty, otherwise
// " n% full " (never less than 1%), its face filling from the left.
void ShowSpaceFull(QLabel* label, qsizetype length, int maxLength);
