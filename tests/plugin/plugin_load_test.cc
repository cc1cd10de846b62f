// Zapnest.dll loaded by this program, which stands in for the mail client:
// it exports the entry points the plug-in binds (all of them, or all but
// one, in the variants built from this file).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "host/dialog_driver.h"
#include "host/host_state.h"
#include "tests/support/test_files.h"

namespace {

std::string pluginPath;  // the built Zapnest.dll, from the command line

// A copy of the DLL at `relative` inside `dir`, so that its settings file
// lands there.
std::string CopyPlugin(const TempDir& dir, const std::string& relative) {
  const std::string target = dir.File(relative);
  CreateDirectoryA(target.substr(0, target.find_last_of('\\')).c_str(), nullptr);
  EXPECT_TRUE(CopyFileA(pluginPath.c_str(), target.c_str(), FALSE)) << target;
  return target;
}

template <typename Function>
Function Export(HMODULE plugin, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(plugin, name)));
}

#if !defined(ZAPNEST_HOST_OMITS_SET_STATUS) && !defined(ZAPNEST_HOST_OMITS_CONNECT)

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(PluginLoad, ReportsItselfAndAnswersEveryCallback) {
  TempDir dir;
  HMODULE plugin = LoadLibraryA(CopyPlugin(dir, "Zapnest.dll").c_str());
  ASSERT_NE(nullptr, plugin) << GetLastError();
  char record[320];
  memset(record, 'x', sizeof record);
  EXPECT_EQ(0, Export<LRESULT(WINAPI*)(char*)>(plugin, "OVC_OnPlugInInfo")(record));
  EXPECT_STREQ("Orvel! zip and attach plug-in", record);
  EXPECT_STREQ("The Zapnest developers", record + 80);
  EXPECT_STREQ(ZAPNEST_VERSION, record + 160);
  EXPECT_STREQ("Enables Orvel! to zip and attach files.", record + 240);
  EXPECT_EQ(1, Export<LRESULT(WINAPI*)(LPARAM)>(plugin, "OVC_OnPlugInSetup")(0));
  EXPECT_EQ(0, Export<LRESULT(WINAPI*)()>(plugin, "OVC_OnStart")());
  EXPECT_EQ(0, Export<LRESULT(WINAPI*)()>(plugin, "OVC_OnExit")());
  EXPECT_EQ(0, Export<LRESULT(WINAPI*)()>(plugin, "OVC_OnEveryMinute")());
  for (const char* name : {"OVC_OnOpenFolder", "OVC_OnOpenMail", "OVC_OnSend", "OVC_OnFinishRetrieve"}) {
    EXPECT_EQ(0, Export<LRESULT(WINAPI*)(LPARAM)>(plugin, name)(7)) << name;
  }
  for (const char* name : {"OVC_OnOutgoing", "OVC_OnRetrieve", "OVC_OnOpenCompose"}) {
    EXPECT_EQ(0, Export<LRESULT(WINAPI*)(LPARAM, LPARAM)>(plugin, name)(7, 8)) << name;
  }
  for (const char* name : {"OVC_OnKeyDispatch", "OVC_OnBeforeFilter", "OVC_OnMenuInit"}) {
    EXPECT_EQ(0, Export<LRESULT(WINAPI*)(LPARAM, LPARAM, LPARAM)>(plugin, name)(7, 8, 9)) << name;
  }
  EXPECT_EQ(0, Export<LRESULT(WINAPI*)(LPARAM, LPARAM, LPARAM, LPARAM)>(plugin, "OVC_OnDragDrop")(1, 2, 3, 4));
  EXPECT_TRUE(FreeLibrary(plugin));
}

