#include "plugin/binding/compose_window.h"

#include <cstddef>

namespace {

// The announced windows, oldest first. A mail client with more messages open
// than this at once is beyond belief; the oldest is forgotten first.
constexpr size_t kKnownLimit = 64;
HWND knownWindows[kKnownLimit];
size_t knownCount = 0;

HWND lastAnnounced = nullptr;
HWND heldWindow = nullptr;

void ForgetClosedWindows() {
  size_t kept = 0;
  for (size_t i = 0; i < knownCount; ++i) {
    if (IsWindow(knownWindows[i])) knownWindows[kept++] = knownWindows[i];
  }
  knownCount = kept;
}

void Forget(HWND window) {
  size_t kept = 0;
  for (size_t i = 0; i < knownCount; ++i) {
    if (knownWindows[i] != window) knownWindows[kept++] = knownWindows[i];
  }
  knownCount = kept;
}

bool IsKnown(HWND window) {
  for (size_t i = 0; i < knownCount; ++i) {
    if (knownWindows[i] == window) return true;
  }
  return false;
}

// The announced window that is `window` or one of its parents: the focus may
// sit in a control of a composition window, or the composition window may be
// a child of the mail client's frame.
HWND KnownWindowHolding(HWND window) {
  const HWND desktop = GetDesktopWindow();
  for (; window != nullptr && window != desktop; window = GetAncestor(window, GA_PARENT)) {
    if (IsKnown(window)) return window;
  }
  return nullptr;
}

}  // namespace

void NoteComposeWindow(HWND window) {
  ForgetClosedWindows();
  Forget(window);
  if (knownCount == kKnownLimit) Forget(knownWindows[0]);
  knownWindows[knownCount++] = window;
  lastAnnounced = window;
}

HWND HoldComposeWindow() {
  ForgetClosedWindows();
  HWND chosen = KnownWindowHolding(GetFocus());
  if (chosen == nullptr) chosen = KnownWindowHolding(GetActiveWindow());
  if (chosen == nullptr && knownCount > 0) chosen = knownWindows[knownCount - 1];
  heldWindow = chosen;
  return chosen;
}

bool HeldWindowClosed() { return heldWindow != nullptr && !IsWindow(heldWindow); }

void ReleaseComposeWindow() { heldWindow = nullptr; }

HWND CurrentComposeWindow() { return heldWindow != nullptr ? heldWindow : lastAnnounced; }
