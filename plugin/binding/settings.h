// The plug-in's settings, in section "Settings" of its INI file: read once
// when the library loads; the two texts and the folder browser's check box
// written back when it unloads.
// The file is in the system's ANSI code page; in memory the texts are UTF-8.
#pragma once

#include <windows.h>

#include <string>

// Characters a text setting keeps, with the NUL. A longer text in the file
// is read cut short to kSettingTextSize - 1 characters.
constexpr DWORD kSettingTextSize = 261;

// What a text setting was when it was read, when the file held more of it
// than a setting keeps.
struct TextAsRead {
  bool cutShort;
  std::string value;  // what the setting was given: the part kept, or the default
};

struct PluginSettings {
  std::string initialFolder;   // where the file picker and folder browser start
  std::string defaultZipName;  // name proposed for the zip
  UINT showSaveWarning;        // warn when a zip is saved outside the temporary folder
  UINT showZipFolder;          // offer the zip-folder command
  UINT includeSubfolders;      // the folder browser's "Include subfolders", as the user left it
  UINT mailSizeLimit;          // megabytes a message may take before the user is asked; 0: never asked
  UINT threads;                // threads that deflate a large file; 0: as many as processors
  // RejectedTypes as the file gives it, when it does (rejectedTypesGiven):
  // types of file a zip that goes by mail should not hold. Absent, the
  // commands take their default list; present and empty, none.
  std::string rejectedTypes;
  bool rejectedTypesGiven;
  std::string iniPath;  // empty when the module path gave none
  // So that a text read cut short is written back only when a command
  // changed it: written unchanged, it would cut the user's value short in
  // the file too.
  TextAsRead initialFolderAsRead;
  TextAsRead defaultZipNameAsRead;
  UINT includeSubfoldersAsRead;  // written back only when the user changed it
};

// The process's settings.
PluginSettings& Settings();

// Derives the INI path from the module's path (UTF-8) and reads every
// setting; absent keys, or no INI path, give the defaults. Creates no file.
void LoadSettings(PluginSettings* settings, const std::string& modulePath);

// Writes InitialFolder and DefaultZipName back, and IncludeSubfolders when
// the user changed it; nothing else. A text that
// the ANSI code page cannot hold is not written: the file keeps the value
// it had, since a look-alike would name another folder or file. Nor is a
// text that was read cut short and is still what was read: the file keeps
// its whole value. Results of
// the writes are ignored: there is nobody left to tell.
void SaveSettings(const PluginSettings& settings);
