#include "plugin/message_pump.h"

#include "plugin/compose_window.h"

void PumpMessages() {
  HWND compose = CurrentComposeWindow();
  if (compose == nullptr) return;
  HWND parent = GetParent(compose);
  MSG message;
  while (PeekMessageA(&message, parent != nullptr ? parent : compose, 0, 0, PM_REMOVE)) {
    // The mail client is ending: its own message loop must still see that.
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}
