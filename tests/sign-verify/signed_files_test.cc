// The signature checks on really signed files. The build signs a tiny
// program with throwaway certificates (tests/fixtures) and compiles the
// folder's name in (PN_SIGN_FIXTURES_DIR).

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <expected>
#include <fstream>
#include <optional>
#include <string>

#include "roostbox/sign_verify.h"
#include "win_common/error_text.h"
#include "win_common/handles.h"
#include "win_common/signer_identity.h"
#include "win_common/utf.h"
#include "win_test_support.h"

namespace {

using roostbox::SignVerifyError;

// The folder the build signed the files into; PN_SIGN_FIXTURES, when set,
// names another.
std::string fixture_dir() {
  const char* dir = std::getenv("PN_SIGN_FIXTURES");
  return dir ? dir : PN_SIGN_FIXTURES_DIR;
}

std::string fixture(const std::string& name) { return fixture_dir() + "/" + name; }

// The first line of certs/NAME.EXT, as make-certs.sh wrote it.
std::string cert_fact(const std::string& name, const std::string& ext) {
  std::ifstream in(fixture("certs/" + name + "." + ext), std::ios::binary);
  std::string line;
  std::getline(in, line);
  return line;
}

class SignedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    nestworks_thumb_ = cert_fact("nestworks", "thumb");
    ASSERT_EQ(nestworks_thumb_.size(), 40u) << "no thumbprint in " << fixture("certs");
  }

  std::string nestworks_thumb_;
};

