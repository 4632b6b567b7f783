#include "shared/Surface.h"

#include "shared/Raster.h"
#include "shared/TextLayout.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>
#include <span>

namespace zephral {

namespace {

QRgb qrgbOf(Colour c) {
    return toQRgb(translateColour(c));
}

// On and off runs of the dashed pens, in pixels.
std::span<const int> dashPattern(PenStyle style) {
    static constexpr std::array<int, 2> kDash = {18, 6};
    static constexpr std::array<int, 2> kDot = {3, 3};
    static constexpr std::array<int, 4> kDashDot = {9, 6, 3, 6};
    static constexpr std::array<int, 6> kDashDotDot = {9, 3, 3, 3, 3, 3};
    switch (style) {
    case PenStyle::Dash:
        return kDash;
    case PenStyle::Dot:
        return kDot;
    case PenStyle::DashDot:
        return kDashDot;
    case PenStyle::DashDotDot:
        return kDashDotDot;
    default:
        return {};
    }
}

// The spans of the same shape inset by n pixels on every side, looked up by row.
struct InnerRows {
    std::vector<Span> spans;
    const Span* row(int y) const {
        auto it = std::lower_bound(spans.begin(), spans.end(), y,
                                   [](const Span& s, int v) { return s.y < v; });
        return it != spans.end() && it->y == y ? &*it : nullptr;
    }
};

} // namespace

Surface::Surface(QSize size) {
    resize(size);
}

void Surface::resize(QSize size) {
    size = size.expandedTo(QSize(0, 0));
    if (size == m_image.size() && !m_image.isNull()) {
        return;
    }
    QImage next(size, QImage::Format_RGB32);
    next.fill(qrgbOf(m_backColour));
    if (!m_image.isNull() && !size.isEmpty()) {
        QPainter p(&next);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), m_image);
    }
    m_image = next;
}

void Surface::clear() {
    m_image.fill(qrgbOf(m_backColour));
    if (!m_picture.isNull()) {
        drawImage(0, 0, m_picture.image());
    }
}

void Surface::setFont(const FontDesc& font) {
    m_font = font;
    m_qfont = drawingFont(font);
}

void Surface::plot(int x, int y, QRgb value) {
    if (x >= 0 && y >= 0 && x < width() && y < height()) {
        reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = value;
    }
}

bool Surface::penDraws(int x, int y) const {
    if (m_penStyle == PenStyle::Invisible) {
        return false;
    }
    const std::span<const int> pattern = dashPattern(m_penStyle);
    if (pattern.empty()) {
        return true;
    }
    int period = 0;
    for (int run : pattern) {
        period += run;
    }
    int at = ((x + y) % period + period) % period;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (at < pattern[i]) {
            return i % 2 == 0;
        }
        at -= pattern[i];
    }
    return false;
}

bool Surface::fillDraws(int x, int y) const {
    const int dx = x & 7;
    const int dy = y & 7;
    switch (m_fillStyle) {
    case FillStyle::Solid:
        return true;
    case FillStyle::Horizontal:
        return dy == 0;
    case FillStyle::Vertical:
        return dx == 0;
    case FillStyle::UpwardDiagonal:
        return ((dx + dy) & 7) == 7;
    case FillStyle::DownwardDiagonal:
        return dx == dy;
    case FillStyle::Cross:
        return dx == 0 || dy == 0;
    case FillStyle::DiagonalCross:
        return dx == dy || ((dx + dy) & 7) == 7;
    default:
        return false;
    }
}

void Surface::fillRect(int x, int y, int w, int h, Colour c) {
    const QRect r = QRect(x, y, w, h).intersected(m_image.rect());
    if (w <= 0 || h <= 0 || r.isEmpty()) {
        return;
    }
    const QRgb value = qrgbOf(c);
    for (int py = r.top(); py <= r.bottom(); ++py) {
        QRgb* row = reinterpret_cast<QRgb*>(m_image.scanLine(py));
        std::fill(row + r.left(), row + r.right() + 1, value);
    }
}

