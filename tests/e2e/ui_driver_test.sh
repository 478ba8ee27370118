#!/usr/bin/env bash
# The walkthroughs' driver itself, on its own private Xvfb: a state that
# never comes fails its step after the bound, naming the state once, with a
# screenshot beside the test's output; an input that was lost is sent again,
# and no more once its state has come; a window is seen to come and go.
#   ui_driver_test.sh DRAG_SOURCE
set -euo pipefail
export drag_source="$(realpath "$1")" here="$(cd "$(dirname "$0")/.." && pwd)"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0
# run [BOUND]: a scenario (a script on stdin) over the driver, with short
# bounds (2 s, a resend after 1 s) unless a state that comes is waited for,
# in the scratch folder; its status in $status, its output in $out.
run() {
  rm -f "$out"/*
  status=0
  (cd "$out" && UI_BOUND=${1:-2} UI_RETRY=1 bash -c "set -euo pipefail; . \"\$here/support/ui_driver.sh\" probe; $(cat)") \
    >"$out/stdout" 2>"$out/stderr" || status=$?
}
expect() {  # expect WHAT CHECK...
  "${@:2}" && return 0
  echo "ui_driver_test: $1 (status $status); the scenario said:" >&2
  sed 's/^/  /' "$out/stdout" "$out/stderr" >&2
  failures=$((failures + 1))
}

run <<<'started=$EPOCHREALTIME; trap '\''echo "waited ${started%.*} ${EPOCHREALTIME%.*}"; cleanup'\'' EXIT
wait_for "the sky turning green" false'
expect "a state that never came failed the step" [ "$status" = 1 ]
expect "the failure names the state" grep -qx 'probe: the sky turning green never came within 2 s' "$out/stderr"
expect "the wait lasted its bound" awk '/^waited/ { exit !($3 - $2 >= 2) }' "$out/stdout"
expect "a screenshot of the display beside the output" [ "$(head -c 4 "$out/probe-failure.png" | od -An -c | tr -d ' ')" = "211PNG" ]

run <<<'id=$(wait_window "^no such window$")'
expect "a wait inside \$(...) failed the script" [ "$status" = 1 ]
expect "its failure is reported once" [ "$(grep -c 'never came' "$out/stderr")" = 1 ]

run <<<'lost_once() { echo input >>"$work/inputs"; [ "$(wc -l <"$work/inputs")" -lt 2 ] || : >"$work/state"; }
input_until "the state file" "[ -e \"\$work/state\" ]" lost_once; wc -l <"$work/inputs"'
expect "an input lost once passes the step" [ "$status" = 0 ]
expect "it was sent twice, not more" [ "$(cat "$out/stdout")" = 2 ]
expect "the resend is said" grep -q "the state file did not come within 1 s of 'lost_once': sending it again" "$out/stderr"

run <<<'always_lost() { echo input >>"$PWD/inputs"; }; input_until "the door opening" false always_lost'
expect "an input always lost fails the step" [ "$status" = 1 ]
expect "it is sent three times" [ "$(wc -l <"$out/inputs")" = 3 ]
expect "the failure names the state" grep -q 'probe: the door opening never came' "$out/stderr"

run 60 <<<'"$drag_source" x >/dev/null 2>&1 & pids+=($!)
id=$(wait_window "^drag-source$"); shown "$id" || fail "not shown"
kill "${pids[-1]}"; window_gone "$id" || fail "still shown"; echo gone'
expect "a window is seen shown, then gone" [ "$status:$(cat "$out/stdout")" = "0:gone" ]

run <<<'WINEPREFIX=/nowhere; . "$here/windows/wine_editor.sh"; ui_path "/a b/c.qil"; echo; dialog_point 46 81'
expect "the Windows editor's path form and dialog offset" [ "$(cat "$out/stdout")" = $'Z:\\a b\\c.qil\n49 99' ]

[ "$failures" = 0 ] || exit 1
echo "ui_driver_test: passed"
