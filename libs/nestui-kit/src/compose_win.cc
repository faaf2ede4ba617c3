// Bitmaps drawn with GDI, and PNG pictures decoded from memory with the
// Windows Imaging Component. The codecs are reached only through COM, so
// that the program imports nothing from windowscodecs.dll: it is not one of
// the DLLs that Windows always loads from the system folder, and a copy
// planted beside the program would be loaded instead.
#include <objbase.h>
#include <shlwapi.h>
#include <wincodec.h>
#include <windows.h>

#include <climits>
#include <cstddef>
#include <vector>

#include "nestui_kit/compose.h"
#include "paint_win.h"
#include "win_common/com_handles.h"
#include "win_common/error_text.h"
#include "win_common/utf.h"

namespace nestui_kit {
namespace {

// The identifiers are written out here: taking them from an import library
// would tie the program to windowscodecs.dll.
constexpr GUID kWicImagingFactory = {  // CLSID_WICImagingFactory1
    0xcacaf262,
    0x9370,
    0x4615,
    {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr GUID kIWicImagingFactory = {
    0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
constexpr GUID kWicPixelFormat32bppBgra = {
    0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};

using win_common::unique_bitmap;

COLORREF colorref(Colorref colour) { return static_cast<COLORREF>(colour); }

std::string dimensions(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

// "Call: <message> (0x........)".
std::string failed(const char* call, HRESULT result) {
  return std::string(call) + ": " +
         win_common::windows_error_text(static_cast<std::uint32_t>(result));
}
std::string failed_last_error(const std::string& call) {
  return call + ": " + win_common::last_windows_error_text();
}

// A memory device context compatible with the screen that draws into
// `bitmap` until the end of the scope.
class Canvas {
 public:
  explicit Canvas(HBITMAP bitmap)
      : dc_(::CreateCompatibleDC(nullptr)), select_(dc_.get(), bitmap) {}

  HDC get() const { return dc_.get(); }
  explicit operator bool() const { return static_cast<bool>(select_); }

 private:
  win_common::unique_mem_dc dc_;
  win_common::scoped_select select_;
};

unique_bitmap screen_bitmap(int width, int height) {
  // A zero size would give the 1 x 1 monochrome stock bitmap.
  if (width <= 0 || height <= 0) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return {};
  }
  win_common::scoped_get_dc screen(nullptr);
  return unique_bitmap(::CreateCompatibleBitmap(screen.get(), width, height));
}

// The layout of 32-bit pixels, row by row from the top.
BITMAPINFO top_down_32bpp(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// A 32-bit top-down DIB section of the picture's own size holding its
// pixels as BGRA.
BitmapResult decode_png(std::span<const std::uint8_t> png, int& width, int& height) {
  win_common::scoped_com_init com;
  if (!com.usable()) return std::unexpected(failed("CoInitializeEx", com.result()));
  if (png.size() > UINT_MAX) return std::unexpected(failed("SHCreateMemStream", E_INVALIDARG));

  win_common::com_ptr<IStream> stream(
      ::SHCreateMemStream(png.data(), static_cast<UINT>(png.size())));
  if (!stream) return std::unexpected(failed("SHCreateMemStream", E_OUTOFMEMORY));

  win_common::com_ptr<IWICImagingFactory> factory;
  HRESULT result = ::CoCreateInstance(kWicImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      kIWicImagingFactory, factory.put_void());
  if (FAILED(result)) return std::unexpected(failed("CoCreateInstance(WICImagingFactory)", result));

  win_common::com_ptr<IWICBitmapDecoder> decoder;
  result = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                            decoder.put());
  if (FAILED(result)) return std::unexpected(failed("CreateDecoderFromStream", result));

  win_common::com_ptr<IWICBitmapFrameDecode> frame;
  result = decoder->GetFrame(0, frame.put());
  if (FAILED(result)) return std::unexpected(failed("GetFrame", result));

  win_common::com_ptr<IWICFormatConverter> converter;
  result = factory->CreateFormatConverter(converter.put());
  if (FAILED(result)) return std::unexpected(failed("CreateFormatConverter", result));
  result = converter->Initialize(frame.get(), kWicPixelFormat32bppBgra, WICBitmapDitherTypeNone,
                                 nullptr, 0.0, WICBitmapPaletteTypeCustom);
  if (FAILED(result)) return std::unexpected(failed("IWICFormatConverter::Initialize", result));

  UINT w = 0;
  UINT h = 0;
  result = converter->GetSize(&w, &h);
  if (FAILED(result)) return std::unexpected(failed("GetSize", result));
  if (w == 0 || h == 0 || w > INT_MAX / 4 / h) {
    return std::unexpected(failed("GetSize", WINCODEC_ERR_VALUEOUTOFRANGE));
  }
  width = static_cast<int>(w);
  height = static_cast<int>(h);

  BITMAPINFO info = top_down_32bpp(width, height);
  void* bits = nullptr;
  unique_bitmap dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits)
    return std::unexpected(
        failed_last_error("CreateDIBSection(" + dimensions(width, height) + ")"));

  const UINT stride = w * 4;
  result = converter->CopyPixels(nullptr, stride, stride * h, static_cast<BYTE*>(bits));
  if (FAILED(result)) return std::unexpected(failed("CopyPixels", result));
  return dib;
}

// The picture decoded and stretched (HALFTONE) onto a new screen-compatible
// bitmap of width x height.
BitmapResult load_scaled(std::span<const std::uint8_t> png, int width, int height) {
  int picture_width = 0;
  int picture_height = 0;
  BitmapResult picture = decode_png(png, picture_width, picture_height);
  if (!picture) return picture;

  unique_bitmap target = screen_bitmap(width, height);
  if (!target) {
    return std::unexpected(
        failed_last_error("CreateCompatibleBitmap(" + dimensions(width, height) + ")"));
  }
  Canvas source(picture->get());
  Canvas canvas(target.get());
  if (!source || !canvas) return std::unexpected(failed_last_error("SelectObject"));
  ::SetStretchBltMode(canvas.get(), HALFTONE);
  ::SetBrushOrgEx(canvas.get(), 0, 0, nullptr);
  if (!::StretchBlt(canvas.get(), 0, 0, width, height, source.get(), 0, 0, picture_width,
                    picture_height, SRCCOPY)) {
    return std::unexpected(failed_last_error("StretchBlt"));
  }
  return target;
}

std::string from_memory(std::span<const std::uint8_t> png) {
  return " load from memory (" + std::to_string(png.size()) + " bytes): ";
}

// DrawTextW with the font, colour and transparent background.
void draw_text(HDC dc, std::string_view text, HFONT font, Colorref colour, const Rect& where,
               UINT format) {
  RECT rect = to_win_rect(where);
  win_common::scoped_select font_in(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, colorref(colour));
  const std::wstring wide = win_common::to_wide(text);
  ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect, format);
}

}  // namespace

BitmapResult compose_role_face(int width, int height, const FaceColors& colors,
                               std::string_view text, HFONT font, bool centred, int left_margin,
                               int dx, int dy) {
  unique_bitmap face = screen_bitmap(width, height);
  if (!face) {
    return std::unexpected("compose_role_face: CreateCompatibleBitmap(" +
                           dimensions(width, height) + ") 실패");
  }
  {
    Canvas canvas(face.get());
    if (!canvas) return std::unexpected(failed_last_error("compose_role_face: SelectObject"));
    const Rect whole{.width = width, .height = height};
    fill_solid(canvas.get(), whole, colorref(colors.fill));
    frame_solid(canvas.get(), whole, colorref(colors.border));

    const Rect text_rect = between((centred ? 0 : left_margin) + dx, dy, width + dx, height + dy);
    draw_text(canvas.get(), text, font, colors.text, text_rect,
              DT_SINGLELINE | DT_VCENTER | (centred ? DT_CENTER : 0u));
  }
  return face;
}

BitmapResult compose_offset(std::span<const std::uint8_t> png, int width, int height, int dx,
                            int dy, Colorref background) {
  BitmapResult picture = load_scaled(png, width, height);
  if (!picture) return std::unexpected("compose_offset" + from_memory(png) + picture.error());
  if (dx == 0 && dy == 0) return picture;

  unique_bitmap shifted = screen_bitmap(width, height);
  if (!shifted) {
    return std::unexpected(failed_last_error("compose_offset: CreateCompatibleBitmap(" +
                                             dimensions(width, height) + ")"));
  }
  {
    Canvas source(picture->get());
    Canvas canvas(shifted.get());
    if (!source || !canvas)
      return std::unexpected(failed_last_error("compose_offset: SelectObject"));
    fill_solid(canvas.get(), {.width = width, .height = height}, colorref(background));
    ::BitBlt(canvas.get(), dx, dy, width, height, source.get(), 0, 0, SRCCOPY);
  }
  return shifted;
}

BitmapResult compose_tinted(std::span<const std::uint8_t> png, int width, int height,
                            std::uint32_t percent, bool darken) {
  BitmapResult picture = load_scaled(png, width, height);
  if (!picture) return std::unexpected("compose_tinted load: " + picture.error());

  BITMAPINFO info = top_down_32bpp(width, height);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) *
                                   static_cast<std::size_t>(height) * 4);

  win_common::scoped_get_dc screen(nullptr);
  const UINT lines = static_cast<UINT>(height);
  if (::GetDIBits(screen.get(), picture->get(), 0, lines, pixels.data(), &info, DIB_RGB_COLORS) !=
      height) {
    return std::unexpected(failed_last_error("compose_tinted: GetDIBits"));
  }
  tint_pixels(pixels, percent, darken);
  if (::SetDIBits(screen.get(), picture->get(), 0, lines, pixels.data(), &info, DIB_RGB_COLORS) !=
      height) {
    return std::unexpected(failed_last_error("compose_tinted: SetDIBits"));
  }
  return picture;
}

BitmapResult compose(std::span<const std::uint8_t> png, int width, int height,
                     std::string_view text, HFONT font, Colorref text_colour, const Rect& text_rect,
                     UINT format) {
  BitmapResult picture = load_scaled(png, width, height);
  if (!picture) return std::unexpected("compose" + from_memory(png) + picture.error());
  {
    Canvas canvas(picture->get());
    if (!canvas) return std::unexpected(failed_last_error("compose: SelectObject"));
    draw_text(canvas.get(), text, font, text_colour, text_rect, format);
  }
  return picture;
}

}  // namespace nestui_kit
