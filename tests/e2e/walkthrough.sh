#!/usr/bin/env bash
# Drives the real editor on a private Xvfb as a person would: clicks on the
# buttons, a real drag from another program onto the icon list, the context
# menu, real message boxes and file dialogs answered with keys. Checks the
# window titles it shows and the files it writes, byte for byte against
# qiltool doing the same steps (the reference the Windows editor's
# walkthrough under Wine compares with too).
#   walkthrough.sh TILVANE DRAG_SOURCE FIXTURE_DIR QILTOOL [SCREENSHOT_DIR]
set -euo pipefail
editor="$(realpath "$1")"
drag_source="$(realpath "$2")"
fixtures="$(realpath "$3")"
qiltool="$(realpath "$4")"
shots="${5:+$(realpath "$5")}"

. "$(dirname "$0")/../support/work_folder.sh" walkthrough out

fail() {
  first_failure || exit 1
  echo "walkthrough: $*" >&2
  import -window root "${WALKTHROUGH_FAILURE_SHOT:-/tmp/walkthrough-failure.png}" 2>/dev/null || true
  echo "walkthrough: the windows on screen:" >&2
  visible_windows | sed 's/^/  /' >&2
  echo "walkthrough: the editor's output:" >&2
  cat "$work/editor.log" >&2 2>/dev/null || true
  exit 1
}

# A display of our own.
. "$(dirname "$0")/../support/private_display.sh"
. "$(dirname "$0")/../support/end_program.sh"
start_private_display "$work" || fail "no private Xvfb"
pids+=("$XVFB_PID")

. "$(dirname "$0")/../support/x_windows.sh"
# Types a full path into the file dialog titled $1 and confirms it, then
# waits for the dialog to close. A dialog still open 3 s after Return did not
# get the whole answer (a key typed before its name field took the keyboard
# goes elsewhere): the path is typed again, once, and said so.
answer_dialog() {
  local dialog
  dialog=$(wait_window "^$1\$")
  for attempt in 1 2; do
    xdotool windowfocus --sync "$dialog"
    sleep 0.3
    xdotool key ctrl+a
    xdotool type --delay 2 "$2"
    sleep 0.2
    xdotool key Return
    window_gone "$dialog" 3 && return 0
    [ "$attempt" = 1 ] && echo "walkthrough: $1 was still open after Return; typing the path again" >&2
  done
  fail "$1 stayed open after the path $2 was typed twice"
}
# Answers the message box titled $1 with the key $2 and waits for it to close.
answer_box() {
  local box
  box=$(wait_window "^$1\$")
  xdotool windowfocus --sync "$box"
  sleep 0.3
  xdotool key "$2"
  window_gone "$box" "$ui_bound" || fail "the box $1 stayed open after $2"
}
u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }

# What qiltool makes of the same steps: a new group, the executable's icon,
# the dropped icon; the first image exported over the dialog's first colour.
mkdir "$work/expected"
"$qiltool" new "$work/expected/group.qil" >/dev/null
"$qiltool" add "$work/expected/group.qil" "$fixtures/icons32.exe" "$fixtures/multi.ico" >/dev/null
"$qiltool" export "$work/expected/group.qil" 0 "$work/expected/icon.bmp" --fill f0f0f0 >/dev/null

"$editor" >"$work/editor.log" 2>&1 &
editor_pid=$!
pids+=("$editor_pid")
main=$(wait_window '^Tilvane$')
sleep 1.5

# Add: 加入图片, the executable, Yes to a new group.
click_in "$main" 15 96
answer_dialog "请选择文件路径:" "$fixtures/icons32.exe"
answer_box "提示" Return
wait_title "Tilvane    临时数据(未保存)"

# A real drag of an icon file from another program onto the list.
"$drag_source" "$fixtures/multi.ico" >"$work/drag.out" 2>/dev/null &
pids+=($!)
source_window=$(wait_window '^drag-source$')
sleep 0.5
xdotool mousemove --window "$source_window" 60 40
xdotool mousedown 1
sleep 0.2
read -r mx my < <(xdotool getwindowgeometry --shell "$main" | awk -F= '/^X=/{x=$2}/^Y=/{y=$2}END{print x, y}')
for step in 1 2 3 4 5 6 7 8; do
  xdotool mousemove $(( 60 + (mx + 300 - 60) * step / 8 )) $(( 40 + (my + 200 - 40) * step / 8 ))
  sleep 0.15
done
sleep 0.6
xdotool mouseup 1
for _ in $(seq $((ui_bound * 10))); do [ -s "$work/drag.out" ] && break; sleep 0.1; done
[ -s "$work/drag.out" ] || fail "the drag did not end within $ui_bound s of the drop"
[ "$(cat "$work/drag.out")" != "move" ] || fail "the drag source was told its file was moved"

# Save: 保存图组 asks for a name the first time.
sleep 0.5
click_in "$main" 15 222
answer_dialog "请选择保存路径:" "$work/out/group.qil"
wait_title "Tilvane  $work/out/group.qil"
[ "$(head -c 4 "$work/out/group.qil")" = "MITL" ] || fail "the saved group is not a group file"
[ "$(u16 "$work/out/group.qil" 12)" = 2 ] || fail "the saved group holds $(u16 "$work/out/group.qil" 12) images, expected 2"
cmp -s "$work/out/group.qil" "$work/expected/group.qil" || fail "the saved group differs from qiltool's for the same steps"
[ -n "$shots" ] && import -window "$main" "$shots/screenshot-group.png"

# Export: select the first icon, 导出图片(&W) from the context menu, 确定, a file name.
click_in "$main" 68 30
sleep 0.3
context_menu "$main" 68 30
xdotool key w
dialog=$(wait_export_dialog)
sleep 0.3
[ -n "$shots" ] && import -window "$dialog" "$shots/screenshot-export.png"
click_in "$dialog" 46 81
answer_dialog "请选择要保存的文件名：" "$work/out/icon.bmp"
answer_box "提示:" Return
bmp_size() { stat -c %s "$work/out/icon.bmp" 2>/dev/null || true; }
for _ in $(seq $((ui_bound * 10))); do [ "$(bmp_size)" = 3126 ] && break; sleep 0.1; done
[ "$(bmp_size)" = 3126 ] || fail "the exported picture is not a 32 x 32 24-bit BMP ($(bmp_size) bytes)"
cmp -s "$work/out/icon.bmp" "$work/expected/icon.bmp" || fail "the exported picture differs from qiltool's export"

# Exit: 退出(&E) with nothing unsaved ends the program and removes the working copy.
context_menu "$main" 200 200
xdotool key e
wait_ended "$editor_pid" "the editor" || fail "the editor did not end well after Exit"
[ -z "$(find "$work/tmp" -name '临时图片组.tmp')" ] || fail "the temporary group file was left behind"
echo "walkthrough: 1 passed, 0 failed"
