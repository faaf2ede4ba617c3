#pragma once
// A timer on a window (SetTimer), owned like a handle: dropping the owner
// kills it.

#include <windows.h>

#include <utility>

#include "win_common/handles.h"

namespace win_common {

class window_timer {
 public:
  window_timer() = default;
  // A timer that could not be set gives an empty owner.
  static window_timer start(HWND window, UINT_PTR id, UINT milliseconds) {
    window_timer timer;
    if (::SetTimer(window, id, milliseconds, nullptr)) {
      timer.window_ = window;
      timer.id_ = id;
    }
    return timer;
  }
  window_timer(window_timer&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), id_(other.id_) {}
  window_timer& operator=(window_timer&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = std::exchange(other.window_, nullptr);
      id_ = other.id_;
    }
    return *this;
  }
  window_timer(const window_timer&) = delete;
  window_timer& operator=(const window_timer&) = delete;
  ~window_timer() { reset(); }

  // Whether the timer is set.
  explicit operator bool() const { return window_ != nullptr; }

  void reset() {
    if (!window_) return;
    const keep_last_error kept;
    ::KillTimer(std::exchange(window_, nullptr), id_);
  }

 private:
  HWND window_ = nullptr;
  UINT_PTR id_ = 0;
};

}  // namespace win_common
