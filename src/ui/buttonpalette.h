#pragma once

#include <QtGlobal>

// The colour arithmetic of the program's command buttons. Colours are 0x00BBGGRR, as the
// button's colour properties have always been stored and computed with.
using ButtonColour = quint32;

constexpr int RedOf(ButtonColour c) {
    return int(c & 0xFF);
}
constexpr int GreenOf(ButtonColour c) {
    return int((c >> 8) & 0xFF);
}
constexpr int BlueOf(ButtonColour c) {
    return int((c >> 16) & 0xFF);
}
constexpr ButtonColour ColourOf(int red, int green, int blue) {
    return ButtonColour(red) | (ButtonColour(green) << 8) | (ButtonColour(blue) << 16);
}

// Each channel moved by `amount` (halved first when `softBevel`), blue by amount × blue ÷ 192
// instead when `blueScaled`; channels saturate at 0 and 255.
ButtonColour ShiftColour(ButtonColour colour, int amount, bool blueScaled, bool softBevel);

// Each channel c becomes b + c × (255 − b) ÷ 255, at most 255.
ButtonColour Lighten(ButtonColour colour, int b);

// The colours of the system's own buttons, and of the surface the button stands on.
struct SystemButtonColours {
    ButtonColour face = 0xC0C0C0;
    ButtonColour text = 0;
    ButtonColour shadow = 0x808080;
    ButtonColour light = 0xDFDFDF;     // 3-D light
    ButtonColour darkShadow = 0;       // 3-D dark shadow
    ButtonColour highlight = 0xFFFFFF; // button highlight
    ButtonColour selection = 0x6A240A; // selected items' background
    ButtonColour containerBack = 0xC0C0C0;
    ButtonColour containerText = 0;
};

// What the palette is derived from.
struct ButtonPaletteInputs {
    int colorScheme = 2; // 2 custom, 3 fixed grey, 4 the container's, any other the system's
    int buttonType = 14;
    bool softBevel = false;
    // Under the mouse the custom scheme derives every colour of the face from `backOver`.
    bool hovered = false;
    ButtonColour backColor = 0xC0C0C0;
    ButtonColour backOver = 0xC0C0C0;
    ButtonColour foreColor = 0;
    ButtonColour foreOver = 0;
    SystemButtonColours system;
};

struct ButtonPalette {
    ButtonColour face = 0;
    ButtonColour faceOver = 0;
    ButtonColour text = 0;
    ButtonColour textOver = 0;
    ButtonColour light = 0;
    ButtonColour highlight = 0;
    ButtonColour shadow = 0;
    ButtonColour darkShadow = 0;
    ButtonColour selection = 0;
    ButtonColour lightSelection = 0;
    ButtonColour lightFace = 0; // the face shifted by +48 (blue-scaled for type 3)
};

ButtonPalette ComputePalette(const ButtonPaletteInputs& in);
