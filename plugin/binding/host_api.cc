#include "plugin/binding/host_api.h"

namespace {

struct EntryName {
  const char* name;
  bool required;
};

constexpr EntryName kEntryNames[kHostEntryPointCount] = {
#define ZAPNEST_HOST_NAME(name, required) {"OVA_" #name, required},
    ZAPNEST_HOST_ENTRY_POINTS(ZAPNEST_HOST_NAME)
#undef ZAPNEST_HOST_NAME
};

// Hosts from this version on can take a status text from plug-ins, and the
// plug-in requires them to offer it.
constexpr char kFirstVersionWithStatus[] = "2.00.06";
constexpr size_t kLongestOldVersionText = 7;

bool IsOldHost(const char* version) {
  return version != nullptr && lstrlenA(version) <= static_cast<int>(kLongestOldVersionText) &&
         lstrcmpA(version, kFirstVersionWithStatus) < 0;
}

}  // namespace

HostApi& Host() {
  static HostApi api;
  return api;
}

FARPROC ResolveWithGetProcAddress(HMODULE module, const char* name) { return GetProcAddress(module, name); }

bool BindHostApi(HostApi* api, HMODULE module, ResolveName resolve) {
  if (api->module != nullptr) return true;
  if (module == nullptr) return false;
  for (size_t i = 0; i < kHostEntryPointCount; ++i) {
    api->entry[i] = resolve(module, kEntryNames[i].name);
    if (api->entry[i] == nullptr && kEntryNames[i].required) return false;
  }
  const auto getVersion = reinterpret_cast<GetVersionProc>(reinterpret_cast<void*>(api->entry[OvaGetVersion]));
  if (!IsOldHost(getVersion()) && api->entry[OvaSetStatus] == nullptr) return false;
  api->module = module;
  return true;
}
