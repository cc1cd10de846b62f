// A plug-in for testing the development host's scenarios: its one command
// shows an open dialog, the folder browser and a question, then attaches the
// chosen file or says that nothing was attached. Like the real plug-in, it
// reaches files and dialogs through the wide functions and speaks the ANSI
// code page only to the mail client; a file name that code page cannot hold
// is not attached, and the probe says so. A second menu entry with a label
// outside the ANSI code page runs the same command.
#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <string>

namespace {

HWND composeWindow = nullptr;

using CommandProcedure = void(WINAPI*)(LPARAM, LPARAM);
using RegisterCommandProc = LRESULT(WINAPI*)(const char*, LPARAM, CommandProcedure);
using CompAttachFileProc = LRESULT(WINAPI*)(HWND, const char*, void*);

template <typename Function>
Function HostEntry(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), name)));
}

// The ANSI code page's form of `path`, false when a character would turn into
// a look-alike or the default character on the way.
bool AnsiForm(const std::wstring& path, std::string* ansi) {
  BOOL usedDefault = FALSE;
  const int size =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, nullptr, 0, nullptr, &usedDefault);
  if (size <= 0 || usedDefault) return false;
  std::string converted(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, &converted[0], size, nullptr, &usedDefault);
  converted.resize(static_cast<size_t>(size) - 1);
  *ansi = converted;
  return !usedDefault;
}

void WINAPI ProbeDialogs(LPARAM, LPARAM) {
  wchar_t file[MAX_PATH] = L"";
  OPENFILENAMEW open{};
  open.lStructSize = sizeof open;
  open.hwndOwner = composeWindow;
  open.lpstrFile = file;
  open.nMaxFile = MAX_PATH;
  open.lpstrTitle = L"Probe Open";
  open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
  if (!GetOpenFileNameW(&open)) return;

  wchar_t folder[MAX_PATH] = L"";
  BROWSEINFOW browse{};
  browse.hwndOwner = composeWindow;
  browse.pszDisplayName = folder;
  browse.lpszTitle = L"Probe folder";
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST chosen = SHBrowseForFolderW(&browse);
  if (chosen == nullptr) return;
  SHGetPathFromIDListW(chosen, folder);
  CoTaskMemFree(chosen);

  const std::wstring question = std::wstring(L"Attach ") + file + L" from " + folder + L"?";
  if (MessageBoxW(composeWindow, question.c_str(), L"Probe", MB_YESNO | MB_ICONQUESTION) != IDYES) {
    MessageBoxW(composeWindow, L"Nothing attached.", L"Probe", MB_OK | MB_ICONINFORMATION);
    return;
  }
  std::string ansi;
  if (AnsiForm(file, &ansi)) {
    HostEntry<CompAttachFileProc>("OVA_CompAttachFile")(composeWindow, ansi.c_str(), nullptr);
  } else {
    const std::wstring refusal = std::wstring(L"Nothing attached: ") + file + L" has no ANSI form.";
    MessageBoxW(composeWindow, refusal.c_str(), L"Probe", MB_OK | MB_ICONINFORMATION);
  }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT WINAPI OVC_OnOpenCompose(HWND window, LPARAM) {
  composeWindow = window;
  return 0;
}

extern "C" __declspec(dllexport) LRESULT WINAPI OVC_OnMenuInit(LPARAM, HMENU menu, LPARAM kind) {
  if (kind != 10) return 0;
  auto registerCommand = HostEntry<RegisterCommandProc>("OVA_RegisterCommand");
  const LRESULT id = registerCommand("Probe", kind, ProbeDialogs);
  InsertMenuA(GetSubMenu(menu, 0), 14, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(id), "&Probe Dialogs...");
  const LRESULT wideId = registerCommand("Probe again", kind, ProbeDialogs);
  InsertMenuW(GetSubMenu(menu, 0), 15, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(wideId),
              L"Probe Ω 日本語 ａ...");
  return 0;
}
