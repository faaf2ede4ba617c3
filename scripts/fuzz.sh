#!/usr/bin/env bash
# Runs every fuzz target of tests/fuzz in the sanitizer build, building
# what is missing first (and installing what that needs).
#
#   scripts/fuzz.sh [seconds]   each target for that many seconds (60)
#   scripts/fuzz.sh --runs N    each target for N inputs (scripts/test.sh)
#
# Inputs found on the way go to build/sanitize/fuzz/corpus/<target> (or
# $PN_FUZZ_DIR/corpus/<target>); the seeds in tests/fuzz/corpus/<target>
# are only read. Exits non-zero when a
# target crashes, a sanitizer reports or a property breaks, and prints the
# input that did it. One line per target tells the inputs run and the
# edges covered.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$PN_ROOT"

limit=(-max_total_time="${1:-60}")
if [ "${1:-}" = --runs ]; then limit=(-runs="$2"); fi

if [ -z "${PN_FUZZ_BUILT:-}" ]; then
  pn_ensure_packages
  pn_build sanitize
fi

out="${PN_FUZZ_DIR:-$PN_ROOT/build/sanitize/fuzz}"
mkdir -p "$out/artifacts"
status=0
printf '%-22s %10s %8s %8s  %s\n' target runs edges features result
while read -r target; do
  [ -n "$target" ] || continue
  name="${target#fuzz_}"
  mkdir -p "$out/corpus/$name"
  log="$out/$name.log"
  seeds=()
  [ -d "tests/fuzz/corpus/$name" ] && seeds=("tests/fuzz/corpus/$name")
  result=ok
  if ! "build/sanitize/bin/$target" "${limit[@]}" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$out/artifacts/$name-" "$out/corpus/$name" "${seeds[@]}" </dev/null >"$log" 2>&1; then
    result=FAILED
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$( (grep -o ' cov: [0-9]*' "$log" || true) | tail -1 | tr -dc 0-9)
  ft=$( (grep -o ' ft: [0-9]*' "$log" || true) | tail -1 | tr -dc 0-9)
  printf '%-22s %10s %8s %8s  %s\n' "$name" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$result"
  if [ $result = FAILED ]; then
    grep -E 'property broken|ERROR: |runtime error|SUMMARY|Test unit written' "$log" | head -20 >&2 || true
    artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
    if [ -n "$artifact" ] && [ -f "$artifact" ]; then
      echo "the input ($artifact):" >&2
      od -An -c "$artifact" | head -20 >&2
    else
      tail -30 "$log" >&2
    fi
  fi
done <"$PN_ROOT/build/sanitize/fuzzers.txt"
exit $status
