// Zip and attach folder.
#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "plugin/commands.h"
#include "plugin/compose_window.h"
#include "plugin/copy_text.h"
#include "plugin/dialog_hooks.h"
#include "plugin/message_pump.h"
#include "plugin/messages.h"
#include "plugin/run_command.h"
#include "plugin/settings.h"
#include "plugin/size_question.h"
#include "plugin/wait_cursor.h"
#include "plugin/zip_name_dialog.h"
#include "plugin/zip_output.h"
#include "platform/platform.h"
#include "writer/archive.h"

namespace {

constexpr DWORD kNameSize = MAX_PATH;
constexpr char kBrowserTitle[] =
    "All files in the selected folder will be added to the zip archive. Subfolders will be ignored (no recursion).";

// A folder search, closed when it goes, also when an exception passes.
struct Search {
  HANDLE handle;
  ~Search() {
    if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
  }
};

// Calls `visit(name)` for every entry of `folder` that is not a folder:
// plain files, hidden and system ones too. Stops early when `visit` returns
// false.
template <typename Visit>
void ForEachFile(const std::string& folder, Visit visit) {
  WIN32_FIND_DATAA found;
  Search search{FindFirstFileA((folder + "\\*.*").c_str(), &found)};
  if (search.handle == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && !visit(std::string(found.cFileName))) return;
  } while (FindNextFileA(search.handle, &found));
}

// Asks the user for a folder. Returns false when the browser was cancelled
// or gave no file-system folder.
bool BrowseForFolder(std::string* folder) {
  IMalloc* allocator = nullptr;
  LPITEMIDLIST root = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr) return false;
  if (FAILED(SHGetSpecialFolderLocation(CurrentComposeWindow(), CSIDL_DESKTOP, &root)) || root == nullptr) {
    allocator->Release();
    return false;
  }
  char displayName[kNameSize] = "";
  BROWSEINFOA browse;
  ZeroMemory(&browse, sizeof browse);
  browse.hwndOwner = CurrentComposeWindow();
  browse.pidlRoot = root;
  browse.pszDisplayName = displayName;
  browse.lpszTitle = kBrowserTitle;
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  browse.lpfn = FolderBrowserCallback;
  browse.lParam = reinterpret_cast<LPARAM>(Settings().initialFolder);
  LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
  char path[kNameSize] = "";
  const bool ok = chosen != nullptr && SHGetPathFromIDListA(chosen, path);
  if (chosen != nullptr) allocator->Free(chosen);
  allocator->Free(root);
  allocator->Release();
  if (ok) *folder = path;
  return ok;
}

// The folder to zip, with the number and total size of its files, once the
// user has confirmed them. Returns false when the user cancelled.
bool ChooseFolder(std::string* folder, uint64_t* total) {
  for (;;) {
    if (!BrowseForFolder(folder)) {
      ShowMessage(kCancelledText, MB_OK | MB_ICONINFORMATION);
      return false;
    }
    int count = 0;
    ForEachFile(*folder, [&](const std::string&) {
      ++count;
      return true;
    });
    if (count == 0) {
      ShowMessage("There are no files in folder '" + *folder + "'. Creation of zip archive cancelled.",
                  MB_OK | MB_ICONINFORMATION);
      continue;
    }
    // Summed in 64 bits: folders of 2 GiB and more get the right figure and
    // the right space check.
    *total = 0;
    ForEachFile(*folder, [&](const std::string& name) {
      struct _stat64 status;
      if (_stat64((*folder + "\\" + name).c_str(), &status) == 0 && (status.st_mode & _S_IFREG) != 0 &&
          (status.st_mode & _S_IFDIR) == 0) {
        *total += static_cast<uint64_t>(status.st_size);
      }
      return true;
    });
    if (ShowMessage(SizeQuestion(count, *total), MB_YESNO | MB_ICONQUESTION) == IDYES) return true;
  }
}

void ZipFolder() {
  PluginSettings& settings = Settings();
  std::string folder;
  uint64_t total = 0;
  if (!ChooseFolder(&folder, &total)) return;
  CopyText(settings.initialFolder, kSettingTextSize, folder);

  char zipPath[kNameSize] = "";
  OPENFILENAMEA record;
  ZeroMemory(&record, sizeof record);
  record.lStructSize = DialogRecordSize();
  record.hwndOwner = CurrentComposeWindow();
  MakeZipNameDialog(&record, zipPath, nullptr);  // no file title wanted here
  // A zip that replaces a file of the folder is the user's choice, made when
  // Windows asked: typically last time's zip. That file is left out below.
  if (!AskZipPath(&record, settings.defaultZipName, {}, true, total)) return;

  WaitCursor cursor;
  OpenArchive archive;
  if (!archive.Create(zipPath)) return;
  // Files that cannot be added (unreadable, in use, gone, too large, or the
  // zip itself when it is saved into this folder) are left out. When the zip
  // itself fails (a full disk, say), every later file would fail too and an
  // empty zip would be attached as if all was well: the command ends there.
  bool zipFailed = false;
  ForEachFile(folder, [&](const std::string& name) {
    cursor.SetAgain();
    const std::string path = folder + "\\" + name;
    PumpMessages();
    cursor.SetAgain();
    const int32_t result = AddFileToArchive(archive.get(), name.c_str(), path.c_str());
    zipFailed = result != ArchiveOk && !IsSourceFailure(result, LastFileError());
    return !zipFailed;
  });
  if (zipFailed) {
    archive.Abandon(kCreateErrorText);
    return;
  }
  FinishAndAttach(&archive, zipPath);
}

}  // namespace

void WINAPI ZipFolderCommand(LPARAM, LPARAM) { RunCommand(ZipFolder); }
