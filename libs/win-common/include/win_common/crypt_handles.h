#pragma once
// Owners for the handles of crypt32: certificate stores, cryptographic
// messages and certificate contexts. Users link crypt32.

#include <windows.h>
#include <wincrypt.h>

#include "win_common/handles.h"

namespace win_common {

namespace detail {
inline void close_cert_store(HCERTSTORE store) { ::CertCloseStore(store, 0); }
inline void close_crypt_msg(HCRYPTMSG msg) { ::CryptMsgClose(msg); }
inline void free_cert_context(PCCERT_CONTEXT context) {
  ::CertFreeCertificateContext(context);
}
}  // namespace detail

// A certificate store, closed with flags 0.
using unique_cert_store = unique_resource<HCERTSTORE, detail::close_cert_store, 0>;
// A cryptographic message (CryptMsgClose).
using unique_crypt_msg = unique_resource<HCRYPTMSG, detail::close_crypt_msg, 0>;
// A certificate context (CertFreeCertificateContext).
using unique_cert_context =
    unique_resource<PCCERT_CONTEXT, detail::free_cert_context, 0>;

}  // namespace win_common
