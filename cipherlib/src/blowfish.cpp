// Placeholder until the engine lands; replaced wholesale.
#include "blowfish.h"

namespace zephcore::blowfish {
int32_t initArrays() noexcept { return 0; }
int32_t initialize(const char*) noexcept { return 0; }
int32_t encryptBuffer(uint8_t*, int32_t) noexcept { return 0; }
int32_t decryptBuffer(uint8_t*, int32_t) noexcept { return 0; }
} // namespace zephcore::blowfish
