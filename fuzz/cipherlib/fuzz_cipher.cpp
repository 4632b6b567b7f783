// Fuzzes the Blowfish engine: any key of up to 56 bytes and any data must
// survive BlowENC then BlowDEC unchanged, with the ciphertext exactly the
// padded length; BlowDEC on arbitrary bytes of any length must stay inside
// its buffer. Every buffer is allocated at its exact size so that the address
// sanitizer reports the first byte read or written past it.
#include "blowfish.h"
#include "dispatch.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

[[noreturn]] void fail() {
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
    if (size < 2) {
        return 0;
    }
    // First byte: the key length (0 to 56) and a mode bit; then the key.
    const size_t keyLength = std::min<size_t>(input[0] % 57, size - 2);
    const bool arbitraryDecrypt = (input[1] & 1) != 0;
    char key[57] = {};
    for (size_t i = 0; i < keyLength; ++i) {
        // The key is a NUL-terminated string: a zero byte would end it early.
        key[i] = static_cast<char>(input[2 + i] == 0 ? 1 : input[2 + i]);
    }
    const uint8_t* data = input + 2 + keyLength;
    const size_t length = size - 2 - keyLength;

    if (zephcore::blowfish::initialize(key) != 0) {
        fail();
    }

    if (arbitraryDecrypt) {
        auto buffer = std::make_unique<uint8_t[]>(length);
        std::memcpy(buffer.get(), data, length);
        const auto n = static_cast<int32_t>(length);
        const int32_t result =
            zephcore::blowfish::decryptBuffer(buffer.get(), n, zephcore::dispatch().threads);
        if (n == 0 ? result != 0 : (result < n - 127 || result > n + 128)) {
            fail();
        }
        // The bytes after the last whole block stay as they were.
        if (std::memcmp(buffer.get() + length / 8 * 8, data + length / 8 * 8, length % 8) != 0) {
            fail();
        }
        return 0;
    }

    const size_t padded = length / 8 * 8 + 8;
    auto buffer = std::make_unique<uint8_t[]>(padded);
    std::memcpy(buffer.get(), data, length);
    std::memset(buffer.get() + length, 0, padded - length);
    const auto n = static_cast<int32_t>(length);
    if (zephcore::blowfish::encryptBuffer(buffer.get(), n, zephcore::dispatch().threads) !=
        static_cast<int32_t>(padded)) {
        fail();
    }
    // Rekeying as the program does before every operation.
    if (zephcore::blowfish::initialize(key) != 0) {
        fail();
    }
    if (zephcore::blowfish::decryptBuffer(buffer.get(), static_cast<int32_t>(padded),
                                          zephcore::dispatch().threads) != n) {
        fail();
    }
    if (std::memcmp(buffer.get(), data, length) != 0) {
        fail();
    }
    return 0;
}
