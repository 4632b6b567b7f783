#include "shared/Raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zephral {

std::vector<Span> roundRectSpans(const QRect& box, int cornerWidth, int cornerHeight) {
    std::vector<Span> spans;
    const int w = box.width();
    const int h = box.height();
    if (w <= 0 || h <= 0) {
        return spans;
    }
    const double a = std::clamp(cornerWidth, 0, w) / 2.0;
    const double b = std::clamp(cornerHeight, 0, h) / 2.0;
    spans.reserve(static_cast<size_t>(h));
    for (int j = 0; j < h; ++j) {
        // Rows are mirrored so that the shape is symmetric to the pixel.
        const double centre = std::min(j, h - 1 - j) + 0.5;
        int inset = 0;
        if (a > 0 && b > 0 && centre < b) {
            const double dy = (b - centre) / b;
            const double dx = a * std::sqrt(std::max(0.0, 1.0 - dy * dy));
            // Pixel px is in when its centre px + 0.5 lies at or right of a - dx.
            inset = std::max(0, static_cast<int>(std::ceil(a - dx - 0.5 - 1e-9)));
        }
        if (2 * inset < w) {
            spans.push_back({box.y() + j, box.x() + inset, box.x() + w - inset});
        }
    }
    return spans;
}

QRegion regionFromSpans(const std::vector<Span>& spans) {
    // Rows with the same extent become one band.
    QList<QRect> rects;
    for (const Span& s : spans) {
        if (!rects.isEmpty()) {
            QRect& last = rects.last();
            if (last.left() == s.left && last.right() == s.right - 1 && last.bottom() == s.y - 1) {
                last.setBottom(s.y);
                continue;
            }
        }
        rects.append(QRect(s.left, s.y, s.right - s.left, 1));
    }
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

std::vector<QPoint> ellipseArcPixels(QPoint centre, int rx, int ry, double start, double end) {
    rx = std::max(rx, 0);
    ry = std::max(ry, 0);
    // One quadrant (offsets x >= 0, y >= 0) by the midpoint rule, then mirrored.
    std::vector<QPoint> quadrant;
    if (rx == 0 || ry == 0) {
        for (int x = 0; x <= rx; ++x) {
            quadrant.push_back({x, 0});
        }
        for (int y = 1; y <= ry; ++y) {
            quadrant.push_back({0, y});
        }
    } else {
        const double rx2 = double(rx) * rx;
        const double ry2 = double(ry) * ry;
        int x = 0;
        int y = ry;
        double px = 0;
        double py = 2 * rx2 * y;
        double d1 = ry2 - rx2 * ry + 0.25 * rx2;
        while (px < py) {
            quadrant.push_back({x, y});
            ++x;
            px += 2 * ry2;
            if (d1 < 0) {
                d1 += px + ry2;
            } else {
                --y;
                py -= 2 * rx2;
                d1 += px - py + ry2;
            }
        }
        double d2 = ry2 * (x + 0.5) * (x + 0.5) + rx2 * (y - 1.0) * (y - 1.0) - rx2 * ry2;
        while (y >= 0) {
            quadrant.push_back({x, y});
            --y;
            py -= 2 * rx2;
            if (d2 > 0) {
                d2 += rx2 - py;
            } else {
                ++x;
                px += 2 * ry2;
                d2 += px - py + rx2;
            }
        }
    }

    constexpr double kTurn = 2 * std::numbers::pi;
    auto normal = [](double angle) {
        angle = std::fmod(angle, kTurn);
        return angle < 0 ? angle + kTurn : angle;
    };
    const bool full = std::abs(end - start) >= kTurn;
    const double from = normal(start);
    const double to = end == kTurn ? kTurn : normal(end);
    auto inRange = [&](double angle) {
        if (full) {
            return true;
        }
        return from <= to ? angle >= from && angle <= to : angle >= from || angle <= to;
    };

    std::vector<QPoint> points;
    for (const QPoint& q : quadrant) {
        const QPoint mirrors[] = {
            {q.x(), -q.y()}, {-q.x(), -q.y()}, {-q.x(), q.y()}, {q.x(), q.y()}};
        for (const QPoint& m : mirrors) {
            // Screen y grows downward; angles count upward.
            const double angle = normal(
                std::atan2(-double(m.y()) / std::max(ry, 1), double(m.x()) / std::max(rx, 1)));
            const QPoint p = centre + m;
            if (inRange(angle)) {
                points.push_back(p);
            }
        }
    }
    // The axis points are mirrored onto themselves.
    auto byRow = [](const QPoint& l, const QPoint& r) {
        return l.y() != r.y() ? l.y() < r.y() : l.x() < r.x();
    };
    std::sort(points.begin(), points.end(), byRow);
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

} // namespace zephral
