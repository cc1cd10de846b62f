// The mail client's entry points, bound once at load into one process-wide
// table. Every entry point takes its arguments with the Windows API calling
// convention.
#pragma once

#include <windows.h>

#include <cstddef>

#include "plugin/binding/host_api_names.h"

// A command procedure: called by the mail client when its menu item is
// chosen; both arguments are ignored.
using CommandProcedure = void(WINAPI*)(LPARAM, LPARAM);

// The four entry points the plug-in calls.
using GetVersionProc = const char*(WINAPI*)();
using RegisterCommandProc = LRESULT(WINAPI*)(const char* label, LPARAM menuKind, CommandProcedure procedure);
using GetTempFolderProc = const char*(WINAPI*)();
using CompAttachFileProc = LRESULT(WINAPI*)(HWND composeWindow, const char* path, void* reserved);

enum HostEntryPoint : size_t {
#define ZAPNEST_HOST_SLOT(name, required) Ova##name,
  ZAPNEST_HOST_ENTRY_POINTS(ZAPNEST_HOST_SLOT)
#undef ZAPNEST_HOST_SLOT
      kHostEntryPointCount
};

struct HostApi {
  FARPROC entry[kHostEntryPointCount];  // null for an optional one the host lacks
  HMODULE module;                       // set while the table is bound
};

// The process's table.
HostApi& Host();

// Looks a name up in the host's module; GetProcAddress in the plug-in, a
// stand-in in tests.
using ResolveName = FARPROC (*)(HMODULE module, const char* name);
FARPROC ResolveWithGetProcAddress(HMODULE module, const char* name);

// Binds `api` to the entry points of `module`: every required name must
// resolve, and a host whose version text is 8 characters or more, or sorts
// from "2.00.06" on, must also have OVA_SetStatus. On failure the table is
// left unbound. Binding a bound table succeeds at once.
bool BindHostApi(HostApi* api, HMODULE module, ResolveName resolve);

// The bound entry points the plug-in uses.
inline RegisterCommandProc RegisterCommandEntry() {
  return reinterpret_cast<RegisterCommandProc>(reinterpret_cast<void*>(Host().entry[OvaRegisterCommand]));
}
inline GetTempFolderProc GetTempFolderEntry() {
  return reinterpret_cast<GetTempFolderProc>(reinterpret_cast<void*>(Host().entry[OvaGetTempFolder]));
}
inline CompAttachFileProc CompAttachFileEntry() {
  return reinterpret_cast<CompAttachFileProc>(reinterpret_cast<void*>(Host().entry[OvaCompAttachFile]));
}
