// Keeping a window out of the desktop's task bar.
#pragma once

class QWidget;

namespace zephral {

// Asks the window manager to leave the top-level `window` out of the task bar
// every time it is shown. On X11 that is _NET_WM_STATE_SKIP_TASKBAR, written
// just before the window is mapped: a transient dialog or tool window is left
// out by some task bars on their own, but not by all (Fluxbox lists both).
// Elsewhere it does nothing.
void keepOutOfTaskBar(QWidget* window);

// Whether keepOutOfTaskBar was asked for `window`.
bool isKeptOutOfTaskBar(const QWidget* window);

} // namespace zephral
