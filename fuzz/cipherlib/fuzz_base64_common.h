// What the Base64 fuzz targets share: a check that aborts, so the fuzzer
// reports the input, and the list of code paths this CPU can run.
#pragma once

#include "base64.h"
#include "dispatch.h"

#include <cstdlib>
#include <vector>

namespace fuzzb64 {

using zephcore::Isa;

inline void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

inline const std::vector<Isa>& paths() {
    static const std::vector<Isa> available = [] {
        zephcore::base64::initTables();
        std::vector<Isa> list;
        for (Isa p : {Isa::portable, Isa::avx2, Isa::avx512}) {
            if (zephcore::isaAvailable(p)) {
                list.push_back(p);
            }
        }
        return list;
    }();
    return available;
}

} // namespace fuzzb64
