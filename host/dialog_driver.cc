#include "host/dialog_driver.h"

namespace {

bool OwnedByThisProcess(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId();
}

}  // namespace

HWND FindOwnDialog(const char* title) {
  for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", title); window != nullptr;
       window = FindWindowExA(nullptr, window, "#32770", title)) {
    if (OwnedByThisProcess(window) && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

HWND WaitForDialog(const char* title, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindOwnDialog(title)) != nullptr; }, timeoutMs);
  return found;
}

HWND Child(HWND parent, const char* className, const char* text) {
  return FindWindowExA(parent, nullptr, className, text);
}

std::string WindowText(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

HWND FileNameField(HWND dialog) {
  HWND field = GetDlgItem(dialog, 0x47C);
  return field != nullptr ? field : GetDlgItem(dialog, 0x480);
}

RECT ScreenRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

namespace {

BOOL CALLBACK CollectDialogTitle(HWND window, LPARAM context) {
  char className[32] = "";
  GetClassNameA(window, className, sizeof className);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && lstrcmpA(className, "#32770") == 0) {
    auto* titles = reinterpret_cast<std::string*>(context);
    *titles += (titles->empty() ? "'" : ", '") + WindowText(window) + "'";
  }
  return TRUE;
}

}  // namespace

std::string VisibleDialogTitles() {
  std::string titles;
  EnumWindows(CollectDialogTitle, reinterpret_cast<LPARAM>(&titles));
  return titles.empty() ? "no dialog" : titles;
}

HANDLE StartDriver(LPTHREAD_START_ROUTINE body, void* context) {
  return CreateThread(nullptr, 0, body, context, 0, nullptr);
}

bool FinishDriver(HANDLE driver, DWORD timeoutMs) {
  const bool done = WaitForSingleObject(driver, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(driver);
  return done;
}
