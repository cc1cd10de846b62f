#include <windows.h>

#include "platform/case_folding.h"
#include "platform/folder_listing.h"
#include "platform/paths.h"
#include "platform/wide_text.h"

namespace {

// A folder search, closed when it goes.
struct Search {
  HANDLE handle;
  ~Search() {
    if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
  }
};

// A handle from CreateFileW, closed when it goes.
struct OpenedPath {
  HANDLE handle;
  ~OpenedPath() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

// GetFinalPathNameByHandleW came with Windows Vista. Windows XP has no links
// to files, so there a listing does without it.
using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

FinalPathFunction FindFinalPathFunction() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<FinalPathFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "GetFinalPathNameByHandleW")));
}

// Opens a listed name only to ask about it: no access to its data, so
// neither its access time nor another program's share mode is touched, and
// links are followed. Folders open too (a link to a file may lead to one),
// so that they can be recognised and passed over.
HANDLE OpenForQuestions(const std::wstring& path) {
  return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Where an open handle really lies, links resolved, case-folded UTF-8 for
// comparing; empty when the system cannot say (or has no such function).
std::string FoldedFinalPath(FinalPathFunction finalPath, HANDLE handle) {
  if (finalPath == nullptr) return "";
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    // Counts the NUL when the buffer is too small, leaves it out when not.
    const DWORD length =
        finalPath(handle, &path[0], static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return "";
    if (length < path.size()) {
      std::string text;
      return NarrowWide(path.data(), length, &text) ? FoldCase(text) : "";
    }
    path.assign(length, L'\0');  // the path grew meanwhile: ask again
  }
  return "";
}

// Whether `path` is `folder` itself or lies below it. Both are final paths,
// folded: a prefix counts only up to a separator, so "C:\p2\tempother"
// does not lie in "C:\p2\temp".
bool LiesInside(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.compare(0, folder.size(), folder) != 0) return false;
  return folder.back() == '\\' || path.size() == folder.size() || path[folder.size()] == '\\';
}

// A reparse point whose tag says it stands for another name (a link, a
// mount point), rather than one that only stores the file elsewhere
// (deduplicated, cloud or archived files, which are the file itself). A tag
// that says neither, as Wine gives, counts as a link.
bool IsLink(const WIN32_FIND_DATAW& found) {
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
  return found.dwReserved0 == 0 || IsReparseTagNameSurrogate(found.dwReserved0);
}

