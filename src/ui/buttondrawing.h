#pragma once

#include "ui/buttonpalette.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>

#include <memory>

class QPainter;
class QPaintDevice;
class QTextLayout;

// A caption laid out as it is drawn: broken at spaces to fit a width and at the line breaks it
// holds, "&&" shown as "&", the access key underlined. The button measures its caption box with
// it and draws the caption with it, so that what is measured is what shows (an underlined key
// parts a kerning pair, and a measure that kerns them comes out narrower than the drawing).
class CaptionLayout {
public:
    // `caption` as the button holds it ("&" marks the access key, "\n" breaks lines); `device`
    // gives the resolution the font is measured at.
    CaptionLayout(const QString& caption, const QFont& font, qreal width, const QPaintDevice* device);
    ~CaptionLayout();
    CaptionLayout(const CaptionLayout&) = delete;
    CaptionLayout& operator=(const CaptionLayout&) = delete;

    // The widest line by the height of all lines, rounded up to whole pixels.
    QSize Size() const;
    // Draws the lines centred in `box`, in the painter's pen colour.
    void Draw(QPainter& painter, const QRect& box) const;

private:
    std::unique_ptr<QTextLayout> m_layout;
    qreal m_width;
    QSizeF m_size;
};

// Everything a button's face is drawn from: its look, its state and its laid-out parts.
struct ButtonFace {
    int buttonType = 14;
    ButtonPalette palette; // derived from the hovered face while hovered
    bool softBevel = false;
    int specialEffect = 0;
    bool enabled = true;
    bool hovered = false;
    bool pressed = false; // held down, or a two-state button that is checked
    bool showFocusRect = true;
    bool hasFocus = false;
    bool isDefault = false; // the window's default button (type 3 shows it as focused)
    QString caption;        // "&" marks the access key, "\n" breaks lines
    QFont font;
    QSize size;       // pixels
    QRect captionBox; // the pressed box is this one moved by (1, 1)
    QRect focusRect;
    QImage pictureNormal; // none when null
    QImage pictureOver;
    int picturePosition = 0; // 0 left, 1 right, 2 above, 3 below, 4 behind the caption
    QPoint pictureAt;        // the picture's place when not pressed
    ButtonColour maskColor = 0xC0C0C0;
    bool useMaskColor = true;
    bool useGreyscale = false;
};

// The shape of a button: types 3 and 14 clip their corners, the others are the whole rectangle.
QRegion ComputeRegion(int buttonType, QSize size);

// Paints the whole face (types 3, 11 and 14 as designed, any other type a plain face with caption
// and picture) on `surface`, an ARGB32 premultiplied image of `face.size`. Type 11 paints nothing
// under its bevels and caption, so that what lies behind the button shows through.
void DrawButton(QImage& surface, const ButtonFace& face);

// How RenderPicture writes the picture's pixels.
struct PictureMode {
    bool useMaskColor = true;
    ButtonColour maskColor = 0xC0C0C0;
    bool greyscale = false;
    bool silhouette = false; // every pixel in `solid`...
    ButtonColour solid = 0;
    bool brightnessTest = false; // ...but those with red + green + blue >= 385
};

// Writes `picture` over `surface` with its top left corner at `at`, pixel by pixel as `mode` says;
// a pixel of the mask colour leaves the surface's pixel as it was.
void RenderPicture(QImage& surface, const QImage& picture, QPoint at, const PictureMode& mode);

// The grey of a colour: round(round(0.3 × red) + 0.59 × green + 0.11 × blue), halves to even.
int GreyOf(int red, int green, int blue);
