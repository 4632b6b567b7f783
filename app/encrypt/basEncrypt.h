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

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zephral {

inline constexpr int kMaxKeyLength = 56;

QByteArray StringToBytes(const QString& text);
QString BytesToString(const QByteArray& bytes);

// Blowfish, ECB, padded to a whole number of blocks: 1 to 8 bytes longer than
// the data. Empty for an empty or over-long key and for empty data.
QString EncryptString(const QString& data, const QString& key);
// The reverse. The length comes from the last deciphered byte and is not
// checked here: with a wrong key it can be anything, even longer than the
// input (the text then ends in NUL characters). See decryptedLengthValid().
QString DecryptString(const QString& data, const QString& key);
// The same two operations on bytes, for callers that hold bytes (the file
// commands): every code page maps each byte to a character of its own and
// back, so going through text would give these very bytes, only slower and
// with the file held several times over. `data` is worked on in place.
QByteArray EncryptBytes(QByteArray data, const QString& key);
QByteArray DecryptBytes(QByteArray data, const QString& key);
// Standard Base64 with "=" padding, on one line.
QString EncodeBase64(const QString& text);
// Lenient: characters outside the alphabet decode as 0. A last group of 2
// or 3 characters without "=" gives the 1 or 2 bytes it holds.
QString DecodeBase64(const QString& text);

// True when a decryption of `cipherLength` bytes that gave `plainLength`
// bytes read a valid pad byte (1 to 8) at the end of whole blocks. Only the
// pad byte is judged, never the zero filler before it, so everything the
// cipher ever produced still passes with the right key; a wrong key or
// damaged data fails about 31 times in 32.
bool decryptedLengthValid(qsizetype cipherLength, qsizetype plainLength);

// Loads the library when it is not loaded yet; true when it is.
bool cipherLibraryAvailable();
// The places searched, in order: the program's folder, the per-user system
// folder, then the system's ordinary search for the bare name.
QStringList cipherLibraryCandidates();

// For tests: forgets the library and every function found in it (nothing is
// unloaded), so that the next call searches again.
void resetCipherBinding();

} // namespace zephral
