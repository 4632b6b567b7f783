// The engine's code paths and threaded shares, through the library's
// internals: every path and every split of a long buffer gives the bytes of
// the block-by-block reference, and the recorded choice follows the
// processor and ZEPHCORE_PORTABLE.
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

// One buffer through encryptBuffer and back through decryptBuffer on a path
// and a number of threads, against the block-by-block reference.
void roundTrip(const std::string& key, const Bytes& data, const Bytes& expected, int32_t length,
               unsigned threads, zephcore::Isa isa) {
    const auto padded = static_cast<size_t>(length) / 8 * 8 + 8;
    const std::string where = std::string(zephcore::isaName(isa)) + " length " +
                              std::to_string(length) + " threads " + std::to_string(threads);
    Bytes buffer = data;
    ASSERT_EQ(zephcore::blowfish::initialize(key.c_str()), 0);
    ASSERT_EQ(zephcore::blowfish::encryptBuffer(buffer.data(), length, threads, isa),
              static_cast<int32_t>(padded));
    ASSERT_TRUE(buffer == expected) << where;
    ASSERT_EQ(zephcore::blowfish::decryptBuffer(buffer.data(), static_cast<int32_t>(padded),
                                                threads, isa),
              length);
    ASSERT_TRUE(std::equal(data.begin(), data.begin() + length, buffer.begin())) << where;
    // Nothing past the padded length is touched.
    ASSERT_TRUE(std::equal(buffer.begin() + padded, buffer.end(), data.begin() + padded)) << where;
}

// Every code path this processor runs, under random keys (bytes 0x80 to 0xFF
// included): short buffers around the widths of the interleaved loops on one
// thread, and lengths around the yield interval and the point where a buffer
// is shared out, split between one to eight threads.
TEST(BlowfishPaths, EveryPathAndSplitMatchesTheReference) {
    std::vector<zephcore::Isa> isas;
    for (zephcore::Isa isa : {zephcore::Isa::portable, zephcore::Isa::bmi}) {
        if (zephcore::isaAvailable(isa)) {
            isas.push_back(isa);
        }
    }
    const int32_t mib = 1 << 20;
    const std::vector<int32_t> shortLengths = [] {
        std::vector<int32_t> v;
        for (int32_t n = 0; n < 8 * 13; ++n) {
            v.push_back(n);
        }
        return v;
    }();
    const std::vector<int32_t> longLengths = {20000 * 8 - 3, 40000 * 8 + 5, mib - 9,     mib - 8,
                                              mib - 1,       mib,           mib + 7,     mib + 8,
                                              2 * mib - 8,   3 * mib + 5};
    const std::vector<int32_t> oneLong = {mib + 8};
    const struct {
        uint32_t seed;
        const std::vector<int32_t>& lengths;
        std::vector<unsigned> threads;
    } cases[] = {
        {1, shortLengths, {1}},         {2, shortLengths, {1}}, {3, shortLengths, {1}},
        {4, longLengths, {1, 2, 3, 8}}, {5, oneLong, {1}}, // a long buffer under a new key
    };
    for (const auto& c : cases) {
        std::mt19937 gen(c.seed);
        std::string key(1 + gen() % 56, ' ');
        for (char& ch : key) {
            ch = static_cast<char>(1 + gen() % 255);
        }
        const auto ref = reference::Blowfish::keyed(Bytes(key.begin(), key.end()), true);
        for (int32_t length : c.lengths) {
            const auto padded = static_cast<size_t>(length) / 8 * 8 + 8;
            const Bytes data = randomBytes(padded + 8, static_cast<uint32_t>(length) + c.seed);
            const Bytes expected = ref.blowEnc(data, static_cast<size_t>(length));
            for (unsigned threads : c.threads) {
                for (zephcore::Isa isa : isas) {
                    roundTrip(key, data, expected, length, threads, isa);
                    if (HasFatalFailure()) {
                        return;
                    }
                }
            }
        }
    }
}

TEST(Dispatch, FollowsTheProcessorAndTheSwitch) {
    using zephcore::Isa;
    const Isa best512 = ZEPHCORE_X86 ? Isa::avx512 : Isa::portable;
    const Isa best2 = ZEPHCORE_X86 ? Isa::avx2 : Isa::portable;
    const Isa bmi = ZEPHCORE_X86 ? Isa::bmi : Isa::portable;
    const struct {
        zephcore::Machine machine;
        bool portable;
        Isa base64;
        Isa blowfish;
        unsigned threads;
    } cases[] = {
        {{true, true, 2, true}, false, best512, bmi, 2},
        {{true, false, 4, true}, false, best2, bmi, 4},
        {{false, false, 1, false}, false, Isa::portable, Isa::portable, 1},
        {{false, false, 1, true}, false, Isa::portable, bmi, 1},
        {{true, true, 2, true}, true, Isa::portable, Isa::portable, 2},
        {{true, true, 0, false}, false, best512, Isa::portable, 1},  // processor count unknown
        {{true, true, 64, false}, false, best512, Isa::portable, 8}, // never more than kMaxThreads
    };
    for (const auto& c : cases) {
        const zephcore::Dispatch d = zephcore::chooseDispatch(c.machine, c.portable);
        EXPECT_EQ(d.base64, c.base64) << c.machine.cores << c.portable;
        EXPECT_EQ(d.blowfish, c.blowfish) << c.machine.bmi << c.portable;
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
        EXPECT_EQ(d.blowfish, zephcore::Isa::portable);
    } else {
        EXPECT_TRUE(zephcore::isaAvailable(d.base64));
        EXPECT_EQ(d.blowfish, zephcore::isaAvailable(zephcore::Isa::bmi) ? zephcore::Isa::bmi
                                                                          : zephcore::Isa::portable);
        for (zephcore::Isa better : {zephcore::Isa::avx2, zephcore::Isa::avx512}) {
            if (zephcore::isaAvailable(better)) {
                EXPECT_GE(static_cast<int>(d.base64), static_cast<int>(better));
            }
        }
    }
    EXPECT_EQ(&d, &zephcore::dispatch()); // chosen once
}

} // namespace
