#!/usr/bin/env bash
# installer_checklist_test.sh GUIDE WINDOWS_BIN WORK_DIR
#
# The NSIS script of the integration guide's installer checklist, as it
# stands: built with makensis, signed by the tests' throwaway CA, and run
# once by the real PARLEYNEST-Updater.exe under Wine, with the updater's
# three switches, over an installation of 0.1.16 that the registry names.
# Then: the result file says ok, the release's files are in that folder,
# and the application was started again from there. Needs DISPLAY and the
# project's Wine prefix (scripts/test.sh sets both up).
set -euo pipefail

if [[ $# -ne 3 ]]; then
  echo "usage: $0 GUIDE WINDOWS_BIN WORK_DIR" >&2
  exit 2
fi
guide="$(realpath "$1")" bin="$(realpath "$2")" work="$3"
src="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
rm -rf "$work"
mkdir -p "$work/dist" "$work/installed"
cd "$work"

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
winpath() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }
wine() { "$src/scripts/wine-run" "$@"; }

awk '/^```nsis$/ { n++; inside = 1; next } /^```/ { inside = 0; next }
     inside { print > "PARLEYNEST-setup.nsi" } END { print n + 0 > "blocks" }' "$guide"
[[ "$(cat blocks)" == 1 ]] || fail "expected one nsis block in $guide"

echo "--- the release 0.1.17, an installation of 0.1.16"
cp "$bin/fake_app.exe" dist/PARLEYNEST.exe
cp "$bin/PARLEYNEST-Updater.exe" dist/
printf '0.1.17\r\n' > dist/version.txt
cp "$bin/fake_app.exe" installed/PARLEYNEST.exe
printf '0.1.16\r\n' > installed/version.txt
makensis -V2 -DVERSION=0.1.17 -DDIST=dist PARLEYNEST-setup.nsi || fail "makensis"
bash "$src/tests/fixtures/make-certs.sh" certs > /dev/null
bash "$src/tests/fixtures/sign.sh" certs nestworks PARLEYNEST-setup-0.1.17.exe setup.exe
key='HKCU\Software\NESTWORKS\PARLEYNEST'
forget() {
  for k in "$key" 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\PARLEYNEST'; do
    wine reg delete "$k" /f > /dev/null 2>&1 || true
  done
}
trap forget EXIT
wine reg add "$key" /v InstallDir /d "$(winpath installed)" /f > /dev/null || fail "reg add"

echo "--- the update"
# A failed run waits for its failure dialog to be answered, an installer
# that is not silent for its window: the limit ends the run, and then every
# program of the prefix. Their output goes to a file, not to CTest's pipes.
if ! timeout -k 10 240 "$src/scripts/wine-run" "$bin/PARLEYNEST-Updater.exe" \
  --installer "$(winpath setup.exe)" --app-exe "$(winpath installed/PARLEYNEST.exe)" \
  --log "$(winpath updater.log)" --thumbprint "$(cat certs/nestworks.thumb)" \
  < /dev/null > run.out 2>&1; then
  WINEPREFIX="${PN_WINEPREFIX:-$src/build/wineprefix}" /usr/lib/wine/wineserver -k || true
  fail "the updater did not end by itself (a failure dialog, a window of the installer?): $(cat updater.log)"
fi
cat updater.log
[[ "$(cat update-result.json)" == *"\"detail\":\"$(cat certs/nestworks.thumb)\",\"ok\":true}" ]] ||
  fail "result: $(cat update-result.json)"
for f in PARLEYNEST.exe PARLEYNEST-Updater.exe version.txt; do
  cmp "dist/$f" "installed/$f" || fail "installed/$f is not the release's"
done
[[ -s installed/uninstall.exe ]] || fail "no uninstaller"
for _ in $(seq 600); do [[ -s installed/PARLEYNEST.exe.runs ]] && break; sleep 0.1; done
[[ -s installed/PARLEYNEST.exe.runs ]] || fail "the application was not started again"
echo "PASSED"
