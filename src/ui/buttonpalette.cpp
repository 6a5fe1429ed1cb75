#include "ui/buttonpalette.h"

#include <algorithm>

namespace {

int Saturated(int channel, int amount) {
    const int moved = channel + amount;
    return amount > 0 ? std::min(moved, 255) : std::max(moved, 0);
}

} // namespace

ButtonColour ShiftColour(ButtonColour colour, int amount, bool blueScaled, bool softBevel) {
    if (softBevel)
        amount /= 2;
    const int blue = BlueOf(colour);
    const int blueAmount = blueScaled ? amount * blue / 192 : amount;
    // The sign of the amount decides the bound, for blue too.
    const auto bound = [amount](int value) {
        return amount > 0 ? std::min(value, 255) : std::max(value, 0);
    };
    return ColourOf(Saturated(RedOf(colour), amount), Saturated(GreenOf(colour), amount),
                    bound(blue + blueAmount));
}

ButtonColour Lighten(ButtonColour colour, int b) {
    const auto channel = [b](int c) {
        return std::min(b + c * (255 - b) / 255, 255);
    };
    return ColourOf(channel(RedOf(colour)), channel(GreenOf(colour)), channel(BlueOf(colour)));
}

ButtonPalette ComputePalette(const ButtonPaletteInputs& in) {
    const bool soft = in.softBevel;
    const auto shift = [soft](ButtonColour c, int amount) {
        return ShiftColour(c, amount, false, soft);
    };
    const SystemButtonColours& sys = in.system;
    ButtonPalette p;
    switch (in.colorScheme) {
    case 2:
        p.face = in.hovered ? in.backOver : in.backColor;
        p.faceOver = in.backOver;
        p.text = in.foreColor;
        p.textOver = in.foreOver;
        p.shadow = shift(p.face, -64);
        p.light = shift(p.face, 31);
        p.highlight = shift(p.face, 47);
        p.darkShadow = shift(p.face, -192);
        p.selection = shift(p.face, -128);
        p.lightSelection = p.face;
        break;
    case 3:
        p.face = p.faceOver = 0xC0C0C0;
        p.text = p.textOver = 0;
        p.shadow = 0x808080;
        p.light = 0xDFDFDF;
        p.darkShadow = 0;
        p.highlight = 0xFFFFFF;
        p.selection = 0x800000;
        p.lightSelection = 0xD1ADAD;
        break;
    case 4:
        p.face = p.faceOver = sys.containerBack;
        p.text = p.textOver = sys.containerText;
        p.shadow = shift(p.face, -64);
        p.light = shift(p.face, 31);
        p.highlight = shift(p.face, 47);
        p.darkShadow = shift(p.face, -192);
        p.selection = sys.selection;
        p.lightSelection = Lighten(p.selection, 176);
        break;
    default:
        p.face = p.faceOver = sys.face;
        p.text = p.textOver = sys.text;
        p.shadow = sys.shadow;
        p.light = sys.light;
        p.darkShadow = sys.darkShadow;
        p.highlight = sys.highlight;
        p.selection = sys.selection;
        p.lightSelection = Lighten(p.selection, 176);
        break;
    }
    p.lightFace = ShiftColour(p.face, 48, in.buttonType == 3, soft);
    return p;
}
