// The wait cursor while a zip is written.
#pragma once

#include <windows.h>

// Shows the wait cursor while it lives; SetAgain after pumping messages,
// which may have changed it.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  void SetAgain();

 private:
  HCURSOR previous_;
};
