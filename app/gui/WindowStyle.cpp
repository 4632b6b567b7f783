#include "gui/WindowStyle.h"

#include "platform/gui/TaskBar.h"
#include "platform/gui/WindowStates.h"

#include <QWidget>

namespace zephral {

void applyWindowStyle(QWidget* window, WindowStyle style, QSize size) {
    switch (style) {
    case WindowStyle::FixedSingle:
        // On X11 the flags become the Motif hints (decorations and functions
        // without maximise) and the fixed size equal minimum and maximum
        // sizes, from which managers also take that nothing can be resized
        // or maximised.
        window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint);
        break;
    case WindowStyle::FixedToolWindow:
        // A dialog window (transient for its owner once shown) with no frame.
        // Openbox applies the Motif decorations all or nothing and never lets
        // the function hints take away close or minimise; KWin draws its full
        // frame, buttons and all, for any decoration bit at all. "No
        // decorations" is the one request every manager honours alike.
        window->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        keepOutOfTaskBar(window);
        break;
    case WindowStyle::NoTitleBar:
        window->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        keepOutOfTaskBar(window);
        break;
    }
    window->setFixedSize(size);
    // Neither maximised nor full screen, whoever asks: the layout is fixed.
    keepWindowAtItsSize(window);
}

} // namespace zephral
