// The fair yardstick of scripts/bench.sh: the work that any program showing
// the updater's progress window and verifying an installer must have the
// platform do, done the cheapest way, built with the updater's toolchain,
// flags and manifest (common controls 6).
//
//   fair_reference.exe INSTALLER
//
// Before the window shows: InitCommonControlsEx, COM, and WIC decoding one
// 1918 x 31 title bar picture (the updater's own PNG) into a bitmap; a
// borderless 460 x 257 window with four fonts, sixteen labels and a
// progress bar. It is shown without activation and its pending messages
// (the first paint among them) dispatched. Then wintrust and crypt32 are
// loaded from System32 and INSTALLER verified once with WinVerifyTrust; the
// window stays for 300 ms more and the program ends.
#include <windows.h>
#include <commctrl.h>
#include <softpub.h>
#include <wincodec.h>
#include <wintrust.h>

#include "nestui_kit/pictures.h"
#include "win_common/com_handles.h"
#include "win_common/gdi_handles.h"
#include "win_common/handles.h"

namespace {

using win_common::com_ptr;

constexpr int kWidth = 460;
constexpr int kHeight = 257;
constexpr int kTitleHeight = 31;
constexpr UINT kStayMilliseconds = 300;

HBITMAP g_title = nullptr;

// The picture as a top-down 32-bit DIB section, or null.
HBITMAP decode_title_bar() {
  const auto png = nestui_kit::picture_png(nestui_kit::Picture::TitlebarActive);
  com_ptr<IWICImagingFactory> factory;
  com_ptr<IWICStream> stream;
  com_ptr<IWICBitmapDecoder> decoder;
  com_ptr<IWICBitmapFrameDecode> frame;
  com_ptr<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, factory.put_void())) ||
      FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png.data()),
                                          static_cast<DWORD>(png.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.put())) ||
      FAILED(decoder->GetFrame(0, frame.put())) ||
      FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&width, &height)))
    return nullptr;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader,
                    static_cast<LONG>(width),
                    -static_cast<LONG>(height),
                    1,
                    32,
                    BI_RGB,
                    0,
                    0,
                    0,
                    0,
                    0};
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  if (FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                   static_cast<BYTE*>(bits)))) {
    ::DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(window, &paint);
      if (g_title) {
        const HDC memory = ::CreateCompatibleDC(dc);
        const HGDIOBJ old = ::SelectObject(memory, g_title);
        ::BitBlt(dc, 0, 0, kWidth, kTitleHeight, memory, 0, 0, SRCCOPY);
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
      }
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_TIMER:
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

void dispatch_pending() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// One Authenticode check of the file, as the updater's Verify step makes it.
LONG verify_once(const wchar_t* path) {
  const win_common::unique_hmodule crypt32(
      ::LoadLibraryExW(L"crypt32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  const win_common::unique_hmodule wintrust(
      ::LoadLibraryExW(L"wintrust.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!crypt32 || !wintrust) return -1;
  using Verify = LONG(WINAPI*)(HWND, GUID*, LPVOID);
  const auto verify = reinterpret_cast<Verify>(
      reinterpret_cast<void*>(::GetProcAddress(wintrust.get(), "WinVerifyTrust")));
  if (!verify) return -1;
  WINTRUST_FILE_INFO file{sizeof file, path, nullptr, nullptr};
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG result = verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  if (!::InitCommonControlsEx(&icc)) return 1;
  const win_common::scoped_com_init com;
  const win_common::unique_bitmap title(decode_title_bar());
  if (!title) return 1;
  g_title = title.get();

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = window_proc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = L"PnBenchFairReference";
  if (!::RegisterClassExW(&window_class)) return 1;
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const HWND window = ::CreateWindowExW(WS_EX_APPWINDOW, window_class.lpszClassName,
                                        L"파랑둥지 업데이트", WS_POPUP | WS_CLIPCHILDREN,
                                        area.left + (area.right - area.left - kWidth) / 2,
                                        area.top + (area.bottom - area.top - kHeight) / 2, kWidth,
                                        kHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;

  // The progress window's four fonts, sixteen labels and its bar.
  win_common::unique_font fonts[4];
  for (int i = 0; i < 4; ++i)
    fonts[i].reset(::CreateFontW(-12, 0, 0, 0, i < 2 ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 CLEARTYPE_QUALITY, VARIABLE_PITCH, i == 1 ? L"돋움" : L"굴림"));
  const wchar_t* const texts[4] = {L"본체 종료 대기", L"서명 확인", L"설치", L"다시 시작"};
  for (int i = 0; i < 16; ++i) {
    const wchar_t* text = i < 4 ? texts[i] : i < 8 ? L">" : L"...";
    const HWND label =
        ::CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT, 19 + (i / 4) * 100,
                          40 + (i % 4) * 22, 90, 18, window, nullptr, instance, nullptr);
    ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(fonts[i % 4].get()), FALSE);
  }
  const HWND bar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH,
                                     19, 208, 420, 21, window, nullptr, instance, nullptr);
  ::SendMessageW(bar, PBM_SETRANGE32, 0, 100);

  ::ShowWindow(window, SW_SHOWNA);
  dispatch_pending();

  wchar_t** argv = __wargv;
  if (__argc < 2 || verify_once(argv[1]) != 0) return 2;

  ::SetTimer(window, 1, kStayMilliseconds, nullptr);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}
