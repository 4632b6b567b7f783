#include "button/ButtonPainter.h"

#include "shared/Raster.h"

#include <QImage>
#include <algorithm>
#include <cmath>

namespace zephral {

namespace {

class Painter {
public:
    Painter(Surface& target, const ButtonDrawing& drawing, PaintState look)
        : s(target), d(drawing), p(drawing.palette), state(look), W(drawing.width),
          H(drawing.height) {}

    void paint();

private:
    Colour shift(Colour c, int n, bool proportionalBlue = false) const {
        return ShiftColour(c, n, proportionalBlue, d.softBevel);
    }
    Colour shiftB(Colour c, int n) const { return shift(c, n, true); }
    void line(int x1, int y1, int x2, int y2, Colour c);
    void text(const Rect& r, const QString& caption, Colour c);

    void bevel(Colour c1, Colour c2, Colour c3, Colour c4, int k, bool outerOnly = false);
    void outerBevel(Colour c1, Colour c2, int k) { bevel(c1, c2, 0, 0, k, true); }
    // Rows 1 to H in c shifted from 0 down to -k.
    void fadeRows(Colour c, int k, bool proportionalBlue = false);
    void corners(Colour c);
    void ellipse(Colour pen, Colour brush);
    void focus();
    bool defaultLook() const { return d.showFocusRect && d.displayAsDefault; }

    void caption() { drawCaption(d.hovered ? CaptionMode::Hovered : CaptionMode::Up); }
    void drawCaption(CaptionMode mode);
    void textEffect(const Rect& r);
    // The caption's colour: ink, unless it reads worse than 4.5:1 on what
    // lies under the caption rectangle r and comes from the desktop's
    // palette or the fixed greys. The caption drawn again over the picture
    // keeps the colour chosen for it on the face: what lies under it then is
    // the picture and the caption itself.
    Colour readable(const Rect& r, Colour ink);

    void framed();
    void classic();
    void glossy();
    void glossyEdges(const Colour (&c)[6]);
    void embossed();
    void offset();
    void offsetCaptionFrame();
    void lightBevel();
    void thin();
    void hotThin();
    void selection();
    void plain();
    void hotBevel();
    void oval();
    void gradient();

    enum class PictureState { Up, Down, Disabled };
    void drawPicture(PictureState which);
    void pictureEffect(int a, const Picture& picture);
    void blit(const Picture& picture, int x, int y, const BlitMode& mode = {});

    bool up() const { return state == PaintState::Up; }
    bool disabled() const { return !d.enabled; }

