#include "plugin/messages.h"

#include "plugin/compose_window.h"

const char kCancelledText[] = "Creation of zip archive cancelled.";
const char kCreateErrorText[] = "Error creating zip archive.";
const char kAddErrorText[] = "Error adding file to zip archive.";

namespace {

constexpr char kCaption[] = "Zapnest Plugin";

}  // namespace

int ShowMessage(const std::string& text, UINT iconAndButtons) {
  return MessageBoxA(CurrentComposeWindow(), text.c_str(), kCaption, iconAndButtons);
}

int ShowConstantMessage(HWND owner, const char* text, UINT iconAndButtons) noexcept {
  return MessageBoxA(owner, text, kCaption, iconAndButtons);
}
