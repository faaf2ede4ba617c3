#include "options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace updater {
namespace {

// nullopt stands for a token that is not valid text: an unpaired surrogate.
UpdaterArgs scan(std::initializer_list<std::optional<std::string>> tokens) {
  std::vector<ArgToken> v;
  for (const auto& token : tokens) v.push_back(token ? ArgToken{*token} : arg_token(u"\xD800"));
  return parse_args(v);
}

TEST(ParsePid, AcceptsDigitsWithOptionalPlusUpToU32Max) {
  EXPECT_EQ(parse_pid("42"), 42u);
  EXPECT_EQ(parse_pid("+42"), 42u);
  EXPECT_EQ(parse_pid("0"), 0u);
  EXPECT_EQ(parse_pid("0007"), 7u);
  EXPECT_EQ(parse_pid("4294967295"), 4294967295u);
  EXPECT_EQ(parse_pid("00000000004294967295"), 4294967295u);
}

TEST(ParsePid, RejectsEverythingElse) {
  for (const char* bad : {"", "+", "-", "-42", "++42", "4294967296", "99999999999999999999999",
                          "12a", " 42", "42 ", "0x10", "--log", "４２"}) {
    EXPECT_EQ(parse_pid(bad), std::nullopt) << bad;
  }
}

TEST(ParseArgs, EmptyGivesDefaults) {
  const UpdaterArgs a = scan({});
  EXPECT_FALSE(a.pid);
  EXPECT_FALSE(a.log_path);
  EXPECT_EQ(a.locale, "ko");
  EXPECT_FALSE(a.app_exe);
  EXPECT_FALSE(a.installer);
  EXPECT_FALSE(a.thumbprint);
}

TEST(ParseArgs, ReadsEveryOption) {
  const UpdaterArgs a =
      scan({"--pid", "4321", "--installer", "C:\\t\\setup.exe", "--app-exe", "C:\\a\\app.exe",
            "--log", "C:\\l\\u.log", "--locale", "ja", "--thumbprint", "ab cd"});
  EXPECT_EQ(a.pid, 4321u);
  EXPECT_EQ(a.installer, "C:\\t\\setup.exe");
  EXPECT_EQ(a.app_exe, "C:\\a\\app.exe");
  EXPECT_EQ(a.log_path, "C:\\l\\u.log");
  EXPECT_EQ(a.locale, "ja");
  EXPECT_EQ(a.thumbprint, "ab cd");
}

TEST(ParseArgs, ValueIsTakenWhateverItLooksLike) {
  const UpdaterArgs a = scan({"--pid", "--log", "x.log"});
  EXPECT_FALSE(a.pid);       // "--log" is the pid's (invalid) value
  EXPECT_FALSE(a.log_path);  // and x.log is an unknown token
  EXPECT_EQ(scan({"--installer", "--app-exe"}).installer, "--app-exe");
}

TEST(ParseArgs, LastOccurrenceWins) {
  const UpdaterArgs a = scan({"--pid", "1", "--log", "a.log", "--pid", "2", "--log", "b.log"});
  EXPECT_EQ(a.pid, 2u);
  EXPECT_EQ(a.log_path, "b.log");
  EXPECT_FALSE(scan({"--pid", "1", "--pid", "x"}).pid);
}

TEST(ParseArgs, TrailingOptionClearsAllButLocale) {
  EXPECT_FALSE(scan({"--log", "a.log", "--log"}).log_path);
  EXPECT_FALSE(scan({"--installer", "s.exe", "--installer"}).installer);
  EXPECT_FALSE(scan({"--app-exe", "a.exe", "--app-exe"}).app_exe);
  EXPECT_FALSE(scan({"--thumbprint", "AB", "--thumbprint"}).thumbprint);
  EXPECT_FALSE(scan({"--pid", "7", "--pid"}).pid);
  EXPECT_EQ(scan({"--locale", "ja", "--locale"}).locale, "ja");
  EXPECT_EQ(scan({"--locale"}).locale, "ko");
}

TEST(ParseArgs, UnknownTokensAreSkippedOneByOne) {
  EXPECT_EQ(scan({"--foo", "--pid", "7"}).pid, 7u);
  EXPECT_EQ(scan({"--foo", "word", "--pid", "7"}).pid, 7u);
  EXPECT_FALSE(scan({"--pid=7"}).pid);
  EXPECT_FALSE(scan({"-pid", "7"}).pid);
  EXPECT_FALSE(scan({"--PID", "7"}).pid);
  // The value of an unknown option is read as a token of its own.
  EXPECT_EQ(scan({"--foo", "--log", "x.log"}).log_path, "x.log");
}

TEST(ParseArgs, EmptyValuesStayAsGiven) {
  const UpdaterArgs a = scan({"--pid", "", "--log", "", "--locale", ""});
  EXPECT_FALSE(a.pid);
  EXPECT_EQ(a.log_path, "");
  EXPECT_EQ(a.locale, "");
}

TEST(ParseArgs, TokensThatAreNotTextAreNeverOptionsButCountAsGivenPathsAndPins) {
  const ArgToken lone = arg_token(u"a\xDC00\xD800");
  EXPECT_EQ(lone.text, "a\uFFFD\uFFFD");
  EXPECT_FALSE(lone.valid);

  // An invalid token is unknown, never an option name...
  EXPECT_EQ(scan({std::nullopt, "--pid", "7"}).pid, 7u);
  // ...and as a value it leaves the pid, the log and the locale without one.
  const UpdaterArgs a = scan({"--log", "u.log", "--log", std::nullopt, "--locale", "ja", "--locale",
                              std::nullopt, "--pid", std::nullopt});
  EXPECT_FALSE(a.log_path);
  EXPECT_EQ(a.locale, "");
  EXPECT_FALSE(a.pid);

  // Paths and the pin still count as given; the paths are marked, the
  // last occurrence deciding.
  const UpdaterArgs b = scan({"--installer", "s.exe", "--installer", std::nullopt, "--app-exe",
                              std::nullopt, "--app-exe", "a.exe", "--thumbprint", std::nullopt});
  EXPECT_EQ(b.installer, "\uFFFD");
  EXPECT_TRUE(b.installer_unreadable);
  EXPECT_EQ(b.app_exe, "a.exe");
  EXPECT_FALSE(b.app_exe_unreadable);
  EXPECT_EQ(b.thumbprint, "\uFFFD");
}

}  // namespace
}  // namespace updater
