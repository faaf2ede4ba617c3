#!/usr/bin/env bash
# signing_test.sh GUIDE PE_FILE WORK_DIR
#
# Runs the sh blocks of the integration guide as they stand, in the order a
# reader testing a release runs them: the throwaway authority (a root, a
# NESTWORKS code-signing certificate, a time-stamping certificate), the
# throwaway RFC 3161 time-stamping service on 127.0.0.1, signing an
# installer with a time stamp, reading a thumbprint. Then checks what the
# guide says of them:
#   - the signed installer verifies, its time stamp included;
#   - a day after the certificate has expired it still verifies, while the
#     same file signed without the time stamp no longer does;
#   - the thumbprint command prints the SHA-1 of the certificate's DER bytes,
#     40 upper-case digits without separators.
# The judge is osslsigncode's verification (OpenSSL), not Windows.
set -euo pipefail

if [[ $# -ne 3 ]]; then
  echo "usage: $0 GUIDE PE_FILE WORK_DIR" >&2
  exit 2
fi
guide="$(realpath "$1")" pe="$(realpath "$2")" work="$3"
export UPDATER_SRC="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# The guide's sh blocks, each found by what it does.
awk '/^```sh$/ { n++; inside = 1; next } /^```/ { inside = 0; next }
     inside { print > sprintf("block-%d.sh", n) }' "$guide"
block() {  # block PATTERN: the one block with a line that matches
  local found
  found="$(grep -l -e "$1" block-*.sh)" || fail "no sh block of $guide matches '$1'"
  [[ "$(wc -l <<<"$found")" == 1 ]] || fail "more than one sh block matches '$1'"
  echo "$found"
}
authority="$(block '^openssl req -x509 ')" tsa="$(block 'tsa_responder.py')"
signing="$(block '^osslsigncode sign ')" thumbprint="$(block '^openssl x509 -in nestworks.crt ')"
[[ "$(ls block-*.sh | wc -l)" == 4 ]] || fail "expected four sh blocks in $guide"

echo "--- the throwaway authority and time-stamping service"
# Sourced: the service stays in the background and TSA_URL is kept.
source "$authority" > authority.out 2>&1 || { cat authority.out; fail "$authority"; }
trap 'kill "$(cat tsa.pid)" 2>/dev/null || true' EXIT
source "$tsa" > tsa.out 2>&1 || { cat tsa.out; fail "$tsa"; }
[[ -s tsa.port ]] || { cat tsa.out; fail "the time-stamping service did not start"; }
cp "$pe" PARLEYNEST-setup.exe

echo "--- signing"
bash -euo pipefail "$signing" > signing.out 2>&1 || { cat signing.out; fail "$signing"; }
grep -q '^Timestamp Server Signature verification: ok' signing.out ||
  { cat signing.out; fail "no verified time stamp"; }

echo "--- a day after the certificate expired"
later=$(($(date -d "$(openssl x509 -in nestworks.crt -noout -enddate | cut -d= -f2)" +%s) + 86400))
verify_later() {
  osslsigncode verify -in "$1" -CAfile root.pem -TSA-CAfile tsa-root.pem -time "$later" > "$1.later" 2>&1
}
verify_later PARLEYNEST-setup-signed.exe || { cat PARLEYNEST-setup-signed.exe.later; fail "a time-stamped signature no longer verifies"; }
sed -e 's/ -ts "$TSA_URL"//' -e 's/PARLEYNEST-setup-signed.exe/PARLEYNEST-setup-untimed.exe/g' "$signing" > untimed.sh
bash -euo pipefail untimed.sh > untimed.out 2>&1 || { cat untimed.out; fail "signing without a time stamp"; }
if verify_later PARLEYNEST-setup-untimed.exe; then fail "an expired signature without a time stamp still verifies"; fi
grep -q 'certificate has expired' PARLEYNEST-setup-untimed.exe.later || fail "refused for another reason"

echo "--- the thumbprint"
thumb="$(bash -euo pipefail "$thumbprint")"
expected="$(openssl x509 -in nestworks.crt -outform DER | sha1sum | cut -c1-40 | tr a-f A-F)"
[[ "$thumb" =~ ^[0-9A-F]{40}$ ]] || fail "the thumbprint reads '$thumb'"
[[ "$thumb" == "$expected" ]] || fail "thumbprint $thumb, the certificate's SHA-1 is $expected"
echo "thumbprint $thumb"
echo "PASSED"
