// The search's key schedules against Initialize's, table for table, and a
// block deciphered under every lane against the library's own decryption.
#include "blowfish.h"
#include "keysearch.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using zephcore::keysearch::Key;
using zephcore::keysearch::kLanes;
using zephcore::keysearch::kMaxKeyBytes;

// Random keys of every length, bytes 0x80 to 0xFF included (their sign
// extension is the part most easily got wrong), in batches of every size.
TEST(KeySearch, SchedulesEqualInitializes) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(1, 255);
    for (size_t round = 0; round < 64; ++round) {
        const size_t count = 1 + round % kLanes;
        std::vector<std::string> keys(count);
        Key lanes[kLanes];
        for (size_t j = 0; j < count; ++j) {
            const size_t length = 1 + (round * kLanes + j) % kMaxKeyBytes;
            for (size_t i = 0; i < length; ++i) {
                keys[j] += static_cast<char>(byte(random));
            }
            lanes[j] = {reinterpret_cast<const uint8_t*>(keys[j].data()), keys[j].size()};
        }
        const auto& out = zephcore::keysearch::scheduleKeys(lanes, count);
        uint8_t block[8];
        for (uint8_t& b : block) {
            b = static_cast<uint8_t>(byte(random));
        }
        uint8_t plain[kLanes][8];
        zephcore::keysearch::decipherLanes(block, plain);
        for (size_t j = 0; j < count; ++j) {
            ASSERT_EQ(zephcore::blowfish::initialize(keys[j].c_str()), 0);
            const auto& k = zephcore::blowfish::scheduleInForce();
            EXPECT_EQ(std::memcmp(&out[j], &k, sizeof out[j]), 0)
                << "key of " << keys[j].size() << " bytes, lane " << j << " of " << count;
            uint8_t expected[8];
            std::memcpy(expected, block, sizeof expected);
            zephcore::blowfish::decipherBlocks(k, expected, 1);
            EXPECT_EQ(std::memcmp(plain[j], expected, sizeof expected), 0) << "lane " << j;
        }
    }
}

} // namespace
