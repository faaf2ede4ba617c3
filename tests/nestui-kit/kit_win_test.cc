// The kit's windows built for real: buttons pressed and hovered with real
// mouse messages, the modal loop, the progress and message dialogs, read
// back from their controls and pixels.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "foreground.h"
#include "gui_counts.h"
#include "i18n/locale.h"
#include "pixels.h"
#include "win_test_support.h"
#include "nestui_kit/borderless.h"
#include "nestui_kit/cursor.h"
#include "nestui_kit/dialogs.h"
#include "nestui_kit/events.h"
#include "nestui_kit/handlers.h"
#include "nestui_kit/image_button.h"
#include "nestui_kit/modal.h"
#include "nestui_kit/pictures.h"
#include "nestui_kit/progress_dialog.h"
#include "win_common/gdi_handles.h"
#include "win_common/utf.h"
#include "win_common/window_subclass.h"

namespace nestui_kit {
namespace {

using test_support::Pixels;

// The box around pixels that differ from `ground` inside the 1-pixel border.
RECT marks(const Pixels& p, COLORREF ground) {
  RECT box{p.width, p.height, -1, -1};
  for (int y = 1; y < p.height - 1; ++y)
    for (int x = 1; x < p.width - 1; ++x)
      if (p.at(x, y) != ground)
        box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
               std::max<LONG>(box.right, x), std::max<LONG>(box.bottom, y)};
  return box;
}

// The face a button's control shows now.
Pixels shown_face(HWND control) {
  const auto bitmap =
      reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  return test_support::read_pixels(bitmap, info.bmWidth, info.bmHeight);
}

// What a window shows on screen once it has painted.
Pixels on_screen(HWND window) {
  dispatch_pending_messages();
  UpdateWindow(window);
  RECT r{};
  GetClientRect(window, &r);
  win_common::scoped_get_dc dc(window);
  win_common::unique_mem_dc copy(CreateCompatibleDC(dc.get()));
  win_common::unique_bitmap bitmap(CreateCompatibleBitmap(dc.get(), r.right, r.bottom));
  {
    win_common::scoped_select selected(copy.get(), bitmap.get());
    BitBlt(copy.get(), 0, 0, r.right, r.bottom, dc.get(), 0, 0, SRCCOPY);
  }
  return test_support::read_pixels(bitmap.get(), r.right, r.bottom);
}

LPARAM at(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

RECT rect_in_parent(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};  // x, y, width, height
}

std::string text_of(HWND window) {
  std::wstring text(512, L'\0');
  text.resize(GetWindowTextW(window, text.data(), 512));
  return win_common::from_wide(text);
}

std::string class_of(HWND window) {
  wchar_t name[64]{};
  GetClassNameW(window, name, 64);
  return win_common::from_wide(name);
}

std::vector<HWND> children_of(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

LONG weight_of(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfWeight;
}

bool shows_hand(HWND root, HWND control) {
  SetCursor(nullptr);
  SendMessageW(root, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), at(HTCLIENT, WM_MOUSEMOVE));
  return GetCursor() == LoadCursorW(nullptr, IDC_HAND);
}

win_common::unique_font arial(int height, int weight) {
  return win_common::unique_font(
      CreateFontW(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
}

// Pumps the thread's messages for `ms` milliseconds.
void pump_for(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    dispatch_pending_messages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

DWORD process_of(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

// Whether `a` lies above `b` among the top-level windows.
bool above(HWND a, HWND b) {
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == a) return true;
    if (w == b) return false;
  }
  return false;
}

// A title bar as the kit must draw it: the picture stretched to width x 30
// and the title in white, `left` pixels from the left, in the title font of
// the given weight.
Pixels title_bar_as(Picture picture, const std::string& title, int left, LONG weight, int width) {
  const win_common::unique_font font(
      CreateFontW(-13, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH,
                  win_common::to_wide(i18n::secondary_font_family()).c_str()));
  auto bitmap = compose(picture_png(picture), width, 30, title, font.get(), 0xFFFFFF,
                        between(left, 0, width, 30), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  EXPECT_TRUE(bitmap) << bitmap.error();
  return bitmap ? test_support::read_pixels(bitmap->get(), width, 30) : Pixels{};
}

// How many pixels left of column `right` differ.
int differing(const Pixels& a, const Pixels& b, int right) {
  if (a.height != b.height || a.width < right || b.width < right) return -1;
  int count = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < right; ++x) count += a.at(x, y) != b.at(x, y);
  return count;
}

// The first column where `a` differs from `b`.
int first_differing_column(const Pixels& a, const Pixels& b) {
  for (int x = 0; x < std::min(a.width, b.width); ++x)
    for (int y = 0; y < std::min(a.height, b.height); ++y)
      if (a.at(x, y) != b.at(x, y)) return x;
  return -1;
}

constexpr COLORREF kPrimary = 0x212B4C;
constexpr COLORREF kCloseGround = RGB(122, 67, 48);
constexpr COLORREF kCloseGroundDarker = RGB(91, 50, 36);     // a quarter toward black
constexpr COLORREF kCloseGroundLighter = RGB(155, 114, 99);  // a quarter toward white

TEST(TitledWindowLook, ShownBehindAnotherProgramThenActivated) {
  test_support::Child front(test_support::beside_test(L"front_window.exe"), L"");
  ASSERT_TRUE(front.started());
  for (int i = 0; i < 100 && process_of(GetForegroundWindow()) != front.pid(); ++i) pump_for(50);
  pump_for(200);  // and stays there
  ASSERT_EQ(process_of(GetForegroundWindow()), front.pid()) << "the other program is not in front";

  const std::string title = "Parleynest Update";
  auto window = build_titled_borderless({title, 480, 174, 30, 20, true, [] {}});
  ASSERT_TRUE(window) << window.error();
  const HWND hwnd = window->hwnd();
  const HWND bar = window->title_bar();
  const HWND close = GetWindow(bar, GW_CHILD);
  ASSERT_TRUE(close);
  show_dialog_window(hwnd);
  pump_for(300);
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_EQ(process_of(GetForegroundWindow()), front.pid());  // the focus stays where it was

  // Grey at once, the title in white 9 pixels from the left in the bold
  // title font (left of the close button).
  const Pixels inactive = title_bar_as(Picture::TitlebarInactive, title, 9, FW_BOLD, 480);
  ASSERT_NE(
      differing(inactive, title_bar_as(Picture::TitlebarInactive, title, 9, FW_NORMAL, 480), 440),
      0)
      << "bold and normal titles look alike here";
  const Pixels shown = on_screen(bar);
  EXPECT_EQ(differing(shown, inactive, 440), 0);
  const int ink =
      first_differing_column(shown, title_bar_as(Picture::TitlebarInactive, "", 9, FW_BOLD, 480));
  EXPECT_TRUE(ink >= 9 && ink <= 11) << ink;
  EXPECT_EQ(on_screen(close).at(0, 0), kCloseGroundDarker);

  // Clicked: brown, and the close button in its own colours.
  test_support::take_foreground(hwnd);
  pump_for(200);
  EXPECT_EQ(GetForegroundWindow(), hwnd);
  EXPECT_EQ(
      differing(on_screen(bar), title_bar_as(Picture::TitlebarActive, title, 9, FW_BOLD, 480), 440),
      0);
  EXPECT_EQ(on_screen(close).at(0, 0), kCloseGround);
  window->buttons().front()->set_enabled(false);
  EXPECT_EQ(on_screen(close).at(0, 0), kCloseGroundLighter);

  // Shown while one of ours is in front, a window takes the foreground.
  auto second = build_titled_borderless({"second", 200, 100, 30, 20, false, [] {}});
  ASSERT_TRUE(second);
  show_dialog_window(second->hwnd());
  pump_for(200);
  EXPECT_EQ(GetForegroundWindow(), second->hwnd());
}

TEST(TitledWindowLook, TitleBarPressMovesTheWindowAndControlsPaintOnWhite) {
  auto window = build_titled_borderless({"drag", 300, 120, 30, 20, true, [] {}});
  ASSERT_TRUE(window) << window.error();
  const HWND hwnd = window->hwnd();
  show_dialog_window(hwnd);
  pump_for(100);
  // The system's move loop is not entered here: the request for it is seen
  // and answered.
  std::vector<WPARAM> moves;
  auto spy = win_common::window_subclass::install(
      hwnd, reserve_handler_ids(),
      [&moves](HWND, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_NCLBUTTONDOWN) return std::nullopt;
        moves.push_back(wparam);
        return 0;
      });
  ASSERT_TRUE(spy);
  SetCapture(hwnd);
  SendMessageW(window->title_bar(), WM_LBUTTONDOWN, MK_LBUTTON, at(100, 10));
  EXPECT_EQ(moves, std::vector<WPARAM>{HTCAPTION});
  EXPECT_EQ(GetCapture(), nullptr);
  // Pressing the close button presses the button only.
  const HWND close = GetWindow(window->title_bar(), GW_CHILD);
  SendMessageW(close, WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
  EXPECT_EQ(GetCapture(), close);
  SendMessageW(close, WM_LBUTTONUP, 0, at(-5, -5));
  EXPECT_EQ(moves.size(), 1u);

  // Controls on the window: transparent on white; grey text while disabled.
  const HWND label = CreateWindowExW(0, L"STATIC", L"label", WS_CHILD | WS_VISIBLE, 10, 40, 60, 20,
                                     hwnd, nullptr, nullptr, nullptr);
  win_common::unique_mem_dc dc(CreateCompatibleDC(nullptr));
  for (UINT message : {WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN, WM_CTLCOLORSTATIC}) {
    for (bool enabled : {true, false}) {
      SCOPED_TRACE(testing::Message() << std::hex << message << " " << enabled);
      EnableWindow(label, enabled);
      SetTextColor(dc.get(), 0x123456);
      SetBkMode(dc.get(), OPAQUE);
      const LRESULT brush = SendMessageW(hwnd, message, reinterpret_cast<WPARAM>(dc.get()),
                                         reinterpret_cast<LPARAM>(label));
      EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));
      EXPECT_EQ(GetBkMode(dc.get()), TRANSPARENT);
      EXPECT_EQ(GetTextColor(dc.get()), enabled ? 0x123456u : 0x808080u);
    }
  }
}

TEST(ImageButtonWindow, FacesPressHoverActivationAndTheHand) {
  auto window = build_titled_borderless({"buttons", 300, 120, 30, 20, false, [] {}});
  ASSERT_TRUE(window) << window.error();
  const HWND parent = window->hwnd();
  show_dialog_window(parent);
  const auto font = arial(-13, FW_BOLD);
  ButtonRequest request;
  request.text = "OK";
  request.font = font.get();
  request.shift = {ShiftKind::Text, 1, 1};
  request.parent = parent;
  request.width = 80;
  request.height = 28;
  request.x = 20;
  request.y = 60;
  const std::uintptr_t first_id = reserve_handler_ids(0);
  auto primary = ImageButton::create(request, 4);
  request.role = ButtonRole::Secondary;
  request.x = 120;
  auto secondary = ImageButton::create(request, 5);
  ASSERT_TRUE(primary && secondary);
  // Three handlers per button and one cursor handler for their window.
  EXPECT_EQ(reserve_handler_ids(0) - first_id, 7u);
  const HWND a = primary->hwnd();
  const HWND b = secondary->hwnd();

  Pixels normal = shown_face(a);
  EXPECT_EQ(normal.at(40, 3), kPrimary);
  Pixels white = shown_face(b);
  EXPECT_EQ(white.at(40, 3), 0xFFFFFFu);
  EXPECT_EQ(white.at(0, 14), kPrimary);  // a Secondary button keeps its border on white
  EXPECT_EQ(white.at(79, 27), kPrimary);

  // Hover and leave, on the Secondary button.
  SendMessageW(b, WM_MOUSEMOVE, 0, at(5, 5));
  EXPECT_EQ(shown_face(b).at(40, 3), 0xE8EEF3u);
  const RECT hover_text = marks(shown_face(b), 0xE8EEF3);
  SendMessageW(b, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(shown_face(b).at(40, 3), 0xFFFFFFu);

  // Press, drag out, drag back, release outside: no click.
  clear_modal_result();
  SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, at(10, 10));
  EXPECT_EQ(GetCapture(), b);
  const Pixels pressed = shown_face(b);
  EXPECT_EQ(pressed.at(40, 3), 0xE8EEF3u);
  const RECT pressed_text = marks(pressed, 0xE8EEF3);
  EXPECT_EQ(pressed_text.left, hover_text.left + 1);  // the text moved by (1, 1)
  EXPECT_EQ(pressed_text.top, hover_text.top + 1);
  EXPECT_EQ(pressed_text.right, hover_text.right + 1);
  SendMessageW(b, WM_MOUSEMOVE, MK_LBUTTON, at(-4, 10));
  EXPECT_EQ(shown_face(b).at(40, 3), 0xFFFFFFu);
  SendMessageW(b, WM_MOUSEMOVE, MK_LBUTTON, at(79, 27));
  EXPECT_EQ(shown_face(b).at(40, 3), 0xE8EEF3u);
  SendMessageW(b, WM_MOUSEMOVE, MK_LBUTTON, at(80, 5));
  SendMessageW(b, WM_LBUTTONUP, 0, at(80, 5));
  EXPECT_NE(GetCapture(), b);
  EXPECT_EQ(take_modal_result(), std::nullopt);
  EXPECT_EQ(shown_face(b).at(40, 3), 0xFFFFFFu);

  // Released inside: the index becomes the result and the modal dialog closes.
  const HWND modal = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     nullptr, nullptr);
  set_modal_dialog(modal);
  SendMessageW(a, WM_LBUTTONDOWN, MK_LBUTTON, at(10, 10));
  SendMessageW(a, WM_LBUTTONUP, 0, at(10, 10));
  EXPECT_EQ(take_modal_result(), 4u);
  EXPECT_FALSE(IsWindow(modal));

