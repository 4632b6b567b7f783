#pragma once

class QWidget;

namespace zephral {

// Moves a window so that its centre lies on its owner's centre; a window
// without an owner is centred on its screen.
void centreOnOwner(QWidget* window);

} // namespace zephral
