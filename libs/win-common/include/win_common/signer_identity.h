#pragma once
// Who signed the installer.

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace win_common {

struct SignerIdentity {
  std::string subject;     // the signer certificate's subject name
  std::string thumbprint;  // SHA-1 of the certificate: 40 upper-case hex digits
};

// The maker's name, which the installer's signer subject must contain.
extern const std::string_view REQUIRED_SIGNER_TEXT;

// The 20 bytes of a SHA-1 hash as 40 upper-case hexadecimal digits, two per
// byte, in the given order, without separators.
std::string thumbprint_text(std::span<const std::uint8_t, 20> sha1);

// Upper-cases one character beyond ASCII, given as its UTF-8 bytes; none
// when it has no upper case to give.
using UpperCaseBeyondAscii = std::optional<std::string> (*)(std::string_view character);

// A pinned thumbprint as it is compared: leading and trailing Unicode
// White_Space removed, then upper-cased: ASCII letters always, other
// letters by `beyond_ascii` when given (Windows passes the invariant
// locale's table). Inner characters are kept, colons and blanks included.
// An empty result means "no pin".
std::string normalize_pin(std::string_view pin, UpperCaseBeyondAscii beyond_ascii = nullptr);

// "서명 지문이 다름(기대 <pin> · 실제 <thumbprint>)".
std::string thumbprint_mismatch_text(std::string_view normalized_pin, std::string_view thumbprint);

// Compares the normalised pin, when there is one, with the thumbprint read
// from the certificate, byte for byte. A pin given as text that was not
// valid UTF-16 arrives with U+FFFD in it and so never matches.
std::expected<void, std::string> check_thumbprint_pin(const std::optional<std::string>& pinned,
                                                      std::string_view thumbprint,
                                                      UpperCaseBeyondAscii beyond_ascii = nullptr);

}  // namespace win_common

#ifdef _WIN32
namespace win_common {

// The upper case of one character by the invariant locale's table.
std::optional<std::string> upper_case_invariant(std::string_view character);

// Whether the installer may be run: a trusted Authenticode signature whose
// signer subject contains REQUIRED_SIGNER_TEXT, then the signer's identity,
// then the pinned thumbprint when one is given. Everything is read through
// `file`, an open handle with read access that `path` names (the path is
// never opened again), and the identity is that of the signer the trust
// check itself found. The error is one line of text for the run log and the
// result file. Blocking.
std::expected<SignerIdentity, std::string> check_installer_signature(
    void* file, std::string_view path, const std::optional<std::string>& pinned);

}  // namespace win_common
#endif
