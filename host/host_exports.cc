// The 56 entry points of the mail client, exported under their plain names
// by the program that links this file. Four do real work; the others answer
// 0, as nothing in the plug-in calls them.
//
// Compiled with ZAPNEST_HOST_OMITS_SET_STATUS or ZAPNEST_HOST_OMITS_CONNECT,
// the program lacks that entry point: it is exported under another name, so
// that tests can play a mail client the plug-in must refuse.
#include <windows.h>

#include "host/host_state.h"
#include "platform/code_page.h"
#include "platform/wide_text.h"
#include "plugin/binding/host_api_names.h"

#if defined(ZAPNEST_HOST_OMITS_SET_STATUS)
#define OVA_SetStatus Absent_OVA_SetStatus
#endif
#if defined(ZAPNEST_HOST_OMITS_CONNECT)
#define OVA_Connect Absent_OVA_Connect
#endif

// The four called entry points are defined below with their real arguments;
// the Windows calling convention has the callee remove them from the stack,
// so their signatures must match what the plug-in passes.
#define OVA_GetVersion Generic_OVA_GetVersion
#define OVA_RegisterCommand Generic_OVA_RegisterCommand
#define OVA_GetTempFolder Generic_OVA_GetTempFolder
#define OVA_CompAttachFile Generic_OVA_CompAttachFile

#define ZAPNEST_GENERIC_ENTRY(name, required) \
  extern "C" __declspec(dllexport) LRESULT WINAPI OVA_##name() { return 0; }
ZAPNEST_HOST_ENTRY_POINTS(ZAPNEST_GENERIC_ENTRY)
#undef ZAPNEST_GENERIC_ENTRY

#undef OVA_GetVersion
#undef OVA_RegisterCommand
#undef OVA_GetTempFolder
#undef OVA_CompAttachFile

extern "C" __declspec(dllexport) const char* WINAPI OVA_GetVersion() { return TheHost().versionText.c_str(); }

extern "C" __declspec(dllexport) LRESULT WINAPI
    OVA_RegisterCommand(const char* label, LPARAM menuKind, CommandProcedure procedure) {
  HostState& host = TheHost();
  const UINT identifier = host.nextCommandIdentifier++;
  host.commands.push_back(RegisteredCommand{label != nullptr ? label : "", menuKind, procedure, identifier});
  return static_cast<LRESULT>(identifier);
}

extern "C" __declspec(dllexport) const char* WINAPI OVA_GetTempFolder() { return TheHost().tempFolder.c_str(); }

extern "C" __declspec(dllexport) LRESULT WINAPI OVA_CompAttachFile(HWND composeWindow, const char* path, void*) {
  // The mail client's interface speaks the ANSI code page.
  std::string utf8;
  if (path == nullptr || !AnsiToUtf8(path, &utf8)) utf8.clear();
  TheHost().Attach(utf8, composeWindow);
  return 1;
}
