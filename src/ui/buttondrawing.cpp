#include "ui/buttondrawing.h"

#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace {

QColor Rgb(ButtonColour c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// The painting steps of one face, on one image.
class Painter {
public:
    Painter(QImage& surface, const ButtonFace& face)
        : m_surface(surface), m_face(face), m_p(&surface), m_w(face.size.width()), m_h(face.size.height()) {}

    ButtonColour Shift(ButtonColour c, int amount, bool blueScaled = false) const {
        return ShiftColour(c, amount, blueScaled, m_face.softBevel);
    }

    void Fill(int x, int y, int w, int h, ButtonColour c) {
        if (w > 0 && h > 0)
            m_p.fillRect(x, y, w, h, Rgb(c));
    }
    void HLine(int x1, int x2, int y, ButtonColour c) { Fill(x1, y, x2 - x1 + 1, 1, c); }
    void VLine(int x, int y1, int y2, ButtonColour c) { Fill(x, y1, 1, y2 - y1 + 1, c); }
    void Pixel(int x, int y, ButtonColour c) { Fill(x, y, 1, 1, c); }
    // A one-pixel frame `inset` pixels in from the edge.
    void Frame(int inset, ButtonColour c) {
        const int l = inset, t = inset, r = m_w - 1 - inset, b = m_h - 1 - inset;
        if (r < l || b < t)
            return;
        HLine(l, r, t, c);
        HLine(l, r, b, c);
        VLine(l, t, b, c);
        VLine(r, t, b, c);
    }
    // Row i of h (1 to h) in shift(from, i × steps ÷ h); `upwards` runs it from the bottom.
    void Gradient(ButtonColour from, int steps, bool upwards) {
        for (int i = 1; i <= m_h; ++i)
            HLine(0, m_w - 1, upwards ? m_h - i : i - 1, Shift(from, i * steps / m_h));
    }
    void CornerPixels(ButtonColour c) {
        Pixel(1, 1, c);
        Pixel(m_w - 2, 1, c);
        Pixel(1, m_h - 2, c);
        Pixel(m_w - 2, m_h - 2, c);
    }
    // Lines just inside the frame: bottom, the row above it, right, the column inside it, top,
    // the row below it, left, the column inside it.
    void Bevel(const ButtonColour (&c)[8]) {
        HLine(1, m_w - 2, m_h - 2, c[0]);
        HLine(2, m_w - 3, m_h - 3, c[1]);
        VLine(m_w - 2, 1, m_h - 2, c[2]);
        VLine(m_w - 3, 2, m_h - 3, c[3]);
        HLine(1, m_w - 2, 1, c[4]);
        HLine(2, m_w - 3, 2, c[5]);
        VLine(1, 1, m_h - 2, c[6]);
        VLine(2, 2, m_h - 3, c[7]);
    }
    // A coloured inner frame (type 3's focus and hover looks): the frame one in from the edge,
    // then inside it the bottom line, the two top rows and the left and right columns.
    void InnerFrame(ButtonColour frame, ButtonColour bottom, ButtonColour top1, ButtonColour top2,
                    ButtonColour sides) {
        Frame(1, frame);
        HLine(2, m_w - 3, m_h - 3, bottom);
        HLine(2, m_w - 3, 2, top1);
        HLine(2, m_w - 3, 3, top2);
        VLine(2, 4, m_h - 4, sides);
        VLine(m_w - 3, 4, m_h - 4, sides);
    }

    void Text(const QRect& box, ButtonColour c) {
        m_p.setPen(Rgb(c));
        CaptionLayout(m_face.caption, m_face.font, box.width(), &m_surface).Draw(m_p, box);
    }
    // The caption with its special effect under it (`base` is the effect's colour base).
    void Caption(const QRect& box, ButtonColour c, ButtonColour base) {
        const int fx = m_face.specialEffect;
        if (fx >= 1) {
            Text(box.translated(1, 1), Shift(base, fx == 2 ? 40 : -40));
            if (fx <= 2)
                Text(box.translated(-1, -1), Shift(base, fx == 1 ? 40 : -40));
        }
        Text(box, c);
    }

    void FocusRect(const QRect& r, ButtonColour c) {
        QPen pen(Rgb(c));
        pen.setStyle(Qt::DotLine);
        m_p.setPen(pen);
        m_p.setBrush(Qt::NoBrush);
        m_p.drawRect(r.adjusted(0, 0, -1, -1));
    }

    void Picture(const QImage& picture, QPoint at, const PictureMode& mode) {
        m_p.end(); // the pixels are written directly, in the surface's own pixels
        const qreal dpr = m_surface.devicePixelRatio();
        if (dpr == 1.0)
            RenderPicture(m_surface, picture, at, mode);
        else
            RenderPicture(m_surface, picture.scaled(picture.size() * dpr), (QPointF(at) * dpr).toPoint(),
                          mode);
        m_p.begin(&m_surface);
    }

    const ButtonFace& Face() const { return m_face; }
    int W() const { return m_w; }
    int H() const { return m_h; }

private:
    QImage& m_surface;
    const ButtonFace& m_face;
    QPainter m_p;
    int m_w;
    int m_h;
};

enum class Look { Normal, Pressed, Disabled };

void DrawPictureStep(Painter& d, Look look, const ButtonPalette& pal) {
    const ButtonFace& f = d.Face();
    const bool hovered = f.hovered && look != Look::Disabled;
    const QImage& picture = hovered && !f.pictureOver.isNull() ? f.pictureOver : f.pictureNormal;
    if (picture.isNull())
        return;
    const QPoint at = look == Look::Pressed ? f.pictureAt + QPoint(1, 1) : f.pictureAt;
    PictureMode mode;
    mode.useMaskColor = f.useMaskColor;
    mode.maskColor = f.maskColor;
    if (look == Look::Disabled) {
        // Embossed, as the disabled caption: highlight one down and right, shadow in place.
        mode.silhouette = true;
        mode.brightnessTest = true;
        mode.solid = pal.highlight;
        d.Picture(picture, at + QPoint(1, 1), mode);
        mode.solid = pal.shadow;
        d.Picture(picture, at, mode);
        return;
    }
    if (hovered && f.specialEffect >= 1) {
        const ButtonColour base = f.buttonType == 3 ? pal.lightFace : pal.face;
        PictureMode fx = mode;
        fx.silhouette = true;
        fx.solid = d.Shift(base, f.specialEffect == 2 ? 40 : -40);
        d.Picture(picture, at + QPoint(1, 1), fx);
        if (f.specialEffect <= 2) {
            fx.solid = d.Shift(base, f.specialEffect == 1 ? 40 : -40);
            d.Picture(picture, at - QPoint(1, 1), fx);
        }
    }
    mode.greyscale = !hovered && f.useGreyscale;
    d.Picture(picture, at, mode);
}

void DrawCaptionStep(Painter& d, Look look, const ButtonPalette& pal) {
    const ButtonFace& f = d.Face();
    if (f.caption.isEmpty())
        return;
    const QRect box = f.captionBox;
    const QRect pressedBox = box.translated(1, 1);
    const ButtonColour base = f.buttonType == 14 ? pal.lightFace : pal.face;
    switch (look) {
    case Look::Disabled:
        if (f.buttonType == 3) {
            d.Text(box, d.Shift(pal.lightFace, -104, true));
        } else {
            d.Text(pressedBox, pal.highlight);
            d.Text(box, pal.shadow);
        }
        break;
    case Look::Pressed:
        if (f.buttonType == 3) {
            d.Caption(pressedBox, pal.textOver, base);
        } else {
            d.Caption(pressedBox, d.Shift(pal.shadow, -50), base);
            d.Text(box, pal.highlight);
        }
        break;
    case Look::Normal:
        d.Caption(box, f.hovered ? pal.textOver : pal.text, base);
        break;
    }
}

void DrawType3(Painter& d, Look look, const ButtonPalette& pal) {
    const ButtonColour lf = pal.lightFace;
    const auto s = [&d, lf](int amount) {
        return d.Shift(lf, amount);
    };
    const ButtonFace& f = d.Face();
    switch (look) {
    case Look::Disabled:
        d.Fill(0, 0, d.W(), d.H(), s(-24));
        DrawCaptionStep(d, look, pal);
        d.Frame(0, s(-84));
        d.CornerPixels(s(-72));
        return;
    case Look::Normal:
        d.Gradient(lf, 25, false);
        DrawCaptionStep(d, look, pal);
        d.Frame(0, 0x733C00);
        if (f.hovered)
            d.InnerFrame(0x31B2FF, 0x0096E7, 0xCEF3FF, 0x8CDBFF, 0x6BCBFF);
        else if (f.showFocusRect && (f.hasFocus || f.isDefault))
            d.InnerFrame(0xE7AE8C, 0xEF826B, 0xFFE7CE, 0xF7D7BD, 0xF0D1B5);
        else
            d.Bevel({s(-48), s(-32), s(-36), s(-24), s(16), s(10), s(-5), s(-10)});
        d.CornerPixels(0x7B4D10);
        return;
    case Look::Pressed: {
        const ButtonColour base = s(-32);
        d.Gradient(base, 25, true);
        DrawCaptionStep(d, look, pal);
        d.Frame(0, 0x733C00);
        const auto b = [&d, base](int amount) {
            return d.Shift(base, amount);
        };
        d.Bevel({b(16), b(10), b(5), lf, b(-32), b(-24), b(-32), b(-22)});
        d.CornerPixels(0x7B4D10);
        return;
    }
    }
}

// Type 14's two frames and its highlight strips, normal and disabled.
void Type14Frames(Painter& d, const ButtonPalette& pal) {
    d.Frame(0, d.Shift(pal.shadow, -50));
    d.Frame(1, d.Shift(pal.face, -9));
    d.Fill(2, 2, d.W() - 4, 2, pal.highlight);
    d.Fill(2, 4, 2, d.H() - 6, pal.highlight);
}

void DrawType14(Painter& d, Look look, const ButtonPalette& pal) {
    const ButtonFace& f = d.Face();
    if (look == Look::Pressed) {
        d.Fill(1, 1, d.W() - 2, d.H() - 2, d.Shift(pal.face, -9));
        DrawCaptionStep(d, look, pal);
        d.Frame(0, d.Shift(pal.shadow, -48));
        d.HLine(1, d.W() - 2, d.H() - 2, pal.highlight);
        d.VLine(d.W() - 2, 1, d.H() - 2, pal.highlight);
        return;
    }
    if (look == Look::Normal && f.hovered)
        d.Fill(0, 0, d.W(), d.H(), pal.light);
    else
        d.Gradient(pal.highlight, 58, false);
    DrawCaptionStep(d, look, pal);
    Type14Frames(d, pal);
}

void DrawType11(Painter& d, Look look, const ButtonPalette& pal) {
    // What lies behind the button shows through; only the bevel is drawn over it.
    DrawCaptionStep(d, look, pal);
    const ButtonFace& f = d.Face();
    const bool raised = look == Look::Normal && f.hovered;
    const bool sunken = look == Look::Pressed;
    if (!raised && !sunken)
        return;
    const ButtonColour topLeft = raised ? pal.highlight : pal.shadow;
    const ButtonColour bottomRight = raised ? pal.shadow : pal.highlight;
    d.HLine(0, d.W() - 1, 0, topLeft);
    d.VLine(0, 0, d.H() - 1, topLeft);
    d.HLine(0, d.W() - 1, d.H() - 1, bottomRight);
    d.VLine(d.W() - 1, 0, d.H() - 1, bottomRight);
}

} // namespace

