// The Blowfish engine through the library's exports: known answers, the
// padding rule, the key schedule's odd corners, and the bulk loop against a
// literal block-by-block cipher (the threaded shares: test_blowfish_paths).
#include "test_blowfish_reference.h"
#include "zephcore.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes fromHex(const std::string& hex) {
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::string asKey(const Bytes& key) {
    return std::string(key.begin(), key.end());
}

Bytes randomBytes(size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    Bytes out(n);
    for (auto& b : out) {
        b = static_cast<uint8_t>(gen());
    }
    return out;
}

void setKey(const std::string& key) {
    ASSERT_EQ(Initialize(key.c_str()), 0) << key;
}

// BlowENC on a copy of `buffer` (data plus filler), returning what it left.
Bytes blowEnc(Bytes buffer, int32_t length, int32_t expectedResult) {
    EXPECT_EQ(BlowENC(buffer.data(), length), expectedResult);
    return buffer;
}

// ---------------------------------------------------------------------------
// Known answers from tests/data/blowfish.vec.

struct Vector {
    std::string section;
    int line = 0;
    Bytes key, in, out;
};

std::vector<Vector> loadVectors() {
    std::ifstream file(std::string(ZEPHRAL_TEST_DATA) + "/blowfish.vec");
    std::vector<Vector> vectors;
    std::string text;
    std::string section;
    Vector current;
    int lineNo = 0;
    while (std::getline(file, text)) {
        ++lineNo;
        if (text.empty() || text[0] == '#') {
            continue;
        }
        if (text[0] == '[') {
            section = text.substr(1, text.find(']') - 1);
            continue;
        }
        const auto eq = text.find('=');
        std::string name = text.substr(0, eq);
        std::string value = eq + 1 < text.size() ? text.substr(eq + 1) : "";
        name.erase(name.find_last_not_of(' ') + 1);
        value.erase(0, value.find_first_not_of(' ') == std::string::npos
                           ? value.size()
                           : value.find_first_not_of(' '));
        if (name == "Key") {
            current = Vector{section, lineNo, fromHex(value), {}, {}};
        } else if (name == "In") {
            current.in = fromHex(value);
        } else if (name == "Out") {
            current.out = fromHex(value);
            vectors.push_back(current);
        }
    }
    return vectors;
}

class KnownAnswer : public testing::TestWithParam<Vector> {};

TEST_P(KnownAnswer, Matches) {
    const Vector& v = GetParam();
    ASSERT_EQ(v.in.size() % 8, 0u);
    ASSERT_EQ(v.in.size(), v.out.size());
    const bool signExtend = v.section != "reference-only";

    // The test's own reference first: everything else leans on it.
    const auto ref = reference::Blowfish::keyed(v.key, signExtend);
    Bytes data = v.in;
    ref.encryptBlocks(data.data(), data.size());
    EXPECT_EQ(data, v.out) << "reference, line " << v.line;
    ref.decryptBlocks(data.data(), data.size());
    EXPECT_EQ(data, v.in) << "reference, line " << v.line;
    if (!signExtend) {
        return; // keys Initialize cannot take as standard keys
    }

    // Through the exports: the data blocks come out as published and the
    // padding block follows them.
    const auto length = static_cast<int32_t>(v.in.size());
    setKey(asKey(v.key));
    Bytes buffer = v.in;
    buffer.resize(v.in.size() + 8, 0);
    ASSERT_EQ(BlowENC(buffer.data(), length), length + 8);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + length), v.out) << "line " << v.line;
    Bytes padBlock = {0, 0, 0, 0, 0, 0, 0, 8};
    ref.encryptBlocks(padBlock.data(), 8);
    EXPECT_EQ(Bytes(buffer.begin() + length, buffer.end()), padBlock) << "line " << v.line;

    setKey(asKey(v.key));
    EXPECT_EQ(BlowDEC(buffer.data(), length + 8), length);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + length), v.in) << "line " << v.line;
}

