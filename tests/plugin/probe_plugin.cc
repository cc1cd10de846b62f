// A plug-in for testing the development host's scenarios: its one command
// shows an open dialog, the folder browser and a question, then attaches the
// chosen file or says that nothing was attached.
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

void WINAPI ProbeDialogs(LPARAM, LPARAM) {
  char file[MAX_PATH] = "";
  OPENFILENAMEA open{};
  open.lStructSize = sizeof open;
  open.hwndOwner = composeWindow;
  open.lpstrFile = file;
  open.nMaxFile = MAX_PATH;
  open.lpstrTitle = "Probe Open";
  open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
  if (!GetOpenFileNameA(&open)) return;

  char folder[MAX_PATH] = "";
  BROWSEINFOA browse{};
  browse.hwndOwner = composeWindow;
  browse.pszDisplayName = folder;
  browse.lpszTitle = "Probe folder";
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
  if (chosen == nullptr) return;
  SHGetPathFromIDListA(chosen, folder);
  CoTaskMemFree(chosen);

  const std::string question = std::string("Attach ") + file + " from " + folder + "?";
  if (MessageBoxA(composeWindow, question.c_str(), "Probe", MB_YESNO | MB_ICONQUESTION) == IDYES) {
    HostEntry<CompAttachFileProc>("OVA_CompAttachFile")(composeWindow, file, nullptr);
  } else {
    MessageBoxA(composeWindow, "Nothing attached.", "Probe", MB_OK | MB_ICONINFORMATION);
  }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT WINAPI OVC_OnOpenCompose(HWND window, LPARAM) {
  composeWindow = window;
  return 0;
}

extern "C" __declspec(dllexport) LRESULT WINAPI OVC_OnMenuInit(LPARAM, HMENU menu, LPARAM kind) {
  if (kind != 10) return 0;
  const LRESULT id = HostEntry<RegisterCommandProc>("OVA_RegisterCommand")("Probe", kind, ProbeDialogs);
  InsertMenuA(GetSubMenu(menu, 0), 14, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(id), "&Probe Dialogs...");
  return 0;
}
