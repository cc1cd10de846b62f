// The plug-in's four settings, in section "Settings" of its INI file: read
// once when the library loads, the two texts written back when it unloads.
// The file is in the system's ANSI code page; in memory the texts are UTF-8.
#pragma once

#include <windows.h>

#include <string>

// Characters the profile functions read of a text setting, with the NUL.
constexpr DWORD kSettingTextSize = 261;

struct PluginSettings {
  std::string initialFolder;   // where the file picker and folder browser start
  std::string defaultZipName;  // name proposed for the zip
  UINT showSaveWarning;        // warn when a zip is saved outside the temporary folder
  UINT showZipFolder;          // offer the zip-folder command
  std::string iniPath;         // empty when the module path gave none
};

// The process's settings.
PluginSettings& Settings();

// Derives the INI path from the module's path (UTF-8) and reads all four
// settings; absent keys, or no INI path, give the defaults. Creates no file.
void LoadSettings(PluginSettings* settings, const std::string& modulePath);

// Writes InitialFolder and DefaultZipName back; nothing else. A text that
// the ANSI code page cannot hold is not written: the file keeps the value
// it had, since a look-alike would name another folder or file. Results of
// the writes are ignored: there is nobody left to tell.
void SaveSettings(const PluginSettings& settings);
