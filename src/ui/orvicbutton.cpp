#include "ui/orvicbutton.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

namespace {

ButtonColour ToButtonColour(const QColor& c) {
    return ColourOf(c.red(), c.green(), c.blue());
}

QColor ToColor(ButtonColour c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// The mouse button as the control's events number it: left 1, right 2, middle 4.
int ButtonCode(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

// Shift 1, Ctrl 2, Alt 4.
int ShiftCode(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

// The keys of the property bag and what a missing key reads as.
namespace Key {
const QString ButtonType = QStringLiteral("BTYPE");
const QString Caption = QStringLiteral("TX");
const QString Enabled = QStringLiteral("ENAB");
const QString Font = QStringLiteral("FONT");
const QString ColorScheme = QStringLiteral("COLTYPE");
const QString ShowFocusRect = QStringLiteral("FOCUSR");
const QString BackColor = QStringLiteral("BCOL");
const QString BackOver = QStringLiteral("BCOLO");
const QString ForeColor = QStringLiteral("FCOL");
const QString ForeOver = QStringLiteral("FCOLO");
const QString MaskColor = QStringLiteral("MCOL");
const QString MousePointer = QStringLiteral("MPTR");
const QString MouseIcon = QStringLiteral("MICON");
const QString PictureNormal = QStringLiteral("PICN");
const QString PictureOver = QStringLiteral("PICH");
const QString UseMaskColor = QStringLiteral("UMCOL");
const QString SoftBevel = QStringLiteral("SOFT");
const QString PicturePosition = QStringLiteral("PICPOS");
const QString UseGreyscale = QStringLiteral("NGREY");
const QString SpecialEffect = QStringLiteral("FX");
const QString CheckBoxBehaviour = QStringLiteral("CHECK");
const QString Value = QStringLiteral("VALUE");
} // namespace Key

constexpr ButtonColour DefaultMask = 0xC0C0C0;

// The program's button look, chosen once for every window: type 14 of the custom scheme on a
// blue-grey face that goes with the windows' backgrounds (the system's near-white face would
// leave the gradient, the hovered and the pressed looks hardly apart). Buttons that the windows
// colour themselves keep their own colours.
const QColor ProgramFace(196, 210, 222);
const QColor ProgramText(0, 0, 0);

} // namespace

OrvicButton::OrvicButton(QWidget* parent) : QPushButton(parent) {
    m_backColor = m_backOver = ProgramFace;
    m_foreColor = m_foreOver = ProgramText;
    setAutoDefault(false);
    connect(this, &QAbstractButton::clicked, this, &OrvicButton::Click);
    Changed();
}

OrvicButton::OrvicButton(const QString& objectName, QWidget* parent) : OrvicButton(parent) {
    setObjectName(objectName);
}

void OrvicButton::SetButtonType(int type) {
    m_type = type;
    Changed();
}

void OrvicButton::SetCaption(const QString& caption) {
    m_caption = caption;
    QString shown = caption;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setText(shown); // the push button takes its access key from it
    Changed();
}

void OrvicButton::SetColorScheme(int scheme) {
    m_scheme = scheme;
    Changed();
}

void OrvicButton::SetShowFocusRect(bool show) {
    m_showFocusRect = show;
    Changed();
}

void OrvicButton::SetBackColor(const QColor& c) {
    m_backColor = c;
    Changed();
}

void OrvicButton::SetBackOver(const QColor& c) {
    m_backOver = c;
    Changed();
}

void OrvicButton::SetForeColor(const QColor& c) {
    m_foreColor = c;
    Changed();
}

void OrvicButton::SetForeOver(const QColor& c) {
    m_foreOver = c;
    Changed();
}

void OrvicButton::SetMaskColor(const QColor& c) {
    m_maskColor = c;
    Changed();
}

void OrvicButton::SetMousePointer(int pointer) {
    m_mousePointer = pointer;
    ApplyMousePointer();
}

void OrvicButton::SetMouseIcon(const QImage& icon) {
    m_mouseIcon = icon;
    ApplyMousePointer();
}

void OrvicButton::ApplyMousePointer() {
    // The platform's pointers 1 to 15 in their order; 4, an icon, has no likeness here.
    static constexpr Qt::CursorShape Shapes[] = {Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
                                                 Qt::ArrowCursor,   Qt::SizeAllCursor,   Qt::SizeBDiagCursor,
                                                 Qt::SizeVerCursor, Qt::SizeFDiagCursor, Qt::SizeHorCursor,
                                                 Qt::UpArrowCursor, Qt::WaitCursor,      Qt::ForbiddenCursor,
                                                 Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor};
    constexpr int Custom = 99;
    if (m_mousePointer == Custom && !m_mouseIcon.isNull())
        setCursor(QCursor(QPixmap::fromImage(m_mouseIcon)));
    else if (m_mousePointer >= 1 && m_mousePointer <= int(std::size(Shapes)))
        setCursor(Shapes[m_mousePointer - 1]);
    else
        unsetCursor();
}

void OrvicButton::SetPictureNormal(const QImage& picture) {
    m_pictureNormal = picture;
    Changed();
}

void OrvicButton::SetPictureOver(const QImage& picture) {
    m_pictureOver = picture;
    Changed();
}

void OrvicButton::SetUseMaskColor(bool use) {
    m_useMaskColor = use;
    Changed();
}

void OrvicButton::SetSoftBevel(bool soft) {
    m_softBevel = soft;
    Changed();
}

void OrvicButton::SetPicturePosition(int position) {
    m_picturePosition = position;
    Changed();
}

void OrvicButton::SetUseGreyscale(bool grey) {
    m_useGreyscale = grey;
    Changed();
}

void OrvicButton::SetSpecialEffect(int effect) {
    m_specialEffect = effect;
    Changed();
}

void OrvicButton::SetCheckBoxBehaviour(bool twoState) {
    setCheckable(twoState);
    Changed();
}

void OrvicButton::SetValue(bool checked) {
    setChecked(checked);
    Changed();
}

void OrvicButton::SetFontBold(bool bold) {
    QFont f = font();
    f.setBold(bold);
    setFont(f);
    Changed();
}

void OrvicButton::ReadProperties(const QVariantMap& bag) {
    const QPalette system = QApplication::palette();
    const auto read = [&bag](const QString& key, const QVariant& missing) {
        return bag.value(key, missing);
    };
    m_type = read(Key::ButtonType, 2).toInt();
    const QString caption = read(Key::Caption, QString()).toString();
    setEnabled(read(Key::Enabled, true).toBool());
    if (bag.contains(Key::Font))
        setFont(bag.value(Key::Font).value<QFont>());
    m_scheme = read(Key::ColorScheme, 1).toInt();
    m_showFocusRect = read(Key::ShowFocusRect, true).toBool();
    const auto colour = [&](const QString& key, const QColor& missing) {
        return bag.contains(key) ? ToColor(bag.value(key).toUInt()) : missing;
    };
    m_backColor = colour(Key::BackColor, system.color(QPalette::Button));
    m_backOver = colour(Key::BackOver, m_backColor);
    m_foreColor = colour(Key::ForeColor, system.color(QPalette::ButtonText));
    m_foreOver = colour(Key::ForeOver, m_foreColor);
    m_maskColor = colour(Key::MaskColor, ToColor(DefaultMask));
    m_mousePointer = read(Key::MousePointer, 0).toInt();
    m_mouseIcon = read(Key::MouseIcon, QImage()).value<QImage>();
    ApplyMousePointer();
    m_pictureNormal = read(Key::PictureNormal, QImage()).value<QImage>();
    m_pictureOver = read(Key::PictureOver, QImage()).value<QImage>();
    m_useMaskColor = read(Key::UseMaskColor, true).toBool();
    m_softBevel = read(Key::SoftBevel, false).toBool();
    m_picturePosition = read(Key::PicturePosition, 0).toInt();
    m_useGreyscale = read(Key::UseGreyscale, false).toBool();
    m_specialEffect = read(Key::SpecialEffect, 0).toInt();
    setCheckable(read(Key::CheckBoxBehaviour, false).toBool());
    setChecked(read(Key::Value, false).toBool());
    SetCaption(caption); // lays out and repaints
}

QVariantMap OrvicButton::WriteProperties() const {
    const QPalette system = QApplication::palette();
    QVariantMap bag;
    const auto write = [&bag](const QString& key, const QVariant& value, const QVariant& byDefault) {
        if (value != byDefault)
            bag.insert(key, value);
    };
    const auto colour = [&](const QString& key, const QColor& value, const QColor& byDefault) {
        if (ToButtonColour(value) != ToButtonColour(byDefault))
            bag.insert(key, uint(ToButtonColour(value)));
    };
    write(Key::ButtonType, m_type, 2);
    write(Key::Caption, m_caption, QString());
    write(Key::Enabled, isEnabled(), true);
    bag.insert(Key::Font, font());
    write(Key::ColorScheme, m_scheme, 1);
    write(Key::ShowFocusRect, m_showFocusRect, true);
    colour(Key::BackColor, m_backColor, system.color(QPalette::Button));
    colour(Key::BackOver, m_backOver, m_backColor);
    colour(Key::ForeColor, m_foreColor, system.color(QPalette::ButtonText));
    colour(Key::ForeOver, m_foreOver, m_foreColor);
    colour(Key::MaskColor, m_maskColor, ToColor(DefaultMask));
    write(Key::MousePointer, m_mousePointer, 0);
    if (!m_mouseIcon.isNull())
        bag.insert(Key::MouseIcon, m_mouseIcon);
    if (!m_pictureNormal.isNull())
        bag.insert(Key::PictureNormal, m_pictureNormal);
    if (!m_pictureOver.isNull())
        bag.insert(Key::PictureOver, m_pictureOver);
    write(Key::UseMaskColor, m_useMaskColor, true);
    write(Key::SoftBevel, m_softBevel, false);
    write(Key::PicturePosition, m_picturePosition, 0);
    write(Key::UseGreyscale, m_useGreyscale, false);
    write(Key::SpecialEffect, m_specialEffect, 0);
    write(Key::CheckBoxBehaviour, isCheckable(), false);
    write(Key::Value, isChecked(), false);
    return bag;
}

ButtonPalette OrvicButton::Palette(bool hovered) const {
    const QPalette system = QApplication::palette();
    const QPalette container = parentWidget() ? parentWidget()->palette() : system;
    ButtonPaletteInputs in;
    in.colorScheme = m_scheme;
    in.buttonType = m_type;
    in.softBevel = m_softBevel;
    in.hovered = hovered;
    in.backColor = ToButtonColour(m_backColor);
    in.backOver = ToButtonColour(m_backOver);
    in.foreColor = ToButtonColour(m_foreColor);
    in.foreOver = ToButtonColour(m_foreOver);
    in.system.face = ToButtonColour(system.color(QPalette::Button));
    in.system.text = ToButtonColour(system.color(QPalette::ButtonText));
    in.system.shadow = ToButtonColour(system.color(QPalette::Dark));
    in.system.light = ToButtonColour(system.color(QPalette::Midlight));
    in.system.darkShadow = ToButtonColour(system.color(QPalette::Shadow));
    in.system.highlight = ToButtonColour(system.color(QPalette::Light));
    in.system.selection = ToButtonColour(system.color(QPalette::Highlight));
    in.system.containerBack = ToButtonColour(container.color(QPalette::Window));
    in.system.containerText = ToButtonColour(container.color(QPalette::WindowText));
    return ComputePalette(in);
}

QRect OrvicButton::CaptionRoom() const {
    const int w = width();
    const int h = height();
    const int pw = m_pictureNormal.width();
    switch (m_picturePosition) {
    case 0:
        return QRect(QPoint(pw + 4, 2), QPoint(w - 8 - 1, h - 2 - 1));
    case 1:
        return QRect(QPoint(4, 2), QPoint(w - pw - 8 - 1, h - 2 - 1));
    default:
        return QRect(QPoint(4, 2), QPoint(w - 8 - 1, h - 2 - 1));
    }
}

void OrvicButton::LayOut() {
    const int w = width();
    const int h = height();
    const int pw = m_pictureNormal.width();
    const int ph = m_pictureNormal.height();
    // The caption's box before it is measured: left, top and right (its height is the text's).
    int l = 4, t = 4, r = w - 8;
    switch (m_picturePosition) {
    case 0:
        l = pw + 4;
        break;
    case 1:
        r = w - pw - 8;
        break;
    case 2:
        t = ph + 4;
        break;
    case 4:
        t = 1;
        break;
    default:
        break;
    }
    // Measured with the layout the caption is drawn with, in the width of the box.
    const QSize measured = CaptionLayout(text(), font(), r - l, this).Size();
    const int measuredRight = l + measured.width();
    const int measuredBottom = t + measured.height();
    const int dx = (w - measuredRight) / 2 - (m_picturePosition == 1 ? pw + 4 : 0);
    const int dy = (h - measuredBottom) / 2 - (m_picturePosition == 3 ? ph + 4 : 0);
    m_captionBox = QRect(QPoint(l + dx, t + dy), measured);

    if (m_pictureNormal.isNull() && m_pictureOver.isNull())
        return;
    const QPoint centred((w - pw) / 2, (h - ph) / 2);
    if (m_caption.trimmed().isEmpty() || m_picturePosition == 4) {
        m_pictureAt = centred;
        return;
    }
    switch (m_picturePosition) {
    case 0:
        m_pictureAt = QPoint(m_captionBox.left() - pw - 6, centred.y());
        break;
    case 1:
        m_pictureAt = QPoint(m_captionBox.left() + m_captionBox.width() + 6, centred.y());
        break;
    case 2:
        m_pictureAt = QPoint(centred.x(), m_captionBox.top() - ph - 2);
        break;
    case 3:
        m_pictureAt = QPoint(centred.x(), m_captionBox.top() + m_captionBox.height() + 2);
        break;
    default:
        m_pictureAt = centred;
        break;
    }
}

void OrvicButton::Changed() {
    LayOut();
    setMask(ComputeRegion(m_type, size()));
    update();
}

ButtonFace OrvicButton::Face() const {
    ButtonFace f;
    f.buttonType = m_type;
    f.softBevel = m_softBevel;
    f.specialEffect = m_specialEffect;
    f.enabled = isEnabled();
    f.hovered = m_hovered && isEnabled();
    f.palette = Palette(f.hovered);
    // A checked two-state button is drawn pressed wherever the mouse is.
    f.pressed = isDown() || (isCheckable() && isChecked());
    f.showFocusRect = m_showFocusRect;
    f.hasFocus = hasFocus();
    f.isDefault = isDefault();
    f.caption = text();
    f.font = font();
    f.size = size();
    f.captionBox = m_captionBox;
    const QRect client = rect();
    if (m_type == 3)
        f.focusRect = client.adjusted(4, 4, -4, -4);
    else if (m_type == 11)
        f.focusRect = client.adjusted(3, 3, -3, -3);
    else
        f.focusRect = client.adjusted(5, 5, -5, -5).translated(1, 1);
    f.pictureNormal = m_pictureNormal;
    f.pictureOver = m_pictureOver;
    f.picturePosition = m_picturePosition;
    f.pictureAt = m_pictureAt;
    f.maskColor = ToButtonColour(m_maskColor);
    f.useMaskColor = m_useMaskColor;
    f.useGreyscale = m_useGreyscale;
    return f;
}

void OrvicButton::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    QImage surface(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    surface.setDevicePixelRatio(dpr);
    // Text on the surface is measured as on the button itself.
    surface.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    surface.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
    surface.fill(Qt::transparent);
    DrawButton(surface, Face());
    QPainter painter(this);
    painter.drawImage(0, 0, surface);
}

void OrvicButton::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    Changed();
}

void OrvicButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
        LayOut();
        update();
        break;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
        update();
        break;
    default:
        break;
    }
}

