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

TEST(ImageButtonLogic, PressDragOutAndBackClicksOnlyWhenReleasedInside) {
  PressState s;
  // A move or release without a press goes on to other handlers.
  EXPECT_FALSE(press_step(s, PressEvent::MoveInside).handled);
  EXPECT_FALSE(press_step(s, PressEvent::Up).click);

  PressStep step = press_step(s, PressEvent::Down);
  EXPECT_EQ(step.show, Face::Pressed);
  step = press_step(step.state, PressEvent::MoveOutside);
  EXPECT_EQ(step.show, Face::Normal);
  EXPECT_EQ(press_step(step.state, PressEvent::MoveOutside).show, std::nullopt);  // no change
  step = press_step(step.state, PressEvent::MoveInside);
  EXPECT_EQ(step.show, Face::Pressed);
  step = press_step(step.state, PressEvent::MoveOutside);
  step = press_step(step.state, PressEvent::Up);
  EXPECT_TRUE(step.handled);
  EXPECT_FALSE(step.click);
  EXPECT_EQ(step.show, Face::Normal);
  EXPECT_FALSE(step.state.pressed);

  step = press_step(press_step(step.state, PressEvent::Down).state, PressEvent::Up);
  EXPECT_TRUE(step.click);
  // Losing the capture ends a press without a click and is passed on.
  step = press_step(press_step(PressState{}, PressEvent::Down).state, PressEvent::CaptureLost);
  EXPECT_FALSE(step.click || step.handled || step.state.pressed);
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

  const ProgressGeometry four = progress_geometry(4);
  EXPECT_EQ(four.width, 460);
  EXPECT_EQ(four.height, 257);
  EXPECT_EQ(four.name, (Rect{17, 49, 420, 19}));
  ASSERT_EQ(four.markers.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(four.markers[i], (Rect{22, 80 + 22 * i, 16, 20}));
    EXPECT_EQ(four.step_texts[i], (Rect{42, 80 + 22 * i, 378, 20}));
  }
  EXPECT_EQ(four.status, (Rect{19, 186, 420, 17}));
  EXPECT_EQ(four.bar, (Rect{19, 208, 420, 21}));

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

TEST(WindowLayout, RowLooksAndTheBar) {
  const char* glyphs_at_2[] = {"\u221A", "\u221A", ">", " "};
  for (std::size_t j = 0; j < 4; ++j) {
    const RowLook look = row_look(j, 2);
    EXPECT_EQ(look.glyph, glyphs_at_2[j]);
    EXPECT_EQ(look.text_emphasis, j == 2);
    EXPECT_EQ(look.glyph_emphasis, j <= 2);
    EXPECT_EQ(look.glyph_colour, j < 2 ? 0x178917u : j == 2 ? 0u : 0xA0A0A0u);
    EXPECT_EQ(row_look(j, 4).glyph, "\u221A");
  }
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
  // The updater's dialog: one short line keeps the 60-pixel body.
  DialogLayout one = message_dialog_layout(16, false, 1, button_width(24));
  EXPECT_EQ(one.height, 174);
  EXPECT_EQ(one.button_x, (std::vector<std::int32_t>{380}));
  EXPECT_EQ(one.buttons_y, 130);
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
