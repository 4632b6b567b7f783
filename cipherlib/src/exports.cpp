// The seven exports: a thin shell over the engine and the codec, which hands
// them the code paths chosen for this process. Nothing here throws, and a
// null pointer or a negative length touches no memory.
#include "base64.h"
#include "blowfish.h"
#include "dispatch.h"
#include "zephcore.h"

extern "C" {

ZEPHCORE_API int32_t InitArrays(void) {
    return zephcore::blowfish::initArrays();
}

ZEPHCORE_API int32_t Initialize(const char* key) {
    if (key == nullptr) {
        return 1;
    }
    return zephcore::blowfish::initialize(key);
}

ZEPHCORE_API int32_t BlowENC(uint8_t* buffer, int32_t length) {
    if (buffer == nullptr || length < 0) {
        return 0;
    }
    return zephcore::blowfish::encryptBuffer(buffer, length, zephcore::dispatch().threads);
}

ZEPHCORE_API int32_t BlowDEC(uint8_t* buffer, int32_t length) {
    if (buffer == nullptr || length <= 0) {
        return 0;
    }
    return zephcore::blowfish::decryptBuffer(buffer, length, zephcore::dispatch().threads);
}

ZEPHCORE_API int32_t InitB64(void) {
    return zephcore::base64::initTables();
}

ZEPHCORE_API int32_t B64ENC(const uint8_t* source, int32_t length, uint8_t* destination) {
    if (source == nullptr || destination == nullptr || length <= 0) {
        return 0;
    }
    return zephcore::base64::encode(zephcore::dispatch().base64, source, length, destination);
}

ZEPHCORE_API int32_t B64DEC(const uint8_t* source, int32_t length, uint8_t* destination) {
    if (source == nullptr || destination == nullptr || length <= 0) {
        return 0;
    }
    return zephcore::base64::decode(zephcore::dispatch().base64, source, length, destination);
}

} // extern "C"
