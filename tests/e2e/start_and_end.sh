#!/usr/bin/env bash
# Starts the real editor as a file manager and a terminal do: --help and
# --version answered without a display; "tilvane FILE" on a private Xvfb shows
# the group with its saved title; after an edit (a real click on an image and
# on 删除图片) SIGTERM, SIGHUP and SIGINT each end the program cleanly: exit
# status 0 and no temporary group left behind.
#   start_and_end.sh TILVANE QILTOOL FIXTURE_DIR
set -euo pipefail
editor="$(realpath "$1")"
qiltool="$(realpath "$2")"
fixtures="$(realpath "$3")"

. "$(dirname "$0")/../support/work_folder.sh" start-end docs
fail() {
  first_failure || exit 1
  echo "start_and_end: $*" >&2
  cat "$work/editor.log" >&2 2>/dev/null || true
  exit 1
}

# The terminal's questions need no display.
help=$(env -u DISPLAY "$editor" --help) || fail "--help failed"
grep -q '^Usage: tilvane \[FILE\]' <<<"$help" || fail "--help says: $help"
[ "$(env -u DISPLAY "$editor" --version)" = "tilvane 0.1.0" ] || fail "--version says: $(env -u DISPLAY "$editor" --version)"

. "$(dirname "$0")/../support/private_display.sh"
start_private_display "$work" || fail "no private Xvfb"
pids+=("$XVFB_PID")

# What Qt leaves of the command line must be at most one file.
status=0
"$editor" --frobnicate >/dev/null 2>"$work/usage.err" || status=$?
[ "$status" = 2 ] && grep -q 'unknown option --frobnicate' "$work/usage.err" || fail "an unknown option gave status $status"
status=0
"$editor" a.qil b.qil >/dev/null 2>"$work/usage.err" || status=$?
[ "$status" = 2 ] || fail "two files gave status $status"

. "$(dirname "$0")/../support/x_windows.sh"
temp_group() { find "$work/tmp" -name '临时图片组.tmp'; }
# Starts the editor on FILE from the documents folder, as a terminal user
# does, and waits for its window titled with SHOWN (FILE by default); sets
# pid and main.
open_in_editor() {
  (cd "$work/docs" && exec "$editor" "$1") >"$work/editor.log" 2>&1 &
  pid=$!
  pids+=("$pid")
  main=$(wait_window "^Tilvane  ")
  wait_title "Tilvane  ${2:-$1}"
}

# A group of three pictures, the first the red-blue pattern.
group="$work/docs/三张.qil"
"$qiltool" new "$group" >/dev/null
"$qiltool" add "$group" "$fixtures/pattern32.png" "$fixtures/multi.ico" "$fixtures/only16.ico" >/dev/null

# first_item_drawn: waits up to $ui_bound s for the first item's icon (red,
# or the pattern's red top left) to be drawn in the list, which happens after
# the title is set; leaves the last count of red pixels in $red.
first_item_drawn() {
  for _ in $(seq $((ui_bound * 5))); do
    import -window "$main" "$work/window.png"
    red=$(convert "$work/window.png" -crop 60x40+30+0 -depth 8 txt:- | grep -ci '#FF0000' || true)
    [ "$red" -gt 50 ] && return 0
    sleep 0.2
  done
  return 1
}

for signal in TERM HUP INT; do
  # Started from the group's folder with a relative name, as a terminal user does.
  open_in_editor "三张.qil" "$group"
  first_item_drawn || fail "the first image is not shown in the list ($red red pixels)"
  # An edit makes the working copy: click the first image, then 删除图片.
  click_in "$main" 68 22
  sleep 0.3
  click_in "$main" 15 159
  wait_title "Tilvane  $group  临时数据(未保存)"
  [ -n "$(temp_group)" ] || fail "no temporary group after an edit"
  kill -"$signal" "$pid"
  status=0
  for _ in $(seq $((ui_bound * 10))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "SIG$signal did not end the editor"
  wait "$pid" || status=$?
  [ "$status" = 0 ] || fail "SIG$signal: exit status $status"
  [ -z "$(temp_group)" ] || fail "SIG$signal left the temporary group behind"
  [ "$("$qiltool" info "$group" --json | grep -o '"images": *[0-9]*' | grep -o '[0-9]*$')" = 3 ] ||
    fail "the group file was changed without a save"
done

# The export preview follows every image clicked while the dialog is open.
colours="$work/docs/colours.qil"
"$qiltool" new "$colours" >/dev/null
"$qiltool" add "$colours" "$fixtures/red16.png" "$fixtures/blue48.png" "$fixtures/green16.png" >/dev/null
open_in_editor "$colours"
first_item_drawn || fail "the first colour is not shown in the list ($red red pixels)"
item_x() { echo $((68 + 76 * $1)); }
preview_colour() {  # the preview's pixel (6, 16): inside the coloured part of each picture
  import -window "$1" "$work/dialog.png"
  convert "$work/dialog.png" -crop "1x1+$((33 + 6))+$((27 + 16))" -depth 8 rgb:- | od -An -tx1 | tr -d ' \n'
}
# preview_shows COLOUR: waits up to $ui_bound s for the preview to show COLOUR,
# since it is drawn after the click; leaves what it last showed in $got.
preview_shows() {
  for _ in $(seq $((ui_bound * 5))); do
    got=$(preview_colour "$dialog")
    [ "$got" = "$1" ] && return 0
    sleep 0.2
  done
  return 1
}
xdotool mousemove --window "$main" "$(item_x 2)" 22 click --repeat 2 --delay 80 1
dialog=$(wait_export_dialog)
preview_shows 00ff00 || fail "double-click on image 2: the preview is $got"
for step in "0 ff0000" "1 0000ff" "2 00ff00" "0 ff0000"; do
  click_in "$main" "$(item_x "${step% *}")" 22
  preview_shows "${step#* }" || fail "a click on image ${step% *}: the preview is $got, expected ${step#* }"
done
kill -TERM "$pid"
wait "$pid" || fail "the editor ended with a failure status"

# A file that does not decode opens as through the dialog: no images, and the
# next tick returns the window to its idle title.
printf 'not a group' >"$work/docs/broken.qil"
"$editor" "$work/docs/broken.qil" >"$work/editor.log" 2>&1 &
pid=$!
pids+=("$pid")
main=$(wait_window '^Tilvane')
wait_title "Tilvane"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" = 0 ] || fail "the editor with a broken file ended with status $status"
# The display goes away (a desktop session without a session manager ends so):
# Qt leaves through exit(), and the exit clean-up still removes the working copy.
open_in_editor "$group"
first_item_drawn || fail "the first image is not shown in the list ($red red pixels)"
click_in "$main" 68 22
sleep 0.3
click_in "$main" 15 159
wait_title "Tilvane  $group  临时数据(未保存)"
[ -n "$(temp_group)" ] || fail "no temporary group after an edit"
kill "$XVFB_PID"
for _ in $(seq $((ui_bound * 10))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the editor outlived its display"
[ -z "$(temp_group)" ] || fail "the end of the display left the temporary group behind"
echo "start_and_end: passed"