void OrvicButton::HoverStart() {
    if (m_hovered)
        return;
    emit MouseIn();
    m_hovered = true;
    update();
    emit MouseOver();
}

void OrvicButton::HoverEnd() {
    if (!m_hovered)
        return;
    m_hovered = false;
    update();
    emit MouseOut();
}

void OrvicButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    HoverStart();
}

void OrvicButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    HoverEnd();
}

void OrvicButton::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseDown(ButtonCode(event->button()), ShiftCode(event->modifiers()), float(at.x()), float(at.y()));
    // Only the left button presses the button (the push button ignores the others).
    QPushButton::mousePressEvent(event);
}

void OrvicButton::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseMove(ButtonCode(event->buttons()), ShiftCode(event->modifiers()), float(at.x()), float(at.y()));
    QPushButton::mouseMoveEvent(event);
    // The button holds the mouse while pressed, so no leave comes: a press dragged off the button
    // shows the normal face, and dragged back the pressed one.
    if (event->buttons() & Qt::LeftButton) {
        if (hitButton(at.toPoint()))
            HoverStart();
        else
            HoverEnd();
    }
}

void OrvicButton::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseUp(ButtonCode(event->button()), ShiftCode(event->modifiers()), float(at.x()), float(at.y()));
    QPushButton::mouseReleaseEvent(event);
}

void OrvicButton::keyPressEvent(QKeyEvent* event) {
    emit KeyDown(event->key(), ShiftCode(event->modifiers()));
    if (!event->text().isEmpty())
        emit KeyPress(event->text().at(0).unicode());
    // Enter clicks the button that has the focus, in any window, as the keyboard user of a
    // desktop expects (Qt's own buttons do so only in dialogs).
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !event->isAutoRepeat()) {
        event->accept();
        click();
        return;
    }
    // Space held shows the pressed look; its release clicks (the push button's own keys).
    QPushButton::keyPressEvent(event);
}

void OrvicButton::keyReleaseEvent(QKeyEvent* event) {
    emit KeyUp(event->key(), ShiftCode(event->modifiers()));
    QPushButton::keyReleaseEvent(event);
}