    Surface& s;
    const ButtonDrawing& d;
    ButtonPalette p; // the recipes may change a colour for a moment
    PaintState state;
    const int W;
    const int H;
    std::optional<CaptionMode> m_lastMode;
    bool m_lastBold = false;
    bool m_bold = false;                 // style 14 shown as the default
    bool m_captionDrawnDirectly = false; // style 5 pressed
    bool m_overPicture = false;          // the caption drawn again over the picture
    std::optional<Colour> m_lastInk;     // the colour readable() chose on the face
};

void Painter::line(int x1, int y1, int x2, int y2, Colour c) {
    // Rows and columns go in as rectangles: the same pixels, end point left out.
    if (s.penStyle() == PenStyle::Solid && y1 == y2) {
        s.fillRect(x1 < x2 ? x1 : x2 + 1, y1, std::abs(x2 - x1), 1, c);
    } else if (s.penStyle() == PenStyle::Solid && x1 == x2) {
        s.fillRect(x1, y1 < y2 ? y1 : y2 + 1, 1, std::abs(y2 - y1), c);
    } else {
        s.line(x1, y1, x2, y2, c);
    }
}

void Painter::text(const Rect& r, const QString& caption, Colour c) {
    if (d.captions != nullptr) {
        d.captions->draw(s, r, caption, c);
    } else {
        s.drawText(r, caption, c);
    }
}

void Painter::bevel(Colour c1, Colour c2, Colour c3, Colour c4, int k, bool outerOnly) {
    const int x = W - 1 - k;
    const int y = H - 1 - k;
    line(k, y, k, k, c1);
    line(k, k, x, k, c1);
    line(x, k, x, y, c2);
    line(x, y, k - 1, y, c2);
    if (!outerOnly) {
        line(k + 1, y - 1, k + 1, k + 1, c3);
        line(k + 1, k + 1, x - 1, k + 1, c3);
        line(x - 1, k + 1, x - 1, y - 1, c4);
        line(x - 1, y - 1, k, y - 1, c4);
    }
}

void Painter::fadeRows(Colour c, int k, bool proportionalBlue) {
    for (int i = 1; i <= H; ++i) {
        line(0, i, W, i, shift(c, FadeAt(k, H, i), proportionalBlue));
    }
}

void Painter::ellipse(Colour pen, Colour brush) {
    // The pixels of Surface::ellipse with its two-pixel outline, filled a
    // row at a time.
    constexpr int kPen = 2;
    const std::vector<Span> outer = ellipseSpans(QRect(0, 0, W, H));
    for (const Span& r : outer) {
        s.fillRect(r.left, r.y, r.right - r.left, 1, pen);
    }
    for (const Span& r : ellipseSpans(QRect(kPen, kPen, W - 2 * kPen, H - 2 * kPen))) {
        s.fillRect(r.left, r.y, r.right - r.left, 1, brush);
    }
}

void Painter::corners(Colour c) {
    s.setPixel(1, 1, c);
    s.setPixel(1, H - 2, c);
    s.setPixel(W - 2, 1, c);
    s.setPixel(W - 2, H - 2, c);
}

void Painter::focus() {
    if (d.showFocusRect && d.hasFocus) {
        s.focusRect(d.focus);
    }
}

void Painter::textEffect(const Rect& r) {
    if (d.specialEffect <= 0) {
        return;
    }
    Colour base = p.face;
    if (d.buttonType == 3 || d.buttonType == 4 || d.buttonType == 14) {
        base = p.accentFace;
    } else if (d.buttonType == 9 && d.hovered && up() && d.colorScheme != 2) {
        base = p.selectionTint;
    }
    const bool sunken = d.specialEffect == 2;
    text(r.moved(1, 1), d.caption, shift(base, sunken ? +40 : -40));
    if (d.specialEffect == 1 || sunken) {
        text(r.moved(-1, -1), d.caption, shift(base, sunken ? -40 : +40));
    }
}

Colour Painter::readable(const Rect& r, Colour ink) {
    if (m_overPicture) {
        // Drawn as on the face; a caption drawn directly this time (style 5
        // pressed) was not chosen here and keeps its ink.
        return m_lastInk.value_or(ink);
    }
    // Colours the window chose itself (ColorScheme 2) are drawn as chosen.
    const QRect area = r.toQRect() & QRect(0, 0, s.width(), s.height());
    if (d.colorScheme == 2 || area.isEmpty() || d.caption.trimmed().isEmpty()) {
        return ink;
    }
    // The distinct colours under the rectangle, read in place: a face is one
    // colour or a few rows of a gradient, so runs of one colour are skipped.
    QList<Colour> behind;
    const QImage& image = s.image();
    QRgb last = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            if (row[x] == last && !behind.isEmpty()) {
                continue;
            }
            last = row[x];
            if (const Colour c = fromQRgb(last); !behind.contains(c)) {
                behind.append(c);
            }
        }
    }
    m_lastInk = readableTextColour(ink, behind, {p.text, p.hoverText});
    return *m_lastInk;
}