// A fixture held open for reading, as the updater holds its installer.
win_common::unique_file open_fixture(const std::string& name) {
  return win_common::unique_file(::CreateFileW(win_common::to_wide(fixture(name)).c_str(),
                                               GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The checks of the file `name`, read through its handle; `path_name` is
// the name the trust provider is told (the same file unless given).
std::expected<std::string, SignVerifyError> verify(const std::string& name,
                                                   std::string_view required,
                                                   const std::string& path_name = "") {
  const win_common::unique_file file = open_fixture(name);
  return roostbox::verify_signature(file.get(), fixture(path_name.empty() ? name : path_name),
                                    required);
}

std::expected<win_common::SignerIdentity, std::string> check(const std::string& name,
                                                             const std::optional<std::string>& pin,
                                                             const std::string& path_name = "") {
  const win_common::unique_file file = open_fixture(name);
  return win_common::check_installer_signature(file.get(),
                                               fixture(path_name.empty() ? name : path_name), pin);
}

// The error text of a check, or a marker when it passed.
std::string failure(const std::expected<win_common::SignerIdentity, std::string>& result) {
  return result ? "(passed: " + result->subject + ")" : result.error();
}

std::string mismatch_text(const std::string& subject) {
  return "서명 주체에 'NESTWORKS' 미포함 (실제: " + subject + ")";
}

TEST_F(SignedFiles, TrustedNestworksSignerPasses) {
  const std::string subject = cert_fact("nestworks", "subject");
  ASSERT_EQ(subject, "KR, NESTWORKS Test, PARLEYNEST Test Signing");

  EXPECT_EQ(verify("signed-by-nestworks.exe", "NESTWORKS").value_or("(failed)"), subject);
  EXPECT_TRUE(verify("signed-by-nestworks.exe", "PARLEYNEST Test"));
  EXPECT_TRUE(verify("signed-by-nestworks.exe", ""));

  const auto identity = check("signed-by-nestworks.exe", std::nullopt);
  ASSERT_TRUE(identity) << identity.error();
  EXPECT_EQ(identity->subject, subject);
  EXPECT_EQ(identity->thumbprint, nestworks_thumb_);
}

TEST_F(SignedFiles, NonAsciiSubjectAndPath) {
  const auto korean = check("signed-by-korean.exe", std::nullopt);
  ASSERT_TRUE(korean) << korean.error();
  // How the values are laid out is Windows's choice (Wine quotes this one).
  EXPECT_NE(korean->subject.find("파랑둥지 테스트 서명"), std::string::npos) << korean->subject;
  EXPECT_EQ(korean->thumbprint, cert_fact("korean", "thumb"));

  const auto renamed = check("설치-파랑둥지.exe", nestworks_thumb_);
  ASSERT_TRUE(renamed) << renamed.error();
  EXPECT_EQ(renamed->thumbprint, nestworks_thumb_);
}

TEST_F(SignedFiles, UntrustedFilesFailTheTrustCheck) {
  const auto unsigned_file = verify("unsigned.exe", "");
  ASSERT_FALSE(unsigned_file);
  EXPECT_EQ(
      unsigned_file.error(),
      (SignVerifyError{SignVerifyError::TrustFailed{static_cast<std::int32_t>(0x800B0100u)}}));
  EXPECT_EQ(failure(check("unsigned.exe", std::nullopt)),
            "Authenticode 검증 실패 (코드=0x800B0100)");

  EXPECT_EQ(failure(check("tampered.exe", nestworks_thumb_)),
            "Authenticode 검증 실패 (코드=0x80096010)");

  // No open file: refused, never looked up by its path instead.
  const auto missing = verify("no-such-file.exe", "", "signed-by-nestworks.exe");
  ASSERT_FALSE(missing);
  const auto* trust = std::get_if<SignVerifyError::TrustFailed>(&missing.error().kind);
  ASSERT_NE(trust, nullptr);
  EXPECT_NE(trust->status, 0);
  EXPECT_EQ(failure(check("no-such-file.exe", std::nullopt, "signed-by-nestworks.exe")),
            roostbox::display_text(missing.error()));
}

// The signature is judged by the Windows trust provider: the certificate
// must chain to a trusted root, be valid now, be meant for code signing and
// be issued by a CA. Each file breaks one of these rules alone (its signer
// is NESTWORKS's), and is refused with that rule's code.
TEST_F(SignedFiles, ChainPolicyRefusesEachBrokenRuleWithItsCode) {
  PN_SKIP_UNDER_WINE(
      "Wine's trust provider accepts untrusted roots, expired certificates, "
      "wrong usages and issuers that are not CAs");
  for (const auto& [name, code] : {std::pair{"signed-untrusted-root.exe", "0x800B0109"},
                                   {"signed-expired.exe", "0x800B0101"},
                                   {"signed-wrong-usage.exe", "0x800B0110"},
                                   {"signed-under-non-ca.exe", "0x80096019"}}) {
    EXPECT_EQ(failure(check(name, std::nullopt)),
              std::string("Authenticode 검증 실패 (코드=") + code + ")")
        << name;
  }
}

TEST_F(SignedFiles, WhatIsCheckedIsTheOpenFileNeverThePath) {
  // The provider is told the name of another file: the trust verdict, the
  // signer and its thumbprint are still those of the open file.
  const auto genuine = check("signed-by-nestworks.exe", nestworks_thumb_, "signed-by-other.exe");
  ASSERT_TRUE(genuine) << genuine.error();
  EXPECT_EQ(genuine->subject, cert_fact("nestworks", "subject"));
  EXPECT_EQ(genuine->thumbprint, nestworks_thumb_);
  EXPECT_EQ(failure(check("unsigned.exe", std::nullopt, "signed-by-nestworks.exe")),
            "Authenticode 검증 실패 (코드=0x800B0100)");
  EXPECT_EQ(failure(check("signed-by-other.exe", std::nullopt, "signed-by-nestworks.exe")),
            mismatch_text(cert_fact("other", "subject")));
}

TEST_F(SignedFiles, SubjectWithoutNestworksFailsEvenWithMatchingPin) {
  const std::string lower_subject = cert_fact("lowercase", "subject");
  ASSERT_EQ(lower_subject, "KR, nestworks test, parleynest test signing");
  const std::string lower = "signed-by-lowercase.exe";

  const auto result = verify(lower, "NESTWORKS");
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(),
            (SignVerifyError{SignVerifyError::SubjectMismatch{"NESTWORKS", lower_subject}}));
  EXPECT_TRUE(verify(lower, "nestworks"));
  EXPECT_TRUE(verify(lower, ""));

  EXPECT_EQ(failure(check(lower, std::nullopt)), mismatch_text(lower_subject));
  EXPECT_EQ(failure(check(lower, cert_fact("lowercase", "thumb"))), mismatch_text(lower_subject));

  const std::string other = "signed-by-other.exe";
  EXPECT_EQ(failure(check(other, cert_fact("other", "thumb"))),
            mismatch_text(cert_fact("other", "subject")));
  EXPECT_TRUE(verify(other, ""));
}

TEST_F(SignedFiles, PinnedThumbprints) {
  const auto check_pin = [&](const std::string& pin) {
    return check("signed-by-nestworks.exe", pin);
  };
  std::string lower = nestworks_thumb_;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

  for (const std::string& pin : {nestworks_thumb_, lower, " \t" + lower + "\r\n",
                                 "\u3000" + nestworks_thumb_ + "\u00A0\n", std::string(" \t\n")}) {
    const auto result = check_pin(pin);
    ASSERT_TRUE(result) << "pin [" << pin << "]: " << result.error();
    EXPECT_EQ(result->thumbprint, nestworks_thumb_);
  }

  std::string with_colons;
  for (std::size_t i = 0; i < lower.size(); i += 2) {
    if (i) with_colons += ':';
    with_colons += lower.substr(i, 2);
  }
  std::string upper_with_colons = with_colons;
  for (char& c : upper_with_colons)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(failure(check_pin(with_colons)), "서명 지문이 다름(기대 " + upper_with_colons +
                                                 " \xC2\xB7 실제 " + nestworks_thumb_ + ")");

  const std::string short_pin = nestworks_thumb_.substr(1);
  EXPECT_EQ(failure(check_pin(short_pin)),
            "서명 지문이 다름(기대 " + short_pin + " \xC2\xB7 실제 " + nestworks_thumb_ + ")");

  const std::string other_thumb = cert_fact("other", "thumb");
  EXPECT_EQ(failure(check_pin(other_thumb)),
            "서명 지문이 다름(기대 " + other_thumb + " \xC2\xB7 실제 " + nestworks_thumb_ + ")");
}

}  // namespace
