// zapnest-host: a stand-in for the mail client, for people and for tests.
// It exports the mail client's entry points, opens a composition window whose
// first drop-down menu already holds items of its own, loads Zapnest.dll,
// lets it add its menu entries, runs the command procedures it registers, and
// lists every file attached to the window.
//
//   zapnest-host [--plugin DLL] [--version TEXT] [--temp FOLDER] [--script FILE]
//                [--hold FILE]... [--screenshots FOLDER] [--menu-kind N]
//
// With --script it plays a scenario (host/scenario.h) and exits 0 when every
// step met its expectation, 1 with the failing step otherwise. --hold keeps
// a file open without sharing while the host runs, as another program that
// uses it would. --screenshots saves a picture of each dialog a scenario
// meets, of each menu it opens and of each picture step into FOLDER.
//
// Arguments may name paths outside the ANSI code page: they are read as
// UTF-16 and kept as UTF-8, and everything the host prints is UTF-8. Only
// --temp must have an exact ANSI form, as OVA_GetTempFolder returns one.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/dialog_driver.h"
#include "host/host_state.h"
#include "host/scenario.h"
#include "host/text_encoding.h"
#include "platform/command_line.h"

namespace {

constexpr char kWindowClass[] = "ZapnestHostCompose";
constexpr int kAttachmentList = 100;
constexpr UINT kFirstOwnItem = 100;
constexpr UINT_PTR kRefreshTimer = 1;

struct Arguments {
  std::string plugin;
  std::string script;
  std::string temp;
  std::vector<std::string> held;
  std::string screenshots;
  LPARAM menuKind = 10;  // what OVC_OnMenuInit is told the menu is: 10, a composition window's
};

struct ScenarioRun {
  std::vector<ScenarioStep> steps;
  std::string screenshots;
  HWND window = nullptr;
  bool passed = false;
  std::string error;
};

// The composition menu of a mail client: its first drop-down holds sixteen
// items before the plug-in inserts its own at positions 14 and 15.
HMENU MakeMenu() {
  static const char* const kItems[] = {"&Send",           "Send &Later", "Save as &Draft", "&Attach File...",
                                       "Insert &Text...", "&Signature",  "Spell &Check",   "&Address Book",
                                       "Add &Cc",         "Add &Bcc",    "&Priority",      "Request &Receipt",
                                       "Page Set&up...",  "&Print",      "P&roperties",    "&Close"};
  HMENU file = CreatePopupMenu();
  UINT id = kFirstOwnItem;
  for (const char* item : kItems) AppendMenuA(file, MF_STRING, id++, item);
  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&Message");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "&Edit");
  return bar;
}

void ShowAttachments(HWND window) {
  HWND list = GetDlgItem(window, kAttachmentList);
  const std::vector<Attachment> attachments = TheHost().Attachments();
  if (SendMessageW(list, LB_GETCOUNT, 0, 0) == static_cast<LRESULT>(attachments.size())) return;
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const Attachment& attachment : attachments) {
    const std::wstring path = WideFromUtf8(attachment.path);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
  }
}

// Paints what is waiting to be painted in a window of this thread and its
// children (the dialogs and menus the plug-in shows belong to this thread).
BOOL CALLBACK PaintNow(HWND window, LPARAM) {
  if (IsWindowVisible(window)) RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return TRUE;
}

LRESULT CALLBACK ComposeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      HWND label = CreateWindowA("STATIC", "Attachments:", WS_CHILD | WS_VISIBLE, 8, 8, 300, 18, window, nullptr,
                                 nullptr, nullptr);
      // A wide list box, so that the names it shows never pass through the
      // ANSI code page.
      HWND list =
          CreateWindowW(L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL, 8, 30, 560, 200, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAttachmentList)), nullptr, nullptr);
      // The font dialogs use, rather than the bold system font of a bare control.
      const WPARAM font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
      SendMessageA(label, WM_SETFONT, font, FALSE);
      SendMessageA(list, WM_SETFONT, font, FALSE);
      SetTimer(window, kRefreshTimer, 250, nullptr);
      return 0;
    }
    case WM_SIZE:
      // The list takes the window's width and height, below its label.
      MoveWindow(GetDlgItem(window, kAttachmentList), 8, 30, LOWORD(lParam) - 16, HIWORD(lParam) - 38, TRUE);
      return 0;
    case WM_TIMER: ShowAttachments(window); return 0;
    case WM_COMMAND:
      for (const RegisteredCommand& command : TheHost().commands) {
        if (command.identifier == LOWORD(wParam)) {
          command.procedure(0, 0);
          ShowAttachments(window);
          return 0;
        }
      }
      return 0;
    case kPaintNowMessage:
      ShowAttachments(window);
      EnumThreadWindows(GetCurrentThreadId(), PaintNow, 0);
      GdiFlush();
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

template <typename Function>
Function PluginEntry(HMODULE plugin, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(plugin, name)));
}

DWORD WINAPI PlayInBackground(void* context) {
  auto* run = static_cast<ScenarioRun*>(context);
  run->passed = PlayScenario(run->steps, run->window, run->screenshots, &run->error);
  PostMessageA(run->window, WM_CLOSE, 0, 0);
  return 0;
}

