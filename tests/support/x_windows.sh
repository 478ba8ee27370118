# Finding and clicking the editor's windows on a private X display with
# xdotool; sourced by the scripts that drive the real editor. The caller
# defines fail MESSAGE and, for wait_title, sets $main to the main window's id.
# Every wait ends as soon as what it waits for is there; its bound is set far
# above what an idle machine needs, so that a busy one passes too.
ui_bound=${UI_BOUND:-30}  # seconds

# The id of the last visible window whose name matches, waiting up to $ui_bound s.
wait_window() {
  local id
  for _ in $(seq $((ui_bound * 10))); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  fail "no window named $1"
}

# Waits up to $ui_bound s for the main window's title to read exactly $1.
wait_title() {
  for _ in $(seq $((ui_bound * 10))); do
    [ "$(xdotool getwindowname "$main" 2>/dev/null)" = "$1" ] && return 0
    sleep 0.1
  done
  fail "title is '$(xdotool getwindowname "$main")', expected '$1'"
}

# window_gone WINDOW SECONDS: waits up to SECONDS for the window to be closed.
# The list is read whole before it is searched: grep -q in the pipeline would
# stop reading at the match, and xdotool's broken pipe would then read, under
# pipefail, as a window gone.
window_gone() {
  local shown
  for _ in $(seq $(( $2 * 10 ))); do
    shown=$(xdotool search --onlyvisible --name . 2>/dev/null || true)
    grep -qx "$1" <<<"$shown" || return 0
    sleep 0.1
  done
  return 1
}

# The visible nameless windows (Qt's dialogs without a title, its menus), a
# line each: id x y width height. A window can close between the search and
# the question about its place; it is left out.
nameless_windows() {
  local id
  for id in $(xdotool search --onlyvisible --name '^$' 2>/dev/null || true); do
    xdotool getwindowgeometry --shell "$id" 2>/dev/null |
      awk -F= -v id="$id" '{ v[$1] = $2 } END { if ("HEIGHT" in v) print id, v["X"], v["Y"], v["WIDTH"], v["HEIGHT"] }' || true
  done
}

# The export dialog's id, waiting up to $ui_bound s. It has no title, so it is
# the visible nameless window of its fixed size, 221 x 130.
wait_export_dialog() {
  local id
  for _ in $(seq $((ui_bound * 10))); do
    id=$(nameless_windows | awk '$4 == 221 && $5 == 130 { print $1; exit }')
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  fail "the export dialog did not appear"
}

# The names of the visible windows, a line each, for a failure report.
visible_windows() { xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null || true; }

# context_menu WINDOW X Y: a right-click at a point of the window, then waits
# up to $ui_bound s for the menu it opens, the visible nameless window whose top left
# corner lies just below and right of the pointer, so that a key typed next
# reaches the menu.
context_menu() {
  local px py
  click_in "$1" "$2" "$3" 3
  read -r px py < <(xdotool getmouselocation --shell | awk -F= '/^X=/ { x = $2 } /^Y=/ { y = $2 } END { print x, y }')
  for _ in $(seq $((ui_bound * 10))); do
    if nameless_windows | awk -v x="$px" -v y="$py" \
      '$2 >= x && $2 <= x + 8 && $3 >= y && $3 <= y + 8 { found = 1 } END { exit !found }'; then
      sleep 0.2
      return 0
    fi
    sleep 0.1
  done
  fail "no context menu opened at $2,$3"
}

# click_in WINDOW X Y [BUTTON]: a real click at a point of the window.
click_in() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; }
