// zephcore: Blowfish and Base64 over caller-owned buffers.
//
// Seven plain C functions and nothing else.
//
// Buffers. Callers own and size every buffer; the library never keeps,
// frees or reallocates one, and writes only where each function below says.
//
// State and threads. The Blowfish key schedule is one per process: it is
// zero when the library is loaded, InitArrays and Initialize replace it, and
// BlowENC and BlowDEC read it. So Initialize or InitArrays must not run while
// another thread is in any Blowfish function, and two callers with different
// keys must take turns (set the key, then encrypt or decrypt, one caller at a
// time). The Base64 functions hold no state but one flag that InitB64 sets:
// they may run at the same time as each other and as the Blowfish functions,
// from any threads, on buffers that do not overlap.
//
// Memory and threads started. The library allocates no memory of its own.
// BlowENC and BlowDEC on a buffer of ZEPHCORE_THREADED_FROM bytes or more
// share the blocks out between the calling thread and up to one thread per
// processor (at most ZEPHCORE_MAX_THREADS in all); every such thread is
// started and joined within the call, and a thread that cannot be started
// leaves its share to the calling thread.
// During a long buffer each thread gives up its time slice once every 20000
// blocks.
//
// Code paths. At the first call the library records which code it runs:
// vector kernels for Base64 where the processor has AVX2 or AVX-512 VBMI,
// a Blowfish round built on the bit-field instructions where it has BMI1,
// the portable code elsewhere; every path gives the same bytes. Set the
// environment variable ZEPHCORE_PORTABLE (to anything but "" or "0") before
// that first call to keep both on the portable code. It is read once.
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

// The numbers the functions below keep to.
enum {
    ZEPHCORE_BLOCK_SIZE = 8,          // bytes in a Blowfish block
    ZEPHCORE_MAX_KEY_LENGTH = 56,     // the longest key Initialize takes, in bytes
    ZEPHCORE_THREADED_FROM = 1 << 20, // 1 MiB: from here on a buffer is shared between threads
    ZEPHCORE_MAX_THREADS = 8,         // the most threads one call runs on, its own included
};

// Copies the initial (unkeyed) Blowfish tables into the working tables. Returns 0.
ZEPHCORE_API int32_t InitArrays(void);

// Builds the key schedule from a NUL-terminated 8-bit key. Returns 0, or 1 when
// the key is longer than ZEPHCORE_MAX_KEY_LENGTH bytes (the schedule in force
// is then left alone).
ZEPHCORE_API int32_t Initialize(const char* key);

// Pads and encrypts `length` bytes in place (ECB, big-endian halves). The buffer
// must hold length + 8 bytes; the last byte written holds the pad length, 1 to 8.
// Returns the ciphertext length, length + pad.
ZEPHCORE_API int32_t BlowENC(uint8_t* buffer, int32_t length);

// Decrypts the whole blocks of `length` bytes in place and returns length minus
// the last byte read as a signed 8-bit value. The padding is not verified.
ZEPHCORE_API int32_t BlowDEC(uint8_t* buffer, int32_t length);

// Puts the Base64 alphabet in force. Returns 0. Before the first call the
// codec works as if its tables were all zero: B64ENC writes NUL in place of
// every character but the "=" padding, and B64DEC reads every character as 0.
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
