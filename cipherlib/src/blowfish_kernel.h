// The Blowfish round and the bulk ECB loop, included by blowfish.cpp (the
// portable code) and by blowfish_bmi.cpp, compiled for processors with the
// bit-field instructions (BMI1) and ZEPHCORE_KERNEL_BMI defined, where a byte
// of a word is one instruction away instead of two. The key search's lanes
// use a variant of the round, addressed from the thread pointer
// (keysearch_kernel.h).
// Everything here has internal linkage, so each copy keeps the instructions
// it was compiled for.
#pragma once

#include "blowfish.h"
#include "zephcore.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zephcore::blowfish {
namespace {

// y ^ P ^ F(x), F(x) = ((S0[a] + S1[b]) ^ S2[c]) + S3[d] with a the high byte
// of x, the four boxes side by side at Offset bytes into `tables` and P the
// word at POffset. Fixed offsets from one base make every lookup one load
// with the box in its displacement, whether the base holds one schedule or
// many.
template <size_t Offset, size_t POffset, typename Tables>
inline uint32_t halfRound(const Tables& tables, uint32_t x, uint32_t y) {
    static_assert(Offset + 4096 <= sizeof(Tables) && POffset + 4 <= sizeof(Tables));
#if defined(ZEPHCORE_KERNEL_BMI)
    // Written out, so that the four bytes cost four instructions and the
    // registers of the halves stay free: a by a shift, b and c by BEXTR, d by
    // a byte move; each lookup and the P word folded into their operations.
    // Nine ALU operations and five loads.
    uint32_t f;
    uint64_t index;
    asm("movl %k[x], %k[f]\n\t"
        "shrl $24, %k[f]\n\t"
        "bextr %k[b], %k[x], %k[i]\n\t"
        "movl %c[s0](%[t],%q[f],4), %k[f]\n\t"
        "addl %c[s1](%[t],%q[i],4), %k[f]\n\t"
        "bextr %k[c], %k[x], %k[i]\n\t"
        "xorl %c[s2](%[t],%q[i],4), %k[f]\n\t"
        "movzbl %b[x], %k[i]\n\t"
        "addl %c[s3](%[t],%q[i],4), %k[f]\n\t"
        "xorl %c[p](%[t]), %k[y]\n\t"
        "xorl %k[f], %k[y]"
        : [f] "=&r"(f), [i] "=&r"(index), [y] "+r"(y)
        : [x] "r"(x), [t] "r"(&tables), [b] "r"(0x0810u), [c] "r"(0x0808u), [s0] "i"(Offset),
          [s1] "i"(Offset + 1024), [s2] "i"(Offset + 2048), [s3] "i"(Offset + 3072),
          [p] "i"(POffset), "m"(tables)
        : "cc");
    return y;
#else
    const auto* bytes = reinterpret_cast<const unsigned char*>(&tables);
    const auto* s = reinterpret_cast<const uint32_t(*)[256]>(bytes + Offset);
    uint32_t p;
    std::memcpy(&p, bytes + POffset, sizeof p);
    const auto a = static_cast<size_t>(x >> 24);
    const auto b = static_cast<size_t>((x >> 16) & 0xFF);
    const auto c = static_cast<size_t>((x >> 8) & 0xFF);
    const auto d = static_cast<size_t>(x & 0xFF);
    return (y ^ p) ^ (((s[0][a] + s[1][b]) ^ s[2][c]) + s[3][d]);
#endif
}

constexpr size_t kBoxes = offsetof(Schedule, s);

constexpr size_t pOffset(size_t i) {
    return offsetof(Schedule, p) + i * sizeof(uint32_t);
}

// The P word of round i (0 to 17) in the order the direction uses them.
template <bool Decrypt>
constexpr size_t roundP(size_t i) {
    return pOffset(Decrypt ? 17 - i : i);
}

// N blocks side by side, their halves in l[] and r[]: each round's lookups
// for one block hide the latency of the others'. Two rounds per step so that
// the halves never swap; Decrypt runs the P-array backwards.
template <bool Decrypt, size_t N, size_t Round = 0>
inline void cipherRounds(const Schedule& k, uint32_t (&l)[N], uint32_t (&r)[N]) {
    if constexpr (Round < 16) {
#pragma GCC unroll 16
        for (size_t j = 0; j < N; ++j) {
            r[j] = halfRound<kBoxes, roundP<Decrypt>(Round + 1)>(k, l[j], r[j]);
        }
#pragma GCC unroll 16
        for (size_t j = 0; j < N; ++j) {
            l[j] = halfRound<kBoxes, roundP<Decrypt>(Round + 2)>(k, r[j], l[j]);
        }
        cipherRounds<Decrypt, N, Round + 2>(k, l, r);
    }
}

template <bool Decrypt, size_t N>
inline void cipherBlocks(const Schedule& k, uint32_t (&l)[N], uint32_t (&r)[N]) {
    const uint32_t first = k.p[Decrypt ? 17 : 0];
    const uint32_t last = k.p[Decrypt ? 0 : 17];
#pragma GCC unroll 16
    for (size_t j = 0; j < N; ++j) {
        l[j] ^= first;
    }
    cipherRounds<Decrypt, N>(k, l, r);
#pragma GCC unroll 16
    for (size_t j = 0; j < N; ++j) {
        const uint32_t t = l[j];
        l[j] = r[j] ^ last;
        r[j] = t;
    }
}

#if defined(ZEPHCORE_KERNEL_BMI)
// A block's halves packed in one register, the half F reads in the low 32
// bits: y ^= P ^ F(x) is a rotation by 32 and an XOR of P ^ F into the low
// half. One register a block lets ten blocks be in flight, enough to hide
// the second-level-cache latency of the 256 KiB table of S0[a] + S1[b]; a
// round is then eight ALU operations and four loads.
template <size_t POffset>
inline uint64_t wideHalfRound(const WideTables& w, uint64_t v) {
    uint64_t f;
    uint64_t index;
    asm("bextr %[ab], %[v], %[f]\n\t"
        "bextr %[c], %[v], %[i]\n\t"
        "movl %c[t](%[w],%[f],4), %k[f]\n\t"
        "xorl %c[s2](%[w],%[i],4), %k[f]\n\t"
        "movzbl %b[v], %k[i]\n\t"
        "addl %c[s3](%[w],%[i],4), %k[f]\n\t"
        "xorl %c[p](%[w]), %k[f]\n\t"
        "rorq $32, %[v]\n\t"
        "xorq %[f], %[v]"
        : [f] "=&r"(f), [i] "=&r"(index), [v] "+r"(v)
        : [w] "r"(&w), [ab] "r"(uint64_t{0x1010}), [c] "r"(uint64_t{0x0808}),
          [t] "i"(offsetof(WideTables, ab)), [s2] "i"(offsetof(WideTables, s2)),
          [s3] "i"(offsetof(WideTables, s3)), [p] "i"(POffset), "m"(w)
        : "cc");
    return v;
}

template <bool Decrypt>
constexpr size_t wideP(size_t i) {
    return offsetof(WideTables, p) + (Decrypt ? 17 - i : i) * sizeof(uint32_t);
}

template <bool Decrypt, size_t N, size_t Round = 1>
inline void wideRounds(const WideTables& w, uint64_t (&v)[N]) {
    if constexpr (Round <= 16) {
#pragma GCC unroll 16
        for (size_t j = 0; j < N; ++j) {
            v[j] = wideHalfRound<wideP<Decrypt>(Round)>(w, v[j]);
        }
        wideRounds<Decrypt, N, Round + 1>(w, v);
    }
}

// N blocks in place: each loaded as [R : L] (L low), enciphered, and stored
// from [L : R] after the last round's swap.
template <bool Decrypt, size_t N>
inline void wideInPlace(const WideTables& w, uint8_t* data) {
    const uint64_t first = w.p[Decrypt ? 17 : 0];
    const uint64_t last = w.p[Decrypt ? 0 : 17];
    uint64_t v[N];
#pragma GCC unroll 16
    for (size_t j = 0; j < N; ++j) {
        uint64_t block;
        std::memcpy(&block, data + ZEPHCORE_BLOCK_SIZE * j, sizeof block);
        const uint64_t lr = __builtin_bswap64(block); // [L : R]
        v[j] = ((lr >> 32) | (lr << 32)) ^ first;
    }
    wideRounds<Decrypt, N>(w, v);
#pragma GCC unroll 16
    for (size_t j = 0; j < N; ++j) {
        const uint64_t block = __builtin_bswap64(v[j] ^ (last << 32));
        std::memcpy(data + ZEPHCORE_BLOCK_SIZE * j, &block, sizeof block);
    }
}

template <bool Decrypt>
void wideRun(const WideTables& w, uint8_t* data, size_t blocks) {
    constexpr size_t kWide = 10;
    size_t i = 0;
    for (; i + kWide <= blocks; i += kWide) {
        wideInPlace<Decrypt, kWide>(w, data + ZEPHCORE_BLOCK_SIZE * i);
    }
    for (; i < blocks; ++i) {
        wideInPlace<Decrypt, 1>(w, data + ZEPHCORE_BLOCK_SIZE * i);
    }
}
#endif

inline uint32_t loadBigEndian(const uint8_t* in) {
    return (uint32_t{in[0]} << 24) | (uint32_t{in[1]} << 16) | (uint32_t{in[2]} << 8) |
           uint32_t{in[3]};
}

inline void storeBigEndian(uint8_t* out, uint32_t v) {
    out[0] = static_cast<uint8_t>(v >> 24);
    out[1] = static_cast<uint8_t>(v >> 16);
    out[2] = static_cast<uint8_t>(v >> 8);
    out[3] = static_cast<uint8_t>(v);
}

template <bool Decrypt, size_t N>
inline void cipherInPlace(const Schedule& k, uint8_t* data) {
    uint32_t l[N];
    uint32_t r[N];
#pragma GCC unroll 16
    for (size_t j = 0; j < N; ++j) {
        l[j] = loadBigEndian(data + ZEPHCORE_BLOCK_SIZE * j);
        r[j] = loadBigEndian(data + ZEPHCORE_BLOCK_SIZE * j + 4);
    }
    cipherBlocks<Decrypt, N>(k, l, r);
#pragma GCC unroll 16
    for (size_t j = 0; j < N; ++j) {
        storeBigEndian(data + ZEPHCORE_BLOCK_SIZE * j, l[j]);
        storeBigEndian(data + ZEPHCORE_BLOCK_SIZE * j + 4, r[j]);
    }
}

// The bulk loop: kWide blocks at a time, then one block at a time.
template <bool Decrypt, size_t kWide>
void cipherRun(const Schedule& k, uint8_t* data, size_t blocks) {
    size_t i = 0;
    for (; i + kWide <= blocks; i += kWide) {
        cipherInPlace<Decrypt, kWide>(k, data + ZEPHCORE_BLOCK_SIZE * i);
    }
    for (; i < blocks; ++i) {
        cipherInPlace<Decrypt, 1>(k, data + ZEPHCORE_BLOCK_SIZE * i);
    }
}

} // namespace
} // namespace zephcore::blowfish
