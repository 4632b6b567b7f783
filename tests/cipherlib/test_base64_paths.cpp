// The codec's internals: every code path (portable, AVX2, AVX-512) against a
// plain model of the decoding rules and a plain RFC 4648 encoder, over
// random valid and invalid input of many lengths, misaligned buffers,
// and in-place decoding.
#include "base64.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using zephcore::Isa;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t kSentinel = 0xA5;
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// --- references ----------------------------------------------------------------

Bytes referenceEncode(const Bytes& in) {
    Bytes out;
    std::size_t i = 0;
    for (; i + 3 <= in.size(); i += 3) {
        const uint32_t w = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8) | in[i + 2];
        for (int s = 18; s >= 0; s -= 6) {
            out.push_back(static_cast<uint8_t>(kAlphabet[(w >> s) & 63]));
        }
    }
    if (in.size() - i == 1) {
        const uint32_t w = uint32_t{in[i]} << 16;
        out.push_back(static_cast<uint8_t>(kAlphabet[(w >> 18) & 63]));
        out.push_back(static_cast<uint8_t>(kAlphabet[(w >> 12) & 63]));
        out.push_back('=');
        out.push_back('=');
    } else if (in.size() - i == 2) {
        const uint32_t w = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8);
        out.push_back(static_cast<uint8_t>(kAlphabet[(w >> 18) & 63]));
        out.push_back(static_cast<uint8_t>(kAlphabet[(w >> 12) & 63]));
        out.push_back(static_cast<uint8_t>(kAlphabet[(w >> 6) & 63]));
        out.push_back('=');
    }
    return out;
}

uint32_t valueOf(uint8_t c) {
    const char* p = std::char_traits<char>::find(kAlphabet, 64, static_cast<char>(c));
    return p == nullptr ? 0 : static_cast<uint32_t>(p - kAlphabet);
}

// The decoder's steps written out one byte at a time: each output byte j of a
// group comes from the group's characters j and j + 1. Bytes at or past the
// result are not computed, so a character past the end is never wanted
// (the model fails the test if one is). -1 marks a byte left alone.
struct Decoded {
    int32_t result = 0;
    std::vector<int> bytes;
};

Decoded modelDecode(const Bytes& s) {
    Decoded d;
    const std::size_t n = s.size();
    if (n == 0) {
        return d;
    }
    auto byteOf = [&](int j, std::size_t at) -> int {
        EXPECT_LT(at + 1, n) << "the model reached past the source";
        if (at + 1 >= n) {
            return -2;
        }
        const uint32_t x = valueOf(s[at]);
        const uint32_t y = valueOf(s[at + 1]);
        switch (j) {
        case 0:
            return static_cast<int>(((x << 2) | (y >> 4)) & 255);
        case 1:
            return static_cast<int>((((x & 15) << 4) | (y >> 2)) & 255);
        default:
            return static_cast<int>((((x & 3) << 6) | y) & 255);
        }
    };
    std::size_t a = 0;
    std::size_t count = n;
    if (s[n - 1] == '=') {
        if (n < 4) {
            const std::size_t data = n - ((n >= 2 && s[n - 2] == '=') ? 2 : 1);
            if (data == 2) {
                d.result = 1;
                d.bytes = {byteOf(0, 0)};
            }
            return d;
        }
        a = s[n - 2] == '=' ? 1 : 2;
        count = n - 4;
    }
    const std::size_t result = 3 * count / 4 + a;
    d.result = static_cast<int32_t>(result);
    d.bytes.assign(result, -1);
    std::size_t pos = 0;
    if (count >= 4) {
        for (std::size_t g = 0; g < count; g += 4) {
            for (int j = 0; j < 3; ++j, ++pos) {
                if (pos < result) {
                    d.bytes[pos] = byteOf(j, g + static_cast<std::size_t>(j));
                }
            }
        }
    }
    for (std::size_t j = 0; j < a; ++j, ++pos) {
        if (pos < result) {
            d.bytes[pos] = byteOf(static_cast<int>(j), n - 4 + j);
        }
    }
    return d;
}

// --- helpers ---------------------------------------------------------------------

std::vector<Isa> availablePaths() {
    std::vector<Isa> paths;
    for (Isa p : {Isa::portable, Isa::avx2, Isa::avx512}) {
        if (zephcore::isaAvailable(p)) {
            paths.push_back(p);
        }
    }
    return paths;
}

// Decodes along `path` into a sentinel-filled buffer at `offset` and checks
// every byte against the model, including the sentinels after the result.
void expectDecodeMatches(Isa path, const Bytes& source, std::size_t offset = 0) {
    const Decoded want = modelDecode(source);
    Bytes storage(offset + source.size() + 64, kSentinel);
    uint8_t* out = storage.data() + offset;
    const int32_t got =
        zephcore::base64::decode(path, source.data(), static_cast<int32_t>(source.size()), out);
    ASSERT_EQ(got, want.result) << zephcore::isaName(path) << " length " << source.size();
    for (std::size_t i = 0; i < source.size() + 64; ++i) {
        const int expected =
            i < want.bytes.size() && want.bytes[i] >= 0 ? want.bytes[i] : kSentinel;
        ASSERT_EQ(out[i], expected)
            << zephcore::isaName(path) << " length " << source.size() << " byte " << i;
    }
    for (std::size_t i = 0; i < offset; ++i) {
        ASSERT_EQ(storage[i], kSentinel) << "wrote before the destination";
    }
}

