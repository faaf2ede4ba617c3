#include "nestui_kit/pictures.h"

// The arrays written at build time from the PNG files (pictures_data.cc).
namespace nestui_kit::embedded {
extern const std::span<const std::uint8_t> titlebar_active_png;
extern const std::span<const std::uint8_t> titlebar_inactive_png;
extern const std::span<const std::uint8_t> close_png;
extern const std::span<const std::uint8_t> close_hover_png;
extern const std::span<const std::uint8_t> minimize_png;
extern const std::span<const std::uint8_t> minimize_hover_png;
extern const std::span<const std::uint8_t> maximize_png;
extern const std::span<const std::uint8_t> maximize_hover_png;
extern const std::span<const std::uint8_t> back_png;
extern const std::span<const std::uint8_t> back_hover_png;
}  // namespace nestui_kit::embedded

namespace nestui_kit {

std::span<const std::uint8_t> picture_png(Picture picture) {
  using namespace embedded;
  switch (picture) {
    case Picture::TitlebarActive:
      return titlebar_active_png;
    case Picture::TitlebarInactive:
      return titlebar_inactive_png;
    case Picture::Close:
      return close_png;
    case Picture::CloseHover:
      return close_hover_png;
    case Picture::Minimize:
      return minimize_png;
    case Picture::MinimizeHover:
      return minimize_hover_png;
    case Picture::Maximize:
      return maximize_png;
    case Picture::MaximizeHover:
      return maximize_hover_png;
    case Picture::Back:
      return back_png;
    case Picture::BackHover:
      return back_hover_png;
  }
  return {};
}

}  // namespace nestui_kit
