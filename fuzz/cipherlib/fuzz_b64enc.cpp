// Any bytes through the encoder on every code path the CPU has, then back
// through the decoder: exact-size heap buffers, every path byte-identical to
// the scalar one, the length 4 * ceil(n / 3), and the round trip exact.
#include "base64.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using zephcore::base64::Path;

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

const std::vector<Path>& paths() {
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > (1u << 24)) {
        return 0;
    }
    const auto length = static_cast<int32_t>(size);
    const std::size_t encodedSize = (size + 2) / 3 * 4;
    auto source = std::make_unique<uint8_t[]>(size);
    if (size > 0) {
        std::memcpy(source.get(), data, size);
    }
    std::unique_ptr<uint8_t[]> reference;
    for (Path path : paths()) {
        auto encoded = std::make_unique<uint8_t[]>(encodedSize);
        check(zephcore::base64::encodeWith(path, source.get(), length, encoded.get()) ==
              static_cast<int32_t>(encodedSize));
        auto decoded = std::make_unique<uint8_t[]>(encodedSize);
        check(zephcore::base64::decodeWith(path, encoded.get(), static_cast<int32_t>(encodedSize),
                                           decoded.get()) == length);
        check(size == 0 || std::memcmp(decoded.get(), data, size) == 0);
        if (!reference) {
            reference = std::move(encoded);
        } else {
            check(encodedSize == 0 ||
                  std::memcmp(encoded.get(), reference.get(), encodedSize) == 0);
        }
    }
    return 0;
}
