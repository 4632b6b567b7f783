#include "frame3d/FrameDrawing.h"

namespace zephral {

void drawStroke(Surface& surface, const Stroke& s) {
    switch (s.kind) {
    case Stroke::Kind::Box:
        surface.rectangle(s.x1, s.y1, s.x2, s.y2, s.colour);
        break;
    case Stroke::Kind::RoundBox:
        surface.roundRect(s.x1, s.y1, s.x2, s.y2, s.corner, s.corner, s.colour);
        break;
    case Stroke::Kind::Line:
        surface.line(s.x1, s.y1, s.x2, s.y2, s.colour);
        break;
    case Stroke::Kind::Arc:
        surface.arc(s.x1, s.y1, s.radius, s.radius, s.start, s.end, s.colour);
        break;
    }
}

void drawStrokes(Surface& surface, const std::vector<Stroke>& strokes) {
    for (const Stroke& s : strokes) {
        drawStroke(surface, s);
    }
}

void drawGradient(Surface& surface, const FrameState& state, Colour fillColour) {
    const Colour from = translateColour(fillColour);
    const Colour to = translateColour(state.backColour);
    const int W = state.width;
    const int H = state.height;
    if (state.fillGradient == 1) {
        const std::vector<Colour> colours = gradientColours(from, to, W);
        for (int x = 0; x < int(colours.size()); ++x) {
            surface.line(x, 0, x, H, colours[size_t(x)]);
        }
    } else if (state.fillGradient == 2) {
        const std::vector<Colour> colours = gradientColours(from, to, H);
        for (int y = 0; y < int(colours.size()); ++y) {
            surface.line(0, y, W, y, colours[size_t(y)]);
        }
    }
}

} // namespace zephral
