#include <algorithm>
#include <atomic>
#include <vector>

#include "nestui_kit/cursor.h"
#include "nestui_kit/handlers.h"
#include "win_common/window_subclass.h"

namespace nestui_kit {
namespace {

// Per thread: the controls that show the hand, and the cursor handlers on
// their root windows. A handler whose window is gone drops out, so a new
// window that happens to get the same handle value gets a handler again.
struct HandCursors {
  std::vector<HWND> controls;
  std::vector<win_common::window_subclass> roots;

  bool shows_hand(HWND window) const {
    return std::find(controls.begin(), controls.end(), window) != controls.end() &&
           ::IsWindowEnabled(window);
  }
};

// The thread's registry, made at its first use. A thread_local object with a
// destructor would bring in the runtime's list of per-thread destructors; a
// plain pointer needs none. The registry is freed once it is empty again:
// no control shows the hand and every root that had a handler is gone.
thread_local HandCursors* thread_cursors = nullptr;

HandCursors& hand_cursors() {
  if (!thread_cursors) thread_cursors = new HandCursors;
  return *thread_cursors;
}

void drop_gone_roots(HandCursors& cursors) {
  std::erase_if(cursors.roots, [](const auto& handler) { return !handler.window(); });
}

std::optional<LRESULT> on_root_message(HWND, UINT message, WPARAM wparam, LPARAM) {
  if (message != WM_SETCURSOR) return std::nullopt;
  if (!thread_cursors || !thread_cursors->shows_hand(reinterpret_cast<HWND>(wparam)))
    return std::nullopt;
  if (HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND)) ::SetCursor(hand);
  return TRUE;
}

}  // namespace

void register_hand_cursor(HWND control) {
  HandCursors& cursors = hand_cursors();
  if (std::find(cursors.controls.begin(), cursors.controls.end(), control) ==
      cursors.controls.end())
    cursors.controls.push_back(control);
  const HWND root = ::GetAncestor(control, GA_ROOT);
  if (!root) return;
  drop_gone_roots(cursors);
  if (std::any_of(cursors.roots.begin(), cursors.roots.end(),
                  [root](const auto& handler) { return handler.window() == root; }))
    return;
  auto handler =
      win_common::window_subclass::install(root, reserve_handler_ids(), &on_root_message);
  if (handler) cursors.roots.push_back(std::move(*handler));
}

void unregister_hand_cursor(HWND control) {
  if (!thread_cursors) return;
  std::erase(thread_cursors->controls, control);
  drop_gone_roots(*thread_cursors);
  if (thread_cursors->controls.empty() && thread_cursors->roots.empty()) {
    delete thread_cursors;
    thread_cursors = nullptr;
  }
}

UINT check_active_message() {
  // Registered once per process. Two threads that ask at the same time both
  // register the same name and get the same number.
  static std::atomic<UINT> message{0};
  UINT number = message.load(std::memory_order_acquire);
  if (number == 0) {
    number = ::RegisterWindowMessageW(L"NESTUI.CheckActiveAfterShow");
    message.store(number, std::memory_order_release);
  }
  return number;
}

}  // namespace nestui_kit
