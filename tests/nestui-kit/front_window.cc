// Another program in front: a small window in the top left corner of the
// screen that takes the foreground and stays until it is ended (at most a
// minute).
#include <windows.h>

#include "foreground.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = instance;
  window_class.lpszClassName = L"PnFrontWindow";
  RegisterClassW(&window_class);
  const HWND window = CreateWindowExW(0, L"PnFrontWindow", L"front", WS_POPUP | WS_VISIBLE, 0, 0,
                                      40, 40, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  test_support::take_foreground(window);
  SetTimer(nullptr, 0, 60000, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER) break;
    DispatchMessageW(&message);
  }
  return 0;
}