void Surface::frameRect(int x, int y, int w, int h, Colour c) {
    if (w <= 0 || h <= 0) {
        return;
    }
    fillRect(x, y, w, 1, c);
    fillRect(x, y + h - 1, w, 1, c);
    fillRect(x, y + 1, 1, h - 2, c);
    fillRect(x + w - 1, y + 1, 1, h - 2, c);
}

void Surface::line(int x1, int y1, int x2, int y2, Colour c) {
    const QRgb value = qrgbOf(c);
    forEachLinePixel(x1, y1, x2, y2, [&](int x, int y) {
        if (penDraws(x, y)) {
            plot(x, y, value);
        }
    });
}

void Surface::setPixel(int x, int y, Colour c) {
    plot(x, y, qrgbOf(c));
}

Colour Surface::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) {
        return 0;
    }
    return fromQRgb(m_image.pixel(x, y));
}

void Surface::ellipse(int x, int y, int w, int h, Colour pen, Colour brush, int penWidth) {
    const QRgb penValue = qrgbOf(pen);
    const QRgb brushValue = qrgbOf(brush);
    penWidth = std::max(penWidth, 0);
    const InnerRows inner{
        ellipseSpans(QRect(x + penWidth, y + penWidth, w - 2 * penWidth, h - 2 * penWidth))};
    for (const Span& s : ellipseSpans(QRect(x, y, w, h))) {
        const Span* in = inner.row(s.y);
        for (int px = s.left; px < s.right; ++px) {
            const bool inside = in != nullptr && px >= in->left && px < in->right;
            plot(px, s.y, inside ? brushValue : penValue);
        }
    }
}

void Surface::rectangle(int left, int top, int right, int bottom, Colour pen) {
    roundRect(left, top, right, bottom, 0, 0, pen);
}

void Surface::roundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight,
                        Colour pen) {
    const QRgb penValue = qrgbOf(pen);
    const QRgb fillValue = qrgbOf(m_fillColour);
    const InnerRows inner{
        roundRectSpans(QRect(left + 1, top + 1, right - left - 2, bottom - top - 2),
                       cornerWidth - 2, cornerHeight - 2)};
    for (const Span& s :
         roundRectSpans(QRect(left, top, right - left, bottom - top), cornerWidth, cornerHeight)) {
        const Span* in = inner.row(s.y);
        for (int px = s.left; px < s.right; ++px) {
            if (in != nullptr && px >= in->left && px < in->right) {
                if (fillDraws(px, s.y)) {
                    plot(px, s.y, fillValue);
                }
            } else if (penDraws(px, s.y)) {
                plot(px, s.y, penValue);
            }
        }
    }
}

void Surface::arc(int cx, int cy, int rx, int ry, double start, double end, Colour pen) {
    const QRgb value = qrgbOf(pen);
    for (const QPoint& p : ellipseArcPixels(QPoint(cx, cy), rx, ry, start, end)) {
        if (penDraws(p.x(), p.y())) {
            plot(p.x(), p.y(), value);
        }
    }
}

namespace {

struct CaptionLayout {
    MnemonicText text;
    std::vector<TextLine> lines;
    int width = 0;
};

CaptionLayout layoutCaption(const QFontMetrics& fm, int maxWidth, QStringView caption) {
    CaptionLayout layout;
    layout.text = resolveMnemonics(caption);
    layout.lines = wrapText(layout.text.text, maxWidth,
                            [&fm](QStringView s) { return fm.horizontalAdvance(s.toString()); });
    for (const TextLine& line : layout.lines) {
        layout.width = std::max(layout.width, line.width);
    }
    return layout;
}

} // namespace

