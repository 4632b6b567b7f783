// A small control for the tests of the foundation: one property of each
// kind, a face that is a filled rectangle or an ellipse with its caption,
// the window outline to match, a black frame while shown as the default
// button, a focus mark while focused, and a count of its redraws.
#pragma once

#include "shared/Raster.h"
#include "shared/SkinnedControl.h"

#include <QStringList>

namespace zephral::test {

class TestControl : public SkinnedControl {
public:
    explicit TestControl(QWidget* parent = nullptr) : SkinnedControl(parent) {
        setFocusPolicy(Qt::StrongFocus);
    }

    const PropertyTable& propertyTable() const override {
        using C = TestControl;
        static const PropertyTable table =
            PropertyTableBuilder<C>()
                .field("Shape", "Shape", &C::m_shape, 0)
                .range(0, 1)
                .effect(&C::redraw)
                .field("FillColor", "FillColor", &C::m_fill, systemColour(ButtonFace))
                .effect(&C::redraw)
                .field("Caption", "Caption", &C::m_caption, QString())
                .effect(&C::redraw)
                .field("Enabled", "Enabled", &C::m_enabled, true)
                .effect([](C& c) {
                    c.setEnabled(c.m_enabled);
                    c.redraw();
                })
                .value(
                    "Font", "Font", &C::Font,
                    [](C& c, const FontDesc& f) { c.surface().setFont(f); }, FontDesc())
                .effect(&C::redraw)
                // Not stored: written without an announcement.
                .field("Border", "", &C::m_border, 0)
                .field("Ratio", "", &C::m_ratio, 1.0f)
                .field("Picture", "", &C::m_picture, zephral::Picture())
                .readOnly("Version", &C::Version)
                .build();
        return table;
    }

    qint32 Shape() const { return m_shape; }
    Colour FillColor() const { return m_fill; }
    QString Caption() const { return m_caption; }
    bool Enabled() const { return m_enabled; }
    qint16 Border() const { return m_border; }
    float Ratio() const { return m_ratio; }
    FontDesc Font() const { return surface().font(); }
    zephral::Picture Picture() const { return m_picture; }
    QString Version() const { return QStringLiteral("1.0"); }

    int redraws = 0;
    QStringList ambientChanges;
    QString accessKeysPressed;

protected:
    void resizeEvent(QResizeEvent* event) override {
        SkinnedControl::resizeEvent(event);
        redraw();
    }
    void ambientChanged(const QString& name) override {
        ambientChanges.append(name);
        redraw();
    }
    void focusInEvent(QFocusEvent* event) override {
        SkinnedControl::focusInEvent(event);
        redraw();
    }
    void focusOutEvent(QFocusEvent* event) override {
        SkinnedControl::focusOutEvent(event);
        redraw();
    }
    void accessKeyPressed(QChar key) override { accessKeysPressed.append(key); }

private:
    void redraw() {
        ++redraws;
        Surface& s = surface();
        const QRect box(QPoint(0, 0), size());
        s.clear();
        if (m_shape == 1) {
            s.ellipse(0, 0, width(), height(), rgb(0, 0, 0),
                      m_enabled ? m_fill : rgb(128, 128, 128));
            setWindowOutline(ellipseRegion(box));
        } else {
            s.fillRect(0, 0, width(), height(), m_enabled ? m_fill : rgb(128, 128, 128));
            setWindowOutline(QRegion());
        }
        const Rect r = s.measureText({0, 0, width(), height()}, m_caption);
        s.drawText(r.moved((width() - r.right) / 2, (height() - r.bottom) / 2), m_caption,
                   rgb(0, 0, 0));
        if (ambient().displayAsDefault) {
            s.frameRect(0, 0, width(), height(), rgb(0, 0, 0));
        }
        if (hasFocus()) {
            s.focusRect({2, 2, width() - 2, height() - 2});
        }
        update();
    }

    qint32 m_shape = 0;
    Colour m_fill = systemColour(ButtonFace);
    QString m_caption;
    bool m_enabled = true;
    qint16 m_border = 0;
    float m_ratio = 1;
    zephral::Picture m_picture;
};

} // namespace zephral::test
