#include <windows.h>
#include <wincrypt.h>

#include <array>
#include <cstdint>
#include <utility>

#include "roostbox/sign_verify.h"
#include "roostbox/signer_certificate.h"
#include "win_common/signer_identity.h"

namespace win_common {
namespace {

constexpr roostbox::SignerLookupTexts kLookupTexts{
    .empty_signer_info = "서명자 정보 크기 0",
    .signer_info_failed = "CryptMsgGetParam: ",
    .certificate_missing = "서명 인증서를 못 찾음",
};

// The subject and the SHA-1 thumbprint of the file's first signer. Every
// handle is released before this returns.
std::expected<SignerIdentity, std::string> read_signer_identity(std::string_view path) {
  auto signer = roostbox::open_signer_certificate(path, kLookupTexts);
  if (!signer) return std::unexpected(std::move(signer.error()));

  std::optional<std::string> subject = roostbox::certificate_subject(signer->certificate());
  std::array<std::uint8_t, 20> hash{};
  DWORD hash_size = static_cast<DWORD>(hash.size());
  const bool hash_read = ::CertGetCertificateContextProperty(
                             signer->certificate(), CERT_SHA1_HASH_PROP_ID, hash.data(),
                             &hash_size) != FALSE;
  signer->release_certificate();

  if (!subject) return std::unexpected(std::string("서명 주체가 비었음"));
  if (!hash_read || hash_size != hash.size()) {
    return std::unexpected(std::string("서명 지문을 못 읽음"));
  }
  return SignerIdentity{std::move(*subject), thumbprint_text(hash)};
}

}  // namespace

std::expected<SignerIdentity, std::string> check_installer_signature(
    std::string_view path, const std::optional<std::string>& pinned) {
  if (auto verified = roostbox::verify_signature(path, REQUIRED_SIGNER_TEXT); !verified) {
    return std::unexpected(roostbox::display_text(verified.error()));
  }
  auto identity = read_signer_identity(path);
  if (!identity) return identity;
  if (auto pin = check_thumbprint_pin(pinned, identity->thumbprint); !pin) {
    return std::unexpected(std::move(pin.error()));
  }
  return identity;
}

}  // namespace win_common
