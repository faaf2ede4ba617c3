// Error texts from the system's own message tables.
#include <windows.h>

#include <gtest/gtest.h>

#include "win_common/error_text.h"
#include "win_common/utf.h"

namespace win_common {
namespace {

TEST(WindowsErrorText, AccessDeniedCarriesMessageAndHresult) {
  const std::string text = windows_error_text(ERROR_ACCESS_DENIED);
  ASSERT_TRUE(text.ends_with(" (0x80070005)")) << text;
  const std::string message = text.substr(0, text.size() - 13);
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(trim_trailing_space(message), message);
  EXPECT_EQ(message.find("0x"), std::string::npos) << text;
}

TEST(WindowsErrorText, LastErrorIsRead) {
  SetLastError(ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(last_windows_error_text().ends_with(" (0x80070057)"));
}

TEST(WindowsErrorText, UnknownCodeIsTheHresultAlone) {
  EXPECT_EQ(windows_error_text(0xA0001234u), "0xA0001234");
}

// The system's message of a Win32 error code, trailing line breaks cut.
std::string system_message_of(DWORD code) {
  wchar_t buffer[512];
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, buffer, 512, nullptr);
  return std::string(trim_trailing_space(from_wide(std::wstring_view(buffer, n))));
}

TEST(WindowsErrorText, CodeBeyondSixteenBitsAndNtFacilityWhole) {
  const std::string denied = system_message_of(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(denied.empty());
  // 0x20005 is access denied (5) as an HRESULT of the Win32 facility.
  EXPECT_EQ(windows_error_text(0x20005), denied + " (0x80070005)");
  // With the NT bit the text is that of the code without it, from ntdll's
  // table or else the system's (Wine's ntdll has no table: there it is the
  // system's text of 0x80070005).
  EXPECT_EQ(windows_error_text(0x90070005u), denied + " (0x90070005)");
}

TEST(SystemErrorText, MessageThenOsError) {
  const std::string text = system_error_text(ERROR_FILE_NOT_FOUND);
  ASSERT_TRUE(text.ends_with(" (os error 2)")) << text;
  EXPECT_GT(text.size(), std::string(" (os error 2)").size());
  EXPECT_EQ(text.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace win_common
