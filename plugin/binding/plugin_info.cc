#include "plugin/binding/plugin_info.h"

#include <windows.h>

namespace {

void PutField(char* record, size_t field, const char* text) {
  lstrcpynA(record + field * kInfoFieldSize, text, static_cast<int>(kInfoFieldSize));
}

}  // namespace

void FillPluginInfo(char* record) {
  PutField(record, 0, "Orvel! zip and attach plug-in");
  PutField(record, 1, "The Zapnest developers");
  PutField(record, 2, ZAPNEST_VERSION);
  PutField(record, 3, "Enables Orvel! to zip and attach files.");
}
