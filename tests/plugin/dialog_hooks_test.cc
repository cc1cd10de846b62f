// The dialog hooks in the system's real dialogs (Wine under Xvfb): a second
// thread watches and answers each dialog while this one shows it.
#include "plugin/commands/dialog_hooks.h"

#include <commdlg.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host/dialog_driver.h"
#include "platform/wide_text.h"
#include "tests/support/test_files.h"

namespace {

bool HaveDisplay() { return std::getenv("DISPLAY") != nullptr; }

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// Layout of a folder browser, read by the driver before it cancels.
struct BrowserLayout {
  bool seen = false;
  RECT window{};
  RECT tree{};
  RECT ok{};
  RECT cancel{};
  std::string status;
  // The "Include subfolders" box, and the title before and after a click on it.
  RECT box{};
  bool boxTicked = false;
  std::string title;
  std::string titleAfterClick;
  bool tickedAtTheEnd = false;  // the choice as the browser left it
};

std::string TextOf(HWND window) {
  wchar_t text[512] = L"";
  if (window != nullptr) GetWindowTextW(window, text, 512);
  return NarrowWideForDisplay(text);
}

DWORD WINAPI ReadBrowser(void* context) {
  auto* layout = static_cast<BrowserLayout*>(context);
  HWND browser = WaitForDialog("Browse for Folder");
  if (browser == nullptr) return 1;
  Sleep(300);  // let the callback's moves and the selection settle
  layout->seen = true;
  layout->window = ScreenRect(browser);
  layout->tree = ScreenRect(Child(browser, "SysTreeView32"));
  layout->ok = ScreenRect(Child(browser, "Button", "OK"));
  layout->cancel = ScreenRect(Child(browser, "Button", "Cancel"));
  layout->status = TextOf(GetDlgItem(browser, 0x3743));
  layout->title = TextOf(GetDlgItem(browser, 0x3742));
  if (HWND box = Child(browser, "Button", "Include subfolders")) {
    layout->box = ScreenRect(box);
    layout->boxTicked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageW(box, BM_CLICK, 0, 0);
    layout->titleAfterClick = TextOf(GetDlgItem(browser, 0x3742));
  }
  PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
  return 0;
}

BrowserLayout ShowBrowser(BFFCALLBACK callback, const std::string& initialFolder, bool includeSubfolders = false) {
  BrowserLayout layout;
  HANDLE driver = StartDriver(ReadBrowser, &layout);
  std::wstring folder;
  WidenUtf8(initialFolder, &folder);
  FolderBrowserChoice choice{folder.c_str(), includeSubfolders};
  wchar_t name[MAX_PATH] = L"";
  BROWSEINFOW info{};
  info.pszDisplayName = name;
  info.lpszTitle = L"Choose a folder";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  info.lpfn = callback;
  info.lParam = reinterpret_cast<LPARAM>(&choice);
  LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
  if (chosen != nullptr) CoTaskMemFree(chosen);
  EXPECT_TRUE(FinishDriver(driver));
  layout.tickedAtTheEnd = choice.includeSubfolders;
  return layout;
}

TEST(FolderBrowser, OpensOnTheInitialFolderEnlargedWithItsControlsMoved) {
  if (!HaveDisplay()) GTEST_SKIP() << "no display";
  // A folder straight under C:, which Wine's browser can expand to (the
  // temporary folder lies behind a link it does not follow).
  // Its name holds characters that no ANSI code page has, which only the
  // wide browser and its wide messages can reach.
  const std::string folder = "C:\\zapnest-browse-\xEF\xBD\x81\xCE\xA9\xE6\x97\xA5-" +  // ａΩ日
                             std::to_string(GetCurrentProcessId());
  std::wstring wide;
  ASSERT_TRUE(WidenUtf8(folder, &wide));
  ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr));
  const BrowserLayout plain = ShowBrowser(nullptr, "");
  const BrowserLayout hooked = ShowBrowser(FolderBrowserCallback, folder);
  RemoveDirectoryW(wide.c_str());
  ASSERT_TRUE(plain.seen && hooked.seen);
  EXPECT_EQ(Width(plain.window) + 150, Width(hooked.window));
  EXPECT_EQ(Height(plain.window) + 200, Height(hooked.window));
  EXPECT_EQ(plain.window.left, hooked.window.left);
  EXPECT_EQ(plain.window.top, hooked.window.top);
  EXPECT_EQ(Width(plain.tree) + 150, Width(hooked.tree));
  EXPECT_EQ(Height(plain.tree) + 200, Height(hooked.tree));
  EXPECT_EQ(plain.tree.left - plain.window.left, hooked.tree.left - hooked.window.left);
  for (auto [before, after] : {std::make_pair(plain.ok, hooked.ok), std::make_pair(plain.cancel, hooked.cancel)}) {
    EXPECT_EQ(before.left - plain.window.left + 150, after.left - hooked.window.left);
    EXPECT_EQ(before.top - plain.window.top + 200, after.top - hooked.window.top);
    EXPECT_EQ(Width(before), Width(after));
  }
  // The status line follows the selection: here the preselected folder.
  EXPECT_EQ(folder, hooked.status);
}

