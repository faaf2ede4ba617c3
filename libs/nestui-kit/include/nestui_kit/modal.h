#pragma once
// Running a dialog modally on the calling thread without the system's
// dialog manager: per-thread slots for the current dialog and its result,
// showing without stealing the foreground, and the message loop.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#ifdef _WIN32
#include <windows.h>
#endif

namespace nestui_kit {

// Timers on a modal dialog; the loop consumes their messages itself.
inline constexpr std::uintptr_t kKeepTopmostTimer = 0x4F4C5400;  // every 250 ms
inline constexpr std::uintptr_t kClosePollTimer = 0x4F4C5700;    // every 500 ms

// The result slot of the calling thread: a button index, or nothing.
void clear_modal_result();
void set_modal_result(std::size_t index);
std::optional<std::size_t> take_modal_result();

#ifdef _WIN32
// The calling thread's current modal dialog. Never cleared: closing a
// dialog that is gone finds its handle no longer a window.
void set_modal_dialog(HWND dialog);
// Destroys the current modal dialog if it is still a window.
void close_modal_dialog();

// Shows the dialog without activating it; it takes the foreground only
// when the foreground window belongs to this process.
void show_dialog_window(HWND dialog);

// Pumps the thread's messages until the dialog is no longer a window. Asks
// `close_when` (when given) at each close-poll timer tick and closes the
// dialog when it answers yes; puts the dialog back on top at each
// keep-topmost tick when `keep_topmost`. A WM_QUIT ends the loop and is
// posted again for the caller's own loop.
void run_modal_loop(HWND dialog, const std::function<bool()>& close_when, bool keep_topmost);
#endif

}  // namespace nestui_kit
