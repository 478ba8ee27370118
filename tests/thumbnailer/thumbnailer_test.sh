#!/usr/bin/env bash
# Runs the thumbnailer entry as a file manager does: the Exec line of
# tilvane.thumbnailer with %s, %i and %o filled in, qiltool found on PATH.
# Checks the PNG it writes for empty, one-image and many-image groups at 128
# and 256 pixels, and that a broken file gives no PNG and a failure status.
#   thumbnailer_test.sh QILTOOL THUMBNAILER_ENTRY FIXTURE_DIR [SCREENSHOT]
set -euo pipefail
qiltool="$(realpath "$1")"
entry="$(realpath "$2")"
fixtures="$(realpath "$3")"
screenshot="${4:-}"

work="$(mktemp -d "${TMPDIR:-/tmp}/tilvane-thumbnailer-XXXXXX")"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "thumbnailer: $*" >&2
  failures=$((failures + 1))
}

# What a file manager reads from the entry.
grep -qx '\[Thumbnailer Entry\]' "$entry" || fail "the entry has no [Thumbnailer Entry] group"
grep -qx 'MimeType=application/x-qil;' "$entry" || fail "the entry is not for application/x-qil"
try_exec=$(sed -n 's/^TryExec=//p' "$entry")
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ "$try_exec" = qiltool ] || fail "TryExec is '$try_exec'"
mkdir -p "$work/bin"
ln -s "$qiltool" "$work/bin/qiltool"
export PATH="$work/bin:$PATH"
command -v "$try_exec" >/dev/null || fail "TryExec $try_exec is not on PATH"

# Runs the Exec line for SIZE INPUT OUTPUT; the words are split as the desktop
# entry specification splits them, each field code standing for one argument.
run_entry() {
  local size=$1 input=$2 output=$3 words=() word
  read -r -a words <<<"$exec_line"
  local argv=()
  for word in "${words[@]}"; do
    case "$word" in
      %s) argv+=("$size") ;;
      %i) argv+=("$input") ;;
      %o) argv+=("$output") ;;
      *) argv+=("$word") ;;
    esac
  done
  "${argv[@]}" >/dev/null 2>"$work/stderr"
}

png_size() {  # prints "WIDTH HEIGHT" from the PNG header
  [ "$(od -An -tx1 -N8 "$1" | tr -d ' \n')" = 89504e470d0a1a0a ] || { echo "not-a-png"; return; }
  echo "$(od -An -tu4 --endian=big -j16 -N4 "$1" | tr -d ' ') $(od -An -tu4 --endian=big -j20 -N4 "$1" | tr -d ' ')"
}
pixel() {  # prints the RGB of pixel X Y as six hex digits
  convert "$1" -alpha off -crop "1x1+$2+$3" -depth 8 rgb:- | od -An -tx1 | tr -d ' \n'
}
alpha_at() {
  convert "$1" -crop "1x1+$2+$3" -depth 8 rgba:- | od -An -tx1 -j3 -N1 | tr -d ' \n'
}

# The groups: none, one picture (pattern32.png: red top left, blue bottom
# right, transparent bottom left), eight (the README's demonstration group) and 24.
"$qiltool" new "$work/empty.qil" >/dev/null
"$qiltool" new "$work/one.qil" >/dev/null
"$qiltool" add "$work/one.qil" "$fixtures/pattern32.png" >/dev/null
"$qiltool" new "$work/eight.qil" >/dev/null
for n in 0 1 2 3; do "$qiltool" add "$work/eight.qil" "$fixtures/icons32.exe" --icon "$n" >/dev/null; done
"$qiltool" add "$work/eight.qil" "$fixtures/icons64.dll" "$fixtures/multi.ico" "$fixtures/only16.ico" \
  "$fixtures/png256.ico" >/dev/null
"$qiltool" merge "$work/many.qil" "$work/eight.qil" "$work/eight.qil" "$work/eight.qil" >/dev/null 2>&1
[ "$("$qiltool" info "$work/many.qil" --json | grep -o '"images": *[0-9]*' | grep -o '[0-9]*$')" = 24 ] ||
  fail "the many-image group does not hold 24 images"
printf 'MITL not really a group' >"$work/broken.qil"

