// zephral-cli recover-key: finds the forgotten key of an encrypted file or
// text among candidates built from what the user remembers of it.
//
// A candidate is a hit when it deciphers the last block to a whole padding
// (about 1 wrong key in 256 is one), and found when the start of the
// decryption is also plausible. Only found keys are ever printed (and, with
// --all, the other hits, as "possible").
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace zephral::cli {

// True when the command line's command is recover-key, whose options are
// its own.
bool isRecoverKey(const QList<QByteArray>& arguments);

// Runs it: 0 when a key was found, 1 when none was, 2 for a usage error,
// 128 + the signal's number when SIGINT or SIGTERM stopped it first.
int recoverKey(const QList<QByteArray>& arguments);

// Its line in the list of commands and its options, for --help.
QString recoverKeyCommandHelp();
QString recoverKeyOptionsHelp();

} // namespace zephral::cli
