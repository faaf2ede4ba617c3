#include "roostbox/signer_certificate.h"

#include <array>

#include "win_common/error_text.h"
#include "win_common/utf.h"

namespace roostbox {
namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
// The subject name buffer holds 1024 UTF-16 units, the NUL included.
constexpr DWORD kNameUnits = 1024;

}  // namespace

std::expected<SignerCertificate, std::string> open_signer_certificate(
    std::string_view path, const SignerLookupTexts& texts) {
  SignerCertificate signer;
  {
    const std::wstring wide_path = win_common::to_wide(path);
    if (!::CryptQueryObject(CERT_QUERY_OBJECT_FILE, wide_path.c_str(),
                            CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                            CERT_QUERY_FORMAT_FLAG_BINARY, 0, nullptr, nullptr,
                            nullptr, signer.store_.put(), signer.message_.put(),
                            nullptr)) {
      return std::unexpected("CryptQueryObject: " + win_common::last_windows_error_text());
    }
  }

  DWORD size = 0;
  if (!::CryptMsgGetParam(signer.message_.get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr,
                          &size)) {
    return std::unexpected("CryptMsgGetParam(size): " +
                           win_common::last_windows_error_text());
  }
  if (size == 0) return std::unexpected(std::string(texts.empty_signer_info));

  // operator new[] aligns the buffer for CMSG_SIGNER_INFO.
  signer.signer_info_ = std::make_unique<std::byte[]>(size);
  if (!::CryptMsgGetParam(signer.message_.get(), CMSG_SIGNER_INFO_PARAM, 0,
                          signer.signer_info_.get(), &size)) {
    return std::unexpected(std::string(texts.signer_info_failed) +
                           win_common::last_windows_error_text());
  }
  const auto* info = reinterpret_cast<const CMSG_SIGNER_INFO*>(signer.signer_info_.get());

  // The blobs point into the signer-info buffer, which outlives the search.
  CERT_INFO wanted{};
  wanted.Issuer = info->Issuer;
  wanted.SerialNumber = info->SerialNumber;
  signer.certificate_.reset(::CertFindCertificateInStore(
      signer.store_.get(), kEncoding, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
  if (!signer.certificate_) return std::unexpected(std::string(texts.certificate_missing));
  return signer;
}

std::optional<std::string> certificate_subject(PCCERT_CONTEXT certificate) {
  std::array<wchar_t, kNameUnits> name{};
  const DWORD count = ::CertGetNameStringW(certificate, CERT_NAME_RDN_TYPE, 0, nullptr,
                                           name.data(), kNameUnits);
  // The count includes the terminating NUL.
  if (count <= 1) return std::nullopt;
  // A longer name arrives cut to the buffer; never read past it.
  const std::size_t units = count - 1 < kNameUnits ? count - 1 : kNameUnits - 1;
  return win_common::from_wide(std::wstring_view(name.data(), units));
}

}  // namespace roostbox