void expectEncodeMatches(Isa path, const Bytes& raw, std::size_t offset = 0) {
    const Bytes want = referenceEncode(raw);
    Bytes storage(offset + want.size() + 64, kSentinel);
    uint8_t* out = storage.data() + offset;
    const int32_t got =
        zephcore::base64::encode(path, raw.data(), static_cast<int32_t>(raw.size()), out);
    ASSERT_EQ(got, static_cast<int32_t>(want.size())) << zephcore::isaName(path);
    ASSERT_TRUE(std::equal(want.begin(), want.end(), out))
        << zephcore::isaName(path) << " length " << raw.size();
    ASSERT_TRUE(std::all_of(out + want.size(), storage.data() + storage.size(),
                            [](uint8_t b) { return b == kSentinel; }))
        << zephcore::isaName(path) << " wrote past its result, length " << raw.size();
}

// Valid Base64 of random bytes with `odd` random positions replaced by
// characters from `oddChars`, and optionally with its padding stripped.
Bytes noisyText(std::mt19937& rng, std::size_t rawLength, int odd, const std::string& oddChars,
                bool stripPadding) {
    Bytes raw(rawLength);
    for (auto& b : raw) {
        b = static_cast<uint8_t>(rng());
    }
    Bytes text = referenceEncode(raw);
    if (stripPadding) {
        while (!text.empty() && text.back() == '=') {
            text.pop_back();
        }
    }
    for (int i = 0; i < odd && !text.empty(); ++i) {
        text[rng() % text.size()] = static_cast<uint8_t>(oddChars[rng() % oddChars.size()]);
    }
    return text;
}

Bytes randomBytes(std::mt19937& rng, std::size_t length, const std::string& from) {
    Bytes out(length);
    for (auto& b : out) {
        b = from.empty() ? static_cast<uint8_t>(rng())
                         : static_cast<uint8_t>(from[rng() % from.size()]);
    }
    return out;
}

class Base64Paths : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        zephcore::base64::initTables();
        std::string paths;
        for (Isa p : availablePaths()) {
            paths += std::string(" ") + zephcore::isaName(p);
        }
        std::printf("codec paths under test:%s\n", paths.c_str());
    }
};

// --- tests -----------------------------------------------------------------------

TEST_F(Base64Paths, EncodeEveryLength) {
    std::mt19937 rng(1);
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 400; ++n) {
        lengths.push_back(n);
    }
    for (std::size_t n : {4095u, 4096u, 4097u, 65536u, 100001u, 1u << 20}) {
        lengths.push_back(n);
    }
    for (std::size_t n : lengths) {
        const Bytes raw = randomBytes(rng, n, "");
        for (Isa p : availablePaths()) {
            expectEncodeMatches(p, raw);
        }
    }
}

TEST_F(Base64Paths, DecodeEveryLengthValidAndOdd) {
    const std::string odd = std::string(" \t\r\n-_=.:@[`{\x7f", 14) + "\x80\xff\x00";
    std::mt19937 rng(2);
    struct Kind {
        const char* name;
        int oddCount;
        bool strip;
    };
    const Kind kinds[] = {{"valid", 0, false},
                          {"unpadded", 0, true},
                          {"one odd", 1, false},
                          {"some odd", 5, false},
                          {"odd unpadded", 3, true}};
    for (std::size_t raw = 0; raw <= 300; ++raw) {
        for (const Kind& k : kinds) {
            const Bytes text = noisyText(rng, raw, k.oddCount, odd, k.strip);
            for (Isa p : availablePaths()) {
                SCOPED_TRACE(k.name);
                expectDecodeMatches(p, text);
            }
        }
    }
}

// Any bytes at all, every length, with and without "=" at the end.
TEST_F(Base64Paths, DecodeArbitraryBytes) {
    std::mt19937 rng(3);
    const std::string mostlyAlphabet = std::string(kAlphabet) + "==  \n\x80";
    for (std::size_t n = 0; n <= 300; ++n) {
        for (int variant = 0; variant < 4; ++variant) {
            Bytes text = randomBytes(rng, n, variant < 2 ? "" : mostlyAlphabet);
            if (n > 0 && variant % 2 == 1) {
                text[n - 1] = '=';
                if (n > 1 && rng() % 2 == 0) {
                    text[n - 2] = '=';
                }
            }
            for (Isa p : availablePaths()) {
                expectDecodeMatches(p, text);
            }
        }
    }
}

TEST_F(Base64Paths, LargeSources) {
    std::mt19937 rng(4);
    for (std::size_t raw : {49152u, 65536u, 65537u, 300001u, 1u << 20}) {
        for (int odd : {0, 1, 50}) {
            const Bytes text = noisyText(rng, raw, odd, " \r\n=\xc3", odd == 50);
            for (Isa p : availablePaths()) {
                expectDecodeMatches(p, text);
            }
        }
    }
}

