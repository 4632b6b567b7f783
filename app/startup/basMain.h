// Start-up and the error message of the commands: the parts of Main that need
// no window.
#pragma once

#include <QString>
#include <functional>
#include <stdexcept>

namespace zephral {

// A failure with the number and description the user is shown. Numbers are
// errno values where the failure comes from the system.
class AppError : public std::runtime_error {
public:
    AppError(int number, const QString& description);
    int number() const { return m_number; }
    const QString& description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

struct ErrorInfo {
    int number = 0;
    QString description;
};

// The number and description of the exception being handled; call it only
// inside a catch block. AppError gives its own, std::system_error its code and
// message, running out of memory ENOMEM; any other exception -1 and its text.
ErrorInfo currentErrorInfo();

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

} // namespace zephral

// Start-up: records the program's folder in gAppPath, runs self-installation,
// loads and shows the main window. A failure is reported as "Main " and the
// step reached; the result is false then, and the program should end unless a
// window is open.
bool Main(const QString& programFolder, const zephral::MainWindowSteps& window,
          const zephral::StartupOptions& options = {});

// The message box of the commands: the application title, and the text
// "<procedure>: error <number>: <description>", OK only.
void ReportError(const QString& procedure, int number, const QString& description);

// The same for the exception being handled; call it only inside a catch block.
void ReportError(const QString& procedure);
