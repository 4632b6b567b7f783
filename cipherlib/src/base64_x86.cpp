// AVX2 and AVX-512 VBMI kernels of the Base64 codec. They are compiled with
// per-function target attributes and only called after a run-time CPU check,
// so the library still runs on any x86-64 (see dispatch.h).
//
// Encoding spreads every 3 source bytes p, q, t into a 32-bit lane holding
// q, p, t, q (low byte first); the four 6-bit indices then sit at fixed bit
// positions of that lane (p >> 2 at bit 10, the next at 4, 22 and 16).
// Decoding maps characters to 6-bit values (0 for anything outside the
// alphabet, as the table does), then merges each four values into 24 bits
// with two multiply-adds and gathers the three bytes.
#include "base64_simd.h"

#if ZEPHCORE_X86

// GCC 12 warns that the undefined pass-through operand inside its own
// unmasked AVX-512 intrinsics "may be used uninitialized"; it is never read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <array>
#include <immintrin.h>

#define ZEPH_TARGET_AVX2 __attribute__((target("avx2")))
#define ZEPH_TARGET_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi")))

namespace zephcore::base64::simd {

namespace {

// Character -> 6-bit value for the codes below 0x80; 0 outside the alphabet.
constexpr std::array<uint8_t, 128> makeAsciiValues() {
    std::array<uint8_t, 128> values{};
    for (int v = 0; v < 64; ++v) {
        values[static_cast<uint8_t>(kAlphabet[v])] = static_cast<uint8_t>(v);
    }
    return values;
}
alignas(64) constexpr std::array<uint8_t, 128> kAsciiValues = makeAsciiValues();

// --- AVX2 ----------------------------------------------------------------------

// 12 source bytes at the bottom of each 128-bit lane -> 16 alphabet indices.
ZEPH_TARGET_AVX2 inline __m256i avx2Indices(__m256i in) {
    const __m256i spread = _mm256_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10, //
                                            1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
    in = _mm256_shuffle_epi8(in, spread);
    // Low 16 bits of a lane: p.q big-endian, indices 0 (bits 10-15) and 1 (bits 4-9);
    // high 16 bits: q.t, indices 2 (bits 6-11) and 3 (bits 0-5).
    const __m256i hiParts = _mm256_mulhi_epu16(_mm256_and_si256(in, _mm256_set1_epi32(0x0fc0fc00)),
                                               _mm256_set1_epi32(0x04000040));
    const __m256i loParts = _mm256_mullo_epi16(_mm256_and_si256(in, _mm256_set1_epi32(0x003f03f0)),
                                               _mm256_set1_epi32(0x01000010));
    return _mm256_or_si256(hiParts, loParts);
}

// Indices 0-63 -> characters: 0-25 add 65, 26-51 add 71, 52-61 subtract 4,
// 62 subtracts 19 and 63 subtracts 16. The offset is picked by a saturating
// subtraction of 51 (0 for 0-51, 1-10 for the digits, 11 and 12 for + and /)
// with 13 forced for the capitals.
ZEPH_TARGET_AVX2 inline __m256i avx2Characters(__m256i indices) {
    const __m256i offsets =
        _mm256_setr_epi8(71, -4, -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 65, 0, 0, //
                         71, -4, -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 65, 0, 0);
    __m256i pick = _mm256_subs_epu8(indices, _mm256_set1_epi8(51));
    const __m256i capitals = _mm256_cmpgt_epi8(_mm256_set1_epi8(26), indices);
    pick = _mm256_or_si256(pick, _mm256_and_si256(capitals, _mm256_set1_epi8(13)));
    return _mm256_add_epi8(indices, _mm256_shuffle_epi8(offsets, pick));
}

// 32 characters -> 32 values, 0 for anything outside the alphabet. A
// character is valid when the class bit of its high nibble is clear in the
// "invalid for" set of its low nibble; high nibbles 0, 1 and 8-15 are in a
// class every low nibble rejects.
ZEPH_TARGET_AVX2 inline __m256i avx2Values(__m256i in) {
    const __m256i invalidFor = _mm256_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                                0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B,
                                                0x1A, //
                                                0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                                0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
    const __m256i classOf = _mm256_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10,
                                             0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, //
                                             0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10,
                                             0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
    // Added to the character, by high nibble; slot 1 serves "/" (high nibble
    // 2 minus 1), slot 2 serves "+".
    const __m256i shift =
        _mm256_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0,
                         0, //
                         0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i nibble = _mm256_set1_epi8(0x0f);
    const __m256i hi = _mm256_and_si256(_mm256_srli_epi32(in, 4), nibble);
    const __m256i lo = _mm256_and_si256(in, nibble);
    const __m256i bad =
        _mm256_and_si256(_mm256_shuffle_epi8(invalidFor, lo), _mm256_shuffle_epi8(classOf, hi));
    const __m256i valid = _mm256_cmpeq_epi8(bad, _mm256_setzero_si256());
    const __m256i slash = _mm256_cmpeq_epi8(in, _mm256_set1_epi8('/'));
    const __m256i roll = _mm256_shuffle_epi8(shift, _mm256_add_epi8(hi, slash));
    return _mm256_and_si256(_mm256_add_epi8(in, roll), valid);
}

// 32 values -> 24 bytes at the bottom of the register.
ZEPH_TARGET_AVX2 inline __m256i avx2Pack(__m256i values) {
    __m256i merged = _mm256_maddubs_epi16(values, _mm256_set1_epi32(0x01400140));
    merged = _mm256_madd_epi16(merged, _mm256_set1_epi32(0x00011000));
    const __m256i order = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,
                                           2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    merged = _mm256_shuffle_epi8(merged, order);
    return _mm256_permutevar8x32_epi32(merged, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
}

ZEPH_TARGET_AVX2 inline __m256i avx2LoadEncodeInput(const uint8_t* in) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 12));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
}

