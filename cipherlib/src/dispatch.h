// Which code the library runs: chosen once per process, at the first call
// that needs it, and kept until the process ends.
//
//   Base64    the table code; on x86-64 the AVX2 kernels, or the AVX-512
//             VBMI kernels where the processor has them. Every path gives
//             the same bytes as the table code, lenient decoding included.
//   Blowfish  the portable round, or on x86-64 with BMI1 the written-out
//             one (a byte of a word in one instruction; from 128 KiB on,
//             over a table of S0[a] + S1[b] built once per schedule); the
//             calling thread alone, or, for a buffer of
//             ZEPHCORE_THREADED_FROM bytes and more, one thread per
//             processor (at most kMaxThreads), each on its own share of the
//             blocks. The key search's lanes follow the same choice of round.
//
// ZEPHCORE_PORTABLE in the environment (any value but "" and "0") keeps
// Base64 and Blowfish on the portable code. A build with the CMake option
// ZEPHCORE_PORTABLE=ON has no processor-specific code at all.
#pragma once

#include "zephcore.h"

// The vector code is x86-64 only, and left out of a portable build.
#if defined(__x86_64__) && !defined(ZEPHCORE_PORTABLE)
#define ZEPHCORE_X86 1
#else
#define ZEPHCORE_X86 0
#endif

namespace zephcore {

// The most threads one Blowfish call shares its work with, itself included.
inline constexpr unsigned kMaxThreads = ZEPHCORE_MAX_THREADS;

enum class Isa : int { portable = 0, avx2 = 1, avx512 = 2, bmi = 3 };

struct Dispatch {
    Isa base64 = Isa::portable;   // portable, avx2 or avx512
    Isa blowfish = Isa::portable; // portable or bmi
    unsigned threads = 1;
};

// What the choice depends on.
struct Machine {
    bool avx2 = false;
    bool avx512vbmi = false; // AVX-512 F, BW and VBMI
    unsigned cores = 1;      // 0 when unknown
    bool bmi = false;        // BMI1
};

Dispatch chooseDispatch(const Machine& machine, bool portableForced) noexcept;

// The choice in force, made at the first call from this processor and the
// environment.
const Dispatch& dispatch() noexcept;

// Whether this build on this processor can run isa (tests and benchmarks run
// every path they can).
bool isaAvailable(Isa isa) noexcept;
const char* isaName(Isa isa) noexcept;

} // namespace zephcore
