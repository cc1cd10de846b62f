// The sixteen callbacks the mail client calls, exported under their plain
// names by zapnest.def. Arguments the plug-in does not use are pointer-sized,
// so that the same sources serve the 32-bit and the 64-bit build. Those that
// do more than return a constant run through CatchEverything; the rest call
// nothing that could throw.
#include <windows.h>

#include "plugin/binding/compose_window.h"
#include "plugin/binding/exception_boundary.h"
#include "plugin/binding/menu_entries.h"
#include "plugin/binding/plugin_info.h"
#include "plugin/commands/run_command.h"

extern "C" {

LRESULT WINAPI OVC_OnStart() { return 0; }
// The mail client is about to unload the plug-in.
LRESULT WINAPI OVC_OnExit() {
  UnloadRequested();
  return 0;
}
LRESULT WINAPI OVC_OnEveryMinute() { return 0; }

// A mail client that hands over no record gets nothing written.
LRESULT WINAPI OVC_OnPlugInInfo(char* record) {
  if (record != nullptr) FillPluginInfo(record);
  return 0;
}

// The plug-in has no setup dialog; its settings are edited in its INI file.
LRESULT WINAPI OVC_OnPlugInSetup(LPARAM) { return 1; }

LRESULT WINAPI OVC_OnMenuInit(LPARAM, HMENU menuBar, LPARAM menuKind) {
  return CatchEverything<LRESULT>(0, [&] {
    AddMenuEntries(menuBar, menuKind);
    return LRESULT{0};
  });
}

LRESULT WINAPI OVC_OnOpenCompose(HWND composeWindow, LPARAM) {
  NoteComposeWindow(composeWindow);
  return 0;
}

LRESULT WINAPI OVC_OnOpenFolder(LPARAM) { return 0; }
LRESULT WINAPI OVC_OnOpenMail(LPARAM) { return 0; }
LRESULT WINAPI OVC_OnSend(LPARAM) { return 0; }
LRESULT WINAPI OVC_OnFinishRetrieve(LPARAM) { return 0; }
LRESULT WINAPI OVC_OnOutgoing(LPARAM, LPARAM) { return 0; }
LRESULT WINAPI OVC_OnRetrieve(LPARAM, LPARAM) { return 0; }
LRESULT WINAPI OVC_OnKeyDispatch(LPARAM, LPARAM, LPARAM) { return 0; }
LRESULT WINAPI OVC_OnBeforeFilter(LPARAM, LPARAM, LPARAM) { return 0; }
LRESULT WINAPI OVC_OnDragDrop(LPARAM, LPARAM, LPARAM, LPARAM) { return 0; }

}  // extern "C"
