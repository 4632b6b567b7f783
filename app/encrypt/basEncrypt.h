// basEncrypt: the only code that talks to the cipher library zephcore.
//
// Four text-to-text operations and the two conversions they rest on. Text is
// the program's QString; bytes are QByteArray, converted through the active
// single-byte code page (encrypt/CodePage.h), which maps every byte to a
// character of its own and back, so ciphertext can travel as text.
//
// No operation raises an error or shows a message: every failure (library or
// function missing, a key the library refuses, a buffer too large for the
// library's 32-bit lengths) gives the empty text. Callers that must tell
// failure from an empty result ask cipherLibraryAvailable() and check the
// key themselves.
#pragma once

#include "zephcore.h"

#include <QByteArray>
#include <QString>
#include <mutex>
#include <optional>

namespace zephral {

// The longest key, in characters (in bytes once converted), and the cipher's
// block, in bytes.
inline constexpr int kMaxKeyLength = ZEPHCORE_MAX_KEY_LENGTH;
inline constexpr int kCipherBlock = ZEPHCORE_BLOCK_SIZE;

// The length of n bytes encrypted: padded to whole blocks, 1 to 8 bytes more.
constexpr qint64 paddedSize(qint64 n) {
    return n - n % kCipherBlock + kCipherBlock;
}

QByteArray StringToBytes(const QString& text);
QString BytesToString(const QByteArray& bytes);

// Blowfish, ECB, padded to a whole number of blocks (paddedSize()). Empty for
// an empty or over-long key and for empty data.
QString EncryptString(const QString& data, const QString& key);
// The reverse. The length comes from the last deciphered byte and is not
// checked here: with a wrong key it can be anything, even longer than the
// input (the text then ends in NUL characters). See decryptBytesChecked().
QString DecryptString(const QString& data, const QString& key);
// Standard Base64 with "=" padding, on one line.
QString EncodeBase64(const QString& text);
// Lenient: characters outside the alphabet decode as 0. A last group of 2
// or 3 characters without "=" gives the 1 or 2 bytes it holds.
QString DecodeBase64(const QString& text);

// The same two on bytes, for text taken a piece at a time: Base64 of n bytes
// into `out` (room for (n + 2) / 3 * 4 characters), and the lenient decoding
// of n `chars` into `out` (room for n + 3 bytes; a last group of 2 or
// 3 characters without "=" is completed in `chars`, which has room for 2 more).
// The count written, or -1 when the library can't be had.
qsizetype encodeBase64Bytes(const char* data, qsizetype n, char* out);
qsizetype decodeBase64Bytes(char* chars, qsizetype n, char* out);

// True when a byte of the key, as the code page converts it, is 0x80 or more
// and stands anywhere but first in a group of four the key schedule reads:
// widened as a signed value, it sets every bit above its own and hides the
// bytes before it in the group, so that other keys give the very same
// schedule (in code page 1252 the bytes "abc\xE9", "xyz\xE9" and "caf\xE9"
// are one key). The library keeps that reading for the files made with it.
bool keyHidesCharacters(const QString& key);

// How a decryption judges the padding that ends its last block.
enum class PadCheck {
    // The last byte is the pad length, 1 to 8, and the pad - 1 bytes before
    // it are zero, as every encryption here and by the original tool made
    // them. A wrong key or damaged data passes about 1 time in 256, and then
    // encrypting the result with the same key gives back the source.
    Full,
    // The last byte alone, for the rare file another program padded with
    // something other than zeros. A wrong key passes 1 time in 32.
    LengthOnly,
};

// The one judge of a decryption's end: the pad length, 1 to 8, to take off
// `size` deciphered bytes whose last block is the 8 bytes before `end`; 0
// when they can't be anything this cipher made (not whole blocks, or a
// padding that fails the check), that is a wrong key or damaged data. `end`
// is read only when `size` is whole blocks.
int judgeEnd(qint64 size, const char* end, PadCheck check);

// Decrypts `data` (whole blocks, worked on in place) and takes the padding
// off. Nothing when the data is not whole blocks or the padding fails the
// check; the key and the library are the caller's to check first, and a key
// or library that fails gives nothing too. A block of padding alone gives
// empty bytes.
std::optional<QByteArray> decryptBytesChecked(QByteArray data, const QString& key, PadCheck check);

// A file's worth of data in pieces, for the file commands: the same bytes as
// EncryptString and decryptBytesChecked give for the whole, in bounded memory
// and without the library's 32-bit limit on the whole. Only the last piece of
// an encryption is padded: ECB enciphers every block on its own, so the
// pieces put together are the whole file's ciphertext.
//
// Making one converts the key and runs Initialize with it, once. The library
// keeps that one schedule for the whole process, and BlowENC and BlowDEC only
// read it, so pieces may then be transformed on several threads at once. A
// PieceCipher holds the schedule for its whole life: any other cipher work
// (another PieceCipher, EncryptString, DecryptString, decryptBytesChecked)
// waits until it is gone, and must not come from a thread that holds one.
class PieceCipher {
public:
    // The largest piece: far below the library's 32-bit lengths.
    static constexpr qsizetype kMaxPiece = qsizetype{1} << 30;

    explicit PieceCipher(const QString& key);
    ~PieceCipher();
    PieceCipher(const PieceCipher&) = delete;
    PieceCipher& operator=(const PieceCipher&) = delete;

    // False when the library or one of its functions is missing, or the key
    // is empty or refused (longer than kMaxKeyLength bytes once converted).
    bool ok() const { return m_ok; }

    // Encrypts n bytes, whole blocks, in place and unpadded. The buffer holds
    // a block more: the library pads every call, and its padding block lands
    // in the block after the data, which is scratch.
    bool encryptBlocks(char* data, qsizetype n);
    // Encrypts the last n bytes (0 included) with the padding: the buffer
    // holds a block more. Returns the padded length, 0 on failure.
    qsizetype encryptLast(char* data, qsizetype n);
    // Decrypts n bytes, whole blocks, in place. The padding is the caller's
    // to judge, with judgeEnd().
    bool decryptBlocks(char* data, qsizetype n);

private:
    bool run(int which, char* data, qsizetype n, qsizetype expected);

    std::unique_lock<std::mutex> m_schedule;
    QFunctionPointer m_encrypt = nullptr;
    QFunctionPointer m_decrypt = nullptr;
    bool m_ok = false;
};

// Loads the library when it is not loaded yet; true when it is. The places
// searched, in order: the program's folder, the private library folder of an
// installed tree (relative to the program's folder), the per-user system
// folder, then the system's ordinary search for the bare name.
bool cipherLibraryAvailable();

// For tests: forgets the library and every function found in it (nothing is
// unloaded), so that the next call searches again.
void resetCipherBinding();

} // namespace zephral
