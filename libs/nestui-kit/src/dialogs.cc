#include "nestui_kit/dialogs.h"

#include <algorithm>
#include <limits>

#include "win_common/utf.h"

namespace nestui_kit {
namespace {

constexpr std::int32_t kMinimumTextHeight = 16;
constexpr std::int32_t kMinimumBodyHeight = 60;
constexpr std::int32_t kChipBand = 34;
constexpr std::int32_t kDialogWidth = 480;
constexpr std::int32_t kButtonsRight = 460;
constexpr std::int32_t kButtonGap = 8;

}  // namespace

std::int32_t estimated_text_width(std::string_view text) {
  std::int32_t width = 0;
  for (std::size_t at = 0; at < text.size();) {
    const win_common::Utf8Char c = win_common::decode_utf8(text, at);
    width += c.valid && c.code_point < 0x80 ? 7 : 14;
    at += c.length;
  }
  return width;
}

std::int32_t estimated_text_height(std::string_view text) {
  const auto lines = static_cast<std::int32_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  return std::max(kMinimumTextHeight, 18 * lines);
}

DialogLayout message_dialog_layout(std::int32_t body_height, bool with_chips, std::size_t buttons,
                                   std::int32_t button_width) {
  DialogLayout layout;
  // A body is at least one measured line (16), without chips at least 60,
  // and never so tall that the window's height leaves 32 bits.
  constexpr std::int32_t kTallest = std::numeric_limits<std::int32_t>::max() - kChipBand - 114;
  layout.body_height =
      std::clamp(body_height, with_chips ? kMinimumTextHeight : kMinimumBodyHeight, kTallest);
  layout.chip_band = with_chips ? kChipBand : 0;
  layout.width = kDialogWidth;
  layout.height = layout.body_height + layout.chip_band + 114;
  layout.chips_y = layout.body_height + 58;
  layout.buttons_y = layout.body_height + layout.chip_band + 70;
  // Right-aligned, 8 apart; a place left of the 32-bit range stays at its edge.
  const std::int64_t pitch = std::int64_t{button_width} + kButtonGap;
  for (std::size_t i = 0; i < buttons; ++i) {
    const auto after = static_cast<std::int64_t>(buttons - 1 - i);
    const std::int64_t x = std::int64_t{kButtonsRight} - button_width - after * pitch;
    layout.button_x.push_back(static_cast<std::int32_t>(
        std::max<std::int64_t>(x, std::numeric_limits<std::int32_t>::min())));
  }
  return layout;
}

std::int32_t button_width(std::int32_t widest_label) {
  constexpr std::int32_t kMargins = 56;
  return std::max(
      80, std::min(widest_label, std::numeric_limits<std::int32_t>::max() - kMargins) + kMargins);
}

std::optional<std::string> roles_refusal(std::size_t roles, std::size_t labels) {
  if (roles == labels) return std::nullopt;
  return "button roles (" + std::to_string(roles) + ") != labels (" + std::to_string(labels) + ")";
}

Colorref chip_colour(std::uint32_t rgb) {
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

}  // namespace nestui_kit
