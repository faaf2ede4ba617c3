// The texts of the signature checks and the rules of the thumbprint pin.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "roostbox/sign_verify.h"
#include "win_common/signer_identity.h"

namespace {

using roostbox::SignVerifyError;

std::string trust_text(std::uint32_t status) {
  return roostbox::display_text(
      SignVerifyError{SignVerifyError::TrustFailed{static_cast<std::int32_t>(status)}});
}

TEST(SignVerifyDisplayText, TrustStatusIsEightUpperCaseDigits) {
  EXPECT_EQ(trust_text(0x800B0101u), "Authenticode 검증 실패 (코드=0x800B0101)");
  EXPECT_EQ(trust_text(5), "Authenticode 검증 실패 (코드=0x00000005)");
  EXPECT_EQ(trust_text(0xFFFFFFFFu), "Authenticode 검증 실패 (코드=0xFFFFFFFF)");
  EXPECT_EQ(roostbox::display_text(SignVerifyError{SignVerifyError::TrustFailed{-2}}),
            "Authenticode 검증 실패 (코드=0xFFFFFFFE)");
}

TEST(SignVerifyDisplayText, MismatchAndLookupTexts) {
  EXPECT_EQ(roostbox::display_text(SignVerifyError{
                SignVerifyError::SubjectMismatch{"NESTWORKS", "KR, nestworks test, parleynest"}}),
            "서명 주체에 'NESTWORKS' 미포함 (실제: KR, nestworks test, parleynest)");
  EXPECT_EQ(roostbox::display_text(SignVerifyError{
                SignVerifyError::SignerLookup{"CertFindCertificateInStore: cert 못 찾음"}}),
            "서명자 조회 실패: CertFindCertificateInStore: cert 못 찾음");
}

TEST(SignVerifySubject, RequiredTextMustOccurWithTheSameBytes) {
  EXPECT_TRUE(roostbox::check_subject("KR, NESTWORKS Test, Signing", "NESTWORKS"));
  EXPECT_TRUE(roostbox::check_subject("NESTWORKS", "NESTWORKS"));
  EXPECT_TRUE(roostbox::check_subject("xNESTWORKSx", "NESTWORKS"));
  EXPECT_TRUE(roostbox::check_subject("anything", ""));
  EXPECT_TRUE(roostbox::check_subject("", ""));

  const auto lower = roostbox::check_subject("KR, nestworks test", "NESTWORKS");
  ASSERT_FALSE(lower);
  EXPECT_EQ(lower.error(),
            (SignVerifyError{SignVerifyError::SubjectMismatch{"NESTWORKS", "KR, nestworks test"}}));
  // Nothing is trimmed, neither text nor subject.
  EXPECT_FALSE(roostbox::check_subject("NESTWORK S", "NESTWORKS"));
  EXPECT_FALSE(roostbox::check_subject("NESTWORKS", " NESTWORKS"));
  EXPECT_FALSE(roostbox::check_subject("", "NESTWORKS"));
}

TEST(Thumbprint, EveryByteGivesTwoUpperCaseDigits) {
  std::array<std::uint8_t, 20> hash{};
  hash[0] = 0x0A;
  hash[1] = 0xBC;
  hash[18] = 0x01;
  hash[19] = 0xFF;
  EXPECT_EQ(win_common::thumbprint_text(hash), "0ABC" + std::string(32, '0') + "01FF");

  for (std::size_t i = 0; i < hash.size(); ++i) hash[i] = static_cast<std::uint8_t>(i * 13);
  EXPECT_EQ(win_common::thumbprint_text(hash), "000D1A2734414E5B6875828F9CA9B6C3D0DDEAF7");
}

TEST(ThumbprintPin, NormalisationTrimsWhiteSpaceAndUpperCases) {
  using win_common::normalize_pin;
  EXPECT_EQ(normalize_pin("ab12cdef"), "AB12CDEF");
  EXPECT_EQ(normalize_pin(" \t\r\n\v\fab12\r\n"), "AB12");
  // U+00A0, U+3000, U+0085, U+2028, U+1680, U+200A, U+202F, U+205F.
  EXPECT_EQ(normalize_pin("\u00A0\u3000\u0085ab\u2028\u1680\u200A\u202F\u205F"), "AB");
  // Inner separators are kept: such a pin never matches.
  EXPECT_EQ(normalize_pin(" ab:cd ef "), "AB:CD EF");
  // U+200B is not White_Space and stays.
  EXPECT_EQ(normalize_pin("\u200Bab"), "\u200BAB");
  // Bytes that are not UTF-8 are kept as they are, even an overlong form
  // of U+0020.
  EXPECT_EQ(normalize_pin("ab\xC2"), "AB\xC2");
  EXPECT_EQ(normalize_pin("\xC0\xA0"
                          "ab"),
            "\xC0\xA0"
            "AB");
  EXPECT_EQ(normalize_pin(""), "");
  EXPECT_EQ(normalize_pin(" \t\n\u3000\u00A0 "), "");
}

TEST(ThumbprintPin, NonAsciiLetters) {
  // Letters beyond ASCII only by the table that is given...
  EXPECT_EQ(win_common::normalize_pin("\uFF41\uFF42 \u00E9"), "\uFF41\uFF42 \u00E9");
#ifdef _WIN32
  // ...which on Windows is the invariant locale's.
  EXPECT_EQ(win_common::normalize_pin("\uFF41\uFF42 \u00E9", win_common::upper_case_invariant),
            "\uFF21\uFF22 \u00C9");
#endif
  // A pin that was not valid UTF-16 keeps its U+FFFD and never matches.
  const std::string thumb(40, 'A');
  EXPECT_FALSE(win_common::check_thumbprint_pin(thumb + "\uFFFD", thumb));
  EXPECT_FALSE(win_common::check_thumbprint_pin(std::string("\uFFFD"), thumb));
}

TEST(ThumbprintPin, Comparison) {
  const std::string thumb = "0A1B2C3D4E5F60718293A4B5C6D7E8F901234567";
  using win_common::check_thumbprint_pin;
  EXPECT_TRUE(check_thumbprint_pin(std::nullopt, thumb));
  EXPECT_TRUE(check_thumbprint_pin(std::string(" \r\n\t"), thumb));
  EXPECT_TRUE(check_thumbprint_pin(thumb, thumb));
  EXPECT_TRUE(check_thumbprint_pin("\u3000 0a1b2c3d4e5f60718293a4b5c6d7e8f901234567\r\n", thumb));

  const auto short_pin = check_thumbprint_pin(thumb.substr(0, 39), thumb);
  ASSERT_FALSE(short_pin);
  EXPECT_EQ(short_pin.error(),
            "서명 지문이 다름(기대 " + thumb.substr(0, 39) + " \xC2\xB7 실제 " + thumb + ")");

  const auto colons = check_thumbprint_pin(" 0a:1b:2c ", thumb);
  ASSERT_FALSE(colons);
  EXPECT_EQ(colons.error(), "서명 지문이 다름(기대 0A:1B:2C \xC2\xB7 실제 " + thumb + ")");
}

}  // namespace
