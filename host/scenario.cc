#include "host/scenario.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <sstream>

#include "host/dialog_driver.h"
#include "host/host_state.h"
#include "host/screen_capture.h"
#include "platform/utf8.h"
#include "platform/wide_text.h"

namespace {

// Wine's and Windows' message box: the text and the icon controls.
constexpr int kMessageText = 0xFFFF;
constexpr int kMessageIcon = 0x0440;

bool SplitArguments(const std::string& line, std::vector<std::string>* words) {
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (at >= line.size()) break;
    if (line[at] == '"' || line[at] == '\'') {
      const size_t end = line.find(line[at], at + 1);
      if (end == std::string::npos) return false;
      words->push_back(line.substr(at + 1, end - at - 1));
      at = end + 1;
    } else {
      const size_t end = line.find_first_of(" \t", at);
      words->push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
      at = end == std::string::npos ? line.size() : end;
    }
  }
  return true;
}

// Wine's folder browser finds a requested folder among its tree items by
// comparing their item identifiers, which carry the folder's last-access
// time; a folder that the browser itself read after filling its tree (the
// system then moves the access time of a folder read for the first time
// since it was written) is never found again. Moving the access times of the
// folders a scenario will pick, and of their parents, a day ahead before any
// browser opens keeps them still; on Windows it changes nothing but them.
void HoldAccessTimes(const std::string& utf8Path) {
  const std::wstring path = WidenUtf8OrEmpty(utf8Path);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ahead;
  ahead.LowPart = now.dwLowDateTime;
  ahead.HighPart = now.dwHighDateTime;
  ahead.QuadPart += 24ull * 3600 * 10000000;
  FILETIME later{ahead.LowPart, ahead.HighPart};
  for (size_t end = path.size(); end != std::wstring::npos && end > 2; end = path.find_last_of(L'\\', end - 1)) {
    HANDLE folder = CreateFileW(path.substr(0, end).c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) continue;
    SetFileTime(folder, nullptr, &later, nullptr);
    CloseHandle(folder);
  }
}

// The control id of a button named in a scenario, 0 for an unknown name.
int ButtonId(const std::string& name) {
  static const std::map<std::string, int> buttons = {{"ok", IDOK}, {"cancel", IDCANCEL}, {"yes", IDYES}, {"no", IDNO}};
  const auto found = buttons.find(name);
  return found != buttons.end() ? found->second : 0;
}

