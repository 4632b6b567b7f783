#include "gui/WindowPlacement.h"

#include <QScreen>
#include <QWidget>

namespace zephral {

void centreOnOwner(QWidget* window) {
    const QWidget* owner = window->parentWidget();
    QRect area;
    if (owner != nullptr) {
        area = owner->window()->frameGeometry();
    } else if (const QScreen* screen = window->screen()) {
        area = screen->availableGeometry();
    } else {
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(area.center());
    window->move(frame.topLeft());
}

} // namespace zephral
