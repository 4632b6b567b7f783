// The units sizes are stored in. The container keeps each control's size as
// a HIMETRIC extent (hundredths of a millimetre) and pictures report theirs
// the same way; the controls draw in pixels. A pixel is the toolkit's logical
// pixel, 1/96 inch whatever the screen (Qt scales logical pixels to the
// device), so stored sizes give the same pixel sizes on every screen: 15
// twips or 2540/96 HIMETRIC to the pixel.
#pragma once

#include <QSize>

namespace zephral {

inline constexpr int kPixelsPerInch = 96;
inline constexpr int kHimetricPerInch = 2540;
inline constexpr int kTwipsPerPixel = 15;

// a * b / c rounded to the nearest integer, halves away from zero.
constexpr int mulDivRound(int a, int b, int c) {
    const long long n = static_cast<long long>(a) * b;
    const long long h = c / 2;
    return static_cast<int>(n >= 0 ? (n + h) / c : -((-n + h) / c));
}

constexpr int himetricToPixels(int himetric) {
    return mulDivRound(himetric, kPixelsPerInch, kHimetricPerInch);
}
constexpr int pixelsToHimetric(int pixels) {
    return mulDivRound(pixels, kHimetricPerInch, kPixelsPerInch);
}
constexpr QSize himetricToPixels(QSize extent) {
    return {himetricToPixels(extent.width()), himetricToPixels(extent.height())};
}
constexpr QSize pixelsToHimetric(QSize size) {
    return {pixelsToHimetric(size.width()), pixelsToHimetric(size.height())};
}

// Font sizes are points; at 96 logical pixels to the inch 8.25 pt is 11 px.
inline int pointsToPixels(double points) {
    const double px = points * kPixelsPerInch / 72.0;
    return static_cast<int>(px + 0.5);
}

} // namespace zephral
