// The owners of GDI objects, device contexts, windows and window handlers.
#include <gtest/gtest.h>
#include <windows.h>

#include <expected>

#include "win_common/gdi_handles.h"
#include "win_common/tracked_window.h"
#include "win_common/window_subclass.h"
#include "win_common/window_timer.h"

namespace win_common {
namespace {

TEST(Owners, ReleaseKeepsTheLastErrorAndPutsBackWhatWasSelected) {
  unique_mem_dc dc(CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  const HGDIOBJ original_font = GetCurrentObject(dc.get(), OBJ_FONT);
  {
    unique_font font(CreateFontW(-12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial"));
    unique_bitmap bitmap(CreateCompatibleBitmap(dc.get(), 4, 4));
    scoped_select font_in(dc.get(), font.get());
    scoped_select bitmap_in(dc.get(), bitmap.get());
    EXPECT_TRUE(font_in && bitmap_in);
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), font.get());
    SetLastError(ERROR_ACCESS_DENIED);
  }  // deselected, then deleted: the thread's last error survives all of it
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), original_font);
  EXPECT_FALSE(scoped_select(dc.get(), nullptr));
}

TEST(Owners, SubclassAnswersMovesAndLeavesAGoneWindowAlone) {
  unique_window window(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                       nullptr, nullptr));
  ASSERT_TRUE(window);
  int seen = 0;
  std::expected<window_subclass, std::string> installed = window_subclass::install(
      window.get(), 0x11000001, [&seen](HWND, UINT message, WPARAM, LPARAM) {
        if (message != WM_APP) return std::optional<LRESULT>();
        ++seen;
        return std::optional<LRESULT>(42);
      });
  ASSERT_TRUE(installed);
  window_subclass handler = std::move(*installed);  // the state stays where it was
  EXPECT_EQ(SendMessageW(window.get(), WM_APP, 0, 0), 42);
  handler.reset();
  EXPECT_EQ(SendMessageW(window.get(), WM_APP, 0, 0), 0);
  EXPECT_EQ(seen, 1);

  handler =
      std::move(*window_subclass::install(window.get(), 0x11000002, [](HWND, UINT, WPARAM, LPARAM) {
        return std::optional<LRESULT>();
      }));
  EXPECT_EQ(handler.window(), window.get());
  window.reset();  // destroyed while the handler is attached
  EXPECT_EQ(handler.window(), nullptr);
  SetLastError(ERROR_INVALID_DATA);
  handler.reset();
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
}

HWND make_window(HWND parent = nullptr) {
  return CreateWindowExW(0, L"STATIC", L"", parent ? WS_CHILD : WS_POPUP, 0, 0, 10, 10, parent,
                         nullptr, nullptr, nullptr);
}

TEST(Owners, TrackedWindowLearnsOfItsDestructionAndTimersEndWithTheirOwner) {
  const HWND first = make_window();
  {
    tracked_window owner(first);
    const tracked_window moved = std::move(owner);
    EXPECT_EQ(moved.get(), first);
    EXPECT_EQ(owner.get(), nullptr);
  }
  EXPECT_FALSE(IsWindow(first));

  // Gone with its parent: the owner knows, and has nothing left to destroy.
  const HWND parent = make_window();
  tracked_window child(make_window(parent));
  ASSERT_TRUE(child);
  DestroyWindow(parent);
  EXPECT_EQ(child.get(), nullptr);
  SetLastError(ERROR_INVALID_DATA);
  child.reset();
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));

  const unique_window window(make_window());
  MSG message{};
  {
    const window_timer timer = window_timer::start(window.get(), 7, 10);
    EXPECT_TRUE(timer);
    Sleep(50);
    EXPECT_TRUE(PeekMessageW(&message, window.get(), WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
  }
  Sleep(50);
  EXPECT_FALSE(PeekMessageW(&message, window.get(), WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_FALSE(window_timer::start(first, 7, 10));  // no window, no timer
}

}  // namespace
}  // namespace win_common
