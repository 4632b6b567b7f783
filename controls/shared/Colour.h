// Colours as the controls store and compute them: R + 256*G + 65536*B, red in
// the low byte. A value with the top bit set names a system colour by index
// (0x8000000F is the button face); it becomes RGB through translateColour,
// the one place where the desktop's palette enters.
#pragma once

#include <QColor>
#include <QList>
#include <QPalette>
#include <QtGlobal>
#include <initializer_list>

namespace zephral {

using Colour = quint32;

// The system colour indices the controls name (the numbering of the original
// platform, kept because stored colour values carry it).
enum SystemColourIndex : int {
    ScrollBar = 0,
    Desktop = 1,
    ActiveCaption = 2,
    InactiveCaption = 3,
    Menu = 4,
    Window = 5,
    WindowFrame = 6,
    MenuText = 7,
    WindowText = 8,
    CaptionText = 9,
    ActiveBorder = 10,
    InactiveBorder = 11,
    AppWorkspace = 12,
    Highlight = 13,
    HighlightText = 14,
    ButtonFace = 15,
    ButtonShadow = 16,
    GrayText = 17,
    ButtonText = 18,
    InactiveCaptionText = 19,
    ButtonHighlight = 20,
    DarkShadow3D = 21,
    Light3D = 22,
    InfoText = 23,
    InfoBackground = 24,
    HotLight = 26,
    GradientActiveCaption = 27,
    GradientInactiveCaption = 28,
    MenuHighlight = 29,
    MenuBar = 30,
};

inline constexpr Colour kSystemColourFlag = 0x80000000u;

constexpr Colour rgb(int r, int g, int b) {
    return Colour(r & 0xFF) | Colour(g & 0xFF) << 8 | Colour(b & 0xFF) << 16;
}
constexpr int redOf(Colour c) {
    return int(c & 0xFF);
}
constexpr int greenOf(Colour c) {
    return int(c >> 8 & 0xFF);
}
constexpr int blueOf(Colour c) {
    return int(c >> 16 & 0xFF);
}

constexpr bool isSystemColour(Colour c) {
    return (c & kSystemColourFlag) != 0;
}
constexpr Colour systemColour(int index) {
    return kSystemColourFlag | Colour(index);
}

// True for an RGB value (no bits above blue) or a system colour whose index
// the translation knows. Anything else is refused where a colour is written.
bool isValidColour(Colour c);

// The palette colour a system colour index stands for: the role of the
// desktop's palette that plays the same part (button face -> Button, button
// shadow -> Dark, 3D light -> Midlight, selection -> Highlight, ...). Unknown
// indices give black.
QColor systemColourOf(int index, const QPalette& palette);

// The colour as RGB: system colours through palette, RGB values unchanged.
Colour translateColour(Colour c, const QPalette& palette);
// The same through the desktop's palette (the application palette), so that
// the controls follow the user's theme, dark ones included.
Colour translateColour(Colour c);

// How far apart two RGB colours read: the ratio of their relative luminances
// (each plus 0.05), from 1 (the same) to 21 (black on white). Text wants at
// least kReadableContrast against what it is drawn on.
double contrastRatio(Colour a, Colour b);
inline constexpr double kReadableContrast = 4.5;

// The colour text is drawn in on `behind` (every colour it lies on): `ink`
// when it reads at least kReadableContrast on all of them; otherwise the one
// of `alternatives` that reads best on the worst of them, or black or white
// when none of those reads.
Colour readableTextColour(Colour ink, const QList<Colour>& behind,
                          std::initializer_list<Colour> alternatives);

constexpr QRgb toQRgb(Colour rgbValue) {
    return 0xFF000000u | QRgb(redOf(rgbValue)) << 16 | QRgb(greenOf(rgbValue)) << 8 |
           QRgb(blueOf(rgbValue));
}
constexpr Colour fromQRgb(QRgb value) {
    return rgb(qRed(value), qGreen(value), qBlue(value));
}
inline QColor toQColor(Colour c) {
    return QColor::fromRgb(toQRgb(translateColour(c)));
}

} // namespace zephral
