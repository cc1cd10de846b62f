#include "plugin/binding/plugin_info.h"

#include <windows.h>

#include "plugin/commands/texts.h"

namespace {

void PutField(char* record, size_t field, const char* text) {
  lstrcpynA(record + field * kInfoFieldSize, text, static_cast<int>(kInfoFieldSize));
}

}  // namespace

void FillPluginInfo(char* record) {
  PutField(record, 0, kPluginName);
  PutField(record, 1, kPluginMaker);
  PutField(record, 2, ZAPNEST_VERSION);
  PutField(record, 3, kPluginDescription);
}
