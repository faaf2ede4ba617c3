#!/usr/bin/env bash
# Measures the release build of PARLEYNEST-Updater.exe under Wine on a
# virtual display beside two reference programs built with the same
# toolchain and flags, and writes the figures, the machine, the load, the
# date and the commands to docs/PERFORMANCE.md.
#
#   fair_reference.exe   the platform work that any program showing the
#                        progress window and verifying the installer must
#                        have done (common controls 6 by the same manifest,
#                        COM and WIC decoding the title bar, four fonts,
#                        sixteen labels and a progress bar; after the window
#                        shows, wintrust and crypt32 and one WinVerifyTrust)
#   reference_window.exe a bare borderless window of the same size
#
#   1. start-up: process start to the end of the first paint of the first
#      visible window; 2. the peak working set of the same runs. Runs go in
#      pairs (the updater, the fair reference, the bare window, in an order
#      that alternates), PN_BENCH_PAIRS of them (default and least 15); each
#      figure is the median of the per-pair ratios, with their interquartile
#      range
#   3. the updater's CPU time while an installer runs for 10 s
#   4. the installer's exit to the application's start (PN_BENCH_PAIRS runs)
#   5. verification of signed installers of 1, 50 and 200 MiB beside
#      sha256sum of the same files (hyperfine, without a shell)
#   6. the sizes of the programs and the largest parts of the updater's link
#      map
#
# The installers are the test programs' fake_app.exe, signed at run time by
# a throwaway CA made in build/bench (tests/fixtures); nothing of it is kept.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$PN_ROOT"

runs="${PN_BENCH_PAIRS:-15}"
out="${PN_BENCH_OUT:-docs/PERFORMANCE.md}"
build="build/windows"
bin="$build/bin"
work="build/bench"

pn_ensure_packages
pn_log "building the release programs ($build)"
pn_configure windows
pn_build_targets windows PARLEYNEST-Updater PARLEYNEST-Updater-marks fair_reference reference_window \
  launch_probe verify_probe fake_app

pn_start_wine
trap pn_stop EXIT

rm -rf "$work"
mkdir -p "$work/app" "$work/logs"
bash tests/fixtures/make-certs.sh "$work/certs" >/dev/null

wine_path() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }
# Wine's C runtime ends the lines of a console program with CR LF.
probe() { scripts/wine-run "$bin/launch_probe.exe" "$@" | tr -d '\r'; }
# The value of NAME in the "name value" lines of a probe.
field() { awk -v name="$1" '$1 == name { print $2 }'; }
# The median and the largest of the numbers on standard input ("-" if none).
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else print v[int((NR + 1) / 2)] }'; }
largest() { sort -n | awk 'END { print (NR ? $1 : "-") }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.2f", a / b }'; }

# The updater's run: a signed installer that does what its .behaviour file
# says (nothing: it ends at once), then a restart of the application, which
# ends at once too. The updater deletes the installer, so each run gets a copy.
signed="$work/signed-setup.exe"
bash tests/fixtures/sign.sh "$work/certs" nestworks "$bin/fake_app.exe" "$signed"
cp "$bin/fake_app.exe" "$work/app/PARLEYNEST.exe"
installer="$work/PARLEYNEST-setup.exe"
# The updater runs a private copy of the installer from a folder of its own:
# the fake installer keeps its behaviour and its record of runs here.
export PN_FAKE_HOME
PN_FAKE_HOME="$(wine_path "$work")"
updater_args() {
  cp -f "$signed" "$installer"
  printf '%s\0' "$(wine_path "$bin/PARLEYNEST-Updater.exe")" \
    --installer "$(wine_path "$installer")" --app-exe "$(wine_path "$work/app/PARLEYNEST.exe")" \
    --log "$(wine_path "$work/logs/updater.log")" --locale ko
}
bare="$(wine_path "$bin/reference_window.exe")"
fair="$(wine_path "$bin/fair_reference.exe")"
fair_installer="$(wine_path "$signed")"

# The first window of a wineserver session starts Wine's desktop process,
# which takes seconds: once for each program, not counted.
pn_log "warming up"
probe startup 30000 "$bare" >/dev/null
probe startup 30000 "$fair" "$fair_installer" >/dev/null
mapfile -d '' args < <(updater_args)
probe startup 30000 "${args[@]}" >/dev/null

