# Sourced by the scripts that need an X display of their own.
# start_private_display WORK_DIR [SCREEN]: starts Xvfb on a display number it
# picks itself, waits until it answers (up to 30 s in all, far above what an
# idle machine needs), exports DISPLAY and sets XVFB_PID.
start_private_display() {
  local work="$1" screen="${2:-1024x768x24}" number=""
  # -noreset: by default the server resets when its last client leaves, and
  # refuses connections for a moment while it does; the check below is such a
  # client, and the program started right after it would then find no display.
  Xvfb -displayfd 1 -screen 0 "$screen" -nolisten tcp -noreset >"$work/xvfb.display" 2>"$work/xvfb.log" &
  XVFB_PID=$!
  for _ in $(seq 200); do
    number=$(head -n 1 "$work/xvfb.display" 2>/dev/null || true)
    [ -n "$number" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  [ -n "$number" ] || return 1
  export DISPLAY=":$number"
  # The programs started on it must draw there, whatever platform the caller chose.
  export QT_QPA_PLATFORM=xcb
  for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