void Painter::drawCaption(CaptionMode mode) {
    m_lastMode = mode;
    if (d.lastCaptionMode != nullptr) {
        *d.lastCaptionMode = mode;
    }
    m_lastBold = m_bold;
    CaptionLayout layout = d.layout;
    const FontDesc font = s.font();
    if (m_bold && !font.bold) {
        // Laid out again in the bold font, as the font change would.
        FontDesc bold = font;
        bold.bold = true;
        s.setFont(bold);
        layout = LayoutCaption(W, H, d.pictureSize, d.picturePosition,
                               [this](const Rect& room) { return s.measureText(room, d.caption); });
    }
    const Rect& r = layout.caption;
    const Rect& pressed = layout.pressedCaption;
    switch (mode) {
    case CaptionMode::Up:
    case CaptionMode::Hovered: {
        const Colour ink = readable(r, mode == CaptionMode::Up ? p.text : p.hoverText);
        textEffect(r);
        text(r, d.caption, ink);
        break;
    }
    case CaptionMode::Down: {
        const Colour ink = readable(pressed, d.buttonType == 4 ? p.light : p.hoverText);
        textEffect(pressed);
        text(pressed, d.caption, ink);
        break;
    }
    case CaptionMode::Disabled:
        text(pressed, d.caption, p.highlight);
        text(r, d.caption, p.shadow);
        break;
    case CaptionMode::DisabledFlat:
        text(r, d.caption, p.shadow);
        break;
    case CaptionMode::DisabledAccent:
        text(r, d.caption, shiftB(p.accentFace, -104));
        break;
    case CaptionMode::DisabledPale:
        text(pressed, d.caption, p.highlight);
        text(r, d.caption, p.face);
        break;
    case CaptionMode::DownPale: {
        const Colour ink = readable(r, p.highlight);
        text(pressed, d.caption, shift(p.shadow, -50));
        text(r, d.caption, ink);
        break;
    }
    }
    if (s.font() != font) {
        s.setFont(font);
    }
}

void Painter::framed() {
    if (disabled()) {
        drawCaption(CaptionMode::Disabled);
        bevel(p.highlight, p.shadow, p.highlight, p.shadow, 1);
        s.frameRect(0, 0, W, H, p.darkShadow);
    } else if (up()) {
        caption();
        bevel(p.highlight, p.shadow, p.highlight, p.shadow, 1);
        s.frameRect(0, 0, W, H, p.darkShadow);
        focus();
    } else {
        drawCaption(CaptionMode::Down);
        bevel(p.shadow, p.highlight, p.shadow, p.highlight, 1);
        s.frameRect(0, 0, W, H, p.darkShadow);
        focus();
    }
}

void Painter::classic() {
    if (disabled()) {
        drawCaption(CaptionMode::Disabled);
        bevel(p.highlight, p.darkShadow, p.light, p.shadow, 0);
    } else if (up()) {
        caption();
        if (defaultLook()) {
            bevel(p.highlight, p.darkShadow, p.light, p.shadow, 1);
            focus();
            s.frameRect(0, 0, W, H, p.darkShadow);
        } else {
            bevel(p.highlight, p.darkShadow, p.light, p.shadow, 0);
        }
    } else {
        drawCaption(CaptionMode::Down);
        if (defaultLook()) {
            s.frameRect(0, 0, W, H, p.darkShadow);
            s.frameRect(1, 1, W - 2, H - 2, p.shadow);
            focus();
        } else {
            bevel(p.darkShadow, p.highlight, p.shadow, p.light, 0);
        }
    }
}

// The six edges of style 3's hover and focus looks, in this order: the
// frame inside, the bottom row, the top row, the row under it, and the two
// inner columns.
void Painter::glossyEdges(const Colour (&c)[6]) {
    s.frameRect(1, 2, W - 2, H - 4, c[0]);
    line(2, H - 2, W - 2, H - 2, c[1]);
    line(2, 1, W - 2, 1, c[2]);
    line(1, 2, W - 1, 2, c[3]);
    line(2, 3, 2, H - 3, c[4]);
    line(W - 3, 3, W - 3, H - 3, c[5]);
}

