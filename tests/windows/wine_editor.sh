# Running tilvane.exe under Wine on the private display and answering Wine's
# own dialogs with keys; sourced after x_windows.sh by the scripts that drive
# the Windows editor. The caller sets $editor (the exe), $work and $WINEPREFIX
# (made by tests/windows/wine-prefix, which also makes its zh_CN.UTF-8
# locale) and defines fail MESSAGE.
#
# The short settles below (0.3 s after a dialog took the keyboard) are the
# same as the Linux walkthrough's: a dialog that is shown can still be handing
# the focus to its first field, and a key typed before then goes elsewhere.
# Every other wait is for a window, a title or a file.

wine_loader=$(command -v wine64 || echo /usr/lib/wine/wine64)

# Wine's code page 936 and Chinese file names come from the prefix's own
# locale; the system's is left alone.
wine_environment() {
  env WINEPREFIX="$WINEPREFIX" WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" \
    LOCPATH="$WINEPREFIX/locale" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$@"
}

# map_keys TEXT...: gives every character outside ASCII in the texts a key of
# its own on the private display, to be called before the editor starts.
# xdotool types such a character by mapping a spare key to it on the spot,
# and Wine, which reads the keyboard's map when it starts and again when told
# that it changed, loses the character when the key comes before that news
# (under load, one in a path now and then). Keys already mapped are typed as
# they are.
map_keys() {
  local characters free mappings=() k=0
  characters=$(printf '%s' "$*" | LC_ALL=C.UTF-8 grep -o '[^ -~]' | sort -u)
  free=($(xmodmap -pke | awk 'NF == 3 && $1 == "keycode" { print $2 }'))
  while IFS= read -r character; do
    [ -n "$character" ] || continue
    [ "$k" -lt "${#free[@]}" ] || fail "no spare key left for $character"
    mappings+=(-e "keycode ${free[$k]} = $(LC_ALL=C.UTF-8 printf 'U%04X' "'$character")")
    k=$((k + 1))
  done <<<"$characters"
  [ ${#mappings[@]} -eq 0 ] || xmodmap "${mappings[@]}"
}

# start_editor [ARGUMENT...]: starts $editor in the background, its output in
# $work/editor.log; sets editor_pid (the Windows process itself).
start_editor() {
  [ -d "$WINEPREFIX/locale/zh_CN.UTF-8" ] || fail "the prefix has no zh_CN.UTF-8 locale (made by wine-prefix create)"
  wine_environment "$wine_loader" "$editor" "$@" >>"$work/editor.log" 2>&1 &
  editor_pid=$!
  pids+=("$editor_pid")
}

# Whether Wine's temporary folders hold no working copy of the editor.
no_working_copy() {
  [ -z "$(find "$WINEPREFIX/drive_c/users" -name '临时图片组.tmp' 2>/dev/null)" ]
}

# answer_dialog TITLE PATH: types a full path into the name field of Wine's
# file dialog titled TITLE, replacing what it proposes, confirms it and waits
# for the dialog to close. A dialog still open 3 s after Return did not get
# the whole path: it is typed again, once, and said so.
answer_dialog() {
  local dialog
  dialog=$(wait_window "^$1\$")
  for attempt in 1 2; do
    xdotool windowfocus --sync "$dialog"
    sleep 0.3
    xdotool key End shift+Home
    xdotool type --delay 2 "$2"
    xdotool key Return
    window_gone "$dialog" 3 && return 0
    [ "$attempt" = 1 ] && echo "wine walkthrough: $1 was still open after Return; typing the path again" >&2
  done
  fail "$1 stayed open after the path $2 was typed twice"
}

# answer_box TITLE KEY: answers the message box titled TITLE with KEY (Return
# for its default button, Escape for Cancel, y or n for 是(Y) or 否(N)) and
# waits for it to close.
answer_box() {
  local box
  box=$(wait_window "^$1\$")
  xdotool windowfocus --sync "$box"
  sleep 0.3
  xdotool key "$2"
  window_gone "$box" "$ui_bound" || fail "the box $1 stayed open after $2"
}

# press_button WINDOW X Y TITLE: clicks a button of the main window and waits
# for the main window's title to read TITLE. A click that comes while Wine is
# still busy with the window's previous input can be lost: a title still
# unchanged 3 s later gets the click once more, and that is said.
press_button() {
  xdotool windowfocus --sync "$1"
  for attempt in 1 2; do
    click_in "$1" "$2" "$3"
    for _ in $(seq 30); do
      [ "$(xdotool getwindowname "$1" 2>/dev/null)" = "$4" ] && return 0
      sleep 0.1
    done
    [ "$attempt" = 1 ] && echo "wine walkthrough: the click at $2,$3 changed nothing in 3 s; clicking again" >&2
  done
  wait_title "$4"
}

# menu_command WINDOW X Y KEY: the context menu at a point of the window, and
# the item of the mnemonic KEY. The window takes the keyboard first: Wine's
# menus read the keys that reach their owner, and the X focus may still be
# where another program (the drag source) left it.
menu_command() {
  xdotool windowfocus --sync "$1"
  context_menu "$1" "$2" "$3"
  xdotool key "$4"
}

# close_window WINDOW: what the close box of the title bar does (there is no
# window manager to draw one): Alt+F4, which Wine turns into SC_CLOSE. Keys
# reach only the window Wine holds active, and after a message box without an
# owner has closed none is, whatever has the X focus: a click on an empty
# part of the icon list (which only clears the selection) activates the main
# window first.
close_window() {
  xdotool windowfocus --sync "$1"
  click_in "$1" 400 280
  sleep 0.3
  xdotool key alt+F4
}

# The export dialog's id, waiting up to $ui_bound s: the visible nameless
# window of about its size, 221 x 130. Wine draws the frame and title bar of
# an owned tool window itself, so its X window is the whole window, and
# click_in_dialog places its clicks in the client area below the title bar.
wait_wine_export_dialog() {
  local id
  for _ in $(seq $((ui_bound * 10))); do
    id=$(nameless_windows | awk '$4 >= 200 && $4 <= 230 && $5 >= 90 && $5 <= 135 { print $1; exit }')
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  fail "the export dialog did not appear"
}

# click_in_dialog DIALOG X Y: a click at a point of the export dialog's client
# area (the layout's coordinates): its fixed frame is 3 pixels wide and the
# small title bar 15 high. Controls are 30 or more pixels high, so a pixel or
# two either way lands in the same one. When the X window is no larger than
# the client area (a window manager drawing the frame), the point is taken as
# it is.
click_in_dialog() {
  local width left=0 top=0
  width=$(xdotool getwindowgeometry --shell "$1" | awk -F= '/^WIDTH=/ { print $2 }')
  if [ "$width" -ge 219 ]; then left=3 top=18; fi
  click_in "$1" $(($2 + left)) $(($3 + top))
}

# choose_fill_colour DIALOG RRGGBB: opens the export dialog's colour list
# with a click, takes its last entry ("…", any other colour) with End and
# Return, and sets the colour in Wine's colour dialog by its keys:
# 定义自定义颜色(D) opens the fields when they are hidden, 红(R), 绿(G) and
# 蓝(B) take the values, Return is 确定.
choose_fill_colour() {
  local chooser hex=$2 list=""
  xdotool windowfocus --sync "$1"
  click_in_dialog "$1" 162 43
  # The open list: a nameless window as wide as the colour box.
  for _ in $(seq $((ui_bound * 10))); do
    list=$(nameless_windows | awk '$4 >= 40 && $4 <= 70 && $5 >= 40 { print $1; exit }')
    [ -n "$list" ] && break
    sleep 0.1
  done
  [ -n "$list" ] || fail "the colour list did not open"
  xdotool key End Return
  chooser=$(wait_window '^颜色$')
  xdotool windowfocus --sync "$chooser"
  sleep 0.3
  xdotool key alt+d
  xdotool key alt+r
  xdotool type "$((16#${hex:0:2}))"
  xdotool key alt+g
  xdotool type "$((16#${hex:2:2}))"
  xdotool key alt+b
  xdotool type "$((16#${hex:4:2}))"
  xdotool key Return
  window_gone "$chooser" "$ui_bound" || fail "the colour dialog stayed open after Return"
}

# drag_onto SOURCE_WINDOW TARGET_WINDOW X Y: a real drag with the mouse from
# the drag source's window to a point of the target window, in steps, as the
# Linux walkthrough does.
drag_onto() {
  local mx my
  xdotool mousemove --window "$1" 60 40
  xdotool mousedown 1
  sleep 0.2
  read -r mx my < <(xdotool getwindowgeometry --shell "$2" | awk -F= '/^X=/{x=$2}/^Y=/{y=$2}END{print x, y}')
  for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((60 + (mx + $3 - 60) * step / 8)) $((40 + (my + $4 - 40) * step / 8))
    sleep 0.15
  done
  sleep 0.6
  xdotool mouseup 1
}
