// The Qt implementations of the services that need no window system.
#pragma once

#include "platform/Services.h"

namespace zephral {

// QSettings in INI form. By default one file per application under the
// user's configuration folder; given a folder, the files live there instead
// (tests point it at a temporary folder).
class QtSettingsStore : public SettingsStore {
public:
    explicit QtSettingsStore(QString folder = {});
    QString getSetting(const QString& application, const QString& section, const QString& key,
                       const QString& defaultValue) const override;
    void saveSetting(const QString& application, const QString& section, const QString& key,
                     const QString& value) override;

private:
    QString m_folder;
};

// ~/.local/lib, created when missing; a given folder in its place for tests.
class QtSystemFolder : public SystemFolder {
public:
    explicit QtSystemFolder(QString folder = {});
    QString systemFolder() const override;

private:
    QString m_folder;
};

// $XDG_DATA_HOME/Quorvan/Zephral (~/.local/share/Quorvan/Zephral); a given
// folder in its place for tests. Not created here: only a writer that needs
// it makes it.
class QtDataFolder : public DataFolder {
public:
    explicit QtDataFolder(QString folder = {});
    QString dataFolder() const override;

private:
    QString m_folder;
};

class QtFileSystem : public FileSystem {
public:
    bool exists(const QString& path) const override;
    bool copy(const QString& source, const QString& target) override;
};

class QtLibraryLoader : public LibraryLoader {
public:
    std::unique_ptr<Library> load(const QString& nameOrPath) override;
};

// Without a window system a message goes to standard error, and a question
// is answered Cancel.
class StderrMessageBox : public MessageBox {
public:
    void show(const QString& title, const QString& text, MessageIcon icon) override;
    MessageAnswer ask(const QString& title, const QString& text, MessageIcon icon) override;
};

// Without a window system there is nothing to open documents with.
class NullShell : public Shell {
public:
    void open(const QString&) override {}
};

// Without a window system there is no dialog to show: every choice is
// cancelled.
class NullFileDialog : public FileDialog {
public:
    std::optional<QString> openFile(const QString&, const QString&) override { return {}; }
    std::optional<QString> saveFile(const QString&, const QString&) override { return {}; }
    std::optional<QString> chooseFolder(const QString&, const QString&) override { return {}; }
};

class QtEnvironment : public Environment {
public:
    QString variable(const QString& name) const override;
    QString systemUserName() const override;
    QString systemHostName() const override;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override;
};

} // namespace zephral
