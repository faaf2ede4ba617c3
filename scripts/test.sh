#!/usr/bin/env bash
# Builds everything and runs every test: the portable logic natively, the
# Windows code under Wine, and end-to-end runs of PARLEYNEST-Updater.exe.
# The Windows build is the release build, so the tests run what ships.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$PN_ROOT"

pn_ensure_packages
start=$(date +%s)
pn_check_format
pn_build windows
pn_build linux

pn_start_display
trap pn_stop EXIT
pn_start_wineserver
pn_wine_prefix

status=0
pn_log "Windows tests under Wine"
ctest --preset windows || status=1
pn_log "native and end-to-end tests"
ctest --preset linux || status=1
pn_sanitizer_and_fuzz || status=1

pn_log "done in $(( $(date +%s) - start )) s"
exit $status
