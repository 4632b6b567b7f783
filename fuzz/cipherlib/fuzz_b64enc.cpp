// Any bytes through the encoder on every code path the CPU has, then back
// through the decoder: exact-size heap buffers, every path byte-identical to
// the portable one, the length 4 * ceil(n / 3), and the round trip exact.
#include "fuzz_base64_common.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using fuzzb64::check;
using fuzzb64::Isa;
using fuzzb64::paths;

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
    for (Isa path : paths()) {
        auto encoded = std::make_unique<uint8_t[]>(encodedSize);
        check(zephcore::base64::encode(path, source.get(), length, encoded.get()) ==
              static_cast<int32_t>(encodedSize));
        auto decoded = std::make_unique<uint8_t[]>(encodedSize);
        check(zephcore::base64::decode(path, encoded.get(), static_cast<int32_t>(encodedSize),
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
