// The 3D frame's geometry and colours as plain functions of a plain struct:
// where the border lines run, what each border type draws and how the window
// is shaped, the inner bevel, the flood bar, the gradient's colours, where
// the caption goes and the usable inside area. Nothing here draws; the
// control turns these into surface calls (FrameDrawing.h).
//
// Coordinates are pixels of the control's inside, W x H. Positions the
// frame computes in fractions (the caption line at the caption's height /
// 2.25, centred captions, the flood's width) become pixels by rounding to
// the nearest, halves to even.
#pragma once

#include "shared/Colour.h"

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <optional>
#include <vector>

namespace zephral {

enum class BorderType : int {
    Plain = 0, // a box in the back colour: no visible border
    Engraved = 1,
    Embossed = 2,
    ShadowLine = 3,
    HighlightLine = 4,
    RaisedBox = 5,
    SunkenBox = 6,
    RoundEngraved = 7,
    RoundEmbossed = 8,
    RoundShadowLine = 9,
    RoundHighlightLine = 10,
    RaisedRoundBox = 11,
    SunkenRoundBox = 12,
    RoundPlain = 13,
};
// The stored number as a border type; numbers outside 0 to 13 draw as Plain.
BorderType borderTypeOf(qint32 stored);
bool isRounded(BorderType type);

// Halves to even, as every fractional coordinate of the frame is rounded.
int nearestPixel(double value);
// Pixels as the twips the inside area is reported in (15 to the pixel).
qint32 pixelsToTwips(double pixels);

// Everything the geometry depends on: the frame's properties as stored
// (colours unresolved; the surface resolves them as it draws), its inside
// size and the size of its caption label.
struct FrameState {
    int width = 0;  // W
    int height = 0; // H
    qint32 borderType = 1;
    qint32 bevelWidth = 3;
    qint32 bevelInner = 0;
    qint32 caption3D = 0;
    qint32 captionAlignment = 0;
    qint32 captionLocation = 0;
    qint32 cornerRadius = 7;
    qint32 floodPercent = 0;
    qint32 floodType = 0;
    qint32 fillGradient = 0;
    Colour backColour = 0;
    Colour highlight = 0;
    Colour shadow = 0;
    bool hasCaption = false;
    QSize captionSize; // of lblCaption
};

// Where the top and bottom border lines run: a caption on the line (location
// 1) at the top or bottom moves that line to the caption's middle and puts
// the blank patch behind the caption; a frame with an inner bevel keeps its
// lines at the edges.
struct FrameLines {
    float top = 0;    // the caption line offset
    float bottom = 0; // the bottom line position
    bool showBlank = false;
    bool operator==(const FrameLines&) const = default;
};
FrameLines frameLines(const FrameState& s);

// The usable inner area, in twips.
struct InsideArea {
    qint32 left = 0;
    qint32 top = 0;
    qint32 width = 0;
    qint32 height = 0;
    bool operator==(const InsideArea&) const = default;
};
// Inside the border: 2 pixels in for the engraved and embossed types (1, 2,
// 7, 8), 1 pixel for the others.
InsideArea borderInsideArea(const FrameState& s);
// Inside an inner bevel at inset d.
InsideArea bevelInsideArea(float d, int width, int height);

// One drawing step. Box and RoundBox: the surface's rectangle over columns
// x1..x2-1 and rows y1..y2-1 (RoundBox with corner x corner ellipses), inside
// filled after the fill style. Line: from (x1, y1) towards (x2, y2), the end
// left out. Arc: radius `radius` around (x1, y1) from `start` to `end`
// radians, counter-clockwise from the right.
struct Stroke {
    enum class Kind { Box, RoundBox, Line, Arc };
    Kind kind = Kind::Line;
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    int corner = 0;
    int radius = 0;
    double start = 0;
    double end = 0;
    Colour colour = 0;
    bool operator==(const Stroke&) const = default;
};
Stroke boxStroke(int left, int top, int right, int bottom, Colour c);
Stroke roundBoxStroke(int left, int top, int right, int bottom, int corner, Colour c);
Stroke lineStroke(int x1, int y1, int x2, int y2, Colour c);
Stroke arcStroke(int cx, int cy, int radius, double start, double end, Colour c);

// The quadrants of the rounded corners, as the arcs are drawn: counter-
// clockwise from the right, stopping just short of the axes.
enum class Quadrant { TopRight, TopLeft, BottomLeft, BottomRight };
Stroke quarterArc(Quadrant q, int cx, int cy, int radius, Colour c);

// The window's outline: the whole control, the control with rounded corners,
// or rounded corners on the control less its outermost pixel all round.
enum class OutlineShape { Rectangle, Rounded, RoundedInset };

struct BorderRecipe {
    std::vector<Stroke> strokes;
    OutlineShape outline = OutlineShape::Rectangle;
    bool hidesBlank = false; // the box types draw no line for a caption to sit on
};
BorderRecipe borderRecipe(const FrameState& s, const FrameLines& lines);
QRegion frameOutline(OutlineShape shape, int width, int height, int cornerDiameter);

// The inner bevel: its inset d, its strokes (none for BevelInner 0 or
// unknown modes).
float bevelInset(const FrameState& s, const FrameLines& lines);
std::vector<Stroke> bevelStrokes(const FrameState& s, float d);

// The flood bar's pixels, both corners inside; none at 0 percent.
std::optional<QRect> floodBox(const FrameState& s, const FrameLines& lines);

// The colours of the gradient's lines, from start to end in n steps: n + 1
// colours, each component counted in single precision and rounded.
std::vector<Colour> gradientColours(Colour startRgb, Colour endRgb, int n);

// The caption label's top-left corner, before rounding.
struct CaptionPoint {
    float left = 0;
    float top = 0;
    bool operator==(const CaptionPoint&) const = default;
};
CaptionPoint captionPosition(const FrameState& s);

// Where the labels go for a caption at p: the caption itself, its 3D shadow
// (none when flat) and the blank patch one pixel around the caption.
struct CaptionPlacement {
    QPoint caption;
    std::optional<QPoint> shadow;
    QRect blank;
    bool operator==(const CaptionPlacement&) const = default;
};
CaptionPlacement captionPlacement(const FrameState& s, CaptionPoint p);

} // namespace zephral
