#include "platform/QtServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <cstdio>
#include <pwd.h>
#include <unistd.h>

namespace zephral {

namespace {

QString settingsFile(const QString& folder, const QString& application) {
    return QDir(folder).filePath(application + QStringLiteral(".ini"));
}

std::unique_ptr<QSettings> openSettings(const QString& folder, const QString& application) {
    if (folder.isEmpty()) {
        return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                           QStringLiteral("Quorvan"), application);
    }
    return std::make_unique<QSettings>(settingsFile(folder, application), QSettings::IniFormat);
}

// QSettings keeps top-level keys in the file's [General] section and writes a
// group called "General" as [%General]; so that the file reads as the
// section it names, keys of "General" are kept at the top level.
QString settingsKey(const QString& section, const QString& key) {
    if (section.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) {
        return key;
    }
    return section + QLatin1Char('/') + key;
}

class QtLibrary : public Library {
public:
    explicit QtLibrary(std::unique_ptr<QLibrary> library) : m_library(std::move(library)) {}
    QFunctionPointer resolve(const char* name) override { return m_library->resolve(name); }
    void unload() override { m_library->unload(); }

private:
    std::unique_ptr<QLibrary> m_library;
};

} // namespace

QtSettingsStore::QtSettingsStore(QString folder) : m_folder(std::move(folder)) {}

QString QtSettingsStore::getSetting(const QString& application, const QString& section,
                                    const QString& key, const QString& defaultValue) const {
    auto settings = openSettings(m_folder, application);
    return settings->value(settingsKey(section, key), defaultValue).toString();
}

void QtSettingsStore::saveSetting(const QString& application, const QString& section,
                                  const QString& key, const QString& value) {
    auto settings = openSettings(m_folder, application);
    settings->setValue(settingsKey(section, key), value);
    settings->sync();
}

QtSystemFolder::QtSystemFolder(QString folder) : m_folder(std::move(folder)) {}

QString QtSystemFolder::systemFolder() const {
    // Only named here: the folder is made by the copy that puts something in
    // it, so that looking for the library leaves no trace in the home.
    return m_folder.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/lib") : m_folder;
}

QtDataFolder::QtDataFolder(QString folder) : m_folder(std::move(folder)) {}

QString QtDataFolder::dataFolder() const {
    if (!m_folder.isEmpty()) {
        return m_folder;
    }
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/Quorvan/Zephral");
}

bool QtFileSystem::exists(const QString& path) const {
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool QtFileSystem::copy(const QString& source, const QString& target) {
    return QDir().mkpath(QFileInfo(target).absolutePath()) && QFile::copy(source, target);
}

std::unique_ptr<Library> QtLibraryLoader::load(const QString& nameOrPath) {
    auto library = std::make_unique<QLibrary>(nameOrPath);
    if (!library->load()) {
        return nullptr;
    }
    return std::make_unique<QtLibrary>(std::move(library));
}

void StderrMessageBox::show(const QString& title, const QString& text, MessageIcon) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
}

MessageAnswer StderrMessageBox::ask(const QString& title, const QString& text, MessageIcon icon) {
    show(title, text, icon);
    return MessageAnswer::Cancel;
}

QString QtEnvironment::variable(const QString& name) const {
    const QByteArray key = name.toLocal8Bit();
    if (!qEnvironmentVariableIsSet(key.constData())) {
        return {};
    }
    return qEnvironmentVariable(key.constData());
}

QString QtEnvironment::systemUserName() const {
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_name != nullptr) {
        return QString::fromLocal8Bit(entry->pw_name);
    }
    return {};
}

QString QtEnvironment::systemHostName() const {
    return QSysInfo::machineHostName();
}

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

} // namespace zephral
