// Any bytes, any length, through the lenient decoder on every code path the
// CPU has: the source sits in a heap buffer of exactly its length and the
// destination is exactly as long as the source, so AddressSanitizer catches
// any read or write outside them. The result must lie in 0..length, nothing
// at or past it may change, and every path must leave the destination
// exactly as the portable table path does, for a separate destination and for
// decoding in place.
#include "fuzz_base64_common.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

uint8_t pattern(std::size_t i) {
    return static_cast<uint8_t>(i * 37 + 11);
}

using fuzzb64::check;
using fuzzb64::Isa;
using fuzzb64::paths;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
        return 0;
    }
    const auto length = static_cast<int32_t>(size);
    auto source = std::make_unique<uint8_t[]>(size);
    if (size > 0) {
        std::memcpy(source.get(), data, size);
    }

    std::unique_ptr<uint8_t[]> reference;
    std::unique_ptr<uint8_t[]> referenceInPlace;
    int32_t referenceResult = -1;
    for (Isa path : paths()) {
        auto destination = std::make_unique<uint8_t[]>(size);
        for (std::size_t i = 0; i < size; ++i) {
            destination[i] = pattern(i);
        }
        const int32_t result =
            zephcore::base64::decode(path, source.get(), length, destination.get());
        check(result >= 0 && result <= length);
        for (std::size_t i = static_cast<std::size_t>(result); i < size; ++i) {
            check(destination[i] == pattern(i));
        }
        check(std::memcmp(source.get(), data, size) == 0);

        auto inPlace = std::make_unique<uint8_t[]>(size);
        if (size > 0) {
            std::memcpy(inPlace.get(), data, size);
        }
        check(zephcore::base64::decode(path, inPlace.get(), length, inPlace.get()) == result);
        for (std::size_t i = static_cast<std::size_t>(result); i < size; ++i) {
            check(inPlace[i] == data[i]);
        }

        if (!reference) {
            reference = std::move(destination);
            referenceInPlace = std::move(inPlace);
            referenceResult = result;
        } else {
            check(result == referenceResult);
            check(size == 0 || std::memcmp(destination.get(), reference.get(), size) == 0);
            check(size == 0 || std::memcmp(inPlace.get(), referenceInPlace.get(), size) == 0);
        }
    }
    return 0;
}
