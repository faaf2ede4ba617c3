#pragma once
// The kit's modal message dialog: a titled borderless window 480 wide with a
// system icon, a wrapped body text, an optional row of coloured legend
// chips and a right-aligned row of text buttons.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nestui_kit/image_button.h"

namespace nestui_kit {

enum class DialogIcon : std::uint8_t { Information = 0, Warning = 1, Error = 2, Question = 3 };

struct Chip {
  std::string text;
  std::uint32_t rgb;  // 0xRRGGBB
};

struct MessageDialogRequest {
  DialogIcon icon = DialogIcon::Information;
  std::string title;
  std::string body;  // may hold line feeds
  std::vector<std::string> labels;
  std::vector<ButtonRole> roles;  // one per label
  bool keep_topmost = false;
  std::vector<Chip> chips;
  std::string chip_separator;
  // Asked every 500 ms; the dialog closes itself when it answers yes.
  std::function<bool()> close_when;
};

// Measuring without a font: 7 pixels per character below U+0080, 14 per
// other character; 18 pixels per line (pieces between line feeds), at least 16.
std::int32_t estimated_text_width(std::string_view text);
std::int32_t estimated_text_height(std::string_view text);

// The dialog's layout for a body `body_height` high (measured), with or
// without chips, and `buttons` buttons of `button_width`.
struct DialogLayout {
  std::int32_t body_height;  // g
  std::int32_t chip_band;    // k
  std::int32_t width;        // client size
  std::int32_t height;
  std::int32_t chips_y;
  std::int32_t buttons_y;
  std::vector<std::int32_t> button_x;
};
DialogLayout message_dialog_layout(std::int32_t body_height, bool with_chips, std::size_t buttons,
                                   std::int32_t button_width);

// The widest label plus 56, at least 80.
std::int32_t button_width(std::int32_t widest_label);

// "button roles (R) != labels (L)" when the counts differ.
std::optional<std::string> roles_refusal(std::size_t roles, std::size_t labels);

// A chip's 0xRRGGBB as a COLORREF.
Colorref chip_colour(std::uint32_t rgb);

}  // namespace nestui_kit

#ifdef _WIN32
#include <windows.h>

namespace nestui_kit {

// Runs the dialog modally on the calling thread; the index of the button
// clicked, or nothing when it was closed another way or could not be built
// (a warning event says why).
std::optional<std::size_t> run_message_dialog(const MessageDialogRequest& request);

// One Primary button under a warning icon.
std::optional<std::size_t> show_message_dialog(std::string_view title, std::string_view body,
                                               std::string_view button);

// Pixels; without a font, or when measuring fails, the estimates above.
std::int32_t measure_text_width(std::string_view text, HFONT font);
std::int32_t measure_text_height(std::string_view text, HFONT font, std::int32_t width);

}  // namespace nestui_kit
#endif
