// The program's pictures, compiled in.
#pragma once

namespace zephral {

// Registers the compiled-in pictures; safe to call more than once.
void initResources();

} // namespace zephral
