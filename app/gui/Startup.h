#pragma once

#include "startup/basMain.h"

#include <memory>

namespace zephral {

class frmMain;

// Main with the real main window: on success form holds the window, shown.
bool StartWithMainWindow(const QString& programFolder, std::unique_ptr<frmMain>& form,
                         const StartupOptions& options = {});

} // namespace zephral
