// A header of the cipher bindings that reaches up into the commands: the
// layer check must reject it.
#pragma once

#include "commands/Commands.h"
