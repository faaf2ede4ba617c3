#pragma once
// A message handler attached to a window with SetWindowSubclass, owned like
// a handle: dropping the owner removes the handler, unless the window is
// already gone. Users link comctl32 (version 6, bound by the manifest).

#include <windows.h>
#include <commctrl.h>

#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "win_common/error_text.h"
#include "win_common/handles.h"

namespace win_common {

class window_subclass {
 public:
  // Answers a message, or nothing to pass it on to the window's earlier
  // handling (DefSubclassProc).
  using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

  window_subclass() = default;
  window_subclass(window_subclass&&) noexcept = default;
  window_subclass& operator=(window_subclass&& other) noexcept {
    if (this != &other) {
      reset();
      state_ = std::move(other.state_);
    }
    return *this;
  }
  ~window_subclass() { reset(); }

  // Must run on the thread that owns the window.
  static std::expected<window_subclass, std::string> install(HWND window, UINT_PTR id,
                                                             Handler handler) {
    auto state = std::make_unique<State>(State{window, id, std::move(handler)});
    if (!::SetWindowSubclass(window, &procedure, id, reinterpret_cast<DWORD_PTR>(state.get())))
      return std::unexpected("SetWindowSubclass: " + last_windows_error_text());
    window_subclass owner;
    owner.state_ = std::move(state);
    return owner;
  }

  explicit operator bool() const { return state_ != nullptr; }
  // The window, while the handler is attached to it.
  HWND window() const { return state_ ? state_->window : nullptr; }

  void reset() {
    if (!state_) return;
    const keep_last_error kept;
    if (state_->window && ::IsWindow(state_->window))
      ::RemoveWindowSubclass(state_->window, &procedure, state_->id);
    state_.reset();
  }

 private:
  struct State {
    HWND window;
    UINT_PTR id;
    Handler handler;
  };

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR data) {
    State* state = reinterpret_cast<State*>(data);
    if (message == WM_NCDESTROY) {
      // The window goes: detach, so the owner never touches it again.
      state->window = nullptr;
      ::RemoveWindowSubclass(window, &procedure, id);
      return ::DefSubclassProc(window, message, wparam, lparam);
    }
    if (std::optional<LRESULT> answer = state->handler(window, message, wparam, lparam))
      return *answer;
    return ::DefSubclassProc(window, message, wparam, lparam);
  }

  std::unique_ptr<State> state_;
};

}  // namespace win_common
