// Error texts from the system's own message tables.
#include <windows.h>

#include <gtest/gtest.h>

#include "win_common/error_text.h"

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

TEST(WindowsErrorText, NtStatusTextComesFromNtdll) {
  // STATUS_ACCESS_VIOLATION with the customer bit for NT codes.
  const std::string text = windows_error_text(0xD0000005u);
  EXPECT_TRUE(text.ends_with("0xD0000005")) << text;
}

TEST(SystemErrorText, MessageThenOsError) {
  const std::string text = system_error_text(ERROR_FILE_NOT_FOUND);
  ASSERT_TRUE(text.ends_with(" (os error 2)")) << text;
  EXPECT_GT(text.size(), std::string(" (os error 2)").size());
  EXPECT_EQ(text.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace win_common