CaptionLayout::CaptionLayout(const QString& caption, const QFont& font, qreal width,
                             const QPaintDevice* device)
    : m_width(std::max(width, qreal(1))) {
    // The text as shown, and where the access key stands in it.
    QString shown;
    qsizetype key = -1;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption[i];
        if (c == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i;
            if (caption[i] != QLatin1Char('&') && key < 0)
                key = shown.size();
            shown += caption[i];
        } else {
            shown += c == QLatin1Char('\n') ? QChar(QChar::LineSeparator) : c;
        }
    }
    m_layout = std::make_unique<QTextLayout>(shown, font, device);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WordWrap);
    m_layout->setTextOption(option);
    if (key >= 0) {
        QTextCharFormat underlined;
        underlined.setFontUnderline(true);
        m_layout->setFormats({{int(key), 1, underlined}});
    }
    qreal y = 0, widest = 0;
    m_layout->beginLayout();
    for (QTextLine line = m_layout->createLine(); line.isValid(); line = m_layout->createLine()) {
        line.setLineWidth(m_width);
        line.setPosition(QPointF(0, y));
        y += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    m_layout->endLayout();
    m_size = QSizeF(widest, y);
}

CaptionLayout::~CaptionLayout() = default;

QSize CaptionLayout::Size() const {
    return QSize(int(std::ceil(m_size.width())), int(std::ceil(m_size.height())));
}

