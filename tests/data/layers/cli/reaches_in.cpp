// The command line reaching past the commands' interface into one of their
// own files: the layer check must reject it.
#include "commands/Files.h"
#include "commands/Commands.h"