TEST(PluginLoad, WritesTheTwoTextSettingsBackAtUnload) {
  TempDir dir;
  const std::string dll = CopyPlugin(dir, "Zapnest.dll");
  const std::string ini = dir.File("Zapnest.ini");
  {
    std::ofstream out(ini);
    out << "[Settings]\r\nInitialFolder=C:\\Users\\me\\Documents\r\nDefaultZipName=Letters.zip\r\n"
           "ShowSaveWarning=0\r\nShowZipFolder=1\r\n";
  }
  HMODULE plugin = LoadLibraryA(dll.c_str());
  ASSERT_NE(nullptr, plugin);
  DeleteFileA(ini.c_str());  // what was read must come back from memory
  FreeLibrary(plugin);
  const std::string written = ReadText(ini);
  EXPECT_NE(std::string::npos, written.find("InitialFolder=C:\\Users\\me\\Documents")) << written;
  EXPECT_NE(std::string::npos, written.find("DefaultZipName=Letters.zip")) << written;
  EXPECT_EQ(std::string::npos, written.find("ShowSaveWarning")) << written;
  EXPECT_EQ(std::string::npos, written.find("ShowZipFolder")) << written;
}

// A text longer than a setting keeps is read cut short; unchanged, it must
// not be written back cut short. A text of exactly the length kept is whole.
TEST(PluginLoad, ATextReadCutShortIsNotWrittenBackUnchanged) {
  TempDir dir;
  const std::string dll = CopyPlugin(dir, "Zapnest.dll");
  const std::string ini = dir.File("Zapnest.ini");
  const std::string longName = std::string(400, 'n') + ".zip";
  const std::string wholeFolder = "C:\\" + std::string(257, 'f');  // 260 characters
  const std::string contents = "[Settings]\r\nInitialFolder=" + wholeFolder + "\r\nDefaultZipName=" + longName + "\r\n";
  {
    std::ofstream out(ini, std::ios::binary);
    out << contents;
  }
  HMODULE plugin = LoadLibraryA(dll.c_str());
  ASSERT_NE(nullptr, plugin);
  FreeLibrary(plugin);
  std::string written = ReadText(ini);
  EXPECT_NE(std::string::npos, written.find("\r\nDefaultZipName=" + longName + "\r\n")) << written;
  EXPECT_NE(std::string::npos, written.find("\r\nInitialFolder=" + wholeFolder + "\r\n")) << written;

  // What is written comes from memory: the whole folder, and no zip name.
  plugin = LoadLibraryA(dll.c_str());
  ASSERT_NE(nullptr, plugin);
  DeleteFileA(ini.c_str());
  FreeLibrary(plugin);
  written = ReadText(ini);
  EXPECT_NE(std::string::npos, written.find("InitialFolder=" + wholeFolder + "\r\n")) << written;
  EXPECT_EQ(std::string::npos, written.find("DefaultZipName")) << written;
}

TEST(PluginLoad, AbsentKeysGiveTheDefaultsAndNoFileIsMadeAtLoad) {
  TempDir dir;
  const std::string dll = CopyPlugin(dir, "Zapnest.dll");
  const std::string ini = dir.File("Zapnest.ini");
  HMODULE plugin = LoadLibraryA(dll.c_str());
  ASSERT_NE(nullptr, plugin);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ini.c_str()));
  FreeLibrary(plugin);
  const std::string written = ReadText(ini);
  EXPECT_NE(std::string::npos, written.find("InitialFolder=\r\n")) << written;
  EXPECT_NE(std::string::npos, written.find("DefaultZipName=Attached_files.zip")) << written;
  EXPECT_EQ(std::string::npos, written.find("Show")) << written;
}

TEST(PluginLoad, TheSettingsFileSitsBesideTheModule) {
  TempDir dir;
  // A dotted folder and a module without an extension (a trailing dot keeps
  // LoadLibrary from adding ".dll").
  const std::string dll = CopyPlugin(dir, "orvel.plugins\\Zapnest");
  HMODULE plugin = LoadLibraryA((dll + ".").c_str());
  ASSERT_NE(nullptr, plugin) << GetLastError();
  FreeLibrary(plugin);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.File("orvel.plugins\\Zapnest.ini").c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.File("orvel.ini").c_str()));
}

