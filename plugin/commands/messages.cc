#include "plugin/commands/messages.h"

#include "platform/wide_text.h"
#include "plugin/binding/compose_window.h"
#include "plugin/commands/command_stop.h"

// Wide, so that a file name the ANSI code page lacks shows as it is.
// Nothing is said once the message the command works for was closed (the
// text would be owned by a window that is gone, about a zip nobody waits
// for), nor while the plug-in is unloaded or the session ends; 0 then,
// which is no button. The commands check CommandStopped after each answer.
int ShowMessage(const std::string& text, UINT iconAndButtons) {
  if (CommandStopped()) return 0;
  std::wstring wide;
  if (!WidenUtf8(text, &wide)) wide = L"?";
  return MessageBoxW(CurrentComposeWindow(), wide.c_str(), kWideCaption, iconAndButtons);
}

int ShowConstantMessage(HWND owner, const char* text, UINT iconAndButtons) noexcept {
  if (CommandStopped()) return 0;
  return MessageBoxA(owner, text, kCaption, iconAndButtons);
}
