// The program's compiled-in resources: the windows' descriptions and art.
#pragma once

#include <QIcon>

namespace zephral {

// Registers the compiled-in resources; safe to call more than once.
void initResources();

// The program's window icon, in every size it is drawn in.
QIcon programIcon();

} // namespace zephral
