#include "dispatch.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace zephcore {

namespace {

Machine probe() noexcept {
    Machine m;
#if ZEPHCORE_X86
    __builtin_cpu_init();
    m.avx2 = __builtin_cpu_supports("avx2") != 0;
    m.avx512vbmi = __builtin_cpu_supports("avx512f") != 0 &&
                   __builtin_cpu_supports("avx512bw") != 0 &&
                   __builtin_cpu_supports("avx512vbmi") != 0;
    m.bmi = __builtin_cpu_supports("bmi") != 0;
#endif
    m.cores = std::thread::hardware_concurrency();
    return m;
}

const Machine& machine() noexcept {
    static const Machine m = probe();
    return m;
}

bool portableForced() noexcept {
    const char* value = std::getenv("ZEPHCORE_PORTABLE");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

} // namespace

Dispatch chooseDispatch(const Machine& m, bool portable) noexcept {
    Dispatch d;
    if (ZEPHCORE_X86 && !portable) {
        d.base64 = m.avx512vbmi ? Isa::avx512 : m.avx2 ? Isa::avx2 : Isa::portable;
        d.blowfish = m.bmi ? Isa::bmi : Isa::portable;
    }
    d.threads = std::clamp(m.cores, 1u, kMaxThreads);
    return d;
}

const Dispatch& dispatch() noexcept {
    // A function-local static: the first caller chooses, any caller at the
    // same time waits for it, and every later call reads the record.
    static const Dispatch chosen = chooseDispatch(machine(), portableForced());
    return chosen;
}

bool isaAvailable(Isa isa) noexcept {
    switch (isa) {
    case Isa::portable:
        return true;
    case Isa::avx2:
        return ZEPHCORE_X86 && machine().avx2;
    case Isa::avx512:
        return ZEPHCORE_X86 && machine().avx512vbmi;
    case Isa::bmi:
        return ZEPHCORE_X86 && machine().bmi;
    }
    return false;
}

const char* isaName(Isa isa) noexcept {
    switch (isa) {
    case Isa::portable:
        return "portable";
    case Isa::avx2:
        return "avx2";
    case Isa::avx512:
        return "avx512";
    case Isa::bmi:
        return "bmi";
    }
    return "?";
}

} // namespace zephcore
