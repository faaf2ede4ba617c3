#!/usr/bin/env bash
# Builds everything and runs every test: the portable logic natively, the
# Windows code under Wine, end-to-end runs of PARLEYNEST-Updater.exe among
# them.
# The Windows build is the release build, so the tests run what ships.
#
#   scripts/test.sh                          everything, the layout check first
#   scripts/test.sh CTEST_REGEX [GTEST_FILTER]
#       only the CTest tests whose names match CTEST_REGEX, after building
#       only what they need, and in them only the GoogleTest cases that
#       GTEST_FILTER selects, for example
#       scripts/test.sh sign_verify_files_test 'SignedFiles.*Pin*'
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$PN_ROOT"

regex="${1:-}"
gtest_filter="${2:-}"

pn_ensure_packages

# Builds PARLEYNEST-Updater.exe a second time from a copy of the tracked
# files in a folder of another name and length, and compares it byte for
# byte with the first build: the release must not depend on where it was
# built. Both take the commit's time for the PE time stamp (the copy has no
# git history to read it from).
pn_check_rebuild() {
  local exe=bin/PARLEYNEST-Updater.exe copy
  pn_log "rebuilding the release in another folder: it must come out the same, byte for byte"
  copy="$(mktemp -d "${TMPDIR:-/tmp}/pn-rebuild.XXXXXX")"
  git ls-files -z | while IFS= read -r -d '' file; do
    if [ -e "$file" ]; then printf '%s\0' "$file"; fi
  done | tar --null -T - -cf - | tar -xf - -C "$copy" || return 1
  if ! (
    cd "$copy"
    export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$PN_ROOT" log -1 --format=%ct)}"
    pn_configure windows -DPN_BUILD_TESTS=OFF && pn_build_targets windows PARLEYNEST-Updater
  ); then
    pn_say "the second build failed; it stays in $copy"
    return 1
  fi
  if ! cmp -s "build/windows/$exe" "$copy/build/windows/$exe"; then
    pn_say "DIFFERENT: $(cmp -l "build/windows/$exe" "$copy/build/windows/$exe" | wc -l) bytes differ"
    pn_say "the second build stays in $copy"
    return 1
  fi
  pn_say "the same $(stat -c %s "build/windows/$exe") bytes from $PN_ROOT and $copy,"
  pn_say "SHA-256 $(sha256sum <"build/windows/$exe" | cut -d' ' -f1)"
  rm -rf "$copy"
}

if [ -z "$regex" ]; then
  pn_check_format
  pn_build windows
  pn_build linux
  pn_start_wine
  trap pn_stop EXIT

  status=0
  pn_log "the Windows runner's workflow: every Windows test executable, each one built"
  python3 scripts/check-windows-workflow.py .github/workflows/windows.yml build/windows || status=1
  pn_log "Windows tests under Wine (one line per test executable)"
  pn_say "the end-to-end ones drive the real updater in 26 scenarios; each prints nothing until it ends"
  ctest --preset windows || status=1
  pn_log "native tests"
  ctest --preset linux || status=1
  pn_sanitizer_and_fuzz || status=1
  pn_check_rebuild || status=1
  pn_log "done: $([ $status -eq 0 ] && echo 'every test passed' || echo 'some tests FAILED')"
  exit $status
fi

pn_log "configuring (windows, linux)"
pn_configure windows
pn_configure linux
mapfile -t windows_tests < <(pn_tests_matching windows "$regex")
mapfile -t linux_tests < <(pn_tests_matching linux "$regex")
if [ ${#windows_tests[@]} -eq 0 ] && [ ${#linux_tests[@]} -eq 0 ]; then
  echo "no test matches '$regex'; the tests are:" >&2
  { pn_tests_matching windows .; pn_tests_matching linux .; } | sort -u | sed 's/^/  /' >&2
  exit 2
fi
pn_say "windows (under Wine): ${windows_tests[*]:-none}"
pn_say "linux: ${linux_tests[*]:-none}"

needs_wine=${#windows_tests[@]}
[ -n "$(pn_tests_matching linux "$regex" wine)" ] && needs_wine=1
if [ -n "$(pn_tests_matching linux "$regex" windows-build)" ]; then
  pn_log "building (windows, all of it: native tests use its programs)"
  pn_build_targets windows all
elif [ ${#windows_tests[@]} -gt 0 ]; then
  pn_log "building (windows: what the tests need)"
  mapfile -t targets < <(pn_targets_of_tests windows "${windows_tests[@]}")
  pn_build_targets windows "${targets[@]}"
fi
if [ ${#linux_tests[@]} -gt 0 ]; then
  pn_log "building (linux: what the tests need)"
  mapfile -t targets < <(pn_targets_of_tests linux "${linux_tests[@]}")
  pn_build_targets linux "${targets[@]}"
fi

if [ "$needs_wine" -gt 0 ]; then
  pn_start_wine
  trap pn_stop EXIT
fi
[ -n "$gtest_filter" ] && export GTEST_FILTER="$gtest_filter"

status=0
if [ ${#windows_tests[@]} -gt 0 ]; then
  pn_log "Windows tests under Wine${gtest_filter:+ (GoogleTest filter $gtest_filter)}"
  ctest --preset windows -R "$regex" || status=1
fi
if [ ${#linux_tests[@]} -gt 0 ]; then
  pn_log "native tests${gtest_filter:+ (GoogleTest filter $gtest_filter)}"
  ctest --preset linux -R "$regex" || status=1
fi
pn_log "done: $([ $status -eq 0 ] && echo 'the tests passed' || echo 'some tests FAILED')"
exit $status
