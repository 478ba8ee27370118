# What the driver (tests/support/ui_driver.sh) needs to know of tilvane.exe
# under Wine, and the steps only Wine's dialogs have; sourced after the
# driver. The caller sets $editor (the exe) and $WINEPREFIX (made by
# tests/windows/wine-prefix, which also makes its zh_CN.UTF-8 locale).

wine_loader=$(command -v wine64 || echo /usr/lib/wine/wine64)
# The Windows form of a path, as the editor sees it through drive Z:.
ui_path() { printf 'Z:%s' "${1//\//\\}"; }
# Wine's file dialogs: the end of the name field, then all of it.
ui_field_keys="End shift+Home"
# Wine draws the frame (3 pixels) and the small title bar (15) of an owned
# tool window itself, inside its X window.
ui_frame="3 18"
ui_temp="$WINEPREFIX/drive_c/users"
# Wine's file dialogs take seconds to come and go on a busy machine (they list
# the folder first): an input is sent again only after a longer wait, so that
# a slow answer is not taken for a lost input.
ui_retry=${UI_RETRY:-8}

# Wine's code page 936 and Chinese file names come from the prefix's own
# locale; the system's is left alone.
wine_environment() {
  env WINEPREFIX="$WINEPREFIX" WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" \
    LOCPATH="$WINEPREFIX/locale" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$@"
}
# Wine keeps its server's socket in the temporary folder, the work folder's
# here: the editor runs under a server of its own, apart from the other tests
# that use the prefix at the same time (whose windows would otherwise take
# the keyboard from it). That server ends with the test, and is waited for:
# it writes the registry into the prefix on its way out.
wine_server=$(command -v wineserver || echo /usr/lib/wine/wineserver)
cleanup_steps+=('wine_environment "$wine_server" -k 2>/dev/null; wine_environment "$wine_server" -w')
# start_editor [ARGUMENT...]: sets editor_pid, the Windows process itself.
start_editor() {
  [ -d "$WINEPREFIX/locale/zh_CN.UTF-8" ] || fail "the prefix has no zh_CN.UTF-8 locale (made by wine-prefix create)"
  wine_environment "$wine_loader" "$editor" "$@" >>"$work/editor.log" 2>&1 &
  editor_pid=$!
  pids+=("$editor_pid")
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

# close_window WINDOW BOX: what the close box of the title bar does (there is
# no window manager to draw one), Alt+F4, which Wine turns into SC_CLOSE, and
# waits for the message box titled BOX that it brings. Keys reach only the
# window Wine holds active, and after a message box without an owner has
# closed none is, whatever has the X focus: a click on an empty part of the
# icon list (which only clears the selection) activates the main window.
close_window() {
  local window=$1 pattern="^$2\$"
  input_until "a window named $pattern after Alt+F4" 'named "$pattern"' \
    eval 'xdotool windowfocus --sync "$window" && click_in "$window" 400 280 && xdotool key alt+F4'
}

# choose_fill_colour DIALOG RRGGBB: opens the export dialog's colour list
# with a click, takes its last entry ("…", any other colour) with End and
# Return, and sets the colour in Wine's colour dialog by its keys:
# 定义自定义颜色(D) opens the fields if they are hidden, 红(R), 绿(G) and
# 蓝(B) take the values (a field reached by its key has its text selected, so
# typing the values again replaces them), and once the dialog's sample shows
# the colour, Return is 确定.
choose_fill_colour() {
  local chooser hex=$2 found
  xdotool windowfocus --sync "$1"
  input_until "the open colour list" 'nameless "\$4 >= 40 && \$4 <= 70 && \$5 >= 40"' \
    click_in "$1" $(dialog_point 162 43)
  xdotool key End Return
  chooser=$(wait_window '^颜色$')
  sample() {
    import -window "$chooser" "$work/chooser.png" && convert "$work/chooser.png" -depth 8 txt:- | grep -ci "#$hex" || true
  }
  type_colour() {
    local field
    focus_key "$chooser" alt+d || return 0
    for field in r:0 g:2 b:4; do
      xdotool key "alt+${field%:*}"
      xdotool type "$((16#${hex:${field#*:}:2}))"
    done
  }
  input_until "the colour dialog's sample in #$hex" '[ "$(sample)" -gt 200 ] 2>/dev/null' type_colour
  input_until "the close of the colour dialog" "! shown $chooser" focus_key "$chooser" Return
}
