// The signature checks on really signed files. The build signs a tiny
// program with throwaway certificates (tests/fixtures) and names the folder
// in PN_SIGN_FIXTURES.

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
#include "win_common/signer_identity.h"

namespace {

using roostbox::SignVerifyError;

std::string fixture_dir() {
  const char* dir = std::getenv("PN_SIGN_FIXTURES");
  return dir ? dir : "";
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
    ASSERT_FALSE(fixture_dir().empty()) << "PN_SIGN_FIXTURES is not set";
    nestworks_thumb_ = cert_fact("nestworks", "thumb");
    ASSERT_EQ(nestworks_thumb_.size(), 40u) << "no thumbprint in " << fixture("certs");
  }

  std::string nestworks_thumb_;
};

// The error text of a check, or a marker when it passed.
std::string failure(const std::expected<win_common::SignerIdentity, std::string>& result) {
  return result ? "(passed: " + result->subject + ")" : result.error();
}

std::string mismatch_text(const std::string& subject) {
  return "서명 주체에 'NESTWORKS' 미포함 (실제: " + subject + ")";
}

TEST_F(SignedFiles, TrustedNestworksSignerPasses) {
  const std::string path = fixture("signed-by-nestworks.exe");
  const std::string subject = cert_fact("nestworks", "subject");
  ASSERT_EQ(subject, "KR, NESTWORKS Test, PARLEYNEST Test Signing");

  EXPECT_TRUE(roostbox::verify_signature(path, "NESTWORKS"));
  EXPECT_TRUE(roostbox::verify_signature(path, "PARLEYNEST Test"));
  EXPECT_TRUE(roostbox::verify_signature(path, ""));
  EXPECT_EQ(roostbox::read_signer_subject(path).value_or("(failed)"), subject);

  const auto identity = win_common::check_installer_signature(path, std::nullopt);
  ASSERT_TRUE(identity) << identity.error();
  EXPECT_EQ(identity->subject, subject);
  EXPECT_EQ(identity->thumbprint, nestworks_thumb_);
}

TEST_F(SignedFiles, NonAsciiSubjectAndPath) {
  const auto korean =
      win_common::check_installer_signature(fixture("signed-by-korean.exe"), std::nullopt);
  ASSERT_TRUE(korean) << korean.error();
  // How the values are laid out is Windows's choice (Wine quotes this one).
  EXPECT_NE(korean->subject.find("파랑둥지 테스트 서명"), std::string::npos) << korean->subject;
  EXPECT_EQ(korean->thumbprint, cert_fact("korean", "thumb"));

  const auto renamed =
      win_common::check_installer_signature(fixture("설치-파랑둥지.exe"), nestworks_thumb_);
  ASSERT_TRUE(renamed) << renamed.error();
  EXPECT_EQ(renamed->thumbprint, nestworks_thumb_);
}

TEST_F(SignedFiles, UntrustedFilesFailTheTrustCheck) {
  const auto unsigned_file = roostbox::verify_signature(fixture("unsigned.exe"), "");
  ASSERT_FALSE(unsigned_file);
  EXPECT_EQ(unsigned_file.error(),
            (SignVerifyError{SignVerifyError::TrustFailed{static_cast<std::int32_t>(0x800B0100u)}}));
  EXPECT_EQ(failure(win_common::check_installer_signature(fixture("unsigned.exe"), std::nullopt)),
            "Authenticode 검증 실패 (코드=0x800B0100)");

  EXPECT_EQ(
      failure(win_common::check_installer_signature(fixture("tampered.exe"), nestworks_thumb_)),
      "Authenticode 검증 실패 (코드=0x80096010)");

  const auto missing = roostbox::verify_signature(fixture("no-such-file.exe"), "");
  ASSERT_FALSE(missing);
  const auto* trust = std::get_if<SignVerifyError::TrustFailed>(&missing.error().kind);
  ASSERT_NE(trust, nullptr);
  EXPECT_NE(trust->status, 0);
  EXPECT_EQ(failure(win_common::check_installer_signature(fixture("no-such-file.exe"), std::nullopt)),
            roostbox::display_text(missing.error()));
}

