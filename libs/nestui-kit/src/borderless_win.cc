#include <optional>

#include "controls_win.h"
#include "fonts_win.h"
#include "i18n/locale.h"
#include "nestui_kit/borderless.h"
#include "nestui_kit/cursor.h"
#include "nestui_kit/handlers.h"
#include "nestui_kit/pictures.h"
#include "paint_win.h"
#include "static_bitmap_win.h"
#include "win_common/com_handles.h"
#include "win_common/tracked_window.h"
#include "win_common/window_subclass.h"

namespace nestui_kit {
namespace {

using win_common::window_subclass;

constexpr COLORREF kBorderGrey = 0xA0A0A0;
constexpr COLORREF kDisabledText = 0x808080;
constexpr int kTitleLeft = 9;
constexpr int kCloseRightGap = 11;
constexpr int kCloseTop = 5;

// The work area of the monitor under the pointer; else the primary work
// area; else the whole screen.
Rect work_area_under_pointer() {
  POINT pointer{};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (::GetCursorPos(&pointer) &&
      ::GetMonitorInfoW(::MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &info))
    return from_win_rect(info.rcWork);
  RECT work{};
  if (::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) && work.right > work.left &&
      work.bottom > work.top)
    return from_win_rect(work);
  return {.width = ::GetSystemMetrics(SM_CXSCREEN), .height = ::GetSystemMetrics(SM_CYSCREEN)};
}

std::expected<void, std::string> register_class(const wchar_t* name) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = ::DefWindowProcW;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = name;
  if (!::RegisterClassExW(&window_class) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    return std::unexpected("RegisterClassExW: " + win_common::last_windows_error_text());
  return {};
}

void paint_background(HWND window, HDC dc) {
  const Rect client = client_rect(window);
  fill_solid(dc, client, kWhite);
  frame_solid(dc, client, kBorderGrey);
}

}  // namespace

// Released from the last member up: the handlers first, then the close
// button, the window (unless a modal dialog closing itself destroyed it
// already) and last the font and bitmaps it showed.
struct TitledWindow::Parts {
  win_common::unique_bitmap active_bitmap;
  win_common::unique_bitmap inactive_bitmap;
  win_common::unique_font title_font;
  win_common::tracked_window window;
  HWND title_bar = nullptr;  // a child: goes with the window
  HBITMAP title_shown = nullptr;
  bool closable = false;
  std::function<void()> on_close;
  std::optional<ImageButton> close_button;
  ButtonList buttons;
  window_subclass close_handler;     // A: WM_CLOSE
  window_subclass drag_handler;      // B: dragging by the title bar
  window_subclass paint_handler;     // C: background and control colours
  window_subclass activate_handler;  // D: active and inactive looks

  ~Parts() {
    // Give back the copy a control may keep of the picture it shows.
    if (window && title_bar) show_static_bitmap(title_bar, nullptr, title_shown);
  }

  std::optional<LRESULT> on_close_message(UINT message) {
    if (message != WM_CLOSE) return std::nullopt;
    // Consumed: the system never destroys the window by itself.
    if (closable && window && on_close) on_close();
    return 0;
  }

  std::optional<LRESULT> on_title_bar_message(HWND bar, UINT message) {
    if (message == WM_LBUTTONDOWN) {
      ::ReleaseCapture();
      ::SendMessageW(window.get(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
      return 0;
    }
    // Gone with its window: give back the copy a control may keep.
    if (message == WM_DESTROY) show_static_bitmap(bar, nullptr, title_shown);
    return std::nullopt;
  }

  std::optional<LRESULT> on_paint_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case WM_ERASEBKGND:
        paint_background(hwnd, reinterpret_cast<HDC>(wparam));
        return 1;
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORSTATIC: {
        const HDC dc = reinterpret_cast<HDC>(wparam);
        ::SetBkMode(dc, TRANSPARENT);
        if (!::IsWindowEnabled(reinterpret_cast<HWND>(lparam))) ::SetTextColor(dc, kDisabledText);
        return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
      }
      default:
        return std::nullopt;
    }
  }

