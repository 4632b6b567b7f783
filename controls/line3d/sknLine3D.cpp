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
            .field("LineTypes", "LineType", &L::m_lineType, 1)
            .effect(&L::redraw)
            .field("Border3DHighlight", "3DHighlight", &L::m_highlight,
                   systemColour(ButtonHighlight))
            .effect(&L::redraw)
            .field("Border3DShadow", "3DShadow", &L::m_shadow, systemColour(ButtonShadow))
            .effect(&L::redraw)
            .value(
                "DrawStyle", "DrawStyle", &L::DrawStyle,
                [](L& l, qint16 v) { l.surface().setPenStyle(PenStyle(v)); }, &L::DrawStyle)
            .initial(kLeaveAlone)
            .range(0, 6)
            .effect([](L& l) {
                l.surface().clear();
                l.redraw();
            })
            .build();
    return table;
}

void sknLine3D::finishNewInstance(ControlProcedure& procedure) {
    Q_UNUSED(procedure);
    redraw();
}

void sknLine3D::finishLoad(ControlProcedure& procedure) {
    Q_UNUSED(procedure);
    redraw();
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
