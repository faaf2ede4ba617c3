#include "nestui_kit/progress_dialog.h"

#include <algorithm>

namespace nestui_kit {
namespace {

constexpr std::int32_t kRowTop = 80;
constexpr std::int32_t kRowPitch = 22;

}  // namespace

ProgressGeometry progress_geometry(std::int32_t rows) {
  ProgressGeometry g;
  if (rows < 1) {
    g.width = 300;
    g.height = 160;
    g.name = {17, 49, g.width - 40, 19};
    g.status = {19, 89, 260, 17};
    g.bar = {19, 109, 260, 21};
    return g;
  }
  g.width = 460;
  g.height = kRowPitch * rows + 169;
  g.name = {17, 49, g.width - 40, 19};
  for (std::int32_t i = 0; i < rows; ++i) {
    const std::int32_t y = kRowTop + kRowPitch * i;
    g.markers.push_back({22, y, 16, 20});
    g.step_texts.push_back({42, y, g.width - 82, 20});
  }
  g.status = {19, kRowPitch * rows + 98, g.width - 40, 17};
  g.bar = {19, kRowPitch * rows + 120, 420, 21};
  return g;
}

RowLook row_look(std::size_t row, std::size_t current) {
  if (row < current) return {"\u221A", 0x178917, true, false};
  if (row == current) return {">", 0x000000, true, true};
  return {" ", 0xA0A0A0, false, false};
}

std::int32_t filled_width(std::int32_t width, std::int32_t position, std::int32_t low,
                          std::int32_t high) {
  std::int64_t span = static_cast<std::int64_t>(high) - low;
  if (span < 2) span = 1;
  std::int64_t done = static_cast<std::int64_t>(position) - low;
  if (done <= 0) done = 0;
  done = std::min(done, span);
  return static_cast<std::int32_t>(static_cast<std::int64_t>(width) * done / span);
}

std::string percent_text(std::uint32_t percent) { return std::to_string(percent) + "%"; }

}  // namespace nestui_kit
