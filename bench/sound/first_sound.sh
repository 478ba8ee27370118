#!/usr/bin/env bash
# Time from starting the editor to the first sample above silence on a private
# sound server, on an idle machine and with two busy processes per core, in
# turn in the same run, for each General MIDI soundfont the machine has (each
# distinct file under /usr/share/sounds/sf2 and sf3, or those named in
# SOUNDFONTS, separated by spaces). Prints each run and, per soundfont, the
# medians.
#   bench/sound/first_sound.sh [BUILD_DIR [RUNS [EDITOR]]]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(realpath "${1:-build/release}")"
runs="${2:-5}"
editor="$(realpath "${3:-$build/tilvane}")"
load=$(( 2 * $(nproc) ))
work="$(mktemp -d "${TMPDIR:-/tmp}/tilvane-first-sound-XXXXXX")"
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home" PULSE_RUNTIME_PATH="$work/run/pulse"
export QT_QPA_PLATFORM=offscreen TMPDIR="$work"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
trap 'pulseaudio --kill 2>/dev/null || true; rm -rf "$work"' EXIT

# One run: a fresh server with a null sink, the editor started by the probe;
# prints the milliseconds to the first sound (or "none") and the editor's
# processor time by then.
once() {
  pulseaudio -n --daemonize=yes --exit-idle-time=-1 --disallow-exit --log-target=file:"$work/pulse.log" \
    -L "module-null-sink sink_name=silent" -L "module-native-protocol-unix"
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  "$@" "$build/first_sound_probe" silent.monitor 30 "$editor" 2>/dev/null |
    awk '/first sound:/ { print ($3 == "none") ? "none -" : $3 " " $(NF - 1) }'
  pulseaudio --kill 2>/dev/null || true
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 || break; sleep 0.1; done
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "none"; else print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The soundfonts: each file once, however many links lead to it.
if [ -z "${SOUNDFONTS:-}" ]; then
  SOUNDFONTS=$(for f in /usr/share/sounds/sf2/*.sf2 /usr/share/sounds/sf3/*.sf3; do
    [ -f "$f" ] && realpath "$f"
  done | sort -u | tr '\n' ' ')
fi
[ -n "$SOUNDFONTS" ] || { echo "first_sound: no soundfont under /usr/share/sounds" >&2; exit 1; }
default=$(realpath /usr/share/sounds/sf3/default-GM.sf3 /usr/share/sounds/sf2/default-GM.sf2 2>/dev/null | head -1 || true)
echo "FluidSynth's default soundfont here: ${default:-none}"

for soundfont in $SOUNDFONTS; do
  export TILVANE_SOUNDFONT="$soundfont"
  idle=() loaded=() idle_cpu=() loaded_cpu=()
  echo "soundfont $soundfont ($(du -hL "$soundfont" | cut -f1)):"
  for run in $(seq "$runs"); do
    # Each run whole (its server ended) before the next begins.
    a=$(once)
    b=$(once "$root/scripts/with-load" "$load" --)
    idle+=("${a% *}") idle_cpu+=("${a#* }")
    loaded+=("${b% *}") loaded_cpu+=("${b#* }")
    echo "  run $run: idle ${a% *} ms (editor's processor time ${a#* } ms)," \
      "with $load busy processes ${b% *} ms (editor's processor time ${b#* } ms)"
  done
  idle_median=$(printf '%s\n' "${idle[@]}" | grep -v none | median)
  loaded_median=$(printf '%s\n' "${loaded[@]}" | grep -v none | median)
  cpu_median=$(printf '%s\n' "${idle_cpu[@]}" "${loaded_cpu[@]}" | grep -v -- - | median)
  cpu_most=$(printf '%s\n' "${idle_cpu[@]}" "${loaded_cpu[@]}" | grep -v -- - | sort -n | tail -1)
  unheard=$(printf '%s\n' "${idle[@]}" "${loaded[@]}" | grep -c none || true)
  echo "  first sound with $(basename "$soundfont"), median of $runs: idle $idle_median ms," \
    "with $load busy processes $loaded_median ms" \
    "(later by $(awk -v a="$idle_median" -v b="$loaded_median" 'BEGIN { print b - a }') ms);" \
    "editor's processor time median ${cpu_median} ms, most ${cpu_most:-none} ms; runs with no sound: $unheard"
done
