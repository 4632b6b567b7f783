#include "startup/basSelfInstall.h"

#include "platform/AppInfo.h"
#include "platform/Services.h"
#include "tools/basTools.h"

#include <chrono>
#include <exception>
#include <future>
#include <memory>
#include <thread>

namespace zephral {

namespace {

// The registration entry of a self-registering component.
using RegisterEntry = int (*)();

constexpr const char* kRegisterEntryName = "DllRegisterServer";

} // namespace

void RunSelfInstall(int registrationWaitMs, int pauseMs) {
    // An unreadable setting reads as its default: "not installed yet".
    if (ToBool(readSetting(kSettingSelfInstall))) {
        return;
    }
    // A component that can't be installed is left out; the program still
    // finds the cipher library in its own folder.
    for (const QString& name : services().components) {
        InstallComponent(name, registrationWaitMs);
    }
    // Written whatever the installation achieved, so that a failed one is not
    // tried again at every start.
    writeSetting(kSettingSelfInstall, QStringLiteral("true"));
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
}

QString componentSource(const QString& name) {
    const QString beside = gAppPath + name;
    if (services().files->exists(beside)) {
        return beside;
    }
    // An installed program's components lie in its private library folder.
    const QString installed = installedLibraryFolder();
    return !installed.isEmpty() && services().files->exists(installed + name) ? installed + name
                                                                              : beside;
}

void InstallComponent(const QString& name, int registrationWaitMs) {
    QString folder = TrimAtNul(services().systemFolder->systemFolder());
    if (folder.isEmpty()) {
        return;
    }
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    const QString target = folder + name;
    // An existing copy is never replaced, whatever its version; it is
    // registered again all the same.
    if (!services().files->exists(target)) {
        services().files->copy(componentSource(name), target);
    }
    RegisterComponent(target, registrationWaitMs);
}

void RegisterComponent(const QString& path, int registrationWaitMs) {
    if (path.isEmpty()) {
        return;
    }
    std::unique_ptr<Library> library = services().libraries->load(path);
    if (!library) {
        return;
    }
    const auto entry = reinterpret_cast<RegisterEntry>(library->resolve(kRegisterEntryName));
    if (entry == nullptr) {
        library->unload();
        return;
    }
    // The worker owns its half of the promise, so it can outlive this call.
    auto finished = std::make_shared<std::promise<void>>();
    std::future<void> done = finished->get_future();
    std::thread worker;
    try {
        worker = std::thread([entry, finished] {
            // The entry's result is not looked at: a component that fails to
            // register is not told apart from one that succeeds.
            static_cast<void>(entry());
            finished->set_value();
        });
    } catch (const std::exception&) { // no thread, or no memory for one
        library->unload();
        return;
    }
    if (done.wait_for(std::chrono::milliseconds(registrationWaitMs)) == std::future_status::ready) {
        worker.join();
        library->unload();
        return;
    }
    // The registration overran. It can't be stopped safely from here, so it is
    // left to finish on its own; its library stays loaded, because unloading
    // it would pull the code out from under the running entry. Start-up goes
    // on without it.
    worker.detach();
}

} // namespace zephral
