// Every skinned control the program has, for the render tool and the window
// descriptions.
#pragma once

#include "shared/ControlRegistry.h"

namespace zephral {

// Also makes the controls' accessibility interfaces the ones Qt uses.
void registerControls(ControlRegistry& registry);

} // namespace zephral
