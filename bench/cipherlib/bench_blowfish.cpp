// BlowENC / BlowDEC against OpenSSL's BF_ecb_encrypt over the same buffer, and
// the memcpy speed of the machine as a yardstick.
//
// "zephcore" is the library as the program gets it (threads for long
// buffers); "zephcore-1thread" is the same engine, linked in, on the calling
// thread alone, and "portable-1thread" its portable round there, the
// yardstick for the round chosen for this processor.
#include "blowfish.h"
#include "dispatch.h"
#include "zephcore.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>
#include <openssl/blowfish.h>
#include <openssl/crypto.h>
#include <string>
#include <vector>

namespace {

constexpr const char* kKey = "benchmark passphrase";

const bool kContext = [] {
    benchmark::AddCustomContext("openssl", OpenSSL_version(OPENSSL_VERSION));
    return true;
}();

std::vector<uint8_t> filled(size_t n) {
    std::vector<uint8_t> data(n);
    for (size_t i = 0; i < n; ++i) {
        data[i] = static_cast<uint8_t>(i * 131 + 7);
    }
    return data;
}

// isa applies to the one-thread rows; the library's rows run its own choice.
void blowEncZephcore(benchmark::State& state, int64_t bytes, bool oneThread, zephcore::Isa isa) {
    const auto size = static_cast<int32_t>(bytes);
    std::vector<uint8_t> buffer = filled(static_cast<size_t>(size) + 8);
    Initialize(kKey);
    zephcore::blowfish::initialize(kKey);
    for (auto _ : state) {
        benchmark::DoNotOptimize(oneThread
                                     ? zephcore::blowfish::encryptBuffer(buffer.data(), size, 1, isa)
                                     : BlowENC(buffer.data(), size));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void blowDecZephcore(benchmark::State& state, int64_t bytes, bool oneThread, zephcore::Isa isa) {
    const auto size = static_cast<int32_t>(bytes);
    std::vector<uint8_t> buffer = filled(static_cast<size_t>(size));
    Initialize(kKey);
    zephcore::blowfish::initialize(kKey);
    for (auto _ : state) {
        benchmark::DoNotOptimize(oneThread
                                     ? zephcore::blowfish::decryptBuffer(buffer.data(), size, 1, isa)
                                     : BlowDEC(buffer.data(), size));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void blowfishOpenssl(benchmark::State& state, int64_t bytes, int direction) {
    const auto size = static_cast<size_t>(bytes);
    std::vector<uint8_t> buffer = filled(size);
    BF_KEY key;
    BF_set_key(&key, static_cast<int>(std::strlen(kKey)),
               reinterpret_cast<const unsigned char*>(kKey));
    for (auto _ : state) {
        for (size_t i = 0; i < size; i += 8) {
            BF_ecb_encrypt(buffer.data() + i, buffer.data() + i, &key, direction);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void copyMemcpy(benchmark::State& state, int64_t bytes) {
    const auto size = static_cast<size_t>(bytes);
    std::vector<uint8_t> source = filled(size);
    std::vector<uint8_t> destination(size);
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), size);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// Wall-clock time throughout: the threaded calls spend CPU time on threads
// other than the one the benchmark watches.
template <typename... Args>
void add(const std::string& name, void (*fn)(benchmark::State&, int64_t, Args...), int64_t bytes,
         Args... args) {
    benchmark::RegisterBenchmark(name.c_str(), fn, bytes, args...)->UseRealTime();
}

void registerAll() {
    const zephcore::Isa chosen = zephcore::dispatch().blowfish;
    const zephcore::Isa portable = zephcore::Isa::portable;
    for (int64_t size : {int64_t{65536}, int64_t{16777216}}) {
        std::string n = "/";
        n += std::to_string(size);
        add("copy/memcpy" + n, copyMemcpy, size);
        add("blowenc/openssl" + n, blowfishOpenssl, size, int{BF_ENCRYPT});
        add("blowenc/zephcore" + n, blowEncZephcore, size, false, chosen);
        add("blowdec/openssl" + n, blowfishOpenssl, size, int{BF_DECRYPT});
        add("blowdec/zephcore" + n, blowDecZephcore, size, false, chosen);
        if (size >= ZEPHCORE_THREADED_FROM) {
            add("blowenc/zephcore-1thread" + n, blowEncZephcore, size, true, chosen);
            add("blowdec/zephcore-1thread" + n, blowDecZephcore, size, true, chosen);
            if (chosen != portable) {
                add("blowenc/portable-1thread" + n, blowEncZephcore, size, true, portable);
                add("blowdec/portable-1thread" + n, blowDecZephcore, size, true, portable);
            }
        }
    }
}

const bool kRegistered = (registerAll(), true);

} // namespace