// Each byte value alone, repeated long enough to pass through the vector
// kernels: the alphabet decodes to its values, everything else to 0.
TEST_F(Base64Paths, EveryCharacterValue) {
    for (int c = 0; c < 256; ++c) {
        const Bytes text(256, static_cast<uint8_t>(c));
        for (Isa p : availablePaths()) {
            expectDecodeMatches(p, text);
        }
    }
    // And all of them mixed, in many orders.
    std::mt19937 rng(5);
    Bytes all(256);
    for (int c = 0; c < 256; ++c) {
        all[static_cast<std::size_t>(c)] = static_cast<uint8_t>(c);
    }
    for (int round = 0; round < 64; ++round) {
        std::shuffle(all.begin(), all.end(), rng);
        Bytes text(2 * all.size());
        std::copy(all.begin(), all.end(), text.begin());
        std::copy(all.begin(), all.end(), text.begin() + 256);
        for (Isa p : availablePaths()) {
            expectDecodeMatches(p, text);
        }
    }
}

TEST_F(Base64Paths, MisalignedBuffers) {
    std::mt19937 rng(6);
    for (std::size_t sourceOffset = 0; sourceOffset < 64; sourceOffset += 7) {
        for (std::size_t destOffset = 0; destOffset < 64; destOffset += 5) {
            const std::size_t rawLength = 1000 + rng() % 64;
            const Bytes raw = randomBytes(rng, rawLength, "");
            Bytes shifted(sourceOffset, 0);
            shifted.insert(shifted.end(), raw.begin(), raw.end());
            const Bytes want = referenceEncode(raw);
            const Bytes text = noisyText(rng, rawLength, 2, " =\x90", false);
            Bytes shiftedText(sourceOffset, 0);
            shiftedText.insert(shiftedText.end(), text.begin(), text.end());
            const Decoded decoded = modelDecode(text);
            for (Isa p : availablePaths()) {
                Bytes out(destOffset + want.size() + 32, kSentinel);
                ASSERT_EQ(zephcore::base64::encode(p, shifted.data() + sourceOffset,
                                                   static_cast<int32_t>(rawLength),
                                                   out.data() + destOffset),
                          static_cast<int32_t>(want.size()));
                ASSERT_TRUE(std::equal(want.begin(), want.end(), out.begin() + destOffset))
                    << zephcore::isaName(p);
                ASSERT_TRUE(std::all_of(out.begin(), out.begin() + destOffset,
                                        [](uint8_t b) { return b == kSentinel; }));
                ASSERT_TRUE(std::all_of(out.begin() + destOffset + want.size(), out.end(),
                                        [](uint8_t b) { return b == kSentinel; }));

                Bytes back(destOffset + text.size() + 32, kSentinel);
                ASSERT_EQ(zephcore::base64::decode(p, shiftedText.data() + sourceOffset,
                                                   static_cast<int32_t>(text.size()),
                                                   back.data() + destOffset),
                          decoded.result);
                for (std::size_t i = 0; i < back.size(); ++i) {
                    const bool inside = i >= destOffset && i - destOffset < decoded.bytes.size() &&
                                        decoded.bytes[i - destOffset] >= 0;
                    const int expected = inside ? decoded.bytes[i - destOffset] : kSentinel;
                    ASSERT_EQ(back[i], expected) << zephcore::isaName(p) << " " << i;
                }
            }
        }
    }
}

// Decoding with the destination equal to the source: every output byte lies
// before the characters not yet read.
TEST_F(Base64Paths, DecodeInPlace) {
    std::mt19937 rng(7);
    for (std::size_t raw : {0u, 1u, 2u, 3u, 47u, 48u, 100u, 767u, 768u, 5000u, 65537u}) {
        for (int odd : {0, 3}) {
            const Bytes text = noisyText(rng, raw, odd, " =\n\xee", odd != 0);
            const Decoded want = modelDecode(text);
            for (Isa p : availablePaths()) {
                Bytes buffer = text;
                ASSERT_EQ(zephcore::base64::decode(
                              p, buffer.data(), static_cast<int32_t>(buffer.size()), buffer.data()),
                          want.result);
                for (std::size_t i = 0; i < want.bytes.size(); ++i) {
                    const int expected = want.bytes[i] >= 0 ? want.bytes[i] : text[i];
                    ASSERT_EQ(buffer[i], expected) << zephcore::isaName(p) << " " << i;
                }
            }
        }
    }
}

TEST(Base64Lengths, EncodedLengthLimit) {
    struct Case {
        int32_t length;
        int32_t want;
    };
    const Case cases[] = {{0, 0},          {1, 4},         {3, 4}, {4, 8}, {1610612733, 2147483644},
                          {1610612734, 0}, {INT32_MAX, 0}, {-1, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(zephcore::base64::encodedLength(c.length), c.want) << c.length;
    }
}

} // namespace
