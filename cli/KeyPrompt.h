// Asks for the key on the terminal, without echo.
#pragma once

#include <QByteArray>

namespace zephral::cli {

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
// program while it waits. The caller wipes the key when done.
PromptedKey promptKey(bool twice);

} // namespace zephral::cli
