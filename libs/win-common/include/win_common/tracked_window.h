#pragma once
// A window of our own making that may also be destroyed by someone else:
// with its parent, or by a dialog that closes itself. The owner learns of
// the destruction (it watches for WM_NCDESTROY with a window subclass of its
// own), and releasing it destroys the window only while it still exists: a
// stale handle may name another window by then. Users link comctl32
// (version 6, bound by the manifest).

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <utility>

#include "win_common/handles.h"

namespace win_common {

class tracked_window {
 public:
  tracked_window() = default;
  // Takes the window; must run on the thread that owns it. A window that
  // cannot be watched is asked with IsWindow at release instead.
  explicit tracked_window(HWND window) {
    if (!window) return;
    state_ = std::make_unique<State>(State{window, false});
    state_->watched = ::SetWindowSubclass(window, &procedure, kWatchId,
                                          reinterpret_cast<DWORD_PTR>(state_.get())) != FALSE;
  }
  tracked_window(tracked_window&&) noexcept = default;
  tracked_window& operator=(tracked_window&& other) noexcept {
    if (this != &other) {
      reset();
      state_ = std::move(other.state_);
    }
    return *this;
  }
  ~tracked_window() { reset(); }

  // The window, or null once it is gone.
  HWND get() const {
    if (!state_ || !state_->window) return nullptr;
    if (!state_->watched && !::IsWindow(state_->window)) return nullptr;
    return state_->window;
  }
  explicit operator bool() const { return get() != nullptr; }

  // Destroys the window if it still exists.
  void reset() {
    if (!state_) return;
    const keep_last_error kept;
    if (const HWND window = get()) {
      if (state_->watched) ::RemoveWindowSubclass(window, &procedure, kWatchId);
      ::DestroyWindow(window);
    }
    state_.reset();
  }

 private:
  struct State {
    HWND window;
    bool watched;
  };
  // The procedure is the owner's own, so this identifier meets no other.
  static constexpr UINT_PTR kWatchId = 1;

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR data) {
    if (message == WM_NCDESTROY) {
      reinterpret_cast<State*>(data)->window = nullptr;
      ::RemoveWindowSubclass(window, &procedure, id);
    }
    return ::DefSubclassProc(window, message, wparam, lparam);
  }

  std::unique_ptr<State> state_;
};

}  // namespace win_common
