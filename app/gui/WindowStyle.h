// What a top-level window asks of the window manager: its frame, its title bar
// and buttons, whether it can be resized, and whether it has a task bar entry.
#pragma once

#include <QSize>

class QWidget;

namespace zephral {

enum class WindowStyle {
    // A title bar with the icon, the window menu, minimise and close but no
    // maximise; fixed size. Openbox's default title layout (NLIMC) still
    // shows a maximise button, drawn disabled, whenever the minimise button
    // stands between it and the caption: the hints say no maximise, and
    // managers that draw buttons one by one follow them.
    FixedSingle,
    // A small title bar with the caption and no buttons, and a raised edge:
    // drawn by the window itself (ToolWindowFrame), since no X11 hint keeps
    // every manager's close button off a title bar it draws. The manager is
    // asked for no frame at all (Motif decorations 0, which every manager
    // reads the same), the window stays out of the task bar; fixed size.
    FixedToolWindow,
    // No title bar and no frame from the manager (the window draws its own
    // thin border); out of the task bar, never focused; fixed size.
    NoTitleBar,
};

// Sets the flags, the fixed size and the task bar request of the top-level
// `window` for `style`; `size` is the whole window as Qt sees it (with a
// drawn frame, if any). Call before the window is first shown.
void applyWindowStyle(QWidget* window, WindowStyle style, QSize size);

} // namespace zephral
