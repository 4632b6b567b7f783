#include "platform/AppInfo.h"

#include "platform/Services.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace zephral {

QString gAppPath;

namespace {

// Folders relative to the program's folder in an installed tree, from the
// build's install layout ("../lib/x86_64-linux-gnu/zephral").
QString installedFolder(const char* fromProgramFolder) {
    const QString folder = programFolder();
    if (folder.isEmpty()) {
        return {};
    }
    return QDir::cleanPath(folder + QLatin1String(fromProgramFolder)) + QLatin1Char('/');
}

} // namespace

QString appCaption() {
    return QStringLiteral("%1 %2.%3 Build %4")
        .arg(QLatin1String(kAppTitle))
        .arg(kVersionMajor)
        .arg(kVersionMinor)
        .arg(kVersionRevision);
}

QString readSetting(const SettingDefinition& setting) {
    return services().settings->getSetting(
        QLatin1String(setting.application), QLatin1String(setting.section),
        QLatin1String(setting.key), QLatin1String(setting.defaultValue));
}

QString programFolder() {
    if (!gAppPath.isEmpty()) {
        return gAppPath;
    }
    if (QCoreApplication::instance() == nullptr) {
        return {};
    }
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

QString installedLibraryFolder() {
    return installedFolder(ZEPHRAL_LIBRARY_FROM_PROGRAM);
}

QString installedDataFolder() {
    return installedFolder(ZEPHRAL_DATA_FROM_PROGRAM);
}

bool runsInstalled() {
    const QString folder = installedLibraryFolder();
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

QString readmePath() {
    const QString name = QStringLiteral("readme.txt");
    const QString beside = programFolder() + name;
    if (QFileInfo::exists(beside)) {
        return beside;
    }
    const QString installed = installedDataFolder() + name;
    return !installedDataFolder().isEmpty() && QFileInfo::exists(installed) ? installed : beside;
}

void writeSetting(const SettingDefinition& setting, const QString& value) {
    services().settings->saveSetting(QLatin1String(setting.application),
                                     QLatin1String(setting.section), QLatin1String(setting.key),
                                     value);
}

} // namespace zephral
