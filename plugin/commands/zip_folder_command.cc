// Zip and attach folder.
#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/case_folding.h"
#include "platform/file_errors.h"
#include "platform/file_status.h"
#include "platform/platform.h"
#include "platform/wide_text.h"
#include "plugin/binding/compose_window.h"
#include "plugin/binding/settings.h"
#include "plugin/commands/attach_question.h"
#include "plugin/commands/command_stop.h"
#include "plugin/commands/commands.h"
#include "plugin/commands/dialog_hooks.h"
#include "plugin/commands/messages.h"
#include "plugin/commands/refused_files.h"
#include "plugin/commands/run_command.h"
#include "plugin/commands/texts.h"
#include "plugin/commands/zip_name_dialog.h"
#include "plugin/output/zip_output.h"
#include "plugin/output/zip_progress.h"
#include "writer/archive.h"
#include "writer/folder_plan.h"

namespace {

constexpr DWORD kNameSize = MAX_PATH;

// Asks the user for a folder. Returns false when the browser was cancelled
// or gave no file-system folder. The path is read wide from the item: the
// ANSI one would put look-alikes for the characters the code page lacks.
bool BrowseForFolder(std::string* folder) {
  IMalloc* allocator = nullptr;
  LPITEMIDLIST root = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr) return false;
  if (FAILED(SHGetSpecialFolderLocation(CurrentComposeWindow(), CSIDL_DESKTOP, &root)) || root == nullptr) {
    allocator->Release();
    return false;
  }
  std::wstring initialFolder;
  WidenUtf8(Settings().initialFolder, &initialFolder);
  FolderBrowserChoice choice{initialFolder.c_str(), Settings().includeSubfolders != 0};
  wchar_t displayName[kNameSize] = L"";
  BROWSEINFOW browse;
  ZeroMemory(&browse, sizeof browse);
  browse.hwndOwner = CurrentComposeWindow();
  browse.pidlRoot = root;
  browse.pszDisplayName = displayName;
  browse.lpszTitle = choice.includeSubfolders ? kFolderBrowserTitleWithSubfolders : kFolderBrowserTitle;
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  browse.lpfn = FolderBrowserCallback;
  browse.lParam = reinterpret_cast<LPARAM>(&choice);
  LPITEMIDLIST chosen = SHBrowseForFolderW(&browse);
  wchar_t path[kNameSize] = L"";
  const bool ok = chosen != nullptr && SHGetPathFromIDListW(chosen, path) && NarrowWide(path, folder);
  // The box is remembered as the user left it for a folder chosen.
  if (ok) Settings().includeSubfolders = choice.includeSubfolders ? 1 : 0;
  if (chosen != nullptr) allocator->Free(chosen);
  allocator->Free(root);
  allocator->Release();
  return ok;
}

// How many of `sources` are files, not folders' own entries.
size_t CountFiles(const std::vector<Source>& sources) {
  return static_cast<size_t>(
      std::count_if(sources.begin(), sources.end(), [](const Source& source) { return !source.isFolder; }));
}

