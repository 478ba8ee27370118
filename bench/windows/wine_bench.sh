#!/usr/bin/env bash
# The Windows editor's benchmarks under Wine, on a private Xvfb in a Wine
# prefix made for the run (with the locale and font link the tests use):
#   - start to window shown: tilvane.exe against bare_window.exe (a plain
#     Win32 window with the same column-button captions in the same font),
#     in turn in the same run. Each time is from the launch of the Wine loader
#     to the first moment the program's window is visible on the display,
#     polled with xdotool for both alike. Both run stripped, as the zip and
#     the installer ship tilvane.exe: Wine reads a whole image into memory
#     when it starts it, debugging sections and all;
#   - refresh_bench.exe: RefreshIconList at 1,000 and 10,000 images against
#     writing and reading back the same bytes.
#   wine_bench.sh TILVANE_EXE BENCH_DIR [RUNS [REFRESH_RUNS]]
# RUNS (default 7) start-ups of each program; REFRESH_RUNS (default 5) refreshes
# at each size, which take many seconds each at 10,000 images under Wine.
# BENCH_DIR holds bare_window.exe and refresh_bench.exe (build/windows/bench).
set -euo pipefail
editor=$(realpath "$1")
bare=$(realpath "$2/bare_window.exe")
refresh=$(realpath "$2/refresh_bench.exe")
runs=${3:-7}
refresh_runs=${4:-5}
here=$(cd "$(dirname "$0")" && pwd)
support="$here/../../tests/support"
windows="$here/../../tests/windows"

ui_bound=60
. "$support/ui_driver.sh" wine_bench

x86_64-w64-mingw32-strip -o "$work/tilvane.exe" "$editor" && editor="$work/tilvane.exe"
x86_64-w64-mingw32-strip -o "$work/bare_window.exe" "$bare" && bare="$work/bare_window.exe"
export WINEPREFIX="$work/prefix"
bash "$windows/wine-prefix" create "$WINEPREFIX" || fail "no Wine prefix"
trap 'bash "$windows/wine-prefix" stop "$WINEPREFIX"; cleanup' EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
loader=$(command -v wine64 || echo /usr/lib/wine/wine64)
# The prefix's own zh_CN.UTF-8 locale, for Wine alone.
wine() { LOCPATH="$WINEPREFIX/locale" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 exec "$loader" "$@"; }

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# run_once EXE TITLE: milliseconds from launch to the window TITLE shown.
run_once() {
  local start shown pid id=""
  start=$(now_ms)
  wine "$1" >/dev/null 2>&1 &
  pid=$!
  while [ -z "$id" ]; do
    id=$(xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | head -n 1 || true)
    kill -0 "$pid" 2>/dev/null || fail "$1 ended before its window was shown"
    [ $(( $(now_ms) - start )) -lt $((ui_bound * 1000)) ] || fail "$1 showed no window $2 within $ui_bound s"
  done
  shown=$(now_ms)
  kill -TERM "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  window_gone "$id" "$ui_bound" || fail "the window of $1 stayed after it was ended"
  echo $((shown - start))
}
median() { tr ' ' '\n' <<<"$*" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

run_once "$editor" Tilvane >/dev/null  # warm the file cache and Wine's own DLLs
run_once "$bare" bare >/dev/null
editor_times=() bare_times=()
for _ in $(seq "$runs"); do
  editor_times+=("$(run_once "$editor" Tilvane)")
  bare_times+=("$(run_once "$bare" bare)")
done
me=$(median "${editor_times[@]}")
mb=$(median "${bare_times[@]}")
echo "tilvane.exe: ${editor_times[*]} ms"
echo "bare_window.exe: ${bare_times[*]} ms"
awk -v e="$me" -v b="$mb" -v n="$runs" \
  'BEGIN { printf "start to window shown under Wine, median of %d: tilvane.exe %d ms, bare window with the same captions %d ms, ratio %.2f\n", n, e, b, e / b }'

wine "$refresh" "$refresh_runs" 2>/dev/null | tr -d '\r' || fail "refresh_bench.exe failed"
