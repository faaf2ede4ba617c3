#include "nestui_kit/image_button.h"

namespace nestui_kit {
namespace {

struct RoleColors {
  FaceColors normal;
  FaceColors hover;  // also the pressed face
  FaceColors disabled;
};

constexpr RoleColors kRoleColors[] = {
    // Primary
    {{0x212B4C, 0x212B4C, 0xFFFFFF},
     {0x2E3D6A, 0x2E3D6A, 0xFFFFFF},
     {0xD7DDE4, 0xD7DDE4, 0x9099A5}},
    // Accent
    {{0x2D90CF, 0x2D90CF, 0xFFFFFF},
     {0x247FB9, 0x247FB9, 0xFFFFFF},
     {0xD7DDE4, 0xD7DDE4, 0x9099A5}},
    // Secondary
    {{0xFFFFFF, 0x212B4C, 0x212B4C},
     {0xE8EEF3, 0x212B4C, 0x212B4C},
     {0xFFFFFF, 0xC0C8D2, 0xA2A9B3}},
};

FaceColors grey_face(const FaceColors& colors) {
  return {grey_of(colors.fill), grey_of(colors.border), grey_of(colors.text)};
}

}  // namespace

ButtonRole role_from_index(std::uint8_t value) {
  return value >= 2 ? ButtonRole::Secondary : static_cast<ButtonRole>(value);
}

FaceColors face_colors(ButtonRole role, Face face) {
  const RoleColors& colors =
      kRoleColors[static_cast<std::size_t>(role_from_index(static_cast<std::uint8_t>(role)))];
  switch (face) {
    case Face::Normal:
      return colors.normal;
    case Face::Pressed:
    case Face::Hover:
      return colors.hover;
    case Face::Disabled:
      return colors.disabled;
    case Face::NormalInactive:
      return grey_face(colors.normal);
    case Face::HoverInactive:
      return grey_face(colors.hover);
    case Face::DisabledInactive:
      return grey_face(colors.disabled);
  }
  return colors.normal;
}

Face choose_face(bool enabled, bool hover, bool active,
                 const std::array<bool, kFaceCount>& present) {
  const auto first_present = [&present](std::initializer_list<Face> choices) {
    for (Face face : choices)
      if (present[static_cast<std::size_t>(face)]) return face;
    return Face::Normal;
  };
  if (!enabled) {
    if (active) return first_present({Face::Disabled});
    return first_present({Face::DisabledInactive, Face::Disabled, Face::NormalInactive});
  }
  if (hover) {
    if (active) return first_present({Face::Hover});
    return first_present({Face::HoverInactive, Face::NormalInactive});
  }
  return active ? Face::Normal : first_present({Face::NormalInactive});
}

std::optional<std::string_view> text_button_refusal(TextAlign align, ShiftKind shift) {
  if (align == TextAlign::None)
    return "ImageButton: 글자 단추는 text 필수 (글자 없는 단추는 build_picture_button)";
  if (shift == ShiftKind::Image)
    return "ImageButton: text + ImageShift 조합은 지원하지 않음 (TextShift 사용)";
  return std::nullopt;
}

std::optional<std::string_view> picture_button_refusal(ShiftKind shift) {
  if (shift == ShiftKind::Text) return "PictureButton: 글자 없는 단추에 TextShift 는 의미 없음";
  return std::nullopt;
}

PressStep press_step(PressState state, PressEvent event) {
  switch (event) {
    case PressEvent::Down:
      return {{true, true}, Face::Pressed, false, true};
    case PressEvent::MoveInside:
    case PressEvent::MoveOutside: {
      if (!state.pressed) return {state, std::nullopt, false, false};
      const bool inside = event == PressEvent::MoveInside;
      std::optional<Face> show;
      if (inside != state.inside) show = inside ? Face::Pressed : Face::Normal;
      return {{true, inside}, show, false, true};
    }
    case PressEvent::Up:
      if (!state.pressed) return {state, std::nullopt, false, false};
      return {{}, Face::Normal, state.inside, true};
    case PressEvent::CaptureLost:
      if (!state.pressed) return {state, std::nullopt, false, false};
      return {{}, Face::Normal, false, false};
  }
  return {state, std::nullopt, false, false};
}

}  // namespace nestui_kit
