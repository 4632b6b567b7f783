// The program's name and version, the settings it keeps, and its folder.
#pragma once

#include <QString>

namespace zephral {

inline constexpr const char* kAppTitle = "Quorvan Zephral";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 46;

// One row per setting the program keeps: application, section, key, default.
struct SettingDefinition {
    const char* application;
    const char* section;
    const char* key;
    const char* defaultValue;
};
inline constexpr SettingDefinition kSettingSelfInstall{"Zephral", "General", "SelfInstall",
                                                       "false"};
inline constexpr SettingDefinition kSettingCodePage{"Zephral", "General", "CodePage", "1252"};

// "Quorvan Zephral 1.0 Build 46"
QString appCaption();

// Reads a setting from the store in force, with its default.
QString readSetting(const SettingDefinition& setting);
void writeSetting(const SettingDefinition& setting, const QString& value);

// The program's folder, always ending in exactly one "/"; set by Main.
extern QString gAppPath;

} // namespace zephral