Rect Surface::measureText(const Rect& r, QStringView caption) const {
    const QFontMetrics fm(m_qfont, &m_image);
    const CaptionLayout layout = layoutCaption(fm, r.width(), caption);
    return {r.left, r.top, r.left + layout.width, r.top + int(layout.lines.size()) * fm.height()};
}

void Surface::drawText(const Rect& r, QStringView caption, Colour c) {
    if (m_image.isNull()) {
        return;
    }
    const QFontMetrics fm(m_qfont, &m_image);
    const CaptionLayout layout = layoutCaption(fm, r.width(), caption);
    const QRgb value = qrgbOf(c);
    const int underlineOffset = std::max(1, fm.underlinePos());
    const int underlineHeight = std::max(1, fm.lineWidth());
    QPainter p(&m_image);
    p.setFont(m_qfont);
    p.setPen(QColor::fromRgb(value));
    int top = r.top;
    for (const TextLine& line : layout.lines) {
        const QString text = layout.text.text.mid(line.start, line.length);
        const int x = r.left + (r.width() - line.width) / 2;
        const int baseline = top + fm.ascent();
        p.drawText(QPoint(x, baseline), text);
        for (int index : layout.text.underlined) {
            if (index >= line.start && index < line.start + line.length) {
                const int from = x + fm.horizontalAdvance(text.left(index - line.start));
                const int to = x + fm.horizontalAdvance(text.left(index - line.start + 1));
                p.fillRect(from, baseline + underlineOffset, to - from, underlineHeight,
                           QColor::fromRgb(value));
            }
        }
        top += fm.height();
    }
}

void Surface::focusRect(const Rect& r) {
    auto invert = [this](int x, int y) {
        if (((x + y) & 1) == 0 && x >= 0 && y >= 0 && x < width() && y < height()) {
            QRgb& px = reinterpret_cast<QRgb*>(m_image.scanLine(y))[x];
            px ^= 0x00FFFFFFu;
        }
    };
    if (r.width() <= 0 || r.height() <= 0) {
        return;
    }
    for (int x = r.left; x < r.right; ++x) {
        invert(x, r.top);
        if (r.height() > 1) {
            invert(x, r.bottom - 1);
        }
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        invert(r.left, y);
        if (r.width() > 1) {
            invert(r.right - 1, y);
        }
    }
}

std::vector<Rgb> Surface::readBlock(int x, int y, int w, int h) const {
    std::vector<Rgb> out(size_t(std::max(w, 0)) * size_t(std::max(h, 0)));
    const QRect r = QRect(x, y, w, h).intersected(m_image.rect());
    for (int py = r.top(); py <= r.bottom(); ++py) {
        const QRgb* row = reinterpret_cast<const QRgb*>(m_image.constScanLine(py));
        Rgb* dst = out.data() + size_t(py - y) * size_t(w);
        for (int px = r.left(); px <= r.right(); ++px) {
            dst[px - x] = {quint8(qRed(row[px])), quint8(qGreen(row[px])), quint8(qBlue(row[px]))};
        }
    }
    return out;
}

void Surface::writeBlock(int x, int y, int w, int h, const std::vector<Rgb>& pixels) {
    if (w <= 0 || h <= 0 || pixels.size() < size_t(w) * size_t(h)) {
        return;
    }
    const QRect r = QRect(x, y, w, h).intersected(m_image.rect());
    for (int py = r.top(); py <= r.bottom(); ++py) {
        QRgb* row = reinterpret_cast<QRgb*>(m_image.scanLine(py));
        const Rgb* src = pixels.data() + size_t(py - y) * size_t(w);
        for (int px = r.left(); px <= r.right(); ++px) {
            const Rgb& s = src[px - x];
            row[px] = qRgb(s.r, s.g, s.b);
        }
    }
}

void Surface::drawImage(int x, int y, const QImage& image) {
    if (m_image.isNull() || image.isNull()) {
        return;
    }
    QPainter p(&m_image);
    p.drawImage(QPoint(x, y), image);
}

} // namespace zephral
