// Vector kernels of the Base64 codec (x86-64 only). Each works on whole
// groups (3 bytes <-> 4 characters), reads only source[0 .. groups * 3 or 4)
// and writes only destination[0 .. groups * 4 or 3), and returns how many
// groups it did; the caller finishes the rest on the table path.
//
// The kernels carry the standard alphabet as constants: it is exactly what
// InitB64 writes into the tables, and they are only called once it has.
// Decoding gives every character outside the alphabet the value 0, as the
// table does.
#pragma once

#include "dispatch.h"

#include <cstddef>
#include <cstdint>

namespace zephcore::base64::simd {

// 6-bit value -> character, the alphabet InitB64 installs.
inline constexpr char kAlphabet[65] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

#if ZEPHCORE_X86
std::size_t encodeAvx2(const uint8_t* source, std::size_t groups, uint8_t* destination) noexcept;
std::size_t decodeAvx2(const uint8_t* source, std::size_t groups, uint8_t* destination) noexcept;
std::size_t encodeAvx512(const uint8_t* source, std::size_t groups, uint8_t* destination) noexcept;
std::size_t decodeAvx512(const uint8_t* source, std::size_t groups, uint8_t* destination) noexcept;
#endif

} // namespace zephcore::base64::simd
