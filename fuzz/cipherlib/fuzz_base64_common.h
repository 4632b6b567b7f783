// What the Base64 fuzz targets share: a check that aborts, so the fuzzer
// reports the input, and the list of code paths this CPU can run.
#pragma once

#include "base64.h"

#include <cstdlib>
#include <vector>

namespace fuzzb64 {

using zephcore::base64::Path;

inline void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

inline const std::vector<Path>& paths() {
    static const std::vector<Path> available = [] {
        zephcore::base64::initTables();
        std::vector<Path> list;
        for (Path p : {Path::scalar, Path::avx2, Path::avx512}) {
            if (zephcore::base64::pathAvailable(p)) {
                list.push_back(p);
            }
        }
        return list;
    }();
    return available;
}

} // namespace fuzzb64