void Painter::glossy() {
    constexpr Colour kFrame = rgb(0, 60, 115);
    constexpr Colour kCorner = rgb(16, 77, 123);
    const Colour a = p.accentFace;
    if (disabled()) {
        s.fillRect(0, 0, W, H, shiftB(a, -24));
        drawCaption(CaptionMode::DisabledAccent);
        s.frameRect(0, 0, W, H, shiftB(a, -84));
        corners(shiftB(a, -72));
    } else if (up()) {
        fadeRows(a, 25, true);
        caption();
        s.frameRect(0, 0, W, H, kFrame);
        corners(kCorner);
        if (d.hovered) {
            glossyEdges({rgb(255, 178, 49), rgb(231, 150, 0), rgb(255, 243, 206),
                         rgb(255, 219, 140), rgb(255, 203, 107), rgb(255, 203, 107)});
        } else if (d.showFocusRect && (d.hasFocus || d.displayAsDefault)) {
            glossyEdges({rgb(140, 174, 231), rgb(107, 130, 239), rgb(206, 231, 255),
                         rgb(189, 215, 247), rgb(181, 209, 240), rgb(181, 209, 240)});
        } else {
            line(2, H - 2, W - 2, H - 2, shiftB(a, -48));
            line(1, H - 3, W - 2, H - 3, shiftB(a, -32));
            line(W - 2, 2, W - 2, H - 2, shiftB(a, -36));
            line(W - 3, 3, W - 3, H - 3, shiftB(a, -24));
            line(2, 1, W - 2, 1, shiftB(a, +16));
            line(1, 2, W - 2, 2, shiftB(a, +10));
            line(1, 2, 1, H - 2, shiftB(a, -5));
            line(2, 3, 2, H - 3, shiftB(a, -10));
        }
    } else {
        const Colour base = shiftB(a, -32);
        for (int i = 1; i <= H; ++i) {
            line(0, H - i, W, H - i, shiftB(base, FadeAt(25, H, i)));
        }
        drawCaption(CaptionMode::Down);
        s.frameRect(0, 0, W, H, kFrame);
        corners(kCorner);
        line(2, H - 2, W - 2, H - 2, shiftB(base, +16));
        line(1, H - 3, W - 2, H - 3, shiftB(base, +10));
        line(W - 2, 2, W - 2, H - 2, shiftB(base, +5));
        line(W - 3, 3, W - 3, H - 3, a);
        line(2, 1, W - 2, 1, shiftB(base, -32));
        line(1, 2, W - 2, 2, shiftB(base, -24));
        line(1, 2, 1, H - 2, shiftB(base, -32));
        line(2, 2, 2, H - 2, shiftB(base, -22));
    }
}

void Painter::embossed() {
    if (up() || disabled()) {
        s.fillRect(1, 1, W - 2, H - 2, p.light);
        if (disabled()) {
            drawCaption(CaptionMode::Disabled);
        } else {
            caption();
        }
        s.frameRect(0, 0, W, H, p.darkShadow);
        corners(p.darkShadow);
        line(1, 2, 2, 0, p.face);
        line(3, 2, W - 3, 2, p.highlight);
        line(2, 2, 2, H - 3, p.highlight);
        s.setPixel(3, 3, p.highlight);
        line(W - 3, 1, W - 3, H - 3, p.face);
        line(1, H - 3, W - 3, H - 3, p.face);
        s.setPixel(W - 4, H - 4, p.face);
        line(W - 2, 2, W - 2, H - 2, p.shadow);
        line(2, H - 2, W - 2, H - 2, p.shadow);
        s.setPixel(W - 3, H - 3, p.shadow);
        return;
    }
    const Colour pressed = shift(p.shadow, -16);
    s.fillRect(1, 1, W - 2, H - 2, pressed);
    // The effect of the pressed caption is cut from the pressed face.
    p.accentFace = pressed;
    drawCaption(CaptionMode::Down);
    p.accentFace = shift(p.face, +48);
    s.frameRect(0, 0, W, H, p.darkShadow);
    s.frameRect(1, 1, W - 2, H - 2, shift(p.shadow, -64));
    s.frameRect(2, 2, W - 4, H - 4, shift(p.shadow, -32));
    s.setPixel(2, 2, shift(p.shadow, -64));
    s.setPixel(3, 3, shift(p.shadow, -32));
    corners(p.darkShadow);
    line(W - 3, 1, W - 3, H - 3, p.shadow);
    line(1, H - 3, W - 2, H - 3, p.shadow);
    s.setPixel(W - 4, H - 4, p.shadow);
    line(W - 2, 3, W - 2, H - 2, pressed);
    line(3, H - 2, W - 2, H - 2, pressed);
    line(W - 2, H - 3, W - 4, H - 1, shift(p.shadow, -32));
    s.setPixel(2, H - 2, shift(p.shadow, -32));
    s.setPixel(W - 2, 2, shift(p.shadow, -32));
}