# One run: "PAIR PROGRAM created_ms .. window_ms .. painted_ms .. peak_kib .. run_ms ..".
run_one() {
  local pair="$1" program="$2" line
  case "$program" in
    updater) mapfile -d '' args < <(updater_args); line=$(probe startup 30000 "${args[@]}") ;;
    fair) line=$(probe startup 30000 "$fair" "$fair_installer") ;;
    bare) line=$(probe startup 30000 "$bare") ;;
  esac
  echo "$pair $program $(tr '\n' ' ' <<< "$line")" >> "$work/startup.runs"
}

pn_log "1, 2: start-up and peak working set, $runs pairs, alternating"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
: > "$work/startup.runs"
for ((i = 1; i <= runs; i++)); do
  if ((i % 2)); then order="updater fair bare"; else order="bare fair updater"; fi
  for program in $order; do run_one "$i" "$program"; done
  printf '.'
done
echo
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
# The value of NAME in every run of PROGRAM, as "PAIR VALUE".
values() {
  awk -v program="$1" -v name="$2" '$2 == program {
    for (i = 3; i < NF; i++) if ($i == name) print $1, $(i + 1) }' "$work/startup.runs"
}
# "Median Q1 Q3" of the numbers on standard input, "- - -" without any.
quartiles() {
  sort -g | awk '
    function q(p,   x, k) { x = 1 + (NR - 1) * p; k = int(x); return v[k] + (x - k) * (v[k + 1] - v[k]) }
    { v[NR] = $1 }
    END { if (NR == 0) print "- - -"; else { v[NR + 1] = v[NR]; printf "%.3f %.3f %.3f\n", q(0.5), q(0.25), q(0.75) } }'
}
# The per-pair ratios A / B of NAME, over the pairs where both have a figure.
pair_ratios() {
  join <(values "$1" "$3" | sort -k1,1) <(values "$2" "$3" | sort -k1,1) |
    awk '$2 != "none" && $3 != "none" && $3 > 0 { printf "%.4f\n", $2 / $3 }'
}
median_of() {
  values "$1" "$2" | awk '$2 != "none" { print $2 }' | quartiles |
    awk '{ if ($1 == "-") print "-"; else printf "%.1f", $1 }'
}
shown_pairs() { values "$1" painted_ms | awk '$2 != "none"' | wc -l; }
# "1.03 (1.01-1.06)": a median ratio and its interquartile range.
ratio_text() { awk '{ if ($1 == "-") print "-"; else printf "%.2f (%.2f-%.2f)", $1, $2, $3 }'; }
read -r startup_ratio startup_q1 startup_q3 < <(pair_ratios updater fair painted_ms | quartiles)
read -r peak_ratio peak_q1 peak_q3 < <(pair_ratios updater fair peak_kib | quartiles)
startup_text=$(pair_ratios updater fair painted_ms | quartiles | ratio_text)
peak_text=$(pair_ratios updater fair peak_kib | quartiles | ratio_text)
platform_startup_text=$(pair_ratios fair bare painted_ms | quartiles | ratio_text)
platform_peak_text=$(pair_ratios fair bare peak_kib | quartiles | ratio_text)
startup_pairs=$(pair_ratios updater fair painted_ms | wc -l)
for program in updater fair bare; do
  for name in created_ms window_ms painted_ms peak_kib run_ms; do
    printf -v "m_${program}_${name}" '%s' "$(median_of "$program" "$name")"
  done
done
# Where the start-up goes, from outside: process start to the first window
# (hidden), to the window shown, to its first paint ended. Medians of the
# per-run differences.
phase() {
  awk -v program="$1" -v from="$2" -v to="$3" '$2 == program {
      a = b = ""
      for (i = 3; i < NF; i++) { if ($i == from) a = $(i + 1); if ($i == to) b = $(i + 1) }
      if (from == "start") a = 0
      if (a != "" && b != "" && a != "none" && b != "none") print b - a }' "$work/startup.runs" |
    quartiles | awk '{ if ($1 == "-") print "-"; else printf "%.1f", $1 }'
}
phase_row() {
  printf '| %s | %s | %s | %s | %s |\n' "$1" "$(phase "$1" start created_ms)" \
    "$(phase "$1" created_ms window_ms)" "$(phase "$1" window_ms painted_ms)" \
    "$(phase "$1" start painted_ms)"
}
cat "$work/startup.runs"
echo "start-up updater/fair $startup_text, fair/bare $platform_startup_text"
echo "peak updater/fair $peak_text, fair/bare $platform_peak_text"

