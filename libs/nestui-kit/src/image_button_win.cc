#include <windowsx.h>

#include "nestui_kit/cursor.h"
#include "nestui_kit/geometry.h"
#include "nestui_kit/handlers.h"
#include "nestui_kit/image_button.h"
#include "nestui_kit/modal.h"
#include "static_bitmap_win.h"
#include "win_common/error_text.h"
#include "win_common/tracked_window.h"
#include "win_common/utf.h"
#include "win_common/window_subclass.h"

namespace nestui_kit {

using win_common::unique_bitmap;
using win_common::window_subclass;

struct ImageButton::Parts {
  std::array<unique_bitmap, kFaceCount> faces;
  // Destroyed after the handlers are removed, unless it went with its
  // dialog already; the faces it showed are deleted last.
  win_common::tracked_window control;
  HWND hand = nullptr;  // the control as registered for the hand cursor
  bool hover = false;
  bool active = true;
  bool enabled = true;
  PressState press;
  HBITMAP shown = nullptr;
  std::optional<std::size_t> index;  // a text button's result
  std::function<void()> action;      // a picture button's action
  // Declared last, so removed first: no handler runs on a half-released button.
  window_subclass press_handler;
  window_subclass activate_handler;
  window_subclass hover_handler;

  ~Parts() {
    if (hand) unregister_hand_cursor(hand);
    // Give back the copy a control may keep of the face it shows.
    if (control) show_static_bitmap(control.get(), nullptr, shown);
  }

  HBITMAP face(Face which) const { return faces[static_cast<std::size_t>(which)].get(); }

  void show(Face which) {
    HBITMAP bitmap = face(which);
    if (!bitmap) bitmap = face(Face::Normal);
    show_static_bitmap(control.get(), bitmap, shown);
  }

  void show_idle_face() {
    std::array<bool, kFaceCount> present{};
    for (std::size_t i = 0; i < kFaceCount; ++i) present[i] = static_cast<bool>(faces[i]);
    show(choose_face(enabled, hover, active, present));
  }

  void set_flag(bool Parts::*flag, bool value) {
    if (this->*flag == value) return;
    this->*flag = value;
    show_idle_face();
  }

  void click() {
    if (index) {
      set_modal_result(*index);
      close_modal_dialog();
    } else if (action) {
      action();
    }
  }

  std::optional<LRESULT> on_press_message(HWND window, UINT message, LPARAM lparam) {
    PressEvent event;
    switch (message) {
      case WM_LBUTTONDOWN:
        event = PressEvent::Down;
        break;
      case WM_MOUSEMOVE: {
        const Rect client = client_rect(window);
        const int x = GET_X_LPARAM(lparam);
        const int y = GET_Y_LPARAM(lparam);
        const bool inside =
            client.x <= x && x < client.right() && client.y <= y && y < client.bottom();
        event = inside ? PressEvent::MoveInside : PressEvent::MoveOutside;
        break;
      }
      case WM_LBUTTONUP:
        event = PressEvent::Up;
        break;
      case WM_CAPTURECHANGED:
        event = PressEvent::CaptureLost;
        break;
      case WM_DESTROY:
        // Gone with its dialog: give back the copy a control may keep.
        show_static_bitmap(window, nullptr, shown);
        return std::nullopt;
      default:
        return std::nullopt;
    }
    const PressStep step = press_step(press, event);
    // The new state first: taking or giving back the capture sends
    // WM_CAPTURECHANGED to this same handler.
    press = step.state;
    if (event == PressEvent::Down) ::SetCapture(window);
    if (event == PressEvent::Up && step.handled) ::ReleaseCapture();
    if (step.show) show(*step.show);
    if (step.click) click();  // may destroy the dialog, and this control with it
    return step.handled ? std::optional<LRESULT>(0) : std::nullopt;
  }

  std::optional<LRESULT> on_hover_message(HWND window, UINT message) {
    if (message == WM_MOUSEMOVE && ::GetCapture() != window && !hover) {
      set_flag(&Parts::hover, true);
      TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
      ::TrackMouseEvent(&track);
    } else if (message == WM_MOUSELEAVE) {
      set_flag(&Parts::hover, false);
    }
    return std::nullopt;
  }

