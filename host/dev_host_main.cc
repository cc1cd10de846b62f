// zapnest-host: a stand-in for the mail client, for people and for tests.
// It exports the mail client's entry points, opens a composition window whose
// first drop-down menu already holds items of its own, loads Zapnest.dll,
// lets it add its menu entries, runs the command procedures it registers, and
// lists every file attached to the window.
//
//   zapnest-host [--plugin DLL] [--version TEXT] [--temp FOLDER] [--script FILE]
//                [--hold FILE]... [--screenshots FOLDER] [--menu-kind N] [--frame]
//
// With --script it plays a scenario (host/scenario.h) and exits 0 when every
// step met its expectation, 1 with the failing step otherwise, and 3 when the
// process crashed. A scenario may open more composition windows (messages);
// the host ends when the scenario has ended and every window is closed.
// --hold keeps a file open without sharing while the host runs, as another
// program that uses it would. --screenshots saves a picture of each dialog a
// scenario meets, of each menu it opens and of each picture step into FOLDER.
// --frame puts the messages as child windows into one top-level frame that
// holds the menu, as mail clients with one main window do; Windows then makes
// the frame the owner of any window created with a message as its owner.
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
#include "platform/code_page.h"
#include "platform/command_line.h"
#include "platform/wide_text.h"

