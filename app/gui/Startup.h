#pragma once

#include "startup/basMain.h"

#include <memory>

namespace zephral {

class frmMain;

// Before the application object exists: screens of 1.5 times the usual pixel
// density and more draw the windows at a whole multiple of their pixels (1.5
// rounds to 2), so that the one-pixel lines of the skinned controls stay
// sharp.
void prepareHighDpi();

// Sends what the skinned controls report to the error log, with a message box first
// where the report asks for one.
void installControlFailureLog();

// Main with the real main window: on success form holds the window, shown.
bool startWithMainWindow(const QString& programFolder, std::unique_ptr<frmMain>& form,
                         const StartupOptions& options = {});

// For tests of an installed program only, never set by users: with the
// environment variable ZEPHRAL_TEST_CLOSE_MAIN_WINDOW set to a non-empty
// value, once the main window is on screen the program writes
// "zephral: main window shown: <caption>" to standard error and closes the
// window as the program itself would, so it ends as after its last window
// closed. Without the variable this does nothing.
void closeMainWindowWhenShownForTests(frmMain& form);

} // namespace zephral
