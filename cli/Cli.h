// zephral-cli: the main window's file and text commands for scripts.
#pragma once

#include "commands/Commands.h"

#include <QByteArray>
#include <QList>

namespace zephral::cli {

enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// Runs one command line, given as the bytes of argv (arguments[0] is the
// program), and returns the exit status.
int run(const QList<QByteArray>& arguments);

// One text command as zephral-cli runs it, on bytes: `input` is the text as
// it came (UTF-8, refused when it is not), `output` what goes to standard
// output. Base64 input loses its trailing line breaks; text output gains one.
CommandResult textCommand(Command command, const QByteArray& input, const QString& key,
                          PadCheck padCheck, QByteArray& output);

} // namespace zephral::cli