namespace {

constexpr char kWindowClass[] = "ZapnestHostCompose";
constexpr char kFrameClass[] = "ZapnestHostFrame";
constexpr int kAttachmentList = 100;
constexpr UINT kFirstOwnItem = 100;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kCrashed = 3;  // the exit code of a crash

struct Arguments {
  std::string plugin;
  std::string script;
  std::string temp;
  std::vector<std::string> held;
  std::string screenshots;
  LPARAM menuKind = 10;  // what OVC_OnMenuInit is told the menu is: 10, a composition window's
  bool frame = false;
};

// The plug-in's library and the callbacks the host calls; all null once the
// host has dropped it, so that it is never called again.
struct LoadedPlugin {
  HMODULE module = nullptr;
  LRESULT(WINAPI* openCompose)(HWND, LPARAM) = nullptr;
  LRESULT(WINAPI* menuInit)(LPARAM, HMENU, LPARAM) = nullptr;
  LRESULT(WINAPI* onExit)() = nullptr;
};

// What the window's thread works with. The frame and the menu kind are set
// before the first window opens and stay (the player reads the frame); the
// plug-in belongs to the window's thread alone.
struct HostWindows {
  HWND frame = nullptr;  // with --frame, the top-level window the messages sit in
  LPARAM menuKind = 10;
  LoadedPlugin plugin;
};

HostWindows hostWindows;

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

// Lists the files attached to the message `window` is.
void ShowAttachments(HWND window) {
  const int message = TheHost().MessageNumber(window);
  if (message == 0) return;
  std::vector<std::wstring> paths;
  for (const Attachment& attachment : TheHost().Attachments()) {
    if (attachment.message == message) paths.push_back(WidenUtf8OrEmpty(attachment.path));
  }
  HWND list = GetDlgItem(window, kAttachmentList);
  if (SendMessageW(list, LB_GETCOUNT, 0, 0) == static_cast<LRESULT>(paths.size())) return;
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::wstring& path : paths) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

void ShowAllAttachments() {
  for (HWND window : TheHost().OpenMessages()) ShowAttachments(window);
}

// Paints what is waiting to be painted in a window of this thread and its
// children (the dialogs and menus the plug-in shows belong to this thread).
BOOL CALLBACK PaintNow(HWND window, LPARAM) {
  if (IsWindowVisible(window)) RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return TRUE;
}

// Runs the command procedure the plug-in registered under a menu entry's
// identifier. It is taken out of the list before the call: while the command
// runs, its own message loop may dispatch a request that drops the plug-in
// and forgets its commands.
void RunRegisteredCommand(UINT identifier) {
  CommandProcedure procedure = nullptr;
  for (const RegisteredCommand& command : TheHost().commands) {
    if (command.identifier == identifier) procedure = command.procedure;
  }
  if (procedure != nullptr) procedure(0, 0);
  ShowAllAttachments();
}

// Opens the next message: a top-level window with a menu of its own, or a
// child of the frame. Returns null when no window could be made.
HWND OpenMessage() {
  const int number = TheHost().MessageCount() + 1;
  const std::string title = (number == 1 ? std::string("New message") : "New message " + std::to_string(number)) +
                            " - Zapnest development host";
  HWND window;
  if (hostWindows.frame != nullptr) {
    const int offset = 24 * ((number - 1) % 8);
    window = CreateWindowA(kWindowClass, title.c_str(), WS_CHILD | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS,
                           8 + offset, 8 + offset, 620, 340, hostWindows.frame, nullptr, nullptr, nullptr);
  } else {
    window = CreateWindowA(kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 720, 460,
                           nullptr, MakeMenu(), nullptr, nullptr);
  }
  if (window == nullptr) return nullptr;
  TheHost().AddMessage(window);
  ShowWindow(window, SW_SHOW);
  return window;
}

// What a mail client does for each composition window: it tells the plug-in
// of the window and lets it add its entries to the window's menu. In a frame
// the messages share the frame's menu, which is initialised with the first.
void AnnounceMessage(HWND window) {
  const LoadedPlugin plugin = hostWindows.plugin;
  if (plugin.openCompose != nullptr) plugin.openCompose(window, 0);
  HWND menuWindow = GetAncestor(window, GA_ROOT);
  if (plugin.menuInit != nullptr && (menuWindow == window || TheHost().MessageNumber(window) == 1)) {
    plugin.menuInit(0, GetMenu(menuWindow), hostWindows.menuKind);
    DrawMenuBar(menuWindow);
  }
}

// The host lets go of the plug-in, as a mail client that drops one does: it
// forgets the plug-in's commands, calls OVC_OnExit when told to, and frees the
// library once, from the handler of a message, which may run inside the
// plug-in's own message loop. Nothing of the plug-in is called afterwards.
void DropPlugin(bool callOnExit) {
  const LoadedPlugin plugin = hostWindows.plugin;
  if (plugin.module == nullptr) return;
  hostWindows.plugin = LoadedPlugin{};
  TheHost().commands.clear();
  if (callOnExit && plugin.onExit != nullptr) plugin.onExit();
  FreeLibrary(plugin.module);
  TheHost().SetPluginLoaded(false);
}

// The messages every window of the host takes alike: the menu's commands and
// the player's requests. Returns false for any other message.
bool HandleHostMessage(UINT message, WPARAM wParam, LRESULT* result) {
  *result = 0;
  switch (message) {
    case WM_COMMAND: RunRegisteredCommand(LOWORD(wParam)); return true;
    case kPaintNowMessage:
      ShowAllAttachments();
      EnumThreadWindows(GetCurrentThreadId(), PaintNow, 0);
      GdiFlush();
      return true;
    case kOpenComposeMessage: {
      HWND window = OpenMessage();
      if (window != nullptr) AnnounceMessage(window);
      *result = TheHost().MessageNumber(window);
      return true;
    }
    case kFreeLibraryMessage: DropPlugin(false); return true;
    case kUnloadPluginMessage: DropPlugin(true); return true;
    default: return false;
  }
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleHostMessage(message, wParam, &result)) return result;
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK ComposeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleHostMessage(message, wParam, &result)) return result;
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
    case WM_DESTROY:
      TheHost().CloseMessage(window);
      // Without a frame the host ends with its last message.
      if (hostWindows.frame == nullptr && TheHost().OpenMessages().empty()) PostQuitMessage(0);
      return 0;
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
  // The end of the scenario closes what is still open, as its user would;
  // the window's thread ends its loop once the last window has gone.
  if (hostWindows.frame != nullptr) {
    PostMessageA(hostWindows.frame, WM_CLOSE, 0, 0);
  } else {
    for (HWND window : TheHost().OpenMessages()) PostMessageA(window, WM_CLOSE, 0, 0);
  }
  return 0;
}

// A crash must fail its scenario at once: left to itself, Wine would start
// its debugger or show a crash dialog, and a test would wait for its timeout.
// What was attached is not printed, as the process is in an unknown state.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception) {
  fprintf(stderr, "zapnest-host: crashed: exception %08lx at %p\n", exception->ExceptionRecord->ExceptionCode,
          exception->ExceptionRecord->ExceptionAddress);
  fflush(stdout);
  fflush(stderr);
  TerminateProcess(GetCurrentProcess(), kCrashed);
  return EXCEPTION_EXECUTE_HANDLER;
}

// The plug-in as loaded, for telling its faults from the system's.
HMODULE loadedPlugin = nullptr;

