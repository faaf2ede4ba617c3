#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "controls_win.h"
#include "fonts_win.h"
#include "nestui_kit/handlers.h"
#include "nestui_kit/modal.h"
#include "nestui_kit/progress_dialog.h"
#include "paint_win.h"
#include "win_common/window_subclass.h"

namespace nestui_kit {
namespace {

using win_common::unique_brush;
using win_common::unique_font;
using win_common::window_subclass;

constexpr COLORREF kPendingGrey = 0xA0A0A0;
constexpr COLORREF kBarEmpty = 0xE0E0E0;
constexpr COLORREF kBarFilled = 0x0F7B0F;
constexpr COLORREF kBarFrame = 0x808080;
constexpr int kFontHeight = -12;

// The percentage the bar's painter draws, per thread: its font (set while a
// progress dialog lives) and its value (nothing in the program moves it).
struct PercentState {
  HFONT font = nullptr;
  std::uint32_t value = 0;
};
PercentState& percent_state() {
  thread_local PercentState state;
  return state;
}

void fill_client(HWND window, HDC dc, COLORREF colour) {
  fill_solid(dc, client_rect(window), colour);
}

std::optional<LRESULT> paint_bar(HWND bar, UINT message) {
  if (message == WM_ERASEBKGND) return 1;
  if (message != WM_PAINT) return std::nullopt;
  win_common::scoped_paint paint(bar);
  const Rect client = client_rect(bar);
  const int w = std::max<int>(0, client.width);
  const int h = std::max<int>(0, client.height);
  const auto position = static_cast<std::int32_t>(::SendMessageW(bar, PBM_GETPOS, 0, 0));
  const auto high = static_cast<std::int32_t>(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
  const auto low = static_cast<std::int32_t>(::SendMessageW(bar, PBM_GETRANGE, TRUE, 0));
  const int filled = filled_width(w, position, low, high);
  const HDC dc = paint.get();
  fill_solid(dc, between(filled, 0, w, h), kBarEmpty);
  if (filled > 0) fill_solid(dc, {.width = filled, .height = h}, kBarFilled);
  frame_solid(dc, {.width = w, .height = h}, kBarFrame);
  const PercentState& percent = percent_state();
  if (percent.font) {
    win_common::scoped_select font(dc, percent.font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, 0x000000);
    RECT text = to_win_rect(between(0, 1, w, h));
    ::DrawTextW(dc, win_common::to_wide(percent_text(percent.value)).c_str(), -1, &text,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  return 0;
}

struct Row {
  COLORREF colour = kPendingGrey;  // the glyph's colour, read when it paints
  unique_brush white;
  HWND box = nullptr;  // children of the window: they go with it
  HWND glyph = nullptr;
  HWND text = nullptr;
  window_subclass marker_handler;

  std::optional<LRESULT> on_marker_message(HWND hwnd, UINT message, WPARAM wparam) {
    switch (message) {
      case WM_PAINT: {
        win_common::scoped_paint paint(hwnd);
        if (paint) fill_client(hwnd, paint.get(), kWhite);
        return 0;
      }
      case WM_ERASEBKGND:
        fill_client(hwnd, reinterpret_cast<HDC>(wparam), kWhite);
        return 1;
      case WM_CTLCOLORSTATIC: {
        const HDC dc = reinterpret_cast<HDC>(wparam);
        ::SetTextColor(dc, colour);
        ::SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(white.get());
      }
      default:
        return std::nullopt;
    }
  }
};

std::string row_context(std::string_view what, std::size_t row, const std::string& error) {
  return std::string(what) + " " + std::to_string(row) + ": " + error;
}

}  // namespace

// Released from the last member up: the window with all its controls
// first (the painters learn that their controls are gone), then the rows'
// brushes and the fonts the controls showed.
struct ProgressDialog::Parts {
  unique_font emphasis_font;
  unique_font name_font;
  unique_font normal_font;
  unique_font percent_font;
  std::vector<std::unique_ptr<Row>> rows;
  HWND bar = nullptr;
  window_subclass painter;
  std::optional<TitledWindow> window;

  ~Parts() {
    if (percent_state().font == percent_font.get()) percent_state().font = nullptr;
  }

  std::expected<HWND, std::string> label(std::string_view text, const Rect& box, HFONT font,
                                         HWND parent = nullptr) {
    auto made =
        create_child(parent ? parent : window->hwnd(),
                     {.class_name = L"STATIC", .text = text, .style = kLabelStyle, .place = box});
    if (made) set_font(*made, font);
    return made;
  }

  std::expected<void, std::string> build_row(std::size_t i, const ProgressGeometry& geometry,
                                             const std::string& step) {
    auto row = std::make_unique<Row>();
    const Rect& marker = geometry.markers[i];
    auto box = create_child(window->hwnd(), {.class_name = kFrameClass,
                                             .style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                             .ex_style = WS_EX_CONTROLPARENT,
                                             .place = marker});
    if (!box) return std::unexpected(row_context("marker_frame", i, box.error()));
    row->box = *box;
    row->white.reset(::CreateSolidBrush(kWhite));
    Row* cell = row.get();
    auto handler = window_subclass::install(row->box, reserve_handler_ids(),
                                            [cell](HWND hwnd, UINT message, WPARAM wparam, LPARAM) {
                                              return cell->on_marker_message(hwnd, message, wparam);
                                            });
    if (!handler) return std::unexpected("marker color handler bind: " + handler.error());
    row->marker_handler = std::move(*handler);
    auto glyph =
        label("", {.width = marker.width, .height = marker.height}, normal_font.get(), row->box);
    if (!glyph) return std::unexpected(row_context("marker_label", i, glyph.error()));
    row->glyph = *glyph;
    auto text = label(step, geometry.step_texts[i], normal_font.get());
    if (!text) return std::unexpected(row_context("step_label", i, text.error()));
    row->text = *text;
    rows.push_back(std::move(row));
    return {};
  }
};

ProgressDialog::ProgressDialog(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
ProgressDialog::ProgressDialog(ProgressDialog&&) noexcept = default;
ProgressDialog& ProgressDialog::operator=(ProgressDialog&&) noexcept = default;
ProgressDialog::~ProgressDialog() = default;

HWND ProgressDialog::hwnd() const {
  return parts_ && parts_->window ? parts_->window->hwnd() : nullptr;
}

std::expected<ProgressDialog, std::string> build_progress_dialog(ProgressDialogRequest request) {
  const std::vector<std::string> steps =
      request.steps ? std::move(*request.steps) : std::vector<std::string>{};
  const auto rows = static_cast<std::int32_t>(steps.size());
  const ProgressGeometry geometry = progress_geometry(rows);
  auto parts = std::make_unique<ProgressDialog::Parts>();

  auto window = build_titled_borderless({.title = request.title,
                                         .width = geometry.width,
                                         .height = geometry.height,
                                         .closable = false,
                                         .on_close = [] {}});
  if (!window) return std::unexpected(std::move(window.error()));
  parts->window.emplace(std::move(*window));

  auto emphasis = make_font(kFontHeight, FW_BOLD, request.primary_family);
  if (!emphasis) return std::unexpected("body font: " + emphasis.error());
  parts->emphasis_font = std::move(*emphasis);
  auto name = make_font(kFontHeight, FW_BOLD, request.secondary_family);
  if (!name) return std::unexpected("body bold font: " + name.error());
  parts->name_font = std::move(*name);
  if (rows >= 1) {
    auto normal = make_font(kFontHeight, FW_NORMAL, request.primary_family);
    if (!normal) return std::unexpected("step_normal_font: " + normal.error());
    parts->normal_font = std::move(*normal);
  }

  if (auto made = parts->label(request.app_name, geometry.name, parts->name_font.get()); !made)
    return std::unexpected("lbl_org: " + made.error());
  for (std::size_t i = 0; i < steps.size(); ++i)
    if (auto made = parts->build_row(i, geometry, steps[i]); !made)
      return std::unexpected(std::move(made.error()));
  if (auto made = parts->label("...", geometry.status, parts->emphasis_font.get()); !made)
    return std::unexpected("lbl_progress: " + made.error());

  auto bar = create_child(
      parts->window->hwnd(),
      {.class_name = PROGRESS_CLASSW, .style = WS_CHILD | WS_VISIBLE, .place = geometry.bar});
  if (!bar) return std::unexpected("progress_bar: " + bar.error());
  parts->bar = *bar;
  ::SetWindowLongPtrW(parts->bar, GWL_STYLE,
                      ::GetWindowLongPtrW(parts->bar, GWL_STYLE) | PBS_SMOOTH);
  ::SendMessageW(parts->bar, PBM_SETRANGE32, 0, 100);
  ::SendMessageW(parts->bar, PBM_SETSTEP, 1, 0);
  ::SendMessageW(parts->bar, PBM_SETPOS, 0, 0);
  ::SendMessageW(parts->bar, PBM_SETSTATE, PBST_NORMAL, 0);

  auto percent = make_font(kFontHeight, FW_NORMAL, request.primary_family);
  if (!percent) return std::unexpected("pct font: " + percent.error());
  parts->percent_font = std::move(*percent);
  percent_state().font = parts->percent_font.get();

  // Nothing reports a painter that cannot be attached: the bar then draws itself.
  if (auto painter = window_subclass::install(
          parts->bar, kProgressPainterId,
          [](HWND hwnd, UINT message, WPARAM, LPARAM) { return paint_bar(hwnd, message); }))
    parts->painter = std::move(*painter);

  ProgressDialog dialog(std::move(parts));
  set_current_step(dialog, 0);
  show_dialog_window(dialog.hwnd());
  dispatch_pending_messages();
  return dialog;
}

void set_current_step(ProgressDialog& dialog, std::size_t current) {
  ProgressDialog::Parts& parts = *dialog.parts_;
  if (parts.rows.empty() || !parts.normal_font) return;
  for (std::size_t j = 0; j < parts.rows.size(); ++j) {
    Row& row = *parts.rows[j];
    const RowLook look = row_look(j, current);
    row.colour = look.glyph_colour;
    ::SetWindowTextW(row.glyph, win_common::to_wide(look.glyph).c_str());
    set_font(row.glyph, look.glyph_emphasis ? parts.emphasis_font.get() : parts.normal_font.get());
    ::InvalidateRect(row.box, nullptr, TRUE);
    set_font(row.text, look.text_emphasis ? parts.emphasis_font.get() : parts.normal_font.get());
    ::InvalidateRect(row.text, nullptr, TRUE);
  }
}

void dispatch_pending_messages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(0);
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace nestui_kit