// A message number of a step, 0 for a text that is none.
int MessageNumberArgument(const std::string& text) {
  char* end = nullptr;
  const long number = strtol(text.c_str(), &end, 10);
  return end != text.c_str() && *end == '\0' && number > 0 && number <= 100000 ? static_cast<int>(number) : 0;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

struct Player {
  HWND composeWindow;  // message 1
  DWORD timeoutMs = 10000;
  size_t attachmentsChecked = 0;
  std::string* error;
  std::string screenshotFolder;
  int screenshots = 0;
  // The window whose menu bar holds the menu: message 1, or the frame it sits in.
  HWND menuWindow = nullptr;
  DWORD windowThread = 0;

  // A picture of the screen as the user sees it, named after the step and
  // `subject`; false (the step fails) when it could not be taken.
  bool Picture(const ScenarioStep& step, const std::string& subject) {
    if (screenshotFolder.empty()) return true;
    char number[8];
    snprintf(number, sizeof number, "%02d", ++screenshots);
    std::string name = std::string(number) + "-" + step.keyword + "-" + subject;
    for (char& c : name) {
      if (!isalnum(static_cast<unsigned char>(c)) && c != '-') c = '_';
    }
    const std::string path = screenshotFolder + "\\" + name + ".bmp";
    SendMessageA(composeWindow, kPaintNowMessage, 0, 0);
    return SaveSteadyScreenImage(path, timeoutMs) || Fail(step, "no steady picture could be saved as " + path);
  }

  bool Fail(const ScenarioStep& step, const std::string& what) {
    *error = "line " + std::to_string(step.line) + " (" + step.keyword + "): " + what;
    return false;
  }

  // Who pictures a dialog a step waits for: Dialog, as soon as it shows, or
  // the step itself, once the dialog is ready for it (or never: a step that
  // only reads the dialog leaves it to the step that answers it).
  enum class DialogPicture { kOnArrival, kLeftToStep };

  // The dialog of that title, or null after failing the step.
  HWND Dialog(const ScenarioStep& step, const std::string& title, DialogPicture picture = DialogPicture::kOnArrival) {
    HWND dialog = WaitForDialog(title.c_str(), timeoutMs);
    if (dialog == nullptr) {
      Fail(step, "no dialog titled '" + title + "' appeared; showing: " + VisibleDialogTitles());
    } else if (picture == DialogPicture::kOnArrival && !Picture(step, title)) {
      return nullptr;
    }
    return dialog;
  }

  // The label of a menu's item at `position`, empty when there is none.
  static std::string MenuLabel(HMENU menu, UINT position) {
    wchar_t label[256] = L"";
    const int capacity = static_cast<int>(sizeof label / sizeof label[0]);
    if (GetMenuStringW(menu, position, label, capacity, MF_BYPOSITION) == 0) label[0] = L'\0';
    return NarrowWideForDisplay(label);
  }

  bool MenuItem(const ScenarioStep& step) {
    HMENU menu = GetSubMenu(GetMenu(menuWindow), 0);
    const std::string label = MenuLabel(menu, static_cast<UINT>(std::stoul(step.arguments[0])));
    return step.arguments[1] == label || Fail(step, "the item there is '" + label + "'");
  }

  bool FileName(const ScenarioStep& step) {
    HWND dialog = Dialog(step, step.arguments[0], DialogPicture::kLeftToStep);
    if (dialog == nullptr) return false;
    const std::string name = WindowText(FileNameField(dialog));
    return step.arguments[1] == name || Fail(step, "the dialog proposes '" + name + "'");
  }

  // The file-type combo box of the open and save dialogs.
  static constexpr int kFilterBox = 0x470;

  bool Filter(const ScenarioStep& step) {
    HWND dialog = Dialog(step, step.arguments[0]);
    if (dialog == nullptr) return false;
    const WPARAM index = static_cast<WPARAM>(std::stoul(step.arguments[1]) - 1);
    HWND box = GetDlgItem(dialog, kFilterBox);
    SendMessageA(box, CB_SETCURSEL, index, 0);
    // What a user's pick sends: the dialogs act on the end of the selection.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kFilterBox, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kFilterBox, CBN_SELENDOK), reinterpret_cast<LPARAM>(box));
    return true;
  }

  bool FilterIs(const ScenarioStep& step) {
    HWND dialog = Dialog(step, step.arguments[0]);
    if (dialog == nullptr) return false;
    const LRESULT shown = SendDlgItemMessageA(dialog, kFilterBox, CB_GETCURSEL, 0, 0) + 1;
    return std::to_string(shown) == step.arguments[1] || Fail(step, "the dialog shows filter " + std::to_string(shown));
  }

  bool Confirm(const ScenarioStep& step) {
    const int button = ButtonId(step.arguments[1]);
    if (button == 0) return Fail(step, "unknown button");
    // A file dialog's own questions carry the dialog's title: look among all
    // dialogs of that title for the one with the button.
    HWND box = nullptr;
    const std::wstring title = WidenUtf8OrEmpty(step.arguments[0]);
    WaitUntil(
        [&] {
          for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", title.c_str()); w != nullptr;
               w = FindWindowExW(nullptr, w, L"#32770", title.c_str())) {
            DWORD process = 0;
            GetWindowThreadProcessId(w, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(w) && GetDlgItem(w, button) != nullptr &&
                FileNameField(w) == nullptr) {
              box = w;
              return true;
            }
          }
          return false;
        },
        timeoutMs);
    if (box == nullptr) {
      return Fail(step, "no message titled '" + step.arguments[0] + "'; showing: " + VisibleDialogTitles());
    }
    return Picture(step, step.arguments[0]) && Press(step, box, button);
  }

  // The position of the entry labelled `label` in the first drop-down, or
  // -1 after failing the step with what the menu holds.
  int FindEntry(const ScenarioStep& step, const std::string& label) {
    HMENU menu = GetSubMenu(GetMenu(menuWindow), 0);
    const int count = GetMenuItemCount(menu);
    std::string labels;
    for (int i = 0; i < count; ++i) {
      const std::string text = MenuLabel(menu, static_cast<UINT>(i));
      if (label == text) return i;
      labels += (labels.empty() ? "'" : ", '") + text + "'";
    }
    Fail(step, "no menu entry '" + label + "'; the menu holds " + labels);
    return -1;
  }

  bool Choose(const ScenarioStep& step) {
    const int position = FindEntry(step, step.arguments[0]);
    if (position < 0) return false;
    HMENU menu = GetSubMenu(GetMenu(menuWindow), 0);
    PostMessageA(menuWindow, WM_COMMAND, GetMenuItemID(menu, position), 0);
    return true;
  }

  // The drop-down menu the window's thread is showing, if any.
  static HWND ShownMenu() {
    for (HWND w = FindWindowExA(nullptr, nullptr, "#32768", nullptr); w != nullptr;
         w = FindWindowExA(nullptr, w, "#32768", nullptr)) {
      DWORD process = 0;
      GetWindowThreadProcessId(w, &process);
      if (process == GetCurrentProcessId() && IsWindowVisible(w)) return w;
    }
    return nullptr;
  }

  // What a user does: Alt and the first drop-down's mnemonic, then the Down
  // key until the entry is highlighted; Windows' menu loop takes the keys
  // from the window's message queue. The menu is closed again afterwards.
  bool OpenMenu(const ScenarioStep& step) {
    const int target = FindEntry(step, step.arguments[0]);
    if (target < 0) return false;
    HMENU bar = GetMenu(menuWindow);
    HMENU menu = GetSubMenu(bar, 0);
    const std::wstring title = WidenUtf8OrEmpty(MenuLabel(bar, 0));
    const size_t mnemonic = title.find(L'&');
    if (mnemonic == std::wstring::npos || mnemonic + 1 >= title.size()) {
      return Fail(step, "the first drop-down has no mnemonic");
    }
    PostMessageW(menuWindow, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(towlower(title[mnemonic + 1])));
    if (!WaitUntil([] { return ShownMenu() != nullptr; }, timeoutMs)) return Fail(step, "the drop-down did not open");
    auto highlighted = [&] {
      const int count = GetMenuItemCount(menu);
      for (int i = 0; i < count; ++i) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) return i;
      }
      return -1;
    };
    for (int presses = 0; highlighted() != target; ++presses) {
      const int before = highlighted();
      if (presses > GetMenuItemCount(menu)) return Fail(step, "the Down key never reached the entry");
      PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
      if (!WaitUntil([&] { return highlighted() != before; }, timeoutMs)) {
        return Fail(step, "the Down key did not move the highlight");
      }
    }
    const bool pictured = Picture(step, "menu");
    EndMenu();
    return WaitUntil([] { return ShownMenu() == nullptr; }, timeoutMs) ? pictured
                                                                       : Fail(step, "the drop-down stayed open");
  }

  bool TakePicture(const ScenarioStep& step) { return Picture(step, step.arguments[0]); }

  bool AnswerFileDialog(const ScenarioStep& step) {
    HWND dialog = Dialog(step, step.arguments[0]);
    if (dialog == nullptr) return false;
    SetWindowTextW(FileNameField(dialog), WidenUtf8OrEmpty(step.arguments[1]).c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    // The dialog closes, or asks a question of its own (replace a file?),
    // which the next step answers.
    auto askedOrClosed = [&] {
      if (!IsWindow(dialog)) return true;
      for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w != nullptr;
           w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
        if (w != dialog && IsWindowVisible(w) && GetWindow(w, GW_OWNER) == dialog) return true;
      }
      return false;
    };
    return WaitUntil(askedOrClosed, timeoutMs) ||
           Fail(step, "the dialog did not accept '" + step.arguments[1] + "'; showing: " + VisibleDialogTitles());
  }

  bool Cancel(const ScenarioStep& step) {
    HWND dialog = Dialog(step, step.arguments[0]);
    if (dialog == nullptr) return false;
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return WaitUntil([&] { return !IsWindow(dialog); }, timeoutMs) || Fail(step, "the dialog stayed open");
  }

  bool BrowseFolder(const ScenarioStep& step) {
    HWND browser = Dialog(step, step.arguments[0], DialogPicture::kLeftToStep);
    if (browser == nullptr) return false;
    // The browser selects asynchronously: wait until its tree shows the
    // folder selected before accepting.
    const std::string& path = step.arguments[1];
    const std::wstring widePath = WidenUtf8OrEmpty(path);
    const std::wstring name = widePath.substr(widePath.find_last_of(L'\\') + 1);
    HWND tree = FindWindowExW(browser, nullptr, L"SysTreeView32", nullptr);
    auto selected = [&] {
      const LRESULT item = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
      wchar_t text[MAX_PATH] = L"";
      TVITEMW query{};
      query.mask = TVIF_TEXT;
      query.hItem = reinterpret_cast<HTREEITEM>(item);
      query.pszText = text;
      query.cchTextMax = MAX_PATH;
      // Case aside, the names must match character for character: no
      // NORM_IGNOREWIDTH, so a full-width letter is not its ASCII twin.
      return item != 0 && SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query)) &&
             CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text, -1, name.c_str(), -1) == CSTR_EQUAL;
    };
    // A picture shows the browser as it opened: give the folder the plug-in
    // preselects (when it is the one asked for) its time before selecting.
    const DWORD ownSelectionMs = screenshotFolder.empty() ? 0 : 3000;
    if (!WaitUntil(selected, ownSelectionMs)) {
      SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(widePath.c_str()));
    }
    if (!WaitUntil(selected, timeoutMs)) return Fail(step, "the folder browser did not select '" + path + "'");
    if (!screenshotFolder.empty()) {
      // A tree without the focus does not highlight its selection; a user
      // would click into it. WM_NEXTDLGCTL moves the focus on the dialog's
      // own thread, which is where focus can be set.
      PostMessageA(browser, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tree), TRUE);
      GUITHREADINFO gui{};
      gui.cbSize = sizeof gui;
      const DWORD thread = GetWindowThreadProcessId(browser, nullptr);
      if (!WaitUntil([&] { return GetGUIThreadInfo(thread, &gui) && gui.hwndFocus == tree; }, timeoutMs)) {
        return Fail(step, "the folder tree did not take the focus");
      }
      if (!Picture(step, step.arguments[0])) return false;
    }
    PostMessageA(browser, WM_COMMAND, IDOK, 0);
    return WaitUntil([&] { return !IsWindow(browser); }, timeoutMs) || Fail(step, "the folder browser stayed open");
  }

  bool CheckBox(const ScenarioStep& step) {
    HWND dialog = Dialog(step, step.arguments[0]);
    if (dialog == nullptr) return false;
    const std::string& state = step.arguments[2];
    if (state != "on" && state != "off") return Fail(step, "a check box is on or off, not '" + state + "'");
    HWND box = Child(dialog, "Button", step.arguments[1].c_str());
    if (box == nullptr) return Fail(step, "no check box '" + step.arguments[1] + "'");
    const LRESULT wanted = state == "on" ? BST_CHECKED : BST_UNCHECKED;
    // A click on the dialog's thread, as a user's would be.
    if (SendMessageW(box, BM_GETCHECK, 0, 0) != wanted) PostMessageW(box, BM_CLICK, 0, 0);
    return WaitUntil([&] { return SendMessageW(box, BM_GETCHECK, 0, 0) == wanted; }, timeoutMs) ||
           Fail(step, "the check box did not turn " + state);
  }

  // Passes when no dialog of that title shows up within the time given.
  bool NoDialog(const ScenarioStep& step) {
    const DWORD waitMs = static_cast<DWORD>(std::stoul(step.arguments[1])) * 1000;
    if (WaitForDialog(step.arguments[0].c_str(), waitMs) != nullptr) {
      return Fail(step, "a dialog titled '" + step.arguments[0] + "' appeared");
    }
    return true;
  }

  // Prints a message box's text ("message: ...", line feeds as " | ") and
  // presses a button, whatever the text says.
  bool ReadMessage(const ScenarioStep& step) {
    const int button = ButtonId(step.arguments[1]);
    if (button == 0) return Fail(step, "unknown button");
    HWND box = Dialog(step, step.arguments[0]);
    if (box == nullptr) return false;
    std::string text = WindowText(GetDlgItem(box, kMessageText));
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) text.replace(at, 1, " | ");
    printf("message: %s\n", text.c_str());
    fflush(stdout);
    return Press(step, box, button);
  }

  bool Message(const ScenarioStep& step) {
    static const std::map<std::string, LPCSTR> icons = {
        {"information", IDI_ASTERISK}, {"question", IDI_QUESTION}, {"warning", IDI_EXCLAMATION}, {"error", IDI_HAND}};
    const auto icon = icons.find(step.arguments[1]);
    const int button = ButtonId(step.arguments[2]);
    if (icon == icons.end() || button == 0) return Fail(step, "unknown icon or button");
    HWND box = Dialog(step, step.arguments[0]);
    if (box == nullptr) return false;
    const std::string text = WindowText(GetDlgItem(box, kMessageText));
    if (text != step.arguments[3]) return Fail(step, "the message says '" + text + "'");
    const HICON shown = reinterpret_cast<HICON>(SendDlgItemMessageA(box, kMessageIcon, STM_GETICON, 0, 0));
    if (shown != LoadIconA(nullptr, icon->second)) return Fail(step, "the message shows another icon");
    return Press(step, box, button);
  }

  // Presses a message box's button and waits until the box has gone.
  bool Press(const ScenarioStep& step, HWND box, int button) {
    if (GetDlgItem(box, button) == nullptr) return Fail(step, "the message has no such button");
    PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    return WaitUntil([&] { return !IsWindow(box); }, timeoutMs) || Fail(step, "the message stayed open");
  }

  static std::string Recipient(const Attachment& attachment) {
    return attachment.message == 0 ? "a closed window" : "message " + std::to_string(attachment.message);
  }

  // Attachments are made on the window's thread; waiting lets a command that
  // is still finishing get there.
  bool NextAttachment(const ScenarioStep& step, int message, const std::string& path) {
    WaitUntil([&] { return TheHost().Attachments().size() > attachmentsChecked; }, timeoutMs);
    const std::vector<Attachment> attachments = TheHost().Attachments();
    if (attachments.size() <= attachmentsChecked) return Fail(step, "nothing more was attached");
    const Attachment& attachment = attachments[attachmentsChecked++];
    if (attachment.path != path) return Fail(step, "'" + attachment.path + "' was attached");
    if (attachment.message != message) return Fail(step, "the file was attached to " + Recipient(attachment));
    return true;
  }

  bool Attached(const ScenarioStep& step) { return NextAttachment(step, 1, step.arguments[0]); }

  bool AttachedTo(const ScenarioStep& step) {
    const int message = MessageNumberArgument(step.arguments[0]);
    return message != 0 ? NextAttachment(step, message, step.arguments[1]) : Fail(step, "no message number");
  }

  bool NoMoreAttachments(const ScenarioStep& step) {
    Sleep(200);
    const std::vector<Attachment> attachments = TheHost().Attachments();
    return attachments.size() == attachmentsChecked ||
           Fail(step, "'" + attachments[attachmentsChecked].path + "' was attached to " +
                          Recipient(attachments[attachmentsChecked]));
  }

  bool Timeout(const ScenarioStep& step) {
    timeoutMs = static_cast<DWORD>(std::stoul(step.arguments[0])) * 1000;
    return true;
  }

  // For the plug-in's test builds, which read their fault plan from it.
  bool SetEnvironment(const ScenarioStep& step) {
    SetEnvironmentVariableW(WidenUtf8OrEmpty(step.arguments[0]).c_str(), WidenUtf8OrEmpty(step.arguments[1]).c_str());
    return true;
  }

  // A file that goes while the plug-in works, between two of its dialogs.
  bool DeleteNamedFile(const ScenarioStep& step) {
    if (DeleteFileW(WidenUtf8OrEmpty(step.arguments[0]).c_str())) return true;
    return Fail(step, "the file could not be deleted");
  }

  // Waits until a dialog of that title has a control that shows the text.
  bool DialogShows(const ScenarioStep& step) {
    HWND dialog = Dialog(step, step.arguments[0], DialogPicture::kLeftToStep);
    if (dialog == nullptr) return false;
    std::string shown;
    auto showsText = [&] {
      shown.clear();
      for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string text = WindowText(child);
        if (text == step.arguments[1]) return true;
        shown += (shown.empty() ? "'" : ", '") + text + "'";
      }
      return false;
    };
    return WaitUntil(showsText, timeoutMs) || Fail(step, "the dialog shows " + shown);
  }

  // The window's thread answers a message sent to message 1 within the
  // seconds given: it dispatches messages, whatever it is doing.
  bool Responsive(const ScenarioStep& step) {
    const UINT waitMs = static_cast<UINT>(std::stoul(step.arguments[0])) * 1000;
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(composeWindow, WM_NULL, 0, 0, SMTO_BLOCK, waitMs, &answer) != 0) return true;
    return Fail(step, "the window did not answer within " + step.arguments[0] + " s");
  }

  // Waits until a dialog of that title has gone: one the plug-in takes down
  // by itself, at the end of its work or when it stops.
  bool DialogGone(const ScenarioStep& step) {
    const std::string& title = step.arguments[0];
    return WaitUntil([&] { return WaitForDialog(title.c_str(), 0) == nullptr; }, timeoutMs) ||
           Fail(step, "a dialog titled '" + title + "' is still open");
  }

  // The user closes a message: WM_CLOSE, as its close box sends.
  bool Close(const ScenarioStep& step, HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return WaitUntil([&] { return !IsWindow(window); }, timeoutMs) || Fail(step, "the window stayed open");
  }

  bool CloseWindow(const ScenarioStep& step) { return Close(step, composeWindow); }

  bool CloseMessage(const ScenarioStep& step) {
    HWND window = TheHost().MessageWindow(MessageNumberArgument(step.arguments[0]));
    return window != nullptr ? Close(step, window) : Fail(step, "no message " + step.arguments[0] + " is open");
  }

  // The window that takes the player's requests to the window's thread:
  // message 1 while it is open, else the frame it sat in, else the first
  // message still open; null when none is.
  HWND RequestWindow() {
    if (IsWindow(composeWindow)) return composeWindow;
    if (menuWindow != composeWindow && IsWindow(menuWindow)) return menuWindow;
    const std::vector<HWND> open = TheHost().OpenMessages();
    return open.empty() ? nullptr : open.front();
  }

  // Sent, not posted: the step ends once the plug-in has been told of the
  // message, and a sent message is taken even while the window's thread
  // dispatches only some windows' messages (as the plug-in does while it
  // writes a zip).
  bool OpenMessage(const ScenarioStep& step) {
    HWND window = RequestWindow();
    if (window == nullptr) return Fail(step, "no window of the host is open");
    DWORD_PTR number = 0;
    if (SendMessageTimeoutW(window, kOpenComposeMessage, 0, 0, SMTO_BLOCK, timeoutMs, &number) == 0 || number == 0) {
      return Fail(step, "the host opened no message");
    }
    return true;
  }

  bool DropPlugin(const ScenarioStep& step, UINT request) {
    if (!TheHost().PluginLoaded()) return Fail(step, "the plug-in is not loaded");
    HWND window = RequestWindow();
    if (window == nullptr || !PostMessageA(window, request, 0, 0)) return Fail(step, "no window of the host is open");
    return WaitUntil([] { return !TheHost().PluginLoaded(); }, timeoutMs) ||
           Fail(step, "the window's thread did not take the request to drop the plug-in");
  }

  bool FreeLibraryStep(const ScenarioStep& step) { return DropPlugin(step, kFreeLibraryMessage); }

  bool UnloadPlugin(const ScenarioStep& step) { return DropPlugin(step, kUnloadPluginMessage); }

  // False (and the window noted in *unanswered) when a window that is still
  // there did not answer within the timeout.
  bool SendToWindow(HWND window, UINT message, WPARAM wParam, std::string* unanswered) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, message, wParam, static_cast<LPARAM>(ENDSESSION_LOGOFF), SMTO_BLOCK, timeoutMs,
                            &answer) != 0 ||
        !IsWindow(window)) {
      return true;
    }
    *unanswered += (unanswered->empty() ? "'" : ", '") + WindowText(window) + "'";
    return false;
  }

  // What Windows does at log-off: it asks every top-level window of the
  // thread whether the session may end, tells each that it ends, and may end
  // the process as soon as they have answered. The messages are sent from
  // this thread; the window's thread takes them while it dispatches, inside
  // the plug-in's own loops too. What was attached is printed first, as the
  // host would at its end, since nothing runs after this step.
  bool EndSession(const ScenarioStep& step) {
    std::vector<HWND> windows;
    EnumThreadWindows(windowThread, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    std::string unanswered;
    for (HWND window : windows) SendToWindow(window, WM_QUERYENDSESSION, 0, &unanswered);
    for (HWND window : windows) {
      if (IsWindow(window)) SendToWindow(window, WM_ENDSESSION, TRUE, &unanswered);
    }
    printf("zapnest-host: session ended\n");
    PrintAttachments();
    fflush(stdout);
    if (!unanswered.empty()) {
      Fail(step, "no answer within the timeout from " + unanswered);
      fprintf(stderr, "zapnest-host: scenario failed: %s\n", error->c_str());
      fflush(stderr);
    }
    TerminateProcess(GetCurrentProcess(), unanswered.empty() ? 0 : 1);
    return false;  // not reached
  }

  // Plays one parsed step through its entry in kStepKinds.
  bool Play(const ScenarioStep& step);
};

