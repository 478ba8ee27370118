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
. "$(dirname "$0")/../support/ui_driver.sh" start_and_end docs

# The terminal's questions need no display.
help=$(env -u DISPLAY "$editor" --help) || fail "--help failed"
grep -q '^Usage: tilvane \[FILE\]' <<<"$help" || fail "--help says: $help"
[ "$(env -u DISPLAY "$editor" --version)" = "tilvane 0.1.0" ] || fail "--version says: $(env -u DISPLAY "$editor" --version)"

# What Qt leaves of the command line must be at most one file.
status=0
"$editor" --frobnicate >/dev/null 2>"$work/usage.err" || status=$?
[ "$status" = 2 ] && grep -q 'unknown option --frobnicate' "$work/usage.err" || fail "an unknown option gave status $status"
status=0
"$editor" a.qil b.qil >/dev/null 2>"$work/usage.err" || status=$?
[ "$status" = 2 ] || fail "two files gave status $status"

# Started from the documents folder, as a terminal user does, on FILE; waits
# for its window titled with SHOWN (FILE by default) and for the first item's
# icon (red, or the pattern's red top left), drawn after the title is set.
cd "$work/docs"
red_pixels() {
  import -window "$main" "$work/window.png"
  convert "$work/window.png" -crop 60x40+30+0 -depth 8 txt:- | grep -ci '#FF0000' || true
}
open_in_editor() {
  start_editor "$1"
  main=$(wait_window "^Tilvane  ")
  wait_title "Tilvane  ${2:-$1}"
  wait_for "the first image in the list" '[ "$(red_pixels)" -gt 50 ]' 'echo "$(red_pixels) red pixels"'
}
# An edit makes the working copy: a click on the first image, then on 删除图片.
delete_first_image() {
  click_in "$main" 68 22
  press_button "$main" 15 159 "Tilvane  $group  临时数据(未保存)"
  ! no_working_copy || fail "no temporary group after an edit"
}

# A group of three pictures, the first the red-blue pattern.
group="$work/docs/三张.qil"
"$qiltool" new "$group" >/dev/null
"$qiltool" add "$group" "$fixtures/pattern32.png" "$fixtures/multi.ico" "$fixtures/only16.ico" >/dev/null
for signal in TERM HUP INT; do
  # Started with a relative name.
  open_in_editor "三张.qil" "$group"
  delete_first_image
  kill -"$signal" "$editor_pid"
  wait_ended "$editor_pid" "the editor" "$ui_bound" || fail "SIG$signal did not end the editor well"
  no_working_copy || fail "SIG$signal left the temporary group behind"
  [ "$("$qiltool" info "$group" --json | grep -o '"images": *[0-9]*' | grep -o '[0-9]*$')" = 3 ] ||
    fail "the group file was changed without a save"
done

# The export preview follows every image clicked while the dialog is open:
# its pixel (6, 16) lies inside the coloured part of each picture.
colours="$work/docs/colours.qil"
"$qiltool" new "$colours" >/dev/null
"$qiltool" add "$colours" "$fixtures/red16.png" "$fixtures/blue48.png" "$fixtures/green16.png" >/dev/null
open_in_editor "$colours"
item_x() { echo $((68 + 76 * $1)); }
preview() {
  import -window "$dialog" "$work/dialog.png"
  convert "$work/dialog.png" -crop "1x1+$((33 + 6))+$((27 + 16))" -depth 8 rgb:- | od -An -tx1 | tr -d ' \n'
}
xdotool mousemove --window "$main" "$(item_x 2)" 22 click --repeat 2 --delay 80 1
dialog=$(wait_export_dialog)
wait_for "the preview 00ff00 after a double-click on image 2" '[ "$(preview)" = 00ff00 ]' preview
for step in "0 ff0000" "1 0000ff" "2 00ff00" "0 ff0000"; do
  click_in "$main" "$(item_x "${step% *}")" 22
  wait_for "the preview ${step#* } after a click on image ${step% *}" '[ "$(preview)" = "${step#* }" ]' preview
done
end_program "$editor_pid" "the editor" || fail "the editor ended with a failure status"

# A file that does not decode opens as through the dialog: no images, and the
# next tick returns the window to its idle title.
printf 'not a group' >"$work/docs/broken.qil"
start_editor "$work/docs/broken.qil"
main=$(wait_window '^Tilvane')
wait_title "Tilvane"
end_program "$editor_pid" "the editor" || fail "the editor with a broken file did not end well"
# The display goes away (a desktop session without a session manager ends so):
# Qt leaves through exit(), and the exit clean-up still removes the working copy.
open_in_editor "$group"
delete_first_image
kill "$XVFB_PID"
wait_for "the end of the editor after its display went away" '! kill -0 "$editor_pid" 2>/dev/null'
no_working_copy || fail "the end of the display left the temporary group behind"
echo "start_and_end: passed"
