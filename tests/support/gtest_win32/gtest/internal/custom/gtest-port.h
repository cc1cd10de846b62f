// GoogleTest's customisation point, for the Windows test programs. They are
// built with the win32 thread model, whose C++ library has no std::mutex or
// std::condition_variable; GoogleTest locks with its own Windows mutexes and
// needs those only for Notification, which a Windows event provides here
// (gtest_win32/notification.cc, compiled into GoogleTest). The header keeps
// <windows.h> out, so that its macros do not reach every test.
#pragma once

#ifdef _WIN32
#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification();
  ~Notification();
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify();
  void WaitForNotification();

 private:
  void* event_;  // a manual-reset event
};

}  // namespace internal
}  // namespace testing
#endif
