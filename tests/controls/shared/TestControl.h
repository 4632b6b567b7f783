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
        static const PropertyTable table =
            PropertyTableBuilder<TestControl>()
                .add("Shape", &TestControl::Shape, &TestControl::setShape)
                .add("FillColor", &TestControl::FillColor, &TestControl::setFillColor)
                .add("Caption", &TestControl::Caption, &TestControl::setCaption)
                .add("Enabled", &TestControl::Enabled, &TestControl::setEnabledProperty)
                .add("Border", &TestControl::Border, &TestControl::setBorder)
                .add("Ratio", &TestControl::Ratio, &TestControl::setRatio)
                .add("Font", &TestControl::Font, &TestControl::setFont)
                .add("Picture", &TestControl::Picture, &TestControl::setPicture)
                .readOnly("Version", &TestControl::Version)
                .build();
        return table;
    }

    qint32 Shape() const { return m_shape; }
    ControlError setShape(qint32 shape) {
        if (shape < 0 || shape > 1) {
            return ControlError::invalidValue();
        }
        m_shape = shape;
        changed("Shape");
        return {};
    }
    Colour FillColor() const { return m_fill; }
    void setFillColor(Colour c) {
        m_fill = c;
        changed("FillColor");
    }
    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption) {
        m_caption = caption;
        changed("Caption");
    }
    bool Enabled() const { return m_enabled; }
    void setEnabledProperty(bool enabled) {
        m_enabled = enabled;
        setEnabled(enabled);
        changed("Enabled");
    }
    qint16 Border() const { return m_border; }
    void setBorder(qint16 border) { m_border = border; }
    float Ratio() const { return m_ratio; }
    void setRatio(float ratio) { m_ratio = ratio; }
    FontDesc Font() const { return surface().font(); }
    void setFont(const FontDesc& font) {
        surface().setFont(font);
        changed("Font");
    }
    zephral::Picture Picture() const { return m_picture; }
    void setPicture(const zephral::Picture& picture) { m_picture = picture; }
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
    void changed(const char* name) {
        redraw();
        notifyPropertyChanged(QString::fromLatin1(name));
    }

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
