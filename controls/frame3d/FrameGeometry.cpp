#include "frame3d/FrameGeometry.h"

#include "shared/Raster.h"
#include "shared/Units.h"

#include <algorithm>
#include <cmath>

namespace zephral {

BorderType borderTypeOf(qint32 stored) {
    return stored >= 0 && stored <= 13 ? BorderType(stored) : BorderType::Plain;
}

bool isRounded(BorderType type) {
    return int(type) >= int(BorderType::RoundEngraved);
}

int nearestPixel(double value) {
    return int(std::nearbyint(value)); // the default rounding mode: halves to even
}

qint32 pixelsToTwips(double pixels) {
    return qint32(std::nearbyint(pixels * kTwipsPerPixel));
}

FrameLines frameLines(const FrameState& s) {
    FrameLines lines{0, float(s.height), false};
    if (s.bevelInner != 0 || s.captionLocation != 1 || !s.hasCaption) {
        return lines;
    }
    const float half = float(s.captionSize.height()) / 2.25f;
    if (s.captionAlignment >= 0 && s.captionAlignment <= 2) {
        lines.top = half;
        lines.showBlank = true;
    } else if (s.captionAlignment >= 6 && s.captionAlignment <= 8) {
        lines.bottom = float(s.height) - half;
        lines.showBlank = true;
    }
    return lines;
}

InsideArea borderInsideArea(const FrameState& s) {
    const BorderType type = BorderType(s.borderType);
    const bool twoLines = type == BorderType::Engraved || type == BorderType::Embossed ||
                          type == BorderType::RoundEngraved || type == BorderType::RoundEmbossed;
    const int inset = twoLines ? 2 : 1;
    return {pixelsToTwips(inset), pixelsToTwips(inset), pixelsToTwips(s.width - 2 * inset),
            pixelsToTwips(s.height - 2 * inset)};
}

InsideArea bevelInsideArea(float d, int width, int height) {
    return {pixelsToTwips(double(d) + 1), pixelsToTwips(double(d) + 1),
            pixelsToTwips(double(width) - 2 * double(d) - 2),
            pixelsToTwips(double(height) - 2 * double(d) - 2)};
}

Stroke boxStroke(int left, int top, int right, int bottom, Colour c) {
    Stroke s;
    s.kind = Stroke::Kind::Box;
    s.x1 = left;
    s.y1 = top;
    s.x2 = right;
    s.y2 = bottom;
    s.colour = c;
    return s;
}

Stroke roundBoxStroke(int left, int top, int right, int bottom, int corner, Colour c) {
    Stroke s = boxStroke(left, top, right, bottom, c);
    s.kind = Stroke::Kind::RoundBox;
    s.corner = corner;
    return s;
}

Stroke lineStroke(int x1, int y1, int x2, int y2, Colour c) {
    Stroke s;
    s.x1 = x1;
    s.y1 = y1;
    s.x2 = x2;
    s.y2 = y2;
    s.colour = c;
    return s;
}

Stroke arcStroke(int cx, int cy, int radius, double start, double end, Colour c) {
    Stroke s;
    s.kind = Stroke::Kind::Arc;
    s.x1 = cx;
    s.y1 = cy;
    s.radius = radius;
    s.start = start;
    s.end = end;
    s.colour = c;
    return s;
}

Stroke quarterArc(Quadrant q, int cx, int cy, int radius, Colour c) {
    // The angles the corners have always been drawn with; each stops a
    // little short of its second axis.
    static constexpr double kAngles[] = {0, 1.57, 3.14, 4.71, 6.28};
    const int i = int(q);
    return arcStroke(cx, cy, radius, kAngles[i], kAngles[i + 1], c);
}

BorderRecipe borderRecipe(const FrameState& s, const FrameLines& lines) {
    const int W = s.width;
    const int H = s.height;
    const int d = 2 * s.cornerRadius;
    const int r = s.cornerRadius;
    const Colour hl = s.highlight;
    const Colour sh = s.shadow;
    const Colour back = s.backColour;
    // Coordinates on the border lines are counted in fractions and rounded
    // one by one.
    const int t0 = nearestPixel(lines.top);
    const int t1 = nearestPixel(double(lines.top) + 1);
    const int b0 = nearestPixel(lines.bottom);
    const int bm1 = nearestPixel(double(lines.bottom) - 1);

    BorderRecipe recipe;
    auto& out = recipe.strokes;
    // The engraved and embossed pair: one box, and a second one a pixel
    // right of and below it.
    auto twoBoxes = [&](Colour first, Colour second, int corner) {
        if (corner > 0) {
            out.push_back(roundBoxStroke(0, t0, W - 1, bm1, corner, first));
            out.push_back(roundBoxStroke(1, t1, W, b0, corner, second));
        } else {
            out.push_back(boxStroke(0, t0, W - 1, bm1, first));
            out.push_back(boxStroke(1, t1, W, b0, second));
        }
    };
    auto roundedBox = [&](Colour topLeft, Colour bottomRight) {
        recipe.hidesBlank = true;
        recipe.outline = OutlineShape::Rounded;
        out.push_back(roundBoxStroke(0, 0, W, H, d, back));
        // The top and right edges reach the end pixels of the arcs after
        // them, which the arcs, ending a hair short of their axes, leave out.
        out.push_back(lineStroke(r, 0, W - r, 0, topLeft));
        out.push_back(lineStroke(0, r, 0, H - r - 1, topLeft));
        out.push_back(lineStroke(W - 1, r, W - 1, H - r, bottomRight));
        out.push_back(lineStroke(r, H - 1, W - r - 1, H - 1, bottomRight));
        out.push_back(quarterArc(Quadrant::TopLeft, r, r, r, topLeft));
        out.push_back(quarterArc(Quadrant::BottomLeft, r, H - r - 1, r, topLeft));
        out.push_back(quarterArc(Quadrant::TopRight, W - r - 1, r, r, bottomRight));
        out.push_back(quarterArc(Quadrant::BottomRight, W - r - 1, H - r - 1, r, bottomRight));
    };

    switch (borderTypeOf(s.borderType)) {
    case BorderType::Engraved:
        twoBoxes(sh, hl, 0);
        break;
    case BorderType::Embossed:
        twoBoxes(hl, sh, 0);
        break;
    case BorderType::ShadowLine:
        out.push_back(boxStroke(0, t0, W - 1, bm1, sh));
        break;
    case BorderType::HighlightLine:
        out.push_back(boxStroke(0, t0, W, b0, hl));
        break;
    case BorderType::RaisedBox:
        recipe.hidesBlank = true;
        out.push_back(boxStroke(0, 0, W, H, back));
        out.push_back(lineStroke(W - 1, H - 1, W - 1, 0, sh));
        out.push_back(lineStroke(W - 1, H - 1, 0, H - 1, sh));
        out.push_back(lineStroke(W - 1, 0, 0, 0, hl));
        out.push_back(lineStroke(0, H - 1, 0, 0, hl));
        break;
    case BorderType::SunkenBox:
        // The shadow stops a pixel short of the top-right and bottom-left
        // corners, which keep the back colour.
        recipe.hidesBlank = true;
        out.push_back(boxStroke(0, 0, W, H, back));
        out.push_back(lineStroke(W - 1, H - 1, W - 1, 0, hl));
        out.push_back(lineStroke(W - 1, H - 1, 0, H - 1, hl));
        out.push_back(lineStroke(W - 2, 0, 0, 0, sh));
        out.push_back(lineStroke(0, H - 2, 0, 0, sh));
        break;
    case BorderType::RoundEngraved:
        recipe.outline = OutlineShape::Rounded;
        twoBoxes(sh, hl, d);
        break;
    case BorderType::RoundEmbossed:
        recipe.outline = OutlineShape::Rounded;
        twoBoxes(hl, sh, d);
        break;
    case BorderType::RoundShadowLine:
        recipe.outline = OutlineShape::Rounded;
        out.push_back(roundBoxStroke(0, t0, W, b0, d, sh));
        break;
    case BorderType::RoundHighlightLine:
        recipe.outline = OutlineShape::Rounded;
        out.push_back(roundBoxStroke(0, t0, W, b0, d, hl));
        break;
    case BorderType::RaisedRoundBox:
        roundedBox(hl, sh);
        break;
    case BorderType::SunkenRoundBox:
        roundedBox(sh, hl);
        break;
    case BorderType::RoundPlain:
        recipe.outline = OutlineShape::RoundedInset;
        out.push_back(boxStroke(0, 0, W, H, back));
        break;
    case BorderType::Plain:
        out.push_back(boxStroke(0, 0, W, H, back));
        break;
    }
    return recipe;
}

QRegion frameOutline(OutlineShape shape, int width, int height, int cornerDiameter) {
    switch (shape) {
    case OutlineShape::Rounded:
        return roundRectRegion(QRect(0, 0, width, height), cornerDiameter, cornerDiameter);
    case OutlineShape::RoundedInset:
        return roundRectRegion(QRect(1, 1, width - 2, height - 2), cornerDiameter, cornerDiameter);
    case OutlineShape::Rectangle:
        break;
    }
    return QRegion(0, 0, width, height);
}

float bevelInset(const FrameState& s, const FrameLines& lines) {
    return float(s.bevelWidth) + lines.top;
}

std::vector<Stroke> bevelStrokes(const FrameState& s, float d) {
    std::vector<Stroke> out;
    const double W = s.width;
    const double H = s.height;
    const double c = isRounded(borderTypeOf(s.borderType)) ? double(s.cornerRadius) : 0.0;
    const double dd = d;
    auto px = [](double v) { return nearestPixel(v); };
    switch (s.bevelInner) {
    case 1:
    case 2: {
        // Sunken: shadow on the top and left, highlight on the right and
        // bottom; raised the other way round.
        const Colour upper = s.bevelInner == 1 ? s.shadow : s.highlight;
        const Colour lower = s.bevelInner == 1 ? s.highlight : s.shadow;
        // Rounded, the top and right edges reach the end pixels of the arcs
        // after them (as the border's do).
        const int closing = c > 0 ? 1 : 0;
        out.push_back(lineStroke(px(dd + c), px(dd), px(W - c - 1 - dd) + closing, px(dd), upper));
        out.push_back(lineStroke(px(dd), px(dd + c), px(dd), px(H - dd - c - 1), upper));
        out.push_back(lineStroke(px(W - dd - 1), px(dd + c), px(W - dd - 1),
                                 px(H - c - dd - 1) + closing, lower));
        out.push_back(
            lineStroke(px(dd + c), px(H - dd - 1), px(W - dd - c - 1), px(H - dd - 1), lower));
        if (c > 0) {
            const int r = px(c);
            const int left = px(dd + c);
            const int top = px(dd + c);
            const int right = px(W - dd - c - 1);
            const int bottom = px(H - dd - c - 1);
            out.push_back(quarterArc(Quadrant::TopLeft, left, top, r, upper));
            out.push_back(quarterArc(Quadrant::BottomLeft, left, bottom, r, upper));
            out.push_back(quarterArc(Quadrant::TopRight, right, top, r, lower));
            out.push_back(quarterArc(Quadrant::BottomRight, right, bottom, r, lower));
        }
        break;
    }
    case 3:
    case 4:
        out.push_back(roundBoxStroke(px(dd), px(dd), px(W - dd), px(H - dd), px(c),
                                     s.bevelInner == 3 ? s.shadow : s.highlight));
        break;
    default:
        break;
    }
    return out;
}

std::optional<QRect> floodBox(const FrameState& s, const FrameLines& lines) {
    if (s.floodPercent <= 0) {
        return std::nullopt;
    }
    const float i = lines.top + 1.0f + (s.bevelInner != 0 ? float(s.bevelWidth) : 0.0f);
    const float W = float(s.width);
    const float H = float(s.height);
    const float pct = float(s.floodPercent);
    QPoint from;
    QPoint to;
    if (s.floodType == 0) {
        const float w = (W - 2 * i) * pct / 100.0f;
        from = {nearestPixel(i), nearestPixel(i)};
        to = {nearestPixel(i + w - 1), nearestPixel(H - i - 1)};
    } else {
        const float h = H - 2 * i - 1;
        const float rest = h - h * pct / 100.0f;
        from = {nearestPixel(i), nearestPixel(rest + i)};
        to = {nearestPixel(W - i - 1), nearestPixel(H - i - 1)};
    }
    // A bar narrower than a pixel shows nothing, rather than a box turned
    // inside out over the border line.
    if (to.x() < from.x() || to.y() < from.y()) {
        return std::nullopt;
    }
    return QRect(from, to);
}

std::vector<Colour> gradientColours(Colour startRgb, Colour endRgb, int n) {
    std::vector<Colour> out;
    if (n <= 0) {
        return out;
    }
    float r = float(redOf(startRgb));
    float g = float(greenOf(startRgb));
    float b = float(blueOf(startRgb));
    const float dr = float(redOf(endRgb) - redOf(startRgb)) / float(n);
    const float dg = float(greenOf(endRgb) - greenOf(startRgb)) / float(n);
    const float db = float(blueOf(endRgb) - blueOf(startRgb)) / float(n);
    auto component = [](float v) { return std::clamp(nearestPixel(v), 0, 255); };
    out.reserve(size_t(n) + 1);
    for (int x = 0; x <= n; ++x) {
        out.push_back(rgb(component(r), component(g), component(b)));
        r += dr;
        g += dg;
        b += db;
    }
    return out;
}

CaptionPoint captionPosition(const FrameState& s) {
    float m = 1;
    if (s.borderType >= 7 && s.borderType <= 13) {
        m = float(s.cornerRadius) + (s.captionLocation == 1 ? 3.0f : 0.0f);
    } else if (s.borderType >= 1 && s.borderType <= 6) {
        m = s.captionLocation == 1 ? 6.0f : 3.0f;
    }
    const float inset = s.bevelInner != 0 ? float(s.bevelWidth) : 0.0f;
    const float W = float(s.width) - 2 * inset;
    const float H = float(s.height) - 2 * inset;
    const float w = float(s.captionSize.width());
    const float h = float(s.captionSize.height());
    const float centreX = (W - w) / 2;
    const float middleY = (H - h) / 2;
    const float bottomY = H - h - 3;
    CaptionPoint p;
    switch (s.captionAlignment) {
    case 0:
        p = {m, 1};
        break;
    case 1:
        p = {centreX, 1};
        break;
    case 2:
        p = {W - w - m, 1};
        break;
    case 3:
        p = {3, middleY};
        break;
    case 4:
        p = {centreX, middleY};
        break;
    case 5:
        p = {W - w - 3, middleY};
        break;
    case 6:
        p = {m, bottomY};
        break;
    case 7:
        p = {centreX, bottomY};
        break;
    case 8:
        p = {W - w - m, bottomY};
        break;
    default:
        break; // an unknown alignment leaves the caption at the corner
    }
    p.left += inset;
    p.top += inset;
    return p;
}

CaptionPlacement captionPlacement(const FrameState& s, CaptionPoint p) {
    // The caption's corner is rounded once and the shadow and blank patch
    // placed from it, so that they keep their one pixel to the caption.
    CaptionPlacement out;
    out.caption = {nearestPixel(p.left), nearestPixel(p.top)};
    if (s.caption3D == 1) {
        out.shadow = out.caption + QPoint(1, 1);
    } else if (s.caption3D == 2) {
        out.shadow = out.caption - QPoint(1, 1);
    }
    out.blank = QRect(out.caption - QPoint(1, 1), s.captionSize + QSize(2, 2));
    return out;
}

} // namespace zephral
