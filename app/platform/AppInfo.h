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

// gAppPath, or the running program's own folder before Main has set it
// (zephral-cli never runs Main). Ends in "/"; empty only without either.
QString programFolder();

// Where an installed program's other files lie, relative to its folder: the
// build knows the layout (bin/, lib/<multiarch>/zephral/, share/zephral/),
// so a tree installed under any prefix or DESTDIR finds its own files.
// Each ends in "/"; empty when programFolder() is.
QString installedLibraryFolder();
QString installedDataFolder();

// True when the program runs from an installed tree: its private library
// folder is there. Such a program keeps nothing beside itself.
bool runsInstalled();

// The read-me the "Readme.txt" button opens: "readme.txt" beside the program
// when it is there, else the installed one; beside the program when neither
// exists (opening a missing file does nothing).
QString readmePath();

} // namespace zephral
