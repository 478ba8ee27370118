#!/usr/bin/env bash
# tilvane.exe's music under Wine on a private Xvfb:
#   - beside the recording winmm.dll of the tests, loaded in place of Wine's
#     (WINEDLLOVERRIDES=winmm=n,b): the editor opens the stream as it starts
#     and queues the tune's buffers in the order tunetool lists them (those
#     the virtual device records on Linux), alternating its two headers;
#     关闭音乐 from the context menu then stops, resets, takes both headers
#     back and closes, and nothing is queued after; Exit ends with status 0;
#   - with Wine's own winmm (no MIDI device here) it starts silent: the window
#     is shown, the recording DLL's log stays empty, Exit ends with status 0.
#   editor_music_test.sh TILVANE_EXE WINMM_DLL BUFFER_LISTING
# BUFFER_LISTING is `tunetool buffers` of the tune, one buffer a line in hex.
# Runs in $WINEPREFIX, made by tests/windows/wine-prefix (with its locale).
set -euo pipefail
built_editor="$(realpath "$1")"
winmm_dll="$(realpath "$2")"
listing="$(realpath "$3")"
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of this test run}"
here="$(cd "$(dirname "$0")" && pwd)"

. "$here/../support/ui_driver.sh" "wine music" bin
. "$here/wine_editor.sh"
fail_details() {
  echo "the end of the recording winmm.dll's log:"
  tail -n 12 "$log" 2>/dev/null | cut -c1-120 || true
}

log="$work/winmm.log"
buffers=$(wc -l <"$listing")
[ "$buffers" -gt 100 ] || fail "$listing lists $buffers buffers; expected the whole tune"
queued_lines() { grep '^midiStreamOut ' "$log" 2>/dev/null || true; }

# 1. The recording winmm.dll beside a copy of the editor. Each buffer plays
# for 300 ms, so that the whole tune (over 100 buffers) lasts far longer than
# the steps to the stop take on a busy machine.
cp "$built_editor" "$winmm_dll" "$work/bin/"
editor="$work/bin/$(basename "$built_editor")"
export WINEDLLOVERRIDES="winmm=n,b" TILVANE_WINMM_PLAY_MS=300
export TILVANE_WINMM_LOG="Z:${log//\//\\}"
start_editor
main=$(wait_window '^Tilvane$')
wait_for "6 buffers queued" '[ "$(queued_lines | wc -l)" -ge 6 ]' 'queued_lines | wc -l'

menu_command "$main" 300 250 m
wait_for "the stream's close after 关闭音乐" 'grep -qx MOM_CLOSE "$log"'
menu_command "$main" 300 250 e
wait_ended "$editor_pid" "tilvane.exe" || fail "the editor did not end well after Exit"

# The opening, as the player asks for it.
expected_opening='midiStreamOpen device=-1 streams=1 callback=function -> 0
MOM_OPEN
midiStreamProperty set timediv=480 -> 0
midiOutPrepareHeader id=0 length=1024 -> 0
midiOutPrepareHeader id=1 length=1024 -> 0'
[ "$(head -n 5 "$log")" = "$expected_opening" ] || fail "the stream was not opened as expected: $(head -n 5 "$log" | cut -c1-80)"

# Every queued buffer: the listing's buffer in the same place, on headers 0
# and 1 in turn, each call answered 0.
queued_lines | awk -v listing="$listing" '
  BEGIN { k = 0; n = 0; while ((getline line < listing) > 0) expected[n++] = line }
  {
    id = $2; sub(/^id=/, "", id)
    if (id != k % 2) { print "buffer " k " went out on header " id; bad = 1 }
    if ($6 != "0" || $5 != "->") { print "buffer " k " was refused: " substr($0, 1, 60) "..."; bad = 1 }
    if (k >= n) { print "buffer " k " is one more than the listing holds"; bad = 1 }
    else if ($4 != expected[k]) { print "buffer " k " differs from the listing"; bad = 1 }
    k++
  }
  END { if (k >= n) { print "the whole tune was queued before the stop"; bad = 1 } exit bad }
' >"$work/buffers.check" || fail "$(cat "$work/buffers.check")"
echo "wine music: $(queued_lines | wc -l) buffers queued in the listing's order before the stop"

# 关闭音乐: stop, reset (the device hands back what was out), both headers
# unprepared, the stream closed, and after that nothing at all.
awk '/^midiStreamStop -> 0$/ { stop = 1 } stop && !/^MOM_DONE/ { print }' "$log" >"$work/closing"
expected_closing='midiStreamStop -> 0
midiOutReset -> 0
midiOutUnprepareHeader id=0 -> 0
midiOutUnprepareHeader id=1 -> 0
midiStreamClose -> 0
MOM_CLOSE'
[ "$(cat "$work/closing")" = "$expected_closing" ] ||
  fail "after 关闭音乐 the calls were: $(tr '\n' ';' <"$work/closing")"
done_lines=$(grep -c '^MOM_DONE' "$log" || true)
[ "$done_lines" = "$(queued_lines | wc -l)" ] || fail "$done_lines buffers came back of $(queued_lines | wc -l) queued"
echo "wine music: 关闭音乐 stopped, reset, unprepared both headers and closed"

# 2. Wine's own winmm: no device, no sound, the window all the same.
rm -f "$log"
export WINEDLLOVERRIDES="winmm=b"
start_editor
main=$(wait_window '^Tilvane$')
kill -0 "$editor_pid" 2>/dev/null || fail "the editor ended without a MIDI device"
menu_command "$main" 300 250 e
wait_ended "$editor_pid" "tilvane.exe" || fail "the editor without a MIDI device did not end well after Exit"
[ ! -e "$log" ] || fail "the recording winmm.dll was loaded although Wine's own was asked for"
no_working_copy || fail "the working copy was left behind"
echo "wine music: without a MIDI device the editor started silent and ended well"
echo "wine music: 1 passed, 0 failed"
