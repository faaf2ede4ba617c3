#pragma once
// The updater's progress window: a titled borderless window with the
// application's name, one row per step (a marker glyph and the step's
// text), a status line and a self-painted progress bar. It takes no input.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nestui_kit/borderless.h"
#include "nestui_kit/compose.h"
#include "nestui_kit/geometry.h"

namespace nestui_kit {

// Where everything goes for `rows` step rows; no rows (0 or fewer) gives
// the small form.
struct ProgressGeometry {
  std::int32_t width = 0;  // client size
  std::int32_t height = 0;
  Rect name;
  std::vector<Rect> markers;     // per row
  std::vector<Rect> step_texts;  // per row
  Rect status;
  Rect bar;
};
ProgressGeometry progress_geometry(std::int32_t rows);

// How row `row` looks while step `current` is current.
struct RowLook {
  std::string_view glyph;  // "√" done, ">" active, " " pending
  Colorref glyph_colour;
  bool glyph_emphasis;  // emphasis font, else the normal font
  bool text_emphasis;
};
RowLook row_look(std::size_t row, std::size_t current);

// The filled part of a bar `width` wide showing `position` in [low, high].
std::int32_t filled_width(std::int32_t width, std::int32_t position, std::int32_t low,
                          std::int32_t high);

// "0%".
std::string percent_text(std::uint32_t percent);

struct ProgressDialogRequest {
  std::string title;
  std::string app_name;
  std::string primary_family;
  std::string secondary_family;
  std::optional<std::vector<std::string>> steps;
};

}  // namespace nestui_kit

#ifdef _WIN32
#include <windows.h>

#include <expected>
#include <memory>

namespace nestui_kit {

class ProgressDialog {
 public:
  ProgressDialog(ProgressDialog&&) noexcept;
  ProgressDialog& operator=(ProgressDialog&&) noexcept;
  // Removes the bar's painter, clears the thread's percent font and
  // releases the window with all its controls.
  ~ProgressDialog();

  HWND hwnd() const;

  struct Parts;

 private:
  explicit ProgressDialog(std::unique_ptr<Parts> parts);
  friend std::expected<ProgressDialog, std::string> build_progress_dialog(
      ProgressDialogRequest request);
  friend void set_current_step(ProgressDialog& dialog, std::size_t current);
  std::unique_ptr<Parts> parts_;
};

// Builds the window, makes step 0 current, shows it and dispatches the
// waiting messages once.
std::expected<ProgressDialog, std::string> build_progress_dialog(ProgressDialogRequest request);

// Rows before `current` done, `current` active, the rest pending; an index
// past the last row shows every row done. Nothing repaints until messages
// are dispatched.
void set_current_step(ProgressDialog& dialog, std::size_t current);

// Dispatches every message waiting in the thread's queue and returns when
// it is empty; never waits. A WM_QUIT is posted again and ends it.
void dispatch_pending_messages();

}  // namespace nestui_kit
#endif
