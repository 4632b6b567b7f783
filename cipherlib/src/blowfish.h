// Blowfish engine: the process-wide key schedule and the padded ECB buffer
// operations behind InitArrays, Initialize, BlowENC and BlowDEC.
#pragma once

#include <cstdint>

namespace zephcore::blowfish {

int32_t initArrays() noexcept;
// key is never null here; the export checks it.
int32_t initialize(const char* key) noexcept;
// buffer is never null and length never negative here; the exports check
// both. A long buffer is shared out between at most maxThreads threads.
int32_t encryptBuffer(uint8_t* buffer, int32_t length, unsigned maxThreads) noexcept;
int32_t decryptBuffer(uint8_t* buffer, int32_t length, unsigned maxThreads) noexcept;

} // namespace zephcore::blowfish
