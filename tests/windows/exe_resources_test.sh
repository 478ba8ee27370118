#!/usr/bin/env bash
# Checks what tilvane.exe carries: exe_resources_test.sh TILVANE_EXE [QILTOOL ICON_32.png]
# - an icon group (id 1) with the six sizes 16, 24, 32, 48, 64 and 256,
# - a version resource naming the product, the program file and the version,
# - a manifest (id 1) asking for common controls 6, per-monitor DPI awareness,
#   the UTF-8 code page and the user's own rights,
# - with QILTOOL (built for this machine) and the 32 x 32 picture the icon was
#   made from: the icon the core's own reader takes out of the program has
#   exactly that picture's pixels,
# - imports of system DLLs only: the C++ and C runtimes and the thread library
#   are linked in, so the program is one file with no DLL beside it.
set -euo pipefail
exe=$1 qiltool=${2:-} picture=${3:-}
objdump=x86_64-w64-mingw32-objdump
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The resource section's raw bytes, from the section table.
read -r size vma file_offset < <($objdump -h "$exe" | awk '$2 == ".rsrc" { print $3, $4, $6 }') ||
  { fail "no .rsrc section"; exit 1; }
dd if="$exe" of="$work/rsrc" bs=1 skip=$((16#$file_offset)) count=$((16#$size)) status=none
python3 - "$work/rsrc" "$((16#$vma))" "$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/^ImageBase/ { print $2 }')" \
  "$work" <<'PY'
# Walks the resource tree (type, name, language) and writes each leaf to
# WORK/TYPE-NAME, so that the shell can look at it.
import struct, sys
data = open(sys.argv[1], 'rb').read()
section_rva = int(sys.argv[2]) - int(sys.argv[3], 16)
out = sys.argv[4]

def entries(offset):
    named, numbered = struct.unpack_from('<HH', data, offset + 12)
    for i in range(named + numbered):
        name, target = struct.unpack_from('<II', data, offset + 16 + 8 * i)
        yield name, target

for type_id, type_target in entries(0):
    for name_id, name_target in entries(type_target & 0x7fffffff):
        for _, leaf in entries(name_target & 0x7fffffff):
            rva, size = struct.unpack_from('<II', data, leaf)
            start = rva - section_rva
            open(f'{out}/{type_id}-{name_id}', 'wb').write(data[start:start + size])
PY
# Resource types: 3 icon, 14 icon group, 16 version, 24 manifest.
[ -f "$work/14-1" ] || fail "no icon group with id 1"
if [ -f "$work/14-1" ]; then
  sizes=$(python3 -c '
import struct, sys
d = open(sys.argv[1], "rb").read()
count = struct.unpack_from("<H", d, 4)[0]
print(" ".join(str(d[6 + 14 * i] or 256) for i in range(count)))' "$work/14-1")
  [ "$(tr ' ' '\n' <<<"$sizes" | sort -n | tr '\n' ' ')" = "16 24 32 48 64 256 " ] ||
    fail "icon sizes are '$sizes', not 16 24 32 48 64 256"
fi
if [ -f "$work/16-1" ]; then
  version=$(iconv -f UTF-16LE -t UTF-8 "$work/16-1" | tr -d '\0')
  for field in "ProductName.*Tilvane" "CompanyName.*Tilvane" "OriginalFilename.*tilvane\.exe" \
    "FileVersion.*[0-9]+\.[0-9]+\.[0-9]+" "ProductVersion.*[0-9]+\.[0-9]+\.[0-9]+" "LegalCopyright.*Copyright" \
    "FileDescription."; do
    grep -Eq "$field" <<<"$version" || fail "version resource lacks $field"
  done
else
  fail "no version resource"
fi
if [ -f "$work/24-1" ]; then
  for line in 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
    '<dpiAwareness[^>]*>PerMonitorV2</dpiAwareness>' '<dpiAware[^>]*>true/pm</dpiAware>' \
    '<activeCodePage[^>]*>UTF-8</activeCodePage>' 'level="asInvoker"'; do
    grep -Eq "$line" "$work/24-1" || fail "manifest lacks $line"
  done
else
  fail "no manifest with id 1"
fi

if [ -n "$qiltool" ]; then
  "$qiltool" new "$work/icon.qil" >/dev/null
  if "$qiltool" add "$work/icon.qil" "$exe" >/dev/null && "$qiltool" export "$work/icon.qil" 0 "$work/icon.png" >/dev/null; then
    cmp -s <(convert "$work/icon.png" rgba:-) <(convert "$picture" rgba:-) ||
      fail "the program's 32 x 32 icon differs from $picture"
  else
    fail "qiltool takes no icon out of $exe"
  fi
fi

dlls=$($objdump -p "$exe" | awk '/DLL Name:/ { print tolower($3) }' | sort -u)
[ -n "$dlls" ] || fail "no imports found"
for dll in $dlls; do
  case "$dll" in
    kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | comdlg32.dll | shell32.dll | ole32.dll | oleaut32.dll | \
      winmm.dll | advapi32.dll | msvcrt.dll | uxtheme.dll | shlwapi.dll | oleacc.dll | api-ms-win-*.dll) ;;
    *) fail "imports $dll, which is not a system DLL" ;;
  esac
done
echo "imports: $(echo $dlls)"
[ "$failures" -eq 0 ] && echo "tilvane.exe carries its icon, version and manifest"
exit $((failures > 0))
