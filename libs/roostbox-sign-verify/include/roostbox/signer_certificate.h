#pragma once
// The certificate of a signed file's first signer, looked up in the file's
// embedded signature. Each caller brings the texts of its own failures, so
// that a failure names the check it happened in.

#include <windows.h>
#include <wincrypt.h>

#include <cstddef>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "win_common/crypt_handles.h"

namespace roostbox {

// Failure texts of the steps whose texts differ between callers. The texts
// of the open step ("CryptQueryObject: ") and of the size query
// ("CryptMsgGetParam(size): ") are the same for everyone.
struct SignerLookupTexts {
  std::string_view empty_signer_info;     // the signer info has size 0
  std::string_view signer_info_failed;    // prefix before the Windows error text
  std::string_view certificate_missing;   // no certificate matches the signer
};

// An opened embedded signature with its first signer's certificate. The
// store, the message, the signer-info buffer and the certificate are
// released with it, the certificate first.
class SignerCertificate {
 public:
  PCCERT_CONTEXT certificate() const { return certificate_.get(); }
  // Frees the certificate context now; the rest stays open.
  void release_certificate() { certificate_.reset(); }

 private:
  friend std::expected<SignerCertificate, std::string> open_signer_certificate(
      std::string_view path, const SignerLookupTexts& texts);

  // Declared in the order of acquisition; destroyed in reverse.
  win_common::unique_cert_store store_;
  win_common::unique_crypt_msg message_;
  std::unique_ptr<std::byte[]> signer_info_;
  win_common::unique_cert_context certificate_;
};

// Opens the file's embedded PKCS #7 signature and finds the certificate of
// signer 0 by its issuer and serial number. The error is one line of text.
std::expected<SignerCertificate, std::string> open_signer_certificate(
    std::string_view path, const SignerLookupTexts& texts);

// The certificate's subject name (CERT_NAME_RDN_TYPE, flags 0) read into a
// buffer of 1024 UTF-16 units, cut there if longer; none when it is empty.
std::optional<std::string> certificate_subject(PCCERT_CONTEXT certificate);

}  // namespace roostbox
