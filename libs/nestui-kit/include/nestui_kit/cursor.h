#pragma once
// The hand cursor over the kit's clickable controls, and the registered
// message with which a window that was just shown checks that it really is
// the active one. Windows only.

#include <windows.h>

namespace nestui_kit {

// The control shows the hand while it is enabled. Its root window gets one
// cursor handler, the first time one of its controls is registered; the
// handler stays for the life of that window.
void register_hand_cursor(HWND control);
void unregister_hand_cursor(HWND control);

// "NESTUI.CheckActiveAfterShow", registered once per process.
UINT check_active_message();

}  // namespace nestui_kit