void Painter::offsetCaptionFrame() {
    if (d.hasFocus && d.showFocusRect) {
        const Rect& c = d.layout.caption;
        s.frameRect(c.left - 2, c.top - 1, d.layout.captionWidth + 4, d.layout.captionHeight + 2,
                    rgb(153, 153, 204));
    }
}

void Painter::offset() {
    if (disabled()) {
        drawCaption(CaptionMode::DisabledFlat);
        s.frameRect(0, 0, W, H, p.shadow);
    } else if (up()) {
        s.fillRect(1, 1, W - 1, H - 1, shift(p.face, +12));
        caption();
        s.frameRect(1, 1, W - 1, H - 1, p.highlight);
        s.frameRect(0, 0, W - 1, H - 1, shift(p.shadow, -26));
        s.setPixel(1, H - 2, shift(p.shadow, +26));
        s.setPixel(W - 2, 1, shift(p.shadow, +26));
        offsetCaptionFrame();
    } else {
        s.fillRect(1, 1, W - 2, H - 2, shift(p.shadow, +16));
        s.frameRect(0, 0, W - 1, H - 1, shift(p.shadow, -26));
        line(W - 1, 1, W - 1, H, p.highlight);
        line(1, H - 1, W - 1, H - 1, p.highlight);
        // Drawn directly, in no caption mode: the last one stays as it was.
        text(d.layout.caption, d.caption, readable(d.layout.caption, p.hoverText));
        m_captionDrawnDirectly = true;
        offsetCaptionFrame();
    }
}

void Painter::lightBevel() {
    const Colour light = shift(p.light, +8);
    if (disabled()) {
        drawCaption(CaptionMode::DisabledFlat);
        bevel(light, p.shadow, light, p.shadow, 0);
    } else if (up()) {
        caption();
        bevel(light, p.shadow, light, p.shadow, 0);
        focus();
    } else {
        drawCaption(CaptionMode::Down);
        bevel(p.shadow, light, p.shadow, light, 0);
        focus();
    }
}

void Painter::thin() {
    if (disabled()) {
        drawCaption(CaptionMode::Disabled);
        outerBevel(p.highlight, p.shadow, 0);
    } else if (up()) {
        caption();
        outerBevel(p.highlight, p.shadow, 0);
        focus();
    } else {
        drawCaption(CaptionMode::Down);
        outerBevel(p.shadow, p.highlight, 0);
        focus();
    }
}

void Painter::hotThin() {
    if (disabled()) {
        drawCaption(CaptionMode::Disabled);
    } else if (up()) {
        caption();
        if (d.hovered) {
            outerBevel(p.highlight, p.shadow, 0);
        }
        focus();
    } else {
        thin();
    }
}

void Painter::selection() {
    if (disabled()) {
        drawCaption(CaptionMode::DisabledFlat);
    } else if (up()) {
        if (d.hovered) {
            s.fillRect(1, 1, W, H, p.selectionTint);
            caption();
            s.frameRect(0, 0, W, H, p.selection);
        } else {
            caption();
        }
        focus();
    } else {
        if (d.hovered) {
            s.fillRect(0, 0, W, H,
                       d.colorScheme == 2 ? shift(p.selectionTint, -32)
                                          : TintTowardWhite(p.selection, 128));
        }
        drawCaption(CaptionMode::Down);
        s.frameRect(0, 0, W, H, p.selection);
        focus();
    }
}

void Painter::plain() {
    s.fillRect(0, 0, W, H, p.face);
    if (disabled()) {
        drawCaption(CaptionMode::Disabled);
    } else {
        if (up()) {
            caption();
        } else {
            drawCaption(CaptionMode::Down);
        }
        focus();
    }
}

