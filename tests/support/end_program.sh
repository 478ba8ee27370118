# Ends a program the tests started and checks that it ended well: sourced by
# the scripts that run the real editor. A sanitizer's report at exit, a crash
# or a hang on the way out all fail the test that calls it.

# wait_ended PID NAME [SECONDS]: waits for a program that was told to end
# (by a click, a key or a signal); fails unless it exits with status 0.
wait_ended() {
  local pid=$1 name=$2 seconds=${3:-15} status=0
  for _ in $(seq $((seconds * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "$name is still running ${seconds} s after it was told to end" >&2
    kill -KILL "$pid" 2>/dev/null || true
    return 1
  fi
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "$name ended with status $status" >&2
    return 1
  fi
}

# end_program PID NAME: asks a running program to end as the desktop session
# does (SIGTERM) and checks that it ended well.
end_program() {
  kill -TERM "$1" 2>/dev/null || true
  wait_ended "$1" "$2"
}
