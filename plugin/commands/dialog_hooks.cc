#include "plugin/commands/dialog_hooks.h"

#include <commdlg.h>
#include <shlobj.h>

#include <initializer_list>

#include "plugin/binding/exception_boundary.h"
#include "plugin/commands/texts.h"

namespace {

// The dialog toolbar's command that shows the file list as a detailed report.
constexpr WPARAM kShowDetailsView = 0xA004;

bool openHookWaiting = false;
bool saveHookWaiting = false;

// Wine's wide open dialog copies a multiple selection into the caller's
// buffer without regard to nMaxFile. The files command therefore gives the
// dialog more room than it tells it of (the record's lCustData says how
// much), and this guard on the dialog's frame turns OK into Cancel when the
// folder and the names in the file-name field could not fit even that room.
// Windows itself checks nMaxFile and fails the dialog. One open dialog runs
// at a time, so one guard serves.
struct SelectionGuard {
  HWND frame = nullptr;
  WNDPROC previous = nullptr;
  LPARAM room = 0;  // characters the selection buffer really holds
};
SelectionGuard guard;

// Whether the selection, as the frame would copy it (the folder, its NUL,
// each name with a NUL instead of its quotes and blanks, a closing NUL),
// fits the buffer's room; the file-name field's text, quotes and all, is
// never shorter than the names. Both queries answer with the characters
// needed. Where one fails (a place that is no disk folder, such as the
// computer's list of drives), nothing is copied from it, and the dialog
// goes on.
bool SelectionFits(HWND frame) {
  const LRESULT folder = SendMessageW(frame, CDM_GETFOLDERPATH, 0, 0);
  const LRESULT names = SendMessageW(frame, CDM_GETSPEC, 0, 0);
  return folder < 0 || names < 0 || folder + names + 2 <= guard.room;
}

LRESULT CALLBACK GuardedFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  const WNDPROC previous = guard.previous;
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK && !SelectionFits(frame)) {
    return CallWindowProcW(previous, frame, WM_COMMAND, IDCANCEL, 0);
  }
  return CallWindowProcW(previous, frame, message, wParam, lParam);
}

void StartGuard(HWND hookWindow, const OPENFILENAMEW* record) {
  if (record == nullptr || record->lCustData == 0 || guard.frame != nullptr) return;
  guard.frame = GetParent(hookWindow);
  guard.room = record->lCustData;
  guard.previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(guard.frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GuardedFrameProc)));
}

