// Any state bits and set of faces: the face shown is the one the kit's
// table names (enabled, hover, active), else its listed stand-ins, else the
// normal face. Any sequence of mouse events on a button: a click exactly
// when the left button is released inside after a press, the pressed face
// while the pointer is inside, the normal face after it is released.

#include <array>
#include <cstdint>
#include <initializer_list>

#include "fuzz_check.h"
#include "nestui_kit/image_button.h"

namespace {

using nestui_kit::Face;

Face table_face(bool enabled, bool hover, bool active, const std::array<bool, 7>& present) {
  const auto pick = [&](std::initializer_list<Face> faces) {
    for (const Face f : faces)
      if (present[static_cast<std::size_t>(f)]) return f;
    return Face::Normal;
  };
  if (!enabled) {
    return active ? pick({Face::Disabled})
                  : pick({Face::DisabledInactive, Face::Disabled, Face::NormalInactive});
  }
  if (!hover) return active ? Face::Normal : pick({Face::NormalInactive});
  return active ? pick({Face::Hover}) : pick({Face::HoverInactive, Face::NormalInactive});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t bits = data[0];
  std::array<bool, 7> present{};
  for (std::size_t i = 0; i < present.size(); ++i) present[i] = (size > 1 ? data[1] : 0) >> i & 1;
  const bool enabled = bits & 1, hover = bits & 2, active = bits & 4;
  FUZZ_CHECK(nestui_kit::choose_face(enabled, hover, active, present) ==
             table_face(enabled, hover, active, present));

  nestui_kit::PressState state;
  for (std::size_t i = 2; i < size; ++i) {
    const auto event = static_cast<nestui_kit::PressEvent>(data[i] % 5);
    const nestui_kit::PressStep step = nestui_kit::press_step(state, event);
    using nestui_kit::PressEvent;
    switch (event) {
      case PressEvent::Down:
        FUZZ_CHECK(step.state.pressed && step.state.inside && step.show == Face::Pressed);
        FUZZ_CHECK(step.handled && !step.click);
        break;
      case PressEvent::MoveInside:
      case PressEvent::MoveOutside: {
        const bool in = event == PressEvent::MoveInside;
        FUZZ_CHECK(step.handled == state.pressed && !step.click);
        FUZZ_CHECK(step.state.pressed == state.pressed);
        FUZZ_CHECK(step.state.inside == (state.pressed ? in : state.inside));
        const bool changes = state.pressed && in != state.inside;
        FUZZ_CHECK(step.show.has_value() == changes);
        if (changes) FUZZ_CHECK(*step.show == (in ? Face::Pressed : Face::Normal));
        break;
      }
      case PressEvent::Up:
      case PressEvent::CaptureLost:
        FUZZ_CHECK(step.click == (event == PressEvent::Up && state.pressed && state.inside));
        FUZZ_CHECK(step.handled == (event == PressEvent::Up && state.pressed));
        FUZZ_CHECK(!step.state.pressed && (state.pressed ? !step.state.inside : true));
        FUZZ_CHECK(step.show == (state.pressed ? std::optional(Face::Normal) : std::nullopt));
        break;
    }
    state = step.state;
  }
  return 0;
}