bool Named(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Takes the files the user chose to leave out (`chosen`, by entry name) out
// of the plan: they are neither added nor told of as left out.
void LeaveOut(FolderPlan* plan, const std::vector<std::string>& chosen) {
  std::vector<Source>& files = plan->files;
  files.erase(
      std::remove_if(files.begin(), files.end(), [&](const Source& file) { return Named(chosen, file.entryName); }),
      files.end());
  plan->plannedBytes = 0;
  for (const Source& file : files) plan->plannedBytes += file.size;
  std::vector<LeftOutFile>& leftOut = plan->leftOut;
  leftOut.erase(std::remove_if(leftOut.begin(), leftOut.end(),
                               [&](const LeftOutFile& file) { return Named(chosen, file.source.entryName); }),
                leftOut.end());
}

// The folder to zip, with the plan the user confirmed and the total size
// of its files, those it leaves out included (hidden and system files too;
// files a zip left when it could not finish are none of the folder's).
// Returns false when the user cancelled.
bool ChooseFolder(std::string* folder, FolderPlan* plan, uint64_t* total) {
  for (;;) {
    if (CommandStopped()) return false;
    if (!BrowseForFolder(folder)) {
      ShowMessage(kCancelledText, MB_OK | MB_ICONINFORMATION);
      return false;
    }
    uint32_t error = 0;
    if (!PlanFolder(*folder, Settings().includeSubfolders != 0, {}, nullptr, plan, &error)) {
      ShowMessage(UnreadableFolderText(*folder, DescribeFileError(error)), MB_OK | MB_ICONINFORMATION);
      continue;
    }
    // Files only: a folder's own entry, or a link to a folder, is none.
    size_t count = CountFiles(plan->files);
    for (const LeftOutFile& file : plan->leftOut) count += file.source.isFolder ? 0 : 1;
    if (count == 0) {
      ShowMessage(NoFilesText(*folder), MB_OK | MB_ICONINFORMATION);
      continue;
    }
    // Summed in 64 bits: folders of 2 GiB and more get the right figure and
    // the right space check.
    *total = plan->plannedBytes;
    for (const LeftOutFile& file : plan->leftOut) *total += file.source.size;
    if (ShowMessage(SizeQuestion(static_cast<int>(count), *total), MB_YESNO | MB_ICONQUESTION) == IDYES) {
      return true;
    }
  }
}

void ZipFolder() {
  PluginSettings& settings = Settings();
  std::string folder;
  FolderPlan confirmed;
  uint64_t total = 0;
  if (!ChooseFolder(&folder, &confirmed, &total)) return;
  settings.initialFolder = folder;
  // Before anything is written: files that mail services refuse in a zip
  // may stay out; they are neither added nor told of again.
  std::vector<std::string> leftOutByUser;
  if (!AskAboutRefusedFiles(&confirmed.files, &leftOutByUser)) return;
  if (CountFiles(confirmed.files) == 0 && !leftOutByUser.empty()) {
    ShowMessage(kCancelledText, MB_OK | MB_ICONINFORMATION);
    return;
  }

  // A zip that replaces a file of the folder is the user's choice, made when
  // Windows asked: typically last time's zip. That file is left out below.
  ZipNameChecks checks;
  checks.requiredRoom = total;
  ZipName zipName;
  if (!AskZipName(settings.defaultZipName, false, checks, &zipName)) return;
  const std::string& zipPath = zipName.path;

  CommandOutput output;
  if (CommandStopped() || !output.Create(zipPath)) return;
  // The files are those present now. Files that cannot be added
  // (unreadable, in use, too large, a name no zip can hold, one Windows
  // would extract over another, one the user was told of that has gone
  // since, a link to a file outside the folder, or a name given to another
  // file since it was listed) are left out, and the user decides afterwards
  // whether the zip goes without them. When the zip is saved into this
  // folder, neither the file it replaces nor the zip being written is a
  // file of it: they are neither added nor counted. When the zip itself
  // fails (a full disk, say), every later file would fail too: the command
  // ends there.
  // The listing knows each file's identity, so the file replaced and the
  // zip being written are each looked at once.
  std::vector<FileIdentity> own;
  FileIdentity replaced{};
  if (IdentifyFile(zipPath, &replaced)) own.push_back(replaced);
  FileInfo written{};
  if (QueryFileInfo(output.output()->file, &written)) own.push_back(written.identity);
  FolderPlan plan;
  uint32_t listError = 0;
  if (!PlanFolder(folder, Settings().includeSubfolders != 0, own, &confirmed, &plan, &listError)) {
    output.Abandon(
        ("Cannot read folder '" + folder + "': " + DescribeFileError(listError) + ". " + kCancelledText).c_str());
    return;
  }
  LeaveOut(&plan, leftOutByUser);
  std::vector<std::string> leftOut;
  for (const LeftOutFile& file : plan.leftOut) leftOut.push_back(file.source.entryName);
  ZipProgress progress(&output, CountFiles(plan.files), plan.plannedBytes);
  PlanArchiveSources(output.archive(), plan.files.data(), plan.files.size());
  for (const Source& file : plan.files) {
    // A folder's own entry is its header alone: no file to count or show.
    if (!file.isFolder && !progress.NextFile(file.entryName, file.size)) break;
    const ArchiveStatus status =
        file.isFolder
            ? AddFolderToArchive(output.archive(), file.entryName.c_str(), file.path.c_str())
            : AddListedFileToArchive(output.archive(), file.entryName.c_str(), file.path.c_str(), file.identity);
    if (status.code == ArchiveOk) continue;
    if (progress.Stopped()) break;
    if (!IsSourceFailure(status)) {
      progress.Close();
      output.Abandon(kCreateErrorText);
      return;
    }
    // Its name stays taken: a later name that collides with it was left
    // out too, as it would have been had this file been added.
    leftOut.push_back(file.entryName);
  }
  progress.Close();
  if (progress.Stopped() || CommandStopped()) {
    // Cancelled, the message it was for closed, the plug-in unloaded, the
    // session ending, or the progress window failed: no half-made zip is
    // left behind, and nothing is said to a window that is gone.
    output.Abandon(progress.Stopped() ? progress.StopMessage() : nullptr);
    return;
  }
  if (!output.Finish()) return;
  // Asked after the zip is closed and before it is attached; No leaves the
  // zip where it was saved. The names are listed in the order of their
  // names without regard to case, whatever order the system enumerated
  // them in.
  std::sort(leftOut.begin(), leftOut.end(),
            [](const std::string& a, const std::string& b) { return FoldCase(a) < FoldCase(b); });
  if (!AttachAnyway(zipPath, leftOut)) return;
  AttachZip(zipName.mailClientPath);
}

}  // namespace

void WINAPI ZipFolderCommand(LPARAM, LPARAM) { RunCommand(ZipFolder); }
