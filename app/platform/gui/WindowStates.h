// Keeping a fixed-size window at its size.
#pragma once

class QWidget;

namespace zephral {

// Keeps the top-level `window` out of the maximised and full-screen states: a
// request for either, from the program, from a title bar the toolkit draws
// or from the window manager, is taken back and the window stays at its size.
// Call once, before the window is first shown.
void keepWindowAtItsSize(QWidget* window);

} // namespace zephral
