# A private scratch folder for a test script, sourced as
#   . work_folder.sh NAME [SUBFOLDER...]
# Makes $work (with tmp/, run/, config/ and each SUBFOLDER), points TMPDIR,
# XDG_RUNTIME_DIR and XDG_CONFIG_HOME into it, and on exit ends every process
# whose id the script added to `pids` and removes the folder. With a
# configuration folder of its own, what the file dialogs remember (the folders
# visited, the view) starts empty on every run and on every machine, and the
# user's own is left alone. The script defines fail MESSAGE, which reports and
# exits, and begins it with `first_failure || exit 1`.
work="$(mktemp -d "${TMPDIR:-/tmp}/tilvane-$1-XXXXXX")"
shift
mkdir -p "$work/tmp" "$work/run" "$work/config"
for folder in "$@"; do mkdir -p "$work/$folder"; done
chmod 700 "$work/run"
export TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config"
pids=()
# Commands run at the end, before the work folder goes (a caller adds its own).
cleanup_steps=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for step in "${cleanup_steps[@]}"; do eval "$step" || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Under set -e a command that fails outside a check ends the script, and many
# say nothing when they do: an assignment from a pipeline whose errors go to
# /dev/null, a read at the end of its input. Such a failure is reported as a
# failed check is, naming the line and the command. The trap reaches into the
# script's functions (-E) but acts only in the script's own shell: inside
# $(...) a failing command is the substitution's business, and the assignment
# that takes a failed substitution is reported in its place. fail reports only
# the first failure, which first_failure marks: a fail inside $(...) reports,
# and the assignment that then fails exits without a second report.
first_failure() { [ ! -e "$work/failed" ] && : >"$work/failed"; }
set -E
trap 'status=$?; [ "$BASHPID" = "$$" ] && fail "${BASH_SOURCE[0]##*/} line $LINENO: $BASH_COMMAND (status $status)"' ERR