INSTANTIATE_TEST_SUITE_P(Vectors, KnownAnswer, testing::ValuesIn(loadVectors()),
                         [](const testing::TestParamInfo<Vector>& param) {
                             std::string name;
                             for (char c : param.param.section) {
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name + "_line" + std::to_string(param.param.line);
                         });

TEST(KnownAnswerFile, HasEverySection) {
    int initialize = 0;
    int signExtended = 0;
    int referenceOnly = 0;
    for (const Vector& v : loadVectors()) {
        initialize += v.section == "initialize";
        signExtended += v.section == "sign-extended";
        referenceOnly += v.section == "reference-only";
    }
    EXPECT_GE(initialize, 10);
    EXPECT_GE(signExtended, 5);
    // Eric Young's 34 vectors, minus the ones the other sections run.
    EXPECT_GE(referenceOnly, 20);
}

// ---------------------------------------------------------------------------
// The padding rule.

struct PadCase {
    int32_t length;
    int32_t result;
};

class Padding : public testing::TestWithParam<PadCase> {};

// The pad byte lands at result - 1, the caller's filler bytes between the data
// and it enter the cipher untouched, and nothing past the result is written.
TEST_P(Padding, PadByteFillerAndSentinels) {
    const auto [length, result] = GetParam();
    const std::string key = "padding";
    const auto ref = reference::Blowfish::keyed(Bytes(key.begin(), key.end()), true);
    Bytes buffer = randomBytes(static_cast<size_t>(result) + 16, 7u + length);
    setKey(key);
    const Bytes out = blowEnc(buffer, length, result);
    const Bytes expected = ref.blowEnc(buffer, static_cast<size_t>(length));
    EXPECT_EQ(out, expected);
    EXPECT_TRUE(std::equal(out.begin() + result, out.end(), buffer.begin() + result))
        << "bytes past the ciphertext changed";

    // Deciphered, the padding block shows the caller's filler and the pad.
    Bytes back = out;
    EXPECT_EQ(BlowDEC(back.data(), result), length);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + result - 1, buffer.begin()));
    EXPECT_EQ(back[static_cast<size_t>(result) - 1], result - length);
}

INSTANTIATE_TEST_SUITE_P(Lengths, Padding,
                         testing::Values(PadCase{0, 8}, PadCase{1, 8}, PadCase{7, 8},
                                         PadCase{8, 16}, PadCase{9, 16}, PadCase{15, 16},
                                         PadCase{16, 24}, PadCase{17, 24}, PadCase{63, 64},
                                         PadCase{64, 72}));

// Lengths whose padded size does not fit a 32-bit count are refused: 0, and
// nothing is touched (the buffer here is far too small to be written).
TEST(Padding, LengthsThatWouldOverflowAreRefused) {
    setKey("overflow");
    Bytes buffer(64, 0x5A);
    for (int64_t length = INT32_MAX - 7; length <= INT32_MAX; ++length) {
        EXPECT_EQ(BlowENC(buffer.data(), static_cast<int32_t>(length)), 0) << length;
    }
    EXPECT_EQ(buffer, Bytes(64, 0x5A));
}

// ---------------------------------------------------------------------------
// BlowDEC's result and its trailing partial block.

TEST(BlowDec, PartialTailLeftAloneAndSuppliesLastByte) {
    const std::string key = "tail";
    const auto ref = reference::Blowfish::keyed(Bytes(key.begin(), key.end()), true);
    for (int32_t length = 1; length <= 40; ++length) {
        Bytes buffer = randomBytes(static_cast<size_t>(length) + 8, 100u + length);
        // Keep the last byte small so the result is easy to predict.
        buffer[static_cast<size_t>(length) - 1] = static_cast<uint8_t>(length % 8 == 0 ? 0 : 3);
        Bytes expected = buffer;
        ref.decryptBlocks(expected.data(), static_cast<size_t>(length) / 8 * 8);
        setKey(key);
        Bytes out = buffer;
        const int32_t got = BlowDEC(out.data(), length);
        EXPECT_EQ(out, expected) << length;
        EXPECT_EQ(got, length - static_cast<int8_t>(expected[static_cast<size_t>(length) - 1]))
            << length;
    }
}