TEST(PluginLoad, OnlyTheCompositionMenuGetsEntries) {
  TempDir dir;
  HMODULE plugin = LoadLibraryA(CopyPlugin(dir, "Zapnest.dll").c_str());
  ASSERT_NE(nullptr, plugin);
  const auto menuInit = Export<LRESULT(WINAPI*)(LPARAM, HMENU, LPARAM)>(plugin, "OVC_OnMenuInit");
  HMENU bar = CreateMenu();
  HMENU first = CreatePopupMenu();
  for (UINT i = 0; i < 16; ++i) AppendMenuA(first, MF_STRING, 100 + i, ("Item " + std::to_string(i)).c_str());
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(first), "First");
  for (LPARAM kind : {0, 1, 9, 11}) EXPECT_EQ(0, menuInit(0, bar, kind));
  EXPECT_EQ(16, GetMenuItemCount(first));
  EXPECT_TRUE(TheHost().commands.empty());
  EXPECT_EQ(0, menuInit(0, bar, 10));
  ASSERT_EQ(17, GetMenuItemCount(first));  // no ShowZipFolder in this INI: one entry
  char label[64] = "";
  GetMenuStringA(first, 14, label, sizeof label, MF_BYPOSITION);
  EXPECT_STREQ("Zip and Attach F&ile(s)...", label);
  ASSERT_EQ(1u, TheHost().commands.size());
  EXPECT_EQ("Zip and Attach Files", TheHost().commands[0].label);
  EXPECT_EQ(10, TheHost().commands[0].menuKind);
  EXPECT_EQ(TheHost().commands[0].identifier, GetMenuItemID(first, 14));
  DestroyMenu(bar);
  FreeLibrary(plugin);
}

// The numbers are read as the profile functions read them: the number at
// the start of the value, anything that is not a number being 0.
TEST(PluginLoad, ShowZipFolderIsOnForEveryNumberButZero) {
  for (const auto& [value, entries] :
       {std::pair<std::string, int>{"1", 18}, {"0", 17}, {"12x", 18}, {"-1", 18}, {"abc", 17}, {"yes", 17}}) {
    TempDir dir;
    const std::string dll = CopyPlugin(dir, "Zapnest.dll");
    {
      std::ofstream out(dir.File("Zapnest.ini"), std::ios::binary);
      out << "[Settings]\r\nShowZipFolder=" << value << "\r\n";
    }
    HMODULE plugin = LoadLibraryA(dll.c_str());
    ASSERT_NE(nullptr, plugin);
    HMENU bar = CreateMenu();
    HMENU first = CreatePopupMenu();
    for (UINT i = 0; i < 16; ++i) AppendMenuA(first, MF_STRING, 100 + i, "Item");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(first), "First");
    Export<LRESULT(WINAPI*)(LPARAM, HMENU, LPARAM)>(plugin, "OVC_OnMenuInit")(0, bar, 10);
    EXPECT_EQ(entries, GetMenuItemCount(first)) << "ShowZipFolder=" << value;
    DestroyMenu(bar);
    FreeLibrary(plugin);
  }
}

TEST(PluginLoad, ANullInformationRecordIsLeftAlone) {
  TempDir dir;
  HMODULE plugin = LoadLibraryA(CopyPlugin(dir, "Zapnest.dll").c_str());
  ASSERT_NE(nullptr, plugin);
  EXPECT_EQ(0, Export<LRESULT(WINAPI*)(char*)>(plugin, "OVC_OnPlugInInfo")(nullptr));
  FreeLibrary(plugin);
}

// What the driver thread saw of the message box it answered.
struct SeenMessage {
  bool shown = false;
  HWND owner = reinterpret_cast<HWND>(1);
  std::string text;
};

