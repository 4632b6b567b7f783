// The drawing surface of a skinned control: a persistent RGB image the
// control draws into when its state changes and that its paintEvent only
// copies. All the canvas operations the controls draw with are here, with
// their pixel rules; colours are platform colour values (system colours are
// resolved through the desktop's palette as they are drawn).
#pragma once

#include "shared/Colour.h"
#include "shared/Fonts.h"
#include "shared/Picture.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QStringView>
#include <vector>

namespace zephral {

// A rectangle the way the drawing code counts: left and top are inside,
// right and bottom just outside (so width = right - left).
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    Rect moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    QRect toQRect() const { return QRect(left, top, width(), height()); }
    bool operator==(const Rect&) const = default;
};

// One pixel of a block read from or written to the surface.
struct Rgb {
    quint8 r = 0;
    quint8 g = 0;
    quint8 b = 0;
    Colour colour() const { return rgb(r, g, b); }
    static Rgb of(Colour c) { return {quint8(redOf(c)), quint8(greenOf(c)), quint8(blueOf(c))}; }
    bool operator==(const Rgb&) const = default;
};

// Pen styles (the surface's draw style) and fill styles, numbered as stored.
enum class PenStyle : int {
    Solid = 0,
    Dash = 1,
    Dot = 2,
    DashDot = 3,
    DashDotDot = 4,
    Invisible = 5,
    InsideSolid = 6
};
enum class FillStyle : int {
    Solid = 0,
    Transparent = 1,
    Horizontal = 2,
    Vertical = 3,
    UpwardDiagonal = 4,
    DownwardDiagonal = 5,
    Cross = 6,
    DiagonalCross = 7
};

// Coordinates and sizes are the control's (logical) pixels. On a denser
// screen the surface holds the device's pixels: logical pixel x covers device
// columns round(x * ratio) up to round((x + 1) * ratio), so a one-pixel line
// is whole device pixels (one or two at 1.5), neighbouring lines never
// overlap, and at ratio 1 everything is exactly as it is pixel for pixel.
// Text, ellipses, rounded corners and pictures are drawn for the device's
// pixels, not as a logical image scaled.
class Surface {
public:
    Surface() = default;
    explicit Surface(QSize size);

    QSize size() const { return m_size; }
    int width() const { return m_size.width(); }
    int height() const { return m_size.height(); }
    // Keeps what is drawn at the top left; new pixels take the back colour.
    void resize(QSize size);
    // The device's pixels, with the ratio as its device pixel ratio.
    const QImage& image() const { return m_image; }

    // Device pixels per logical pixel (1 until set). Setting another ratio
    // starts an empty surface: the control draws itself again.
    void setDevicePixelRatio(double ratio);
    double devicePixelRatio() const { return m_ratio; }
    // The device pixels under the logical rectangle.
    QRect deviceRect(int x, int y, int w, int h) const;
    // Blocks of the device's pixels, for drawing finer than a logical pixel.
    std::vector<Rgb> readDeviceBlock(const QRect& r) const;
    void writeDeviceBlock(const QRect& r, const std::vector<Rgb>& pixels);

    // What clear() leaves: the back colour (the system button face until
    // set), with the background picture, if any, at the top left.
    void setBackColour(Colour c) { m_backColour = c; }
    Colour backColour() const { return m_backColour; }
    void setBackgroundPicture(const Picture& picture) { m_picture = picture; }
    const Picture& backgroundPicture() const { return m_picture; }
    void clear();

    void setFont(const FontDesc& font);
    const FontDesc& font() const { return m_font; }
    const QFont& qfont() const { return m_qfont; }

    // The pen style applies to line, rectangle, roundRect and arc; the fill
    // style and colour to the inside of rectangle and roundRect. Dashes are
    // laid on a fixed grid (a pixel's x + y picks its place in the pattern),
    // so that they line up across the pieces of an outline.
    void setPenStyle(PenStyle style) { m_penStyle = style; }
    PenStyle penStyle() const { return m_penStyle; }
    void setFillStyle(FillStyle style) { m_fillStyle = style; }
    FillStyle fillStyle() const { return m_fillStyle; }
    void setFillColour(Colour c) { m_fillColour = c; }
    Colour fillColour() const { return m_fillColour; }

    // Solid fill of the pixels x <= px < x+w, y <= py < y+h (nothing when w
    // or h is not positive); everything is clipped to the surface.
    void fillRect(int x, int y, int w, int h, Colour c);
    // The one-pixel outline of the same pixels, always solid.
    void frameRect(int x, int y, int w, int h, Colour c);
    // From (x1, y1) towards (x2, y2), one pixel wide, the end point left out.
    void line(int x1, int y1, int x2, int y2, Colour c);
    void setPixel(int x, int y, Colour c);
    // The RGB value at (x, y); 0 outside the surface.
    Colour pixel(int x, int y) const;

    // The ellipse inscribed in x, y, w, h: the outer penWidth rings in pen,
    // the rest in brush (its pixels are those of ellipseRegion).
    void ellipse(int x, int y, int w, int h, Colour pen, Colour brush, int penWidth = 2);
    // Outline in pen (pen style) over columns left..right-1 and rows
    // top..bottom-1, the inside after the fill style and colour.
    void rectangle(int left, int top, int right, int bottom, Colour pen);
    // The same with elliptic corners cornerWidth x cornerHeight (the pixels of
    // roundRectRegion).
    void roundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight,
                   Colour pen);
    // One-pixel elliptic arc around (cx, cy) from start to end (radians,
    // counter-clockwise from the right).
    void arc(int cx, int cy, int rx, int ry, double start, double end, Colour pen);

    // The rectangle caption needs in r: left and top of r, as wide as its
    // widest line, as high as its lines, word-wrapped at r's width by
    // wrapText; "&x" marks the access key, "&&" is one "&".
    Rect measureText(const Rect& r, QStringView caption) const;
    // The caption laid out as measureText does, each line centred in r's
    // width from r's top, the access key underlined. Not clipped to r.
    void drawText(const Rect& r, QStringView caption, Colour c);
    // The dotted focus mark: every other pixel of r's outline inverted (the
    // pixels whose x + y is even), so drawing it twice takes it away.
    void focusRect(const Rect& r);

    // A block of pixels as 24-bit RGB, row by row; pixels outside the surface
    // read as black and are not written. On a denser screen a logical pixel
    // reads as the top left one of its device pixels and is written to all.
    std::vector<Rgb> readBlock(int x, int y, int w, int h) const;
    void writeBlock(int x, int y, int w, int h, const std::vector<Rgb>& pixels);
    // The colour the surface shows for c: c itself as RGB, the surface
    // holding 24 bits a pixel.
    Colour nearestColour(Colour c) const { return translateColour(c); }
    // An image put at (x, y) as it is (at its own device pixel ratio);
    // transparent parts let the surface show.
    void drawImage(int x, int y, const QImage& image);

private:
    bool penDraws(int x, int y) const;
    bool fillDraws(int x, int y) const;
    void plot(int x, int y, QRgb value);
    void plotDevice(int x, int y, QRgb value);
    int device(int v) const;
    int logical(int deviceV) const;

    QSize m_size;
    double m_ratio = 1.0;
    QImage m_image;
    Colour m_backColour = systemColour(ButtonFace);
    Picture m_picture;
    FontDesc m_font;
    QFont m_qfont = drawingFont(FontDesc());
    PenStyle m_penStyle = PenStyle::Solid;
    FillStyle m_fillStyle = FillStyle::Transparent;
    Colour m_fillColour = 0;
};

} // namespace zephral
