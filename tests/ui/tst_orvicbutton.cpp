// The program's own button: its colour arithmetic to the exact value, its faces read back pixel by
// pixel, and its behaviour under the mouse and the keys.
#include "ui/buttondrawing.h"
#include "ui/buttonpalette.h"
#include "ui/orvicbutton.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The screen colour of a 0x00BBGGRR colour.
QColor Screen(ButtonColour c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// A button of a fixed size on a window of its own, shown, with an empty caption unless given.
struct Shown {
    QWidget window;
    OrvicButton* button;
    explicit Shown(int type, const QColor& face = QColor(128, 128, 128), const QString& caption = {}) {
        window.resize(200, 100);
        button = new OrvicButton(u"cmdTest"_s, &window);
        button->setGeometry(10, 10, 120, 40);
        button->SetButtonType(type);
        button->SetBackColor(face);
        button->SetBackOver(face);
        button->SetCaption(caption);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    QColor At(int x, int y) const { return button->grab().toImage().pixelColor(x, y); }
    void Hover() {
        QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
        QApplication::sendEvent(button, &enter);
    }
};

// The bounding box of the pixels of one colour.
QRect BoxOf(const QImage& image, const QColor& colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestOrvicButton : public QObject {
    Q_OBJECT

private slots:
    void shiftColour_data() {
        QTest::addColumn<uint>("colour");
        QTest::addColumn<int>("amount");
        QTest::addColumn<bool>("blueScaled");
        QTest::addColumn<bool>("soft");
        QTest::addColumn<uint>("expected");
        QTest::newRow("white stays white") << 0xFFFFFFu << 47 << false << false << 0xFFFFFFu;
        QTest::newRow("black stays black") << 0u << -64 << false << false << 0u;
        QTest::newRow("saturates per channel") << 0x20F010u << 32 << false << false << 0x40FF30u;
        QTest::newRow("soft bevel halves") << 0x808080u << -9 << false << true << 0x7C7C7Cu;
        QTest::newRow("blue scaled, blue 192") << 0xC08040u << 48 << true << false << 0xF0B070u;
        QTest::newRow("blue scaled, blue 96") << 0x604020u << 48 << true << false << 0x787050u;
        QTest::newRow("blue scaled downwards") << 0x604020u << -64 << true << false << 0x400000u;
    }
    void shiftColour() {
        QFETCH(uint, colour);
        QFETCH(int, amount);
        QFETCH(bool, blueScaled);
        QFETCH(bool, soft);
        QFETCH(uint, expected);
        QCOMPARE(ShiftColour(colour, amount, blueScaled, soft), ButtonColour(expected));
    }

    void lightenAndGrey() {
        QCOMPARE(Lighten(0x800000, 176), ButtonColour(0xD7B0B0));
        QCOMPARE(Lighten(0xFFFFFF, 176), ButtonColour(0xFFFFFF));
        QCOMPARE(GreyOf(10, 200, 30), 124);
        QCOMPARE(GreyOf(5, 0, 0), 2);  // 1.5 goes to the even 2
        QCOMPARE(GreyOf(15, 0, 0), 4); // 4.5 goes to the even 4
    }

    // Each scheme's derived colours for one known face (BackColor grey, BackOver teal), and under
    // the mouse, where the custom scheme derives them all from BackOver.
    void palettes_data() {
        QTest::addColumn<int>("scheme");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("hovered");
        QTest::addColumn<QList<uint>>("expected"); // face, text, shadow, light, highlight, dark shadow,
                                                   // selection, light selection, lightened face
        QTest::newRow("custom") << 2 << 14 << false
                                << QList<uint>{0x808080, 0x0000FF, 0x404040, 0x9F9F9F, 0xAFAFAF,
                                               0x000000, 0x000000, 0x808080, 0xB0B0B0};
        QTest::newRow("custom, type 3 lightens blue scaled")
            << 2 << 3 << false << QList<uint>{0x808080, 0x0000FF, 0x404040, 0x9F9F9F, 0xAFAFAF,
                                              0x000000, 0x000000, 0x808080, 0xA0B0B0};
        QTest::newRow("custom, hovered")
            << 2 << 14 << true << QList<uint>{0x808000, 0x0000FF, 0x404000, 0x9F9F1F, 0xAFAF2F,
                                              0x000000, 0x000000, 0x808000, 0xB0B030};
        QTest::newRow("custom, type 3, hovered")
            << 2 << 3 << true << QList<uint>{0x808000, 0x0000FF, 0x404000, 0x9F9F1F, 0xAFAF2F,
                                             0x000000, 0x000000, 0x808000, 0xA0B030};
        QTest::newRow("fixed grey") << 3 << 14 << true
                                    << QList<uint>{0xC0C0C0, 0,        0x808080, 0xDFDFDF, 0xFFFFFF,
                                                   0,        0x800000, 0xD1ADAD, 0xF0F0F0};
        QTest::newRow("container's") << 4 << 14 << true
                                     << QList<uint>{0x606060, 0x102030, 0x202020, 0x7F7F7F, 0x8F8F8F,
                                                    0x000000, 0x800000, 0xD7B0B0, 0x909090};
        QTest::newRow("system") << 1 << 14 << false
                                << QList<uint>{0xD8E9EC, 0x000000, 0x99A8AC, 0xF1EFE2, 0xFFFFFF,
                                               0x646F71, 0x800000, 0xD7B0B0, 0xFFFFFF};
    }
    void palettes() {
        QFETCH(int, scheme);
        QFETCH(int, type);
        QFETCH(bool, hovered);
        QFETCH(QList<uint>, expected);
        ButtonPaletteInputs in;
        in.colorScheme = scheme;
        in.buttonType = type;
        in.hovered = hovered;
        in.backColor = 0x808080;
        in.backOver = 0x808000;
        in.foreColor = in.foreOver = 0x0000FF;
        in.system = {0xD8E9EC, 0x000000, 0x99A8AC, 0xF1EFE2, 0x646F71,
                     0xFFFFFF, 0x800000, 0x606060, 0x102030};
        const ButtonPalette p = ComputePalette(in);
        const QList<uint> got{p.face,       p.text,      p.shadow,         p.light,    p.highlight,
                              p.darkShadow, p.selection, p.lightSelection, p.lightFace};
        QCOMPARE(got, expected);
        in.softBevel = true;
        QCOMPARE(ComputePalette(in).lightFace, ShiftColour(p.face, 24, type == 3, false));
    }

    void regions() {
        const QRegion type14 = ComputeRegion(14, QSize(20, 10));
        QVERIFY(!type14.contains(QPoint(0, 0)) && !type14.contains(QPoint(19, 9)));
        QVERIFY(type14.contains(QPoint(1, 0)) && type14.contains(QPoint(0, 1)));
        const QRegion type3 = ComputeRegion(3, QSize(20, 10));
        for (const QPoint& clipped : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(18, 9), QPoint(19, 8)})
            QVERIFY(!type3.contains(clipped));
        QVERIFY(type3.contains(QPoint(2, 0)) && type3.contains(QPoint(1, 1)));
        QCOMPARE(ComputeRegion(11, QSize(20, 10)), QRegion(0, 0, 20, 10));
        Shown s(14);
        QCOMPARE(s.button->mask(), ComputeRegion(14, QSize(120, 40)));
    }

    // Type 14: the gradient rows from the highlight, the outer and inner frames, the strips; hovered
    // a flat fill in the light colour; pressed, and checked, a flat fill one shade under the face.
    void type14Faces() {
        Shown s(14); // face 0x808080: highlight 0xAFAFAF, light 0x9F9F9F, shadow 0x404040
        for (int y : {10, 20, 30})
            QCOMPARE(s.At(60, y), Screen(ShiftColour(0xAFAFAF, (y + 1) * 58 / 40, false, false)));
        QCOMPARE(s.At(60, 0), Screen(0x0E0E0E));
        QCOMPARE(s.At(60, 1), Screen(0x777777));
        QCOMPARE(s.At(60, 2), Screen(0xAFAFAF));
        s.Hover();
        QCOMPARE(s.At(60, 20), Screen(0x9F9F9F));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(s.button, &leave);
        s.button->SetCheckBoxBehaviour(true);
        s.button->SetValue(true);
        QCOMPARE(s.At(60, 20), Screen(0x777777)); // pressed although the mouse is elsewhere
    }

    // Type 3: its frame and corner pixels, the blue frame of the focus, the orange of the hover,
    // and the disabled look.
    void type3Faces() {
        Shown s(3);
        QCOMPARE(s.At(60, 0), Screen(0x733C00));
        QCOMPARE(s.At(1, 1), Screen(0x7B4D10));
        QCOMPARE(s.At(118, 38), Screen(0x7B4D10));
        s.button->setFocus();
        QTRY_VERIFY(s.button->hasFocus());
        QCOMPARE(s.At(60, 1), Screen(0xE7AE8C));
        QCOMPARE(s.At(60, 2), Screen(0xFFE7CE));
        s.Hover();
        QCOMPARE(s.At(60, 1), Screen(0x31B2FF));
        QCOMPARE(s.At(60, 38), Screen(0x31B2FF));
        s.button->setEnabled(false);
        const ButtonColour lightFace = ShiftColour(0x808080, 48, true, false);
        QCOMPARE(s.At(60, 20), Screen(ShiftColour(lightFace, -24, false, false)));
        QCOMPARE(s.At(60, 0), Screen(ShiftColour(lightFace, -84, false, false)));
        QCOMPARE(s.At(1, 1), Screen(ShiftColour(lightFace, -72, false, false)));
    }

    // Under the mouse every colour of the face comes from BackOver (the admin window's flashing
    // button: BackColor 200,200,0, BackOver teal); a press dragged off the button shows the
    // normal face; the focus rectangle is in the text colour, hovered too.
    void facesUnderTheMouse_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QColor>("back");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QColor>("expected");
        const QColor olive(200, 200, 0), grey(128, 128, 128);
        QTest::newRow("14, fill in the light colour")
            << 14 << olive << u"hover"_s << QPoint(60, 20) << QColor(31, 159, 159);
        QTest::newRow("14, outer frame from the shadow")
            << 14 << olive << u"hover"_s << QPoint(60, 0) << QColor(0, 14, 14);
        QTest::newRow("3, gradient from the lightened face")
            << 3 << olive << u"hover"_s << QPoint(60, 20) << QColor(61, 189, 173);
        QTest::newRow("3 pressed, inner top")
            << 3 << olive << u"press"_s << QPoint(60, 1) << QColor(0, 112, 96);
        QTest::newRow("14, dragged off while pressed")
            << 14 << grey << u"drag off"_s << QPoint(60, 20) << QColor(205, 205, 205);
        QTest::newRow("14, focus rectangle") << 14 << grey << u"focus"_s << QPoint(7, 6) << QColor(255, 0, 0);
    }
    void facesUnderTheMouse() {
        QFETCH(int, type);
        QFETCH(QColor, back);
        QFETCH(QString, action);
        QFETCH(QPoint, at);
        QFETCH(QColor, expected);
        Shown s(type, back);
        s.button->SetBackOver(QColor(0, 128, 128));
        s.button->SetForeColor(QColor(255, 0, 0));
        s.button->SetForeOver(QColor(0, 0, 255));
        s.button->setFocus();
        QTRY_VERIFY(s.button->hasFocus());
        s.button->SetShowFocusRect(action == u"focus");
        s.Hover();
        if (action != u"hover" && action != u"focus")
            QTest::mousePress(s.button, Qt::LeftButton, {}, QPoint(60, 20));
        if (action == u"drag off") {
            QMouseEvent move(QEvent::MouseMove, QPointF(60, 80), s.button->mapToGlobal(QPointF(60, 80)),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(s.button, &move);
            QVERIFY(!s.button->isDown() && !s.button->IsHovered());
        }
        QCOMPARE(s.At(at.x(), at.y()), expected);
        if (action == u"press" || action == u"drag off")
            QTest::mouseRelease(s.button, Qt::LeftButton, {}, QPoint(60, 20));
    }

    // Pressed, the caption moves one pixel down and right; disabled, it is embossed.
    void captionLooks() {
        Shown s(3, QColor(128, 128, 128), u"III"_s);
        const QColor red(255, 0, 0);
        s.button->SetForeColor(red);
        s.button->SetForeOver(red);
        const QRect normal = BoxOf(s.button->grab().toImage(), red);
        QVERIFY(!normal.isEmpty());
        s.button->setDown(true);
        QCOMPARE(BoxOf(s.button->grab().toImage(), red), normal.translated(1, 1));
        s.button->setDown(false);
        s.button->SetButtonType(14);
        s.button->setEnabled(false);
        const QImage disabled = s.button->grab().toImage();
        QVERIFY(BoxOf(disabled, red).isEmpty());
        // Embossed: the shadow colour where the caption stands, nowhere else.
        const QRect shadow = BoxOf(disabled, Screen(0x404040));
        QVERIFY(!shadow.isEmpty());
        QVERIFY(s.button->CaptionBox().contains(shadow));

        // An access key between a kerning pair: measured as drawn, so drawn whole on one line.
        Shown help(14, QColor(128, 128, 128), u"Help &Topics <F1>"_s);
        help.button->resize(150, 34);
        help.button->SetForeColor(red);
        help.button->SetShowFocusRect(false);
        const QRect box = help.button->CaptionBox();
        const QImage drawn = help.button->grab().toImage();
        QRect ink; // every reddish pixel on the grey face
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (drawn.pixelColor(x, y).red() - drawn.pixelColor(x, y).green() > 40)
                    ink |= QRect(x, y, 1, 1);
        QVERIFY(ink.height() <= box.height() && ink.width() >= box.width() - 3);
    }

    // A picture pixel of the mask colour shows the face only while the mask colour is used; a
    // greyscale picture is drawn grey until hovered.
    void pictures() {
        Shown s(14);
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(QColor(192, 192, 192));
        picture.setPixelColor(0, 0, QColor(10, 200, 30));
        s.button->SetPicturePosition(4);
        s.button->SetPictureNormal(picture);
        const QPoint at((120 - 8) / 2, (40 - 8) / 2);
        const QColor face = Screen(ShiftColour(0xAFAFAF, (at.y() + 5) * 58 / 40, false, false));
        QCOMPARE(s.At(at.x() + 4, at.y() + 4), face);
        s.button->SetUseMaskColor(false);
        QCOMPARE(s.At(at.x() + 4, at.y() + 4), QColor(192, 192, 192));
        QCOMPARE(s.At(at.x(), at.y()), QColor(10, 200, 30));
        s.button->SetUseGreyscale(true);
        QCOMPARE(s.At(at.x(), at.y()), QColor(124, 124, 124));
        s.Hover();
        QCOMPARE(s.At(at.x(), at.y()), QColor(10, 200, 30));
    }

    void mouseAndKeys() {
        Shown s(14, QColor(128, 128, 128), u"&Go"_s);
        QSignalSpy clicks(s.button, &OrvicButton::Click);
        QSignalSpy downs(s.button, &OrvicButton::MouseDown);
        QTest::mousePress(s.button, Qt::RightButton);
        QVERIFY(!s.button->isDown());
        QTest::mouseRelease(s.button, Qt::RightButton);
        QCOMPARE(clicks.size(), 0);
        QCOMPARE(downs.size(), 1);
        QCOMPARE(downs.first().at(0).toInt(), 2);

        s.button->setFocus();
        QTest::keyPress(s.button, Qt::Key_Space);
        QVERIFY(s.button->isDown());
        QTest::keyRelease(s.button, Qt::Key_A);
        QVERIFY(s.button->isDown());
        QCOMPARE(clicks.size(), 0);
        QTest::keyRelease(s.button, Qt::Key_Space);
        QCOMPARE(clicks.size(), 1);
        QTest::mouseClick(s.button, Qt::LeftButton);
        QCOMPARE(clicks.size(), 2);
        // Enter (either key) clicks the focused button even outside a dialog; with Ctrl it does not.
        QTest::keyClick(s.button, Qt::Key_Return);
        QTest::keyClick(s.button, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(clicks.size(), 4);
        QTest::keyClick(s.button, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(clicks.size(), 4);
    }

    void accessKeys_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("key"); // 0: none
        QTest::newRow("first") << u"&Save"_s << int(Qt::Key_S);
        QTest::newRow("after a doubled one") << u"&&Save && E&xit"_s << int(Qt::Key_X);
        QTest::newRow("upper case is the same key") << u"Save &All"_s << int(Qt::Key_A);
        QTest::newRow("last character") << u"Save&"_s << 0;
        QTest::newRow("doubled only") << u"Salt && Pepper"_s << 0;
    }
    void accessKeys() {
        QFETCH(QString, caption);
        QFETCH(int, key);
        Shown s(14, QColor(128, 128, 128), caption);
        QSignalSpy clicks(s.button, &OrvicButton::Click);
        s.window.activateWindow();
        QTRY_VERIFY(s.window.isActiveWindow());
        for (int k : {int(Qt::Key_S), int(Qt::Key_X), int(Qt::Key_A), int(Qt::Key_P)}) {
            QTest::keyClick(&s.window, Qt::Key(k), Qt::AltModifier);
            // The access key shows the button down, and clicks when it lets it up again.
            QTRY_VERIFY(!s.button->isDown());
            QCOMPARE(clicks.size(), k == key ? 1 : 0);
            clicks.clear();
        }
    }

    // Entering raises MouseIn then MouseOver once; leaving raises MouseOut once.
    void hoverEvents() {
        Shown s(14);
        QSignalSpy in(s.button, &OrvicButton::MouseIn);
        QSignalSpy over(s.button, &OrvicButton::MouseOver);
        QSignalSpy out(s.button, &OrvicButton::MouseOut);
        s.Hover();
        s.Hover();
        QVERIFY(s.button->IsHovered());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(s.button, &leave);
        QApplication::sendEvent(s.button, &leave);
        QCOMPARE(in.size(), 1);
        QCOMPARE(over.size(), 1);
        QCOMPARE(out.size(), 1);
        QVERIFY(!s.button->IsHovered());
    }

    void propertyBag() {
        OrvicButton a;
        a.SetButtonType(3);
        a.SetCaption(u"&Save"_s);
        a.SetColorScheme(2);
        a.SetBackColor(QColor(1, 2, 3));
        a.SetForeOver(QColor(200, 100, 50));
        a.SetSoftBevel(true);
        a.SetPicturePosition(2);
        a.SetSpecialEffect(3);
        a.SetCheckBoxBehaviour(true);
        a.SetValue(true);
        a.SetMousePointer(11);
        QCOMPARE(a.cursor().shape(), Qt::WaitCursor);
        const QVariantMap bag = a.WriteProperties();
        QCOMPARE(bag.value(u"BTYPE"_s).toInt(), 3);
        QCOMPARE(bag.value(u"BCOL"_s).toUInt(), 0x030201u);
        QVERIFY(!bag.contains(u"UMCOL"_s)); // at its default
        OrvicButton b;
        b.ReadProperties(bag);
        QCOMPARE(b.WriteProperties(), bag);
        QCOMPARE(b.Caption(), u"&Save"_s);
        QVERIFY(b.Value() && b.CheckBoxBehaviour());
        QCOMPARE(b.cursor().shape(), Qt::WaitCursor);
        // Pointer 99 is the button's own icon; 0 the container's pointer.
        QWidget container;
        container.setCursor(Qt::CrossCursor);
        auto* own = new OrvicButton(&container);
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        own->SetMouseIcon(icon);
        own->SetMousePointer(99);
        QCOMPARE(own->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(own->cursor().pixmap().toImage().pixelColor(8, 8), QColor(Qt::red));
        own->SetMousePointer(0);
        QCOMPARE(own->cursor().shape(), Qt::CrossCursor);

        // Missing keys read as their defaults.
        OrvicButton c;
        c.ReadProperties({});
        QCOMPARE(c.ButtonType(), 2);
        QCOMPARE(c.ColorScheme(), 1);
        QCOMPARE(c.Caption(), QString());
        QVERIFY(c.isEnabled() && c.ShowFocusRect() && c.UseMaskColor());
        QCOMPARE(c.MaskColor(), QColor(0xC0, 0xC0, 0xC0));
        QCOMPARE(c.BackColor(), QApplication::palette().color(QPalette::Button));
        QCOMPARE(c.ForeOver(), QApplication::palette().color(QPalette::ButtonText));
        QVERIFY(!c.SoftBevel() && !c.UseGreyscale() && !c.CheckBoxBehaviour() && !c.Value());
        QCOMPARE(c.PicturePosition(), 0);
        QCOMPARE(c.SpecialEffect(), 0);
        QCOMPARE(OrvicButton::Version(), u"w2005.08.15"_s);
    }
};

QTEST_MAIN(TestOrvicButton)
#include "tst_orvicbutton.moc"
