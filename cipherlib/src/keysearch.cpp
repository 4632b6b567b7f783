#include "keysearch.h"

#include "dispatch.h"
#include "keysearch_kernel.h"

// clang-format off
extern "C" {
alignas(64) __attribute__((visibility("hidden"), tls_model("local-exec")))
    __thread zephcore::keysearch::Lanes zephcoreSearchLanes;
}
// clang-format on

namespace zephcore::keysearch {

#if ZEPHCORE_X86
void scheduleKeysBmi(const Key* keys, size_t count) noexcept;
void decipherLanesBmi(const uint8_t* in, uint8_t (&out)[kLanes][8]) noexcept;
#endif

const Lanes& scheduleKeys(const Key* keys, size_t count) noexcept {
#if ZEPHCORE_X86
    if (dispatch().blowfish == Isa::bmi) {
        scheduleKeysBmi(keys, count);
        return zephcoreSearchLanes;
    }
#endif
    scheduleLanes(keys, count);
    return zephcoreSearchLanes;
}

void decipherLanes(const uint8_t* in, uint8_t (&out)[kLanes][8]) noexcept {
#if ZEPHCORE_X86
    if (dispatch().blowfish == Isa::bmi) {
        decipherLanesBmi(in, out);
        return;
    }
#endif
    decipherEveryLane(in, out);
}

} // namespace zephcore::keysearch
