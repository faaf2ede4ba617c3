#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "roostbox/sign_verify.h"
#include "win_common/scope_exit.h"
#include "win_common/system_library.h"
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
static_assert(offsetof(TrustData, hWVTStateData) == offsetof(WINTRUST_DATA, hWVTStateData));
static_assert(offsetof(TrustData, dwUIContext) == offsetof(WINTRUST_DATA, dwUIContext));
static_assert(sizeof(WINTRUST_FILE_INFO) == 32);

// The trust provider's functions, from System32 only.
struct TrustApi {
  win_common::SystemLibrary wintrust{L"wintrust.dll"};
  win_common::SystemLibrary crypt32{L"crypt32.dll"};
  decltype(&::WinVerifyTrust) verify =
      wintrust.function<decltype(::WinVerifyTrust)>("WinVerifyTrust");
  decltype(&::WTHelperProvDataFromStateData) provider_data =
      wintrust.function<decltype(::WTHelperProvDataFromStateData)>("WTHelperProvDataFromStateData");
  decltype(&::WTHelperGetProvSignerFromChain) signer =
      wintrust.function<decltype(::WTHelperGetProvSignerFromChain)>(
          "WTHelperGetProvSignerFromChain");
  decltype(&::WTHelperGetProvCertFromChain) certificate =
      wintrust.function<decltype(::WTHelperGetProvCertFromChain)>("WTHelperGetProvCertFromChain");
  decltype(&::CertGetNameStringW) name =
      crypt32.function<decltype(::CertGetNameStringW)>("CertGetNameStringW");
};

const TrustApi& trust_api() {
  static const TrustApi api;
  return api;
}

// What the status reads when wintrust.dll cannot be loaded from System32,
// and when no open file is given.
constexpr std::uint32_t kTrustUnavailable = 0x8007007Eu;  // module not found
constexpr std::uint32_t kNoFile = 0x80070006u;            // invalid handle

// The subject name buffer holds 1024 UTF-16 units, the NUL included.
constexpr DWORD kNameUnits = 1024;

SignVerifyError lookup_error(std::string detail) {
  return SignVerifyError{SignVerifyError::SignerLookup{std::move(detail)}};
}

// The certificate's subject name (CERT_NAME_RDN_TYPE, flags 0) read into a
// buffer of 1024 UTF-16 units, cut there if longer; none when it is empty.
std::optional<std::string> certificate_subject(PCCERT_CONTEXT certificate) {
  const auto name = trust_api().name;
  if (!name) return std::nullopt;
  std::array<wchar_t, kNameUnits> text{};
  const DWORD count = name(certificate, CERT_NAME_RDN_TYPE, 0, nullptr, text.data(), kNameUnits);
  // The count includes the terminating NUL.
  if (count <= 1) return std::nullopt;
  // A longer name arrives cut to the buffer; never read past it.
  const std::size_t units = count - 1 < kNameUnits ? count - 1 : kNameUnits - 1;
  return win_common::from_wide(std::wstring_view(text.data(), units));
}

// The certificate of the first signer that the verification behind `state`
// found; null when there is none.
PCCERT_CONTEXT verified_signer(HANDLE state) {
  const TrustApi& api = trust_api();
  if (!api.provider_data || !api.signer || !api.certificate) return nullptr;
  CRYPT_PROVIDER_DATA* data = api.provider_data(state);
  CRYPT_PROVIDER_SGNR* signer = data ? api.signer(data, 0, FALSE, 0) : nullptr;
  CRYPT_PROVIDER_CERT* cert = signer ? api.certificate(signer, 0) : nullptr;
  return cert ? cert->pCert : nullptr;
}

}  // namespace

std::expected<std::string, SignVerifyError> verify_signature(
    HANDLE file, std::string_view path, std::string_view required,
    const std::function<void(PCCERT_CONTEXT signer)>& on_signer) {
  const TrustApi& api = trust_api();
  std::uint32_t unusable = 0;
  if (!api.verify) {
    unusable = kTrustUnavailable;
  } else if (!file || file == INVALID_HANDLE_VALUE) {
    unusable = kNoFile;  // the provider would open the path itself
  }
  if (unusable != 0) {
    return std::unexpected(
        SignVerifyError{SignVerifyError::TrustFailed{static_cast<std::int32_t>(unusable)}});
  }
  const std::wstring wide_path = win_common::to_wide(path);
  WINTRUST_FILE_INFO file_info{};
  file_info.cbStruct = sizeof(WINTRUST_FILE_INFO);
  file_info.pcwszFilePath = wide_path.c_str();
  file_info.hFile = file;

  TrustData data{};
  data.cbStruct = sizeof(TrustData);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file_info;
  data.dwStateAction = WTD_STATEACTION_VERIFY;

  GUID action = kGenericVerifyV2;
  auto* trust_data = reinterpret_cast<WINTRUST_DATA*>(&data);
  const LONG status = api.verify(nullptr, &action, trust_data);
  // The provider's state holds the signer until it is closed, whatever the
  // verdict.
  const win_common::scope_exit close_state([&] {
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    api.verify(nullptr, &action, trust_data);
  });
  // A file the provider refuses is never looked at for its signer.
  if (status != 0) {
    return std::unexpected(
        SignVerifyError{SignVerifyError::TrustFailed{static_cast<std::int32_t>(status)}});
  }

  const PCCERT_CONTEXT signer = verified_signer(data.hWVTStateData);
  if (!signer) return std::unexpected(lookup_error("WTHelperGetProvCertFromChain: cert 못 찾음"));
  std::optional<std::string> subject = certificate_subject(signer);
  if (!subject) return std::unexpected(lookup_error("CertGetNameStringW: 빈 Subject"));
  if (auto contained = check_subject(*subject, required); !contained) {
    return std::unexpected(std::move(contained.error()));
  }
  if (on_signer) on_signer(signer);
  return std::move(*subject);
}

}  // namespace roostbox
