// The yardstick of scripts/bench.sh: the least a program can do to show the
// progress window. One borderless top-level window with the progress
// dialog's client size (460 x 257), shown without activation, its messages
// pumped for half a second; then it ends.
#include <windows.h>

namespace {

constexpr int kClientWidth = 460;
constexpr int kClientHeight = 257;
constexpr UINT kShownMilliseconds = 500;

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = window_proc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = L"PnBenchReference";
  if (!::RegisterClassExW(&window_class)) return 1;

  // WS_POPUP without a frame: the client area is the whole window.
  const HWND window =
      ::CreateWindowExW(WS_EX_TOPMOST, window_class.lpszClassName, L"PARLEYNEST update", WS_POPUP,
                        100, 100, kClientWidth, kClientHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ::ShowWindow(window, SW_SHOWNA);
  ::SetTimer(window, 1, kShownMilliseconds, nullptr);

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}
