// zephral-cli: the main window's file and text commands for scripts.
#pragma once

#include "commands/Commands.h"

#include <QByteArray>
#include <QList>
#include <optional>
#include <span>
#include <utility>

namespace zephral::cli {

enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// Opens on /dev/null each of descriptors 0, 1 and 2 that is closed, before
// anything else opens a file, and remembers it: a result for a standard
// output that was closed then fails instead of going into whatever file
// took the number. Called first thing in main().
void guardStandardDescriptors();

// Runs one command line, given as the bytes of argv (arguments[0] is the
// program), and returns the exit status. Standard output is flushed and
// closed at the end, and a failure there reported.
int run(const QList<QByteArray>& arguments);

// An option that takes a value, and where its value goes.
using ValueOption = std::pair<const char*, std::optional<QByteArray>*>;

// When arguments[i] is one of `options`, given as "NAME VALUE" (i then moves
// on to the value) or, for a long option, "NAME=VALUE", takes its value and
// sets `taken`. The usage error when the value is missing.
std::optional<QString> takeOptionValue(const QList<QByteArray>& arguments, qsizetype& i,
                                       std::span<const ValueOption> options, bool& taken);

// One text command as zephral-cli runs it (streamTextCommand), on bytes in
// memory: `input` is the text as it came (UTF-8, refused when it is not),
// `output` what goes to standard output, empty on failure. Base64 input loses
// its white space; Base64 output gains a line break.
CommandResult textCommand(Command command, const QByteArray& input, const QString& key,
                          PadCheck padCheck, QByteArray& output);

} // namespace zephral::cli
