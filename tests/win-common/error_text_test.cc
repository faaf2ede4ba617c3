#include "win_common/error_text.h"

#include <gtest/gtest.h>

namespace win_common {
namespace {

TEST(ErrorText, HresultFromLastErrorCode) {
  EXPECT_EQ(hresult_from_code(0), 0u);
  EXPECT_EQ(hresult_from_code(5), 0x80070005u);
  EXPECT_EQ(hresult_from_code(87), 0x80070057u);
  EXPECT_EQ(hresult_from_code(0x12345), 0x80072345u);      // low 16 bits only
  EXPECT_EQ(hresult_from_code(0xA0005), 0x80070005u);      // bits beyond the facility's too
  EXPECT_EQ(hresult_from_code(0x800B0100u), 0x800B0100u);  // already an HRESULT
  EXPECT_EQ(hresult_from_code(0xC0000005u), 0xC0000005u);
}

TEST(ErrorText, HexIsEightUpperCaseDigits) {
  EXPECT_EQ(hex8(0), "00000000");
  EXPECT_EQ(hex8(0x5), "00000005");
  EXPECT_EQ(hex8(0x800b0100u), "800B0100");
  EXPECT_EQ(hex8(0xFFFFFFFFu), "FFFFFFFF");
}

TEST(ErrorText, ComposedWithOrWithoutMessage) {
  EXPECT_EQ(compose_windows_error_text("Access is denied.\r\n", 0x80070005u),
            "Access is denied. (0x80070005)");
  EXPECT_EQ(compose_windows_error_text("x \t\n\v\f\r ", 1), "x (0x00000001)");
  EXPECT_EQ(compose_windows_error_text(std::nullopt, 0x80096010u), "0x80096010");
  EXPECT_EQ(compose_system_error_text("The system cannot find the file specified.\r\n", 2),
            "The system cannot find the file specified. (os error 2)");
  EXPECT_EQ(trim_trailing_space(" lead stays "), " lead stays");
  EXPECT_EQ(trim_trailing_space("\r\n"), "");
}

}  // namespace
}  // namespace win_common
