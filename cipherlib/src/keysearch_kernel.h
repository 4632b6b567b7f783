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

namespace zephcore::keysearch {
namespace {

// The lanes' tables sit side by side in one array, so that every lookup is
// one load from a single base register with the lane and box in its
// displacement, and the halves of all lanes stay in registers. Half a step
// in every lane: y ^= P[Round] ^ F(x).
template <size_t Round, size_t N, size_t... Lane>
inline void halfRounds(const Schedule (&k)[N], const uint32_t (&x)[N], uint32_t (&y)[N],
                       std::index_sequence<Lane...>) {
    ((y[Lane] = blowfish::halfRound<blowfish::kBoxes + Lane * sizeof(Schedule),
                                    blowfish::pOffset(Round) + Lane * sizeof(Schedule)>(
          k, x[Lane], y[Lane])),
     ...);
}

// One block enciphered in every lane, two rounds a step so that the halves
// never swap. The P word of a round is XORed into the half before the
// lookups of its F are back, off the chain that is each round's latency.
template <size_t N, size_t Round = 1>
inline void laneRounds(const Schedule (&k)[N], uint32_t (&l)[N], uint32_t (&r)[N]) {
    if constexpr (Round < 17) {
        constexpr auto lanes = std::make_index_sequence<N>();
        halfRounds<Round>(k, l, r, lanes);
        halfRounds<Round + 1>(k, r, l, lanes);
        laneRounds<N, Round + 2>(k, l, r);
    }
}

template <size_t N>
inline void encipherLanes(const Schedule (&k)[N], uint32_t (&l)[N], uint32_t (&r)[N]) {
    for (size_t j = 0; j < N; ++j) {
        l[j] ^= k[j].p[0];
    }
    laneRounds(k, l, r);
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
