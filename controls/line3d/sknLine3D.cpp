#include "line3d/sknLine3D.h"

namespace zephral {

LinePlan linePlan(qint32 lineType, int width, int height, Colour highlight, Colour shadow) {
    LinePlan plan;
    plan.horizontal = width >= height;
    plan.thickness = lineType == 1 || lineType == 2 ? 2 : 1;
    // Row (or column) 0 and 1, along the whole length.
    auto along = [&](int at, Colour c) {
        return plan.horizontal ? LineStroke{0, at, width, at, c} : LineStroke{at, 0, at, height, c};
    };
    switch (lineType) {
    case 1:
        plan.strokes = {along(0, shadow), along(1, highlight)};
        break;
    case 2:
        plan.strokes = {along(0, highlight), along(1, shadow)};
        break;
    default:
        plan.strokes = {along(0, shadow)};
        break;
    }
    return plan;
}

sknLine3D::sknLine3D(QWidget* parent) : SkinnedControl(parent) {}

const PropertyTable& sknLine3D::propertyTable() const {
    using L = sknLine3D;
    static const PropertyTable table =
        PropertyTableBuilder<L>()
            .add("LineTypes", &L::LineTypes, &L::setLineTypes)
            .add("Border3DHighlight", &L::Border3DHighlight, &L::setBorder3DHighlight)
            .add("Border3DShadow", &L::Border3DShadow, &L::setBorder3DShadow)
            .add("DrawStyle", &L::DrawStyle, &L::setDrawStyle)
            .build();
    return table;
}

void sknLine3D::initProperties() {
    m_lineType = 1;
    m_highlight = systemColour(ButtonHighlight);
    m_shadow = systemColour(ButtonShadow);
    redraw();
}

void sknLine3D::readProperties(const PropertyBag& bag) {
    // A value that can't be read leaves the property as it was.
    if (const auto v = bag.readLong(u"LineType", 1); v.ok()) {
        m_lineType = v.value;
    }
    if (const auto v = bag.readColour(u"3DHighlight", systemColour(ButtonHighlight)); v.ok()) {
        m_highlight = v.value;
    }
    if (const auto v = bag.readColour(u"3DShadow", systemColour(ButtonShadow)); v.ok()) {
        m_shadow = v.value;
    }
    if (const auto v = bag.readInteger(u"DrawStyle", DrawStyle());
        v.ok() && v.value >= 0 && v.value <= 6) {
        surface().setPenStyle(PenStyle(v.value));
    }
    redraw();
}

void sknLine3D::writeProperties(PropertyBag& bag) const {
    bag.write(u"LineType", m_lineType);
    bag.writeColour(u"3DHighlight", m_highlight);
    bag.writeColour(u"3DShadow", m_shadow);
    bag.write(u"DrawStyle", DrawStyle());
}

void sknLine3D::changed(const char* name) {
    notifyPropertyChanged(QString::fromLatin1(name));
    redraw();
}

void sknLine3D::setLineTypes(qint32 value) {
    m_lineType = value;
    changed("LineTypes");
}

ControlError sknLine3D::setBorder3DHighlight(Colour c) {
    if (!isValidColour(c)) {
        return ControlError::invalidValue();
    }
    m_highlight = c;
    changed("Border3DHighlight");
    return {};
}

ControlError sknLine3D::setBorder3DShadow(Colour c) {
    if (!isValidColour(c)) {
        return ControlError::invalidValue();
    }
    m_shadow = c;
    changed("Border3DShadow");
    return {};
}

ControlError sknLine3D::setDrawStyle(qint16 value) {
    if (value < 0 || value > 6) {
        return ControlError::invalidValue();
    }
    surface().setPenStyle(PenStyle(value));
    surface().clear();
    changed("DrawStyle");
    return {};
}

void sknLine3D::redraw() {
    const LinePlan plan = linePlan(m_lineType, width(), height(), m_highlight, m_shadow);
    for (const LineStroke& s : plan.strokes) {
        surface().line(s.x1, s.y1, s.x2, s.y2, s.colour);
    }
    // Setting the thickness is a resize of its own, which draws the same
    // lines once more.
    if (plan.horizontal) {
        resize(width(), plan.thickness);
    } else {
        resize(plan.thickness, height());
    }
    update();
}

void sknLine3D::resizeEvent(QResizeEvent* event) {
    SkinnedControl::resizeEvent(event);
    redraw();
}

void sknLine3D::ambientChanged(const QString& name) {
    if (name == QLatin1String("Palette")) {
        redraw();
    }
}

} // namespace zephral
