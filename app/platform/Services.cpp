#include "platform/Services.h"

#include "platform/QtServices.h"

namespace zephral {

namespace {

Services makeDefaults() {
    static QtSettingsStore settings;
    static QtSystemFolder systemFolder;
    static QtDataFolder dataFolder;
    static QtFileSystem files;
    static QtLibraryLoader libraries;
    static StderrMessageBox messageBox;
    static NullShell shell;
    static QtEnvironment environment;
    static SystemClock clock;
    static NullFileDialog fileDialog;
    Services s;
    s.settings = &settings;
    s.systemFolder = &systemFolder;
    s.dataFolder = &dataFolder;
    s.files = &files;
    s.libraries = &libraries;
    s.messageBox = &messageBox;
    s.shell = &shell;
    s.environment = &environment;
    s.clock = &clock;
    s.fileDialog = &fileDialog;
    s.components = QStringList{cipherLibraryFileName()};
    return s;
}

} // namespace

Services& services() {
    static Services current = makeDefaults();
    return current;
}

QString cipherLibraryFileName() {
    // The build passes the library target's own file name.
    return QStringLiteral(ZEPHCORE_FILE_NAME);
}

} // namespace zephral