DWORD WINAPI AnswerPluginMessage(void* context) {
  auto* seen = static_cast<SeenMessage*>(context);
  HWND box = WaitForDialog("Zapnest Plugin", 10000);
  if (box == nullptr) return 1;
  seen->shown = true;
  seen->owner = GetWindow(box, GW_OWNER);
  seen->text = WindowText(GetDlgItem(box, 0xFFFF));
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  return 0;
}

// Run before any composition window was announced, or after the last one
// was closed, a command has nothing to own its dialogs or take the zip: it
// says so, owned by no window, and goes no further.
// The plug-in loaded with its menu entries given to a composition menu:
// `command` is the files command, `openCompose` announces a window.
class PluginCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin = LoadLibraryA(CopyPlugin(dir, "Zapnest.dll").c_str());
    ASSERT_NE(nullptr, plugin);
    HMENU first = CreatePopupMenu();
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(first), "First");
    TheHost().commands.clear();
    Export<LRESULT(WINAPI*)(LPARAM, HMENU, LPARAM)>(plugin, "OVC_OnMenuInit")(0, bar, 10);
    ASSERT_EQ(1u, TheHost().commands.size());
    command = TheHost().commands[0].procedure;
    openCompose = Export<LRESULT(WINAPI*)(HWND, LPARAM)>(plugin, "OVC_OnOpenCompose");
  }
  // As the mail client unloads a plug-in: its unload notice, then FreeLibrary.
  void TearDown() override {
    DestroyMenu(bar);
    if (plugin == nullptr) return;
    Export<LRESULT(WINAPI*)()>(plugin, "OVC_OnExit")();
    FreeLibrary(plugin);
  }

  TempDir dir;
  HMODULE plugin = nullptr;
  HMENU bar = CreateMenu();
  CommandProcedure command = nullptr;
  LRESULT(WINAPI* openCompose)(HWND, LPARAM) = nullptr;
};

TEST_F(PluginCommand, WithoutACompositionWindowItIsCancelled) {
  for (const bool closedWindow : {false, true}) {
    if (closedWindow) {
      HWND window =
          CreateWindowExA(0, "STATIC", "compose", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
      openCompose(window, 0);
      DestroyWindow(window);
    }
    SeenMessage seen;
    HANDLE driver = StartDriver(AnswerPluginMessage, &seen);
    command(0, 0);
    EXPECT_TRUE(FinishDriver(driver));
    EXPECT_TRUE(seen.shown) << "closed window: " << closedWindow;
    EXPECT_EQ(nullptr, seen.owner);
    EXPECT_EQ("Creation of zip archive cancelled.", seen.text);
  }
}

// A command takes a reference on the library, so that a FreeLibrary from a
// message it dispatches cannot take its code away; the unload notice gives
// it back, and the library then goes with the mail client's FreeLibrary.
TEST_F(PluginCommand, TheLibraryStaysLoadedAfterACommandUntilItsUnloadNotice) {
  for (const bool notice : {false, true}) {
    SeenMessage seen;
    HANDLE driver = StartDriver(AnswerPluginMessage, &seen);
    command(0, 0);  // no composition window: cancelled at once
    EXPECT_TRUE(FinishDriver(driver));
    if (notice) Export<LRESULT(WINAPI*)()>(plugin, "OVC_OnExit")();
    EXPECT_TRUE(FreeLibrary(plugin));
    HMODULE module = nullptr;
    const bool loaded = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                           dir.File("Zapnest.dll").c_str(), &module) != FALSE;
    EXPECT_EQ(!notice, loaded) << "unload notice: " << notice;
    plugin = nullptr;
    if (notice) break;
    // Loaded again, as a mail client that takes it back; it is the same module.
    plugin = LoadLibraryA(dir.File("Zapnest.dll").c_str());
    ASSERT_EQ(module, plugin);
  }
}

// Who owned the open dialog, which the driver cancels, and the message that
// follows.
struct SeenOwners {
  HWND dialog = nullptr;
  SeenMessage message;
};

