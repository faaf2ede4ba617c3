#!/usr/bin/env bash
# A real update under Wine: the demo application (version 0.1.16) starts
# PARLEYNEST-Updater.exe with a signed demo installer and closes; the updater
# waits for it, verifies the installer, runs it, records the result and
# starts the application again, now 0.1.17. A second run with a tampered
# installer shows a refusal. Prints the run logs and result files and saves
# screenshots in build/demo/screenshots.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$PN_ROOT"

pn_ensure_packages
pn_build windows

pn_start_display
trap pn_stop EXIT
pn_start_wineserver
pn_wine_prefix

bin="$PN_ROOT/build/windows/bin"
demo="$PN_ROOT/build/demo"
shots="$demo/screenshots"
rm -rf "$demo"
mkdir -p "$shots"
bash tests/fixtures/make-certs.sh "$demo/certs" >/dev/null

wine_path() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }
screenshot() {
  import -window root "$shots/$1.png"
  convert "$shots/$1.png" -crop 640x300+0+0 +repage "$shots/$1.png"
  echo "screenshot: $shots/$1.png"
}
wait_for_line() {  # wait_for_line FILE PATTERN
  for _ in $(seq 600); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  echo "timed out waiting for '$2' in $1" >&2
  return 1
}

# update_once NAME INSTALLER_MAKER: one update of a fresh installation.
update_once() {
  local name="$1" make_installer="$2"
  local app_dir="$demo/$name/PARLEYNEST"
  mkdir -p "$app_dir/updates" "$demo/$name/logs"
  cp "$bin/demo_app.exe" "$app_dir/PARLEYNEST.exe"
  local installer="$app_dir/updates/PARLEYNEST-setup-0.1.17.exe"
  "$make_installer" "$installer"
  local log="$demo/$name/logs/updater.log"

  pn_log "$name: the application (0.1.16) starts the updater and closes"
  scripts/wine-run "$app_dir/PARLEYNEST.exe" --updater "$(wine_path "$bin/PARLEYNEST-Updater.exe")" \
    --installer "$(wine_path "$installer")" --log "$(wine_path "$log")" &
  sleep 1.2
  screenshot "$name-1-before"
  wait_for_line "$log" "app restart"
  sleep 2
  screenshot "$name-2-after"

  pn_log "$name: run log ($log)"
  cat "$log"
  pn_log "$name: result file"
  cat "$demo/$name/logs/update-result.json"
  echo
  echo "installer still there: $([ -e "$installer" ] && echo yes || echo no)"
  echo "installed version: $(cat "$app_dir/version.txt" 2>/dev/null || echo 0.1.16)"
  "$PN_WINESERVER" -k 2>/dev/null || true  # closes the restarted application
  sleep 1
  pn_start_wineserver
}

signed_installer() {
  bash tests/fixtures/sign.sh "$demo/certs" nestworks "$bin/demo_installer.exe" "$1"
}
tampered_installer() {
  signed_installer "$1.signed"
  bash tests/fixtures/tamper.sh "$1.signed" "$1"
  rm -f "$1.signed"
}

update_once signed signed_installer
update_once tampered tampered_installer

pn_log "screenshots in $shots"
