#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstddef>
#include <string>
#include <utility>

#include "roostbox/sign_verify.h"
#include "roostbox/signer_certificate.h"
#include "win_common/utf.h"

namespace roostbox {
namespace {

// WINTRUST_ACTION_GENERIC_VERIFY_V2, {00AAC56B-CD44-11D0-8CC2-00C04FC295EE}.
constexpr GUID kGenericVerifyV2 = {
    0x00AAC56B, 0xCD44, 0x11D0, {0x8C, 0xC2, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE}};

// WINTRUST_DATA in its full current layout, up to pSignatureSettings (88
// bytes). Some SDK headers stop before the last member; the trust provider
// reads cbStruct to know which members exist.
struct TrustData {
  DWORD cbStruct;
  void* pPolicyCallbackData;
  void* pSIPClientData;
  DWORD dwUIChoice;
  DWORD fdwRevocationChecks;
  DWORD dwUnionChoice;
  WINTRUST_FILE_INFO* pFile;
  DWORD dwStateAction;
  HANDLE hWVTStateData;
  WCHAR* pwszURLReference;
  DWORD dwProvFlags;
  DWORD dwUIContext;
  void* pSignatureSettings;
};
static_assert(sizeof(TrustData) == 88);
static_assert(offsetof(TrustData, pFile) == offsetof(WINTRUST_DATA, pFile));
static_assert(offsetof(TrustData, dwStateAction) == offsetof(WINTRUST_DATA, dwStateAction));
static_assert(offsetof(TrustData, dwUIContext) == offsetof(WINTRUST_DATA, dwUIContext));
static_assert(sizeof(WINTRUST_FILE_INFO) == 32);

constexpr SignerLookupTexts kLookupTexts{
    .empty_signer_info = "signer info 크기 0",
    .signer_info_failed = "CryptMsgGetParam(data): ",
    .certificate_missing = "CertFindCertificateInStore: cert 못 찾음",
};

SignVerifyError lookup_error(std::string detail) {
  return SignVerifyError{SignVerifyError::SignerLookup{std::move(detail)}};
}

// WinVerifyTrust's status for the file; the provider's state is closed
// again whatever the verdict.
std::int32_t trust_status(std::string_view path) {
  const std::wstring wide_path = win_common::to_wide(path);
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof(WINTRUST_FILE_INFO);
  file.pcwszFilePath = wide_path.c_str();

  TrustData data{};
  data.cbStruct = sizeof(TrustData);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;

  GUID action = kGenericVerifyV2;
  const LONG status =
      ::WinVerifyTrust(nullptr, &action, reinterpret_cast<WINTRUST_DATA*>(&data));
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  ::WinVerifyTrust(nullptr, &action, reinterpret_cast<WINTRUST_DATA*>(&data));
  return static_cast<std::int32_t>(status);
}

}  // namespace

std::expected<void, SignVerifyError> verify_signature(std::string_view path,
                                                      std::string_view required) {
  // A file the provider refuses is never opened for its signer.
  const std::int32_t status = trust_status(path);
  if (status != 0) return std::unexpected(SignVerifyError{SignVerifyError::TrustFailed{status}});

  auto subject = read_signer_subject(path);
  if (!subject) return std::unexpected(std::move(subject.error()));
  return check_subject(*subject, required);
}

std::expected<std::string, SignVerifyError> read_signer_subject(std::string_view path) {
  auto signer = open_signer_certificate(path, kLookupTexts);
  if (!signer) return std::unexpected(lookup_error(std::move(signer.error())));
  std::optional<std::string> subject = certificate_subject(signer->certificate());
  signer->release_certificate();
  if (!subject) return std::unexpected(lookup_error("CertGetNameStringW: 빈 Subject"));
  return std::move(*subject);
}

}  // namespace roostbox
