#include "button/ButtonGeometry.h"

#include "shared/Raster.h"

#include <algorithm>
#include <cmath>

namespace zephral {

int FadeAt(int k, int height, int i) {
    const float step = float(k) / float(height);
    return int(std::nearbyintf(-step * float(i)));
}

quint8 GreyOf(Rgb pixel) {
    // The default rounding mode rounds halves to even.
    return quint8(std::nearbyint(std::nearbyint(0.3 * pixel.r) + 0.59 * pixel.g + 0.11 * pixel.b));
}

Colour ShiftColour(Colour c, int amount, bool proportionalBlue, bool softBevel) {
    c = translateColour(c);
    if (softBevel) {
        amount /= 2;
    }
    const int b = blueOf(c);
    int channels[3] = {redOf(c) + amount, greenOf(c) + amount,
                       proportionalBlue ? b + b * amount / 192 : b + amount};
    for (int& v : channels) {
        v = amount > 0 ? std::min(v, 255) : std::max(v, 0);
    }
    return rgb(channels[0], channels[1], channels[2]);
}

Colour TintTowardWhite(Colour c, int level) {
    c = translateColour(c);
    auto tint = [level](int v) { return std::min(level + (255 - level) * v / 255, 255); };
    return rgb(tint(redOf(c)), tint(greenOf(c)), tint(blueOf(c)));
}

ButtonPalette BuildPalette(const PaletteInputs& in) {
    const auto shift = [&in](Colour c, int n) { return ShiftColour(c, n, false, in.softBevel); };
    const auto sys = [](int index) { return translateColour(systemColour(index)); };
    ButtonPalette p;
    switch (in.colorScheme) {
    case 2:
        p.face = translateColour(in.backColor);
        p.text = translateColour(in.foreColor);
        p.hoverText = translateColour(in.foreOver);
        p.selection = shift(p.face, -128);
        p.selectionTint = p.face;
        break;
    case 3:
        p.face = rgb(192, 192, 192);
        p.shadow = rgb(128, 128, 128);
        p.light = rgb(223, 223, 223);
        p.highlight = rgb(255, 255, 255);
        p.darkShadow = rgb(0, 0, 0);
        p.text = rgb(0, 0, 0);
        p.hoverText = rgb(0, 0, 0);
        p.selection = rgb(0, 0, 128);
        p.selectionTint = rgb(173, 173, 209);
        break;
    case 4:
        p.face = translateColour(in.parentBack);
        p.text = translateColour(in.parentFore);
        p.hoverText = p.text;
        p.selection = sys(Highlight);
        p.selectionTint = TintTowardWhite(p.selection, 176);
        break;
    default:
        p.face = sys(ButtonFace);
        p.shadow = sys(ButtonShadow);
        p.light = sys(Light3D);
        p.highlight = sys(ButtonHighlight);
        p.darkShadow = sys(DarkShadow3D);
        p.text = sys(ButtonText);
        p.hoverText = p.text;
        p.selection = sys(Highlight);
        p.selectionTint = TintTowardWhite(p.selection, 176);
        break;
    }
    if (in.colorScheme == 2 || in.colorScheme == 4) {
        p.shadow = shift(p.face, -64);
        p.light = shift(p.face, +31);
        p.highlight = shift(p.face, +47);
        p.darkShadow = shift(p.face, -192);
    }
    p.maskKey = translateColour(in.maskColor);
    p.accentFace = ShiftColour(p.face, +48, in.buttonType == 3, in.softBevel);
    return p;
}

CaptionLayout LayoutCaption(int width, int height, QSize picture, int picturePosition,
                            const MeasureCaption& measure) {
    const int pw = picture.width();
    const int ph = picture.height();
    Rect room{1, 1, width - 2, height - 2};
    switch (picturePosition) {
    case 0:
        room.left = pw + 1;
        break;
    case 1:
        room.right = width - pw - 2;
        break;
    case 2:
        room.top = ph + 1;
        break;
    case 3:
        room.bottom = height - ph - 2;
        break;
    default:
        break;
    }
    CaptionLayout out;
    const Rect need = measure(room);
    out.captionWidth = need.width();
    out.captionHeight = need.height();
    const int dx = (width - need.right - (picturePosition == 1 ? pw + 4 : 0)) / 2;
    const int dy = (height - need.bottom - (picturePosition == 3 ? ph + 4 : 0)) / 2;
    out.caption = need.moved(dx, dy);
    out.pressedCaption = out.caption.moved(1, 1);
    return out;
}

QPoint LayoutPicture(int width, int height, QSize picture, int picturePosition,
                     const QString& caption, const CaptionLayout& layout) {
    const int pw = picture.width();
    const int ph = picture.height();
    const bool blank =
        std::all_of(caption.begin(), caption.end(), [](QChar c) { return c == u' '; });
    if (!blank) {
        switch (picturePosition) {
        case 0:
            return {layout.caption.left - pw - 4, (height - ph) / 2};
        case 1:
            return {layout.caption.right + 4, (height - ph) / 2};
        case 2:
            return {(width - pw) / 2, layout.caption.top - ph - 2};
        case 3:
            return {(width - pw) / 2, layout.caption.bottom + 2};
        default:
            break;
        }
    }
    return {(width - pw) / 2, (height - ph) / 2};
}

QString AccessKeyOf(const QString& caption) {
    if (caption.size() < 2) {
        return {};
    }
    qsizetype at = caption.indexOf(u'&');
    if (at < 0 || at == caption.size() - 1) {
        return {};
    }
    if (caption[at + 1] == u'&') {
        // A literal ampersand: only the next "&" after the pair can still mark a key.
        at = caption.indexOf(u'&', at + 2);
        if (at < 0 || at == caption.size() - 1 || caption[at + 1] == u'&') {
            return {};
        }
    }
    return caption.mid(at + 1, 1).toLower();
}

QRegion BuildRegion(int buttonType, int width, int height) {
    const QRect box(0, 0, width, height);
    if (buttonType == 13) {
        return ellipseRegion(box);
    }
    QRegion region(box);
    const int r = width - 1;
    const int b = height - 1;
    auto cut = [&region](std::initializer_list<QPoint> points) {
        for (const QPoint& p : points) {
            region -= QRect(p, QSize(1, 1));
        }
    };
    switch (buttonType) {
    case 1:
    case 14:
        cut({{0, 0}, {r, 0}, {0, b}, {r, b}});
        break;
    case 5:
        cut({{r, 0}, {0, b}});
        break;
    case 3:
    case 4:
        cut({{0, 0}, {1, 0}, {0, 1}});
        cut({{r - 1, 0}, {r, 0}, {r, 1}});
        cut({{0, b}, {1, b}, {0, b - 1}});
        cut({{r - 1, b}, {r, b}, {r, b - 1}});
        break;
    default:
        break;
    }
    return region;
}

Rect FocusRectFor(int buttonType, int width, int height) {
    if (buttonType >= 7 && buttonType <= 13) {
        return {3, 3, width - 3, height - 3};
    }
    if (buttonType == 14) {
        return Rect{5, 5, width - 5, height - 5}.moved(1, 1);
    }
    return {4, 4, width - 4, height - 4};
}

} // namespace zephral