TEST(FolderBrowser, TheSubfoldersBoxSitsLeftOfOkAndItsStateChangesTheTitle) {
  if (!HaveDisplay()) GTEST_SKIP() << "no display";
  const std::string without =
      "All files in the selected folder will be added to the zip archive. Subfolders will be ignored (no recursion).";
  const std::string with = "All files in the selected folder and in its subfolders will be added to the zip archive.";
  for (bool ticked : {false, true}) {
    SCOPED_TRACE(ticked ? "ticked" : "clear");
    const BrowserLayout hooked = ShowBrowser(FolderBrowserCallback, "", ticked);
    ASSERT_TRUE(hooked.seen);
    ASSERT_GT(Width(hooked.box), 0) << "no box";
    EXPECT_EQ(ticked, hooked.boxTicked);
    EXPECT_EQ(hooked.ok.top, hooked.box.top);
    EXPECT_EQ(hooked.tree.left, hooked.box.left);
    EXPECT_LT(hooked.box.right, hooked.ok.left);
    EXPECT_EQ(ticked ? with : without, hooked.title);
    // One click turns it over, and the choice keeps what the user left.
    EXPECT_EQ(ticked ? without : with, hooked.titleAfterClick);
    EXPECT_EQ(!ticked, hooked.tickedAtTheEnd);
  }
}

TEST(FolderBrowser, WithoutAnInitialFolderItIsStillEnlarged) {
  if (!HaveDisplay()) GTEST_SKIP() << "no display";
  const BrowserLayout plain = ShowBrowser(nullptr, "");
  const BrowserLayout hooked = ShowBrowser(FolderBrowserCallback, "");
  ASSERT_TRUE(plain.seen && hooked.seen);
  EXPECT_EQ(Width(plain.window) + 150, Width(hooked.window));
  EXPECT_EQ(Height(plain.window) + 200, Height(hooked.window));
}

// What the driver saw of an open dialog's file list.
struct FileListViews {
  bool seen = false;
  DWORD atStart = 0;  // view style after the dialog came up
  DWORD afterSecondFolder = 0;
  bool movedOn = false;   // the dialog showed the subfolder
  std::string subfolder;  // where the driver moves the dialog to
};

DWORD ListStyle(HWND dialog) {
  HWND view = Child(dialog, "SHELLDLL_DefView");
  HWND list = view != nullptr ? Child(view, "SysListView32") : nullptr;
  return list != nullptr ? static_cast<DWORD>(GetWindowLongA(list, GWL_STYLE)) & LVS_TYPEMASK : 0xFFFF;
}

DWORD WINAPI WatchOpenDialog(void* context) {
  auto* views = static_cast<FileListViews*>(context);
  HWND dialog = WaitForDialog("Pick files");
  if (dialog == nullptr) return 1;
  WaitUntil([&] { return ListStyle(dialog) == LVS_REPORT; }, 5000);
  views->seen = true;
  views->atStart = ListStyle(dialog);
  // The user picks the list view, then opens a subfolder: the choice stays.
  HWND view = Child(dialog, "SHELLDLL_DefView");
  SendMessageA(dialog, WM_COMMAND, 0xA003, 0);
  WaitUntil([&] { return ListStyle(dialog) == LVS_LIST; }, 5000);
  SetWindowTextA(FileNameField(dialog), views->subfolder.c_str());
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  views->movedOn = WaitUntil([&] { return Child(dialog, "SHELLDLL_DefView") != view; }, 5000);
  Sleep(300);
  views->afterSecondFolder = ListStyle(dialog);
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  return 0;
}