  // The control and its three handlers; the faces are made already.
  std::expected<void, std::string> build(HWND parent, int x, int y, int width, int height,
                                         bool hidden) {
    DWORD style = WS_CHILD | SS_BITMAP | SS_NOTIFY | SS_CENTERIMAGE;
    if (!hidden) style |= WS_VISIBLE;
    control = win_common::tracked_window(::CreateWindowExW(0, L"STATIC", L"", style, x, y, width,
                                                           height, parent, nullptr,
                                                           ::GetModuleHandleW(nullptr), nullptr));
    if (!control)
      return std::unexpected("ImageButton frame build: " + win_common::last_windows_error_text());
    show(Face::Normal);
    hand = control.get();
    register_hand_cursor(hand);

    const std::uintptr_t id = reserve_handler_ids(3);
    auto pressing = window_subclass::install(
        control.get(), id, [this](HWND window, UINT message, WPARAM, LPARAM lparam) {
          return on_press_message(window, message, lparam);
        });
    if (!pressing) return std::unexpected("ImageButton press handler bind: " + pressing.error());
    press_handler = std::move(*pressing);

    auto activating =
        window_subclass::install(parent, id + 1, [this](HWND, UINT message, WPARAM wparam, LPARAM) {
          if (message == WM_ACTIVATE) set_flag(&Parts::active, LOWORD(wparam) != WA_INACTIVE);
          return std::optional<LRESULT>();
        });
    if (!activating)
      return std::unexpected("ImageButton activate handler (0x" +
                             win_common::hex8(static_cast<std::uint32_t>(id + 1)) +
                             "): " + activating.error());
    activate_handler = std::move(*activating);

    auto hovering = window_subclass::install(control.get(), id + 2,
                                             [this](HWND window, UINT message, WPARAM, LPARAM) {
                                               return on_hover_message(window, message);
                                             });
    if (!hovering)
      return std::unexpected("ImageButton hover handler (0x" +
                             win_common::hex8(static_cast<std::uint32_t>(id + 2)) +
                             "): " + hovering.error());
    hover_handler = std::move(*hovering);
    return {};
  }
};

ImageButton::ImageButton(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
ImageButton::ImageButton(ImageButton&&) noexcept = default;
ImageButton& ImageButton::operator=(ImageButton&&) noexcept = default;
ImageButton::~ImageButton() = default;

HWND ImageButton::hwnd() const { return parts_ ? parts_->control.get() : nullptr; }
void ImageButton::set_active(bool active) { parts_->set_flag(&Parts::active, active); }
void ImageButton::set_enabled(bool enabled) {
  ::EnableWindow(parts_->control.get(), enabled);
  parts_->set_flag(&Parts::enabled, enabled);
}

std::expected<ImageButton, std::string> ImageButton::create(const ButtonRequest& request,
                                                            std::size_t index) {
  if (auto refusal = text_button_refusal(request.align, request.shift.kind))
    return std::unexpected(std::string(*refusal));
  auto parts = std::make_unique<ImageButton::Parts>();
  const bool centred = request.align == TextAlign::Centre;
  // The order the faces are made in; only the pressed face moves its text.
  for (Face face : {Face::Normal, Face::Pressed, Face::NormalInactive, Face::Disabled,
                    Face::DisabledInactive, Face::Hover, Face::HoverInactive}) {
    const bool shifted = face == Face::Pressed && request.shift.kind == ShiftKind::Text;
    auto bitmap = compose_role_face(request.width, request.height, face_colors(request.role, face),
                                    request.text, request.font, centred, request.left_margin,
                                    shifted ? request.shift.dx : 0, shifted ? request.shift.dy : 0);
    if (!bitmap) return std::unexpected(std::move(bitmap.error()));
    parts->faces[static_cast<std::size_t>(face)] = std::move(*bitmap);
  }
  parts->index = index;
  if (auto built = parts->build(request.parent, request.x, request.y, request.width, request.height,
                                request.hidden);
      !built)
    return std::unexpected(std::move(built.error()));
  return ImageButton(std::move(parts));
}

std::expected<ImageButton, std::string> build_picture_button(const PictureButtonRequest& request) {
  if (auto refusal = picture_button_refusal(request.shift.kind))
    return std::unexpected(std::string(*refusal));
  auto parts = std::make_unique<ImageButton::Parts>();
  const int w = request.width;
  const int h = request.height;
  const auto picture = picture_png(request.picture);
  const auto hover_picture = picture_png(request.hover_picture);
  const bool shifted = request.shift.kind == ShiftKind::Image;
  // The pressed face is the picture moved by the shift; without a shift the
  // normal face serves. Inactive faces are 25 % darker, disabled ones 25 %
  // lighter.
  for (Face face : {Face::Normal, Face::Pressed, Face::NormalInactive, Face::Disabled,
                    Face::DisabledInactive, Face::Hover, Face::HoverInactive}) {
    BitmapResult bitmap;
    switch (face) {
      case Face::Normal:
        bitmap = compose_offset(picture, w, h, 0, 0, request.background);
        break;
      case Face::Pressed:
        if (!shifted) continue;
        bitmap =
            compose_offset(picture, w, h, request.shift.dx, request.shift.dy, request.background);
        break;
      case Face::Hover:
        bitmap = compose_offset(hover_picture, w, h, 0, 0, request.background);
        break;
      case Face::NormalInactive:
        bitmap = compose_tinted(picture, w, h, 25, true);
        break;
      case Face::HoverInactive:
        bitmap = compose_tinted(hover_picture, w, h, 25, true);
        break;
      case Face::Disabled:
        bitmap = compose_tinted(picture, w, h, 25, false);
        break;
      case Face::DisabledInactive:
        bitmap = compose_tinted(hover_picture, w, h, 25, false);
        break;
    }
    if (!bitmap) return std::unexpected(std::move(bitmap.error()));
    parts->faces[static_cast<std::size_t>(face)] = std::move(*bitmap);
  }
  parts->action = request.action;
  if (auto built = parts->build(request.parent, request.x, request.y, w, h, request.hidden); !built)
    return std::unexpected(std::move(built.error()));
  return ImageButton(std::move(parts));
}

}  // namespace nestui_kit
