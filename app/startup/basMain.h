// Start-up and the error message of the commands: the parts of Main that need
// no window.
#pragma once

#include "commands/CommandResult.h"

#include <QString>
#include <functional>

namespace zephral {

// The folder with exactly one trailing "/".
QString appPathFrom(const QString& folder);

// The window steps of start-up, given by the windowed program.
struct MainWindowSteps {
    std::function<void()> load; // create the main window; runs its load handler
    std::function<void()> show; // show it, modeless
};

// Options of start-up that tests shorten.
struct StartupOptions {
    int registrationWaitMs = 10000;
    int installPauseMs = 500;
};

// Start-up: records the program's folder in gAppPath, runs self-installation,
// loads and shows the main window. The one failure these steps can meet,
// running out of memory while the window is built, is reported as "Main " and
// the step reached; the result is false then, and the program should end
// unless a window is open.
bool Main(const QString& programFolder, const MainWindowSteps& window,
          const StartupOptions& options = {});

// The message box of the commands, titled with the application title, OK
// only: "<procedure>: error <number>: <description>", and " (<path>)" after
// it when the failure concerns a file.
void ReportError(const QString& procedure, const CommandResult& failure);

// Writes to the error log, once, that the "CodePage" setting names no code
// page the program has and which it uses instead.
void installCodePageFallbackLog();

// A warning of a command that went on, in the same message box with the
// warning icon.
void reportWarning(const QString& text);

} // namespace zephral
