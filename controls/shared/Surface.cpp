#include "shared/Surface.h"

#include "shared/Raster.h"
#include "shared/TextLayout.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
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

int Surface::device(int v) const {
    return m_ratio == 1.0 ? v : int(std::lround(v * m_ratio));
}

// The logical pixel a device pixel belongs to: the one whose device span
// holds it.
int Surface::logical(int deviceV) const {
    if (m_ratio == 1.0) {
        return deviceV;
    }
    int v = int(std::floor((deviceV + 0.5) / m_ratio));
    while (device(v) > deviceV) {
        --v;
    }
    while (device(v + 1) <= deviceV) {
        ++v;
    }
    return v;
}

QRect Surface::deviceRect(int x, int y, int w, int h) const {
    const int left = device(x);
    const int top = device(y);
    return QRect(left, top, device(x + w) - left, device(y + h) - top);
}

void Surface::resize(QSize size) {
    size = size.expandedTo(QSize(0, 0));
    if (size == m_size && !m_image.isNull()) {
        return;
    }
    const QRect pixels = deviceRect(0, 0, size.width(), size.height());
    QImage next(pixels.size(), QImage::Format_RGB32);
    next.setDevicePixelRatio(m_ratio);
    next.fill(qrgbOf(m_backColour));
    if (!m_image.isNull() && !size.isEmpty()) {
        QPainter p(&next);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), m_image);
    }
    m_size = size;
    m_image = next;
}

void Surface::setDevicePixelRatio(double ratio) {
    if (!(ratio > 0.0) || ratio == m_ratio) {
        return;
    }
    m_ratio = ratio;
    const QSize size = m_size;
    m_image = QImage();
    resize(size);
}

void Surface::clear() {
    m_image.fill(qrgbOf(m_backColour));
    if (!m_picture.isNull()) {
        drawImage(0, 0, m_picture.imageFor(m_ratio));
    }
}

void Surface::setFont(const FontDesc& font) {
    m_font = font;
    m_qfont = drawingFont(font);
}

void Surface::plot(int x, int y, QRgb value) {
    if (x < 0 || y < 0 || x >= width() || y >= height()) {
        return;
    }
    if (m_ratio == 1.0) {
        reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = value;
        return;
    }
    const int right = device(x + 1);
    const int bottom = device(y + 1);
    for (int py = device(y); py < bottom; ++py) {
        QRgb* row = reinterpret_cast<QRgb*>(m_image.scanLine(py));
        std::fill(row + device(x), row + right, value);
    }
}

void Surface::plotDevice(int x, int y, QRgb value) {
    if (x >= 0 && y >= 0 && x < m_image.width() && y < m_image.height()) {
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
    const QRect logicalR = QRect(x, y, w, h).intersected(QRect(QPoint(0, 0), m_size));
    if (w <= 0 || h <= 0 || logicalR.isEmpty()) {
        return;
    }
    const QRect r = deviceRect(logicalR.x(), logicalR.y(), logicalR.width(), logicalR.height());
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
    return fromQRgb(m_image.pixel(device(x), device(y)));
}

void Surface::ellipse(int x, int y, int w, int h, Colour pen, Colour brush, int penWidth) {
    const QRgb penValue = qrgbOf(pen);
    const QRgb brushValue = qrgbOf(brush);
    penWidth = std::max(penWidth, 0);
    // Traced on the device's pixels: the curve is as fine as the screen.
    const InnerRows inner{
        ellipseSpans(deviceRect(x + penWidth, y + penWidth, w - 2 * penWidth, h - 2 * penWidth))};
    for (const Span& s : ellipseSpans(deviceRect(x, y, w, h))) {
        const Span* in = inner.row(s.y);
        for (int px = s.left; px < s.right; ++px) {
            const bool inside = in != nullptr && px >= in->left && px < in->right;
            plotDevice(px, s.y, inside ? brushValue : penValue);
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
    // Traced on the device's pixels, the outline one logical pixel wide; the
    // dash and hatch patterns stay on the logical grid.
    auto corner = [this](int v) { return int(std::lround(v * m_ratio)); };
    const InnerRows inner{
        roundRectSpans(deviceRect(left + 1, top + 1, right - left - 2, bottom - top - 2),
                       corner(cornerWidth - 2), corner(cornerHeight - 2))};
    for (const Span& s : roundRectSpans(deviceRect(left, top, right - left, bottom - top),
                                        corner(cornerWidth), corner(cornerHeight))) {
        const Span* in = inner.row(s.y);
        const int ly = logical(s.y);
        for (int px = s.left; px < s.right; ++px) {
            const int lx = logical(px);
            if (in != nullptr && px >= in->left && px < in->right) {
                if (fillDraws(lx, ly)) {
                    plotDevice(px, s.y, fillValue);
                }
            } else if (penDraws(lx, ly)) {
                plotDevice(px, s.y, penValue);
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
            const QRect pixels = deviceRect(x, y, 1, 1);
            for (int py = pixels.top(); py <= pixels.bottom(); ++py) {
                QRgb* row = reinterpret_cast<QRgb*>(m_image.scanLine(py));
                for (int px = pixels.left(); px <= pixels.right(); ++px) {
                    row[px] ^= 0x00FFFFFFu;
                }
            }
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
    if (m_ratio != 1.0) {
        std::vector<Rgb> out(size_t(std::max(w, 0)) * size_t(std::max(h, 0)));
        for (int py = 0; py < h; ++py) {
            for (int px = 0; px < w; ++px) {
                const Colour c = pixel(x + px, y + py);
                out[size_t(py) * size_t(w) + size_t(px)] = Rgb::of(c);
            }
        }
        return out;
    }
    return readDeviceBlock(QRect(x, y, w, h));
}

std::vector<Rgb> Surface::readDeviceBlock(const QRect& block) const {
    const int x = block.x();
    const int y = block.y();
    const int w = block.width();
    const int h = block.height();
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
    if (m_ratio != 1.0) {
        for (int py = 0; py < h; ++py) {
            for (int px = 0; px < w; ++px) {
                const Rgb& v = pixels[size_t(py) * size_t(w) + size_t(px)];
                plot(x + px, y + py, qRgb(v.r, v.g, v.b));
            }
        }
        return;
    }
    writeDeviceBlock(QRect(x, y, w, h), pixels);
}

void Surface::writeDeviceBlock(const QRect& block, const std::vector<Rgb>& pixels) {
    const int x = block.x();
    const int y = block.y();
    const int w = block.width();
    const int h = block.height();
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
    if (m_ratio == 1.0 && image.devicePixelRatio() == 1.0) {
        p.drawImage(QPoint(x, y), image);
        return;
    }
    // Onto the device pixels of its logical place, smoothly from whichever
    // size the picture was drawn at.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF size = image.deviceIndependentSize();
    const QRect target =
        deviceRect(x, y, int(std::lround(size.width())), int(std::lround(size.height())));
    p.resetTransform();
    p.scale(1.0 / m_ratio, 1.0 / m_ratio);
    p.drawImage(QRectF(target), image, QRectF(image.rect()));
}

} // namespace zephral
