// The pixel geometry of the drawing surface, as plain functions: which pixels
// a line, a filled ellipse or rounded rectangle, an elliptic arc covers.
// Shapes are computed here rather than left to QPainter so that a control's
// window outline (built from the same spans) covers exactly the pixels its
// drawing fills, and so that every rule is ours to state and test:
// - a line leaves out its end point;
// - a filled shape in the box x <= px < x+w, y <= py < y+h covers the pixels
//   whose centres lie inside the ellipse (or rounded rectangle) inscribed in
//   that box, symmetric left to right and top to bottom.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <cstdlib>
#include <vector>

namespace zephral {

// The pixels left <= x < right of row y.
struct Span {
    int y = 0;
    int left = 0;
    int right = 0;
    bool operator==(const Span&) const = default;
};

// The rectangle box with elliptic corners cornerWidth x cornerHeight (each
// clamped to the box); corners of 0 give the plain rectangle, corners the
// size of the box give the inscribed ellipse. One span per non-empty row.
std::vector<Span> roundRectSpans(const QRect& box, int cornerWidth, int cornerHeight);
inline std::vector<Span> ellipseSpans(const QRect& box) {
    return roundRectSpans(box, box.width(), box.height());
}

QRegion regionFromSpans(const std::vector<Span>& spans);
inline QRegion ellipseRegion(const QRect& box) {
    return regionFromSpans(ellipseSpans(box));
}
inline QRegion roundRectRegion(const QRect& box, int cornerWidth, int cornerHeight) {
    return regionFromSpans(roundRectSpans(box, cornerWidth, cornerHeight));
}

// Calls plot(x, y) for each pixel of the line from (x1, y1) towards (x2, y2),
// the end point itself left out; a line to its own start draws nothing.
template <class Plot>
void forEachLinePixel(int x1, int y1, int x2, int y2, Plot&& plot) {
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        plot(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

// The one-pixel outline of the ellipse with radii rx, ry around the centre
// pixel, limited to the angles from start to end (radians, counter-clockwise
// from the right as seen on the screen; start > end wraps through 0). The
// points through (cx +- rx, cy) and (cx, cy +- ry) belong to the outline.
std::vector<QPoint> ellipseArcPixels(QPoint centre, int rx, int ry, double start, double end);

} // namespace zephral