// A processor fault in the host's or the plug-in's code, or in memory that
// holds no code at all (a plug-in's, once its library was freed under it).
// Neither has a handler for one, so it is a crash; the system's own code may
// handle faults of its own.
bool IsCrash(const EXCEPTION_RECORD& record) {
  switch (record.ExceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_STACK_OVERFLOW: break;
    default: return false;
  }
  MEMORY_BASIC_INFORMATION memory{};
  if (VirtualQuery(record.ExceptionAddress, &memory, sizeof memory) == 0 || memory.State != MEM_COMMIT) return true;
  constexpr DWORD kExecutable = PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  if ((memory.Protect & kExecutable) == 0) return true;
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(record.ExceptionAddress), &module);
  return module == GetModuleHandleW(nullptr) || (module != nullptr && module == loadedPlugin);
}

// Seen before any handler: Wine (like 64-bit Windows for some programs)
// passes over a fault in a window procedure, where the plug-in's commands
// run, and goes on as if the procedure had returned, so such a fault never
// reaches ReportCrash and the host would go on in a broken state.
LONG WINAPI ReportFault(EXCEPTION_POINTERS* exception) {
  if (IsCrash(*exception->ExceptionRecord)) ReportCrash(exception);
  return EXCEPTION_CONTINUE_SEARCH;
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
    if (option == "--frame") {
      arguments->frame = true;
      continue;
    }
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
  std::string folder = NarrowWideForDisplay(path);
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder + "Zapnest.dll";
}

std::string DefaultTempFolder() {
  wchar_t path[MAX_PATH + 1] = L"";
  GetTempPathW(MAX_PATH + 1, path);
  return NarrowWideForDisplay(path);
}

// The whole file, or false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* text) {
  HANDLE file = CreateFileW(WidenUtf8OrEmpty(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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
            "                    [--screenshots FOLDER] [--menu-kind N] [--frame]\n");
    return 2;
  }
  if (arguments.plugin.empty()) arguments.plugin = DefaultPluginPath();
  if (arguments.temp.empty()) arguments.temp = DefaultTempFolder();
  // A look-alike folder would send the plug-in's files somewhere else, or
  // nowhere: refuse to start rather than play a scenario against it.
  if (!Utf8ToAnsi(arguments.temp, &TheHost().tempFolder)) {
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
        CreateFileW(WidenUtf8OrEmpty(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
    if (heldFiles.back() == INVALID_HANDLE_VALUE) fprintf(stderr, "zapnest-host: cannot hold %s\n", path.c_str());
  }

  SetUnhandledExceptionFilter(ReportCrash);
  AddVectoredExceptionHandler(1, ReportFault);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ComposeProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);
  hostWindows.menuKind = arguments.menuKind;
  if (arguments.frame) {
    windowClass.lpfnWndProc = FrameProc;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    windowClass.lpszClassName = kFrameClass;
    RegisterClassA(&windowClass);
    hostWindows.frame = CreateWindowA(kFrameClass, "Zapnest development host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                      CW_USEDEFAULT, CW_USEDEFAULT, 720, 460, nullptr, MakeMenu(), nullptr, nullptr);
    ShowWindow(hostWindows.frame, SW_SHOW);
  }
  HWND window = OpenMessage();

  HMODULE plugin = LoadLibraryW(WidenUtf8OrEmpty(arguments.plugin).c_str());
  if (plugin == nullptr) {
    fprintf(stderr, "zapnest-host: %s did not load (error %lu)\n", arguments.plugin.c_str(), GetLastError());
    DestroyWindow(hostWindows.frame != nullptr ? hostWindows.frame : window);
    return 1;
  }
  hostWindows.plugin.module = plugin;
  loadedPlugin = plugin;
  hostWindows.plugin.openCompose = PluginEntry<LRESULT(WINAPI*)(HWND, LPARAM)>(plugin, "OVC_OnOpenCompose");
  hostWindows.plugin.menuInit = PluginEntry<LRESULT(WINAPI*)(LPARAM, HMENU, LPARAM)>(plugin, "OVC_OnMenuInit");
  hostWindows.plugin.onExit = PluginEntry<LRESULT(WINAPI*)()>(plugin, "OVC_OnExit");
  TheHost().SetPluginLoaded(true);
  AnnounceMessage(window);

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
  // As a mail client closing: the plug-in's unload notice, then FreeLibrary
  // (unless a scenario has dropped it already).
  if (hostWindows.plugin.module != nullptr) {
    if (hostWindows.plugin.onExit != nullptr) hostWindows.plugin.onExit();
    FreeLibrary(hostWindows.plugin.module);
  }
  for (HANDLE held : heldFiles) {
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  }

  PrintAttachments();
  if (player == nullptr) return 0;
  if (!run.passed) {
    fprintf(stderr, "zapnest-host: scenario failed: %s\n", run.error.c_str());
    return 1;
  }
  printf("zapnest-host: scenario passed (%zu steps)\n", run.steps.size());
  return 0;
}
