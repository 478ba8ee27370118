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
window_gone() {
  for _ in $(seq $(( $2 * 10 ))); do
    xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  return 1
}

# The names of the visible windows, a line each, for a failure report.
visible_windows() { xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null || true; }

# click_in WINDOW X Y [BUTTON]: a real click at a point of the window.
click_in() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; }
