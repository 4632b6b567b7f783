// Base64 codec: the process-wide tables and the lenient decoder behind
// InitB64, B64ENC and B64DEC.
#pragma once

#include <cstdint>

namespace zephcore::base64 {

int32_t initTables() noexcept;
// Pointers are never null and length never negative here; the exports check.
int32_t encode(const uint8_t* source, int32_t length, uint8_t* destination) noexcept;
int32_t decode(const uint8_t* source, int32_t length, uint8_t* destination) noexcept;

} // namespace zephcore::base64
