#include "roostbox/sign_verify.h"

#include <cstdint>
#include <utility>

#include "win_common/error_text.h"

namespace roostbox {

std::string display_text(const SignVerifyError& error) {
  if (const auto* trust = std::get_if<SignVerifyError::TrustFailed>(&error.kind)) {
    // A negative status shows its two's-complement bit pattern.
    return "Authenticode 검증 실패 (코드=0x" +
           win_common::hex8(static_cast<std::uint32_t>(trust->status)) + ")";
  }
  if (const auto* mismatch = std::get_if<SignVerifyError::SubjectMismatch>(&error.kind)) {
    return "서명 주체에 '" + mismatch->expected + "' 미포함 (실제: " + mismatch->actual + ")";
  }
  const auto& lookup = std::get<SignVerifyError::SignerLookup>(error.kind);
  return "서명자 조회 실패: " + lookup.detail;
}

std::expected<void, SignVerifyError> check_subject(std::string_view subject,
                                                   std::string_view required) {
  if (required.empty() || subject.find(required) != std::string_view::npos) return {};
  return std::unexpected(SignVerifyError{
      SignVerifyError::SubjectMismatch{std::string(required), std::string(subject)}});
}

}  // namespace roostbox
