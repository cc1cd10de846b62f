#include "plugin/compose_window.h"

namespace {

HWND currentComposeWindow = nullptr;

}  // namespace

HWND CurrentComposeWindow() { return currentComposeWindow; }

void SetCurrentComposeWindow(HWND window) { currentComposeWindow = window; }
