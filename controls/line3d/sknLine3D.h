// sknLine3D: a separator line one or two pixels thick that looks engraved
// into or raised from the window. Wider than high (or square) it lies
// horizontally, else vertically, and it forces its own thickness, so a
// designer only sets its length.
#pragma once

#include "shared/SkinnedControl.h"

#include <vector>

namespace zephral {

// One line from (x1, y1) towards (x2, y2), the end left out.
struct LineStroke {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    Colour colour = 0;
    bool operator==(const LineStroke&) const = default;
};

// What a line of the given type draws on a control of width x height, and
// the thickness it then gives itself across its length.
struct LinePlan {
    bool horizontal = true;
    int thickness = 2;
    std::vector<LineStroke> strokes;
};
// lineType 1 engraved (shadow above or left of highlight), 2 raised (the
// other way round), anything else flat (one shadow line).
LinePlan linePlan(qint32 lineType, int width, int height, Colour highlight, Colour shadow);

class sknLine3D : public SkinnedControl {
    Q_OBJECT
public:
    explicit sknLine3D(QWidget* parent = nullptr);

    // Every write redraws; a value that cannot be loaded is left as it was.
    const PropertyTable& propertyTable() const override;

    // Stored as "LineType".
    qint32 LineTypes() const { return m_lineType; }
    // Stored as "3DHighlight" and "3DShadow".
    Colour Border3DHighlight() const { return m_highlight; }
    Colour Border3DShadow() const { return m_shadow; }
    // The pen style the lines are drawn with (0 to 6); a write starts on a
    // clean surface.
    qint16 DrawStyle() const { return qint16(surface().penStyle()); }

protected:
    void finishNewInstance(ControlProcedure& procedure) override;
    void finishLoad(ControlProcedure& procedure) override;
    void resizeEvent(QResizeEvent* event) override;
    void ambientChanged(const QString& name) override;

private:
    void redraw();

    qint32 m_lineType = 1;
    Colour m_highlight = systemColour(ButtonHighlight);
    Colour m_shadow = systemColour(ButtonShadow);
};

} // namespace zephral
