#!/usr/bin/env bash
# Drives tilvane.exe under Wine on a private Xvfb as a person would, and
# checks the window titles it shows and the bytes it writes against qiltool
# built for this machine doing the same steps:
#   1. started with a group by argument: delete the first image, add an
#      executable through the add dialog and an icon file by a real drag from
#      an X11 program, save in place, export the first image over a colour
#      chosen in the colour dialog, save as under a Chinese name, delete once
#      more and close the window: the save question is cancelled once, then
#      answered Yes, which saves and ends the program;
#   2. started bare: open the saved group through the open dialog, turn the
#      music off from the context menu, Exit;
#   3. started with a group of seven images by argument, by the keyboard: the
#      Menu key opens the context menu before any click and Escape closes it;
#      click image 2, type 5 (the list moves to the caption "5"), delete it
#      from the menu of the Menu key, save in place; Escape closes the export
#      dialog; Exit from the menu.
# Each run ends with status 0 and leaves no working copy in Wine's temporary
# folder.
#   editor_walkthrough.sh TILVANE_EXE DRAG_SOURCE FIXTURE_DIR LINUX_QILTOOL [SCREENSHOT_DIR]
# Runs in $WINEPREFIX, made by tests/windows/wine-prefix (with its locale).
set -euo pipefail
editor="$(realpath "$1")"
drag_source="$(realpath "$2")"
fixtures="$(realpath "$3")"
qiltool="$(realpath "$4")"
shots="${5:+$(realpath "$5")}"
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of this test run}"
here="$(cd "$(dirname "$0")" && pwd)"

. "$here/../support/ui_driver.sh" "wine walkthrough" out expected
. "$here/wine_editor.sh"
fail_details() { echo "the files written:"; ls -l "$work/out" | sed 's/^/  /'; }

no_working_copy || fail "a working copy was in Wine's temporary folder before the editor started"

# The group the first run opens, and what qiltool makes of the same steps.
start="$work/out/起点 图组.qil"
saved_as="$work/out/另存 图组.qil"
bmp="$work/out/图标 导出.bmp"
fill=183c6e  # RRGGBB, chosen in the colour dialog below
"$qiltool" new "$start" >/dev/null
"$qiltool" add "$start" "$fixtures/icons32.exe" "$fixtures/icons64.dll" >/dev/null
cp "$start" "$work/expected/saved.qil"
"$qiltool" remove "$work/expected/saved.qil" 0 >/dev/null
"$qiltool" add "$work/expected/saved.qil" "$fixtures/icons64.exe" "$fixtures/multi.ico" >/dev/null
"$qiltool" export "$work/expected/saved.qil" 0 "$work/expected/icon.bmp" --fill "$fill" >/dev/null
cp "$work/expected/saved.qil" "$work/expected/closed.qil"
"$qiltool" remove "$work/expected/closed.qil" 0 >/dev/null

# 1. Open by argument. Every Chinese name typed below has its keys first.
map_keys "$saved_as" "$bmp"
start_editor "$(ui_path "$start")"
main=$(wait_window '^Tilvane  ')
wait_title "Tilvane  $(ui_path "$start")"

# Delete: select the first image, 删除图片.
xdotool windowfocus --sync "$main"
click_in "$main" 68 20
press_button "$main" 15 159 "Tilvane  $(ui_path "$start")  临时数据(未保存)"

# Add: 加入图片, an executable from the add dialog.
click_for_window "$main" 15 96 "^请选择文件路径:\$"
answer_dialog "请选择文件路径:" "$fixtures/icons64.exe"

# A real drag of an icon file from an X11 program onto the list. Wine offers
# the drop target a copy only; the drop is reported as not performed.
drag_file "$fixtures/multi.ico" "$main" 300 200

# Save: 保存图组 writes the opened file in place.
press_button "$main" 15 222 "Tilvane  $(ui_path "$start")"
same_bytes "$start" "$work/expected/saved.qil" "the group saved after delete, add and drop"
screenshot "$main" screenshot-wine-group.png

