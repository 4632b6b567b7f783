// B64ENC / B64DEC against OpenSSL's EVP_EncodeBlock / EVP_DecodeBlock over
// the same buffers. Both directions count the raw (unencoded) bytes, so the
// speeds compare directly with each other and with memcpy.
//
// "zephcore" is the library as the program gets it (the best vector path of
// this CPU). "zephcore-avx2" and "zephcore-portable" are the same engine,
// linked in, along the AVX2 kernels and the portable table code.
#include "base64.h"
#include "dispatch.h"
#include "zephcore.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <openssl/evp.h>
#include <string>
#include <vector>

namespace {

using Fn = int32_t (*)(const uint8_t*, int32_t, uint8_t*);

struct Codec {
    Fn encode = nullptr;
    Fn decode = nullptr;
};

// The bytes, their encoding and room for either result, per size.
struct Buffers {
    std::vector<uint8_t> raw;
    std::vector<uint8_t> text;
    std::vector<uint8_t> out;
};

const Buffers& buffers(int64_t size) {
    static std::map<int64_t, std::unique_ptr<Buffers>> cache;
    auto& slot = cache[size];
    if (!slot) {
        slot = std::make_unique<Buffers>();
        slot->raw.resize(static_cast<size_t>(size));
        uint32_t x = 2463534242u;
        for (auto& b : slot->raw) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = static_cast<uint8_t>(x);
        }
        InitB64();
        slot->text.resize(static_cast<size_t>((size + 2) / 3 * 4));
        B64ENC(slot->raw.data(), static_cast<int32_t>(size), slot->text.data());
        slot->out.resize(slot->text.size() + 64);
    }
    return *slot;
}

// The library's own export, or the engine along one code path.
Codec codecFor(const char* path) {
    if (path == nullptr) {
        return {&B64ENC, &B64DEC};
    }
    zephcore::base64::initTables();
    if (std::strcmp(path, "avx2") == 0) {
        return {[](const uint8_t* s, int32_t n, uint8_t* d) {
                    return zephcore::base64::encode(zephcore::Isa::avx2, s, n, d);
                },
                [](const uint8_t* s, int32_t n, uint8_t* d) {
                    return zephcore::base64::decode(zephcore::Isa::avx2, s, n, d);
                }};
    }
    return {[](const uint8_t* s, int32_t n, uint8_t* d) {
                return zephcore::base64::encode(zephcore::Isa::portable, s, n, d);
            },
            [](const uint8_t* s, int32_t n, uint8_t* d) {
                return zephcore::base64::decode(zephcore::Isa::portable, s, n, d);
            }};
}

void encodeZephcore(benchmark::State& state, int64_t size, const char* path) {
    const Codec codec = codecFor(path);
    const Buffers& b = buffers(size);
    auto* out = const_cast<uint8_t*>(b.out.data());
    for (auto _ : state) {
        benchmark::DoNotOptimize(codec.encode(b.raw.data(), static_cast<int32_t>(size), out));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void decodeZephcore(benchmark::State& state, int64_t size, const char* path) {
    const Codec codec = codecFor(path);
    const Buffers& b = buffers(size);
    auto* out = const_cast<uint8_t*>(b.out.data());
    const auto n = static_cast<int32_t>(b.text.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(codec.decode(b.text.data(), n, out));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void encodeOpenssl(benchmark::State& state, int64_t size) {
    const Buffers& b = buffers(size);
    auto* out = const_cast<uint8_t*>(b.out.data());
    for (auto _ : state) {
        benchmark::DoNotOptimize(EVP_EncodeBlock(out, b.raw.data(), static_cast<int>(size)));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void decodeOpenssl(benchmark::State& state, int64_t size) {
    const Buffers& b = buffers(size);
    auto* out = const_cast<uint8_t*>(b.out.data());
    const auto n = static_cast<int>(b.text.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(EVP_DecodeBlock(out, b.text.data(), n));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * size);
}

// "<operation>/<implementation>/<size>", as the ratio table expects. Wall
// time, like the memcpy yardstick it is compared with.
std::string benchName(const char* operationAndImplementation, int64_t size) {
    std::string name = operationAndImplementation;
    name += '/';
    name += std::to_string(size);
    return name;
}

void registerAll() {
    for (int64_t size : {int64_t{65536}, int64_t{16777216}}) {
        benchmark::RegisterBenchmark(benchName("b64enc/openssl", size).c_str(), encodeOpenssl, size)
            ->UseRealTime();
        benchmark::RegisterBenchmark(benchName("b64enc/zephcore", size).c_str(), encodeZephcore,
                                     size, nullptr)
            ->UseRealTime();
        benchmark::RegisterBenchmark(benchName("b64enc/zephcore-avx2", size).c_str(),
                                     encodeZephcore, size, "avx2")
            ->UseRealTime();
        benchmark::RegisterBenchmark(benchName("b64enc/zephcore-portable", size).c_str(),
                                     encodeZephcore, size, "portable")
            ->UseRealTime();
        benchmark::RegisterBenchmark(benchName("b64dec/openssl", size).c_str(), decodeOpenssl, size)
            ->UseRealTime();
        benchmark::RegisterBenchmark(benchName("b64dec/zephcore", size).c_str(), decodeZephcore,
                                     size, nullptr)
            ->UseRealTime();
        benchmark::RegisterBenchmark(benchName("b64dec/zephcore-avx2", size).c_str(),
                                     decodeZephcore, size, "avx2")
            ->UseRealTime();
        benchmark::RegisterBenchmark(benchName("b64dec/zephcore-portable", size).c_str(),
                                     decodeZephcore, size, "portable")
            ->UseRealTime();
    }
}

const bool kRegistered = (registerAll(), true);

} // namespace