  // The window goes inactive: idle faces turn grey, and back.
  SendMessageW(parent, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(shown_face(a).at(40, 3), 0x474747u);
  EXPECT_EQ(shown_face(b).at(0, 14), 0x474747u);
  SendMessageW(parent, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(shown_face(a).at(40, 3), kPrimary);

  // The hand: over enabled registered controls only.
  EXPECT_TRUE(shows_hand(parent, a));
  secondary->set_enabled(false);
  EXPECT_EQ(shown_face(b).at(0, 14), 0xC0C8D2u);
  EXPECT_FALSE(shows_hand(parent, b));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_FALSE(shows_hand(parent, window->title_bar()));
  const HWND label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 40, 10, 10,
                                     parent, nullptr, nullptr, nullptr);
  register_hand_cursor(label);
  EXPECT_TRUE(shows_hand(parent, label));
  unregister_hand_cursor(label);
  EXPECT_FALSE(shows_hand(parent, label));
  EXPECT_EQ(reserve_handler_ids(0) - first_id, 7u);  // still one cursor handler

  // A hundred buttons built and released leave nothing behind.
  primary = std::unexpected("");
  secondary = std::unexpected("");
  const DWORD gdi = test_support::gdi_objects();
  const DWORD user = test_support::user_objects();
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(ImageButton::create(request, 0));
  EXPECT_EQ(test_support::gdi_objects(), gdi);
  EXPECT_EQ(test_support::user_objects(), user);
}

TitledWindow closable_window() {
  auto window =
      build_titled_borderless({"modal", 200, 100, 30, 20, true, [] { close_modal_dialog(); }});
  EXPECT_TRUE(window) << window.error();
  set_modal_dialog(window->hwnd());
  return std::move(*window);
}

TEST(ModalLoop, ResultHandshakeClosePollAndQuit) {
  {
    TitledWindow dialog = closable_window();
    ButtonRequest request;
    request.text = "Go";
    request.parent = dialog.hwnd();
    request.width = 80;
    request.height = 28;
    auto button = ImageButton::create(request, 3);
    ASSERT_TRUE(button);
    clear_modal_result();
    PostMessageW(button->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
    PostMessageW(button->hwnd(), WM_LBUTTONUP, 0, at(5, 5));
    run_modal_loop(dialog.hwnd(), {}, false);
    EXPECT_FALSE(IsWindow(dialog.hwnd()));
    EXPECT_EQ(take_modal_result(), 3u);
    EXPECT_EQ(take_modal_result(), std::nullopt);
  }
  {
    // A predicate that answers yes closes the dialog at the first poll.
    TitledWindow dialog = closable_window();
    SetTimer(dialog.hwnd(), kClosePollTimer, 500, nullptr);
    SetTimer(dialog.hwnd(), kKeepTopmostTimer, 50, nullptr);
    int asked = 0;
    const auto start = std::chrono::steady_clock::now();
    run_modal_loop(
        dialog.hwnd(), [&] { return ++asked > 0; }, true);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(asked, 1);
    EXPECT_GE(waited, std::chrono::milliseconds(400));
    EXPECT_LT(waited, std::chrono::milliseconds(10000));
    EXPECT_FALSE(IsWindow(dialog.hwnd()));
    EXPECT_EQ(take_modal_result(), std::nullopt);
  }
  {
    // A quit ends the loop with the dialog still there, and is queued again.
    TitledWindow dialog = closable_window();
    PostQuitMessage(0);
    run_modal_loop(dialog.hwnd(), {}, false);
    EXPECT_TRUE(IsWindow(dialog.hwnd()));
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
  }
  // The same for dispatching what is waiting.
  PostQuitMessage(0);
  dispatch_pending_messages();
  MSG quit{};
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

ProgressDialogRequest four_steps() {
  return {"파랑둥지 업데이트", "파랑둥지", "Arial", "Arial",
          std::vector<std::string>{"wait", "verify", "install", "restart"}};
}

TEST(ProgressDialogWindow, GeometryRowsCloseAndBar) {
  auto dialog = build_progress_dialog(four_steps());
  ASSERT_TRUE(dialog) << dialog.error();
  const HWND hwnd = dialog->hwnd();
  RECT client{}, frame{};
  GetClientRect(hwnd, &client);
  GetWindowRect(hwnd, &frame);
  EXPECT_EQ(client.right, 460);
  EXPECT_EQ(client.bottom, 257);
  EXPECT_EQ(frame.right - frame.left, 460);  // no system frame
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_STYLE) & ~(WS_VISIBLE | WS_CLIPSIBLINGS),
            WS_POPUP | WS_CLIPCHILDREN);
  EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(text_of(hwnd), "파랑둥지 업데이트");

  // x, y, width, height and text of every child, in creation order.
  std::vector<std::string> seen;
  std::vector<HWND> boxes, glyphs, steps;
  HWND bar = nullptr;
  for (HWND child : children_of(hwnd)) {
    const RECT r = rect_in_parent(child);
    seen.push_back(class_of(child) + " " + std::to_string(r.left) + "," + std::to_string(r.top) +
                   " " + std::to_string(r.right) + "x" + std::to_string(r.bottom) + " " +
                   text_of(child));
    if (class_of(child) == "NestuiFrame") {
      boxes.push_back(child);
      glyphs.push_back(GetWindow(child, GW_CHILD));
      EXPECT_EQ(rect_in_parent(glyphs.back()).right, 16);
    }
    if (r.left == 42) steps.push_back(child);
    if (class_of(child) == "msctls_progress32") bar = child;
  }
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "Static 0,0 460x30 ", "Static 17,49 420x19 파랑둥지",
                      "NestuiFrame 22,80 16x20 ", "Static 42,80 378x20 wait",
                      "NestuiFrame 22,102 16x20 ", "Static 42,102 378x20 verify",
                      "NestuiFrame 22,124 16x20 ", "Static 42,124 378x20 install",
                      "NestuiFrame 22,146 16x20 ", "Static 42,146 378x20 restart",
                      "Static 19,186 420x17 ...", "msctls_progress32 19,208 420x21 "}));
  ASSERT_EQ(glyphs.size(), 4u);
  ASSERT_TRUE(bar);
  EXPECT_TRUE(GetWindowLongPtrW(bar, GWL_STYLE) & PBS_SMOOTH);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100);

  win_common::unique_mem_dc dc(CreateCompatibleDC(nullptr));
  const auto row_is = [&](std::size_t j, const char* glyph, COLORREF colour, LONG glyph_weight,
                          LONG text_weight) {
    SCOPED_TRACE(j);
    EXPECT_EQ(text_of(glyphs[j]), glyph);
    SendMessageW(boxes[j], WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                 reinterpret_cast<LPARAM>(glyphs[j]));
    EXPECT_EQ(GetTextColor(dc.get()), colour);
    EXPECT_EQ(weight_of(glyphs[j]), glyph_weight);
    EXPECT_EQ(weight_of(steps[j]), text_weight);
  };
  // Built with step 0 current.
  row_is(0, ">", 0x000000, 700, 700);
  row_is(1, " ", 0xA0A0A0, 400, 400);
  set_current_step(*dialog, 2);
  row_is(0, "\u221A", 0x178917, 700, 400);
  row_is(1, "\u221A", 0x178917, 700, 400);
  row_is(2, ">", 0x000000, 700, 700);
  row_is(3, " ", 0xA0A0A0, 400, 400);
  set_current_step(*dialog, 4);
  for (std::size_t j = 0; j < 4; ++j) row_is(j, "\u221A", 0x178917, 700, 400);
  set_current_step(*dialog, 1);
  row_is(1, ">", 0x000000, 700, 700);
  row_is(2, " ", 0xA0A0A0, 400, 400);
  row_is(3, " ", 0xA0A0A0, 400, 400);

  SendMessageW(hwnd, WM_CLOSE, 0, 0);  // also what Alt+F4 sends
  dispatch_pending_messages();
  EXPECT_TRUE(IsWindow(hwnd));

  const Pixels painted = on_screen(bar);
  EXPECT_EQ(painted.at(0, 0), 0x808080u);
  EXPECT_EQ(painted.at(419, 20), 0x808080u);
  EXPECT_EQ(painted.at(5, 10), 0xE0E0E0u);
  const RECT text = marks(painted, 0xE0E0E0);  // "0%" in black, centred
  int black = 0;
  for (int y = text.top; y <= text.bottom; ++y)
    for (int x = text.left; x <= text.right; ++x) black += painted.at(x, y) == 0;
  EXPECT_GT(black, 5);
  EXPECT_NEAR((text.left + text.right) / 2.0, 210, 3);
  EXPECT_NEAR((text.top + text.bottom) / 2.0, 11, 3);

  // The window paints white with a grey border under its title bar.
  const Pixels whole = on_screen(hwnd);
  EXPECT_EQ(whole.at(0, 100), 0xA0A0A0u);
  EXPECT_EQ(whole.at(5, 100), 0xFFFFFFu);
}

