#include "nestui_kit/borderless.h"

#include <algorithm>

namespace nestui_kit {

Point centred_origin(const Rect& work, std::int32_t width, std::int32_t height) {
  const std::int32_t spare_x = std::max<std::int32_t>(0, work.width - width);
  const std::int32_t spare_y = std::max<std::int32_t>(0, work.height - height);
  return {work.x + spare_x / 2, work.y + spare_y / 2};
}

}  // namespace nestui_kit
