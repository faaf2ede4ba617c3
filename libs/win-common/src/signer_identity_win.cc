#include <windows.h>
#include <wincrypt.h>

#include <array>
#include <cstdint>
#include <utility>

#include "roostbox/sign_verify.h"
#include "win_common/signer_identity.h"
#include "win_common/system_library.h"
#include "win_common/utf.h"

namespace win_common {

std::optional<std::string> upper_case_invariant(std::string_view character) {
  const std::wstring wide = to_wide(character);
  // One code point is at most two UTF-16 units, and so is its upper case.
  std::array<wchar_t, 4> upper{};
  const int written = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(),
                                      static_cast<int>(wide.size()), upper.data(),
                                      static_cast<int>(upper.size()), nullptr, nullptr, 0);
  if (written <= 0) return std::nullopt;
  return from_wide(std::wstring_view(upper.data(), static_cast<std::size_t>(written)));
}

std::expected<SignerIdentity, std::string> check_installer_signature(
    void* file, std::string_view path, const std::optional<std::string>& pinned) {
  static const SystemLibrary crypt32(L"crypt32.dll");
  static const auto hash_property = crypt32.function<decltype(::CertGetCertificateContextProperty)>(
      "CertGetCertificateContextProperty");

  // The thumbprint of the very certificate that the trust check accepted.
  std::array<std::uint8_t, 20> hash{};
  bool hash_read = false;
  const auto read_hash = [&](PCCERT_CONTEXT signer) {
    DWORD size = static_cast<DWORD>(hash.size());
    hash_read = hash_property &&
                hash_property(signer, CERT_SHA1_HASH_PROP_ID, hash.data(), &size) != FALSE &&
                size == hash.size();
  };
  auto subject = roostbox::verify_signature(file, path, REQUIRED_SIGNER_TEXT, read_hash);
  if (!subject) return std::unexpected(roostbox::display_text(subject.error()));
  if (!hash_read) return std::unexpected(std::string("서명 지문을 못 읽음"));

  SignerIdentity identity{std::move(*subject), thumbprint_text(hash)};
  if (auto pin = check_thumbprint_pin(pinned, identity.thumbprint, upper_case_invariant); !pin) {
    return std::unexpected(std::move(pin.error()));
  }
  return identity;
}

}  // namespace win_common