TEST(ProgressDialogWindow, SmallFormAndFiftyBuildsLeaveNothing) {
  for (auto steps :
       {std::optional<std::vector<std::string>>{}, std::optional(std::vector<std::string>{})}) {
    auto small = build_progress_dialog({"t", "n", "Arial", "Arial", steps});
    ASSERT_TRUE(small) << small.error();
    RECT client{};
    GetClientRect(small->hwnd(), &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 160);
    set_current_step(*small, 2);                       // nothing to show
    EXPECT_EQ(children_of(small->hwnd()).size(), 4u);  // title bar, name, status, bar
  }
  const DWORD gdi = test_support::gdi_objects();
  const DWORD user = test_support::user_objects();
  for (int i = 0; i < 50; ++i) {
    auto dialog = build_progress_dialog(four_steps());
    ASSERT_TRUE(dialog);
    set_current_step(*dialog, 2);
    dispatch_pending_messages();
  }
  EXPECT_EQ(test_support::gdi_objects(), gdi);
  EXPECT_EQ(test_support::user_objects(), user);
}

// Runs `act` with the dialog titled `title` once it is up, from a timer of
// the thread that the dialog's own loop dispatches.
std::function<void(HWND)> g_act;
std::wstring g_title;
void when_up(const std::string& title, std::function<void(HWND)> act) {
  g_title = win_common::to_wide(title);
  g_act = std::move(act);
  SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
    const HWND dialog = FindWindowW(kBorderlessClass, g_title.c_str());
    if (!dialog || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, id);
    g_act(dialog);
  });
}

