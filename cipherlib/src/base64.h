// Base64 codec: the process-wide tables and the lenient decoder behind
// InitB64, B64ENC and B64DEC.
#pragma once

#include <cstdint>

namespace zephcore::base64 {

int32_t initTables() noexcept;
// Pointers are never null and length never negative here; the exports check.
int32_t encode(const uint8_t* source, int32_t length, uint8_t* destination) noexcept;
int32_t decode(const uint8_t* source, int32_t length, uint8_t* destination) noexcept;

// The number of characters encode writes for `length` bytes, or 0 when that
// count does not fit a signed 32-bit result (encode then writes nothing).
int32_t encodedLength(int32_t length) noexcept;

// The code paths of the codec. The vector paths give byte-for-byte the same
// output as the scalar table path, lenient decoding included; they are only
// taken once InitB64 has filled the tables, since before that every lookup
// must give 0.
enum class Path : int { scalar = 0, avx2 = 1, avx512 = 2 };

// Picks the path from the CPU's features, capped by a request ("scalar",
// "avx2" or "avx512", the value of ZEPHCORE_SIMD; anything else asks for the
// best the CPU has).
Path choosePath(const char* request, bool hasAvx2, bool hasAvx512) noexcept;
// The path encode and decode take: chosen once per process, on first use.
Path activePath() noexcept;
bool pathAvailable(Path path) noexcept;
const char* pathName(Path path) noexcept;

// encode / decode along a given path; an unavailable path falls back to scalar.
int32_t encodeWith(Path path, const uint8_t* source, int32_t length, uint8_t* destination) noexcept;
int32_t decodeWith(Path path, const uint8_t* source, int32_t length, uint8_t* destination) noexcept;

} // namespace zephcore::base64
