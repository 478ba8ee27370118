#!/usr/bin/env bash
# The editor read by a screen reader and worked with the keyboard alone
# (screen_reader.py), on a private Xvfb and a private session bus, on which
# the accessibility bus starts as it does on a desktop.
#   screen_reader_test.sh TILVANE QILTOOL FIXTURE_DIR
set -euo pipefail
editor="$(realpath "$1")"
qiltool="$(realpath "$2")"
fixtures="$(realpath "$3")"

. "$(dirname "$0")/../support/work_folder.sh" screen-reader docs
fail() {
  first_failure || exit 1
  echo "screen_reader_test: $*" >&2
  cat "$work/editor.log" >&2 2>/dev/null || true
  exit 1
}

. "$(dirname "$0")/../support/private_display.sh"
start_private_display "$work" || fail "no private Xvfb"
pids+=("$XVFB_PID")

group="$work/docs/三张.qil"
"$qiltool" new "$group" >/dev/null
"$qiltool" add "$group" "$fixtures/pattern32.png" "$fixtures/multi.ico" "$fixtures/only16.ico" >/dev/null

# pyatspi is Debian's, for the system's Python.
dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/screen_reader.py" "$editor" "$group" 3 "$work/editor.log" \
  2>"$work/reader.err" || fail "$(grep -v '^dbus-daemon\|^SpiRegistry' "$work/reader.err")"
