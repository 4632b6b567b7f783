// A window reaching into the cipher bindings: the layer check must reject it.
#pragma once

#include "commands/CommandResult.h"
#include "encrypt/CodePage.h"