void Painter::hotBevel() {
    if (disabled()) {
        drawCaption(CaptionMode::Disabled);
    } else if (up()) {
        caption();
        if (d.hovered) {
            bevel(p.highlight, p.darkShadow, p.light, p.shadow, 0);
        }
        focus();
    } else {
        drawCaption(CaptionMode::Down);
        bevel(p.darkShadow, p.highlight, p.shadow, p.light, 0);
        focus();
    }
}

void Painter::oval() {
    if (disabled()) {
        drawCaption(CaptionMode::Disabled);
    } else if (up()) {
        ellipse(d.hovered ? p.shadow : p.face, p.face);
        caption();
    } else {
        ellipse(p.darkShadow, shift(p.face, -32));
        drawCaption(CaptionMode::Down);
    }
}

void Painter::gradient() {
    if (!disabled() && !up()) {
        s.fillRect(1, 1, W, H, shift(p.face, -9));
        s.frameRect(0, 0, W, H, shift(p.shadow, -48));
        line(2, H - 2, W - 2, H - 2, p.highlight);
        line(W - 2, 2, W - 2, H - 1, p.highlight);
        drawCaption(CaptionMode::DownPale);
        focus();
        return;
    }
    if (!disabled() && d.hovered) {
        s.fillRect(0, 0, W, H, p.light);
    } else {
        fadeRows(p.highlight, 58);
    }
    if (!disabled()) {
        m_bold = d.displayAsDefault;
        caption();
        m_bold = false;
    }
    s.frameRect(0, 0, W, H, shift(p.shadow, -50));
    s.frameRect(1, 1, W - 2, H - 2, shift(p.face, -9));
    s.fillRect(2, 2, W - 4, 2, p.highlight);
    s.fillRect(2, 4, 2, H - 6, p.highlight);
    if (disabled()) {
        drawCaption(CaptionMode::DisabledPale);
    } else {
        focus();
    }
}

void Painter::blit(const Picture& picture, int x, int y, const BlitMode& mode) {
    const QSize size = d.pictureSize;
    if (d.pictures == nullptr || size.isEmpty()) {
        return;
    }
    const QSize device = s.deviceRect(x, y, size.width(), size.height()).size();
    BlitPicture(s, x, y, size.width(), size.height(),
                d.pictures->pixels(picture, size, d.maskColor, device), p.maskKey, d.useMaskColor,
                mode);
}

void Painter::pictureEffect(int a, const Picture& picture) {
    if (d.specialEffect <= 0) {
        return;
    }
    Colour base = p.selectionTint;
    if (d.buttonType == 3) {
        base = p.accentFace;
    } else if (a != -1 || d.colorScheme == 2) {
        base = p.face;
    }
    const int x = d.pictureOrigin.x();
    const int y = d.pictureOrigin.y();
    const bool sunken = d.specialEffect == 2;
    blit(picture, x + a + 1, y + a + 1, {shift(base, sunken ? +40 : -40)});
    if (d.specialEffect == 1 || sunken) {
        blit(picture, x + a - 1, y + a - 1, {shift(base, sunken ? -40 : +40)});
    }
}

