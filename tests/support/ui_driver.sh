# The driver of the scripts that run the real editor on a private X display:
# the Linux editor on Xvfb and the Windows editor under Wine there. Sourced as
#   . ui_driver.sh NAME [SUBFOLDER...]
# it makes the work folder ($work, see work_folder.sh), starts the display and
# defines fail and the steps. Every step waits for a state it names (a window,
# a title, a closed dialog, a file's bytes, a process's end), bounded by
# $ui_bound seconds, set far above what an idle machine needs so that a busy
# one passes too. An input that can be lost (one that comes before a window is
# ready for it, or while it is busy with the last one) is sent again when its
# state has not come within $ui_retry seconds, and that is said in the log.
# fail names what never came, saves a screenshot of the display beside the
# test's output ($UI_SHOT_DIR, by default the folder it runs in: the build
# folder under ctest) and shows the windows and the editor's output.
#
# What differs between the front ends is data, set after sourcing:
#   ui_path PATH     prints PATH as the editor's file dialogs take it
#   ui_field_keys    the keys that select all of a file dialog's name field
#   ui_frame         "LEFT TOP" of a dialog's client area in its X window
#   ui_temp          the folder the editor keeps its working copy in
#   start_editor ARGUMENT...  starts $editor with its output in
#                    $work/editor.log and sets editor_pid
#   fail_details     (optional) what else a failure report shows
ui_name=$1
ui_support="$(dirname "${BASH_SOURCE[0]}")"
. "$ui_support/work_folder.sh" "${ui_name// /-}" "${@:2}"
. "$ui_support/end_program.sh"
. "$ui_support/private_display.sh"
ui_bound=${ui_bound:-${UI_BOUND:-30}}
ui_retry=${UI_RETRY:-3}
ui_shots=${UI_SHOT_DIR:-$PWD}
ui_path() { printf '%s' "$1"; }
ui_field_keys=ctrl+a
ui_frame="0 0"
ui_temp="$work/tmp"
start_editor() {
  "$editor" "$@" >>"$work/editor.log" 2>&1 &
  editor_pid=$!
  pids+=("$editor_pid")
}

say() { echo "$ui_name: $*" >&2; }
fail() {
  first_failure || exit 1
  local shot="$ui_shots/${ui_name// /-}-failure.png"
  say "$*"
  import -window root "$shot" 2>/dev/null && say "the screen at the failure: $shot"
  say "the windows on screen:"
  visible_windows | sed 's/^/  /' >&2
  if declare -F fail_details >/dev/null; then fail_details >&2; fi
  say "the editor's output:"
  cat "$work/editor.log" >&2 2>/dev/null || true
  exit 1
}

start_private_display "$work" || fail "no private Xvfb"
pids+=("$XVFB_PID")

