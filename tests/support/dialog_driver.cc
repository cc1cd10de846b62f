#include "tests/support/dialog_driver.h"

HWND WaitForDialog(const char* title, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindWindowA("#32770", title);
        return found != nullptr && IsWindowVisible(found);
      },
      timeoutMs);
  return found != nullptr && IsWindowVisible(found) ? found : nullptr;
}

HWND Child(HWND parent, const char* className, const char* text) {
  return FindWindowExA(parent, nullptr, className, text);
}

std::string WindowText(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

RECT ScreenRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

HANDLE StartDriver(LPTHREAD_START_ROUTINE body, void* context) {
  return CreateThread(nullptr, 0, body, context, 0, nullptr);
}

bool FinishDriver(HANDLE driver, DWORD timeoutMs) {
  const bool done = WaitForSingleObject(driver, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(driver);
  return done;
}
