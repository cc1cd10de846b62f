#include <windows.h>

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

}  // namespace

bool ListPlainFiles(const std::string& folder, std::vector<FolderEntry>* files, uint32_t* error) {
  files->clear();
  std::wstring wideFolder;
  std::wstring pattern;
  if (!WidenUtf8(folder, &wideFolder) || !WidenUtf8(JoinPath(folder, "*"), &pattern)) {
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
  WIN32_FIND_DATAW found;
  Search search{FindFirstFileW(pattern.c_str(), &found)};
  if (search.handle == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return *error == ERROR_FILE_NOT_FOUND;
  }
  do {
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) continue;
    FolderEntry entry{"", (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow, true, false,
                      FileIdentity{}};
    if (!NarrowWide(found.cFileName, &entry.name)) {
      entry.name = NarrowWideForDisplay(found.cFileName);
      entry.nameIsExact = false;
    }
    files->push_back(entry);
  } while (FindNextFileW(search.handle, &found));
  const DWORD ended = GetLastError();
  if (ended != ERROR_NO_MORE_FILES) {
    *error = ended;
    return false;
  }
  return true;
}
