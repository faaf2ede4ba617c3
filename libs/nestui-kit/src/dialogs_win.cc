#include <memory>
#include <vector>

#include "controls_win.h"
#include "fonts_win.h"
#include "i18n/locale.h"
#include "nestui_kit/borderless.h"
#include "nestui_kit/dialogs.h"
#include "nestui_kit/events.h"
#include "nestui_kit/handlers.h"
#include "nestui_kit/modal.h"
#include "paint_win.h"
#include "win_common/window_subclass.h"
#include "win_common/window_timer.h"

namespace nestui_kit {
namespace {

using win_common::window_subclass;

constexpr std::string_view kTarget = "nestui_kit::dialogs";
constexpr std::int32_t kBodyWidth = 394;
constexpr std::int32_t kBodyX = 66;
constexpr std::int32_t kTop = 50;
constexpr std::int32_t kButtonHeight = 28;
constexpr int kSwatch = 14;
constexpr COLORREF kSwatchFrame = 0xD0DFE8;

const wchar_t* system_icon(DialogIcon icon) {
  switch (icon) {
    case DialogIcon::Warning:
      return IDI_WARNING;
    case DialogIcon::Error:
      return IDI_ERROR;
    case DialogIcon::Question:
      return IDI_QUESTION;
    case DialogIcon::Information:
      break;
  }
  return IDI_INFORMATION;
}

// Line feeds as the controls and DrawTextW break lines: CR LF.
std::string with_crlf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

int text_extent(HDC dc, const std::wstring& text) {
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// The legend under the body: for each chip a swatch and its text, the
// separator between chips.
struct ChipRow {
  std::vector<Chip> chips;
  std::string separator;
  HFONT font;

  std::optional<LRESULT> on_message(HWND row, UINT message) const {
    if (message == WM_ERASEBKGND) return 1;
    if (message != WM_PAINT) return std::nullopt;
    win_common::scoped_paint paint(row);
    if (!paint) return 0;
    const HDC dc = paint.get();
    const Rect client = client_rect(row);
    fill_solid(dc, client, kWhite);
    win_common::scoped_select selected(dc, ::GetObjectType(font) == OBJ_FONT ? font : nullptr);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    const int band_top = client.y + (client.height - kSwatch) / 2;
    int x = client.x;
    // One line, vertically centred in the row, from x on.
    const auto draw = [&](const std::wstring& text, int from, int width) {
      RECT r = to_win_rect({.x = from, .y = client.y, .width = width, .height = client.height});
      ::DrawTextW(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER);
    };
    for (std::size_t j = 0; j < chips.size(); ++j) {
      if (j > 0 && !separator.empty()) {
        const std::wstring spaced = win_common::to_wide(" " + separator + " ");
        const int width = text_extent(dc, spaced);
        draw(spaced, x, width);
        x += width;
      }
      const Rect swatch{.x = x, .y = band_top, .width = kSwatch, .height = kSwatch};
      fill_solid(dc, swatch, chip_colour(chips[j].rgb));
      frame_solid(dc, swatch, kSwatchFrame);
      const std::wstring text = win_common::to_wide(chips[j].text);
      const int width = text_extent(dc, text);
      draw(text, x + 18, width);
      x += width + 24;
    }
    return 0;
  }
};

// The window that was active when a dialog opened: disabled and drawn
// inactive while the dialog is up, enabled and brought to the front again
// when it goes.
class DisabledOwner {
 public:
  DisabledOwner() : owner_(::GetActiveWindow()) {
    if (!owner_) return;
    ::EnableWindow(owner_, FALSE);
    ::SendMessageW(owner_, WM_ACTIVATE, WA_INACTIVE, 0);
  }
  ~DisabledOwner() {
    if (!owner_) return;
    ::EnableWindow(owner_, TRUE);
    ::SetForegroundWindow(owner_);
    ::SendMessageW(owner_, WM_ACTIVATE, WA_ACTIVE, 0);
  }
  DisabledOwner(const DisabledOwner&) = delete;
  DisabledOwner& operator=(const DisabledOwner&) = delete;

 private:
  HWND owner_;
};

// A built message dialog, released from the last member up: the buttons,
// the legend's painter, the window, the fonts, and last the owner given
// back.
struct BuiltDialog {
  DisabledOwner owner;
  win_common::unique_font body_font;
  win_common::unique_font button_font;
  std::optional<TitledWindow> window;
  window_subclass chip_painter;
  std::vector<ImageButton> buttons;
};

// The system icon at the top left; a dialog without it is still a dialog.
void add_icon(HWND dialog, DialogIcon icon) {
  const HICON picture = ::LoadIconW(nullptr, system_icon(icon));
  if (!picture) return;
  if (auto control =
          create_child(dialog, {.class_name = L"STATIC",
                                .style = WS_CHILD | WS_VISIBLE | SS_ICON,
                                .place = {.x = 20, .y = kTop, .width = 32, .height = 32}}))
    ::SendMessageW(*control, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(picture));
}

// The legend under the body, painted by the returned handler. It is extra:
// without it the dialog still works.
window_subclass add_chip_row(HWND dialog, const DialogLayout& layout,
                             const MessageDialogRequest& request, HFONT font) {
  auto row = create_child(dialog, {.class_name = L"STATIC",
                                   .style = WS_CHILD | WS_VISIBLE,
                                   .place = {.x = kBodyX,
                                             .y = layout.chips_y,
                                             .width = kBodyWidth,
                                             .height = layout.chip_band - 4},
                                   .id = kChipRowId});
  if (!row) return {};
  auto attached = window_subclass::install(
      *row, kChipRowId,
      [painter = ChipRow{request.chips, request.chip_separator, font}](
          HWND hwnd, UINT message, WPARAM, LPARAM) { return painter.on_message(hwnd, message); });
  if (attached) return std::move(*attached);
  emit_event(EventLevel::Warn, kTarget, "칩 행 서브클래스 부착 실패 — 칩 미표시",
             {{"error", attached.error()}});
  return {};
}

// One text button per label, as wide as the widest label needs, in a
// right-aligned row.
std::expected<void, std::string> add_buttons(BuiltDialog& built, std::int32_t measured,
                                             const MessageDialogRequest& request) {
  auto font = make_font(-13, FW_BOLD, i18n::secondary_font_family(), FontQuality::Default);
  if (!font) return std::unexpected("button font: " + font.error());
  built.button_font = std::move(*font);
  std::int32_t widest = 0;
  for (const std::string& label : request.labels)
    widest = std::max(widest, measure_text_width(label, built.button_font.get()));
  const std::int32_t width = button_width(widest);
  const DialogLayout layout =
      message_dialog_layout(measured, !request.chips.empty(), request.labels.size(), width);
  for (std::size_t i = 0; i < request.labels.size(); ++i) {
    auto made = ImageButton::create({.align = TextAlign::Centre,
                                     .text = request.labels[i],
                                     .font = built.button_font.get(),
                                     .shift = {ShiftKind::Text, 1, 1},
                                     .parent = built.window->hwnd(),
                                     .width = width,
                                     .height = kButtonHeight,
                                     .x = layout.button_x[i],
                                     .y = layout.buttons_y,
                                     .role = request.roles[i]},
                                    i);
    if (!made) return std::unexpected("button: " + made.error());
    built.buttons.push_back(std::move(*made));
  }
  return {};
}

std::expected<std::unique_ptr<BuiltDialog>, std::string> build_dialog(
    const MessageDialogRequest& request) {
  if (auto refusal = roles_refusal(request.roles.size(), request.labels.size()))
    return std::unexpected(std::move(*refusal));
  auto built = std::make_unique<BuiltDialog>();

  auto body_font = make_font(-12, FW_DONTCARE, i18n::primary_font_family(), FontQuality::Default);
  if (!body_font) return std::unexpected("body font: " + body_font.error());
  built->body_font = std::move(*body_font);
  const bool with_chips = !request.chips.empty();
  const std::int32_t measured =
      measure_text_height(request.body, built->body_font.get(), kBodyWidth);
  const DialogLayout layout = message_dialog_layout(measured, with_chips, 0, 0);

  auto window = build_titled_borderless({.title = request.title,
                                         .width = layout.width,
                                         .height = layout.height,
                                         .closable = true,
                                         .on_close = [] { close_modal_dialog(); }});
  if (!window) return std::unexpected("build_titled_borderless: " + window.error());
  built->window.emplace(std::move(*window));
  const HWND dialog = built->window->hwnd();
  if (!dialog) return std::unexpected(std::string("dialog hwnd missing"));
  set_modal_dialog(dialog);

  add_icon(dialog, request.icon);
  auto body = create_child(
      dialog,
      {.class_name = L"STATIC",
       .text = with_crlf(request.body),
       .style = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
       .place = {.x = kBodyX, .y = kTop, .width = kBodyWidth, .height = layout.body_height}});
  if (!body) return std::unexpected("body_label: " + body.error());
  set_font(*body, built->body_font.get());
  if (with_chips)
    built->chip_painter = add_chip_row(dialog, layout, request, built->body_font.get());
  if (auto added = add_buttons(*built, measured, request); !added)
    return std::unexpected(std::move(added.error()));
  return built;
}

// Shows the dialog and runs it until its window is gone; its timers live
// as long as the loop.
void run_dialog(const BuiltDialog& built, const MessageDialogRequest& request) {
  const HWND dialog = built.window->hwnd();
  show_dialog_window(dialog);
  const auto keep_on_top = request.keep_topmost
                               ? win_common::window_timer::start(dialog, kKeepTopmostTimer, 250)
                               : win_common::window_timer();
  const auto poll = request.close_when
                        ? win_common::window_timer::start(dialog, kClosePollTimer, 500)
                        : win_common::window_timer();
  run_modal_loop(dialog, request.close_when, static_cast<bool>(keep_on_top));
}

}  // namespace

std::int32_t measure_text_width(std::string_view text, HFONT font) {
  if (text.empty()) return 0;
  if (!font) return estimated_text_width(text);
  win_common::unique_mem_dc dc(::CreateCompatibleDC(nullptr));
  if (!dc) return estimated_text_width(text);
  win_common::scoped_select selected(dc.get(), font);
  const std::wstring wide = win_common::to_wide(text);
  SIZE size{};
  if (!::GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &size))
    return estimated_text_width(text);
  return size.cx;
}

std::int32_t measure_text_height(std::string_view text, HFONT font, std::int32_t width) {
  if (text.empty() || !font) return estimated_text_height(text);
  win_common::unique_mem_dc dc(::CreateCompatibleDC(nullptr));
  if (!dc) return estimated_text_height(text);
  win_common::scoped_select selected(dc.get(), font);
  std::wstring wide = win_common::to_wide(with_crlf(text));
  RECT rect{0, 0, width, 0};
  ::DrawTextW(dc.get(), wide.data(), -1, &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  return std::max<std::int32_t>(16, rect.bottom - rect.top);
}

std::optional<std::size_t> run_message_dialog(const MessageDialogRequest& request) {
  clear_modal_result();
  {
    auto built = build_dialog(request);
    if (!built) {
      emit_event(EventLevel::Warn, kTarget, "nestui dialogs build failed",
                 {{"error", std::move(built.error())}});
      return std::nullopt;
    }
    run_dialog(**built, request);
  }  // released before the result is taken
  return take_modal_result();
}

std::optional<std::size_t> show_message_dialog(std::string_view title, std::string_view body,
                                               std::string_view button) {
  MessageDialogRequest request;
  request.icon = DialogIcon::Warning;
  request.title = title;
  request.body = body;
  request.labels = {std::string(button)};
  request.roles = {ButtonRole::Primary};
  return run_message_dialog(request);
}

}  // namespace nestui_kit
