// Asks for the key on the terminal, without echo.
#pragma once

#include <QString>
#include <optional>

namespace zephral::cli {

// Writes "Key: " to /dev/tty and reads one line with echo off; the terminal's
// settings come back afterwards, also when a signal ends the program while
// it waits. Nothing when there is no terminal to ask on.
std::optional<QString> promptKey();

} // namespace zephral::cli
