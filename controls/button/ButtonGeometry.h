// The button's colours and geometry as plain functions of plain values, so
// that each can be checked without a window: the colour arithmetic and the
// eleven-colour palette, where the caption and the picture go, the access key
// a caption gives, the window outline and the focus mark of each style.
#pragma once

#include "shared/Colour.h"
#include "shared/Surface.h"

#include <QPoint>
#include <QRegion>
#include <QSize>
#include <QString>
#include <functional>

namespace zephral {

// Moves each channel of c by amount and clamps it to 0..255 (to at most 255
// for a positive amount, to at least 0 for a negative one). With
// proportionalBlue, blue moves by B * amount / 192 instead, so a blue face
// keeps its hue. softBevel halves every amount (toward zero) first.
Colour ShiftColour(Colour c, int amount, bool proportionalBlue, bool softBevel);

// Each channel v becomes level + (255 - level) * v / 255: the colour washed
// toward white, level being how much white.
Colour TintTowardWhite(Colour c, int level);

// The shift of row i (1 to height) of a fade by k over the height: -k * i /
// height, the step worked out in single precision as the colours were tuned
// with, rounded to the nearest integer, halves to even.
int FadeAt(int k, int height, int i);

// The grey a picture pixel becomes: 0.3 R (rounded) + 0.59 G + 0.11 B,
// rounded, halves to even.
quint8 GreyOf(Rgb pixel);

// The colours every drawing style takes from, by role. All RGB.
struct ButtonPalette {
    Colour face = 0;
    Colour light = 0;
    Colour highlight = 0;
    Colour shadow = 0;
    Colour darkShadow = 0;
    Colour text = 0;
    Colour hoverText = 0;
    Colour maskKey = 0;
    Colour accentFace = 0;
    Colour selection = 0;
    Colour selectionTint = 0;
    bool operator==(const ButtonPalette&) const = default;
};

// What the palette is made from. Colours may be system colours; they are
// translated through the desktop's palette here.
struct PaletteInputs {
    int colorScheme = 1; // 1 system, 2 own BackColor/ForeColor, 3 fixed greys, 4 parent's
    int buttonType = 2;  // style 3 shifts its accent with proportional blue
    bool softBevel = false;
    Colour backColor = 0; // scheme 2 (the hover face while hovered)
    Colour foreColor = 0; // scheme 2
    Colour foreOver = 0;  // scheme 2
    Colour maskColor = 0;
    Colour parentBack = 0; // scheme 4
    Colour parentFore = 0; // scheme 4
};

ButtonPalette BuildPalette(const PaletteInputs& in);

// Where the caption goes: the rectangle it is drawn in, the same moved one
// pixel right and down for the pressed looks, and its measured size.
struct CaptionLayout {
    Rect caption;
    Rect pressedCaption;
    int captionWidth = 0;
    int captionHeight = 0;
    bool operator==(const CaptionLayout&) const = default;
};

// The rectangle the caption needs when laid out in the given room, in the
// font it is drawn with (Surface::measureText).
using MeasureCaption = std::function<Rect(const Rect& room)>;

// The caption measured in the room left beside, above or below the picture
// (picturePosition 0 left, 1 right, 2 above, 3 below, 4 behind) and centred
// in the W x H button.
CaptionLayout LayoutCaption(int width, int height, QSize picture, int picturePosition,
                            const MeasureCaption& measure);

// The picture's top left: beside, above or below the caption with a few
// pixels between them, or in the middle when the caption is blank or the
// picture lies behind it.
QPoint LayoutPicture(int width, int height, QSize picture, int picturePosition,
                     const QString& caption, const CaptionLayout& layout);

// The access key a caption gives, in lower case, or empty text: the
// character after the first lone "&". After a doubled "&&" only the next "&"
// is looked at, so "Encrypt && Encode Text" has none.
QString AccessKeyOf(const QString& caption);

// The window outline of a style: corner pixels cut for styles 1, 3, 4, 5 and
// 14, the inscribed ellipse for style 13, the whole rectangle otherwise.
QRegion BuildRegion(int buttonType, int width, int height);

// Where the dotted focus mark goes in a W x H button of the style.
Rect FocusRectFor(int buttonType, int width, int height);

} // namespace zephral
