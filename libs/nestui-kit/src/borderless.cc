#include "nestui_kit/borderless.h"

#include <algorithm>
#include <limits>

namespace nestui_kit {

Point centred_origin(const Rect& work, std::int32_t width, std::int32_t height) {
  // In 64 bits: any work area and size, however odd, has its spare room.
  const auto origin = [](std::int32_t from, std::int32_t extent, std::int32_t size) {
    const std::int64_t spare = std::max<std::int64_t>(0, std::int64_t{extent} - size);
    // A work area that reaches past the 32-bit range keeps the window at
    // its last coordinate.
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(from + spare / 2, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
  };
  return {origin(work.x, work.width, width), origin(work.y, work.height, height)};
}

}  // namespace nestui_kit
