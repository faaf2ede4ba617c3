#include "nestui_kit/modal.h"

namespace nestui_kit {
namespace {

HWND& dialog_slot() {
  thread_local HWND dialog = nullptr;
  return dialog;
}

}  // namespace

void set_modal_dialog(HWND dialog) { dialog_slot() = dialog; }

void close_modal_dialog() {
  const HWND dialog = dialog_slot();
  if (dialog && ::IsWindow(dialog)) ::DestroyWindow(dialog);
}

void show_dialog_window(HWND dialog) {
  ::ShowWindow(dialog, SW_SHOWNA);
  const HWND foreground = ::GetForegroundWindow();
  if (!foreground) return;
  DWORD process = 0;
  ::GetWindowThreadProcessId(foreground, &process);
  if (process == ::GetCurrentProcessId()) ::SetForegroundWindow(dialog);
}

void run_modal_loop(HWND dialog, const std::function<bool()>& close_when, bool keep_topmost) {
  if (!::IsWindow(dialog)) return;
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        ::PostQuitMessage(0);
        return;
      }
      if (message.message == WM_TIMER && message.wParam == kClosePollTimer) {
        if (close_when && close_when()) close_modal_dialog();
      } else if (message.message == WM_TIMER && message.wParam == kKeepTopmostTimer) {
        if (keep_topmost)
          ::SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
      } else {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
      if (!::IsWindow(dialog)) return;
    }
    if (!::IsWindow(dialog)) return;
    ::WaitMessage();
  }
}

}  // namespace nestui_kit
