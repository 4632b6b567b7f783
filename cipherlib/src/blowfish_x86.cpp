// The AVX2 path of the Blowfish engine: eight blocks to a vector, four vectors
// at a time, every S-box lookup a gather. Same rounds, same bytes as the
// portable loop; chosen at run time only where the processor has AVX2 and the
// gathers prove faster (see blowfish.cpp). Like the portable code, the lookups
// are not constant-time.
#include "blowfish_impl.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include <immintrin.h>

namespace zephcore::blowfish::detail {
namespace {

constexpr int kVectors = 4; // of 8 blocks each: kGatherBlocks

#define ZEPHCORE_AVX2 __attribute__((target("avx2")))

ZEPHCORE_AVX2 inline __m256i roundF(const Schedule& k, __m256i x) {
    const __m256i low = _mm256_set1_epi32(0xFF);
    const auto* s = reinterpret_cast<const int*>(k.s);
    const __m256i a = _mm256_srli_epi32(x, 24);
    const __m256i b = _mm256_and_si256(_mm256_srli_epi32(x, 16), low);
    const __m256i c = _mm256_and_si256(_mm256_srli_epi32(x, 8), low);
    const __m256i d = _mm256_and_si256(x, low);
    const __m256i sa = _mm256_i32gather_epi32(s, a, 4);
    const __m256i sb = _mm256_i32gather_epi32(s + 256, b, 4);
    const __m256i sc = _mm256_i32gather_epi32(s + 512, c, 4);
    const __m256i sd = _mm256_i32gather_epi32(s + 768, d, 4);
    return _mm256_add_epi32(_mm256_xor_si256(_mm256_add_epi32(sa, sb), sc), sd);
}

// Big-endian words of 8 blocks into a vector of left halves and one of right
// halves (blocks in the order 0 1 4 5 2 3 6 7, undone by storeBlocks).
ZEPHCORE_AVX2 inline void loadBlocks(const uint8_t* in, __m256i& l, __m256i& r) {
    const __m256i swap = _mm256_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12, 3,
                                          2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
    const __m256 a = _mm256_castsi256_ps(
        _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in)), swap));
    const __m256 b = _mm256_castsi256_ps(
        _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 32)), swap));
    l = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    r = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
}

ZEPHCORE_AVX2 inline void storeBlocks(uint8_t* out, __m256i l, __m256i r) {
    const __m256i swap = _mm256_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12, 3,
                                          2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_shuffle_epi8(_mm256_unpacklo_epi32(l, r), swap));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32),
                        _mm256_shuffle_epi8(_mm256_unpackhi_epi32(l, r), swap));
}

template <bool Decrypt>
ZEPHCORE_AVX2 void run(const Schedule& k, uint8_t* data, size_t groups) {
    for (size_t g = 0; g < groups; ++g) {
        uint8_t* block = data + g * kGatherBlocks * 8;
        __m256i l[kVectors];
        __m256i r[kVectors];
        for (int v = 0; v < kVectors; ++v) {
            loadBlocks(block + 64 * v, l[v], r[v]);
        }
        for (int i = 0; i < 16; i += 2) {
            const __m256i p0 = _mm256_set1_epi32(static_cast<int>(Decrypt ? k.p[17 - i] : k.p[i]));
            const __m256i p1 =
                _mm256_set1_epi32(static_cast<int>(Decrypt ? k.p[16 - i] : k.p[i + 1]));
            for (int v = 0; v < kVectors; ++v) {
                l[v] = _mm256_xor_si256(l[v], p0);
                r[v] = _mm256_xor_si256(r[v], roundF(k, l[v]));
            }
            for (int v = 0; v < kVectors; ++v) {
                r[v] = _mm256_xor_si256(r[v], p1);
                l[v] = _mm256_xor_si256(l[v], roundF(k, r[v]));
            }
        }
        const __m256i last0 = _mm256_set1_epi32(static_cast<int>(Decrypt ? k.p[1] : k.p[16]));
        const __m256i last1 = _mm256_set1_epi32(static_cast<int>(Decrypt ? k.p[0] : k.p[17]));
        for (int v = 0; v < kVectors; ++v) {
            storeBlocks(block + 64 * v, _mm256_xor_si256(r[v], last1),
                        _mm256_xor_si256(l[v], last0));
        }
    }
}

} // namespace

bool gatherAvailable() noexcept {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

size_t cipherGather(const Schedule& k, uint8_t* data, size_t blocks, bool decrypt) noexcept {
    const size_t groups = blocks / kGatherBlocks;
    if (decrypt) {
        run<true>(k, data, groups);
    } else {
        run<false>(k, data, groups);
    }
    return groups * kGatherBlocks;
}

} // namespace zephcore::blowfish::detail

#else

namespace zephcore::blowfish::detail {

bool gatherAvailable() noexcept {
    return false;
}

size_t cipherGather(const Schedule&, uint8_t*, size_t, bool) noexcept {
    return 0;
}

} // namespace zephcore::blowfish::detail

#endif