// The last byte is read as a signed 8-bit value, so the result may exceed the
// length: 0xF0 gives length + 16, 0x80 length + 128, 0x7F length - 127.
TEST(BlowDec, LastByteIsSigned) {
    const std::string key = "signed";
    const auto ref = reference::Blowfish::keyed(Bytes(key.begin(), key.end()), true);
    const struct {
        uint8_t last;
        int32_t delta;
    } cases[] = {{0xF0, 16}, {0x80, 128}, {0xFF, 1}, {0x7F, -127}, {0x00, 0}, {0x08, -8}};
    for (const auto& c : cases) {
        Bytes plain = randomBytes(16, c.last);
        plain[15] = c.last;
        Bytes cipher = plain;
        ref.encryptBlocks(cipher.data(), cipher.size());
        setKey(key);
        EXPECT_EQ(BlowDEC(cipher.data(), 16), 16 + c.delta) << int{c.last};
        EXPECT_EQ(cipher, plain);
    }
}

TEST(BlowDec, ShortOfABlockOnlyReadsTheLastByte) {
    setKey("short");
    Bytes buffer = {1, 2, 3, 4, 5, 6, 0xFE};
    EXPECT_EQ(BlowDEC(buffer.data(), 7), 9);
    EXPECT_EQ(buffer, (Bytes{1, 2, 3, 4, 5, 6, 0xFE}));
    EXPECT_EQ(BlowDEC(buffer.data(), 0), 0);
}

// ---------------------------------------------------------------------------
// The key schedule.

Bytes encryptOneBlock(const Bytes& plain) {
    Bytes buffer = plain;
    buffer.resize(16, 0);
    EXPECT_EQ(BlowENC(buffer.data(), 8), 16);
    buffer.resize(8);
    return buffer;
}

TEST(KeySchedule, LongestKeyAcceptedOneMoreRefusedKeepingThePrevious) {
    const std::string key56(56, 'k');
    const std::string key57(57, 'x');
    const Bytes plain = {1, 2, 3, 4, 5, 6, 7, 8};
    const Bytes plain56 = [&] {
        Bytes b = plain;
        reference::Blowfish::keyed(Bytes(key56.begin(), key56.end()), true)
            .encryptBlocks(b.data(), 8);
        return b;
    }();

    EXPECT_EQ(Initialize(key56.c_str()), 0);
    EXPECT_EQ(encryptOneBlock(plain), plain56);
    EXPECT_EQ(Initialize(key57.c_str()), 1);
    EXPECT_EQ(encryptOneBlock(plain), plain56) << "a refused key changed the schedule";
    EXPECT_EQ(Initialize(std::string(1000, 'y').c_str()), 1);
    EXPECT_EQ(Initialize(nullptr), 1);
    EXPECT_EQ(encryptOneBlock(plain), plain56);

    // After InitArrays the unkeyed tables are in force, and a refused key
    // leaves them so.
    EXPECT_EQ(InitArrays(), 0);
    EXPECT_EQ(Initialize(key57.c_str()), 1);
    Bytes unkeyed = plain;
    reference::Blowfish::unkeyed().encryptBlocks(unkeyed.data(), 8);
    EXPECT_EQ(encryptOneBlock(plain), unkeyed);
}

// Keys never accumulate: the same key after another gives the same schedule.
TEST(KeySchedule, EachKeyStartsFromTheInitialTables) {
    const Bytes plain = randomBytes(8, 3);
    setKey("first");
    const Bytes once = encryptOneBlock(plain);
    setKey("second");
    setKey("first");
    EXPECT_EQ(encryptOneBlock(plain), once);
    setKey("first");
    EXPECT_EQ(encryptOneBlock(plain), once);
}

