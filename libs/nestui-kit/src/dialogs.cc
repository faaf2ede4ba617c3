#include "nestui_kit/dialogs.h"

#include <algorithm>

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
  layout.body_height = with_chips ? body_height : std::max(body_height, kMinimumBodyHeight);
  layout.chip_band = with_chips ? kChipBand : 0;
  layout.width = kDialogWidth;
  layout.height = layout.body_height + layout.chip_band + 114;
  layout.chips_y = layout.body_height + 58;
  layout.buttons_y = layout.body_height + layout.chip_band + 70;
  for (std::size_t i = 0; i < buttons; ++i) {
    const auto after = static_cast<std::int32_t>(buttons - 1 - i);
    layout.button_x.push_back(kButtonsRight - button_width - after * (button_width + kButtonGap));
  }
  return layout;
}

std::int32_t button_width(std::int32_t widest_label) { return std::max(80, widest_label + 56); }

std::optional<std::string> roles_refusal(std::size_t roles, std::size_t labels) {
  if (roles == labels) return std::nullopt;
  return "button roles (" + std::to_string(roles) + ") != labels (" + std::to_string(labels) + ")";
}

Colorref chip_colour(std::uint32_t rgb) {
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

}  // namespace nestui_kit
