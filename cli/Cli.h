// zephral-cli: the main window's file and text commands for scripts.
#pragma once

#include <QStringList>

namespace zephral::cli {

enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// Runs one command line (arguments()[0] is the program) and returns the exit status.
int run(const QStringList& arguments);

} // namespace zephral::cli
