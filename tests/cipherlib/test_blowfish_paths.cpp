// The engine's threaded shares and the choice of code path, through the
// library's internals: every split of a long buffer gives the bytes of the
// block-by-block reference, and the recorded choice follows the processor
// and ZEPHCORE_PORTABLE.
#include "blowfish.h"
#include "dispatch.h"
#include "test_blowfish_reference.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes randomBytes(size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    Bytes out(n);
    for (auto& b : out) {
        b = static_cast<uint8_t>(gen());
    }
    return out;
}

// Lengths around the yield interval and the point where a buffer is shared
// out, split between one to eight threads.
TEST(BlowfishThreads, EverySplitMatchesTheReference) {
    const std::string key = "a long buffer";
    const auto ref = reference::Blowfish::keyed(Bytes(key.begin(), key.end()), true);
    const int32_t mib = 1 << 20;
    const int32_t lengths[] = {20000 * 8 - 3, 40000 * 8 + 5, mib - 9, mib - 8,     mib - 1,
                               mib,           mib + 7,       mib + 8, 2 * mib - 8, 3 * mib + 5};
    for (unsigned threads : {1u, 2u, 3u, 8u}) {
        for (int32_t length : lengths) {
            const auto padded = static_cast<size_t>(length) / 8 * 8 + 8;
            const Bytes data = randomBytes(padded + 8, static_cast<uint32_t>(length));
            const Bytes expected = ref.blowEnc(data, static_cast<size_t>(length));
            Bytes buffer = data;
            ASSERT_EQ(zephcore::blowfish::initialize(key.c_str()), 0);
            ASSERT_EQ(zephcore::blowfish::encryptBuffer(buffer.data(), length, threads),
                      static_cast<int32_t>(padded));
            ASSERT_TRUE(buffer == expected) << "length " << length << " threads " << threads;
            ASSERT_EQ(zephcore::blowfish::decryptBuffer(buffer.data(), static_cast<int32_t>(padded),
                                                        threads),
                      length);
            ASSERT_TRUE(std::equal(data.begin(), data.begin() + length, buffer.begin()))
                << "length " << length << " threads " << threads;
            // Nothing past the padded length is touched.
            ASSERT_TRUE(std::equal(buffer.begin() + padded, buffer.end(), data.begin() + padded));
        }
    }
}

TEST(Dispatch, FollowsTheProcessorAndTheSwitch) {
    using zephcore::Isa;
    const Isa best512 = ZEPHCORE_X86 ? Isa::avx512 : Isa::portable;
    const Isa best2 = ZEPHCORE_X86 ? Isa::avx2 : Isa::portable;
    const struct {
        zephcore::Machine machine;
        bool portable;
        Isa base64;
        unsigned threads;
    } cases[] = {
        {{true, true, 2}, false, best512, 2},         {{true, false, 4}, false, best2, 4},
        {{false, false, 1}, false, Isa::portable, 1}, {{true, true, 2}, true, Isa::portable, 2},
        {{true, true, 0}, false, best512, 1},  // processor count unknown
        {{true, true, 64}, false, best512, 8}, // never more than kMaxThreads
    };
    for (const auto& c : cases) {
        const zephcore::Dispatch d = zephcore::chooseDispatch(c.machine, c.portable);
        EXPECT_EQ(d.base64, c.base64) << c.machine.cores << c.portable;
        EXPECT_EQ(d.threads, c.threads) << c.machine.cores;
    }
}

// Run once as it is and once with ZEPHCORE_PORTABLE=1 (see CMakeLists.txt).
TEST(Dispatch, RecordedChoiceHonoursTheEnvironment) {
    const char* value = std::getenv("ZEPHCORE_PORTABLE");
    const bool portable = value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
    const zephcore::Dispatch& d = zephcore::dispatch();
    if (portable) {
        EXPECT_EQ(d.base64, zephcore::Isa::portable);
    } else {
        EXPECT_TRUE(zephcore::isaAvailable(d.base64));
        for (zephcore::Isa better : {zephcore::Isa::avx2, zephcore::Isa::avx512}) {
            if (zephcore::isaAvailable(better)) {
                EXPECT_GE(static_cast<int>(d.base64), static_cast<int>(better));
            }
        }
    }
    EXPECT_EQ(&d, &zephcore::dispatch()); // chosen once
}

} // namespace