void click(HWND button) {
  PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
  PostMessageW(button, WM_LBUTTONUP, 0, at(5, 5));
}

std::vector<Event> g_events;

TEST(MessageDialogWindow, LayoutOwnerButtonsCloseButtonAndFailures) {
  auto owner = build_titled_borderless({"owner", 200, 100, 30, 20, false, [] {}});
  ASSERT_TRUE(owner);
  ShowWindow(owner->hwnd(), SW_SHOW);
  SetActiveWindow(owner->hwnd());
  ASSERT_EQ(GetActiveWindow(), owner->hwnd());

  MessageDialogRequest request;
  request.icon = DialogIcon::Warning;
  request.title = "실패";
  request.body = "첫 줄\n둘째 줄";
  request.labels = {"OK"};
  request.roles = {ButtonRole::Primary};
  bool checked = false;
  when_up("실패", [&](HWND dialog) {
    checked = true;
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, 480);
    EXPECT_EQ(client.bottom, 174);
    EXPECT_FALSE(IsWindowEnabled(owner->hwnd()));
    const std::vector<HWND> children = children_of(dialog);
    ASSERT_EQ(children.size(), 4u);  // title bar, icon, body, button
    const RECT icon = rect_in_parent(children[1]);
    EXPECT_EQ(icon.left, 20);
    EXPECT_EQ(icon.top, 50);
    EXPECT_TRUE(SendMessageW(children[1], STM_GETIMAGE, IMAGE_ICON, 0));
    const RECT body = rect_in_parent(children[2]);
    EXPECT_EQ((std::vector<LONG>{body.left, body.top, body.right, body.bottom}),
              (std::vector<LONG>{66, 50, 394, 60}));
    EXPECT_EQ(text_of(children[2]), "첫 줄\r\n둘째 줄");
    const RECT button = rect_in_parent(children[3]);
    EXPECT_EQ((std::vector<LONG>{button.left, button.top, button.right, button.bottom}),
              (std::vector<LONG>{380, 130, 80, 28}));
    const HWND close = GetWindow(children[0], GW_CHILD);
    EXPECT_EQ(rect_in_parent(close).left, 449);
    click(children[3]);
  });
  EXPECT_EQ(run_message_dialog(request), 0u);
  EXPECT_TRUE(checked);
  EXPECT_TRUE(IsWindowEnabled(owner->hwnd()));
  EXPECT_FALSE(FindWindowW(kBorderlessClass, L"실패"));

  // The title bar's close button and WM_CLOSE end it without a result.
  when_up("실패", [](HWND dialog) { click(GetWindow(GetWindow(dialog, GW_CHILD), GW_CHILD)); });
  EXPECT_EQ(run_message_dialog(request), std::nullopt);
  when_up("실패", [](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); });
  EXPECT_EQ(show_message_dialog("실패", "body", "확인"), std::nullopt);

  // Two labels, one role: nothing is shown, a warning says why.
  set_event_receiver([](const Event& event) { g_events.push_back(event); });
  request.labels = {"Yes", "No"};
  EXPECT_EQ(run_message_dialog(request), std::nullopt);
  set_event_receiver(nullptr);
  ASSERT_EQ(g_events.size(), 1u);
  EXPECT_EQ(g_events[0].level, EventLevel::Warn);
  EXPECT_EQ(g_events[0].target, "nestui_kit::dialogs");
  EXPECT_EQ(g_events[0].message, "nestui dialogs build failed");
  ASSERT_EQ(g_events[0].fields.size(), 1u);
  EXPECT_EQ(g_events[0].fields[0].name, "error");
  EXPECT_EQ(g_events[0].fields[0].value, "button roles (1) != labels (2)");
  EXPECT_TRUE(IsWindowEnabled(owner->hwnd()));

  // Chips: no 60-pixel minimum; the row under the body; two buttons.
  request.roles = {ButtonRole::Secondary, ButtonRole::Primary};
  request.body = "one";
  request.chips = {{"red", 0xFF0000}, {"blue", 0x0000FF}};
  request.chip_separator = "/";
  when_up("실패", [](HWND dialog) {
    RECT client{};
    GetClientRect(dialog, &client);
    const std::vector<HWND> children = children_of(dialog);
    ASSERT_EQ(children.size(), 6u);
    const RECT body = rect_in_parent(children[2]);
    EXPECT_LT(body.bottom, 60);
    EXPECT_EQ(client.bottom, body.bottom + 148);
    const RECT chips = rect_in_parent(children[3]);
    EXPECT_EQ(GetDlgCtrlID(children[3]), 0x4F4C4350);
    EXPECT_EQ((std::vector<LONG>{chips.left, chips.top, chips.bottom}),
              (std::vector<LONG>{66, body.bottom + 58, 30}));
    const RECT no = rect_in_parent(children[5]);
    const RECT yes = rect_in_parent(children[4]);
    EXPECT_EQ(no.left + no.right, 460);
    EXPECT_EQ(yes.left + yes.right + 8, no.left);
    // The swatch of the first chip: red, framed.
    const Pixels row = on_screen(children[3]);
    EXPECT_EQ(row.at(7, 15), 0x0000FFu);
    EXPECT_EQ(row.at(0, 15), 0xD0DFE8u);
    click(children[5]);
  });
  EXPECT_EQ(run_message_dialog(request), 1u);

  // Fifty dialogs built, shown and closed leave nothing behind.
  const DWORD gdi = test_support::gdi_objects();
  const DWORD user = test_support::user_objects();
  for (int i = 0; i < 50; ++i) {
    when_up("실패", [](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); });
    run_message_dialog(request);
  }
  EXPECT_EQ(test_support::gdi_objects(), gdi);
  EXPECT_EQ(test_support::user_objects(), user);
}

