// zephcore: Blowfish and Base64 over caller-owned buffers.
//
// Seven plain C functions and nothing else. The key schedule and the two
// Base64 tables are process-wide and unguarded: they are zero when the
// library is loaded, Initialize / InitArrays fill the cipher tables and
// InitB64 fills the codec tables. Callers own and size every buffer.
#ifndef ZEPHCORE_H
#define ZEPHCORE_H

#include <stdint.h>

#if defined(_WIN32)
#define ZEPHCORE_API __declspec(dllexport)
#else
#define ZEPHCORE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Copies the initial (unkeyed) Blowfish tables into the working tables. Returns 0.
ZEPHCORE_API int32_t InitArrays(void);

// Builds the key schedule from a NUL-terminated 8-bit key. Returns 0, or 1 when
// the key is longer than 56 bytes (the schedule in force is then left alone).
ZEPHCORE_API int32_t Initialize(const char* key);

// Pads and encrypts `length` bytes in place (ECB, big-endian halves). The buffer
// must hold length + 8 bytes; the last byte written holds the pad length, 1 to 8.
// Returns the ciphertext length, length + pad.
ZEPHCORE_API int32_t BlowENC(uint8_t* buffer, int32_t length);

// Decrypts the whole blocks of `length` bytes in place and returns length minus
// the last byte read as a signed 8-bit value. The padding is not verified.
ZEPHCORE_API int32_t BlowDEC(uint8_t* buffer, int32_t length);

// Fills the Base64 encode and decode tables. Returns 0.
ZEPHCORE_API int32_t InitB64(void);

// Writes 4 * ceil(length / 3) Base64 characters (with "=" padding) to
// `destination` and returns that count.
ZEPHCORE_API int32_t B64ENC(const uint8_t* source, int32_t length, uint8_t* destination);

// Leniently decodes `length` characters; returns the decoded length and never
// writes at or beyond it. A destination of `length` bytes always suffices.
ZEPHCORE_API int32_t B64DEC(const uint8_t* source, int32_t length, uint8_t* destination);

#ifdef __cplusplus
}
#endif

#endif // ZEPHCORE_H
