#include "plugin/settings.h"

#include "plugin/ini_path.h"
#include "platform/code_page.h"
#include "platform/wide_text.h"

namespace {

constexpr wchar_t kSection[] = L"Settings";
constexpr wchar_t kInitialFolderKey[] = L"InitialFolder";
constexpr wchar_t kDefaultZipNameKey[] = L"DefaultZipName";
constexpr wchar_t kShowSaveWarningKey[] = L"ShowSaveWarning";
constexpr wchar_t kShowZipFolderKey[] = L"ShowZipFolder";
constexpr char kDefaultZipName[] = "Attached_files.zip";

// The profile functions are called wide, so that a module in a folder the
// ANSI code page cannot name still finds its file; they read and write the
// file's text in the ANSI code page themselves. Where no INI path exists
// they are not asked at all: a relative or empty name would send them to
// the Windows folder.
std::string ReadText(const std::wstring& iniPath, const wchar_t* key, const char* fallback) {
  if (iniPath.empty()) return fallback;
  std::wstring wideFallback;
  WidenUtf8(fallback, &wideFallback);
  wchar_t text[kSettingTextSize] = L"";
  GetPrivateProfileStringW(kSection, key, wideFallback.c_str(), text, kSettingTextSize, iniPath.c_str());
  std::string value;
  return NarrowWide(text, &value) ? value : fallback;
}

UINT ReadNumber(const std::wstring& iniPath, const wchar_t* key, UINT fallback) {
  return iniPath.empty() ? fallback : GetPrivateProfileIntW(kSection, key, static_cast<INT>(fallback), iniPath.c_str());
}

void WriteText(const std::wstring& iniPath, const wchar_t* key, const std::string& value) {
  std::string ansi;
  std::wstring wide;
  if (!Utf8ToAnsi(value, &ansi) || !WidenUtf8(value, &wide)) return;
  WritePrivateProfileStringW(kSection, key, wide.c_str(), iniPath.c_str());
}

std::wstring WideIniPath(const PluginSettings& settings) {
  std::wstring wide;
  WidenUtf8(settings.iniPath, &wide);
  return wide;
}

}  // namespace

PluginSettings& Settings() {
  static PluginSettings settings;
  return settings;
}

void LoadSettings(PluginSettings* settings, const std::string& modulePath) {
  std::string iniPath(modulePath.size() + sizeof ".ini", '\0');
  settings->iniPath = IniPathForModule(modulePath.c_str(), &iniPath[0], iniPath.size()) ? iniPath.c_str() : "";
  const std::wstring wideIniPath = WideIniPath(*settings);
  settings->initialFolder = ReadText(wideIniPath, kInitialFolderKey, "");
  settings->defaultZipName = ReadText(wideIniPath, kDefaultZipNameKey, kDefaultZipName);
  settings->showSaveWarning = ReadNumber(wideIniPath, kShowSaveWarningKey, 1);
  settings->showZipFolder = ReadNumber(wideIniPath, kShowZipFolderKey, 0);
}

void SaveSettings(const PluginSettings& settings) {
  const std::wstring wideIniPath = WideIniPath(settings);
  if (wideIniPath.empty()) return;
  WriteText(wideIniPath, kInitialFolderKey, settings.initialFolder);
  WriteText(wideIniPath, kDefaultZipNameKey, settings.defaultZipName);
}
