// What the kit decides without a window: faces, the press of a button, and
// where everything of the windows goes.
#include <gtest/gtest.h>

#include "nestui_kit/borderless.h"
#include "nestui_kit/dialogs.h"
#include "nestui_kit/image_button.h"
#include "nestui_kit/progress_dialog.h"

namespace nestui_kit {
namespace {

TEST(ImageButtonLogic, FaceChoiceFallsBackWhenAFaceIsMissing) {
  constexpr std::array<bool, kFaceCount> all{true, true, true, true, true, true, true};
  // Normal and pressed only, as a picture button without its tints.
  constexpr std::array<bool, kFaceCount> bare{true, true, false, false, false, false, false};
  std::array<bool, kFaceCount> no_disabled_inactive = all;
  no_disabled_inactive[static_cast<std::size_t>(Face::DisabledInactive)] = false;
  std::array<bool, kFaceCount> only_normal_inactive = bare;
  only_normal_inactive[static_cast<std::size_t>(Face::NormalInactive)] = true;

  struct Row {
    bool enabled, hover, active;
    const std::array<bool, kFaceCount>& present;
    Face expected;
  };
  const Row rows[] = {
      {true, false, true, all, Face::Normal},
      {true, false, false, all, Face::NormalInactive},
      {true, true, true, all, Face::Hover},
      {true, true, false, all, Face::HoverInactive},
      {true, true, false, only_normal_inactive, Face::NormalInactive},
      {false, true, true, all, Face::Disabled},
      {false, false, false, all, Face::DisabledInactive},
      {false, false, false, no_disabled_inactive, Face::Disabled},
      {false, false, false, only_normal_inactive, Face::NormalInactive},
      {false, true, true, bare, Face::Normal},
      {true, true, false, bare, Face::Normal},
  };
  for (const Row& r : rows)
    EXPECT_EQ(choose_face(r.enabled, r.hover, r.active, r.present), r.expected)
        << r.enabled << r.hover << r.active;
}

TEST(ImageButtonLogic, FaceColoursGreyWhileInactive) {
  EXPECT_EQ(face_colors(ButtonRole::Primary, Face::Pressed).fill, 0x2E3D6Au);
  EXPECT_EQ(face_colors(ButtonRole::Primary, Face::NormalInactive).fill, 0x474747u);
  EXPECT_EQ(face_colors(ButtonRole::Accent, Face::Hover).fill, 0x247FB9u);
  EXPECT_EQ(face_colors(role_from_index(7), Face::Normal).border, 0x212B4Cu);  // Secondary
  EXPECT_EQ(face_colors(role_from_index(7), Face::DisabledInactive).fill, 0xFFFFFFu);
}

// Pressing, dragging and releasing are driven with real mouse messages on a
// built button; here only what those cannot tell apart.
TEST(ImageButtonLogic, PressWithoutADownAndLosingTheCapture) {
  // A move or release without a press goes on to other handlers.
  EXPECT_FALSE(press_step({}, PressEvent::MoveInside).handled);
  EXPECT_FALSE(press_step({}, PressEvent::Up).click);
  // Moving on outside shows nothing new.
  const PressState outside =
      press_step(press_step({}, PressEvent::Down).state, PressEvent::MoveOutside).state;
  EXPECT_EQ(press_step(outside, PressEvent::MoveOutside).show, std::nullopt);
  // Losing the capture ends a press without a click and is passed on.
  const PressStep lost =
      press_step(press_step({}, PressEvent::Down).state, PressEvent::CaptureLost);
  EXPECT_FALSE(lost.click || lost.handled || lost.state.pressed);
  EXPECT_EQ(lost.show, Face::Normal);
}

TEST(ImageButtonLogic, RequestRules) {
  EXPECT_EQ(text_button_refusal(TextAlign::None, ShiftKind::Image),
            "ImageButton: 글자 단추는 text 필수 (글자 없는 단추는 build_picture_button)");
  EXPECT_EQ(text_button_refusal(TextAlign::Left, ShiftKind::Image),
            "ImageButton: text + ImageShift 조합은 지원하지 않음 (TextShift 사용)");
  EXPECT_EQ(text_button_refusal(TextAlign::Centre, ShiftKind::Text), std::nullopt);
  EXPECT_EQ(picture_button_refusal(ShiftKind::Text),
            "PictureButton: 글자 없는 단추에 TextShift 는 의미 없음");
  EXPECT_EQ(picture_button_refusal(ShiftKind::Image), std::nullopt);
}

TEST(WindowLayout, PlacementAndProgressGeometry) {
  // Centred in a work area that need not start at 0; pinned when larger.
  EXPECT_EQ(centred_origin({0, 0, 1280, 800}, 460, 257).x, 410);
  EXPECT_EQ(centred_origin({0, 0, 1280, 800}, 460, 257).y, 271);
  EXPECT_EQ(centred_origin(between(1280, 40, 2560, 1000), 481, 174).x, 1679);
  const Point pinned = centred_origin(between(-1024, 100, 0, 700), 1500, 900);
  EXPECT_EQ(pinned.x, -1024);
  EXPECT_EQ(pinned.y, 100);

  // Four rows: the progress dialog's own test reads them off the built window.
  for (int rows : {0, -3}) {
    const ProgressGeometry small = progress_geometry(rows);
    EXPECT_EQ(small.width, 300);
    EXPECT_EQ(small.height, 160);
    EXPECT_TRUE(small.markers.empty());
    EXPECT_EQ(small.name, (Rect{17, 49, 260, 19}));
    EXPECT_EQ(small.status, (Rect{19, 89, 260, 17}));
    EXPECT_EQ(small.bar, (Rect{19, 109, 260, 21}));
  }
}

TEST(WindowLayout, TheBar) {
  // The looks of the step rows are read off the built progress dialog.
  // width, position, low, high -> filled
  const int bars[][5] = {{418, 0, 0, 100, 0},
                         {418, 50, 0, 100, 209},
                         {418, 150, 0, 100, 418},
                         {418, -5, 0, 100, 0},
                         {100, 3, 2, 3, 100},
                         {100, 7, 7, 7, 0},
                         {0x7FFFFFFF, 99, 0, 100, 2126008810}};
  for (const auto& b : bars) EXPECT_EQ(filled_width(b[0], b[1], b[2], b[3]), b[4]) << b[1];
  EXPECT_EQ(percent_text(0), "0%");
}

TEST(WindowLayout, MessageDialog) {
  // The updater's one-button dialog is measured on the built window.
  EXPECT_EQ(button_width(24), 80);
  EXPECT_EQ(button_width(25), 81);
  // With chips the minimum does not apply.
  DialogLayout chips = message_dialog_layout(16, true, 2, 80);
  EXPECT_EQ(chips.height, 164);
  EXPECT_EQ(chips.chips_y, 74);
  EXPECT_EQ(chips.buttons_y, 120);
  EXPECT_EQ(chips.button_x, (std::vector<std::int32_t>{292, 380}));  // 8 apart, right edge 460
  EXPECT_EQ(message_dialog_layout(90, false, 0, 80).height, 204);

  EXPECT_EQ(roles_refusal(1, 2), "button roles (1) != labels (2)");
  EXPECT_EQ(roles_refusal(2, 2), std::nullopt);
  EXPECT_EQ(estimated_text_width("OK 확인"), 3 * 7 + 2 * 14);
  EXPECT_EQ(estimated_text_height(""), 18);
  EXPECT_EQ(estimated_text_height("a\nb\n"), 54);
  EXPECT_EQ(chip_colour(0x123456), 0x563412u);
}

}  // namespace
}  // namespace nestui_kit