void Painter::drawPicture(PictureState which) {
    if (d.pictureNormal == nullptr) {
        return;
    }
    const Picture& normal = *d.pictureNormal;
    const int x = d.pictureOrigin.x();
    const int y = d.pictureOrigin.y();
    const int type = d.buttonType;
    switch (which) {
    case PictureState::Up:
        if (d.hovered && type == 9) {
            // Lifted: its shadow below right, the picture above left.
            pictureEffect(-1, normal);
            blit(normal, x + 1, y + 1, {p.shadow});
            blit(normal, x - 1, y - 1);
        } else if (d.hovered && d.pictureOver != nullptr) {
            pictureEffect(0, *d.pictureOver);
            blit(*d.pictureOver, x, y);
        } else if (d.hovered) {
            pictureEffect(0, normal);
            blit(normal, x, y);
        } else {
            pictureEffect(0, normal);
            BlitMode mode;
            mode.greyscale = d.useGreyscale;
            mode.blend = type == 9;
            blit(normal, x, y, mode);
        }
        break;
    case PictureState::Down:
        if (d.pictureOver != nullptr && type != 9) {
            blit(*d.pictureOver, type == 5 ? x : x + 1, type == 5 ? y : y + 1);
        } else if (type != 5 && type != 9) {
            pictureEffect(1, normal);
            blit(normal, x + 1, y + 1);
        } else {
            pictureEffect(0, normal);
            blit(normal, x, y);
        }
        break;
    case PictureState::Disabled:
        if (type == 3) {
            BlitMode grey;
            grey.greyscale = true;
            blit(normal, x + 1, y + 1, grey);
        } else if (type == 5 || type == 6 || type == 9) {
            blit(normal, x, y, {type == 9 ? shift(p.shadow, +13) : p.shadow, true});
        } else {
            blit(normal, x + 1, y + 1, {p.highlight, true});
            blit(normal, x, y, {p.shadow, true});
        }
        break;
    }
    std::optional<CaptionMode> mode = m_lastMode;
    if (!mode && m_captionDrawnDirectly && d.lastCaptionMode != nullptr) {
        mode = *d.lastCaptionMode;
    }
    if (d.picturePosition == 4 && mode) {
        // The caption lies over the picture: drawn again in the last mode.
        m_bold = m_lastBold;
        m_overPicture = true;
        drawCaption(*mode);
        m_overPicture = false;
        m_bold = false;
    }
}

void Painter::paint() {
    s.fillRect(0, 0, W, H, p.face);
    switch (ButtonStyle(d.buttonType)) {
    case ButtonStyle::Framed:
        framed();
        break;
    case ButtonStyle::Classic:
        classic();
        break;
    case ButtonStyle::Glossy:
        glossy();
        break;
    case ButtonStyle::Embossed:
        embossed();
        break;
    case ButtonStyle::Offset:
        offset();
        break;
    case ButtonStyle::LightBevel:
        lightBevel();
        break;
    case ButtonStyle::Thin:
        thin();
        break;
    case ButtonStyle::HotThin:
        hotThin();
        break;
    case ButtonStyle::Selection:
        selection();
        break;
    case ButtonStyle::Bare:
        break;
    case ButtonStyle::Plain:
        plain();
        break;
    case ButtonStyle::HotBevel:
        hotBevel();
        break;
    case ButtonStyle::Oval:
        oval();
        break;
    case ButtonStyle::Gradient:
        gradient();
        break;
    }
    drawPicture(disabled() ? PictureState::Disabled : up() ? PictureState::Up : PictureState::Down);
}

} // namespace

const std::vector<Rgb>& PreparedPictures::pixels(const Picture& picture, QSize size,
                                                 Colour maskColour, QSize device) {
    const qint64 image = picture.image().cacheKey();
    const Colour mask = translateColour(maskColour);
    if (device.isEmpty()) {
        device = size;
    }
    if (const Entry* kept = m_entries.find([&](const Entry& e) {
            return e.image == image && e.size == size && e.device == device && e.mask == mask;
        })) {
        return kept->pixels;
    }
    Entry e{image, size, device, mask, {}};
    const QImage prepared = picturePixels(picture, size, mask, device);
    e.pixels.resize(size_t(device.width()) * size_t(device.height()));
    for (int y = 0; y < device.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(prepared.constScanLine(y));
        for (int x = 0; x < device.width(); ++x) {
            e.pixels[size_t(y) * size_t(device.width()) + size_t(x)] = Rgb::of(fromQRgb(row[x]));
        }
    }
    return m_entries.add(std::move(e)).pixels;
}

