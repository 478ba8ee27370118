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
. "$(dirname "$0")/../support/ui_driver.sh" walkthrough out expected
u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }

# What qiltool makes of the same steps: a new group, the executable's icon,
# the dropped icon; the first image exported over the dialog's first colour.
"$qiltool" new "$work/expected/group.qil" >/dev/null
"$qiltool" add "$work/expected/group.qil" "$fixtures/icons32.exe" "$fixtures/multi.ico" >/dev/null
"$qiltool" export "$work/expected/group.qil" 0 "$work/expected/icon.bmp" --fill f0f0f0 >/dev/null

start_editor
main=$(wait_window '^Tilvane$')

# Add: 加入图片, the executable, Yes to a new group.
click_for_window "$main" 15 96 "^请选择文件路径:\$"
answer_dialog "请选择文件路径:" "$fixtures/icons32.exe"
answer_box "提示" Return
wait_title "Tilvane    临时数据(未保存)"

# A real drag of an icon file from another program onto the list.
drag_file "$fixtures/multi.ico" "$main" 300 200

# Save: 保存图组 asks for a name the first time.
click_for_window "$main" 15 222 "^请选择保存路径:\$"
answer_dialog "请选择保存路径:" "$work/out/group.qil"
wait_title "Tilvane  $work/out/group.qil"
[ "$(head -c 4 "$work/out/group.qil")" = "MITL" ] || fail "the saved group is not a group file"
[ "$(u16 "$work/out/group.qil" 12)" = 2 ] || fail "the saved group holds $(u16 "$work/out/group.qil" 12) images, expected 2"
same_bytes "$work/out/group.qil" "$work/expected/group.qil" "the saved group"
screenshot "$main" screenshot-group.png

# Export: select the first icon, 导出图片(&W) from the context menu, 确定, a file name.
click_in "$main" 68 30
menu_command "$main" 68 30 w
dialog=$(wait_export_dialog)
screenshot "$dialog" screenshot-export.png
click_for_window "$dialog" $(dialog_point 46 81) "^请选择要保存的文件名：\$"
answer_dialog "请选择要保存的文件名：" "$work/out/icon.bmp"
answer_box "提示:" Return
same_bytes "$work/out/icon.bmp" "$work/expected/icon.bmp" "the exported picture"
[ "$(stat -c %s "$work/out/icon.bmp")" = 3126 ] || fail "the exported picture is not a 32 x 32 24-bit BMP ($(stat -c %s "$work/out/icon.bmp") bytes)"

# Exit: 退出(&E) with nothing unsaved ends the program and removes the working copy.
menu_command "$main" 200 200 e
wait_ended "$editor_pid" "the editor" || fail "the editor did not end well after Exit"
no_working_copy || fail "the temporary group file was left behind"
echo "walkthrough: 1 passed, 0 failed"
