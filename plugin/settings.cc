#include "plugin/settings.h"

#include "plugin/ini_path.h"

namespace {

constexpr char kSection[] = "Settings";
constexpr char kInitialFolderKey[] = "InitialFolder";
constexpr char kDefaultZipNameKey[] = "DefaultZipName";
constexpr char kShowSaveWarningKey[] = "ShowSaveWarning";
constexpr char kShowZipFolderKey[] = "ShowZipFolder";
constexpr char kDefaultZipName[] = "Attached_files.zip";

// Where no INI path exists the profile functions are not asked at all: a
// relative or empty name would send them to the Windows folder.
void ReadText(const PluginSettings* settings, const char* key, const char* fallback, char* text) {
  if (settings->hasIniPath) {
    GetPrivateProfileStringA(kSection, key, fallback, text, kSettingTextSize, settings->iniPath);
  } else {
    lstrcpynA(text, fallback, kSettingTextSize);
  }
}

UINT ReadNumber(const PluginSettings* settings, const char* key, UINT fallback) {
  return settings->hasIniPath ? GetPrivateProfileIntA(kSection, key, static_cast<INT>(fallback), settings->iniPath)
                              : fallback;
}

}  // namespace

PluginSettings& Settings() {
  static PluginSettings settings;
  return settings;
}

void LoadSettings(PluginSettings* settings, const char* modulePath) {
  settings->hasIniPath = IniPathForModule(modulePath, settings->iniPath, sizeof settings->iniPath);
  ReadText(settings, kInitialFolderKey, "", settings->initialFolder);
  ReadText(settings, kDefaultZipNameKey, kDefaultZipName, settings->defaultZipName);
  settings->showSaveWarning = ReadNumber(settings, kShowSaveWarningKey, 1);
  settings->showZipFolder = ReadNumber(settings, kShowZipFolderKey, 0);
}

void SaveSettings(const PluginSettings& settings) {
  if (!settings.hasIniPath) return;
  WritePrivateProfileStringA(kSection, kInitialFolderKey, settings.initialFolder, settings.iniPath);
  WritePrivateProfileStringA(kSection, kDefaultZipNameKey, settings.defaultZipName, settings.iniPath);
}
