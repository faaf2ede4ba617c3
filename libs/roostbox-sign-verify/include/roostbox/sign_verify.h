#pragma once
// Is a file validly Authenticode-signed by a signer whose subject name
// contains a given text? The texts are UTF-8 throughout.

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <variant>

namespace roostbox {

// Why a file was refused.
struct SignVerifyError {
  // The trust provider refused the file with this status (never 0).
  struct TrustFailed {
    std::int32_t status;
    bool operator==(const TrustFailed&) const = default;
  };
  // The signer subject (actual) lacks the required text (expected).
  struct SubjectMismatch {
    std::string expected;
    std::string actual;
    bool operator==(const SubjectMismatch&) const = default;
  };
  // The signer subject could not be read; detail says which step failed.
  struct SignerLookup {
    std::string detail;
    bool operator==(const SignerLookup&) const = default;
  };

  std::variant<TrustFailed, SubjectMismatch, SignerLookup> kind;
  bool operator==(const SignVerifyError&) const = default;
};

// One line of Korean text, such as
// "Authenticode 검증 실패 (코드=0x800B0100)".
std::string display_text(const SignVerifyError& error);

// Succeeds when `required` is empty or occurs somewhere in `subject` as the
// same run of bytes (case matters, nothing is trimmed); otherwise a
// SubjectMismatch with copies of both.
std::expected<void, SignVerifyError> check_subject(std::string_view subject,
                                                   std::string_view required);

}  // namespace roostbox

#ifdef _WIN32
#include <windows.h>
#include <wincrypt.h>

#include <functional>

namespace roostbox {

// The trust provider's verdict on the file first (no revocation check), then
// its first signer's subject against `required`. Everything is read through
// `file`, an open handle with read access; `path` names the same file for
// the provider and is never opened again. The signer is the one that this
// verification found: on success `on_signer` sees its certificate before the
// provider's state is released. Returns the signer's subject. Blocking.
std::expected<std::string, SignVerifyError> verify_signature(
    HANDLE file, std::string_view path, std::string_view required,
    const std::function<void(PCCERT_CONTEXT signer)>& on_signer = nullptr);

}  // namespace roostbox
#endif
