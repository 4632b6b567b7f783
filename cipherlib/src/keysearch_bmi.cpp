// The lanes' schedules for processors with BMI1 (this file is compiled with
// -mbmi; keysearch.cpp calls it only where the processor has it).
#define ZEPHCORE_KERNEL_BMI 1
#include "keysearch_kernel.h"

namespace zephcore::keysearch {

void scheduleKeysBmi(const Key* keys, size_t count) noexcept {
    scheduleLanes(keys, count);
}

void decipherLanesBmi(const uint8_t* in, uint8_t (&out)[kLanes][8]) noexcept {
    decipherEveryLane(in, out);
}

} // namespace zephcore::keysearch
