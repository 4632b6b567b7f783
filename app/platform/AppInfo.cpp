#include "platform/AppInfo.h"

#include "platform/Services.h"

namespace zephral {

QString gAppPath;

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

void writeSetting(const SettingDefinition& setting, const QString& value) {
    services().settings->saveSetting(QLatin1String(setting.application),
                                     QLatin1String(setting.section), QLatin1String(setting.key),
                                     value);
}

} // namespace zephral
