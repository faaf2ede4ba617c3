#pragma once
// The kit's embedded PNG pictures (libs/nestui-kit/pictures, drawn by
// make-pictures.py), compiled into the program byte for byte.

#include <cstdint>
#include <span>

namespace nestui_kit {

enum class Picture {
  TitlebarActive,    // 1918 x 31 RGBA: the active title bar's brown gradient
  TitlebarInactive,  // 1918 x 31 RGBA: the inactive title bar's grey gradient
  Close,             // 20 x 20 palette: a light cross on the title bar's brown
  CloseHover,
  Minimize,
  MinimizeHover,
  Maximize,
  MaximizeHover,
  Back,
  BackHover,
};

// The PNG file's bytes.
std::span<const std::uint8_t> picture_png(Picture picture);

}  // namespace nestui_kit
