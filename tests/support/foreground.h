#pragma once
// Bringing a test's own window to the front.
#include <windows.h>

namespace test_support {

// Makes `window` the foreground window. Windows lets a program do that only
// while it has the foreground or the user's last input; a program a test
// starts has neither, so when the plain call is refused the thread joins the
// input of the window in front for the moment of a second one (Wine, which
// has no such rule, takes the first). Whether `window` is in front now.
inline bool take_foreground(HWND window) {
  if (SetForegroundWindow(window) && GetForegroundWindow() == window) return true;
  const DWORD front = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  const DWORD own = GetCurrentThreadId();
  const bool joined = front != 0 && front != own && AttachThreadInput(own, front, TRUE);
  SetForegroundWindow(window);
  BringWindowToTop(window);
  if (joined) AttachThreadInput(own, front, FALSE);
  return GetForegroundWindow() == window;
}

}  // namespace test_support
