#include "frame3d/CaptionLabel.h"

#include "shared/TextLayout.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <climits>

namespace zephral {

namespace {

std::vector<TextLine> layoutLines(const QString& text, const QFontMetrics& fm) {
    // A label that sizes itself never wraps; only line ends break lines.
    return wrapText(text, INT_MAX / 2,
                    [&fm](QStringView s) { return fm.horizontalAdvance(s.toString()); });
}

} // namespace

CaptionLabel::CaptionLabel(QWidget* parent) : QWidget(parent) {
    fit();
}

void CaptionLabel::setText(const QString& text) {
    m_text = text;
    fit();
}

void CaptionLabel::setFontDesc(const FontDesc& font) {
    m_font = font;
    fit();
}

void CaptionLabel::setColour(Colour c) {
    m_colour = c;
    update();
}

void CaptionLabel::setAlignment(qint16 alignment) {
    m_alignment = alignment;
    update();
}

void CaptionLabel::setUseMnemonic(bool on) {
    m_useMnemonic = on;
    fit();
}

void CaptionLabel::setFill(std::optional<Colour> fill) {
    m_fill = fill;
    update();
}

void CaptionLabel::setAutoSize(bool on) {
    m_autoSize = on;
    fit();
}

QChar CaptionLabel::accessKey() const {
    if (!m_useMnemonic) {
        return {};
    }
    const MnemonicText t = resolveMnemonics(m_text);
    return t.underlined.isEmpty() ? QChar() : t.text.at(t.underlined.first());
}

QString CaptionLabel::shownText(QList<int>* underlined) const {
    if (!m_useMnemonic) {
        return m_text;
    }
    MnemonicText t = resolveMnemonics(m_text);
    if (underlined != nullptr) {
        *underlined = t.underlined;
    }
    return t.text;
}

QSize CaptionLabel::textSize() const {
    const QFontMetrics fm(drawingFont(m_font));
    const std::vector<TextLine> lines = layoutLines(shownText(nullptr), fm);
    int width = 0;
    for (const TextLine& line : lines) {
        width = std::max(width, line.width);
    }
    return {width, int(std::max<size_t>(lines.size(), 1)) * fm.height()};
}

void CaptionLabel::fit() {
    if (m_autoSize) {
        resize(textSize());
    }
    update();
}

void CaptionLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_fill) {
        p.fillRect(rect(), toQColor(*m_fill));
        return;
    }
    const QFont font = drawingFont(m_font);
    const QFontMetrics fm(font);
    QList<int> underlined;
    const QString text = shownText(&underlined);
    const QColor colour = toQColor(m_colour);
    p.setFont(font);
    p.setPen(colour);
    const int underlineOffset = std::max(1, fm.underlinePos());
    const int underlineHeight = std::max(1, fm.lineWidth());
    int top = 0;
    for (const TextLine& line : layoutLines(text, fm)) {
        const QString part = text.mid(line.start, line.length);
        int x = 0;
        if (m_alignment == 1) {
            x = width() - line.width;
        } else if (m_alignment == 2) {
            x = (width() - line.width) / 2;
        }
        const int baseline = top + fm.ascent();
        p.drawText(QPoint(x, baseline), part);
        for (int index : std::as_const(underlined)) {
            if (index >= line.start && index < line.start + line.length) {
                const int from = x + fm.horizontalAdvance(part.left(index - line.start));
                const int to = x + fm.horizontalAdvance(part.left(index - line.start + 1));
                p.fillRect(from, baseline + underlineOffset, to - from, underlineHeight, colour);
            }
        }
        top += fm.height();
    }
}

} // namespace zephral