# holds CHECK [SECONDS]: evaluates the shell text CHECK every 0.1 s until it
# holds, for up to SECONDS ($ui_bound by default). CHECK sees the caller's
# variables; it may set `found` for the caller.
holds() {
  local holds_end=$((${EPOCHREALTIME//[.,]/} + ${2:-$ui_bound} * 1000000))
  until eval "$1"; do
    [ "${EPOCHREALTIME//[.,]/}" -lt "$holds_end" ] || return 1
    sleep 0.1
  done
}
# wait_for STATE CHECK [NOW]: fails, naming STATE, unless CHECK holds within
# $ui_bound s; the output of the shell text NOW says what there was instead.
wait_for() { holds "$2" || fail "$1 never came within $ui_bound s${3:+ (there was: $(eval "$3"))}"; }
# input_until STATE CHECK INPUT...: sends the input and waits for CHECK; an
# input that brought nothing within $ui_retry s is sent again, twice at most.
# A failing input (its window already gone) is left to the state to judge.
input_until() {
  local state=$1 check=$2 attempt
  shift 2
  for attempt in 1 2 3; do
    "$@" || true
    holds "$check" "$ui_retry" && return 0
    [ "$attempt" = 3 ] || say "$state did not come within $ui_retry s of '$*': sending it again"
  done
  wait_for "$state" "$check"
}

# Windows. A window can close between two questions about it; such a window
# reads as gone.
shown() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
named() { found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 || true) && [ -n "$found" ]; }
title() { xdotool getwindowname "$1" 2>/dev/null || true; }
visible_windows() { xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null || true; }
# The visible nameless windows (dialogs without a title, menus), a line each:
# id x y width height.
nameless_windows() {
  local id
  for id in $(xdotool search --onlyvisible --name '^$' 2>/dev/null || true); do
    xdotool getwindowgeometry --shell "$id" 2>/dev/null |
      awk -F= -v id="$id" '{ v[$1] = $2 } END { if ("HEIGHT" in v) print id, v["X"], v["Y"], v["WIDTH"], v["HEIGHT"] }' || true
  done
}
# nameless AWK_CONDITION: sets found to the first visible nameless window whose
# fields ($2 x, $3 y, $4 width, $5 height) meet the condition.
nameless() { found=$(nameless_windows | awk "$1 { print \$1; exit }") && [ -n "$found" ]; }
# The id of the last visible window whose name matches PATTERN.
wait_window() {
  local pattern=$1 found
  wait_for "a window named $pattern" 'named "$pattern"'
  echo "$found"
}
window_gone() { holds "! shown $1" "${2:-$ui_bound}"; }
wait_title() {
  local expected=$1
  wait_for "the title '$1'" '[ "$(title "$main")" = "$expected" ]' 'title "$main"'
}

# Inputs.
click_in() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; }
dialog_point() {  # X Y of a dialog's client area in its X window
  local left top
  read -r left top <<<"$ui_frame"
  echo $(($1 + left)) $(($2 + top))
}
# focus_key WINDOW KEY...: gives the window the keyboard and types the keys,
# unless it has gone. The short settle lets a dialog that was just shown hand
# the keyboard to its first field; the step sends the keys again when they
# were lost all the same.
focus_key() { shown "$1" && xdotool windowfocus --sync "$1" && sleep 0.3 && xdotool key "${@:2}"; }
# A click on a button of the main window and the title it brings.
press_button() {  # WINDOW X Y TITLE
  local window=$1 expected=$4
  xdotool windowfocus --sync "$1"
  input_until "the title '$4'" '[ "$(title "$window")" = "$expected" ]' click_in "$1" "$2" "$3"
}
# A click that opens the window named PATTERN; sets found to its id.
click_for_window() {  # WINDOW X Y PATTERN
  local pattern=$4
  input_until "a window named $4" 'named "$pattern"' click_in "$1" "$2" "$3"
}
type_path() {  # DIALOG PATH
  focus_key "$1" $ui_field_keys && xdotool type --delay 2 "$2" && sleep 0.2 && xdotool key Return
}
# answer_dialog TITLE PATH: types PATH, in the editor's form, into the file
# dialog titled TITLE in place of what it proposes, confirms it and waits for
# the dialog to close. A key typed before the name field took the keyboard
# goes elsewhere, and the whole path is typed again.
answer_dialog() {
  local dialog path
  dialog=$(wait_window "^$1\$")
  path=$(ui_path "$2")
  input_until "the close of $1 after the path $path" "! shown $dialog" type_path "$dialog" "$path"
}
# answer_box TITLE KEY: answers the message box titled TITLE with KEY and
# waits for it to close.
answer_box() {
  local box
  box=$(wait_window "^$1\$")
  input_until "the close of the box $1 after $2" "! shown $box" focus_key "$box" "$2"
}
# menu_command WINDOW X Y KEY: the context menu at a point of the window, the
# nameless window whose top left corner lies just below and right of the
# pointer, and its item of the mnemonic KEY; waits for the menu to close.
# The window takes the keyboard first: Wine's menus read the keys that reach
# their owner, and the X focus may be where another program left it.
menu_command() {
  local px py found
  xdotool windowfocus --sync "$1"
  read -r px py < <(xdotool getwindowgeometry --shell "$1" | awk -F= -v x="$2" -v y="$3" \
    '/^X=/ { px = $2 + x } /^Y=/ { py = $2 + y } END { print px, py }')
  input_until "a context menu at $2,$3" 'nameless "\$2 >= $px && \$2 <= $px + 8 && \$3 >= $py && \$3 <= $py + 8"' \
    click_in "$1" "$2" "$3" 3
  menu_item "$found" "$4"
}
# menu_key WINDOW KEY: the same by the Menu key, the menu of the control that
# has the keyboard: a nameless window whose top left corner lies inside WINDOW.
menu_key() {
  local x y w h found
  xdotool windowfocus --sync "$1"
  read -r x y w h < <(xdotool getwindowgeometry --shell "$1" | awk -F= '{ v[$1] = $2 }
    END { print v["X"], v["Y"], v["WIDTH"], v["HEIGHT"] }')
  input_until "a context menu after the Menu key" \
    'nameless "\$2 > $x && \$2 < $x + $w && \$3 > $y && \$3 < $y + $h"' xdotool key Menu
  menu_item "$found" "$2"
}
# menu_item MENU KEY: the item of the mnemonic KEY of the open menu MENU (or
# Escape); waits for the menu to close.
menu_item() {
  local menu=$1 key=$2
  input_until "the close of the context menu after $2" "! shown $menu" eval 'shown $menu && xdotool key "$key"'
}
# The export dialog, the visible nameless window of about its size, 221 x 130
# (under Wine the X window holds the frame and title bar it draws itself).
wait_export_dialog() {
  local found
  wait_for "the export dialog" 'nameless "\$4 >= 200 && \$4 <= 230 && \$5 >= 90 && \$5 <= 135"'
  echo "$found"
}
# drag_file FILE WINDOW X Y: a real drag of FILE by another program (the drag
# source) to a point of WINDOW. The button is let go once the source reports
# that the target accepts the drop (a motion before the drag had begun reaches
# no target, so the pointer moves on until then); then the source's report
# of the drop is checked: it must not have been told that its file was moved.
drag_file() {
  local source mx my step
  "$drag_source" "$1" >"$work/drag.out" 2>"$work/drag.log" &
  pids+=($!)
  source=$(wait_window '^drag-source$')
  xdotool mousemove --window "$source" 60 40 mousedown 1
  read -r mx my < <(xdotool getwindowgeometry --shell "$2" | awk -F= '/^X=/ { x = $2 } /^Y=/ { y = $2 } END { print x, y }')
  for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((60 + (mx + $3 - 60) * step / 8)) $((40 + (my + $4 - 40) * step / 8))
  done
  input_until "the drop target's acceptance" 'grep -q "^accepted" "$work/drag.log"' \
    xdotool mousemove_relative 1 0
  xdotool mouseup 1
  wait_for "the drag source's report of the drop" '[ -s "$work/drag.out" ]'
  [ "$(cat "$work/drag.out")" != "move" ] || fail "the drag source was told its file was moved"
}

# Files and processes.
no_working_copy() { [ -z "$(find "$ui_temp" -name '临时图片组.tmp' 2>/dev/null)" ]; }
# same_bytes FILE EXPECTED WHAT: waits for FILE to hold EXPECTED's bytes.
same_bytes() {
  local file=$1 expected=$2
  holds 'cmp -s "$file" "$expected"' ||
    fail "$3: $1 never came to hold qiltool's $2 ($(stat -c %s "$1" 2>/dev/null) and $(stat -c %s "$2") bytes)"
  say "same bytes as qiltool: $3"
}
screenshot() { [ -z "${shots:-}" ] || import -window "$1" "$shots/$2"; }
