#pragma once

#include <utility>

namespace win_common {

// Runs a function when the scope ends, unless released.
template <typename F>
class [[nodiscard]] scope_exit {
 public:
  explicit scope_exit(F f) : f_(std::move(f)) {}
  scope_exit(const scope_exit&) = delete;
  scope_exit& operator=(const scope_exit&) = delete;
  ~scope_exit() {
    if (armed_) f_();
  }
  void release() { armed_ = false; }

 private:
  F f_;
  bool armed_ = true;
};

}  // namespace win_common