// Fills what a listed name reaches. Returns false when it reaches a folder
// (a link to a file that leads to a folder), which is no file to list.
bool DescribeTarget(FinalPathFunction finalPath, const std::string& folderFinalPath, const std::wstring& path,
                    bool isLink, FolderEntry* entry) {
  OpenedPath opened{OpenForQuestions(path)};
  BY_HANDLE_FILE_INFORMATION details;
  if (opened.handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(opened.handle, &details)) {
    // A link that cannot be followed may lead anywhere. A plain file that
    // cannot be opened even without access keeps no identity; its add
    // fails when it opens it.
    entry->leadsOutside = isLink;
    return true;
  }
  if ((details.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  entry->identity.volume = details.dwVolumeSerialNumber;
  entry->identity.index = (static_cast<uint64_t>(details.nFileIndexHigh) << 32) | details.nFileIndexLow;
  // The size of what a link leads to, not of the link.
  entry->size = (static_cast<uint64_t>(details.nFileSizeHigh) << 32) | details.nFileSizeLow;
  // Plain files are resolved too: under Wine a Unix link to a file shows
  // as a plain file, and only its final path gives it away. On Windows a
  // plain file's final path is its own.
  const std::string resolved = FoldedFinalPath(finalPath, opened.handle);
  if (folderFinalPath.empty() || resolved.empty()) {
    entry->leadsOutside = isLink;
  } else {
    entry->leadsOutside = !LiesInside(resolved, folderFinalPath);
  }
  return true;
}

bool IsDotName(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Fills what the listed subfolder `path` reaches: its identity, and whether
// it is a link after all. A folder whose final path is not the listed
// folder's with its own name after it stands for another one, though its
// attributes may not say so: under Wine a Unix link to a folder shows as a
// plain folder.
void DescribeSubfolder(FinalPathFunction finalPath, const std::string& folderFinalPath, const std::wstring& path,
                       SubfolderEntry* entry) {
  OpenedPath opened{OpenForQuestions(path)};
  BY_HANDLE_FILE_INFORMATION details;
  if (opened.handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(opened.handle, &details)) return;
  entry->identity.volume = details.dwVolumeSerialNumber;
  entry->identity.index = (static_cast<uint64_t>(details.nFileIndexHigh) << 32) | details.nFileIndexLow;
  const std::string resolved = FoldedFinalPath(finalPath, opened.handle);
  if (folderFinalPath.empty() || resolved.empty() || !entry->nameIsExact) return;
  const std::string separator = folderFinalPath.back() == '\\' ? "" : "\\";
  if (resolved != folderFinalPath + separator + FoldCase(entry->name)) entry->isLink = true;
}

}  // namespace

bool ListPlainFiles(const std::string& folder, std::vector<FolderEntry>* files, uint32_t* error) {
  return ListFolder(folder, files, nullptr, error);
}

bool ListFolder(const std::string& folder, std::vector<FolderEntry>* files, std::vector<SubfolderEntry>* folders,
                uint32_t* error) {
  files->clear();
  if (folders != nullptr) folders->clear();
  std::wstring wideFolder;
  std::wstring pattern;
  std::wstring widePrefix;
  if (!WidenUtf8(folder, &wideFolder) || !WidenUtf8(JoinPath(folder, "*"), &pattern) ||
      !WidenUtf8(JoinPath(folder, ""), &widePrefix)) {
    *error = ERROR_INVALID_NAME;
    return false;
  }
  // FindFirstFileW on "file\*" can succeed oddly or fail vaguely: ask first.
  const DWORD attributes = GetFileAttributesW(wideFolder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *error = GetLastError();
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    *error = ERROR_DIRECTORY;
    return false;
  }
  // The folder's own final path, against which every file's is held. When
  // it cannot be had, only links count as leading outside.
  const FinalPathFunction finalPath = FindFinalPathFunction();
  std::string folderFinalPath;
  {
    OpenedPath opened{OpenForQuestions(wideFolder)};
    if (opened.handle != INVALID_HANDLE_VALUE) folderFinalPath = FoldedFinalPath(finalPath, opened.handle);
  }
  WIN32_FIND_DATAW found;
  Search search{FindFirstFileW(pattern.c_str(), &found)};
  if (search.handle == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return *error == ERROR_FILE_NOT_FOUND;
  }
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0) continue;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      if (folders == nullptr || IsDotName(found.cFileName)) continue;
      SubfolderEntry subfolder{"", true, IsLink(found), FileIdentity{}};
      if (!NarrowWide(found.cFileName, &subfolder.name)) {
        subfolder.name = NarrowWideForDisplay(found.cFileName);
        subfolder.nameIsExact = false;
      }
      DescribeSubfolder(finalPath, folderFinalPath, widePrefix + found.cFileName, &subfolder);
      folders->push_back(subfolder);
      continue;
    }
    FolderEntry entry{"", (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow, true, false,
                      FileIdentity{}};
    if (!NarrowWide(found.cFileName, &entry.name)) {
      entry.name = NarrowWideForDisplay(found.cFileName);
      entry.nameIsExact = false;
    }
    if (!DescribeTarget(finalPath, folderFinalPath, widePrefix + found.cFileName, IsLink(found), &entry)) continue;
    files->push_back(entry);
  } while (FindNextFileW(search.handle, &found));
  const DWORD ended = GetLastError();
  if (ended != ERROR_NO_MORE_FILES) {
    *error = ended;
    return false;
  }
  return true;
}
