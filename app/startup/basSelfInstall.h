// First-start installation of the program's components into the per-user
// system folder.
#pragma once

#include <QString>

namespace zephral {

// Unless "SelfInstall" says it was done before: copies every component that is
// missing from the system folder there from the program's folder, has each run
// its "DllRegisterServer" entry, records "true" in "SelfInstall" whatever
// happened, and pauses. Nothing is reported; a failing step is skipped.
void RunSelfInstall(int registrationWaitMs = 10000, int pauseMs = 500);

// Where a component is copied from: the program's folder when it is there,
// else the private library folder of an installed tree.
QString componentSource(const QString& name);

// Copies one component into the system folder when it is not there yet, and
// registers the copy there in either case.
void InstallComponent(const QString& name, int registrationWaitMs = 10000);

// Loads the library at path and runs its "DllRegisterServer" entry on a worker
// thread, waiting at most registrationWaitMs. A registration that overruns is
// left to finish on its own, and its library stays loaded under it.
void RegisterComponent(const QString& path, int registrationWaitMs = 10000);

} // namespace zephral