# Export: select the first image, 导出图片(&W) from the context menu, a colour
# from the colour dialog, 确定, a file name, the box that says it is done.
click_in "$main" 68 20
menu_command "$main" 68 20 w
dialog=$(wait_export_dialog)
choose_fill_colour "$dialog" "$fill"
screenshot "$dialog" screenshot-wine-export.png
click_for_window "$dialog" $(dialog_point 46 81) "^请选择要保存的文件名：\$"
answer_dialog "请选择要保存的文件名：" "$bmp"
answer_box "提示:" Return
same_bytes "$bmp" "$work/expected/icon.bmp" "the BMP exported over #$fill"

# Save as: 图组另存为(&V) from the context menu, a Chinese name.
menu_command "$main" 300 250 v
answer_dialog "请选择保存路径:" "$saved_as"
wait_title "Tilvane  $(ui_path "$saved_as")"
same_bytes "$saved_as" "$work/expected/saved.qil" "the group saved as"

# Close with a change unsaved: Cancel keeps the program and the change, Yes
# saves and ends it.
xdotool windowfocus --sync "$main"
click_in "$main" 68 20
press_button "$main" 15 159 "Tilvane  $(ui_path "$saved_as")  临时数据(未保存)"
close_window "$main" "提示:"
answer_box "提示:" Escape
kill -0 "$editor_pid" 2>/dev/null || fail "the editor ended after the save question was cancelled"
wait_title "Tilvane  $(ui_path "$saved_as")  临时数据(未保存)"
close_window "$main" "提示:"
answer_box "提示:" y
wait_ended "$editor_pid" "tilvane.exe" || fail "the editor did not end well after Yes to the save question on close"
same_bytes "$saved_as" "$work/expected/closed.qil" "the group saved by the question on close"
no_working_copy || fail "the working copy was left behind after the window was closed"

# 2. Open through the dialog, music off, Exit.
start_editor
main=$(wait_window '^Tilvane$')
click_for_window "$main" 15 33 "^请选择要打开的Quill图片组文件:\$"
answer_dialog "请选择要打开的Quill图片组文件:" "$saved_as"
wait_title "Tilvane  $(ui_path "$saved_as")"
menu_command "$main" 300 250 m
kill -0 "$editor_pid" 2>/dev/null || fail "the editor ended when the music was turned off"
menu_command "$main" 300 250 e
wait_ended "$editor_pid" "tilvane.exe" || fail "the editor did not end well after Exit"
no_working_copy || fail "the working copy was left behind after Exit"

# 3. Seven images by argument, by the keyboard from the start: the Menu key
# before any click, type-ahead, delete, save, Escape in the export dialog.
# The list lays its items out in rows of six, 76 pixels apart, the first
# caption's image at 68,20 of the window (a screenshot shows it).
seven="$work/out/七图.qil"
"$qiltool" new "$seven" >/dev/null
"$qiltool" add "$seven" "$fixtures"/{icons32.exe,icons64.dll,multi.ico,red16.png,green16.png,blue48.png,pattern32.png} >/dev/null
cp "$seven" "$work/expected/six.qil"
"$qiltool" remove "$work/expected/six.qil" 5 >/dev/null
start_editor "$(ui_path "$seven")"
main=$(wait_window '^Tilvane  ')
wait_title "Tilvane  $(ui_path "$seven")"
menu_key "$main" Escape
click_in "$main" $((68 + 2 * 76)) 20
xdotool key 5
menu_key "$main" d
wait_title "Tilvane  $(ui_path "$seven")  临时数据(未保存)"
press_button "$main" 15 222 "Tilvane  $(ui_path "$seven")"
same_bytes "$seven" "$work/expected/six.qil" "the group saved after image 2 was clicked, 5 typed and deleted"
click_in "$main" 68 20
menu_key "$main" w
dialog=$(wait_export_dialog)
input_until "the close of the export dialog after Escape" "! shown $dialog" focus_key "$dialog" Escape
menu_key "$main" e
wait_ended "$editor_pid" "tilvane.exe" || fail "the editor did not end well after Exit by the keyboard"
no_working_copy || fail "the working copy was left behind after Exit by the keyboard"
echo "wine walkthrough: 1 passed, 0 failed"