// Runs `act` once, `ms` milliseconds from now, from a timer of the thread.
std::map<UINT_PTR, std::function<void()>> g_later;
void later(UINT ms, std::function<void()> act) {
  const UINT_PTR id = SetTimer(nullptr, 0, ms, [](HWND, UINT, UINT_PTR fired, DWORD) {
    KillTimer(nullptr, fired);
    const std::function<void()> due = std::move(g_later[fired]);
    g_later.erase(fired);
    due();
  });
  g_later[id] = std::move(act);
}

TEST(MessageDialogWindow, KeepTopmostPutsItBackOnTop) {
  const win_common::unique_window other(CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP, 0,
                                                        300, 100, 100, nullptr, nullptr, nullptr,
                                                        nullptr));
  ASSERT_TRUE(other);
  for (bool keep : {true, false}) {
    SCOPED_TRACE(keep);
    MessageDialogRequest request;
    request.title = "topmost";
    request.body = "body";
    request.labels = {"OK"};
    request.roles = {ButtonRole::Primary};
    request.keep_topmost = keep;
    std::optional<bool> on_top;
    when_up("topmost", [&](HWND dialog) {
      SetWindowPos(other.get(), HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
      EXPECT_TRUE(above(other.get(), dialog));
      later(700, [&on_top, dialog, &other] {
        on_top = above(dialog, other.get());
        PostMessageW(dialog, WM_CLOSE, 0, 0);
      });
    });
    EXPECT_EQ(run_message_dialog(request), std::nullopt);
    EXPECT_EQ(on_top, keep);
  }
}

}  // namespace
}  // namespace nestui_kit
