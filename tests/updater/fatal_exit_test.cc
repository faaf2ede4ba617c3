// How the updater ends on a fatal error of its own: a test build of the
// program (PARLEYNEST-Updater-fatal.exe) forces one before its entry
// point, named by PN_FATAL. Every kind ends the process at once with the
// fatal exit code, writes nothing on standard output or standard error and
// shows nothing that would wait for a user.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "exit_codes.h"
#include "win_test_support.h"

namespace updater {
namespace {

using test_support::beside_test;
using test_support::read_bytes;
using test_support::ScratchDir;

struct Ended {
  DWORD exit_code = STILL_ACTIVE;
  std::string output;  // standard output and standard error together
};

// Runs the test build with PN_FATAL set to `mode` (none when empty) and its
// standard output and error going to one file; ends it after 20 s.
Ended run_fatal(const std::wstring& mode, const std::wstring& args = L"") {
  // Wine starts its desktop process for the first window of a session, from
  // the program that asks for it: started by the test build, it would
  // inherit the output file and keep it open. It is asked for here first.
  ::GetDesktopWindow();
  const ScratchDir dir(L"fatal");
  const auto output_path = dir / L"output.txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE output = ::CreateFileW(output_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                      CREATE_ALWAYS, 0, nullptr);
  EXPECT_NE(output, INVALID_HANDLE_VALUE);
  ::SetEnvironmentVariableW(L"PN_FATAL", mode.empty() ? nullptr : mode.c_str());
  const auto program = beside_test(L"PARLEYNEST-Updater-fatal.exe");
  std::wstring line = L"\"" + program.wstring() + L"\" " + args;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION info{};
  const BOOL started = ::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &info);
  ::SetEnvironmentVariableW(L"PN_FATAL", nullptr);
  ::CloseHandle(output);
  Ended ended;
  EXPECT_TRUE(started) << "cannot start " << program.string();
  if (!started) return ended;
  if (::WaitForSingleObject(info.hProcess, 20000) == WAIT_OBJECT_0)
    ::GetExitCodeProcess(info.hProcess, &ended.exit_code);
  else
    ::TerminateProcess(info.hProcess, 9);
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  ended.output = read_bytes(output_path);
  return ended;
}

TEST(FatalExit, EveryFatalErrorEndsWithTheFatalCodeAndPrintsNothing) {
  // The helpers that libstdc++ calls on an error of its own, then real
  // exceptions that nobody catches: all end the same way.
  for (const wchar_t* mode : {L"vector-at", L"string-length", L"empty-function", L"uncaught-throw",
                              L"noexcept", L"bad-alloc", L"expected-value"}) {
    SCOPED_TRACE(testing::Message() << "PN_FATAL=" << std::string(mode, mode + wcslen(mode)));
    const Ended ended = run_fatal(mode);
    EXPECT_EQ(ended.exit_code, static_cast<DWORD>(kExitFatal));
    EXPECT_EQ(ended.output, "");
  }
}

TEST(FatalExit, WithoutAFatalErrorTheTestBuildRunsAsItShips) {
  // No installer or application: the program ends at once with 0.
  const Ended plain = run_fatal(L"");
  EXPECT_EQ(plain.exit_code, static_cast<DWORD>(kExitAlways));
  EXPECT_EQ(plain.output, "");
  // A name the hook does not know forces nothing either.
  EXPECT_EQ(run_fatal(L"unknown").exit_code, static_cast<DWORD>(kExitAlways));
}

}  // namespace
}  // namespace updater
