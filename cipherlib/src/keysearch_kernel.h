// The lanes' key schedules, included by keysearch.cpp for every x86-64 and
// portable build, and by keysearch_bmi.cpp, compiled for processors with the
// bit-field instructions (BMI1) and ZEPHCORE_KERNEL_BMI defined, where the
// round is the written-out one of blowfish_kernel.h. Everything here has
// internal linkage, so each copy keeps the instructions it was compiled for.
#pragma once

#include "blowfish_kernel.h"
#include "blowfish_tables.h"
#include "keysearch.h"

#include <cstddef>
#include <cstring>
#include <utility>

// Every thread's lanes: kLanes schedules side by side in thread-local
// storage, defined in keysearch.cpp. Local-exec TLS puts them at an offset
// from the thread pointer that is fixed when the program is linked, so on
// x86-64 a lookup is one load from %fs with the offset, lane and box in its
// displacement and no base register: that register holds a half instead.
// (So the search links into programs, never into a shared library.)
// clang-format off
extern "C" {
alignas(64) extern __attribute__((visibility("hidden"), tls_model("local-exec")))
    __thread zephcore::keysearch::Lanes zephcoreSearchLanes;
}
// clang-format on

namespace zephcore::keysearch {
namespace {

template <size_t Lane>
constexpr size_t laneBoxes = blowfish::kBoxes + Lane * sizeof(Schedule);

template <size_t I, size_t Lane>
constexpr size_t laneP = blowfish::pOffset(I) + Lane * sizeof(Schedule);

#if defined(ZEPHCORE_KERNEL_BMI)
// blowfish::halfRound's written-out round, its loads addressed from the
// thread pointer: y ^ P ^ F(x) with the boxes at Offset and P at POffset
// bytes into the lanes. a comes by a shift, b by BEXTR, c as the second
// byte register (%ah and its like) of a copy of x in one of the four
// registers that have one, d by a byte move: nine ALU operations, five
// loads and a single constant, which leaves the registers for six lanes.
template <size_t Offset, size_t POffset>
[[gnu::always_inline]] inline uint32_t laneHalfRound(uint32_t x, uint32_t y) {
    uint32_t f;
    uint64_t index;
    asm("movl %k[x], %k[f]\n\t"
        "shrl $24, %k[f]\n\t"
        "bextr %k[b], %k[x], %k[i]\n\t"
        "movl %%fs:zephcoreSearchLanes@tpoff+%c[s0](,%q[f],4), %k[f]\n\t"
        "addl %%fs:zephcoreSearchLanes@tpoff+%c[s1](,%q[i],4), %k[f]\n\t"
        "movl %k[x], %k[i]\n\t"
        "movzbl %h[i], %k[i]\n\t"
        "xorl %%fs:zephcoreSearchLanes@tpoff+%c[s2](,%q[i],4), %k[f]\n\t"
        "movzbl %b[x], %k[i]\n\t"
        "addl %%fs:zephcoreSearchLanes@tpoff+%c[s3](,%q[i],4), %k[f]\n\t"
        "xorl %%fs:zephcoreSearchLanes@tpoff+%c[p], %k[y]\n\t"
        "xorl %k[f], %k[y]"
        : [f] "=&r"(f), [i] "=&Q"(index), [y] "+r"(y)
        : [x] "r"(x), [b] "r"(0x0810u), [s0] "i"(Offset), [s1] "i"(Offset + 1024),
          [s2] "i"(Offset + 2048), [s3] "i"(Offset + 3072), [p] "i"(POffset),
          "m"(zephcoreSearchLanes)
        : "cc");
    return y;
}
#endif

// Half a step in every lane: y ^= P[I] ^ F(x).
template <size_t I, size_t... Lane>
[[gnu::always_inline]] inline void halfRounds(const uint32_t (&x)[kLanes], uint32_t (&y)[kLanes],
                                              std::index_sequence<Lane...>) {
#if defined(ZEPHCORE_KERNEL_BMI)
    ((y[Lane] = laneHalfRound<laneBoxes<Lane>, laneP<I, Lane>>(x[Lane], y[Lane])), ...);
#else
    ((y[Lane] = blowfish::halfRound<laneBoxes<Lane>, laneP<I, Lane>>(zephcoreSearchLanes, x[Lane],
                                                                     y[Lane])),
     ...);
#endif
}

// One block through every lane, two rounds a step so that the halves never
// swap (all of it inlined, so that they stay in registers); Decrypt runs
// the P-array backwards. The P word of a round is XORed into the half before
// the lookups of its F are back, off the chain that is each round's latency.
template <bool Decrypt, size_t Round = 1>
[[gnu::always_inline]] inline void laneRounds(uint32_t (&l)[kLanes], uint32_t (&r)[kLanes]) {
    if constexpr (Round < 17) {
        constexpr auto lanes = std::make_index_sequence<kLanes>();
        halfRounds<Decrypt ? 17 - Round : Round>(l, r, lanes);
        halfRounds<Decrypt ? 16 - Round : Round + 1>(r, l, lanes);
        laneRounds<Decrypt, Round + 2>(l, r);
    }
}

template <bool Decrypt>
[[gnu::always_inline]] inline void cipherLanes(const Lanes& k, uint32_t (&l)[kLanes],
                                               uint32_t (&r)[kLanes]) {
    for (size_t j = 0; j < kLanes; ++j) {
        l[j] ^= k[j].p[Decrypt ? 17 : 0];
    }
    laneRounds<Decrypt>(l, r);
    for (size_t j = 0; j < kLanes; ++j) {
        const uint32_t t = l[j];
        l[j] = r[j] ^ k[j].p[Decrypt ? 0 : 17];
        r[j] = t;
    }
}

// One block deciphered under every lane of this thread at once.
inline void decipherEveryLane(const uint8_t* in, uint8_t (&out)[kLanes][8]) {
    uint32_t l[kLanes];
    uint32_t r[kLanes];
    for (size_t j = 0; j < kLanes; ++j) {
        l[j] = blowfish::loadBigEndian(in);
        r[j] = blowfish::loadBigEndian(in + 4);
    }
    cipherLanes<true>(zephcoreSearchLanes, l, r);
    for (size_t j = 0; j < kLanes; ++j) {
        blowfish::storeBigEndian(out[j], l[j]);
        blowfish::storeBigEndian(out[j] + 4, r[j]);
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

// Initialize's steps, in every lane of this thread at once: the initial
// tables, the key into P, then 521 blocks enciphered from zero, each written
// over the next two words of P and the S-boxes.
inline void scheduleLanes(const Key* keys, size_t count) {
    Lanes& out = zephcoreSearchLanes;
    for (size_t j = 0; j < kLanes; ++j) {
        std::memcpy(out[j].p, blowfish::kInitialP, sizeof out[j].p);
        std::memcpy(out[j].s, blowfish::kInitialS, sizeof out[j].s);
        keyP(keys[j < count ? j : 0], out[j].p);
    }
    uint32_t l[kLanes] = {};
    uint32_t r[kLanes] = {};
    for (size_t i = 0; i < 18; i += 2) {
        cipherLanes<false>(out, l, r);
        for (size_t j = 0; j < kLanes; ++j) {
            out[j].p[i] = l[j];
            out[j].p[i + 1] = r[j];
        }
    }
    for (size_t box = 0; box < 4; ++box) {
        for (size_t i = 0; i < 256; i += 2) {
            cipherLanes<false>(out, l, r);
            for (size_t j = 0; j < kLanes; ++j) {
                out[j].s[box][i] = l[j];
                out[j].s[box][i + 1] = r[j];
            }
        }
    }
}

} // namespace
} // namespace zephcore::keysearch
