#include "plugin/dialog_hooks.h"

#include <commdlg.h>
#include <shlobj.h>

#include <initializer_list>

#include "plugin/exception_boundary.h"

namespace {

// The dialog toolbar's command that shows the file list as a detailed report.
constexpr WPARAM kShowDetailsView = 0xA004;

bool openHookWaiting = false;
bool saveHookWaiting = false;

// The shell's file list only exists once a folder is shown, so the switch
// waits for the first folder change after initialisation.
UINT_PTR SwitchToDetailsOnce(bool* waiting, HWND hookWindow, UINT message, LPARAM lParam) {
  if (message != WM_NOTIFY || lParam == 0) return 0;
  const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->code == CDN_INITDONE) {
    *waiting = true;
  } else if (header->code == CDN_FOLDERCHANGE && *waiting) {
    *waiting = false;
    HWND frame = GetParent(hookWindow);
    if (FindWindowExA(frame, nullptr, "SHELLDLL_DefView", nullptr) != nullptr) {
      SendMessageA(frame, WM_COMMAND, kShowDetailsView, 0);
    }
  }
  return 0;
}

// Moves and sizes a child of `parent`, given in screen coordinates.
void PlaceChild(HWND parent, HWND child, int extraX, int extraY, int extraWidth, int extraHeight) {
  RECT rect;
  GetWindowRect(child, &rect);
  POINT corner{rect.left, rect.top};
  ScreenToClient(parent, &corner);
  MoveWindow(child, corner.x + extraX, corner.y + extraY, rect.right - rect.left + extraWidth,
             rect.bottom - rect.top + extraHeight, TRUE);
}

void EnlargeBrowser(HWND browser) {
  RECT rect;
  GetWindowRect(browser, &rect);
  MoveWindow(browser, rect.left, rect.top, rect.right - rect.left + kBrowserExtraWidth,
             rect.bottom - rect.top + kBrowserExtraHeight, TRUE);
  if (HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr)) {
    PlaceChild(browser, tree, 0, 0, kBrowserExtraWidth, kBrowserExtraHeight);
  }
  for (const char* label : {"OK", "Cancel"}) {
    if (HWND button = FindWindowExA(browser, nullptr, "Button", label)) {
      PlaceChild(browser, button, kBrowserExtraWidth, kBrowserExtraHeight, 0, 0);
    }
  }
}

}  // namespace

DWORD DialogRecordSize() {
  OSVERSIONINFOA version;
  ZeroMemory(&version, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 5) {
    return sizeof(OPENFILENAMEA);
  }
  return OPENFILENAME_SIZE_VERSION_400A;
}

UINT_PTR CALLBACK DetailsViewHookOpen(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  return CatchEverything<UINT_PTR>(0, [&] { return SwitchToDetailsOnce(&openHookWaiting, dialog, message, lParam); });
}

UINT_PTR CALLBACK DetailsViewHookSave(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  return CatchEverything<UINT_PTR>(0, [&] { return SwitchToDetailsOnce(&saveHookWaiting, dialog, message, lParam); });
}

int CALLBACK FolderBrowserCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data) {
  return CatchEverything(0, [&] {
    if (message == BFFM_INITIALIZED) {
      SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
      EnlargeBrowser(browser);
    } else if (message == BFFM_SELCHANGED) {
      char path[MAX_PATH];
      if (SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lParam), path)) {
        SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
      }
    }
    return 0;
  });
}
