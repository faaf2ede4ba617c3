#!/usr/bin/env bash
# A real update under Wine: the demo application (version 0.1.16) starts
# PARLEYNEST-Updater.exe with a signed demo installer (a real NSIS
# installer, built here) and closes; the updater
# waits for it, verifies the installer, runs it, records the result and
# starts the application again, now 0.1.17, which reads update-result.json
# and shows what became of the update. A second run with a tampered
# installer shows a refusal and its failure dialog, which the script
# answers, and the application that reads the refusal. Both again in
# Japanese. Prints the run logs and result files and saves screenshots of
# the progress window, the failure dialog and the application afterwards in
# build/demo/screenshots.
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
pn_log "making a throwaway demo CA and signing certificate (subject NESTWORKS Test)"
bash tests/fixtures/make-certs.sh "$demo/certs" >/dev/null

wine_path() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }
x() { timeout -k 1 5 "$@"; }  # X tools, never left hanging

# shoot NAME GEOMETRY: the screen cut to GEOMETRY (WxH+X+Y).
shoot() {
  x import -window root "$shots/$1.png"
  convert "$shots/$1.png" -crop "$2" +repage "$shots/$1.png"
  echo "screenshot: $shots/$1.png"
}
# wait_for_window SIZE [PROGRAM]: the geometry (WxH+X+Y) of the window of
# that size (any size: "") of the program (the updater unless named) once it
# is on screen.
wait_for_window() {
  local id geometry
  for _ in $(seq 600); do
    read -r id geometry < <(x xwininfo -root -children |
      awk -v size="$1" -v program="\"${2:-parleynest-updater.exe}\"" \
        'index($0, program) && $(NF-1) ~ "^" size "[0-9x]*[+]" { print $1, $(NF-1) }') || true
    if [ -n "${id:-}" ] && x xwininfo -id "$id" | grep -q 'Map State: IsViewable'; then
      echo "$geometry"
      return 0
    fi
    sleep 0.1
  done
  echo "timed out waiting for a $1 window" >&2
  return 1
}
# click_in GEOMETRY DX DY: a pointer click at (DX, DY) inside the window,
# then the pointer goes to the corner of the screen, away from the windows.
click_in() {
  local at="${1#*+}"
  x xdotool mousemove $(( ${at%+*} + $2 )) $(( ${at#*+} + $3 )) click 1
  x xdotool mousemove 1279 799
}
wait_for_line() {  # wait_for_line FILE PATTERN
  for _ in $(seq 600); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  echo "timed out waiting for '$2' in $1" >&2
  return 1
}

# update_once NAME LANGUAGE INSTALLER_MAKER: one update of a fresh
# installation; LANGUAGE is the application's UI language. The progress
# window is shot while the installer runs; a failure dialog is shot and then
# answered with a click on its button; the application started again is
# shot once it shows what it read.
update_once() {
  local name="$1" language="$2" make_installer="$3"
  local app_dir="$demo/$name/PARLEYNEST"
  mkdir -p "$app_dir/updates" "$demo/$name/logs"
  cp "$bin/demo_app.exe" "$app_dir/PARLEYNEST.exe"
  local installer="$app_dir/updates/PARLEYNEST-setup-0.1.17.exe"
  "$make_installer" "$installer"
  local log="$demo/$name/logs/updater.log"

  pn_log "$name: the application (0.1.16, language $language) starts the updater and closes"
  scripts/wine-run "$app_dir/PARLEYNEST.exe" --updater "$(wine_path "$bin/PARLEYNEST-Updater.exe")" \
    --installer "$(wine_path "$installer")" --log "$(wine_path "$log")" --language "$language" \
    --new-version 0.1.17 &
  local progress dialog
  if [ "$make_installer" = signed_installer ]; then
    pn_say "waiting for the progress window (the application closes after 2 s, the updater waits for it)"
    progress="$(wait_for_window 460x257)"
    wait_for_line "$log" "signature ok"
    sleep 0.4  # the installer runs now, for 1.5 s
    shoot "$name-progress" "$progress"
  else
    pn_say "waiting for the failure dialog (the application closes after 2 s, then the check fails)"
    dialog="$(wait_for_window 480x174)"
    sleep 0.5
    shoot "$name-failure" "$dialog"
    click_in "$dialog" 420 144  # its one button
  fi
  pn_say "waiting for the application to start again and show what it read"
  wait_for_line "$log" "app restart"
  local app
  app="$(wait_for_window "" parleynest.exe)"
  sleep 1
  shoot "$name-after" "$app"

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

# The demo's installer is a real NSIS installer, built here with makensis:
# 32-bit, as most installers are, where this machine runs 32-bit programs,
# 64-bit otherwise. It unpacks version.txt (0.1.17) from its own file and
# installs it into the application's folder, which the demo application
# names in PARLEYNEST_DEMO_HOME; it stays 1.5 s so that the progress window
# can be seen while it runs.
nsis_target=(-DAMD64)
nsis_bits=64
if pn_wine_runs_32bit; then nsis_target=() nsis_bits=32; fi
printf '0.1.17\n' > "$demo/version.txt"
makensis -V1 -DOUT="$demo/PARLEYNEST-setup.exe" -DPAYLOAD="$demo/version.txt" \
  -DHOME_VAR=PARLEYNEST_DEMO_HOME -DDEST_DIR=. -DSTAY_MS=1500 "${nsis_target[@]}" \
  tests/fixtures/nsis/one-stage.nsi
pn_log "demo installer: NSIS, $nsis_bits-bit ($demo/PARLEYNEST-setup.exe)"
signed_installer() {
  bash tests/fixtures/sign.sh "$demo/certs" nestworks "$demo/PARLEYNEST-setup.exe" "$1"
}
tampered_installer() {
  signed_installer "$1.signed"
  bash tests/fixtures/tamper.sh "$1.signed" "$1"
  rm -f "$1.signed"
}

update_once signed ko-KR signed_installer
update_once tampered ko-KR tampered_installer
update_once signed-ja ja-JP signed_installer
update_once tampered-ja ja-JP tampered_installer

pn_log "done: screenshots in $shots"
