// The library's boundary: null pointers and negative lengths touch nothing.
#include "zephcore.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>

namespace {

TEST(Exports, NullAndNegativeTouchNothing) {
    std::array<uint8_t, 16> buffer{};
    buffer.fill(0xA5);
    const auto before = buffer;
    EXPECT_EQ(Initialize(nullptr), 1);
    EXPECT_EQ(BlowENC(nullptr, 8), 0);
    EXPECT_EQ(BlowENC(buffer.data(), -1), 0);
    EXPECT_EQ(BlowDEC(nullptr, 8), 0);
    EXPECT_EQ(BlowDEC(buffer.data(), -8), 0);
    EXPECT_EQ(BlowDEC(buffer.data(), 0), 0);
    EXPECT_EQ(B64ENC(nullptr, 3, buffer.data()), 0);
    EXPECT_EQ(B64ENC(buffer.data(), 3, nullptr), 0);
    EXPECT_EQ(B64ENC(buffer.data(), -3, buffer.data() + 8), 0);
    EXPECT_EQ(B64DEC(nullptr, 4, buffer.data()), 0);
    EXPECT_EQ(B64DEC(buffer.data(), 4, nullptr), 0);
    EXPECT_EQ(B64DEC(buffer.data(), -4, buffer.data() + 8), 0);
    EXPECT_EQ(B64DEC(buffer.data(), 0, buffer.data() + 8), 0);
    EXPECT_EQ(buffer, before);
}

} // namespace
