#!/usr/bin/env bash
# signing_test.sh GUIDE PE_FILE WORK_DIR
#
# Runs the sh blocks of the integration guide (signing an installer with a
# time stamp, reading a thumbprint) as they stand, with a throwaway CA, a
# code-signing certificate for NESTWORKS that is valid for one day, and a
# throwaway RFC 3161 time-stamping service on 127.0.0.1 in place of a
# certificate authority's. Then checks what the guide says of them:
#   - the signed installer verifies, its time stamp included;
#   - three days later, when the certificate has expired, it still verifies,
#     while the same file signed without the time stamp no longer does;
#   - the thumbprint command prints the SHA-1 of the certificate's DER bytes,
#     40 upper-case digits without separators.
# The judge is osslsigncode's verification (OpenSSL), not Windows.
set -euo pipefail

if [[ $# -ne 3 ]]; then
  echo "usage: $0 GUIDE PE_FILE WORK_DIR" >&2
  exit 2
fi
guide="$(realpath "$1")" pe="$(realpath "$2")" work="$3"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# The throwaway authority: a root, a NESTWORKS code-signing certificate
# valid for one day, and a time-stamping certificate.
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -keyout root.key -out root.pem \
  -subj "/C=KR/O=PARLEYNEST Test Root/CN=PARLEYNEST Test Root CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  2>/dev/null
issue() {  # issue NAME SUBJECT DAYS EXTENDED_KEY_USAGE
  openssl req -new -newkey rsa:2048 -nodes -subj "$2" -keyout "$1.key" -out "$1.csr" 2>/dev/null
  printf '%s\n' 'basicConstraints=critical,CA:FALSE' 'keyUsage=critical,digitalSignature' \
    "extendedKeyUsage=$4" 'subjectKeyIdentifier=hash' 'authorityKeyIdentifier=keyid' > "$1.ext"
  openssl x509 -req -in "$1.csr" -CA root.pem -CAkey root.key -CAcreateserial -sha256 \
    -days "$3" -extfile "$1.ext" -out "$1.crt" 2>/dev/null
}
issue nestworks "/C=KR/O=NESTWORKS Test/CN=PARLEYNEST Test Signing" 1 codeSigning
issue tsa "/C=KR/O=PARLEYNEST Test TSA/CN=PARLEYNEST Test Time Stamping" 3650 critical,timeStamping
cp root.pem chain.pem
cp root.pem tsa-root.pem
cp "$pe" PARLEYNEST-setup.exe

cat > tsa.cnf <<CNF
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = $PWD/tsa.serial
crypto_device = builtin
signer_cert = $PWD/tsa.crt
certs = $PWD/root.pem
signer_key = $PWD/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = no
ess_cert_id_chain = no
ess_cert_id_alg = sha256
CNF
echo 01 > tsa.serial
python3 "$here/tsa_responder.py" tsa.cnf tsa.port &
tsa_pid=$!
trap 'kill $tsa_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do [[ -s tsa.port ]] && break; sleep 0.1; done
[[ -s tsa.port ]] || fail "the time-stamping service did not start"
export TSA_URL="http://127.0.0.1:$(cat tsa.port)/"
export no_proxy=127.0.0.1 NO_PROXY=127.0.0.1

# The guide's sh blocks, in their order.
awk '/^```sh$/ { n++; inside = 1; next } /^```/ { inside = 0; next }
     inside { print > sprintf("block-%d.sh", n) }' "$guide"
[[ -f block-1.sh && -f block-2.sh && ! -f block-3.sh ]] || fail "expected two sh blocks in $guide"
grep -q '^osslsigncode sign ' block-1.sh || fail "block 1 does not sign"
grep -q '^openssl x509 ' block-2.sh || fail "block 2 does not read a thumbprint"

echo "--- signing (block 1)"
bash -euo pipefail block-1.sh > signing.out 2>&1 || { cat signing.out; fail "block 1"; }
grep -q '^Timestamp Server Signature verification: ok' signing.out ||
  { cat signing.out; fail "no verified time stamp"; }

echo "--- three days later, the certificate expired"
later=$(($(date +%s) + 3 * 86400))
verify_later() {
  osslsigncode verify -in "$1" -CAfile root.pem -TSA-CAfile tsa-root.pem -time "$later" > "$1.later" 2>&1
}
verify_later PARLEYNEST-setup-signed.exe || { cat PARLEYNEST-setup-signed.exe.later; fail "a time-stamped signature no longer verifies"; }
sed -e 's/ -ts "$TSA_URL"//' -e 's/PARLEYNEST-setup-signed.exe/PARLEYNEST-setup-untimed.exe/g' block-1.sh > untimed.sh
bash -euo pipefail untimed.sh > untimed.out 2>&1 || { cat untimed.out; fail "signing without a time stamp"; }
if verify_later PARLEYNEST-setup-untimed.exe; then fail "an expired signature without a time stamp still verifies"; fi
grep -q 'certificate has expired' PARLEYNEST-setup-untimed.exe.later || fail "refused for another reason"

echo "--- the thumbprint (block 2)"
thumb="$(bash -euo pipefail block-2.sh)"
expected="$(openssl x509 -in nestworks.crt -outform DER | sha1sum | cut -c1-40 | tr a-f A-F)"
[[ "$thumb" =~ ^[0-9A-F]{40}$ ]] || fail "the thumbprint reads '$thumb'"
[[ "$thumb" == "$expected" ]] || fail "thumbprint $thumb, the certificate's SHA-1 is $expected"
echo "thumbprint $thumb"
echo "PASSED"
