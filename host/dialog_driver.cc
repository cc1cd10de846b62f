#include "host/dialog_driver.h"

#include <vector>

#include "platform/wide_text.h"

namespace {

bool OwnedByThisProcess(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId();
}

HWND FindOwnDialog(const std::wstring& title) {
  for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", title.c_str()); window != nullptr;
       window = FindWindowExW(nullptr, window, L"#32770", title.c_str())) {
    if (OwnedByThisProcess(window) && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

}  // namespace

HWND WaitForDialog(const char* title, DWORD timeoutMs) {
  HWND found = nullptr;
  const std::wstring wideTitle = WidenUtf8OrEmpty(title);
  WaitUntil([&] { return (found = FindOwnDialog(wideTitle)) != nullptr; }, timeoutMs);
  return found;
}

HWND Child(HWND parent, const char* className, const char* text) {
  const std::wstring wideText = text != nullptr ? WidenUtf8OrEmpty(text) : std::wstring();
  return FindWindowExW(parent, nullptr, WidenUtf8OrEmpty(className).c_str(),
                       text != nullptr ? wideText.c_str() : nullptr);
}

std::string WindowText(HWND window) {
  // The length may be more than the text (never less): the text ends at its
  // terminator, not at the buffer's end.
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return std::string();
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  return NarrowWideForDisplay(text.data());
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
