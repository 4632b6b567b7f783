#pragma once

#include "core/basMain.h"

#include <memory>

class frmMain;

namespace zephral {

// Main with the real main window: on success form holds the window, shown.
bool StartWithMainWindow(const QString& programFolder, std::unique_ptr<frmMain>& form,
                         const StartupOptions& options = {});

} // namespace zephral
