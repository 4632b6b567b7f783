// The services the program takes from the system: settings, the system
// folder, files, shared libraries, message boxes, the shell, the environment
// and the clock. Each is a small interface with a Qt implementation; tests
// put fakes in their place with ScopedServices.
#pragma once

#include "platform/ScopedValue.h"

#include <QDateTime>
#include <QFunctionPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace zephral {

// Per-user text values addressed by application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString getSetting(const QString& application, const QString& section,
                               const QString& key, const QString& defaultValue) const = 0;
    virtual void saveSetting(const QString& application, const QString& section, const QString& key,
                             const QString& value) = 0;
};

// The per-user folder that holds the program's shared components, which need
// not exist yet. Empty text when there is none to be had.
class SystemFolder {
public:
    virtual ~SystemFolder() = default;
    virtual QString systemFolder() const = 0;
};

// The per-user folder for the program's own data: its error log goes there
// when the program's folder can't take it. Empty text when there is none.
class DataFolder {
public:
    virtual ~DataFolder() = default;
    virtual QString dataFolder() const = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool exists(const QString& path) const = 0;
    // Creates target as a copy of source, and the folders it needs; false
    // when it could not.
    virtual bool copy(const QString& source, const QString& target) = 0;
};

// A loaded shared library. Destroying the object does not unload the library:
// only unload() does, so a library whose code may still run stays mapped.
class Library {
public:
    virtual ~Library() = default;
    virtual QFunctionPointer resolve(const char* name) = 0;
    virtual void unload() = 0;
};

class LibraryLoader {
public:
    virtual ~LibraryLoader() = default;
    // A bare name goes through the system's ordinary search; a path is loaded
    // as it stands. Null when the library can't be loaded.
    virtual std::unique_ptr<Library> load(const QString& nameOrPath) = 0;
};

enum class MessageIcon { None, Information, Warning, Critical };

enum class MessageAnswer { Yes, No, Cancel };

// Message boxes. show() has an OK button only and returns when the user
// presses it; ask() has Yes, No and Cancel, and closing it is Cancel.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual void show(const QString& title, const QString& text, MessageIcon icon) = 0;
    virtual MessageAnswer ask(const QString& title, const QString& text, MessageIcon icon) = 0;
};

// The shell's "Open": a local path opens as a document, a bare host name as a
// web address, each with the desktop's default handler. Failures are ignored.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void open(const QString& pathOrAddress) = 0;
};

class Environment {
public:
    virtual ~Environment() = default;
    // Null QString when the variable is not set.
    virtual QString variable(const QString& name) const = 0;
    virtual QString systemUserName() const = 0;
    virtual QString systemHostName() const = 0;
};

// The file-open, file-save and folder dialogs. Each shows a title and a
// pre-filled file name (the folder dialog: the folder it opens on) and returns
// the chosen path, or nothing when the user cancels. The open dialog takes
// existing files only; the save dialog asks before an existing file is
// replaced; the folder dialog takes existing folders only.
class FileDialog {
public:
    virtual ~FileDialog() = default;
    virtual std::optional<QString> openFile(const QString& title, const QString& fileName) = 0;
    virtual std::optional<QString> saveFile(const QString& title, const QString& fileName) = 0;
    virtual std::optional<QString> chooseFolder(const QString& title, const QString& folder) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// The services in force. Every pointer is always set: the defaults are the
// Qt implementations on QtCore; the windowed program replaces the message box,
// the shell and the file dialog with its own at start.
struct Services {
    SettingsStore* settings = nullptr;
    SystemFolder* systemFolder = nullptr;
    DataFolder* dataFolder = nullptr;
    FileSystem* files = nullptr;
    LibraryLoader* libraries = nullptr;
    MessageBox* messageBox = nullptr;
    Shell* shell = nullptr;
    Environment* environment = nullptr;
    Clock* clock = nullptr;
    FileDialog* fileDialog = nullptr;
    // The file names self-installation copies into the system folder.
    QStringList components;
};

Services& services();

// Puts other services in force for its lifetime and restores the previous
// ones after.
class ScopedServices : public ScopedValue<Services> {
public:
    explicit ScopedServices(const Services& replacement) : ScopedValue(services(), replacement) {}
};

// The file name of the cipher library on this system.
QString cipherLibraryFileName();

} // namespace zephral
