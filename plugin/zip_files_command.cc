// Zip and attach file(s).
#include <windows.h>

#include <commdlg.h>

#include <string>
#include <vector>

#include "plugin/commands.h"
#include "plugin/compose_window.h"
#include "plugin/copy_text.h"
#include "plugin/dialog_hooks.h"
#include "plugin/message_pump.h"
#include "plugin/messages.h"
#include "plugin/run_command.h"
#include "plugin/selection.h"
#include "plugin/settings.h"
#include "plugin/wait_cursor.h"
#include "plugin/zip_name_dialog.h"
#include "plugin/zip_name_rules.h"
#include "plugin/zip_output.h"
#include "writer/archive.h"

namespace {

constexpr DWORD kSelectionSize = 5200;
constexpr DWORD kNameSize = MAX_PATH;

constexpr char kOpenFilter[] =
    "Text Files (*.txt)\0*.txt\0"
    "Image Files (*.bmp;*.jpg;*.tif)\0*.bmp;*.jpg;*.tif\0"
    "Archive Files (*.zip;*.gz;*.rar)\0*.zip;*.gz;*.rar\0"
    "MS Office Files (*.doc;*.rtf;*.xls)\0*.doc;*.rtf;*.xls\0"
    "All Files (*.*)\0*.*\0";

constexpr DWORD kOpenFlags = OFN_ENABLESIZING | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT |
                             OFN_ENABLEHOOK | OFN_HIDEREADONLY;
static_assert(kOpenFlags == 0x881224, "the open dialog's flags");

// "All Files (*.*)" until the user picks another; kept while the library is loaded.
DWORD rememberedFilterIndex = 5;

// Adds every source; stops at the first that fails.
bool AddAll(ZipArchive* archive, const std::vector<std::pair<std::string, std::string>>& sources,
            WaitCursor* cursor) {
  for (const auto& [entryName, path] : sources) {
    PumpMessages();
    cursor->SetAgain();
    if (AddFileToArchive(archive, entryName.c_str(), path.c_str()) != ArchiveOk) return false;
  }
  return true;
}

void ZipFiles() {
  PluginSettings& settings = Settings();
  std::vector<char> selection(kSelectionSize, '\0');
  char fileTitle[kNameSize] = "";
  char zipPath[kNameSize] = "";
  char saveTitle[kNameSize] = "";

  OPENFILENAMEA record;
  ZeroMemory(&record, sizeof record);
  record.lStructSize = DialogRecordSize();
  record.hwndOwner = CurrentComposeWindow();
  record.lpstrFilter = kOpenFilter;
  record.nFilterIndex = rememberedFilterIndex;
  record.lpstrFile = selection.data();
  record.nMaxFile = kSelectionSize;
  record.lpstrFileTitle = fileTitle;
  record.nMaxFileTitle = kNameSize;
  record.lpstrInitialDir = settings.initialFolder;
  record.lpstrTitle = "Select file(s) to zip & attach";
  record.Flags = kOpenFlags;
  record.lpfnHook = DetailsViewHookOpen;
  // A selection that does not fit the buffer fails the dialog too.
  std::vector<std::string> parts;
  if (!GetOpenFileNameA(&record) || !SplitSelection(selection.data(), selection.size(), &parts)) {
    ShowMessage(kCancelledText, MB_OK | MB_ICONINFORMATION);
    return;
  }
  rememberedFilterIndex = record.nFilterIndex;

  std::vector<std::pair<std::string, std::string>> sources;  // entry name, source path
  std::string preset;
  const bool single = parts.size() == 1;
  if (single) {
    CopyText(settings.initialFolder, kSettingTextSize, parts[0].substr(0, record.nFileOffset));
    sources.emplace_back(fileTitle, parts[0]);
    preset = ZipNameForFile(fileTitle);
  } else {
    CopyText(settings.initialFolder, kSettingTextSize, parts[0] + "\\");
    for (size_t i = 1; i < parts.size(); ++i) sources.emplace_back(parts[i], parts[0] + "\\" + parts[i]);
    preset = settings.defaultZipName;
  }

  std::vector<std::string> sourcePaths;
  for (const auto& source : sources) sourcePaths.push_back(source.second);

  MakeZipNameDialog(&record, zipPath, saveTitle);
  if (!AskZipPath(&record, preset, sourcePaths, false, 0)) return;

  WaitCursor cursor;
  if (!single) CopyText(settings.defaultZipName, kSettingTextSize, saveTitle);
  OpenArchive archive;
  if (!archive.Create(zipPath)) return;
  if (!AddAll(archive.get(), sources, &cursor)) {
    // Said for several files too: ending without a word would leave the user
    // waiting for an attachment that never comes.
    archive.Abandon(kAddErrorText);
    return;
  }
  FinishAndAttach(&archive, zipPath);
}

}  // namespace

void WINAPI ZipFilesCommand(LPARAM, LPARAM) { RunCommand(ZipFiles); }
