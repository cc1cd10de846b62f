#include "plugin/commands/message_pump.h"

#include "plugin/binding/compose_window.h"

bool PumpMessages() {
  HWND compose = CurrentComposeWindow();
  if (compose == nullptr) return false;
  HWND parent = GetParent(compose);
  MSG message;
  bool dispatched = false;
  while (PeekMessageA(&message, parent != nullptr ? parent : compose, 0, 0, PM_REMOVE)) {
    // The mail client is ending: its own message loop must still see that.
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return dispatched;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
    dispatched = true;
  }
  return dispatched;
}
