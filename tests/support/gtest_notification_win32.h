#pragma once
// GoogleTest's Notification for the win32 thread model of MinGW-w64 GCC 12,
// whose libstdc++ has no std::mutex or std::condition_variable: a manual
// reset event does the same. Included ahead of every source that uses
// GoogleTest in the Windows build (cmake/testing.cmake).
#include <windows.h>

namespace testing::internal {

class Notification {
 public:
  Notification() : event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { ::CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { ::SetEvent(event_); }
  void WaitForNotification() { ::WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace testing::internal
