// Base64 codec: standard alphabet with "=" padding on the way out, a lenient
// decoder on the way in.
//
// The two tables are process-wide and zero until InitB64 fills them; used
// before that, the encoder writes NUL in place of every alphabet character
// (the "=" padding is still written) and the decoder reads every character as
// 0. The vector paths do not consult the tables, so they are only taken once
// the tables are filled, and the scalar table path serves until then.
#include "base64.h"

#include "base64_simd.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace zephcore::base64 {

namespace {

// Zero at load; written only by initTables, always with the same values.
uint8_t B64EncodeTable[64];
uint8_t B64DecodeTable[256];

// Set once the tables hold the alphabet, which is what the vector kernels
// assume.
std::atomic<bool> gTablesFilled{false};

// The largest length whose encoding, 4 * ceil(length / 3), fits an int32_t.
constexpr int32_t kMaxEncodable = 1610612733;

// --- encoder ---------------------------------------------------------------

inline void encodeGroup(const uint8_t* in, uint8_t* out) noexcept {
    const uint32_t p = in[0];
    const uint32_t q = in[1];
    const uint32_t t = in[2];
    out[0] = B64EncodeTable[p >> 2];
    out[1] = B64EncodeTable[((p & 3) << 4) | (q >> 4)];
    out[2] = B64EncodeTable[((q & 15) << 2) | (t >> 6)];
    out[3] = B64EncodeTable[t & 63];
}

// Encodes groups [from, groups) and the 1- or 2-byte tail.
void encodeRest(const uint8_t* source, std::size_t length, std::size_t from,
                uint8_t* destination) noexcept {
    const std::size_t groups = length / 3;
    for (std::size_t k = from; k < groups; ++k) {
        encodeGroup(source + 3 * k, destination + 4 * k);
    }
    const uint8_t* in = source + 3 * groups;
    uint8_t* out = destination + 4 * groups;
    switch (length % 3) {
    case 1: {
        const uint32_t p = in[0];
        out[0] = B64EncodeTable[p >> 2];
        out[1] = B64EncodeTable[(p & 3) << 4];
        out[2] = '=';
        out[3] = '=';
        break;
    }
    case 2: {
        const uint32_t p = in[0];
        const uint32_t q = in[1];
        out[0] = B64EncodeTable[p >> 2];
        out[1] = B64EncodeTable[((p & 3) << 4) | (q >> 4)];
        out[2] = B64EncodeTable[(q & 15) << 2];
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
void decodeRest(const uint8_t* source, std::size_t n, const Plan& plan, std::size_t from,
                uint8_t* destination) noexcept {
    const auto result = static_cast<std::size_t>(plan.result);
    const std::size_t whole = std::min({plan.groups, n / 4, result / 3});
    std::size_t k = from;
    for (; k < whole; ++k) {
        const uint8_t* in = source + 4 * k;
        const uint32_t d0 = B64DecodeTable[in[0]];
        const uint32_t d1 = B64DecodeTable[in[1]];
        const uint32_t d2 = B64DecodeTable[in[2]];
        const uint32_t d3 = B64DecodeTable[in[3]];
        uint8_t* out = destination + 3 * k;
        out[0] = static_cast<uint8_t>((d0 << 2) | (d1 >> 4));
        out[1] = static_cast<uint8_t>(((d1 & 15) << 4) | (d2 >> 2));
        out[2] = static_cast<uint8_t>(((d2 & 3) << 6) | d3);
    }
    auto value = [&](std::size_t i) -> uint32_t { return i < n ? B64DecodeTable[source[i]] : 0; };
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
        const uint32_t d0 = B64DecodeTable[in[0]];
        const uint32_t d1 = B64DecodeTable[in[1]];
        const std::size_t o = plan.finalOut;
        if (o < result) {
            destination[o] = static_cast<uint8_t>((d0 << 2) | (d1 >> 4));
        }
        if (plan.finalBytes == 2 && o + 1 < result) {
            const uint32_t d2 = B64DecodeTable[in[2]];
            destination[o + 1] = static_cast<uint8_t>(((d1 & 15) << 4) | (d2 >> 2));
        }
    }
}

// --- dispatch ----------------------------------------------------------------

bool cpuAvx2() noexcept {
#if ZEPHCORE_B64_X86
    static const bool has = simd::cpuHasAvx2();
    return has;
#else
    return false;
#endif
}

bool cpuAvx512() noexcept {
#if ZEPHCORE_B64_X86
    static const bool has = simd::cpuHasAvx512Vbmi();
    return has;
#else
    return false;
#endif
}

// The vector path actually taken for `path` right now: scalar until the
// tables are filled, and never a path the CPU lacks.
[[maybe_unused]] Path effective(Path path) noexcept {
    if (!gTablesFilled.load(std::memory_order_acquire)) {
        return Path::scalar;
    }
    if (path == Path::avx512 && !cpuAvx512()) {
        path = Path::avx2;
    }
    if (path == Path::avx2 && !cpuAvx2()) {
        path = Path::scalar;
    }
    return path;
}

} // namespace

int32_t initTables() noexcept {
    for (int code = 'A'; code <= 'Z'; ++code) {
        B64EncodeTable[code - 65] = static_cast<uint8_t>(code);
        B64DecodeTable[code] = static_cast<uint8_t>(code - 65);
    }
    for (int code = 'a'; code <= 'z'; ++code) {
        B64EncodeTable[code - 71] = static_cast<uint8_t>(code);
        B64DecodeTable[code] = static_cast<uint8_t>(code - 71);
    }
    for (int code = '0'; code <= '9'; ++code) {
        B64EncodeTable[code + 4] = static_cast<uint8_t>(code);
        B64DecodeTable[code] = static_cast<uint8_t>(code + 4);
    }
    B64EncodeTable[62] = '+';
    B64DecodeTable[static_cast<uint8_t>('+')] = 62;
    B64EncodeTable[63] = '/';
    B64DecodeTable[static_cast<uint8_t>('/')] = 63;
    gTablesFilled.store(true, std::memory_order_release);
    return 0;
}

int32_t encodedLength(int32_t length) noexcept {
    if (length <= 0 || length > kMaxEncodable) {
        return 0;
    }
    return (length / 3 + (length % 3 != 0 ? 1 : 0)) * 4;
}

Path choosePath(const char* request, bool hasAvx2, bool hasAvx512) noexcept {
    Path cap = Path::avx512;
    if (request != nullptr) {
        if (std::strcmp(request, "scalar") == 0) {
            cap = Path::scalar;
        } else if (std::strcmp(request, "avx2") == 0) {
            cap = Path::avx2;
        }
    }
    if (cap == Path::avx512 && hasAvx512) {
        return Path::avx512;
    }
    if (cap != Path::scalar && hasAvx2) {
        return Path::avx2;
    }
    return Path::scalar;
}

Path activePath() noexcept {
    static const Path path = choosePath(std::getenv("ZEPHCORE_SIMD"), cpuAvx2(), cpuAvx512());
    return path;
}

bool pathAvailable(Path path) noexcept {
    switch (path) {
    case Path::scalar:
        return true;
    case Path::avx2:
        return cpuAvx2();
    case Path::avx512:
        return cpuAvx512();
    }
    return false;
}

const char* pathName(Path path) noexcept {
    switch (path) {
    case Path::scalar:
        return "scalar";
    case Path::avx2:
        return "avx2";
    case Path::avx512:
        return "avx512";
    }
    return "?";
}

int32_t encodeWith(Path path, const uint8_t* source, int32_t length,
                   uint8_t* destination) noexcept {
    const int32_t result = encodedLength(length);
    if (result == 0) {
        return 0;
    }
    const auto n = static_cast<std::size_t>(length);
    std::size_t done = 0;
#if ZEPHCORE_B64_X86
    switch (effective(path)) {
    case Path::avx512:
        done = simd::encodeAvx512(source, n / 3, destination);
        break;
    case Path::avx2:
        done = simd::encodeAvx2(source, n / 3, destination);
        break;
    case Path::scalar:
        break;
    }
#else
    (void)path;
#endif
    encodeRest(source, n, done, destination);
    return result;
}

int32_t decodeWith(Path path, const uint8_t* source, int32_t length,
                   uint8_t* destination) noexcept {
    if (length <= 0) {
        return 0;
    }
    const auto n = static_cast<std::size_t>(length);
    const Plan plan = planDecode(source, length);
    std::size_t done = 0;
#if ZEPHCORE_B64_X86
    // The kernels take only groups inside the source and below the result.
    const std::size_t whole =
        std::min({plan.groups, n / 4, static_cast<std::size_t>(plan.result) / 3});
    switch (effective(path)) {
    case Path::avx512:
        done = simd::decodeAvx512(source, whole, destination);
        break;
    case Path::avx2:
        done = simd::decodeAvx2(source, whole, destination);
        break;
    case Path::scalar:
        break;
    }
#else
    (void)path;
#endif
    decodeRest(source, n, plan, done, destination);
    return plan.result;
}

int32_t encode(const uint8_t* source, int32_t length, uint8_t* destination) noexcept {
    return encodeWith(activePath(), source, length, destination);
}

int32_t decode(const uint8_t* source, int32_t length, uint8_t* destination) noexcept {
    return decodeWith(activePath(), source, length, destination);
}

} // namespace zephcore::base64