TEST(DetailsViewHook, SwitchesTheFileListOnceAtTheFirstFolder) {
  if (!HaveDisplay()) GTEST_SKIP() << "no display";
  TempDir dir;
  WriteWholeFile(dir.File("a.txt"), {1});
  CreateDirectoryA(dir.File("inner").c_str(), nullptr);
  WriteWholeFile(dir.File("inner\\b.txt"), {2});
  FileListViews views;
  views.subfolder = dir.File("inner");
  HANDLE driver = StartDriver(WatchOpenDialog, &views);
  wchar_t file[MAX_PATH] = L"";
  std::wstring initialFolder;
  WidenUtf8(dir.path(), &initialFolder);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = DialogRecordSize();
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrInitialDir = initialFolder.c_str();
  dialog.lpstrTitle = L"Pick files";
  dialog.Flags = OFN_EXPLORER | OFN_ENABLEHOOK;
  dialog.lpfnHook = DetailsViewHookOpen;
  GetOpenFileNameW(&dialog);
  ASSERT_TRUE(FinishDriver(driver));
  ASSERT_TRUE(views.seen);
  EXPECT_EQ(static_cast<DWORD>(LVS_REPORT), views.atStart);
  EXPECT_TRUE(views.movedOn);
  EXPECT_EQ(static_cast<DWORD>(LVS_LIST), views.afterSecondFolder);
}

// What the driver typed into a multiple-selection dialog.
struct TypedSelection {
  std::wstring names;
  bool closed = false;
};

DWORD WINAPI TypeSelection(void* context) {
  auto* typed = static_cast<TypedSelection*>(context);
  HWND dialog = WaitForDialog("Pick many");
  if (dialog == nullptr) return 1;
  SetWindowTextW(FileNameField(dialog), typed->names.c_str());
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  typed->closed = WaitUntil([&] { return !IsWindow(dialog); }, 5000);
  if (!typed->closed) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  return 0;
}

// The open hook with a record's lCustData: a selection that the dialog
// would copy past that room is refused, and not a character is written
// past it. (Wine's dialog copies without looking at nMaxFile; Windows
// fails it by itself.)
TEST(SelectionGuard, NothingIsWrittenPastTheRoomTheRecordGives) {
  if (!HaveDisplay()) GTEST_SKIP() << "no display";
  TempDir dir;
  TypedSelection typed;
  for (int i = 0; i < 100; ++i) {
    const std::string name = "f" + std::to_string(100 + i) + ".txt";
    WriteWholeFile(dir.File(name), {1});
    typed.names += L"\"" + std::wstring(name.begin(), name.end()) + L"\" ";
  }
  std::wstring initialFolder;
  WidenUtf8(dir.path(), &initialFolder);
  constexpr DWORD kRoom = 300;  // the 100 names alone take 900 characters
  constexpr wchar_t kCanary = L'#';
  std::vector<wchar_t> buffer(kRoom + 4096, kCanary);
  buffer[0] = L'\0';
  OPENFILENAMEW dialog{};
  dialog.lStructSize = DialogRecordSize();
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = 100;
  dialog.lpstrInitialDir = initialFolder.c_str();
  dialog.lpstrTitle = L"Pick many";
  dialog.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  dialog.lpfnHook = DetailsViewHookOpen;
  dialog.lCustData = kRoom;
  HANDLE driver = StartDriver(TypeSelection, &typed);
  EXPECT_FALSE(GetOpenFileNameW(&dialog));
  ASSERT_TRUE(FinishDriver(driver));
  EXPECT_TRUE(typed.closed);
  for (size_t i = kRoom; i < buffer.size(); ++i) ASSERT_EQ(kCanary, buffer[i]) << i;
}

TEST(DialogRecordSize, FollowsTheReportedWindowsVersion) {
  // Run once in a prefix that reports Windows 7 and once in one that reports
  // XP; ZAPNEST_EXPECTED_RECORD says which record to expect. (On 32-bit x86
  // the full record is 88 bytes and the short one 76.)
  const char* expected = std::getenv("ZAPNEST_EXPECTED_RECORD");
  if (expected == nullptr) GTEST_SKIP() << "ZAPNEST_EXPECTED_RECORD is not set";
  const DWORD size = std::string(expected) == "full" ? sizeof(OPENFILENAMEW) : OPENFILENAME_SIZE_VERSION_400W;
  EXPECT_EQ(size, DialogRecordSize());
}

}  // namespace
