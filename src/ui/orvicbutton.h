#pragma once

#include <QColor>
#include <QPushButton>
#include <QString>

// The program's command button. Captions are set as the program words them ("&" marks the
// access key, CR LF separates two lines); colours follow the button's four colour properties,
// the "over" pair while the pointer is on it. `Tag` carries one-shot hand-overs between windows.
class OrvicButton : public QPushButton {
    Q_OBJECT

public:
    explicit OrvicButton(QWidget* parent = nullptr);
    OrvicButton(const QString& objectName, QWidget* parent);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);

    QString Tag;

    QColor BackColor() const { return m_backColor; }
    QColor BackOver() const { return m_backOver; }
    QColor ForeColor() const { return m_foreColor; }
    QColor ForeOver() const { return m_foreOver; }
    void SetBackColor(const QColor& c);
    void SetBackOver(const QColor& c);
    void SetForeColor(const QColor& c);
    void SetForeOver(const QColor& c);

    bool FontBold() const { return font().bold(); }
    void SetFontBold(bool bold);

    void Refresh() { update(); }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void ApplyColors();

    QString m_caption;
    QColor m_backColor;
    QColor m_backOver;
    QColor m_foreColor;
    QColor m_foreOver;
    bool m_hovered = false;
};
