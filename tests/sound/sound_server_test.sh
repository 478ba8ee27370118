#!/usr/bin/env bash
# Starts a private PulseAudio server with a null sink, runs the editor, records
# what reaches the sink and checks that the tune is heard (not silence).
#   sound_server_test.sh TILVANE
set -euo pipefail
editor="$(realpath "$1")"
work="$(mktemp -d "${TMPDIR:-/tmp}/tilvane-sound-XXXXXX")"
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home" PULSE_RUNTIME_PATH="$work/run/pulse"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  pulseaudio --kill 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "sound: $*" >&2; exit 1; }
. "$(dirname "$0")/../support/end_program.sh"

pulseaudio -n --daemonize=yes --exit-idle-time=-1 --disallow-exit --log-target=file:"$work/pulse.log" \
  -L "module-null-sink sink_name=silent" -L "module-native-protocol-unix" || fail "no PulseAudio server"
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done

QT_QPA_PLATFORM=offscreen TMPDIR="$work" "$editor" >"$work/editor.log" 2>&1 &
app=$!
for _ in $(seq 100); do
  [ -n "$(pactl list short sink-inputs 2>/dev/null)" ] && break
  sleep 0.1
done
[ -n "$(pactl list short sink-inputs)" ] || fail "the editor opened no stream on the sound server"
timeout 4 parecord -d silent.monitor --file-format=wav "$work/heard.wav" || true
rms=$(sox "$work/heard.wav" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}')
awk -v r="${rms:-0}" 'BEGIN { exit !(r > 0.001) }' || fail "only silence reached the sound server (RMS ${rms:-none})"
echo "sound: the tune reached the sound server (RMS $rms)"
end_program "$app" "the editor" || fail "the editor did not end well"
app=
echo "sound: 1 passed, 0 failed"
