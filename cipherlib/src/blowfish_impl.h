// Blowfish engine internals shared by the portable code and the x86-64 paths.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zephcore::blowfish::detail {

// The working tables of one key schedule.
struct Schedule {
    uint32_t p[18];
    uint32_t s[4][256];
};

// The AVX2 path carries this many blocks through the rounds at once.
constexpr size_t kGatherBlocks = 32;

// True when the processor has AVX2 (always false off x86-64).
bool gatherAvailable() noexcept;

// Enciphers or deciphers the first blocks - blocks % kGatherBlocks blocks of
// `data` in place with AVX2 gathers and returns how many it did. Only to be
// called when gatherAvailable().
size_t cipherGather(const Schedule& k, uint8_t* data, size_t blocks, bool decrypt) noexcept;

} // namespace zephcore::blowfish::detail
