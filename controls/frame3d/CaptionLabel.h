// The frame's caption labels: a self-sizing text label, drawn with the
// controls' own text rules ("&x" underlines the access key when mnemonics
// are on, "&&" shows one "&", CR LF breaks a line), transparent unless given
// a fill colour. The frame's three labels are of this kind: the caption, its
// 3D shadow and the blank patch that hides the border line behind it.
#pragma once

#include "shared/Colour.h"
#include "shared/Fonts.h"

#include <QWidget>
#include <optional>

namespace zephral {

class CaptionLabel : public QWidget {
    Q_OBJECT
public:
    explicit CaptionLabel(QWidget* parent = nullptr);

    const QString& text() const { return m_text; }
    void setText(const QString& text);
    const FontDesc& fontDesc() const { return m_font; }
    void setFontDesc(const FontDesc& font);
    Colour colour() const { return m_colour; }
    void setColour(Colour c);
    // 0 left, 1 right, 2 centre: the lines' alignment inside the label.
    qint16 alignment() const { return m_alignment; }
    void setAlignment(qint16 alignment);
    bool useMnemonic() const { return m_useMnemonic; }
    void setUseMnemonic(bool on);
    // A label with a fill colour is opaque and shows no text.
    void setFill(std::optional<Colour> fill);
    std::optional<Colour> fill() const { return m_fill; }
    // When off, the label keeps the size it is given.
    void setAutoSize(bool on);

    // The access key of the text, or a null character.
    QChar accessKey() const;
    // The size the text needs: its widest line by its lines (one line high
    // when empty).
    QSize textSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fit();
    QString shownText(QList<int>* underlined) const;

    QString m_text;
    FontDesc m_font;
    Colour m_colour = systemColour(ButtonText);
    qint16 m_alignment = 0;
    bool m_useMnemonic = true;
    bool m_autoSize = true;
    std::optional<Colour> m_fill;
};

} // namespace zephral