// The one list of the steps a scenario may hold: the parser takes the
// argument counts from it and the player the handlers, so a step is added
// here and nowhere else (the format comment in scenario.h describes them).
struct StepKind {
  const char* keyword;
  size_t argumentCount;
  bool (Player::*play)(const ScenarioStep&);
};

constexpr StepKind kStepKinds[] = {
    {"timeout", 1, &Player::Timeout},
    {"menu-item", 2, &Player::MenuItem},
    {"choose", 1, &Player::Choose},
    {"open-file", 2, &Player::AnswerFileDialog},
    {"save-file", 2, &Player::AnswerFileDialog},
    {"file-name", 2, &Player::FileName},
    {"filter", 2, &Player::Filter},
    {"filter-is", 2, &Player::FilterIs},
    {"cancel", 1, &Player::Cancel},
    {"confirm", 2, &Player::Confirm},
    {"browse-folder", 2, &Player::BrowseFolder},
    {"check-box", 3, &Player::CheckBox},
    {"message", 4, &Player::Message},
    {"attached", 1, &Player::Attached},
    {"attached-to", 2, &Player::AttachedTo},
    {"no-more-attachments", 0, &Player::NoMoreAttachments},
    {"set-environment", 2, &Player::SetEnvironment},
    {"delete-file", 1, &Player::DeleteNamedFile},
    {"no-dialog", 2, &Player::NoDialog},
    {"read-message", 2, &Player::ReadMessage},
    {"open-menu", 1, &Player::OpenMenu},
    {"picture", 1, &Player::TakePicture},
    {"dialog-shows", 2, &Player::DialogShows},
    {"responsive", 1, &Player::Responsive},
    {"close-window", 0, &Player::CloseWindow},
    {"dialog-gone", 1, &Player::DialogGone},
    {"open-message", 0, &Player::OpenMessage},
    {"close-message", 1, &Player::CloseMessage},
    {"free-library", 0, &Player::FreeLibraryStep},
    {"unload-plugin", 0, &Player::UnloadPlugin},
    {"end-session", 0, &Player::EndSession},
};

