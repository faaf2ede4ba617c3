#!/usr/bin/env bash
# Measures the release build of PARLEYNEST-Updater.exe under Wine on a
# virtual display, beside a reference program that only shows a window of
# the progress dialog's size, and writes the figures, the machine, the date
# and the commands to docs/PERFORMANCE.md.
#
#   1. start-up: process start to the first visible top-level window,
#      median of PN_BENCH_RUNS runs (default 11) each, alternating the two
#   2. peak working set of the same runs
#   3. the updater's CPU time while an installer runs for 10 s
#   4. the installer's exit to the application's start (PN_BENCH_RUNS runs)
#   5. verification of signed installers of 1, 50 and 200 MiB beside
#      sha256sum of the same files
#   6. the sizes of both programs and the largest parts of the updater's
#      link map
#
# The installers are the test programs' fake_app.exe, signed at run time by
# a throwaway CA made in build/bench (tests/fixtures); nothing of it is kept.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$PN_ROOT"

runs="${PN_BENCH_RUNS:-11}"
out="${PN_BENCH_OUT:-docs/PERFORMANCE.md}"
build="build/windows"
bin="$build/bin"
work="build/bench"

pn_ensure_packages
pn_log "building the release programs ($build)"
pn_configure windows
pn_build_targets windows PARLEYNEST-Updater reference_window launch_probe verify_probe fake_app

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
reference="$(wine_path "$bin/reference_window.exe")"

# The first window of a wineserver session starts Wine's desktop process,
# which takes seconds: once for each program, not counted.
pn_log "warming up"
probe startup 30000 "$reference" >/dev/null
mapfile -d '' args < <(updater_args)
probe startup 30000 "${args[@]}" >/dev/null

pn_log "1, 2: start-up and peak working set, $runs runs each, alternating"
: > "$work/updater.startup"
: > "$work/reference.startup"
for ((i = 1; i <= runs; i++)); do
  mapfile -d '' args < <(updater_args)
  probe startup 30000 "${args[@]}" | tr '\n' ' ' >> "$work/updater.startup"
  echo >> "$work/updater.startup"
  probe startup 30000 "$reference" | tr '\n' ' ' >> "$work/reference.startup"
  echo >> "$work/reference.startup"
  printf '.'
done
echo
column_of() { tr ' ' '\n' < "$2" | awk -v name="$1" 'prev == name { print } { prev = $0 }'; }
shown() { column_of window_ms "$1" | awk '$1 != "none"'; }
up_window=$(shown "$work/updater.startup" | median)
up_windows=$(shown "$work/updater.startup" | wc -l)
ref_window=$(shown "$work/reference.startup" | median)
ref_windows=$(shown "$work/reference.startup" | wc -l)
up_peak=$(column_of peak_kib "$work/updater.startup" | median)
ref_peak=$(column_of peak_kib "$work/reference.startup" | median)
up_run=$(column_of run_ms "$work/updater.startup" | median)
ref_run=$(column_of run_ms "$work/reference.startup" | median)
if [ "$up_windows" -eq 0 ]; then
  startup_note="not measurable: the updater showed no window in any of its $runs runs, so there is no start-up figure for it"
  up_window="-"
else
  startup_note="$up_windows of $runs updater runs and $ref_windows of $runs reference runs showed a window"
fi

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
cpu_ns_of() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { print s + 0 }'; }
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
updater_pid=$(linux_pid_of "${args[0]}" || true)
sleep 1
cpu_a=$(cpu_ns_of "$updater_pid"); at_a=$(date +%s%N)
sleep 8
cpu_b=$(cpu_ns_of "$updater_pid"); at_b=$(date +%s%N)
wait "$probe_job"
cat "$work/cpu.update"
wait_ms=$(field wait_ms < "$work/cpu.update")
wait_cpu=$(field wait_cpu_ms < "$work/cpu.update")
if [ -n "$updater_pid" ] && [ "$cpu_b" -gt 0 ]; then
  linux_cpu_ms=$(awk -v c=$((cpu_b - cpu_a)) 'BEGIN { printf "%.2f", c / 1e6 }')
  linux_wall_ms=$(( (at_b - at_a) / 1000000 ))
  cpu_share=$(awk -v c="$linux_cpu_ms" -v w="$linux_wall_ms" 'BEGIN { printf "%.3f", 100 * c / w }')
  echo "Linux: $linux_cpu_ms ms of CPU in $linux_wall_ms ms"
else
  linux_cpu_ms="-"
  linux_wall_ms="-"
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
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    sha256sum "$file" >/dev/null
    echo $(( ($(date +%s%N) - start) / 1000 ))
  done | median > "$work/sha256.us"
  sha_ms=$(awk '{ printf "%.1f", $1 / 1000 }' "$work/sha256.us")
  verify_ms=$(awk '{ print $2 }' <<< "$verified")
  verify_rows+="| $mib MiB | $(stat -c %s "$file") | $verify_ms | $(awk '{ print $3 }' <<< "$verified") | $sha_ms |"$'\n'
  echo "$mib MiB: verification $verify_ms ms, sha256sum $sha_ms ms"
  rm -f "$file"