pn_log "marks inside the updater's start-up, $runs runs"
# PARLEYNEST-Updater-marks.exe is the updater with bench/startup_marks.cc
# linked in; each run writes its marks (ms since the process was created).
: > "$work/marks.all"
for ((i = 1; i <= runs; i++)); do
  mapfile -d '' args < <(updater_args)
  args[0]="$(wine_path "$bin/PARLEYNEST-Updater-marks.exe")"
  rm -f "$work/marks.txt"
  PN_MARKS="$(wine_path "$work/marks.txt")" scripts/wine-run "${args[@]}" || true
  # The first time each mark is met in the run, its time since "C runtime started".
  [ -f "$work/marks.txt" ] && tr -d '\r' < "$work/marks.txt" | awk -v run="$i" '
    { what = $0; sub(/^[^ ]+ /, "", what) }
    NR == 1 { zero = $1 }
    !(what in seen) { seen[what] = 1; printf "%s\t%.2f\t%.2f\t%s\n", run, $1, $1 - zero, what }' >> "$work/marks.all"
  printf '.'
done
echo
# "| what | runs | median ms since creation | median ms since the C runtime |", by time.
marks_rows=$(awk -F'\t' '{ print $4 "\t" $2 "\t" $3 }' "$work/marks.all" | sort -t$'\t' -k1,1 |
  awk -F'\t' -v runs="$runs" '
    function flush(   n, i, j, t) {
      if (key == "" || count < (runs + 1) / 2) return
      n = count
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) {
        if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
        if (b[j] < b[i]) { t = b[i]; b[i] = b[j]; b[j] = t } }
      printf "%.1f\t| %s | %d | %.1f | %.1f |\n", b[int((n + 1) / 2)], key, n, a[int((n + 1) / 2)], b[int((n + 1) / 2)]
    }
    $1 != key { flush(); key = $1; count = 0 }
    { count++; a[count] = $2; b[count] = $3 }
    END { flush() }' | sort -g | cut -f2-)
echo "$marks_rows"