DWORD WINAPI CancelOpenDialog(void* context) {
  auto* seen = static_cast<SeenOwners*>(context);
  HWND dialog = WaitForDialog("Select file(s) to zip & attach", 10000);
  if (dialog == nullptr) return 1;
  seen->dialog = GetWindow(dialog, GW_OWNER);
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  return AnswerPluginMessage(&seen->message);
}

// With several messages being written, a command works on the one whose
// menu was used, which holds the focus; the mail client opening another
// message later must not send the zip there.
TEST_F(PluginCommand, WorksOnTheCompositionWindowInUse) {
  auto composeWindow = [](const char* title) {
    return CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                           nullptr, nullptr);
  };
  HWND older = composeWindow("older message");
  HWND newer = composeWindow("newer message");
  // A child window holding the focus stands for a control of the message.
  HWND field = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, older, nullptr, nullptr, nullptr);
  openCompose(older, 0);
  openCompose(newer, 0);

  auto ownersWhenFocused = [&](HWND focus) {
    SetFocus(focus);
    SeenOwners seen;
    HANDLE driver = StartDriver(CancelOpenDialog, &seen);
    command(0, 0);
    EXPECT_TRUE(FinishDriver(driver));
    EXPECT_EQ("Creation of zip archive cancelled.", seen.message.text);
    EXPECT_EQ(seen.dialog, seen.message.owner);
    return seen.dialog;
  };
  EXPECT_EQ(older, ownersWhenFocused(field));
  EXPECT_EQ(older, ownersWhenFocused(older));
  EXPECT_EQ(newer, ownersWhenFocused(newer));
  // Focus on no composition window: the newest still open.
  HWND other = composeWindow("not a message");
  EXPECT_EQ(newer, ownersWhenFocused(other));
  DestroyWindow(newer);
  EXPECT_EQ(older, ownersWhenFocused(other));

  DestroyWindow(other);
  DestroyWindow(older);
}

TEST(PluginLoad, AnyVersionLoadsWhenTheStatusEntryIsThere) {
  TempDir dir;
  const std::string dll = CopyPlugin(dir, "Zapnest.dll");
  for (const char* version : {"2.00.05", "2.00.06", "2.01.00", "3.10.100"}) {
    TheHost().versionText = version;
    HMODULE plugin = LoadLibraryA(dll.c_str());
    EXPECT_NE(nullptr, plugin) << version;
    if (plugin != nullptr) FreeLibrary(plugin);
  }
}

#elif defined(ZAPNEST_HOST_OMITS_SET_STATUS)

TEST(PluginLoadWithoutStatus, OnlyOldVersionsLoad) {
  TempDir dir;
  const std::string dll = CopyPlugin(dir, "Zapnest.dll");
  for (const char* version : {"2.00.06", "2.01.00", "12345678"}) {
    TheHost().versionText = version;
    EXPECT_EQ(nullptr, LoadLibraryA(dll.c_str())) << version;
  }
  // A refused load reads and writes no settings.
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.File("Zapnest.ini").c_str()));
  for (const char* version : {"2.00.05", "1.00"}) {
    TheHost().versionText = version;
    HMODULE plugin = LoadLibraryA(dll.c_str());
    EXPECT_NE(nullptr, plugin) << version;
    if (plugin != nullptr) FreeLibrary(plugin);
  }
}

#else

TEST(PluginLoadWithoutRequiredEntry, NeverLoads) {
  TempDir dir;
  const std::string dll = CopyPlugin(dir, "Zapnest.dll");
  for (const char* version : {"2.00.05", "2.01.00"}) {
    TheHost().versionText = version;
    EXPECT_EQ(nullptr, LoadLibraryA(dll.c_str())) << version;
  }
}

#endif

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    fprintf(stderr, "usage: %s PATH-OF-Zapnest.dll\n", argv[0]);
    return 2;
  }
  pluginPath = argv[1];
  return RUN_ALL_TESTS();
}
