#pragma once
// A top-level window without the system frame: white client area, a
// 1-pixel grey border and the kit's own title bar (a picture strip with the
// title in white, grey while the window is inactive), dragged by its title
// bar, with an optional close button.

#include <cstdint>

#include "nestui_kit/geometry.h"

namespace nestui_kit {

// Where a window of width x height goes in the work area: centred, and
// against the left or top edge when it is larger.
Point centred_origin(const Rect& work, std::int32_t width, std::int32_t height);

}  // namespace nestui_kit

#ifdef _WIN32
#include <windows.h>

#include <expected>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "nestui_kit/image_button.h"

namespace nestui_kit {

struct TitledWindowRequest {
  std::string title;
  std::int32_t width = 0;  // client size
  std::int32_t height = 0;
  std::int32_t title_bar_height = 30;
  std::int32_t close_size = 20;
  bool closable = false;
  // Runs when the window is asked to close (close button, WM_CLOSE) while
  // closable. The window itself stays until its owner releases it; the
  // action must not release it either.
  std::function<void()> on_close;
};

// The image buttons on a window, told when its activation changes.
using ButtonList = std::vector<ImageButton*>;

class TitledWindow {
 public:
  TitledWindow(TitledWindow&&) noexcept;
  TitledWindow& operator=(TitledWindow&&) noexcept;
  // Removes the handlers, then destroys the controls and the window (unless
  // it is gone already) and deletes the bitmaps and the font.
  ~TitledWindow();

  HWND hwnd() const;
  HWND title_bar() const;
  // Buttons added here follow the window's activation.
  ButtonList& buttons();

  struct Parts;

 private:
  explicit TitledWindow(std::unique_ptr<Parts> parts);
  friend std::expected<TitledWindow, std::string> build_titled_borderless(
      const TitledWindowRequest& request);
  std::unique_ptr<Parts> parts_;
};

// Builds the window, hidden; show it with show_dialog_window. Must run on
// the thread that will own the window.
std::expected<TitledWindow, std::string> build_titled_borderless(
    const TitledWindowRequest& request);

// Registers the kit's window classes (once per process; later calls succeed
// at once).
std::expected<void, std::string> register_window_classes();

// The kit's window classes: the borderless top-level window and the plain
// child container.
inline constexpr wchar_t kBorderlessClass[] = L"NestuiBorderlessWindow";
inline constexpr wchar_t kFrameClass[] = L"NestuiFrame";

}  // namespace nestui_kit
#endif