check() {  # NAME SIZE EXPECTED_WIDTH EXPECTED_HEIGHT
  local out="$work/$1-$2.png"
  if ! run_entry "$2" "$work/$1.qil" "$out"; then
    fail "$1 at $2: the Exec line failed: $(cat "$work/stderr")"
    return
  fi
  local got
  got=$(png_size "$out")
  [ "$got" = "$3 $4" ] || fail "$1 at $2: the PNG is '$got', expected '$3 $4'"
}
for size in 128 256; do
  check empty "$size" "$size" "$size"
  check one "$size" "$size" "$size"
  # 8 images: 4 to a row, at twice their size where that fits.
  if [ "$size" = 128 ]; then check eight 128 128 64; else check eight 256 256 128; fi
  # 24 images: at 128 the 4 x 4 that fit at their own size; at 256 all of them, 8 to a row.
  if [ "$size" = 128 ]; then check many 128 128 128; else check many 256 256 96; fi
done

# One image fills the thumbnail at a whole multiple of its size, its
# transparent pixels over the checkerboard (squares of an eighth of a side).
for size in 128 256; do
  f="$work/one-$size.png" k=$((size / 32)) square=$((size / 8))
  [ "$(pixel "$f" $((3 * k)) $((3 * k)))" = ff0000 ] || fail "one at $size: the red square is not red"
  [ "$(pixel "$f" $((28 * k)) $((28 * k)))" = 0000ff ] || fail "one at $size: the blue square is not blue"
  # The bottom left quarter is transparent; the last row of squares starts dark.
  [ "$(pixel "$f" 1 $((size - 2)))" = cccccc ] || fail "one at $size: no dark checker square under a transparent pixel"
  [ "$(pixel "$f" $((square + 1)) $((size - 2)))" = ffffff ] || fail "one at $size: no light checker square beside it"
  [ "$(alpha_at "$f" 1 $((size - 2)))" = ff ] || fail "one at $size: a transparent pixel is not drawn opaque"
done
[ "$(pixel "$work/empty-128.png" 1 1)" = ffffff ] && [ "$(pixel "$work/empty-128.png" 17 1)" = cccccc ] ||
  fail "the empty group's thumbnail is not a checkerboard"
# The grid: image 5 (multi.ico, the pattern: red top left) is at row 2, column 2
# with 4 to a row, and at column 6 with 8 to a row; image 8 (the first of the
# second copy) begins row 2 at 256.
[ "$(pixel "$work/eight-256.png" $((64 + 6)) $((64 + 6)))" = ff0000 ] || fail "eight at 256: image 5 is not at row 2, column 2"
[ "$(pixel "$work/eight-256.png" $((64 + 58)) $((64 + 58)))" = 0000ff ] || fail "eight at 256: image 5 is not drawn at twice its size"
[ "$(pixel "$work/many-128.png" $((32 + 3)) $((32 + 3)))" = ff0000 ] || fail "many at 128: image 5 is not at row 2, column 2"
[ "$(pixel "$work/many-256.png" $((5 * 32 + 3)) 3)" = ff0000 ] || fail "many at 256: image 5 is not at column 6"
[ "$(pixel "$work/many-256.png" 3 $((32 + 3)))" = "$(pixel "$work/many-256.png" 3 3)" ] ||
  fail "many at 256: row 2 does not begin with image 8, the first image again"
# The last row at 256 is full (24 = 3 rows of 8); at 128 only 16 images are shown.
[ "$(alpha_at "$work/many-256.png" 255 95)" = ff ] || fail "many at 256: the last cell is empty"

# A broken file: no PNG, a failure status, a reason on standard error.
rm -f "$work/broken.png"
if run_entry 128 "$work/broken.qil" "$work/broken.png"; then fail "a broken file was thumbnailed"; fi
[ ! -e "$work/broken.png" ] || fail "a broken file left a PNG"
[ -s "$work/stderr" ] || fail "a broken file gave no reason"
# A missing one too, and an existing thumbnail is left alone.
printf 'old' >"$work/kept.png"
if run_entry 128 "$work/missing.qil" "$work/kept.png"; then fail "a missing file was thumbnailed"; fi
[ "$(cat "$work/kept.png")" = old ] || fail "a failed run replaced an existing file"

if [ -n "$screenshot" ] && [ "$failures" = 0 ]; then
  cp "$work/eight-256.png" "$screenshot"
fi
if [ "$failures" != 0 ]; then
  echo "thumbnailer: $failures failed" >&2
  exit 1
fi
echo "thumbnailer: passed"