void CaptionLayout::Draw(QPainter& painter, const QRect& box) const {
    // Each line is centred in the layout's width; that width is centred on the box.
    const QPointF at(box.left() + (box.width() - m_width) / 2,
                     box.top() + (box.height() - m_size.height()) / 2);
    m_layout->draw(&painter, at);
}

QRegion ComputeRegion(int buttonType, QSize size) {
    const int w = size.width();
    const int h = size.height();
    QRegion region(0, 0, w, h);
    if (buttonType == 14) {
        for (const QPoint& corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
            region -= QRegion(corner.x(), corner.y(), 1, 1);
    } else if (buttonType == 3) {
        // A 2 x 1 and a 1 x 2 block at each corner: a rounded look.
        region -= QRegion(0, 0, 2, 1) + QRegion(0, 0, 1, 2);
        region -= QRegion(w - 2, 0, 2, 1) + QRegion(w - 1, 0, 1, 2);
        region -= QRegion(0, h - 1, 2, 1) + QRegion(0, h - 2, 1, 2);
        region -= QRegion(w - 2, h - 1, 2, 1) + QRegion(w - 1, h - 2, 1, 2);
    }
    return region;
}

int GreyOf(int red, int green, int blue) {
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    return int(std::nearbyint(std::nearbyint(0.3 * red) + 0.59 * green + 0.11 * blue));
}

void RenderPicture(QImage& surface, const QImage& picture, QPoint at, const PictureMode& mode) {
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    const QRect area = QRect(at, source.size()).intersected(surface.rect());
    const QRgb solid = qRgb(RedOf(mode.solid), GreenOf(mode.solid), BlueOf(mode.solid));
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine(y - at.y()));
        QRgb* out = reinterpret_cast<QRgb*>(surface.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb px = in[x - at.x()];
            const int r = qRed(px), g = qGreen(px), b = qBlue(px);
            if (mode.useMaskColor && ColourOf(r, g, b) == mode.maskColor)
                continue;
            if (mode.silhouette) {
                if (!mode.brightnessTest || r + g + b < 385)
                    out[x] = solid;
            } else if (mode.greyscale) {
                const int grey = GreyOf(r, g, b);
                out[x] = qRgb(grey, grey, grey);
            } else {
                out[x] = qRgb(r, g, b);
            }
        }
    }
}

void DrawButton(QImage& surface, const ButtonFace& face) {
    if (face.size.isEmpty())
        return;
    const ButtonPalette& pal = face.palette;
    const Look look = !face.enabled ? Look::Disabled : face.pressed ? Look::Pressed : Look::Normal;
    Painter d(surface, face);
    if (face.buttonType != 11)
        d.Fill(0, 0, d.W(), d.H(), pal.face);
    switch (face.buttonType) {
    case 3:
        DrawType3(d, look, pal);
        break;
    case 14:
        DrawType14(d, look, pal);
        break;
    case 11:
        DrawType11(d, look, pal);
        break;
    default:
        DrawCaptionStep(d, look, pal);
        break;
    }
    // The keyboard focus: type 3 shows it by its blue frame, the others by a dotted rectangle.
    if (face.showFocusRect && face.hasFocus && face.enabled &&
        (face.buttonType == 11 || face.buttonType == 14))
        d.FocusRect(face.focusRect, pal.text);
    DrawPictureStep(d, look, pal);
    if (face.picturePosition == 4)
        DrawCaptionStep(d, look, pal); // the caption stays over a picture behind it
}