// --- AVX-512 VBMI ----------------------------------------------------------------

// vpermb index taking 48 source bytes to 16 lanes of q, p, t, q.
ZEPH_TARGET_AVX512 inline __m512i avx512Spread() {
    alignas(64) uint8_t index[64];
    for (int j = 0; j < 16; ++j) {
        index[4 * j] = static_cast<uint8_t>(3 * j + 1);
        index[4 * j + 1] = static_cast<uint8_t>(3 * j);
        index[4 * j + 2] = static_cast<uint8_t>(3 * j + 2);
        index[4 * j + 3] = static_cast<uint8_t>(3 * j + 1);
    }
    return _mm512_load_si512(index);
}

// vpermb index gathering the three bytes of each merged 32-bit lane.
ZEPH_TARGET_AVX512 inline __m512i avx512Gather() {
    alignas(64) uint8_t index[64] = {};
    for (int j = 0; j < 16; ++j) {
        index[3 * j] = static_cast<uint8_t>(4 * j + 2);
        index[3 * j + 1] = static_cast<uint8_t>(4 * j + 1);
        index[3 * j + 2] = static_cast<uint8_t>(4 * j);
    }
    return _mm512_load_si512(index);
}

ZEPH_TARGET_AVX512 inline __m512i avx512EncodeBlock(__m512i in, __m512i spread, __m512i shifts,
                                                    __m512i alphabet) {
    in = _mm512_permutexvar_epi8(spread, in);
    // Each output byte takes 8 bits from its lane at the index's bit position;
    // vpermb looks at the low 6 of them only.
    const __m512i indices = _mm512_multishift_epi64_epi8(shifts, in);
    return _mm512_permutexvar_epi8(indices, alphabet);
}

ZEPH_TARGET_AVX512 inline __m512i avx512DecodeBlock(__m512i in, __m512i lower, __m512i upper,
                                                    __m512i gather) {
    // Codes of 0x80 and above are zeroed; the rest look up their value in the
    // 128-entry table held by the two registers.
    const __mmask64 ascii = ~_mm512_movepi8_mask(in);
    const __m512i values = _mm512_maskz_permutex2var_epi8(ascii, lower, in, upper);
    __m512i merged = _mm512_maddubs_epi16(values, _mm512_set1_epi32(0x01400140));
    merged = _mm512_madd_epi16(merged, _mm512_set1_epi32(0x00011000));
    return _mm512_permutexvar_epi8(gather, merged);
}

} // namespace

