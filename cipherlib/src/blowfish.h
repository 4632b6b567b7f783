// Blowfish engine: the process-wide key schedule and the padded ECB buffer
// operations behind InitArrays, Initialize, BlowENC and BlowDEC.
#pragma once

#include <cstdint>

namespace zephcore::blowfish {

int32_t initArrays() noexcept;
// key is never null here; the export checks it.
int32_t initialize(const char* key) noexcept;
// buffer is never null and length never negative here; the export checks both.
int32_t encryptBuffer(uint8_t* buffer, int32_t length) noexcept;
int32_t decryptBuffer(uint8_t* buffer, int32_t length) noexcept;

} // namespace zephcore::blowfish