void EndGuard() {
  if (guard.frame == nullptr) return;
  // Only a procedure that is still the guard's is given back: whatever was
  // set on the frame after it stays.
  if (IsWindow(guard.frame) &&
      GetWindowLongPtrW(guard.frame, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(GuardedFrameProc)) {
    SetWindowLongPtrW(guard.frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(guard.previous));
  }
  guard = SelectionGuard{};
}

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

// The folder browser's "Include subfolders" box: made at the browser's
// start, watched through the browser's procedure (the browser's callback
// hears nothing of it), which is given back when the browser goes. One
// browser runs at a time, so one record serves.
constexpr int kSubfoldersBoxId = 0x5A01;
// The static text that shows the browser's title (lpszTitle), on Windows
// and under Wine alike.
constexpr int kBrowserTitleId = 0x3742;

struct SubfoldersBox {
  HWND browser = nullptr;
  WNDPROC previous = nullptr;
  FolderBrowserChoice* choice = nullptr;
};
SubfoldersBox subfoldersBox;

void ShowBrowserTitle(HWND browser, bool includeSubfolders) {
  if (HWND title = GetDlgItem(browser, kBrowserTitleId)) {
    SetWindowTextW(title, includeSubfolders ? kFolderBrowserTitleWithSubfolders : kFolderBrowserTitle);
  }
}

LRESULT CALLBACK WatchedBrowserProc(HWND browser, UINT message, WPARAM wParam, LPARAM lParam) {
  const WNDPROC previous = subfoldersBox.previous;
  if (message == WM_COMMAND && LOWORD(wParam) == kSubfoldersBoxId && HIWORD(wParam) == BN_CLICKED) {
    const bool ticked = SendMessageW(reinterpret_cast<HWND>(lParam), BM_GETCHECK, 0, 0) == BST_CHECKED;
    subfoldersBox.choice->includeSubfolders = ticked;
    ShowBrowserTitle(browser, ticked);
  } else if (message == WM_DESTROY) {
    if (GetWindowLongPtrW(browser, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(WatchedBrowserProc)) {
      SetWindowLongPtrW(browser, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    }
    subfoldersBox = SubfoldersBox{};
  }
  return CallWindowProcW(previous, browser, message, wParam, lParam);
}

// Puts the check box on the browser's last row, left of OK, in the
// browser's font, ticked as the choice says, and shows the title that
// goes with it.
void AddSubfoldersBox(HWND browser, FolderBrowserChoice* choice) {
  HWND ok = FindWindowExA(browser, nullptr, "Button", "OK");
  HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
  if (ok == nullptr || tree == nullptr || subfoldersBox.browser != nullptr) return;
  RECT okRect;
  RECT treeRect;
  GetWindowRect(ok, &okRect);
  GetWindowRect(tree, &treeRect);
  POINT okCorner{okRect.left, okRect.top};
  POINT treeCorner{treeRect.left, treeRect.top};
  ScreenToClient(browser, &okCorner);
  ScreenToClient(browser, &treeCorner);
  const int width = okCorner.x - treeCorner.x - 8;
  HWND box =
      CreateWindowExW(0, L"BUTTON", kIncludeSubfoldersLabel, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
                      treeCorner.x, okCorner.y, width > 0 ? width : 0, okRect.bottom - okRect.top, browser,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSubfoldersBoxId)),
                      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(browser, GWLP_HINSTANCE)), nullptr);
  if (box == nullptr) return;
  SendMessageW(box, WM_SETFONT, static_cast<WPARAM>(SendMessageW(browser, WM_GETFONT, 0, 0)), FALSE);
  SendMessageW(box, BM_SETCHECK, choice->includeSubfolders ? BST_CHECKED : BST_UNCHECKED, 0);
  ShowBrowserTitle(browser, choice->includeSubfolders);
  subfoldersBox.browser = browser;
  subfoldersBox.choice = choice;
  subfoldersBox.previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(browser, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchedBrowserProc)));
}

}  // namespace

DWORD DialogRecordSize() {
  OSVERSIONINFOA version;
  ZeroMemory(&version, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 5) {
    return sizeof(OPENFILENAMEW);
  }
  return OPENFILENAME_SIZE_VERSION_400W;
}

UINT_PTR CALLBACK DetailsViewHookOpen(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  return CatchEverything<UINT_PTR>(0, [&] {
    // The hook's dialog is made while the frame initialises and destroyed
    // with it, just after the frame: the guard lives exactly as long.
    if (message == WM_INITDIALOG) StartGuard(dialog, reinterpret_cast<const OPENFILENAMEW*>(lParam));
    if (message == WM_DESTROY) EndGuard();
    return SwitchToDetailsOnce(&openHookWaiting, dialog, message, lParam);
  });
}

UINT_PTR CALLBACK DetailsViewHookSave(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  return CatchEverything<UINT_PTR>(0, [&] { return SwitchToDetailsOnce(&saveHookWaiting, dialog, message, lParam); });
}

int CALLBACK FolderBrowserCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data) {
  return CatchEverything(0, [&] {
    auto* choice = reinterpret_cast<FolderBrowserChoice*>(data);
    if (message == BFFM_INITIALIZED) {
      SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(choice->initialFolder));
      EnlargeBrowser(browser);
      AddSubfoldersBox(browser, choice);
    } else if (message == BFFM_SELCHANGED) {
      wchar_t path[MAX_PATH];
      if (SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lParam), path)) {
        SendMessageW(browser, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
      }
    }
    return 0;
  });
}
