#pragma once

#include "startup/basMain.h"

#include <memory>

namespace zephral {

class frmMain;

// Sends what the 3D frames report to the error log, with a message box first
// where the report asks for one.
void installFrameFailureLog();

// Main with the real main window: on success form holds the window, shown.
bool StartWithMainWindow(const QString& programFolder, std::unique_ptr<frmMain>& form,
                         const StartupOptions& options = {});

} // namespace zephral
