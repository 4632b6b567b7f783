// zephral-cli's key: from a key file, the environment or the terminal, where
// it is asked for without echo.
#pragma once

#include "commands/CommandResult.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace zephral::cli {

// The largest key file, in bytes: a key, not a document.
inline constexpr qint64 kMaxKeyFile = 4096;

// The operand and key file name that stand for standard input or output.
inline constexpr char kStandardStream[] = "-";

// The key a command runs with: the first line of `keyFile` when one is given
// (at most 4 KiB, UTF-8, a byte-order mark dropped; "-" reads standard input), else the environment
// variable ZEPHRAL_KEY, else typed on the terminal, twice when `encrypting`.
// With none of the three the failure is kErrorNoKey, saying where a key may
// come from; a key that is not UTF-8 is kErrorInvalidUtf8.
CommandResult readKey(const std::optional<QByteArray>& keyFile, bool encrypting, QString& key);

// True when the key file would be read from standard input: "-", or a name
// for the very file standard input is.
bool keyFileIsStandardInput(const QByteArray& keyFile);

// Strict UTF-8: false for anything that is not, where a lenient decoder
// would put U+FFFD and lose the bytes.
bool decodeUtf8(const QByteArray& bytes, QString& text);
// The failure of text, a key or a key file that is not UTF-8.
CommandResult notUtf8(const QString& what, const FilePath& path = {});

struct PromptedKey {
    enum class Outcome {
        Typed,      // `key` holds the line typed
        NoTerminal, // there is no terminal to ask on
        Differ,     // asked twice, and the two lines differ
    } outcome;
    QByteArray key;
};

// Writes "Key: " to /dev/tty and reads one line with echo off; with `twice`
// it asks again with "Again: " and takes the key only when both lines are
// the same, so that a key mistyped for an encryption is never used. The
// terminal's settings come back afterwards, also when a signal ends the
// program while it waits; stopped there (Ctrl-Z) and continued, it turns echo
// off again and asks for the line afresh. The caller wipes the key when done.
PromptedKey promptKey(bool twice);

} // namespace zephral::cli
