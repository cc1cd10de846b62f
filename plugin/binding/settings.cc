#include "plugin/binding/settings.h"

#include "platform/code_page.h"
#include "platform/wide_text.h"
#include "plugin/binding/ini_path.h"

namespace {

constexpr wchar_t kSection[] = L"Settings";
constexpr wchar_t kInitialFolderKey[] = L"InitialFolder";
constexpr wchar_t kDefaultZipNameKey[] = L"DefaultZipName";
constexpr wchar_t kShowSaveWarningKey[] = L"ShowSaveWarning";
constexpr wchar_t kShowZipFolderKey[] = L"ShowZipFolder";
constexpr wchar_t kIncludeSubfoldersKey[] = L"IncludeSubfolders";
constexpr wchar_t kMailSizeLimitKey[] = L"MailSizeLimit";
constexpr wchar_t kRejectedTypesKey[] = L"RejectedTypes";
constexpr wchar_t kThreadsKey[] = L"Threads";
// Room for a list of types: a few hundred of them.
constexpr DWORD kListSize = 4096;
// Several of the largest mail services take 20 MB a message, none less.
constexpr UINT kDefaultMailSizeLimit = 20;
constexpr char kDefaultZipName[] = "Attached_files.zip";

// The profile functions are called wide, so that a module in a folder the
// ANSI code page cannot name still finds its file; they read and write the
// file's text in the ANSI code page themselves. Where no INI path exists
// they are not asked at all: a relative or empty name would send them to
// the Windows folder.
TextAsRead ReadText(const std::wstring& iniPath, const wchar_t* key, const char* fallback) {
  if (iniPath.empty()) return TextAsRead{false, fallback};
  std::wstring wideFallback;
  WidenUtf8(fallback, &wideFallback);
  // One character more than a setting keeps. A buffer too small is filled
  // to its last character and the count says only that (size - 1), which a
  // value of exactly that length says too: so only a value that fills this
  // larger buffer was longer than a setting keeps.
  wchar_t text[kSettingTextSize + 1] = L"";
  DWORD length =
      GetPrivateProfileStringW(kSection, key, wideFallback.c_str(), text, kSettingTextSize + 1, iniPath.c_str());
  const bool cutShort = length >= kSettingTextSize;
  if (cutShort) {
    length = kSettingTextSize - 1;
    // Never keep half of a surrogate pair.
    if (IS_HIGH_SURROGATE(text[length - 1])) --length;
  }
  TextAsRead read{cutShort, ""};
  if (!NarrowWide(text, length, &read.value)) read.value = fallback;
  return read;
}

UINT ReadNumber(const std::wstring& iniPath, const wchar_t* key, UINT fallback) {
  return iniPath.empty() ? fallback : GetPrivateProfileIntW(kSection, key, static_cast<INT>(fallback), iniPath.c_str());
}

void WriteText(const std::wstring& iniPath, const wchar_t* key, const std::string& value, const TextAsRead& read) {
  if (read.cutShort && value == read.value) return;
  std::string ansi;
  std::wstring wide;
  if (!Utf8ToAnsi(value, &ansi) || !WidenUtf8(value, &wide)) return;
  WritePrivateProfileStringW(kSection, key, wide.c_str(), iniPath.c_str());
}

// A list setting, with room for more than a text setting keeps. False when
// the file has no such key (told apart by a default no file can hold) or
// its text has no UTF-8 form.
bool ReadList(const std::wstring& iniPath, const wchar_t* key, std::string* value) {
  if (iniPath.empty()) return false;
  static const wchar_t kAbsent[] = L"\x01";
  std::wstring text(kListSize, L'\0');
  const DWORD length = GetPrivateProfileStringW(kSection, key, kAbsent, &text[0], kListSize, iniPath.c_str());
  text.resize(length);
  return text != kAbsent && NarrowWide(text.c_str(), length, value);
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
  settings->initialFolderAsRead = ReadText(wideIniPath, kInitialFolderKey, "");
  settings->initialFolder = settings->initialFolderAsRead.value;
  settings->defaultZipNameAsRead = ReadText(wideIniPath, kDefaultZipNameKey, kDefaultZipName);
  settings->defaultZipName = settings->defaultZipNameAsRead.value;
  settings->showSaveWarning = ReadNumber(wideIniPath, kShowSaveWarningKey, 1);
  settings->showZipFolder = ReadNumber(wideIniPath, kShowZipFolderKey, 0);
  settings->includeSubfolders = ReadNumber(wideIniPath, kIncludeSubfoldersKey, 0) != 0 ? 1 : 0;
  settings->includeSubfoldersAsRead = settings->includeSubfolders;
  settings->mailSizeLimit = ReadNumber(wideIniPath, kMailSizeLimitKey, kDefaultMailSizeLimit);
  settings->threads = ReadNumber(wideIniPath, kThreadsKey, 0);
  settings->rejectedTypesGiven = ReadList(wideIniPath, kRejectedTypesKey, &settings->rejectedTypes);
}

void SaveSettings(const PluginSettings& settings) {
  const std::wstring wideIniPath = WideIniPath(settings);
  if (wideIniPath.empty()) return;
  WriteText(wideIniPath, kInitialFolderKey, settings.initialFolder, settings.initialFolderAsRead);
  WriteText(wideIniPath, kDefaultZipNameKey, settings.defaultZipName, settings.defaultZipNameAsRead);
  if (settings.includeSubfolders != settings.includeSubfoldersAsRead) {
    WritePrivateProfileStringW(kSection, kIncludeSubfoldersKey, settings.includeSubfolders != 0 ? L"1" : L"0",
                               wideIniPath.c_str());
  }
}