pn_log "3: the updater's CPU time while an installer runs for 10 s"
# The Linux process of the Wine program started as $1 (its command line
# starts with the program's Windows path).
linux_pid_of() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(head -z -n1 "$p/cmdline" 2>/dev/null | tr -d '\0')" = "$1" ] && { echo "${p#/proc/}"; return; }
  done
  return 1
}
# Nanoseconds on a CPU of all the threads of a Linux process.
cpu_ns_of() { { cat /proc/"$1"/task/*/schedstat 2>/dev/null || true; } | awk '{ s += $1 } END { print s + 0 }'; }
mapfile -d '' args < <(updater_args)
echo "--stay-ms 10000" > "$installer.behaviour"
rm -f "$installer.runs"
probe update 60000 "${args[@]}" > "$work/cpu.update" &
probe_job=$!
# The installer writes its .runs file when it starts. Windows' own figure
# (GetProcessTimes, in the probe) comes in 10 ms ticks under Wine, so the
# updater's Linux process is read too, in nanoseconds, from 1 s to 9 s
# into the installer's run.
for _ in $(seq 3000); do [ -s "$installer.runs" ] && break; sleep 0.01; done
updater_pid=""
for _ in $(seq 50); do
  updater_pid=$(linux_pid_of "${args[0]}" || true)
  [ -n "$updater_pid" ] && break
  sleep 0.1
done
sleep 1
cpu_a=$(cpu_ns_of "$updater_pid"); at_a=$(date +%s%N)
sleep 8
cpu_b=$(cpu_ns_of "$updater_pid"); at_b=$(date +%s%N)
wait "$probe_job" || echo "the probe of the updater's run failed" >&2
[ -n "$updater_pid" ] || echo "the updater's Linux process was not found" >&2
cat "$work/cpu.update"
wait_ms=$(field wait_ms < "$work/cpu.update")
wait_cpu=$(field wait_cpu_ms < "$work/cpu.update")
if [ -n "$updater_pid" ] && [ "$cpu_b" -gt 0 ]; then
  linux_cpu_ms=$(awk -v c=$((cpu_b - cpu_a)) 'BEGIN { printf "%.2f", c / 1e6 }')
  linux_wall_ms=$(( (at_b - at_a) / 1000000 ))
  cpu_share=$(awk -v c="$linux_cpu_ms" -v w="$linux_wall_ms" 'BEGIN { printf "%.3f", 100 * c / w }')
  echo "Linux: $linux_cpu_ms ms of CPU in $linux_wall_ms ms"
else
  # Only Windows' own figure, in 10 ms ticks: said so in the table.
  linux_cpu_ms="$wait_cpu (GetProcessTimes)"
  linux_wall_ms="$wait_ms"
  cpu_share=$(awk -v c="$wait_cpu" -v w="$wait_ms" 'BEGIN { printf "%.3f", 100 * c / w }')
fi

pn_log "4: installer exit to application start, $runs runs"
echo "--stay-ms 300" > "$installer.behaviour"
: > "$work/restart.update"
for ((i = 1; i <= runs; i++)); do
  mapfile -d '' args < <(updater_args)
  probe update 60000 "${args[@]}" | field restart_ms >> "$work/restart.update"
  printf '.'
done
echo
rm -f "$installer.behaviour"
restart_median=$(median < "$work/restart.update")
restart_max=$(largest < "$work/restart.update")

pn_log "5: verification beside sha256sum"
verify_rows=""
for mib in 1 50 200; do
  file="$work/setup-$mib.exe"
  cp "$bin/fake_app.exe" "$file.unsigned"
  head -c $((mib * 1048576 - $(stat -c %s "$bin/fake_app.exe"))) /dev/urandom >> "$file.unsigned"
  bash tests/fixtures/sign.sh "$work/certs" nestworks "$file.unsigned" "$file"
  rm -f "$file.unsigned"
  verified=$(scripts/wine-run "$bin/verify_probe.exe" 5 "$(wine_path "$file")" | tr -d '\r')
  # hyperfine starts sha256sum itself, without a shell: no other program's
  # start is in the figure.
  hyperfine -N --style none --warmup 1 --runs 5 --export-json "$work/sha256.json" \
    "sha256sum $file" >/dev/null
  sha_ms=$(grep -o '"median": *[0-9.e-]*' "$work/sha256.json" | head -1 |
    awk -F: '{ printf "%.1f", $2 * 1000 }')
  verify_ms=$(awk '{ print $2 }' <<< "$verified")
  verify_rows+="| $mib MiB | $(stat -c %s "$file") | $verify_ms | $(awk '{ print $3 }' <<< "$verified") | $sha_ms |"$'\n'
  echo "$mib MiB: verification $verify_ms ms, sha256sum $sha_ms ms"
  rm -f "$file"
done

pn_log "6: sizes and the link map"
up_size=$(stat -c %s "$bin/PARLEYNEST-Updater.exe")
fair_size=$(stat -c %s "$bin/fair_reference.exe")
bare_size=$(stat -c %s "$bin/reference_window.exe")
# The input sections of the link map summed by the file they come from:
# an archive member, an object, or the updater's own code after LTO.
map_top() {
  awk '
    function hex(text,   i, n) {
      n = 0
      text = tolower(substr(text, 3))
      for (i = 1; i <= length(text); i++) n = n * 16 + index("0123456789abcdef", substr(text, i, 1)) - 1
      return n
    }
    /^Linker script and memory map/ { in_map = 1; next }
    !in_map { next }
    /^[.\/A-Za-z]/ { section = $1; pending = 0; next }
    section == "/DISCARD/" || section == ".bss" || section ~ /^\.debug/ { next }
    /^ [.*]/ && NF == 1 { pending = 1; next }
    {
      if (pending && NF == 3 && $1 ~ /^0x/) { size = $2; file = $3 }
      else if ($1 ~ /^\./ && NF == 4 && $2 ~ /^0x/) { size = $3; file = $4 }
      else { pending = 0; next }
      pending = 0
      sub(/.*\//, "", file)
      if (file ~ /ltrans/) file = "the updater'"'"'s own code and libraries, after LTO"
      bytes[file] += hex(size)
    }
    END { for (f in bytes) if (bytes[f] > 0) printf "%d\t%s\n", bytes[f], f }
  ' "$1" | sort -rn
}
map_top "$build/PARLEYNEST-Updater.map" > "$work/map.top"
head -15 "$work/map.top"
map_total=$(awk '{ s += $1 } END { print s }' "$work/map.top")
group_of() { awk -F'\t' -v pattern="$1" '$2 ~ pattern { s += $1 } END { print s + 0 }' "$work/map.top"; }

pn_log "writing $out"
verdict() { awk -v v="$1" -v limit="$2" 'BEGIN { if (v == "-") print "not measured"; else if (v + 0 <= limit + 0) print "met"; else print "missed" }'; }
cpu_verdict=$(awk -v s="$cpu_share" 'BEGIN { print (s + 0 < 1 ? "met" : "missed") }')
mkdir -p "$(dirname "$out")"
{
  cat <<EOF
# Performance

Written by \`scripts/bench.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'); run it again to
measure a change. Every figure is of the release build (\`cmake --preset windows\`:
-Os, static runtime, stripped, the updater linked with LTO), under Wine on Xvfb.

## Machine

| | |
|---|---|
| CPU | $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) cores |
| memory | $(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo) |
| system | Debian $(cat /etc/debian_version), Linux $(uname -r) |
| Wine | $(/usr/lib/wine/wine64 --version) |
| compiler | x86_64-w64-mingw32-g++-win32 $(x86_64-w64-mingw32-g++-win32 -dumpfullversion) |
| load (1, 5, 15 min) | $load_before before the start-up runs, $load_after after them |

The machine is shared: other programs ran beside the bench (the load
above). Ratios of runs taken side by side stand such load better than
times do, but the spread shows how much it moved them.

## Figures against the targets

Start-up runs from just before \`CreateProcess\` to the end of the first
paint of the first visible window: the moment no part of that window or of
its visible child windows is left to paint (the window server's update
regions, read by \`launch_probe\` about every millisecond). Ratios are the
median of the per-pair ratios over $runs pairs ($startup_pairs with a figure
for both programs), with the interquartile range in brackets.

| | updater | fair reference | bare window | updater / fair reference | target | | fair reference / bare window |
|---|---|---|---|---|---|---|---|
| 1. start-up to the first paint, median (ms) | $m_updater_painted_ms | $m_fair_painted_ms | $m_bare_painted_ms | $startup_text | at most 1.05x | $(verdict "$startup_ratio" 1.05) | $platform_startup_text |
| 2. peak working set, median (KiB) | $m_updater_peak_kib | $m_fair_peak_kib | $m_bare_peak_kib | $peak_text | at most 1.05x | $(verdict "$peak_ratio" 1.05) | $platform_peak_text |
| 3. CPU time while waiting for the installer | $linux_cpu_ms ms in $linux_wall_ms ms | | | $cpu_share % | under 1 % | $cpu_verdict | |
| 4. installer exit to application start, median / largest of $runs (ms) | $restart_median / $restart_max | | | | under 20 ms | $(verdict "$restart_max" 19.999) | |
| 6. file size (bytes) | $up_size | $fair_size | $bare_size | | at most 184320, aim under 174080 | $(verdict "$up_size" 184320), aim $(verdict "$up_size" 174079) | |

The last column is the platform's cost: what common controls 6, COM and
WIC, the fonts and controls and the trust provider cost any program, above
a bare window. The updater's own cost is the column before the target.

### Where the start-up goes

Medians of the per-run differences (ms), as \`launch_probe\` sees each run:
process start to the first top-level window (hidden), to the window shown,
to its first paint ended.

| program | start to first window | window made to shown | shown to painted | start to painted |
|---|---|---|---|---|
$(phase_row updater)
$(phase_row fair)
$(phase_row bare)

Inside the updater, from \`PARLEYNEST-Updater-marks.exe\` (the updater with
\`bench/startup_marks.cc\` linked in: DLL loads from ntdll's notification,
windows made and shown and the first \`WM_PAINT\` from window hooks; the first
time each is met, marks met in at least half of $runs runs). The DLLs that
the program imports (comctl32 6 and uxtheme by the manifest, ole32, shlwapi)
are loaded before the C runtime starts and so before any mark.

| mark | runs | median ms since the process was created | median ms since the C runtime started |
|---|---|---|---|
$marks_rows

Before its first window the updater sets the DLL search path, reads its
command line, registers its window classes (common controls 6 are bound by
the manifest and loaded with the program) and writes its first log line.
Between its first window and the window shown it initialises COM, loads the
image codecs and decodes and composes both title bar pictures (the active
and the inactive one, each stretched to the window's width with the title
drawn on it), then makes its fonts, labels, step rows and progress bar. The
fair reference decodes one picture and draws it as it is. The title bar's
composition stays before the window shows, so that the first paint already
has it.

1. Start-up: the updater's runs are whole updates (a signed installer that
   ends at once, then the restart); a run took $m_updater_run_ms ms (median),
   the fair reference's $m_fair_run_ms ms (it verifies the same signed
   installer and stays 300 ms), the bare window's $m_bare_run_ms ms (it stays
   500 ms).
2. Peak working set: the largest \`PeakWorkingSetSize\` of \`GetProcessMemoryInfo\`
   read while the process ran (about every millisecond). Under Wine it is the
   Linux process's peak resident size, Wine's own DLLs included: every DLL the
   program loads counts.
3. CPU: the time on a CPU of the updater's Linux process (all its threads,
   \`/proc/PID/task/*/schedstat\`) from 1 s to 9 s into the installer's 10 s.
   \`GetProcessTimes\` over the installer's whole run ($wait_ms ms) gave
   $wait_cpu ms; Wine reads those times from Linux in 10 ms ticks.
4. Restart: the updater runs in a job object; the time runs from the job's
   message that the installer has ended to the message that the application
   has started. The installer runs 300 ms each time.

## 5. Verification

The updater's check of the installer (\`check_installer_signature\`: trust,
signer, thumbprint) timed in process by \`verify_probe\`, median and largest of 5
runs after one uncounted run, beside \`sha256sum\` of the same file (median of
5 after one uncounted run, started by \`hyperfine -N\` without a shell).

| installer | bytes | verification (ms) | largest (ms) | sha256sum (ms) |
|---|---|---|---|---|
${verify_rows}
## 6. Where the bytes go

The largest parts of \`$build/PARLEYNEST-Updater.map\`, by the file they come
from ($map_total bytes of sections in all; the rest of the $up_size bytes are
headers and alignment). libstdc++ makes up $(group_of 'libstdc|libgcc') bytes of it,
winpthread $(group_of libpthread), the MinGW C runtime $(group_of 'libmingw|libmsvcrt|crt2'),
the resources $(group_of '\\.res'). libstdc++'s throwing helpers are the
updater's own (\`updater/fatal_exit.cc\`), and the win32 thread model of the
toolchain needs no winpthread.

| bytes | from |
|---|---|
$(head -20 "$work/map.top" | awk -F'\t' '{ printf "| %d | %s |\n", $1, $2 }')

## Commands

\`\`\`sh
scripts/bench.sh      # PN_BENCH_PAIRS=$runs
# 1, 2 (in pairs, the order alternating, the updater's installer copied afresh each time):
scripts/wine-run $bin/launch_probe.exe startup 30000 Z:…\\PARLEYNEST-Updater.exe --installer Z:…\\PARLEYNEST-setup.exe --app-exe Z:…\\PARLEYNEST.exe --log Z:…\\updater.log --locale ko
scripts/wine-run $bin/launch_probe.exe startup 30000 Z:…\\fair_reference.exe Z:…\\signed-setup.exe
scripts/wine-run $bin/launch_probe.exe startup 30000 Z:…\\reference_window.exe
# 3 (installer.behaviour: --stay-ms 10000) and 4 (--stay-ms 300):
scripts/wine-run $bin/launch_probe.exe update 60000 <the same updater command>
# 5, for 1, 50 and 200 MiB (fake_app.exe padded with random bytes, then signed):
scripts/wine-run $bin/verify_probe.exe 5 Z:…\\setup-N.exe
hyperfine -N --warmup 1 --runs 5 "sha256sum $work/setup-N.exe"
\`\`\`
EOF
} > "$out"
cat "$out"
