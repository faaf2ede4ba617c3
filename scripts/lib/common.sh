# Shared set-up of scripts/test.sh and scripts/demo.sh: packages, builds,
# the Wine prefix, a virtual display and a wineserver that stays up.
# Sourced, not run.

PN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export PN_WINEPREFIX="${PN_WINEPREFIX:-$PN_ROOT/build/wineprefix}"
export WINEPREFIX="$PN_WINEPREFIX"
PN_WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Every phase is told with the seconds since the script started.
PN_T0="${PN_T0:-$(date +%s)}"
pn_elapsed() { echo $(($(date +%s) - PN_T0)); }
pn_log() { printf '\n== [%4d s] %s\n' "$(pn_elapsed)" "$*"; }
# A line inside a phase.
pn_say() { printf '   %s\n' "$*"; }

# Installs what is missing (Debian 12, as root): first what the build and
# the tests require, then Wine's 32-bit side on its own. A package mirror
# in the middle of a sync can fail an index or two; that stops nothing as
# long as the required packages still install.
pn_ensure_packages() {
  local need=()
  command -v cmake >/dev/null || need+=(cmake)
  command -v make >/dev/null || need+=(make)
  command -v g++ >/dev/null || need+=(g++)
  command -v x86_64-w64-mingw32-g++-win32 >/dev/null || need+=(mingw-w64 g++-mingw-w64-x86-64-win32)
  [ -x /usr/lib/wine/wine64 ] || need+=(wine64)
  command -v makensis >/dev/null || need+=(nsis)
  command -v clang-format-14 >/dev/null || need+=(clang-format-14)
  command -v Xvfb >/dev/null || need+=(xvfb)
  command -v openssl >/dev/null || need+=(openssl)
  command -v osslsigncode >/dev/null || need+=(osslsigncode)
  # The throwaway time-stamping service of the signing test.
  command -v python3 >/dev/null || need+=(python3)
  # The check of the Windows runner's workflow reads YAML.
  python3 -c 'import yaml' 2>/dev/null || need+=(python3-yaml)
  [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
  command -v import >/dev/null || need+=(imagemagick)
  command -v xdotool >/dev/null || need+=(xdotool)
  command -v hyperfine >/dev/null || need+=(hyperfine)
  [ -d /usr/share/fonts/truetype/nanum ] || need+=(fonts-nanum)
  [ -d /usr/share/fonts/opentype/noto ] || need+=(fonts-noto-cjk)
  # The sanitizer build and the fuzz targets (scripts/fuzz.sh).
  command -v clang++-19 >/dev/null || need+=(clang-19)
  [ -f /usr/lib/llvm-19/lib/clang/19/lib/linux/libclang_rt.fuzzer-x86_64.a ] || need+=(libclang-rt-19-dev)
  [ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
  # Wine's own fonts: Marlett draws the caption buttons of ordinary windows
  # (without it they show as letters), Tahoma is the default dialog font.
  [ -f /usr/share/wine/fonts/marlett.ttf ] || need+=(fonts-wine)
  # 32-bit Windows programs (most installers) need Wine's 32-bit side; the
  # tests of 32-bit installers are skipped without it.
  local want_wine32=0
  [ -x /usr/lib/wine/wine ] || want_wine32=1
  if [ ${#need[@]} -eq 0 ] && [ $want_wine32 -eq 0 ]; then
    pn_log "packages: everything needed is installed"
    return
  fi
  export DEBIAN_FRONTEND=noninteractive
  PN_APT_OUT="$(mktemp)"  # apt's output, for its reason when it fails
  local update=0
  if [ ${#need[@]} -gt 0 ]; then
    pn_log "installing ${#need[@]} packages with apt-get: ${need[*]}"
    update=1
  fi
  if [ $want_wine32 -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    pn_log "adding the i386 architecture (Wine's 32-bit side)"
    dpkg --add-architecture i386
    update=1
  fi
  [ $update -eq 1 ] && pn_apt_update
  if [ ${#need[@]} -gt 0 ]; then
    pn_say "apt-get install: downloading and unpacking (several minutes on a bare machine, silent meanwhile)"
    if ! pn_apt_install "${need[@]}"; then
      local missing=() name
      for name in "${need[@]}"; do
        apt-get install -s -qq "$name" >/dev/null 2>&1 || missing+=("$name")
      done
      echo "cannot install what the build requires: ${missing[*]:-${need[*]}}" >&2
      return 1
    fi
    pn_say "installed in $(($(date +%s) - PN_T0)) s since the start"
  fi
  if [ $want_wine32 -eq 1 ]; then
    pn_log "installing Wine's 32-bit side (wine32:i386)"
    if ! pn_apt_install wine32:i386; then
      pn_say "wine32:i386 cannot be installed ($(pn_apt_reason)): going on with 64-bit Windows programs only, the 32-bit tests are skipped"
    fi
  fi
}

# apt-get update, tried three times; a package list that still fails to
# download is reported and the lists that came are used.
pn_apt_update() {
  local try
  for try in 1 2 3; do
    pn_say "apt-get update: reading the package lists (try $try of 3)"
    if apt-get update -qq >"$PN_APT_OUT" 2>&1; then return 0; fi
    [ $try -lt 3 ] && sleep 5
  done
  pn_say "apt-get update failed ($(pn_apt_reason)); going on with the lists that came"
}

pn_apt_install() { apt-get install -y -q "$@" >"$PN_APT_OUT" 2>&1; }
# apt's reason, on one line: its first error and, when dependencies could
# not be met, the first of them.
pn_apt_reason() {
  local error unmet
  error="$(grep -m 1 "^E: " "$PN_APT_OUT" | cut -c 4-)" || true
  unmet="$(grep -m 1 'Depends: .* but ' "$PN_APT_OUT" | tr -s ' ')" || true
  printf '%s' "${error:-no reason given}${unmet:+; first unmet:$unmet}"
}

# pn_configure PRESET [extra cmake arguments]: CMake's output only when it
# fails.
pn_configure() {
  local preset="$1" out
  shift
  out="$(mktemp)"
  if ! cmake --preset "$preset" "$@" >"$out" 2>&1; then
    cat "$out" >&2
    rm -f "$out"
    return 1
  fi
  rm -f "$out"
}

# pn_build PRESET [extra cmake arguments]: the whole build of a preset.
pn_build() {
  local preset="$1"
  shift
  pn_log "building ($preset)"
  pn_configure "$preset" "$@"
  pn_build_targets "$preset" all
}

# pn_build_targets PRESET TARGET...: builds the targets of a configured
# preset. Instead of every command, one short line per target as it is
# done and one at the end (how many files were compiled and programs
# linked); warnings, errors and the build's own notes (signing the test
# files) come through as they are.
pn_build_targets() {
  local preset="$1" start status=0
  local -  # the options below end with the function
  set -o pipefail
  shift
  start=$(date +%s)
  cmake --build --preset "$preset" -j "$(nproc)" --target "$@" 2>&1 | awk -v preset="$preset" '
    /^\[ *[0-9]+%\] Building / { compiled++; next }
    /^\[ *[0-9]+%\] Linking / { linked++; next }
    /^\[ *[0-9]+%\] Built target / {
      targets++; match($0, /[0-9]+%/)
      printf "   %4s built %s\n", substr($0, RSTART, RLENGTH), $NF; fflush(); next }
    /^Scanning dependencies|^Consolidate compiler generated/ { next }
    /^\[ *[0-9]+%\] / { sub(/^\[ *[0-9]+%\] /, ""); print "   " $0; next }
    { print }
    END { printf "   %s: %d targets, %d files compiled, %d linked", preset, targets, compiled, linked }' ||
    status=$?
  echo " in $(($(date +%s) - start)) s"
  return "$status"
}

# A virtual display of our own for Wine's windows.
pn_start_display() {
  local n=99
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  PN_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && return; sleep 0.1; done
  echo "Xvfb did not start" >&2
  return 1
}

# The project's Wine prefix, made once: 64-bit with its 32-bit side, no
# Mono or Gecko, and the Korean and Japanese font families of the windows
# mapped to installed fonts.
pn_wine_prefix() {
  # A prefix made before Wine's 32-bit side could run never runs a 32-bit
  # program, whatever is installed later: it is made again.
  if pn_wine_runs_32bit && [ -f "$WINEPREFIX/system.reg" ] &&
    [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    pn_log "making the Wine prefix again: it cannot run 32-bit programs"
    "$PN_WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    pn_start_wineserver
  fi
  if [ ! -d "$WINEPREFIX/drive_c" ]; then
    pn_log "making the Wine prefix $WINEPREFIX"
    pn_say "waiting for wineboot (15 to 60 s on 2 cores, silent meanwhile)"
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
    if [ -x /usr/lib/wine/wine ]; then : > "$WINEPREFIX/pn-wine32"; fi
  fi
  # Wine's own Marlett (fonts-wine) draws the caption buttons of ordinary
  # windows, such as the demo application's; wineboot leaves it out of the
  # prefix here, and without it the buttons show as the letters "0 1 r".
  # Wine reads the fonts in the prefix's Fonts folder at each start.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
    pn_say "adding Wine's Marlett font to the prefix (caption buttons)"
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
  # Without a window manager (Xvfb) Wine's own handling of top-level
  # windows (Managed=N) spares a wait of about 2 s at each destroyed window;
  # a program that crashes ends instead of waiting in Wine's debugger.
  local reg="$WINEPREFIX/pn-settings.reg"
  if [ ! -f "$reg" ]; then
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
      '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
      '"굴림"="NanumGothic"' '"돋움"="NanumGothic"' '"Gulim"="NanumGothic"' \
      '"Dotum"="NanumGothic"' '"MS Gothic"="Noto Sans CJK JP"' '' \
      '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
      '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' |
      { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } > "$reg.tmp"
    /usr/lib/wine/wine64 regedit /S "$(winepath_of "$reg.tmp")" >/dev/null 2>&1
    mv "$reg.tmp" "$reg"
  fi
  # The first program of a wineserver session starts Wine's own services,
  # which keep the standard handles they inherited: start them here, away
  # from the output pipes of CTest, which would otherwise wait on them.
  pn_say "starting Wine's services away from the tests' output"
  /usr/lib/wine/wine64 cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
  pn_wine_runs_32bit || pn_log "this machine cannot run 32-bit programs: only 64-bit Windows programs run under Wine"
}

# Whether Wine's 32-bit side runs here: some kernels run no 32-bit Linux
# program at all ("Exec format error"), and then no 32-bit Windows program
# runs either; the tests of 32-bit installers are then skipped.
pn_wine_runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

winepath_of() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }

# One wineserver for the whole run, started before anything else of Wine:
# each Wine start then costs far less.
pn_start_wineserver() {
  mkdir -p "$WINEPREFIX"
  "$PN_WINESERVER" -p || true
}

# The tree's C++ layout, as .clang-format says.
pn_check_format() {
  pn_log "checking the layout of the C++ sources (clang-format 14)"
  git -C "$PN_ROOT" ls-files -z '*.cc' '*.h' | (cd "$PN_ROOT" && xargs -0 clang-format-14 --dry-run -Werror)
}

pn_stop() {
  "$PN_WINESERVER" -k >/dev/null 2>&1 || true
  if [ -n "${PN_XVFB_PID:-}" ]; then kill "$PN_XVFB_PID" 2>/dev/null || true; fi
}

# The portable code again, built by Clang under AddressSanitizer and
# UndefinedBehaviorSanitizer: its tests, then every fuzz target for a
# bounded number of inputs (scripts/fuzz.sh).
pn_sanitizer_and_fuzz() {
  pn_build sanitize || return 1
  pn_log "native tests under ASan and UBSan"
  ctest --preset sanitize || return 1
  pn_log "fuzz targets, ${PN_FUZZ_RUNS:-20000} inputs each"
  PN_FUZZ_BUILT=1 "$PN_ROOT/scripts/fuzz.sh" --runs "${PN_FUZZ_RUNS:-20000}"
}

# pn_tests_matching PRESET REGEX [LABEL]: the CTest tests of a configured
# preset whose names match REGEX (and that carry LABEL), one a line. Native
# tests labelled windows-build use the Windows build's programs, those
# labelled wine run them under Wine.
pn_tests_matching() {
  ctest --preset "$1" -N -R "$2" ${3:+-L "^$3\$"} 2>/dev/null | awk '/Test +#[0-9]+:/ { print $3 }'
}

# pn_targets_of_tests PRESET TEST...: what to build for these tests: each
# test's own executable (a test is named after it), or the whole preset for
# a test that is not one.
pn_targets_of_tests() {
  local preset="$1" known name
  shift
  known="$(cmake --build --preset "$preset" --target help 2>/dev/null | awk '/^\.\.\. / { print $2 }')"
  for name in "$@"; do
    if printf '%s\n' "$known" | grep -qx -- "$name"; then echo "$name"; else echo all; fi
  done | sort -u
}

# The Wine side of the tests: a display, one wineserver, the prefix with
# Wine's services started away from CTest's pipes.
pn_start_wine() {
  pn_log "starting a virtual display and Wine"
  pn_start_display
  pn_say "display $DISPLAY"
  pn_start_wineserver
  pn_wine_prefix
}
