#pragma once

#include "ui/buttondrawing.h"

#include <QColor>
#include <QImage>
#include <QPushButton>
#include <QString>
#include <QVariantMap>

// The program's command button, painted entirely by itself: a face of type 3, 11 or 14 (any other
// type a plain face), an optional picture, a centred caption of one or more lines with an access
// key, and its own looks for normal, hovered, pressed, checked, disabled and focused. Captions
// are set as the program words them ("&" marks the access key, "&&" is an ampersand, CR LF
// separates two lines). `Tag` carries one-shot hand-overs between windows.
//
// Clicks, the Space key, access keys, the default button and two-state behaviour are the push
// button's own; the button adds the events of the program's control as signals.
class OrvicButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(int ButtonType READ ButtonType WRITE SetButtonType)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int ColorScheme READ ColorScheme WRITE SetColorScheme)
    Q_PROPERTY(bool ShowFocusRect READ ShowFocusRect WRITE SetShowFocusRect)
    Q_PROPERTY(QColor BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(QColor BackOver READ BackOver WRITE SetBackOver)
    Q_PROPERTY(QColor ForeColor READ ForeColor WRITE SetForeColor)
    Q_PROPERTY(QColor ForeOver READ ForeOver WRITE SetForeOver)
    Q_PROPERTY(QColor MaskColor READ MaskColor WRITE SetMaskColor)
    Q_PROPERTY(int MousePointer READ MousePointer WRITE SetMousePointer)
    Q_PROPERTY(QImage MouseIcon READ MouseIcon WRITE SetMouseIcon)
    Q_PROPERTY(QImage PictureNormal READ PictureNormal WRITE SetPictureNormal)
    Q_PROPERTY(QImage PictureOver READ PictureOver WRITE SetPictureOver)
    Q_PROPERTY(bool UseMaskColor READ UseMaskColor WRITE SetUseMaskColor)
    Q_PROPERTY(bool SoftBevel READ SoftBevel WRITE SetSoftBevel)
    Q_PROPERTY(int PicturePosition READ PicturePosition WRITE SetPicturePosition)
    Q_PROPERTY(bool UseGreyscale READ UseGreyscale WRITE SetUseGreyscale)
    Q_PROPERTY(int SpecialEffect READ SpecialEffect WRITE SetSpecialEffect)
    Q_PROPERTY(bool CheckBoxBehaviour READ CheckBoxBehaviour WRITE SetCheckBoxBehaviour)
    Q_PROPERTY(bool Value READ Value WRITE SetValue)
    Q_PROPERTY(QString Version READ Version)

public:
    explicit OrvicButton(QWidget* parent = nullptr);
    OrvicButton(const QString& objectName, QWidget* parent);

    static QString Version() { return QStringLiteral("w2005.08.15"); }

    int ButtonType() const { return m_type; }
    void SetButtonType(int type);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    int ColorScheme() const { return m_scheme; }
    void SetColorScheme(int scheme);
    bool ShowFocusRect() const { return m_showFocusRect; }
    void SetShowFocusRect(bool show);

    QColor BackColor() const { return m_backColor; }
    QColor BackOver() const { return m_backOver; }
    QColor ForeColor() const { return m_foreColor; }
    QColor ForeOver() const { return m_foreOver; }
    void SetBackColor(const QColor& c);
    void SetBackOver(const QColor& c);
    void SetForeColor(const QColor& c);
    void SetForeOver(const QColor& c);
    QColor MaskColor() const { return m_maskColor; }
    void SetMaskColor(const QColor& c);

    // The mouse pointer over the button, numbered as the platform's pointers (0 the container's,
    // 1 arrow, 2 cross, 3 I-beam, ... 11 hourglass, ... 15 size all; 99 `MouseIcon`).
    int MousePointer() const { return m_mousePointer; }
    void SetMousePointer(int pointer);
    QImage MouseIcon() const { return m_mouseIcon; }
    void SetMouseIcon(const QImage& icon);

    QImage PictureNormal() const { return m_pictureNormal; }
    void SetPictureNormal(const QImage& picture);
    QImage PictureOver() const { return m_pictureOver; }
    void SetPictureOver(const QImage& picture);
    bool UseMaskColor() const { return m_useMaskColor; }
    void SetUseMaskColor(bool use);
    bool SoftBevel() const { return m_softBevel; }
    void SetSoftBevel(bool soft);
    int PicturePosition() const { return m_picturePosition; }
    void SetPicturePosition(int position);
    bool UseGreyscale() const { return m_useGreyscale; }
    void SetUseGreyscale(bool grey);
    int SpecialEffect() const { return m_specialEffect; }
    void SetSpecialEffect(int effect);
    bool CheckBoxBehaviour() const { return isCheckable(); }
    void SetCheckBoxBehaviour(bool twoState);
    bool Value() const { return isChecked(); }
    void SetValue(bool checked);

    bool FontBold() const { return font().bold(); }
    void SetFontBold(bool bold);

    QString Tag;

    void Refresh() { update(); }

    // The settings as a keyed property bag, under the keys the program has always used; a key
    // missing from the bag reads as its default, and a setting at its default is not written.
    void ReadProperties(const QVariantMap& bag);
    QVariantMap WriteProperties() const;

    // Where the caption is drawn (pixels), and the room it has: between the picture (if any) and
    // the sides, and inside the frames from top to bottom.
    QRect CaptionBox() const { return m_captionBox; }
    QRect CaptionRoom() const;
    bool IsHovered() const { return m_hovered; }
    // The face as it is drawn now.
    ButtonFace Face() const;

signals:
    void Click();
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void KeyPress(int keyAscii);
    void KeyDown(int keyCode, int shift);
    void KeyUp(int keyCode, int shift);
    void MouseOver();
    void MouseIn();
    void MouseOut();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Changed(); // a setting changed: lay out again and repaint
    void ApplyMousePointer();
    void HoverStart();
    void HoverEnd();
    void LayOut();
    ButtonPalette Palette(bool hovered) const;

    int m_type = 14;
    QString m_caption;
    int m_scheme = 2;
    bool m_showFocusRect = true;
    QColor m_backColor;
    QColor m_backOver;
    QColor m_foreColor;
    QColor m_foreOver;
    QColor m_maskColor = QColor(0xC0, 0xC0, 0xC0);
    int m_mousePointer = 0;
    QImage m_mouseIcon;
    QImage m_pictureNormal;
    QImage m_pictureOver;
    bool m_useMaskColor = true;
    bool m_softBevel = false;
    int m_picturePosition = 0;
    bool m_useGreyscale = false;
    int m_specialEffect = 0;

    bool m_hovered = false;
    QRect m_captionBox;
    QPoint m_pictureAt;
};