// The program's arguments as UTF-8, without the program's name; one with
// no UTF-8 form is taken as shown, with U+FFFD, and names nothing.
std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> arguments;
  size_t inexact = 0;
  ReadCommandLine(&arguments, &inexact);
  return arguments;
}

bool ParseArguments(const std::vector<std::string>& argv, Arguments* arguments) {
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& option = argv[i];
    if (i + 1 >= argv.size()) return false;
    const std::string& value = argv[++i];
    if (option == "--plugin") {
      arguments->plugin = value;
    } else if (option == "--version") {
      TheHost().versionText = value;
    } else if (option == "--temp") {
      arguments->temp = value;
    } else if (option == "--script") {
      arguments->script = value;
    } else if (option == "--screenshots") {
      arguments->screenshots = value;
    } else if (option == "--hold") {
      arguments->held.push_back(value);
    } else if (option == "--menu-kind") {
      arguments->menuKind = static_cast<LPARAM>(std::stol(value));
    } else {
      return false;
    }
  }
  return true;
}

// Zapnest.dll beside this program, unless another was named.
std::string DefaultPluginPath() {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::string folder = Utf8FromWide(path);
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder + "Zapnest.dll";
}

std::string DefaultTempFolder() {
  wchar_t path[MAX_PATH + 1] = L"";
  GetTempPathW(MAX_PATH + 1, path);
  return Utf8FromWide(path);
}

// The whole file, or false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* text) {
  HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  text->clear();
  char buffer[4096];
  DWORD got = 0;
  bool ok;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0) {
    text->append(buffer, got);
  }
  CloseHandle(file);
  return ok;
}

}  // namespace

int main() {
  Arguments arguments;
  if (!ParseArguments(CommandLineArguments(), &arguments)) {
    fprintf(stderr,
            "usage: zapnest-host [--plugin DLL] [--version TEXT] [--temp FOLDER] [--script FILE] [--hold FILE]...\n"
            "                    [--screenshots FOLDER] [--menu-kind N]\n");
    return 2;
  }
  if (arguments.plugin.empty()) arguments.plugin = DefaultPluginPath();
  if (arguments.temp.empty()) arguments.temp = DefaultTempFolder();
  // A look-alike folder would send the plug-in's files somewhere else, or
  // nowhere: refuse to start rather than play a scenario against it.
  if (!AnsiFromWideExactly(WideFromUtf8(arguments.temp), &TheHost().tempFolder)) {
    fprintf(stderr,
            "zapnest-host: the temporary folder %s cannot be given to the plug-in: the ANSI code page (%u) lacks "
            "some of its characters\n",
            arguments.temp.c_str(), GetACP());
    return 2;
  }

  ScenarioRun run;
  run.screenshots = arguments.screenshots;
  if (!arguments.script.empty()) {
    std::string text;
    if (!ReadWholeFile(arguments.script, &text) || !ParseScenario(text, &run.steps, &run.error)) {
      fprintf(stderr, "zapnest-host: %s: %s\n", arguments.script.c_str(),
              run.error.empty() ? "cannot read" : run.error.c_str());
      return 2;
    }
  }

  std::vector<HANDLE> heldFiles;
  for (const std::string& path : arguments.held) {
    heldFiles.push_back(
        CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
    if (heldFiles.back() == INVALID_HANDLE_VALUE) fprintf(stderr, "zapnest-host: cannot hold %s\n", path.c_str());
  }

  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ComposeProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA(kWindowClass, "New message - Zapnest development host", WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, 720, 460, nullptr, MakeMenu(), nullptr, nullptr);
  ShowWindow(window, SW_SHOW);

  HMODULE plugin = LoadLibraryW(WideFromUtf8(arguments.plugin).c_str());
  if (plugin == nullptr) {
    fprintf(stderr, "zapnest-host: %s did not load (error %lu)\n", arguments.plugin.c_str(), GetLastError());
    DestroyWindow(window);
    return 1;
  }
  // What a mail client does for each composition window.
  if (auto openCompose = PluginEntry<LRESULT(WINAPI*)(HWND, LPARAM)>(plugin, "OVC_OnOpenCompose")) {
    openCompose(window, 0);
  }
  if (auto menuInit = PluginEntry<LRESULT(WINAPI*)(LPARAM, HMENU, LPARAM)>(plugin, "OVC_OnMenuInit")) {
    menuInit(0, GetMenu(window), arguments.menuKind);
  }
  DrawMenuBar(window);

  HANDLE player = nullptr;
  if (!run.steps.empty()) {
    run.window = window;
    player = CreateThread(nullptr, 0, PlayInBackground, &run, 0, nullptr);
  }
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (player != nullptr) {
    WaitForSingleObject(player, INFINITE);
    CloseHandle(player);
  }
  FreeLibrary(plugin);
  for (HANDLE held : heldFiles) {
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  }

  for (const Attachment& attachment : TheHost().Attachments()) printf("attached: %s\n", attachment.path.c_str());
  if (player == nullptr) return 0;
  if (!run.passed) {
    fprintf(stderr, "zapnest-host: scenario failed: %s\n", run.error.c_str());
    return 1;
  }
  printf("zapnest-host: scenario passed (%zu steps)\n", run.steps.size());
  return 0;
}