// Bytes of 0x80 and above are widened as signed chars: the schedule differs
// from the standard zero-extended one, and data still round-trips under it.
TEST(KeySchedule, HighKeyBytesAreSignExtended) {
    const std::vector<std::string> keys = {"\xE9", "caf\xE9", "\x01\x80\x02\x03",
                                           "pass\xA3word\xFF", std::string(56, '\xC0')};
    for (const std::string& key : keys) {
        const Bytes keyBytes(key.begin(), key.end());
        const auto sign = reference::Blowfish::keyed(keyBytes, true);
        const auto zero = reference::Blowfish::keyed(keyBytes, false);
        const Bytes plain = randomBytes(32, static_cast<uint32_t>(key.size()));
        Bytes viaSign = plain;
        Bytes viaZero = plain;
        sign.encryptBlocks(viaSign.data(), viaSign.size());
        zero.encryptBlocks(viaZero.data(), viaZero.size());
        ASSERT_NE(viaSign, viaZero) << "this key does not tell the two rules apart";

        setKey(key);
        Bytes buffer = plain;
        buffer.resize(40, 0);
        ASSERT_EQ(BlowENC(buffer.data(), 32), 40);
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 32), viaSign);
        setKey(key);
        EXPECT_EQ(BlowDEC(buffer.data(), 40), 32);
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 32), plain);
    }
}

// ---------------------------------------------------------------------------
// The bulk loop and the threads against the block-by-block reference.

// Every length up to a few steps of the bulk loop and beyond, at every
// alignment, with sentinels.
TEST(Bulk, EveryTailLengthAndAlignment) {
    const std::string key = "bulk and tail";
    const auto ref = reference::Blowfish::keyed(Bytes(key.begin(), key.end()), true);
    std::vector<int32_t> lengths;
    for (int32_t length = 0; length <= 80; ++length) {
        lengths.push_back(length);
    }
    for (int32_t length = 240; length <= 270; ++length) {
        lengths.push_back(length);
    }
    for (int32_t length = 500; length <= 530; ++length) {
        lengths.push_back(length);
    }
    for (size_t offset = 0; offset < 8; ++offset) {
        for (int32_t length : lengths) {
            const size_t padded = static_cast<size_t>(length) / 8 * 8 + 8;
            const Bytes data = randomBytes(padded, static_cast<uint32_t>(length * 8 + offset));
            Bytes arena(offset + padded + 16, 0xC3);
            std::copy(data.begin(), data.end(), arena.begin() + offset);
            setKey(key);
            ASSERT_EQ(BlowENC(arena.data() + offset, length), static_cast<int32_t>(padded));
            const Bytes expected = ref.blowEnc(data, static_cast<size_t>(length));
            ASSERT_TRUE(std::equal(expected.begin(), expected.end(), arena.begin() + offset))
                << "length " << length << " offset " << offset;
            for (size_t i = 0; i < arena.size(); ++i) {
                if (i < offset || i >= offset + padded) {
                    ASSERT_EQ(arena[i], 0xC3) << "byte " << i << " outside the buffer written";
                }
            }
            setKey(key);
            ASSERT_EQ(BlowDEC(arena.data() + offset, static_cast<int32_t>(padded)), length);
            ASSERT_TRUE(std::equal(data.begin(), data.begin() + length, arena.begin() + offset));
        }
    }
}

// BlowDEC on a long buffer with a partial tail: the threads leave it alone too.
TEST(Bulk, LongDecryptWithPartialTail) {
    const std::string key = "partial";
    const auto ref = reference::Blowfish::keyed(Bytes(key.begin(), key.end()), true);
    const size_t length = (size_t{3} << 20) + 5;
    const Bytes data = randomBytes(length, 11);
    Bytes expected = data;
    ref.decryptBlocks(expected.data(), length / 8 * 8);
    Bytes buffer = data;
    setKey(key);
    const int32_t got = BlowDEC(buffer.data(), static_cast<int32_t>(length));
    EXPECT_TRUE(buffer == expected);
    EXPECT_EQ(got, static_cast<int32_t>(length) - static_cast<int8_t>(data.back()));
}

} // namespace
