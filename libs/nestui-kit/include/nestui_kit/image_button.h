#pragma once
// The kit's own push buttons: a static control showing one of several
// pre-drawn faces, switched on press, hover, activation and enabling. Text
// buttons end the current modal dialog with their index; picture buttons
// call their owner's action.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "nestui_kit/compose.h"

namespace nestui_kit {

// The colours of a dialog button: 0 Primary, 1 Accent, 2 and above Secondary.
enum class ButtonRole : std::uint8_t { Primary = 0, Accent = 1, Secondary = 2 };
ButtonRole role_from_index(std::uint8_t value);

enum class Face : std::uint8_t {
  Normal,
  Pressed,
  Hover,
  Disabled,
  NormalInactive,
  HoverInactive,
  DisabledInactive,
};
inline constexpr std::size_t kFaceCount = 7;

// A face's colours: the role's normal, hover (also pressed) or disabled
// colours, in grey for the inactive faces.
FaceColors face_colors(ButtonRole role, Face face);

// The face shown while the button is not pressed. `present` tells which
// faces the button has; a missing choice falls back as the table of the
// kit says, and finally to Normal.
Face choose_face(bool enabled, bool hover, bool active,
                 const std::array<bool, kFaceCount>& present);

// Where the text sits: left with a margin, centred, or no text at all.
enum class TextAlign : std::uint8_t { Left = 0, Centre = 1, None = 2 };
// What moves on the pressed face: nothing, the text, or the picture.
enum class ShiftKind : std::uint8_t { None = 0, Text = 1, Image = 2 };
struct Shift {
  ShiftKind kind = ShiftKind::None;
  int dx = 0;
  int dy = 0;
};

// Why a request cannot be built, or nothing when it can.
std::optional<std::string_view> text_button_refusal(TextAlign align, ShiftKind shift);
std::optional<std::string_view> picture_button_refusal(ShiftKind shift);

// The press of the left button, as a state machine over mouse events.
struct PressState {
  bool pressed = false;  // captured after a left press
  bool inside = false;   // the pointer inside the button while pressed
};
enum class PressEvent { Down, MoveInside, MoveOutside, Up, CaptureLost };
struct PressStep {
  PressState state;
  std::optional<Face> show;  // the face to show now, if it changes
  bool click = false;        // released inside: the button's action runs
  bool handled = false;      // consumed; otherwise the message goes on
};
PressStep press_step(PressState state, PressEvent event);

}  // namespace nestui_kit

#ifdef _WIN32
#include <windows.h>

#include <expected>
#include <functional>
#include <memory>
#include <string>

#include "nestui_kit/pictures.h"

namespace nestui_kit {

struct ButtonRequest {
  TextAlign align = TextAlign::Centre;
  int left_margin = 0;
  std::string text;
  HFONT font = nullptr;
  Shift shift = {};
  HWND parent = nullptr;
  int width = 0;
  int height = 0;
  int x = 0;
  int y = 0;
  bool hidden = false;
  ButtonRole role = ButtonRole::Primary;
};

struct PictureButtonRequest {
  Picture picture = Picture::Close;
  Picture hover_picture = Picture::CloseHover;
  Shift shift = {};                // only an image shift makes sense here
  Colorref background = 0x263A6E;  // shows where a shifted picture uncovers
  HWND parent = nullptr;
  int width = 0;
  int height = 0;
  int x = 0;
  int y = 0;
  bool hidden = false;
  std::function<void()> action;
};

class ImageButton {
 public:
  // A text button. Clicking it stores `index` as the modal result and
  // closes the current modal dialog.
  static std::expected<ImageButton, std::string> create(const ButtonRequest& request,
                                                        std::size_t index);

  ImageButton(ImageButton&&) noexcept;
  ImageButton& operator=(ImageButton&&) noexcept;
  ~ImageButton();

  HWND hwnd() const;
  // Grey faces while the window is inactive; disabled faces when disabled.
  void set_active(bool active);
  void set_enabled(bool enabled);

  struct Parts;

 private:
  explicit ImageButton(std::unique_ptr<Parts> parts);
  friend std::expected<ImageButton, std::string> build_picture_button(
      const PictureButtonRequest& request);
  std::unique_ptr<Parts> parts_;
};

// A button without text that shows an embedded picture and runs `action`
// when clicked.
std::expected<ImageButton, std::string> build_picture_button(const PictureButtonRequest& request);

}  // namespace nestui_kit
#endif