// The entry of `keyword` in kStepKinds, null for a word that names no step.
const StepKind* FindStepKind(const std::string& keyword) {
  for (const StepKind& kind : kStepKinds) {
    if (keyword == kind.keyword) return &kind;
  }
  return nullptr;
}

bool Player::Play(const ScenarioStep& step) {
  // ParseScenario lets only known steps through; a step made elsewhere may not be one.
  const StepKind* kind = FindStepKind(step.keyword);
  return kind != nullptr ? (this->*kind->play)(step) : Fail(step, "unknown step");
}

}  // namespace

bool ParseScenario(const std::string& text, std::vector<ScenarioStep>* steps, std::string* error) {
  static const char kByteOrderMark[] = "\xEF\xBB\xBF";
  std::istringstream lines(text.compare(0, 3, kByteOrderMark) == 0 ? text.substr(3) : text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!IsValidUtf8(line)) {
      *error = "line " + std::to_string(number) + ": not UTF-8";
      return false;
    }
    std::vector<std::string> words;
    if (!SplitArguments(line, &words)) {
      *error = "line " + std::to_string(number) + ": unclosed quote";
      return false;
    }
    if (words.empty() || words[0][0] == '#') continue;
    if (words[0] == "+") {
      if (steps->empty() || steps->back().arguments.empty() || words.size() != 2) {
        *error = "line " + std::to_string(number) + ": '+' continues the text of the step before";
        return false;
      }
      steps->back().arguments.back() += "\n" + words[1];
      continue;
    }
    const StepKind* kind = FindStepKind(words[0]);
    if (kind == nullptr || kind->argumentCount != words.size() - 1) {
      *error = "line " + std::to_string(number) + ": unknown step or wrong number of arguments: " + line;
      return false;
    }
    steps->push_back(ScenarioStep{number, words[0], std::vector<std::string>(words.begin() + 1, words.end())});
  }
  return true;
}

