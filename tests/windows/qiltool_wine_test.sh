#!/usr/bin/env bash
# qiltool.exe under Wine against qiltool built for this machine, on the same
# sources: usage qiltool_wine_test.sh QILTOOL_EXE LINUX_QILTOOL FIXTURES
#   - the PE and icon fixtures, and every icon-bearing program in Wine's own
#     system folder, give byte-identical groups (eight of them into a group
#     with a Chinese name, through new and add);
#   - export writes a PNG showing the same pixels;
#   - a read-only group is refused with exit 3 and left byte for byte;
#   - damaged executables are refused alike by both, the group untouched.
# Runs in $WINEPREFIX (tests/windows/wine-prefix) through $TILVANE_WINE_RUN.
set -euo pipefail
exe=$1 linux=$2 fixtures=$3
: "${WINEPREFIX:?}" "${TILVANE_WINE_RUN:?}"
system32="$WINEPREFIX/drive_c/windows/system32"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# Both run in this folder, so relative names mean the same file to both.
win() { "$TILVANE_WINE_RUN" "$exe" "$@"; }
same() {  # same FILE_A FILE_B WHAT
  if cmp -s "$1" "$2"; then echo "same bytes: $3"; else fail "$3: $1 and $2 differ"; fi
}

# 1. The fixtures, one of them under a Chinese name.
cp "$fixtures/icons32.exe" "图标 程序.exe"
fixture_names=(icons64.exe icons32.dll icons64.dll multi.ico png256.ico only16.ico i48_16.ico)
linux_sources=("图标 程序.exe") win_sources=("图标 程序.exe")
for name in "${fixture_names[@]}"; do
  linux_sources+=("$fixtures/$name")
  win_sources+=("Z:$fixtures/$name")
done
"$linux" new linux-fixtures.qil >/dev/null
"$linux" add linux-fixtures.qil "${linux_sources[@]}" >/dev/null
win new "固定 图标.qil" >/dev/null || fail "qiltool.exe new"
win add "固定 图标.qil" "${win_sources[@]}" >/dev/null || fail "qiltool.exe add with the fixtures"
same linux-fixtures.qil "固定 图标.qil" "the fixtures"

# 2. Wine's own programs that carry an icon, found by the Linux tool.
programs=()
for path in "$system32"/*.exe; do
  name=$(basename "$path")
  "$linux" new probe.qil >/dev/null
  if "$linux" add probe.qil "$path" >/dev/null 2>&1; then programs+=("$name"); fi
done
rm -f probe.qil
echo "icon-bearing programs in Wine's system folder: ${#programs[@]}"
[ ${#programs[@]} -ge 8 ] || fail "fewer than eight icon-bearing programs in $system32"

# Eight of them into a group with a Chinese name, through new and add.
eight=("${programs[@]:0:8}")
"$linux" new linux-eight.qil >/dev/null
"$linux" add linux-eight.qil "${eight[@]/#/$system32/}" >/dev/null
win new "八个 程序.qil" >/dev/null || fail "qiltool.exe new 八个 程序.qil"
win add "八个 程序.qil" "${eight[@]/#/C:\\windows\\system32\\}" >/dev/null || fail "qiltool.exe add with eight programs"
same linux-eight.qil "八个 程序.qil" "eight of Wine's programs (${eight[*]})"

# Every one of them.
"$linux" new linux-all.qil >/dev/null
"$linux" add linux-all.qil "${programs[@]/#/$system32/}" >/dev/null
win new all.qil >/dev/null
win add all.qil "${programs[@]/#/C:\\windows\\system32\\}" >/dev/null || fail "qiltool.exe add with every program"
same linux-all.qil all.qil "all ${#programs[@]} icon-bearing programs"

# 3. Export: a PNG that reads back as the same picture.
win export "八个 程序.qil" 0 "图标 0.png" >/dev/null || fail "qiltool.exe export"
if [ "$(head -c 8 "图标 0.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; then
  echo "qiltool.exe export wrote a PNG ($(stat -c %s "图标 0.png") bytes)"
else
  fail "qiltool.exe export did not write a PNG"
fi
"$linux" export linux-eight.qil 0 linux0.png >/dev/null
for png in "图标 0.png" linux0.png; do
  "$linux" new "from $png.qil" >/dev/null
  "$linux" add "from $png.qil" "$png" >/dev/null
done
same "from 图标 0.png.qil" "from linux0.png.qil" "the exported PNG's pixels"

# 4. A read-only group: exit 3, the reason, not a byte changed.
cp "八个 程序.qil" "只读.qil"
chmod 0444 "只读.qil"
status=0
win add "只读.qil" "图标 程序.exe" >/dev/null 2>err.txt || status=$?
[ "$status" = 3 ] || fail "read-only group: exit $status, not 3"
grep -q "只读.qil: cannot write: Permission denied" err.txt || fail "read-only group: reason missing: $(cat err.txt)"
same "八个 程序.qil" "只读.qil" "the read-only group after the refused add"

# 5. Damaged executables: refused by both alike, the group untouched.
head -c 3000 "$fixtures/icons64.exe" > "截断.exe"
cp "$fixtures/icons32.dll" "损坏.dll"
printf '\xff%.0s' $(seq 1 512) | dd of="损坏.dll" bs=1 seek=128 conv=notrunc status=none
for broken in "截断.exe" "损坏.dll"; do
  cp "固定 图标.qil" before.qil
  linux_status=0 win_status=0
  "$linux" add before.qil "$broken" >/dev/null 2>linux-err.txt || linux_status=$?
  win add "固定 图标.qil" "$broken" >/dev/null 2>win-err.txt || win_status=$?
  [ "$linux_status" = 1 ] && [ "$win_status" = 1 ] || fail "$broken: exit $linux_status on Linux, $win_status under Wine"
  # The first line names the source and why; the second the group, named differently here.
  [ "$(head -1 linux-err.txt)" = "$(tr -d '\r' < win-err.txt | head -1)" ] ||
    fail "$broken: messages differ: $(cat linux-err.txt) / $(cat win-err.txt)"
  echo "refused alike: $(head -1 linux-err.txt)"
  same before.qil "固定 图标.qil" "the group after adding $broken was refused"
done

echo "failures: $failures"
[ "$failures" = 0 ]
