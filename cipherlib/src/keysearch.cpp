#include "keysearch.h"

#include "dispatch.h"
#include "keysearch_kernel.h"

#include <cstring>

namespace zephcore::keysearch {

#if ZEPHCORE_X86
void scheduleKeysBmi(const Key* keys, size_t count, Schedule (&out)[kLanes]) noexcept;
#endif

void scheduleKeys(const Key* keys, size_t count, Schedule (&out)[kLanes]) noexcept {
#if ZEPHCORE_X86
    if (dispatch().blowfish == Isa::bmi) {
        scheduleKeysBmi(keys, count, out);
        return;
    }
#endif
    scheduleLanes(keys, count, out);
}

void decipherBlock(const Schedule& k, const uint8_t* in, uint8_t* out) noexcept {
    uint8_t block[8];
    std::memcpy(block, in, sizeof block);
    blowfish::decipherBlocks(k, block, 1);
    std::memcpy(out, block, sizeof block);
}

} // namespace zephcore::keysearch