namespace {

BOOL CALLBACK DismissDialog(HWND window, LPARAM) {
  char className[32] = "";
  GetClassNameA(window, className, sizeof className);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && lstrcmpA(className, "#32770") == 0) {
    // Cancel, or No where a question has no Cancel.
    PostMessageA(window, WM_COMMAND,
                 GetDlgItem(window, IDCANCEL) != nullptr || GetDlgItem(window, IDNO) == nullptr ? IDCANCEL : IDNO, 0);
  }
  return TRUE;
}

// After a failed step the command may still be inside a dialog: close what
// is open until nothing is left, so that the host can end.
void DismissOpenDialogs() {
  for (int round = 0; round < 50 && VisibleDialogTitles() != "no dialog"; ++round) {
    EnumWindows(DismissDialog, 0);
    Sleep(200);
  }
}

}  // namespace

bool PlayScenario(const std::vector<ScenarioStep>& steps, HWND composeWindow, const std::string& screenshotFolder,
                  std::string* error) {
  Player player{composeWindow, 10000, 0, error, screenshotFolder, 0};
  player.menuWindow = GetAncestor(composeWindow, GA_ROOT);
  player.windowThread = GetWindowThreadProcessId(composeWindow, nullptr);
  for (const ScenarioStep& step : steps) {
    if (step.keyword == "browse-folder") HoldAccessTimes(step.arguments[1]);
  }
  for (const ScenarioStep& step : steps) {
    if (!player.Play(step)) {
      DismissOpenDialogs();
      return false;
    }
  }
  // The host must not end under a dialog the plug-in still shows: that is a
  // step the scenario left out. A message that follows the last step has
  // shown by the time this looks.
  Sleep(500);
  const std::string open = VisibleDialogTitles();
  if (open != "no dialog") {
    *error = "a dialog is still open after the last step: " + open;
    DismissOpenDialogs();
    return false;
  }
  return true;
}
