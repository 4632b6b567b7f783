// Blowfish engine: one process-wide key schedule, the passphrase key schedule
// with its sign-extended key bytes, and the padded ECB buffer operations.
//
// The round function is four S-box lookups indexed by key-dependent data: the
// lookups are NOT constant-time, and their cache footprint can leak key and
// data bits to code sharing the machine. That is inherent to Blowfish in
// software and accepted for a desktop file tool.
//
// Speed comes from instruction-level parallelism: a lone block is one long
// chain of dependent loads, so the bulk loop carries several independent
// blocks through the rounds together, and a long buffer is split between the
// cores. The processor's ALUs, not its load ports, set the pace, so the BMI
// path also cuts operations: a byte of a word in one instruction, and for
// long buffers S0[a] + S1[b] from one table (see blowfish_kernel.h). Every
// path gives the same bytes as enciphering block by block.
#include "blowfish.h"

#include "blowfish_kernel.h"
#include "blowfish_tables.h"
#include "dispatch.h"
#include "zephcore.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>

namespace zephcore::blowfish {

#if ZEPHCORE_X86
// blowfish_bmi.cpp: the same loop for processors with BMI1, and the one for
// long buffers over the wide tables.
void encipherRunBmi(const Schedule& k, uint8_t* data, size_t blocks) noexcept;
void decipherRunBmi(const Schedule& k, uint8_t* data, size_t blocks) noexcept;
void encipherRunWide(const WideTables& w, uint8_t* data, size_t blocks) noexcept;
void decipherRunWide(const WideTables& w, uint8_t* data, size_t blocks) noexcept;
#endif

namespace {

// The working tables. Static storage with no initialiser: they are zero when
// the library is loaded and only InitArrays / Initialize ever fill them.
alignas(64) constinit Schedule gSchedule{};
// Bumped whenever InitArrays or Initialize replaces the schedule.
uint64_t gScheduleGeneration = 0;

#if ZEPHCORE_X86
// The wide tables of the schedule of generation gWideGeneration, built by the
// first long buffer after the schedule changes. Calls on the same schedule
// may run at once: the first builds under the lock, the others wait for it.
alignas(64) constinit WideTables gWide{};
std::atomic<uint64_t> gWideGeneration{~uint64_t{0}};
std::mutex gWideLock;
// Building the tables costs about what enciphering 64 KiB does; from twice
// that on, the wide loop's speed pays for them within the call.
constexpr size_t kWideFrom = size_t{128} << 10;

const WideTables& wideTables() {
    if (gWideGeneration.load(std::memory_order_acquire) != gScheduleGeneration) {
        const std::lock_guard<std::mutex> lock(gWideLock);
        if (gWideGeneration.load(std::memory_order_relaxed) != gScheduleGeneration) {
            for (size_t a = 0; a < 256; ++a) {
                for (size_t b = 0; b < 256; ++b) {
                    gWide.ab[a * 256 + b] = gSchedule.s[0][a] + gSchedule.s[1][b];
                }
            }
            std::memcpy(gWide.p, gSchedule.p, sizeof gWide.p);
            std::memcpy(gWide.s2, gSchedule.s[2], sizeof gWide.s2);
            std::memcpy(gWide.s3, gSchedule.s[3], sizeof gWide.s3);
            gWideGeneration.store(gScheduleGeneration, std::memory_order_release);
        }
    }
    return gWide;
}
#endif

constexpr size_t kBlockSize = ZEPHCORE_BLOCK_SIZE;
// The calling thread gives up its time slice before the 20000th, 40000th, ...
// block of a call.
constexpr size_t kYieldEvery = 20000;
// Buffers from this size on are shared out between the cores; each share is
// at least half of it, so a thread is never started for a small piece.
constexpr size_t kThreadedFrom = ZEPHCORE_THREADED_FROM;
constexpr size_t kMinShare = kThreadedFrom / 2;

// One block as two halves, for the key schedule.
inline void encipherBlock(const Schedule& k, uint32_t& l, uint32_t& r) {
    uint32_t lv[1] = {l};
    uint32_t rv[1] = {r};
    cipherBlocks<false, 1>(k, lv, rv);
    l = lv[0];
    r = rv[0];
}

// Whole blocks in place, on the calling thread, by the code of the chosen
// path over its tables. The portable loop carries six blocks at a time
// (twelve halves and their indices just about fit the x86-64 general
// registers).
struct Run {
    void (*loop)(const void* tables, uint8_t* data, size_t blocks);
    const void* tables;
    void operator()(uint8_t* data, size_t blocks) const { loop(tables, data, blocks); }
};

template <bool Decrypt>
Run runFor(Isa isa, const Schedule& k) {
#if ZEPHCORE_X86
    if (isa == Isa::bmi) {
        return {[](const void* t, uint8_t* data, size_t blocks) {
                    (Decrypt ? decipherRunBmi : encipherRunBmi)(*static_cast<const Schedule*>(t),
                                                                data, blocks);
                },
                &k};
    }
#else
    (void)isa;
#endif
    return {[](const void* t, uint8_t* data, size_t blocks) {
                cipherRun<Decrypt, 6>(*static_cast<const Schedule*>(t), data, blocks);
            },
            &k};
}

// The loop for a buffer of `blocks` blocks under the schedule in force.
template <bool Decrypt>
Run bufferRunFor(Isa isa, size_t blocks) {
#if ZEPHCORE_X86
    if (isa == Isa::bmi && blocks * kBlockSize >= kWideFrom) {
        return {[](const void* t, uint8_t* data, size_t n) {
                    (Decrypt ? decipherRunWide : encipherRunWide)(
                        *static_cast<const WideTables*>(t), data, n);
                },
                &wideTables()};
    }
#else
    (void)blocks;
#endif
    return runFor<Decrypt>(isa, gSchedule);
}

// One thread's share of a buffer, with the yield before its 20000th, 40000th,
// ... block. When a buffer is split, every worker counts its own blocks: each
// still gives up its slice once every 20000 blocks it does, which is what the
// yield is for, and a single-threaded call yields exactly where it always has.
void cipherShare(Run run, uint8_t* data, size_t blocks) {
    size_t done = 0;
    size_t untilYield = kYieldEvery - 1;
    while (done < blocks) {
        const size_t count = std::min(blocks - done, untilYield);
        run(data + kBlockSize * done, count);
        done += count;
        untilYield -= count;
        if (untilYield == 0 && done < blocks) {
            std::this_thread::yield();
            untilYield = kYieldEvery;
        }
    }
}

// How many threads a buffer of `blocks` blocks is worth, at most `limit`.
unsigned threadsFor(size_t blocks, unsigned limit) {
    const size_t bytes = blocks * kBlockSize;
    if (bytes < kThreadedFrom) {
        return 1;
    }
    limit = std::clamp(limit, 1u, kMaxThreads);
    return static_cast<unsigned>(std::min<size_t>(limit, bytes / kMinShare));
}

// Whole blocks of a buffer, shared out between threads when it is long. The
// blocks are independent (ECB), so the shares can run in any order; the
// padding byte is already in place before any of them starts. A thread that
// cannot be started leaves its share to the calling thread. Every thread
// started here is joined before the call returns.
template <bool Decrypt>
void cipherBuffer(uint8_t* data, size_t blocks, unsigned maxThreads, Isa isa) noexcept {
    const Run run = bufferRunFor<Decrypt>(isa, blocks);
    const unsigned threads = threadsFor(blocks, maxThreads);
    if (threads <= 1) {
        cipherShare(run, data, blocks);
        return;
    }
    const size_t per = blocks / threads;
    std::array<std::thread, kMaxThreads - 1> workers;
    size_t handedOut = per; // the calling thread keeps the first share
    for (unsigned t = 1; t < threads; ++t) {
        const size_t begin = per * t;
        const size_t count = t + 1 == threads ? blocks - begin : per;
        try {
            workers[t - 1] = std::thread([run, data, begin, count] {
                cipherShare(run, data + kBlockSize * begin, count);
            });
            handedOut = begin + count;
        } catch (const std::exception&) { // no thread, or no memory for one
            break;
        }
    }
    cipherShare(run, data, per);
    if (handedOut < blocks) {
        cipherShare(run, data + kBlockSize * handedOut, blocks - handedOut);
    }
    for (std::thread& w : workers) {
        if (w.joinable()) {
            w.join();
        }
    }
}

} // namespace

int32_t initArrays() noexcept {
    ++gScheduleGeneration;
    std::memcpy(gSchedule.p, kInitialP, sizeof gSchedule.p);
    std::memcpy(gSchedule.s, kInitialS, sizeof gSchedule.s);
    return 0;
}

int32_t initialize(const char* key) noexcept {
    constexpr size_t kMaxKey = ZEPHCORE_MAX_KEY_LENGTH;
    size_t n = 0;
    while (n <= kMaxKey && key[n] != '\0') {
        ++n;
    }
    if (n > kMaxKey) {
        return 1; // the schedule in force stays as it is
    }
    initArrays();

    // Key bytes are taken as signed chars widened to 32 bits: a byte of 0x80
    // or more sets every bit above its own eight, so the bytes gathered before
    // it in the word become 0xFF. Keys of bytes below 0x80 give the standard
    // schedule; the others give this library's own, and files made with them
    // depend on it. With an empty key the byte read is the NUL every time.
    size_t j = 0;
    for (uint32_t& p : gSchedule.p) {
        uint32_t w = 0;
        for (int b = 0; b < 4; ++b) {
            const auto e = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(key[j])));
            w = (w << 8) | e;
            if (++j >= n) {
                j = 0;
            }
        }
        p ^= w;
    }

    uint32_t l = 0;
    uint32_t r = 0;
    for (size_t i = 0; i < 18; i += 2) {
        encipherBlock(gSchedule, l, r);
        gSchedule.p[i] = l;
        gSchedule.p[i + 1] = r;
    }
    for (auto& box : gSchedule.s) {
        for (size_t i = 0; i < 256; i += 2) {
            encipherBlock(gSchedule, l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
    return 0;
}

const Schedule& scheduleInForce() noexcept {
    return gSchedule;
}

void decipherBlocks(const Schedule& k, uint8_t* data, size_t blocks, Isa isa) noexcept {
    runFor<true>(isa, k)(data, blocks);
}

int32_t encryptBuffer(uint8_t* buffer, int32_t length, unsigned maxThreads, Isa isa) noexcept {
    const auto q = static_cast<size_t>(length) / kBlockSize;
    const auto pad = static_cast<int32_t>(kBlockSize - (static_cast<size_t>(length) % kBlockSize));
    // The padded length must fit the result: the last 8 lengths below 2^31
    // would wrap to a negative count, so they are refused untouched.
    if (length > INT32_MAX - pad) {
        return 0;
    }
    const int32_t result = length + pad;
    // The pad byte goes last; the filler bytes before it are the caller's.
    buffer[result - 1] = static_cast<uint8_t>(pad);
    cipherBuffer<false>(buffer, q + 1, maxThreads, isa);
    return result;
}

int32_t decryptBuffer(uint8_t* buffer, int32_t length, unsigned maxThreads, Isa isa) noexcept {
    if (length <= 0) {
        return 0; // nothing to read
    }
    // A trailing partial block is left as it is and still supplies the last byte.
    cipherBuffer<true>(buffer, static_cast<size_t>(length) / kBlockSize, maxThreads, isa);
    const auto v = static_cast<int8_t>(buffer[length - 1]);
    // The padding is not checked: a wrong key yields anything from length - 127
    // to length + 128, which near 2^31 is held at the largest count instead of
    // wrapping to a negative one.
    const int64_t result = int64_t{length} - v;
    return result > INT32_MAX ? INT32_MAX : static_cast<int32_t>(result);
}

} // namespace zephcore::blowfish
