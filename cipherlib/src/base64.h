// Base64 codec: the lenient decoder and the encoder behind InitB64, B64ENC
// and B64DEC.
#pragma once

#include "dispatch.h"

#include <cstdint>

namespace zephcore::base64 {

// From now on the codec uses the alphabet (see base64.cpp for before).
int32_t initTables() noexcept;

// Pointers are never null and length never negative here; the exports check.
// isa is the code path to take; one this build or processor lacks falls back
// to the table code, which every path matches byte for byte.
int32_t encode(Isa isa, const uint8_t* source, int32_t length, uint8_t* destination) noexcept;
int32_t decode(Isa isa, const uint8_t* source, int32_t length, uint8_t* destination) noexcept;

// The number of characters encode writes for `length` bytes, or 0 when that
// count does not fit a signed 32-bit result (encode then writes nothing).
int32_t encodedLength(int32_t length) noexcept;

} // namespace zephcore::base64
