// The plug-in's four settings, in section "Settings" of its INI file: read
// once when the library loads, the two texts written back when it unloads.
#pragma once

#include <windows.h>

constexpr size_t kSettingTextSize = 261;  // 260 characters and the NUL

struct PluginSettings {
  char initialFolder[kSettingTextSize];   // where the file picker and folder browser start
  char defaultZipName[kSettingTextSize];  // name proposed for the zip
  UINT showSaveWarning;                   // warn when a zip is saved outside the temporary folder
  UINT showZipFolder;                     // offer the zip-folder command
  char iniPath[MAX_PATH];
  bool hasIniPath;  // false when the module path left no room for the INI path
};

// The process's settings.
PluginSettings& Settings();

// Derives the INI path from the module's path and reads all four settings;
// absent keys, or no INI path, give the defaults. Creates no file.
void LoadSettings(PluginSettings* settings, const char* modulePath);

// Writes InitialFolder and DefaultZipName back; nothing else. Results of the
// writes are ignored: there is nobody left to tell.
void SaveSettings(const PluginSettings& settings);
