// The 3D frame's drawing: the strokes of FrameGeometry.h onto a surface.
#pragma once

#include "frame3d/FrameGeometry.h"
#include "shared/Surface.h"

namespace zephral {

void drawStroke(Surface& surface, const Stroke& stroke);
void drawStrokes(Surface& surface, const std::vector<Stroke>& strokes);

// The gradient from fillColour at the left (FillGradient 1) or the top (2)
// to the back colour at the other end; nothing for other values.
void drawGradient(Surface& surface, const FrameState& state, Colour fillColour);

} // namespace zephral