  std::optional<LRESULT> on_activate_message(HWND hwnd, UINT message, WPARAM wparam) {
    if (message == WM_SHOWWINDOW) {
      if (wparam) ::PostMessageW(hwnd, check_active_message(), 0, 0);
      return std::nullopt;
    }
    if (message == check_active_message()) {
      // Shown without activation: draw the inactive look.
      if (::GetForegroundWindow() != hwnd) ::SendMessageW(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
      return 0;
    }
    if (message == WM_ACTIVATE) {
      const bool active = LOWORD(wparam) != WA_INACTIVE;
      show_static_bitmap(title_bar, active ? active_bitmap.get() : inactive_bitmap.get(),
                         title_shown);
      for (ImageButton* button : buttons) button->set_active(active);
      ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    return std::nullopt;
  }

  void install_handlers(std::uintptr_t first_id) {
    const HWND hwnd = window.get();
    // A handler that cannot be attached is left out; the window lives without it.
    if (auto a = window_subclass::install(
            hwnd, first_id, [this](HWND, UINT m, WPARAM, LPARAM) { return on_close_message(m); }))
      close_handler = std::move(*a);
    if (auto b = window_subclass::install(
            title_bar, first_id + 1,
            [this](HWND bar, UINT m, WPARAM, LPARAM) { return on_title_bar_message(bar, m); }))
      drag_handler = std::move(*b);
    if (auto c = window_subclass::install(
            hwnd, first_id + 2,
            [this](HWND h, UINT m, WPARAM w, LPARAM l) { return on_paint_message(h, m, w, l); }))
      paint_handler = std::move(*c);
    if (auto d = window_subclass::install(
            hwnd, first_id + 3,
            [this](HWND h, UINT m, WPARAM w, LPARAM) { return on_activate_message(h, m, w); }))
      activate_handler = std::move(*d);
  }
};

TitledWindow::TitledWindow(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
TitledWindow::TitledWindow(TitledWindow&&) noexcept = default;
TitledWindow& TitledWindow::operator=(TitledWindow&&) noexcept = default;
TitledWindow::~TitledWindow() = default;

HWND TitledWindow::hwnd() const { return parts_ ? parts_->window.get() : nullptr; }
HWND TitledWindow::title_bar() const { return parts_ ? parts_->title_bar : nullptr; }
ButtonList& TitledWindow::buttons() { return parts_->buttons; }

std::expected<void, std::string> register_window_classes() {
  static const std::expected<void, std::string> registered = [] {
    auto done = register_class(kBorderlessClass);
    return done ? register_class(kFrameClass) : done;
  }();
  return registered;
}

std::expected<TitledWindow, std::string> build_titled_borderless(
    const TitledWindowRequest& request) {
  const std::uintptr_t first_id = reserve_handler_ids(4);
  auto parts = std::make_unique<TitledWindow::Parts>();
  parts->closable = request.closable;
  parts->on_close = request.on_close;
  const int width = request.width;
  const int bar_height = request.title_bar_height;

  const Point origin = centred_origin(work_area_under_pointer(), width, request.height);
  constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN;
  constexpr DWORD kExStyle = WS_EX_TOPMOST;
  RECT frame{0, 0, width, request.height};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  if (auto registered = register_window_classes(); !registered)
    return std::unexpected("borderless window: " + registered.error());
  parts->window = win_common::tracked_window(::CreateWindowExW(
      kExStyle, kBorderlessClass, win_common::to_wide(request.title).c_str(), kStyle, origin.x,
      origin.y, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
      ::GetModuleHandleW(nullptr), nullptr));
  if (!parts->window)
    return std::unexpected("borderless window: CreateWindowExW: " +
                           win_common::last_windows_error_text());

  auto font = make_font(-13, FW_BOLD, i18n::secondary_font_family());
  if (!font) return std::unexpected("title font: " + font.error());
  parts->title_font = std::move(*font);

  const Rect text_rect = between(kTitleLeft, 0, width, bar_height);
  // Each decode sets COM up for itself; held here across both pictures, the
  // thread's apartment is made once instead of made, torn down and made again.
  const win_common::scoped_com_init com;
  for (auto [picture, slot] : {std::pair{Picture::TitlebarActive, &parts->active_bitmap},
                               std::pair{Picture::TitlebarInactive, &parts->inactive_bitmap}}) {
    auto bitmap =
        compose(picture_png(picture), width, bar_height, request.title, parts->title_font.get(),
                kWhite, text_rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (!bitmap) return std::unexpected(std::move(bitmap.error()));
    *slot = std::move(*bitmap);
  }

  auto bar = create_child(parts->window.get(),
                          {.class_name = L"STATIC",
                           .style = WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY | SS_CENTERIMAGE,
                           .place = {.width = width, .height = bar_height}});
  if (!bar) return std::unexpected("titlebar frame: " + bar.error());
  parts->title_bar = *bar;
  show_static_bitmap(parts->title_bar, parts->active_bitmap.get(), parts->title_shown);

  if (request.closable) {
    auto button = build_picture_button({.picture = Picture::Close,
                                        .hover_picture = Picture::CloseHover,
                                        .parent = parts->title_bar,
                                        .width = request.close_size,
                                        .height = request.close_size,
                                        .x = width - request.close_size - kCloseRightGap,
                                        .y = kCloseTop,
                                        .action = request.on_close});
    if (!button) return std::unexpected(std::move(button.error()));
    parts->close_button.emplace(std::move(*button));
    parts->buttons.push_back(&*parts->close_button);
  }

  parts->install_handlers(first_id);
  return TitledWindow(std::move(parts));
}

}  // namespace nestui_kit
