#!/usr/bin/env bash
# Starts a private PulseAudio server with a null sink, runs the editor, records
# what reaches the sink until the tune is heard (or a bound far above any wait
# a user would accept runs out) and checks that what follows is the tune: two
# seconds of sound, not a click.
#   sound_server_test.sh TILVANE
set -euo pipefail
editor="$(realpath "$1")"
work="$(mktemp -d "${TMPDIR:-/tmp}/tilvane-sound-XXXXXX")"
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home" PULSE_RUNTIME_PATH="$work/run/pulse"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "${recorder:-}" ] && kill "$recorder" 2>/dev/null || true
  pulseaudio --kill 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "sound: $*" >&2; exit 1; }
. "$(dirname "$0")/../support/end_program.sh"
bound=30  # seconds, for the stream to open and for the tune to be heard
raw=(-t raw -r 44100 -e signed -b 16 -c 2)

pulseaudio -n --daemonize=yes --exit-idle-time=-1 --disallow-exit --log-target=file:"$work/pulse.log" \
  -L "module-null-sink sink_name=silent" -L "module-native-protocol-unix" || fail "no PulseAudio server"
for _ in $(seq $((bound * 10))); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { cat "$work/pulse.log" >&2; fail "the sound server did not answer in $bound s"; }
pactl list short sinks | grep -q '^[0-9]*[[:space:]]silent[[:space:]]' ||
  fail "the sound server came up without its null sink"
# Recorded from before the editor starts, raw, so that the file can be read while it grows.
parec -d silent.monitor --format=s16le --rate=44100 --channels=2 --latency-msec=50 >"$work/heard.raw" &
recorder=$!

QT_QPA_PLATFORM=offscreen TMPDIR="$work" "$editor" >"$work/editor.log" 2>&1 &
app=$!
started=$SECONDS
for _ in $(seq $((bound * 10))); do
  [ -n "$(pactl list short sink-inputs 2>/dev/null)" ] && break
  sleep 0.1
done
[ -n "$(pactl list short sink-inputs)" ] || fail "the editor opened no stream on the sound server in $bound s"

# What was recorded from the first sample above silence (0.001 of full scale) on.
after_onset() { sox "${raw[@]}" "$work/heard.raw" "${raw[@]}" "$work/tune.raw" silence 1 0 0.1% 2>/dev/null; }
seconds_of() { echo $(($(stat -c %s "$1") / (44100 * 4))); }
until after_onset && [ -s "$work/tune.raw" ]; do
  [ $((SECONDS - started)) -lt "$bound" ] || fail "only silence reached the sound server in $bound s"
  sleep 0.2
done
heard_after=$((SECONDS - started))
# Two seconds of the tune from its first sound, however long that takes to record.
until [ "$(seconds_of "$work/tune.raw")" -ge 2 ]; do
  [ $((SECONDS - started)) -lt $((bound + 10)) ] || fail "the sound stopped before two seconds were recorded"
  sleep 0.2
  after_onset
done
kill "$recorder" 2>/dev/null || true
recorder=
rms=$(sox "${raw[@]}" "$work/tune.raw" -n trim 0 2 stat 2>&1 | awk '/RMS +amplitude/ {print $3}')
awk -v r="${rms:-0}" 'BEGIN { exit !(r > 0.001) }' ||
  fail "a sound reached the server, but the two seconds after it were near silence (RMS ${rms:-none})"
echo "sound: the tune reached the sound server about ${heard_after} s after start (RMS $rms over 2 s)"
end_program "$app" "the editor" || fail "the editor did not end well"
app=
echo "sound: 1 passed, 0 failed"
