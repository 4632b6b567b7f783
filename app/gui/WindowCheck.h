// A run of the real windows on whatever window system the program has, for
// `make wayland-check`: the program drives itself the way a user would and
// says on standard error whether everything held. Enabled only by
// ZEPHRAL_TEST_WINDOW_CHECK=<folder> in the environment (the folder holds the
// files of the file round trip); the program ends when the run ends, with
// status 0 when every step passed.
#pragma once

namespace zephral {

class frmMain;

void startWindowCheckForTests(frmMain& form);

} // namespace zephral
