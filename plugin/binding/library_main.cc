// Loading and unloading the library: bind the mail client, read the
// settings; at unload write the two text settings back.
#include <windows.h>

#include <string>

#include "platform/wide_text.h"
#include "plugin/binding/exception_boundary.h"
#include "plugin/binding/host_api.h"
#include "plugin/binding/settings.h"

namespace {

bool attached = false;

bool Attach(HINSTANCE instance) {
  // Refusing to load is the only way to say the mail client does not fit.
  if (!BindHostApi(&Host(), GetModuleHandleA(nullptr), ResolveWithGetProcAddress)) return false;
  wchar_t modulePath[MAX_PATH + 1] = L"";
  const DWORD length = GetModuleFileNameW(instance, modulePath, MAX_PATH);
  // A path that filled the buffer may have been cut short: no settings file
  // then, rather than one in the wrong place. So is a path without a UTF-8
  // form.
  std::string path;
  if (length == 0 || length >= MAX_PATH || !NarrowWide(modulePath, length, &path)) path.clear();
  LoadSettings(&Settings(), path);
  attached = true;
  return true;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    // A load that fails in any way is refused rather than half done.
    case DLL_PROCESS_ATTACH: return CatchEverything(false, [&] { return Attach(instance); }) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      if (attached) {
        CatchEverything(false, [] {
          SaveSettings(Settings());
          return true;
        });
      }
      attached = false;
      return TRUE;
    default: return TRUE;
  }
}
