// The lanes' key schedules, included by keysearch.cpp for every x86-64 and
// portable build, and by keysearch_bmi.cpp, compiled for processors with the
// bit-field instructions (BMI1), where a byte of a word is one instruction
// away instead of two. Everything here has internal linkage, so each copy
// keeps the instructions it was compiled for.
#pragma once

#include "blowfish_tables.h"
#include "keysearch.h"

#include <cstddef>
#include <cstring>
#include <utility>

namespace zephcore::keysearch {
namespace {

// The lanes' tables sit side by side in one array, so that every lookup is
// one load from a single base register with the lane and box in its
// displacement, and the halves of all lanes stay in registers.
template <size_t N, size_t Lane>
inline uint32_t laneRoundF(const Schedule (&k)[N], uint32_t x) {
#if defined(ZEPHCORE_KEYSEARCH_BMI)
    // Written out, so that the four bytes cost four instructions and the
    // eight registers of the halves stay free: a by a shift, b and c by
    // BEXTR, d by a byte move; each lookup folded into its operation.
    constexpr size_t kS = offsetof(Schedule, s) + Lane * sizeof(Schedule);
    uint32_t f;
    uint64_t index;
    asm("movl %k[x], %k[f]\n\t"
        "shrl $24, %k[f]\n\t"
        "bextr %k[b], %k[x], %k[i]\n\t"
        "movl %c[s0](%[k],%q[f],4), %k[f]\n\t"
        "addl %c[s1](%[k],%q[i],4), %k[f]\n\t"
        "bextr %k[c], %k[x], %k[i]\n\t"
        "xorl %c[s2](%[k],%q[i],4), %k[f]\n\t"
        "movzbl %b[x], %k[i]\n\t"
        "addl %c[s3](%[k],%q[i],4), %k[f]"
        : [f] "=&r"(f), [i] "=&r"(index)
        : [x] "r"(x), [k] "r"(&k[0]), [b] "r"(0x0810u), [c] "r"(0x0808u),
          [s0] "i"(kS), [s1] "i"(kS + 1024), [s2] "i"(kS + 2048), [s3] "i"(kS + 3072),
          "m"(k)
        : "cc");
    return f;
#else
    const auto a = static_cast<size_t>(x >> 24);
    const auto b = static_cast<size_t>((x >> 16) & 0xFF);
    const auto c = static_cast<size_t>((x >> 8) & 0xFF);
    const auto d = static_cast<size_t>(x & 0xFF);
    const uint32_t(*s)[256] = k[Lane].s;
    return ((s[0][a] + s[1][b]) ^ s[2][c]) + s[3][d];
#endif
}

// Half a step in every lane: y ^= P[i] ^ F(x).
template <size_t N, size_t... Lane>
inline void halfRound(const Schedule (&k)[N], const uint32_t (&x)[N], uint32_t (&y)[N], size_t i,
                      std::index_sequence<Lane...>) {
    ((y[Lane] = (y[Lane] ^ k[Lane].p[i]) ^ laneRoundF<N, Lane>(k, x[Lane])), ...);
}

// One block enciphered in every lane, two rounds a step so that the halves
// never swap. The P word of a round is XORed into the half before the
// lookups of its F are back, off the chain that is each round's latency.
template <size_t N>
inline void encipherLanes(const Schedule (&k)[N], uint32_t (&l)[N], uint32_t (&r)[N]) {
    constexpr auto lanes = std::make_index_sequence<N>();
    for (size_t j = 0; j < N; ++j) {
        l[j] ^= k[j].p[0];
    }
#pragma GCC unroll 8
    for (size_t i = 0; i < 16; i += 2) {
        halfRound(k, l, r, i + 1, lanes);
        halfRound(k, r, l, i + 2, lanes);
    }
    for (size_t j = 0; j < N; ++j) {
        const uint32_t t = l[j];
        l[j] = r[j] ^ k[j].p[17];
        r[j] = t;
    }
}

// The key's bytes XORed into P as Initialize does it: cyclically, four to a
// word, each byte sign-extended, so that a byte of 0x80 or more sets every
// bit above its own eight.
inline void keyP(const Key& key, uint32_t (&p)[18]) {
    size_t j = 0;
    for (uint32_t& word : p) {
        uint32_t w = 0;
        for (int b = 0; b < 4; ++b) {
            w = (w << 8) |
                static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(key.bytes[j])));
            if (++j >= key.length) {
                j = 0;
            }
        }
        word ^= w;
    }
}

// Initialize's steps, in every lane at once: the initial tables, the key into
// P, then 521 blocks enciphered from zero, each written over the next two
// words of P and the S-boxes.
inline void scheduleLanes(const Key* keys, size_t count, Schedule (&out)[kLanes]) {
    for (size_t j = 0; j < kLanes; ++j) {
        std::memcpy(out[j].p, blowfish::kInitialP, sizeof out[j].p);
        std::memcpy(out[j].s, blowfish::kInitialS, sizeof out[j].s);
        keyP(keys[j < count ? j : 0], out[j].p);
    }
    uint32_t l[kLanes] = {};
    uint32_t r[kLanes] = {};
    for (size_t i = 0; i < 18; i += 2) {
        encipherLanes(out, l, r);
        for (size_t j = 0; j < kLanes; ++j) {
            out[j].p[i] = l[j];
            out[j].p[i + 1] = r[j];
        }
    }
    for (size_t box = 0; box < 4; ++box) {
        for (size_t i = 0; i < 256; i += 2) {
            encipherLanes(out, l, r);
            for (size_t j = 0; j < kLanes; ++j) {
                out[j].s[box][i] = l[j];
                out[j].s[box][i + 1] = r[j];
            }
        }
    }
}

} // namespace
} // namespace zephcore::keysearch
