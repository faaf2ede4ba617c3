// Any body height, label width, button count, step count, bar range and
// work area: the message dialog keeps its documented minimums (buttons at
// least 80 wide, a body at least 60 high without chips) and its parts
// inside the window in their order; the progress window has its two forms
// with every row above the status line and the bar; the bar's filled part
// stays within the bar and grows with the position; a window is centred in
// the work area or against its left and top edges. Nothing overflows.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "fuzz_check.h"
#include "nestui_kit/borderless.h"
#include "nestui_kit/dialogs.h"
#include "nestui_kit/progress_dialog.h"

namespace {

using std::int32_t;
using std::int64_t;
constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kMax = std::numeric_limits<int32_t>::max();

void message_dialog(FuzzedDataProvider& in) {
  const int32_t widest = in.ConsumeIntegral<int32_t>();
  const int32_t w = nestui_kit::button_width(widest);
  FUZZ_CHECK(w == std::min<int64_t>(kMax, std::max<int64_t>(80, int64_t{widest} + 56)));

  const int32_t body = in.ConsumeIntegral<int32_t>();
  const bool chips = in.ConsumeBool();
  const auto buttons = in.ConsumeIntegralInRange<std::size_t>(0, 6);
  const nestui_kit::DialogLayout d = nestui_kit::message_dialog_layout(body, chips, buttons, w);
  const int64_t g = d.body_height;
  // At least one line (16), without chips at least 60; a body too tall
  // for a 32-bit window height is cut to fit.
  FUZZ_CHECK(g == std::clamp<int64_t>(body, chips ? 16 : 60, kMax - 34 - 114));
  FUZZ_CHECK(d.chip_band == (chips ? 34 : 0) && d.width == 480);
  FUZZ_CHECK(int64_t{d.height} == g + d.chip_band + 114);
  FUZZ_CHECK(int64_t{d.chips_y} == g + 58 && (!chips || d.chips_y + 34 <= int64_t{d.buttons_y}));
  FUZZ_CHECK(int64_t{d.buttons_y} == g + d.chip_band + 70 && d.buttons_y + 28 < int64_t{d.height});
  FUZZ_CHECK(d.button_x.size() == buttons);
  // Right-aligned at 460, 8 apart; a place past the 32-bit range stays at its edge.
  for (std::size_t i = 0; i < buttons; ++i) {
    const int64_t x = 460 - int64_t{w} - int64_t(buttons - 1 - i) * (int64_t{w} + 8);
    FUZZ_CHECK(d.button_x[i] == std::max(kMin, x));
  }
}

void progress_window(FuzzedDataProvider& in) {
  const int32_t rows = in.ConsumeBool() ? in.ConsumeIntegral<int32_t>() % 2
                                        : in.ConsumeIntegralInRange<int32_t>(-2, 200);
  const nestui_kit::ProgressGeometry p = nestui_kit::progress_geometry(rows);
  const auto inside = [&](const nestui_kit::Rect& b) {
    return b.x >= 0 && b.y >= 30 && b.width > 0 && b.height > 0 && b.x + b.width <= p.width &&
           b.y + b.height <= p.height;
  };
  if (rows < 1) {
    FUZZ_CHECK(p.width == 300 && p.height == 160 && p.markers.empty() && p.step_texts.empty());
  } else {
    FUZZ_CHECK(p.width == 460 && p.height == 22 * rows + 169);
    FUZZ_CHECK(p.markers.size() == std::size_t(rows) && p.step_texts.size() == std::size_t(rows));
    for (std::int32_t i = 0; i < rows; ++i) {
      const nestui_kit::Rect& m = p.markers[i];
      const nestui_kit::Rect& t = p.step_texts[i];
      FUZZ_CHECK(inside(m) && inside(t) && m.y == 80 + 22 * i && t.y == m.y);
      FUZZ_CHECK(m.x + m.width <= t.x && t.y + t.height <= p.status.y);
    }
  }
  FUZZ_CHECK(inside(p.name) && inside(p.status) && inside(p.bar));
  FUZZ_CHECK(p.name.y + p.name.height <= p.status.y && p.status.y + p.status.height <= p.bar.y);
}

void bar(FuzzedDataProvider& in) {
  const int32_t width = in.ConsumeIntegralInRange<int32_t>(0, kMax);
  const int32_t low = in.ConsumeIntegral<int32_t>(), high = in.ConsumeIntegral<int32_t>();
  const int32_t position = in.ConsumeIntegral<int32_t>();
  const int32_t filled = nestui_kit::filled_width(width, position, low, high);
  FUZZ_CHECK(filled >= 0 && filled <= width);
  if (position <= low) FUZZ_CHECK(filled == 0);
  if (position >= high && int64_t{high} - low >= 2) FUZZ_CHECK(filled == width);
  if (position < kMax)
    FUZZ_CHECK(nestui_kit::filled_width(width, position + 1, low, high) >= filled);
}

void centred(FuzzedDataProvider& in) {
  nestui_kit::Rect work;
  work.x = in.ConsumeIntegral<int32_t>();
  work.y = in.ConsumeIntegral<int32_t>();
  work.width = in.ConsumeIntegral<int32_t>();
  work.height = in.ConsumeIntegral<int32_t>();
  const int32_t width = in.ConsumeIntegralInRange<int32_t>(0, kMax);
  const int32_t height = in.ConsumeIntegralInRange<int32_t>(0, kMax);
  const nestui_kit::Point o = nestui_kit::centred_origin(work, width, height);
  const auto axis = [](int64_t from, int64_t extent, int64_t size, int64_t at) {
    const int64_t spare = extent - size;
    if (spare <= 0) return at == from;
    return at >= from && at - from == std::min<int64_t>(spare / 2, INT32_MAX - from);
  };
  FUZZ_CHECK(axis(work.x, work.width, width, o.x));
  FUZZ_CHECK(axis(work.y, work.height, height, o.y));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  message_dialog(in);
  progress_window(in);
  bar(in);
  centred(in);
  return 0;
}
