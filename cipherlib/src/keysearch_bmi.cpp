// The lanes' schedules for processors with BMI1 (this file is compiled with
// -mbmi; keysearch.cpp calls it only where the processor has it).
#define ZEPHCORE_KERNEL_BMI 1
#include "keysearch_kernel.h"

namespace zephcore::keysearch {

void scheduleKeysBmi(const Key* keys, size_t count, Schedule (&out)[kLanes]) noexcept {
    scheduleLanes(keys, count, out);
}

} // namespace zephcore::keysearch
