// Blowfish engine: the process-wide key schedule and the padded ECB buffer
// operations behind InitArrays, Initialize, BlowENC and BlowDEC.
#pragma once

#include "dispatch.h"

#include <cstddef>
#include <cstdint>

namespace zephcore::blowfish {

// The working tables of one key schedule.
struct Schedule {
    uint32_t p[18];
    uint32_t s[4][256];
};

// The schedule recast for long buffers on the BMI path: S0[a] + S1[b] for
// every pair of bytes (a, b) at ab[a * 256 + b], so that one lookup does
// the work of two, then the P-array and the other two boxes.
struct WideTables {
    uint32_t ab[65536];
    uint32_t p[18];
    uint32_t s2[256];
    uint32_t s3[256];
};

int32_t initArrays() noexcept;
// key is never null here; the export checks it.
int32_t initialize(const char* key) noexcept;
// buffer is never null and length never negative here; the exports check
// both. A long buffer is shared out between at most maxThreads threads. isa
// is the code path (Isa::portable or Isa::bmi); every path gives the same
// bytes.
int32_t encryptBuffer(uint8_t* buffer, int32_t length, unsigned maxThreads,
                      Isa isa = dispatch().blowfish) noexcept;
int32_t decryptBuffer(uint8_t* buffer, int32_t length, unsigned maxThreads,
                      Isa isa = dispatch().blowfish) noexcept;

// For the code inside this library and its tests only: the schedule the
// exports run on, and whole blocks deciphered in place under any schedule on
// the calling thread.
const Schedule& scheduleInForce() noexcept;
void decipherBlocks(const Schedule& k, uint8_t* data, size_t blocks,
                    Isa isa = dispatch().blowfish) noexcept;

} // namespace zephcore::blowfish