ZEPH_TARGET_AVX2 std::size_t encodeAvx2(const uint8_t* source, std::size_t groups,
                                        uint8_t* destination) noexcept {
    std::size_t k = 0;
    // A step reads 28 bytes (16 at +0, 16 at +12) and uses 24 of them.
    while (groups - k >= 20) {
        const __m256i a = avx2LoadEncodeInput(source + 3 * k);
        const __m256i b = avx2LoadEncodeInput(source + 3 * k + 24);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + 4 * k),
                            avx2Characters(avx2Indices(a)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + 4 * k + 32),
                            avx2Characters(avx2Indices(b)));
        k += 16;
    }
    while (groups - k >= 10) {
        const __m256i a = avx2LoadEncodeInput(source + 3 * k);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + 4 * k),
                            avx2Characters(avx2Indices(a)));
        k += 8;
    }
    return k;
}

ZEPH_TARGET_AVX2 std::size_t decodeAvx2(const uint8_t* source, std::size_t groups,
                                        uint8_t* destination) noexcept {
    std::size_t k = 0;
    // A step reads 32 characters and stores 32 bytes, of which 24 are output;
    // the other 8 are overwritten by the next step or lie below the end of
    // the groups' output, so at least 11 groups must remain.
    while (groups - k >= 19) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + 4 * k));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + 4 * k + 32));
        const __m256i pa = avx2Pack(avx2Values(a));
        const __m256i pb = avx2Pack(avx2Values(b));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + 3 * k), pa);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + 3 * k + 24), pb);
        k += 16;
    }
    while (groups - k >= 11) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + 4 * k));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + 3 * k),
                            avx2Pack(avx2Values(a)));
        k += 8;
    }
    return k;
}

ZEPH_TARGET_AVX512 std::size_t encodeAvx512(const uint8_t* source, std::size_t groups,
                                            uint8_t* destination) noexcept {
    const __m512i spread = avx512Spread();
    // Bit positions of the four indices in each 32-bit lane, for both lanes of
    // a 64-bit word: 10, 4, 22, 16 and 42, 36, 54, 48.
    const __m512i shifts = _mm512_set1_epi64(0x3036242A1016040ALL);
    const __m512i alphabet = _mm512_loadu_si512(kAlphabet);
    constexpr __mmask64 kInput = 0x0000FFFFFFFFFFFFULL; // 48 bytes
    std::size_t k = 0;
    // Full 64-byte loads while 64 bytes remain; 48 of them are used.
    while (groups - k >= 38) {
        const __m512i a = _mm512_loadu_si512(source + 3 * k);
        const __m512i b = _mm512_loadu_si512(source + 3 * k + 48);
        _mm512_storeu_si512(destination + 4 * k, avx512EncodeBlock(a, spread, shifts, alphabet));
        _mm512_storeu_si512(destination + 4 * k + 64,
                            avx512EncodeBlock(b, spread, shifts, alphabet));
        k += 32;
    }
    while (groups - k >= 16) {
        const __m512i a = _mm512_maskz_loadu_epi8(kInput, source + 3 * k);
        _mm512_storeu_si512(destination + 4 * k, avx512EncodeBlock(a, spread, shifts, alphabet));
        k += 16;
    }
    return k;
}

ZEPH_TARGET_AVX512 std::size_t decodeAvx512(const uint8_t* source, std::size_t groups,
                                            uint8_t* destination) noexcept {
    const __m512i lower = _mm512_load_si512(kAsciiValues.data());
    const __m512i upper = _mm512_load_si512(kAsciiValues.data() + 64);
    const __m512i gather = avx512Gather();
    constexpr __mmask64 kOutput = 0x0000FFFFFFFFFFFFULL; // 48 bytes
    std::size_t k = 0;
    // Full 64-byte stores while they stay inside the groups' output (22
    // groups); both blocks are loaded before either is stored, which keeps
    // decoding in place correct.
    while (groups - k >= 38) {
        const __m512i a = _mm512_loadu_si512(source + 4 * k);
        const __m512i b = _mm512_loadu_si512(source + 4 * k + 64);
        const __m512i pa = avx512DecodeBlock(a, lower, upper, gather);
        const __m512i pb = avx512DecodeBlock(b, lower, upper, gather);
        _mm512_storeu_si512(destination + 3 * k, pa);
        _mm512_storeu_si512(destination + 3 * k + 48, pb);
        k += 32;
    }
    while (groups - k >= 16) {
        const __m512i a = _mm512_loadu_si512(source + 4 * k);
        _mm512_mask_storeu_epi8(destination + 3 * k, kOutput,
                                avx512DecodeBlock(a, lower, upper, gather));
        k += 16;
    }
    return k;
}

} // namespace zephcore::base64::simd

#endif // ZEPHCORE_X86
