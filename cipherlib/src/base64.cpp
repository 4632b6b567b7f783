// Base64 codec: standard alphabet with "=" padding on the way out, a lenient
// decoder on the way in.
//
// The tables are constants. Until the first InitB64 the codec behaves as if
// they were all zero, as a freshly loaded library always has: the encoder
// writes NUL in place of every alphabet character (the "=" padding is still
// written) and the decoder reads every character as 0. The vector kernels
// carry the alphabet themselves, so they are only taken once InitB64 has run.
// Nothing here is ever written but the one flag, so calls may run at the same
// time from any number of threads.
#include "base64.h"

#include "base64_simd.h"

#include <algorithm>
#include <atomic>
#include <cstddef>

namespace zephcore::base64 {

namespace {

struct Tables {
    uint8_t encode[64] = {};
    uint8_t decode[256] = {};
};

constexpr Tables makeTables() {
    Tables t;
    for (int v = 0; v < 64; ++v) {
        const auto c = static_cast<uint8_t>(simd::kAlphabet[v]);
        t.encode[v] = c;
        t.decode[c] = static_cast<uint8_t>(v);
    }
    return t;
}

constexpr Tables kAlphabetTables = makeTables();
// What the tables hold before InitB64: nothing.
constexpr Tables kEmptyTables{};

std::atomic<bool> gInitialised{false};

// The largest length whose encoding, 4 * ceil(length / 3), fits an int32_t.
constexpr int32_t kMaxEncodable = 1610612733;

// --- encoder ---------------------------------------------------------------

inline void encodeGroup(const uint8_t* table, const uint8_t* in, uint8_t* out) noexcept {
    const uint32_t p = in[0];
    const uint32_t q = in[1];
    const uint32_t t = in[2];
    out[0] = table[p >> 2];
    out[1] = table[((p & 3) << 4) | (q >> 4)];
    out[2] = table[((q & 15) << 2) | (t >> 6)];
    out[3] = table[t & 63];
}

// Encodes groups [from, groups) and the 1- or 2-byte tail.
void encodeRest(const uint8_t* table, const uint8_t* source, std::size_t length, std::size_t from,
                uint8_t* destination) noexcept {
    const std::size_t groups = length / 3;
    for (std::size_t k = from; k < groups; ++k) {
        encodeGroup(table, source + 3 * k, destination + 4 * k);
    }
    const uint8_t* in = source + 3 * groups;
    uint8_t* out = destination + 4 * groups;
    switch (length % 3) {
    case 1: {
        const uint32_t p = in[0];
        out[0] = table[p >> 2];
        out[1] = table[(p & 3) << 4];
        out[2] = '=';
        out[3] = '=';
        break;
    }
    case 2: {
        const uint32_t p = in[0];
        const uint32_t q = in[1];
        out[0] = table[p >> 2];
        out[1] = table[((p & 3) << 4) | (q >> 4)];
        out[2] = table[(q & 15) << 2];
        out[3] = '=';
        break;
    }
    default:
        break;
    }
}

// --- decoder ---------------------------------------------------------------

// How a source of `length` characters decodes; see decodeRest.
struct Plan {
    int32_t result = 0;      // bytes reported, and the bound on every write
    std::size_t groups = 0;  // whole-source groups of four, starting at 0, 4, 8, ...
    int32_t finalBytes = 0;  // bytes of the padded final group (the "a" count)
    std::size_t finalAt = 0; // where the padded final group's characters start
    std::size_t finalOut = 0;
};

Plan planDecode(const uint8_t* source, int32_t length) noexcept {
    Plan plan;
    if (length <= 0) {
        return plan;
    }
    const auto n = static_cast<std::size_t>(length);
    int32_t count = length;
    if (source[n - 1] == '=') {
        if (length < 4) {
            // Too short to hold a padded group of four. The characters before
            // the trailing "=" (one or two) are taken as the start of the
            // final group: two of them give one byte, fewer give nothing.
            // Nothing before the source is read.
            const bool doublePad = length >= 2 && source[n - 2] == '=';
            const std::size_t data = n - (doublePad ? 2 : 1);
            if (data == 2) {
                plan.result = 1;
                plan.finalBytes = 1;
                plan.finalAt = 0;
                plan.finalOut = 0;
            }
            return plan;
        }
        plan.finalBytes = (source[n - 2] == '=') ? 1 : 2;
        count = length - 4;
        plan.finalAt = n - 4;
    }
    // 3 * count can exceed 32 bits; the result never exceeds length.
    plan.result = static_cast<int32_t>(3 * static_cast<int64_t>(count) / 4) + plan.finalBytes;
    if (count >= 4) {
        plan.groups = (static_cast<std::size_t>(count) + 3) / 4;
    }
    plan.finalOut = 3 * plan.groups;
    return plan;
}

// Decodes groups [from, plan.groups) and then the padded final group. Groups
// that lie wholly inside the source and wholly below the result are written
// straight out; the last ones are guarded byte by byte: only bytes below the
// result are written, and a character past the end of the source (read as 0
// here) never reaches such a byte.
void decodeRest(const uint8_t* table, const uint8_t* source, std::size_t n, const Plan& plan,
                std::size_t from, uint8_t* destination) noexcept {
    const auto result = static_cast<std::size_t>(plan.result);
    const std::size_t whole = std::min({plan.groups, n / 4, result / 3});
    std::size_t k = from;
    for (; k < whole; ++k) {
        const uint8_t* in = source + 4 * k;
        const uint32_t d0 = table[in[0]];
        const uint32_t d1 = table[in[1]];
        const uint32_t d2 = table[in[2]];
        const uint32_t d3 = table[in[3]];
        uint8_t* out = destination + 3 * k;
        out[0] = static_cast<uint8_t>((d0 << 2) | (d1 >> 4));
        out[1] = static_cast<uint8_t>(((d1 & 15) << 4) | (d2 >> 2));
        out[2] = static_cast<uint8_t>(((d2 & 3) << 6) | d3);
    }
    auto value = [&](std::size_t i) -> uint32_t { return i < n ? table[source[i]] : 0; };
    for (; k < plan.groups; ++k) {
        const std::size_t g = 4 * k;
        const uint32_t d0 = value(g);
        const uint32_t d1 = value(g + 1);
        const uint32_t d2 = value(g + 2);
        const uint32_t d3 = value(g + 3);
        const std::size_t o = 3 * k;
        if (o < result) {
            destination[o] = static_cast<uint8_t>((d0 << 2) | (d1 >> 4));
        }
        if (o + 1 < result) {
            destination[o + 1] = static_cast<uint8_t>(((d1 & 15) << 4) | (d2 >> 2));
        }
        if (o + 2 < result) {
            destination[o + 2] = static_cast<uint8_t>(((d2 & 3) << 6) | d3);
        }
    }
    if (plan.finalBytes > 0) {
        // The padded final group: its characters are always inside the source.
        const uint8_t* in = source + plan.finalAt;
        const uint32_t d0 = table[in[0]];
        const uint32_t d1 = table[in[1]];
        const std::size_t o = plan.finalOut;
        if (o < result) {
            destination[o] = static_cast<uint8_t>((d0 << 2) | (d1 >> 4));
        }
        if (plan.finalBytes == 2 && o + 1 < result) {
            const uint32_t d2 = table[in[2]];
            destination[o + 1] = static_cast<uint8_t>(((d1 & 15) << 4) | (d2 >> 2));
        }
    }
}

} // namespace

int32_t initTables() noexcept {
    gInitialised.store(true, std::memory_order_release);
    return 0;
}

int32_t encodedLength(int32_t length) noexcept {
    if (length <= 0 || length > kMaxEncodable) {
        return 0;
    }
    return (length / 3 + (length % 3 != 0 ? 1 : 0)) * 4;
}

int32_t encode(Isa isa, const uint8_t* source, int32_t length, uint8_t* destination) noexcept {
    const int32_t result = encodedLength(length);
    if (result == 0) {
        return 0;
    }
    const bool ready = gInitialised.load(std::memory_order_acquire);
    const auto n = static_cast<std::size_t>(length);
    std::size_t done = 0;
#if ZEPHCORE_X86
    if (ready && isaAvailable(isa)) {
        if (isa == Isa::avx512) {
            done = simd::encodeAvx512(source, n / 3, destination);
        } else if (isa == Isa::avx2) {
            done = simd::encodeAvx2(source, n / 3, destination);
        }
    }
#else
    static_cast<void>(isa);
#endif
    encodeRest((ready ? kAlphabetTables : kEmptyTables).encode, source, n, done, destination);
    return result;
}

int32_t decode(Isa isa, const uint8_t* source, int32_t length, uint8_t* destination) noexcept {
    if (length <= 0) {
        return 0;
    }
    const bool ready = gInitialised.load(std::memory_order_acquire);
    const auto n = static_cast<std::size_t>(length);
    const Plan plan = planDecode(source, length);
    std::size_t done = 0;
#if ZEPHCORE_X86
    if (ready && isaAvailable(isa)) {
        // The kernels take only groups inside the source and below the result.
        const std::size_t whole =
            std::min({plan.groups, n / 4, static_cast<std::size_t>(plan.result) / 3});
        if (isa == Isa::avx512) {
            done = simd::decodeAvx512(source, whole, destination);
        } else if (isa == Isa::avx2) {
            done = simd::decodeAvx2(source, whole, destination);
        }
    }
#else
    static_cast<void>(isa);
#endif
    decodeRest((ready ? kAlphabetTables : kEmptyTables).decode, source, n, plan, done, destination);
    return plan.result;
}

} // namespace zephcore::base64