done

pn_log "6: sizes and the link map"
up_size=$(stat -c %s "$bin/PARLEYNEST-Updater.exe")
ref_size=$(stat -c %s "$bin/reference_window.exe")
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
startup_ratio=$(ratio "$up_window" "$ref_window")
peak_ratio=$(ratio "$up_peak" "$ref_peak")
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
| compiler | x86_64-w64-mingw32-g++-posix $(x86_64-w64-mingw32-g++-posix -dumpfullversion) |
| load at the start | $(cut -d' ' -f1-3 /proc/loadavg) |

## Figures against the targets

| | updater | reference | ratio | target | |
|---|---|---|---|---|---|
| 1. start-up to the first visible window, median of $runs (ms) | $up_window | $ref_window | $startup_ratio | at most 1.10x | $(verdict "$startup_ratio" 1.10) |
| 2. peak working set, median of $runs (KiB) | $up_peak | $ref_peak | $peak_ratio | at most 1.2x | $(verdict "$peak_ratio" 1.2) |
| 3. CPU time while waiting for the installer (ms) | $linux_cpu_ms in $linux_wall_ms ms | | $cpu_share % | under 1 % | $cpu_verdict |
| 4. installer exit to application start, median / largest of $runs (ms) | $restart_median / $restart_max | | | under 50 ms | $(verdict "$restart_max" 49.999) |
| 6. file size (bytes) | $up_size | $ref_size | | at most 262144, aim under 204800 | $(verdict "$up_size" 262144) |

1. Start-up: $startup_note. The updater's runs are whole updates (a signed
   installer that ends at once, then the restart); a run took $up_run ms
   (median), the reference's $ref_run ms (it shows its window for 500 ms).
   Before its window shows, the updater does what the reference does not:
   it loads common controls 6 (bound by its manifest, with the theming
   DLL), ole32 and shlwapi; it writes its first log line; it initialises COM,
   loads the image codecs (windowscodecs, with oleaut32 and propsys) and
   decodes and stretches both 1918 x 31 title bar pictures; it makes four
   fonts and sixteen child windows. Measured apart under the same Wine, the
   first picture takes about 8 to 20 ms (most of it loading the codecs), the
   second 2 to 5 ms, and the controls 5 to 15 ms.
2. Peak working set: the largest \`PeakWorkingSetSize\` of \`GetProcessMemoryInfo\`
   read while the process ran (about every millisecond). Under Wine it is the
   Linux process's peak resident size, Wine's own DLLs included: every DLL the
   program loads counts. The updater needs common controls 6, the image
   codecs and, to verify, wintrust and crypt32 (loaded from System32 when the
   Verify step comes); each adds megabytes that the reference never loads.
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
runs after one uncounted run, beside \`sha256sum\` of the same file (median of 5).

| installer | bytes | verification (ms) | largest (ms) | sha256sum (ms) |
|---|---|---|---|---|
${verify_rows}
## 6. Where the bytes go

The largest parts of \`$build/PARLEYNEST-Updater.map\`, by the file they come
from ($map_total bytes of sections in all; the rest of the $up_size bytes are
headers and alignment). libstdc++ makes up $(group_of 'libstdc|libgcc') bytes of it,
winpthread $(group_of libpthread), the MinGW C runtime $(group_of 'libmingw|libmsvcrt|crt2'),
the resources $(group_of '\\.res').

| bytes | from |
|---|---|
$(head -20 "$work/map.top" | awk -F'\t' '{ printf "| %d | %s |\n", $1, $2 }')

## Commands

\`\`\`sh
scripts/bench.sh      # PN_BENCH_RUNS=$runs
# 1, 2 (alternating, the updater's installer copied afresh each time):
scripts/wine-run $bin/launch_probe.exe startup 30000 Z:…\\PARLEYNEST-Updater.exe --installer Z:…\\PARLEYNEST-setup.exe --app-exe Z:…\\PARLEYNEST.exe --log Z:…\\updater.log --locale ko
scripts/wine-run $bin/launch_probe.exe startup 30000 Z:…\\reference_window.exe
# 3 (installer.behaviour: --stay-ms 10000) and 4 (--stay-ms 300):
scripts/wine-run $bin/launch_probe.exe update 60000 <the same updater command>
# 5, for 1, 50 and 200 MiB (fake_app.exe padded with random bytes, then signed):
scripts/wine-run $bin/verify_probe.exe 5 Z:…\\setup-N.exe
sha256sum $work/setup-N.exe
\`\`\`
EOF
} > "$out"
cat "$out"
