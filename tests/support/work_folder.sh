# A private scratch folder for a test script, sourced as
#   . work_folder.sh NAME [SUBFOLDER...]
# Makes $work (with tmp/, run/ and each SUBFOLDER), points TMPDIR and
# XDG_RUNTIME_DIR into it, and on exit ends every process whose id the
# script added to `pids` and removes the folder.
work="$(mktemp -d "${TMPDIR:-/tmp}/tilvane-$1-XXXXXX")"
shift
mkdir -p "$work/tmp" "$work/run"
for folder in "$@"; do mkdir -p "$work/$folder"; done
chmod 700 "$work/run"
export TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/run"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