TEST_F(SignedFiles, SignerLookupWithoutEmbeddedSignature) {
  // The trust check runs first in verify_signature; read directly, a file
  // without a signature fails at opening it.
  const auto subject = roostbox::read_signer_subject(fixture("unsigned.exe"));
  ASSERT_FALSE(subject);
  const auto* lookup = std::get_if<SignVerifyError::SignerLookup>(&subject.error().kind);
  ASSERT_NE(lookup, nullptr);
  // CRYPT_E_NO_MATCH: no embedded PKCS #7 signature.
  EXPECT_EQ(lookup->detail, "CryptQueryObject: " + win_common::windows_error_text(0x80092009u));
  EXPECT_EQ(roostbox::display_text(subject.error()), "서명자 조회 실패: " + lookup->detail);
}

TEST_F(SignedFiles, SubjectWithoutNestworksFailsEvenWithMatchingPin) {
  const std::string lower_subject = cert_fact("lowercase", "subject");
  ASSERT_EQ(lower_subject, "KR, nestworks test, parleynest test signing");
  const std::string lower = fixture("signed-by-lowercase.exe");

  const auto result = roostbox::verify_signature(lower, "NESTWORKS");
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), (SignVerifyError{SignVerifyError::SubjectMismatch{
                                "NESTWORKS", lower_subject}}));
  EXPECT_TRUE(roostbox::verify_signature(lower, "nestworks"));
  EXPECT_TRUE(roostbox::verify_signature(lower, ""));

  EXPECT_EQ(failure(win_common::check_installer_signature(lower, std::nullopt)),
            mismatch_text(lower_subject));
  EXPECT_EQ(failure(win_common::check_installer_signature(lower, cert_fact("lowercase", "thumb"))),
            mismatch_text(lower_subject));

  const std::string other = fixture("signed-by-other.exe");
  EXPECT_EQ(failure(win_common::check_installer_signature(other, cert_fact("other", "thumb"))),
            mismatch_text(cert_fact("other", "subject")));
  EXPECT_TRUE(roostbox::verify_signature(other, ""));
}

TEST_F(SignedFiles, PinnedThumbprints) {
  const std::string path = fixture("signed-by-nestworks.exe");
  const auto check = [&](const std::string& pin) {
    return win_common::check_installer_signature(path, pin);
  };
  std::string lower = nestworks_thumb_;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

  for (const std::string& pin : {nestworks_thumb_, lower, " \t" + lower + "\r\n",
                                 "\u3000" + nestworks_thumb_ + "\u00A0\n", std::string(" \t\n")}) {
    const auto result = check(pin);
    ASSERT_TRUE(result) << "pin [" << pin << "]: " << result.error();
    EXPECT_EQ(result->thumbprint, nestworks_thumb_);
  }

  std::string with_colons;
  for (std::size_t i = 0; i < lower.size(); i += 2) {
    if (i) with_colons += ':';
    with_colons += lower.substr(i, 2);
  }
  std::string upper_with_colons = with_colons;
  for (char& c : upper_with_colons) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(failure(check(with_colons)), "서명 지문이 다름(기대 " + upper_with_colons +
                                            " \xC2\xB7 실제 " + nestworks_thumb_ + ")");

  const std::string short_pin = nestworks_thumb_.substr(1);
  EXPECT_EQ(failure(check(short_pin)),
            "서명 지문이 다름(기대 " + short_pin + " \xC2\xB7 실제 " + nestworks_thumb_ + ")");

  const std::string other_thumb = cert_fact("other", "thumb");
  EXPECT_EQ(failure(check(other_thumb)),
            "서명 지문이 다름(기대 " + other_thumb + " \xC2\xB7 실제 " + nestworks_thumb_ + ")");
}

}  // namespace
