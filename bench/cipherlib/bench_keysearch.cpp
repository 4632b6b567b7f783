// Keys tried per second by the key search: a key schedule and one block
// deciphered per key, on one core and on every core, against a loop of
// OpenSSL's BF_set_key and one BF_ecb_encrypt per key in the same run.
#include "keysearch.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>
#include <openssl/blowfish.h>
#include <thread>
#include <vector>

namespace {

using zephcore::keysearch::Key;
using zephcore::keysearch::kLanes;

constexpr size_t kKeyLength = 12;
// Batches each thread schedules per benchmark iteration.
constexpr size_t kBatches = 64;
// Runs of each row.
constexpr int kRuns = 5;

// The n-th key of a run: twelve letters counting up.
void nthKey(uint64_t n, uint8_t (&key)[kKeyLength]) {
    for (size_t i = 0; i < kKeyLength; ++i) {
        key[kKeyLength - 1 - i] = static_cast<uint8_t>('a' + n % 26);
        n /= 26;
    }
}

uint32_t searchBatches(uint64_t first, size_t batches) {
    uint8_t bytes[kLanes][kKeyLength];
    Key keys[kLanes];
    const uint8_t cipher[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint32_t hits = 0;
    for (size_t b = 0; b < batches; ++b) {
        for (size_t j = 0; j < kLanes; ++j) {
            nthKey(first + b * kLanes + j, bytes[j]);
            keys[j] = {bytes[j], kKeyLength};
        }
        zephcore::keysearch::scheduleKeys(keys, kLanes);
        uint8_t plain[kLanes][8];
        zephcore::keysearch::decipherLanes(cipher, plain);
        for (size_t j = 0; j < kLanes; ++j) {
            hits += plain[j][7] >= 1 && plain[j][7] <= 8;
        }
    }
    return hits;
}

void keysZephcore(benchmark::State& state, unsigned threads) {
    uint64_t next = 0;
    for (auto _ : state) {
        std::vector<std::thread> workers;
        for (unsigned t = 1; t < threads; ++t) {
            workers.emplace_back([first = next + t * kBatches * kLanes] {
                benchmark::DoNotOptimize(searchBatches(first, kBatches));
            });
        }
        benchmark::DoNotOptimize(searchBatches(next, kBatches));
        for (std::thread& w : workers) {
            w.join();
        }
        next += threads * kBatches * kLanes;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * threads * kBatches * kLanes));
}

void keysOpenssl(benchmark::State& state) {
    uint64_t next = 0;
    const uint8_t cipher[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    BF_KEY key;
    for (auto _ : state) {
        uint8_t bytes[kKeyLength];
        nthKey(next++, bytes);
        BF_set_key(&key, static_cast<int>(kKeyLength), bytes);
        uint8_t plain[8];
        BF_ecb_encrypt(cipher, plain, &key, BF_DECRYPT);
        benchmark::DoNotOptimize(plain);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

const bool kRegistered = [] {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    // One core's rows in the thread's CPU time, which other work on a shared
    // machine disturbs less; every core's in wall time. Other work on the
    // machine only ever slows a run, so each row is run five times and the
    // table keeps the fastest (bench_main.cpp).
    benchmark::RegisterBenchmark("keys/openssl/1core", keysOpenssl)->Repetitions(kRuns);
    benchmark::RegisterBenchmark("keys/zephcore/1core", keysZephcore, 1u)->Repetitions(kRuns);
    benchmark::RegisterBenchmark("keys/zephcore/allcores", keysZephcore, cores)
        ->UseRealTime()
        ->Repetitions(kRuns);
    return true;
}();

} // namespace
