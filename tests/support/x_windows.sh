# Finding and clicking the editor's windows on a private X display with
# xdotool; sourced by the scripts that drive the real editor. The caller
# defines fail MESSAGE and, for wait_title, sets $main to the main window's id.

# The id of the last visible window whose name matches, waiting up to 10 s.
wait_window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  fail "no window named $1"
}

# Waits up to 10 s for the main window's title to read exactly $1.
wait_title() {
  for _ in $(seq 100); do
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

# The export dialog's id, waiting up to 5 s. It has no title, so it is the
# visible nameless window of its fixed size, 221 x 130. A window can close
# between the search and the question about its size; its error is no answer.
wait_export_dialog() {
  local id size
  for _ in $(seq 50); do
    for id in $(xdotool search --onlyvisible --name '^$' 2>/dev/null || true); do
      size=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=' | tr '\n' ' ' || true)
      [ "$size" = "WIDTH=221 HEIGHT=130 " ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  fail "the export dialog did not appear"
}

# The names of the visible windows, a line each, for a failure report.
visible_windows() { xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null || true; }

# context_menu WINDOW X Y: a right-click at a point of the window, then waits
# up to 5 s for the menu it opens, the visible nameless window whose top left
# corner lies just below and right of the pointer, so that a key typed next
# reaches the menu.
context_menu() {
  local id X Y WIDTH HEIGHT pointer_x pointer_y
  click_in "$1" "$2" "$3" 3
  eval "$(xdotool getmouselocation --shell | grep -E '^[XY]=[0-9]+$' || true)"
  pointer_x=$X pointer_y=$Y
  for _ in $(seq 50); do
    for id in $(xdotool search --onlyvisible --name '^$' 2>/dev/null || true); do
      X=-1 Y=-1
      eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | grep -E '^[XY]=[0-9]+$' || true)"
      if (( X >= pointer_x && X <= pointer_x + 8 && Y >= pointer_y && Y <= pointer_y + 8 )); then
        sleep 0.2
        return 0
      fi
    done
    sleep 0.1
  done
  fail "no context menu opened at $2,$3"
}

# click_in WINDOW X Y [BUTTON]: a real click at a point of the window.
click_in() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; }
