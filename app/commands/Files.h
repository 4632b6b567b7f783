// The file commands' work: read a whole file, encrypt or decrypt it with
// EncryptBytes / DecryptBytes (the byte form of EncryptString and
// DecryptString, which gives the same bytes), write the whole result to the
// destination.
//
// The windowed program calls this from its wait-window sequence and the
// command line calls it directly; it services no events and shows nothing.
// The key never appears in a result's description.
#pragma once

#include <QString>

namespace zephral {

// The outcome of a file command. On failure `number` and `description` are
// the system's error number and text (errno and strerror: 2 "No such file or
// directory", 13 "Permission denied", 21 "Is a directory", 28 "No space left
// on device", ...) or one of the program's own below, and `path` names the
// file the failure concerns (empty when it concerns neither).
// The windowed program shows "<procedure>: error <number>: <description>".
struct CommandResult {
    bool ok = true;
    int number = 0;
    QString description;
    QString path;

    static CommandResult success() { return {}; }
    static CommandResult failure(int number, const QString& description, const QString& path = {});
    static CommandResult systemError(int errorNumber, const QString& path = {});
};

// The program's own failure numbers, above every errno value.
enum CommandError : int {
    // "No key was given": an empty key.
    kErrorNoKey = 1001,
    // "The key is longer than 56 characters".
    kErrorKeyTooLong = 1002,
    // "Wrong key or damaged file": the deciphered pad byte is not 1 to 8, or
    // the ciphertext is not a whole number of 8-byte blocks. Nothing is written.
    kErrorWrongKey = 1003,
    // "The decryption gives no data (wrong key or damaged file)" and, for
    // encryption, "The cipher gave no result". Nothing is written.
    kErrorEmptyResult = 1004,
    // "The file is too large to encrypt or decrypt (at most 2147483639 bytes)".
    kErrorTooLarge = 1005,
    // "The cipher library libzephcore.so could not be loaded".
    kErrorNoLibrary = 1006,
};

enum class FileTransform { Encrypt, Decrypt };

// Checks a key before any work: empty, or longer than 56 characters.
CommandResult checkKey(const QString& key);
CommandResult libraryMissing();

// The largest source the in-memory path takes: the library's lengths are
// signed 32-bit and encryption adds up to 8 bytes.
inline constexpr qint64 kMaxFileSize = 2147483647LL - 8;

// Source and destination may be the same file: the source is read whole
// before anything is written. The destination is replaced only once the whole
// result is written (through a temporary file beside it, keeping an existing
// destination's permission bits), so a failure leaves it as it was. An empty
// source gives an empty destination. A destination that exists and is not a
// regular file (a device, a pipe) is written directly.
CommandResult transformFile(FileTransform transform, const QString& source,
                            const QString& destination, const QString& key);
CommandResult encryptFile(const QString& source, const QString& destination, const QString& key);
CommandResult decryptFile(const QString& source, const QString& destination, const QString& key);

// Reads a whole file into memory (at most kMaxFileSize bytes).
CommandResult readWholeFile(const QString& path, QByteArray& content);
// Replaces the file at `path` with `content` as described for transformFile.
CommandResult writeWholeFile(const QString& path, const QByteArray& content);

} // namespace zephral