const CaptionInk::Entry& CaptionInk::entry(const Surface& surface, const Rect& r,
                                           const QString& caption) {
    const FontDesc& font = surface.font();
    const double ratio = surface.devicePixelRatio();
    if (const Entry* kept = m_entries.find([&](const Entry& e) {
            return e.width == r.width() && e.ratio == ratio && e.font == font &&
                   e.caption == caption;
        })) {
        return *kept;
    }
    // White on black, in the same surface code, on a scratch surface wide
    // enough for a word that does not fit the width and for overhangs.
    constexpr int kMargin = 4;
    Surface scratch(QSize(1, 1));
    scratch.setDevicePixelRatio(ratio);
    scratch.setFont(font);
    const Rect need = scratch.measureText({0, 0, r.width(), 0}, caption);
    const int w = std::max(need.width(), r.width()) + 2 * kMargin;
    const int h = need.height() + 2 * kMargin;
    scratch.resize(QSize(w, h));
    scratch.setBackColour(rgb(0, 0, 0));
    scratch.clear();
    const int left = (w - r.width()) / 2;
    scratch.drawText({left, kMargin, left + r.width(), kMargin + r.height()}, caption,
                     rgb(255, 255, 255));
    // The ink is read from the device's pixels, so a denser screen gets
    // captions drawn for it.
    const QImage& pixels = scratch.image();
    auto at = [&pixels](int x, int y) {
        return qRed(reinterpret_cast<const QRgb*>(pixels.constScanLine(y))[x]);
    };
    QRect ink;
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            if (at(x, y) != 0) {
                ink |= QRect(x, y, 1, 1);
            }
        }
    }
    const QPoint origin = scratch.deviceRect(left, kMargin, 0, 0).topLeft();
    Entry e{caption, font, r.width(), ratio, ink.topLeft() - origin, ink.size(), {}};
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
        for (int x = ink.left(); x <= ink.right(); ++x) {
            e.coverage.push_back(quint8(at(x, y)));
        }
    }
    return m_entries.add(std::move(e));
}

void CaptionInk::draw(Surface& surface, const Rect& r, const QString& caption, Colour c) {
    const Entry& e = entry(surface, r, caption);
    if (e.size.isEmpty()) {
        return;
    }
    const QRect place(surface.deviceRect(r.left, r.top, 0, 0).topLeft() + e.offset, e.size);
    std::vector<Rgb> block = surface.readDeviceBlock(place);
    const Rgb ink = Rgb::of(translateColour(c));
    // Laid on as the toolkit blends glyph coverage a: ink * a / 255 plus
    // under * (255 - a) / 255, each product rounded its own way.
    auto mul = [](int v, int a) {
        const int t = v * a;
        return (t + (t >> 8) + 0x80) >> 8;
    };
    auto blend = [&mul](int from, int a, int under) {
        return quint8(mul(from, a) + mul(under, 255 - a));
    };
    for (size_t i = 0; i < block.size(); ++i) {
        const int a = e.coverage[i];
        if (a == 255) {
            block[i] = ink;
        } else if (a != 0) {
            block[i] = {blend(ink.r, a, block[i].r), blend(ink.g, a, block[i].g),
                        blend(ink.b, a, block[i].b)};
        }
    }
    surface.writeDeviceBlock(place, block);
}

void PaintButtonLook(Surface& surface, const ButtonDrawing& drawing, PaintState state) {
    Painter(surface, drawing, state).paint();
}

void BlitPicture(Surface& surface, int x, int y, int w, int h, const std::vector<Rgb>& picture,
                 Colour maskKey, bool useMaskColor, const BlitMode& mode) {
    const QRect place = surface.deviceRect(x, y, w, h);
    if (place.isEmpty() || picture.size() < size_t(place.width()) * size_t(place.height())) {
        return;
    }
    std::vector<Rgb> block = surface.readDeviceBlock(place);
    const Colour key = translateColour(maskKey);
    const Rgb solid = Rgb::of(translateColour(mode.colour.value_or(0)));
    for (size_t i = 0; i < block.size(); ++i) {
        const Rgb src = picture[i];
        Rgb& dst = block[i];
        if (useMaskColor && surface.nearestColour(src.colour()) == key) {
            continue;
        }
        if (mode.colour) {
            if (!mode.silhouette || int(src.r) + src.g + src.b <= 384) {
                dst = solid;
            }
        } else if (mode.greyscale) {
            const quint8 g = GreyOf(src);
            dst = {g, g, g};
        } else if (mode.blend) {
            dst = {quint8((2 * src.r + dst.r) / 3), quint8((2 * src.g + dst.g) / 3),
                   quint8((2 * src.b + dst.b) / 3)};
        } else {
            dst = src;
        }
    }
    surface.writeDeviceBlock(place, block);
}

} // namespace zephral
