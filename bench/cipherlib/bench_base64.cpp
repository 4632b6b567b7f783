// B64ENC / B64DEC against OpenSSL's EVP_EncodeBlock / EVP_DecodeBlock over
// the same buffers. Both directions count the raw (unencoded) bytes, so the
// speeds compare directly with each other and with memcpy.
//
// "zephcore" is the library as the program gets it (the best vector path of
// this CPU). "zephcore-scalar" and "zephcore-avx2" are private copies of the
// library loaded with ZEPHCORE_SIMD set, which the codec reads once, on first
// use, in each copy.
#include "zephcore.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <memory>
#include <openssl/evp.h>
#include <string>
#include <unistd.h>
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

Codec linkedCodec() {
    return {&B64ENC, &B64DEC};
}

// A private copy of the library whose codec takes the path `request`. The
// linked library makes its own choice first, so the variable set here for
// the copy does not reach it.
Codec privateCodec(const char* request) {
    static std::map<std::string, Codec> loaded;
    auto found = loaded.find(request);
    if (found != loaded.end()) {
        return found->second;
    }
    uint8_t probe[8];
    InitB64();
    B64ENC(reinterpret_cast<const uint8_t*>("abc"), 3, probe);

    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&B64ENC), &info) == 0 || info.dli_fname == nullptr) {
        std::fprintf(stderr, "bench_base64: cannot locate libzephcore\n");
        std::abort();
    }
    std::string name = "zephcore-bench-";
    name += std::to_string(getpid());
    name += '-';
    name += request;
    const auto dir = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(dir);
    const auto copy = dir / "libzephcore.so";
    std::filesystem::copy_file(info.dli_fname, copy,
                               std::filesystem::copy_options::overwrite_existing);
    void* handle = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    std::filesystem::remove_all(dir);
    if (handle == nullptr) {
        std::fprintf(stderr, "bench_base64: %s\n", dlerror());
        std::abort();
    }
    auto init = reinterpret_cast<int32_t (*)()>(dlsym(handle, "InitB64"));
    Codec codec{reinterpret_cast<Fn>(dlsym(handle, "B64ENC")),
                reinterpret_cast<Fn>(dlsym(handle, "B64DEC"))};
    const char* previous = std::getenv("ZEPHCORE_SIMD");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("ZEPHCORE_SIMD", request, 1);
    init();
    codec.encode(reinterpret_cast<const uint8_t*>("abc"), 3, probe);
    if (previous != nullptr) {
        setenv("ZEPHCORE_SIMD", saved.c_str(), 1);
    } else {
        unsetenv("ZEPHCORE_SIMD");
    }
    loaded[request] = codec;
    return codec;
}

Codec codecFor(const char* request) {
    return request == nullptr ? linkedCodec() : privateCodec(request);
}

void encodeZephcore(benchmark::State& state, int64_t size, const char* request) {
    const Codec codec = codecFor(request);
    const Buffers& b = buffers(size);
    auto* out = const_cast<uint8_t*>(b.out.data());
    for (auto _ : state) {
        benchmark::DoNotOptimize(codec.encode(b.raw.data(), static_cast<int32_t>(size), out));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void decodeZephcore(benchmark::State& state, int64_t size, const char* request) {
    const Codec codec = codecFor(request);
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
        benchmark::RegisterBenchmark(benchName("b64enc/zephcore-scalar", size).c_str(),
                                     encodeZephcore, size, "scalar")
            ->UseRealTime();
        benchmark::RegisterBenchmark(benchName("b64dec/openssl", size).c_str(), decodeOpenssl, size)
            ->UseRealTime();
        benchmark::RegisterBenchmark(benchName("b64dec/zephcore", size).c_str(), decodeZephcore,
                                     size, nullptr)
            ->UseRealTime();
        benchmark::RegisterBenchmark(benchName("b64dec/zephcore-avx2", size).c_str(),
                                     decodeZephcore, size, "avx2")
            ->UseRealTime();
        benchmark::RegisterBenchmark(benchName("b64dec/zephcore-scalar", size).c_str(),
                                     decodeZephcore, size, "scalar")
            ->UseRealTime();
    }
}

const bool kRegistered = (registerAll(), true);

} // namespace
