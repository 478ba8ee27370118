#!/usr/bin/env bash
# The Windows installer under Wine, in a prefix of its own that nothing has
# been installed in: usage installer_test.sh MSI TILVANE_EXE QILTOOL_EXE SOURCE_DIR
#   - a silent install puts the programs (the built ones) under Program Files,
#     .qil → Tilvane.ImageGroup → "…\tilvane.exe" "%1" in the machine's
#     classes, a Start-menu shortcut and one entry in the installed programs;
#   - the installed qiltool makes a group, and the shell opens that group
#     through the association in the editor, whose window names the path;
#   - a newer build, made here with the same tools, upgrades in place: one
#     installation, its files; the older package then refuses to install;
#   - a silent uninstall leaves none of it, and the group it opened stays.
# Runs in $WINEPREFIX (the copy tests/windows/wine-prefix makes) through
# $TILVANE_WINE_RUN; the editor's window appears on an Xvfb of its own.
set -euo pipefail
msi=$(realpath "$1") tilvane_exe=$2 qiltool_exe=$3 source=$4
: "${WINEPREFIX:?}" "${TILVANE_WINE_RUN:?}"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/private_display.sh"
server=$(command -v wineserver || echo /usr/lib/wine/wineserver)
scratch=$(mktemp -d)
XVFB_PID=
finish() {
  "$server" -k 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$scratch" "$WINEPREFIX.display"
}
trap finish EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
fatal() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }
win() { "$TILVANE_WINE_RUN" "$@"; }
# The default value of a registry key, or nothing when there is no such key.
reg_default() { win reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -nE 's/^    \(Default\)    REG_[A-Z_]+    //p'; }
reg_value() { win reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -nE "s/^    $2    REG_[A-Z_]+    //p"; }
reg_has() { win reg query "$1" >/dev/null 2>&1; }
# Windows Installer's answers are 0 for success, 1603 for a failed install
# and so on; through Wine only their low eight bits arrive.
msiexec() {
  local status=0
  win msiexec "$@" || status=$?
  [ "$status" -eq 0 ] || fatal "msiexec $* ended with $status (low 8 bits of the installer's code)"
}
# Uninstall keys (one per product code) whose display name is Tilvane.
uninstall_root='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
arp_keys() {
  win reg query "$uninstall_root" /s 2>/dev/null | tr -d '\r' | awk '
    /^HKEY_/ { key = $0 }
    /^    DisplayName    REG_SZ    Tilvane$/ { print key }'
}
msi_property() { msiinfo export "$1" Property | tr -d '\r' | awk -F '\t' -v name="$2" '$1 == name { print $2 }'; }

drive_c="$WINEPREFIX/drive_c"
install_dir="$drive_c/Program Files/Tilvane"
install_dir_win='C:\Program Files\Tilvane'
classes='HKLM\Software\Classes'
# Wine keeps the Start menu per user under some settings: look in both.
shortcuts=("$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tilvane.lnk"
           "$drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tilvane.lnk")
shortcut() { local s; for s in "${shortcuts[@]}"; do [ -f "$s" ] && { echo "$s"; return 0; }; done; return 1; }

[ -e "$install_dir" ] && fatal "the prefix $WINEPREFIX is not fresh: $install_dir exists"
version=$(msi_property "$msi" ProductVersion)
first_code=$(msi_property "$msi" ProductCode)
[ -n "$version" ] && [ -n "$first_code" ] || fatal "no ProductVersion or ProductCode in $msi"
# Every Wine program of the test draws on the prefix's own display, the
# installer too: the first one started decides whether the session has a
# display. tests/windows/wine-run finds its name beside the prefix.
display_dir="$WINEPREFIX.display"
rm -rf "$display_dir"
mkdir -p "$display_dir"
start_private_display "$display_dir" || fatal "no private X display"
echo "$DISPLAY" >"$display_dir/name"
"$server" -p30

# The installed programs must be the built ones, stripped as the package
# strips them (scripts/pack-windows-installer).
for exe in "$tilvane_exe" "$qiltool_exe"; do
  SOURCE_DATE_EPOCH=$(stat -c %Y "$exe") x86_64-w64-mingw32-strip -o "$scratch/$(basename "$exe")" "$exe"
done

# 1. Silent install.
start=$(date +%s)
msiexec /i "Z:$msi" /qn
echo "installed $version in $(($(date +%s) - start)) s"
for name in tilvane.exe qiltool.exe; do
  if cmp -s "$scratch/$name" "$install_dir/$name"; then pass "$name installed"; else fail "$name is not the built one under $install_dir"; fi
done
for name in qiltool.txt LICENSE.txt; do
  [ -s "$install_dir/$name" ] && pass "$name installed" || fail "$name is missing under $install_dir"
done

# 2. The association, in the machine's classes (the install is per machine).
command_line="\"$install_dir_win\\tilvane.exe\" \"%1\""
[ "$(reg_default "$classes\\.qil")" = Tilvane.ImageGroup ] && pass ".qil → Tilvane.ImageGroup" ||
  fail ".qil is '$(reg_default "$classes\\.qil")' in $classes, expected Tilvane.ImageGroup"
[ "$(reg_default "$classes\\Tilvane.ImageGroup")" = "Tilvane image group" ] && pass "the ProgID's name" ||
  fail "Tilvane.ImageGroup is named '$(reg_default "$classes\\Tilvane.ImageGroup")'"
[ "$(reg_default "$classes\\Tilvane.ImageGroup\\DefaultIcon")" = "$install_dir_win\\tilvane.exe,0" ] &&
  pass "the ProgID's icon" || fail "DefaultIcon is '$(reg_default "$classes\\Tilvane.ImageGroup\\DefaultIcon")'"
registered=$(reg_default "$classes\\Tilvane.ImageGroup\\shell\\open\\command")
[ "$registered" = "$command_line" ] && pass "open command $registered" ||
  fail "the open command is '$registered', expected '$command_line'"

# 3. The Start-menu shortcut, to the editor.
if link=$(shortcut); then
  grep -qaF "$install_dir_win\\tilvane.exe" "$link" && pass "shortcut $link" || fail "the shortcut $link does not name tilvane.exe"
else
  fail "no Start-menu shortcut (looked for ${shortcuts[*]})"
fi

# 4. One entry in the installed programs, with version, publisher and icon.
arp_check() {  # arp_check VERSION PRODUCT_CODE
  local keys count key
  keys=$(arp_keys)
  count=$(printf '%s' "$keys" | grep -c . || true)
  [ "$count" -eq 1 ] && pass "one entry in the installed programs" ||
    { fail "$count entries named Tilvane in the installed programs: $keys"; return; }
  key=$keys
  [ "${key##*\\}" = "$2" ] || fail "the entry is $key, expected the product code $2"
  [ "$(reg_value "$key" DisplayVersion)" = "$1" ] && pass "entry version $1" ||
    fail "the entry's version is '$(reg_value "$key" DisplayVersion)', expected $1"
  [ "$(reg_value "$key" Publisher)" = Tilvane ] || fail "the entry's publisher is '$(reg_value "$key" Publisher)'"
  # The icon the list shows: ARPPRODUCTICON, kept by Windows Installer
  # under the product's packed code.
  local packed icon
  packed=$(echo "$2" | tr -d '{}' | awk -F- '{
    r = ""; for (i = length($1); i > 0; i--) r = r substr($1, i, 1)
    for (f = 2; f <= 3; f++) for (i = length($f); i > 0; i--) r = r substr($f, i, 1)
    s = $4 $5; for (i = 1; i < length(s); i += 2) r = r substr(s, i + 1, 1) substr(s, i, 1)
    print r }')
  icon=$(reg_value "$classes\\Installer\\Products\\$packed" ProductIcon)
  case $icon in
    'C:\windows\Installer\'*tilvane.exe) pass "entry icon $icon" ;;
    *) fail "the entry's icon is '$icon' (Installer\\Products\\$packed)" ;;
  esac
}
arp_check "$version" "$first_code"

# 5. The installed qiltool makes a group; the shell opens it in the editor.
# A space in the name: an unquoted %1 would give the editor half of it.
group_win='C:\users\Public\Documents\image group.qil'
group="$drive_c/users/Public/Documents/image group.qil"
win "$install_dir_win\\qiltool.exe" new "$group_win" >/dev/null || fail "the installed qiltool.exe new"
win "$install_dir_win\\qiltool.exe" add "$group_win" 'C:\windows\system32\notepad.exe' >/dev/null ||
  fail "the installed qiltool.exe add"
[ "$(head -c 4 "$group" 2>/dev/null)" = MITL ] || fatal "the installed qiltool.exe made no group at $group"

# Up to 60 s: the editor's first window under Wine on a busy machine.
window_named() {  # window_named NAME: the id of a window whose name is NAME
  local id
  for id in $(xdotool search --name 'image group' 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && { echo "$id"; return 0; }
  done
  return 1
}
title="Tilvane  $group_win"
# start hands the file to the shell, which looks the association up.
win start "$group_win" || fail "start $group_win"
window=
for _ in $(seq 300); do
  window=$(window_named "$title") && break
  sleep 0.2
done
if [ -n "$window" ]; then
  pass "the shell opened the group: window '$title'"
  win taskkill /im tilvane.exe >/dev/null 2>&1 || true
  for _ in $(seq 300); do
    window_named "$title" >/dev/null || break
    sleep 0.2
  done
  window_named "$title" >/dev/null && fatal "the editor's window stayed open after WM_CLOSE"
else
  fail "no window named '$title' within 60 s; windows: $(xdotool search --name . getwindowname %@ 2>/dev/null | tr '\n' '|')"
  # An editor left running would keep its file from the uninstall below.
  win taskkill /f /im tilvane.exe >/dev/null 2>&1 || true
fi

# 6. A newer build upgrades in place. Its manual carries a line of its own,
# so that its arrival shows.
IFS=. read -r major minor patch <<<"$version"
newer="$major.$minor.$((patch + 1))"
mkdir -p "$scratch/source/docs" "$scratch/source/packaging/windows"
cp "$source/LICENSE" "$scratch/source/"
cp "$source/packaging/windows/tilvane.wxs" "$scratch/source/packaging/windows/"
{ cat "$source/docs/qiltool.md"; echo "Version $newer."; } >"$scratch/source/docs/qiltool.md"
newer_msi="$scratch/tilvane-$newer-x64.msi"
bash "$source/scripts/pack-windows-installer" "$tilvane_exe" "$qiltool_exe" "$scratch/source" "$newer" "$newer_msi" ||
  fatal "could not build the newer package $newer"
newer_code=$(msi_property "$newer_msi" ProductCode)
[ "$newer_code" != "$first_code" ] || fatal "the newer package has the same product code $first_code"
start=$(date +%s)
msiexec /i "Z:$newer_msi" /qn
echo "upgraded to $newer in $(($(date +%s) - start)) s"
arp_check "$newer" "$newer_code"
reg_has "$uninstall_root\\$first_code" && fail "$version is still registered as $first_code"
grep -qF "Version $newer." "$install_dir/qiltool.txt" && pass "the files are the newer build's" ||
  fail "qiltool.txt under $install_dir is not the newer build's"
cmp -s "$scratch/tilvane.exe" "$install_dir/tilvane.exe" || fail "tilvane.exe missing after the upgrade"
[ "$(reg_default "$classes\\Tilvane.ImageGroup\\shell\\open\\command")" = "$command_line" ] ||
  fail "the open command did not survive the upgrade"
shortcut >/dev/null || fail "the shortcut did not survive the upgrade"
# The older package refuses to go over the newer installation.
if win msiexec /i "Z:$msi" /qn; then
  fail "$version installed over $newer"
else
  pass "$version refused over $newer"
fi
arp_check "$newer" "$newer_code"

# 7. Silent uninstall: nothing of it is left, the user's group is.
start=$(date +%s)
msiexec /x "$newer_code" /qn
echo "uninstalled in $(($(date +%s) - start)) s"
[ -e "$install_dir" ] && fail "$install_dir is left: $(ls -A "$install_dir" | tr '\n' ' ')"
for key in "$classes\\.qil" "$classes\\Tilvane.ImageGroup" 'HKLM\Software\Tilvane' "$uninstall_root\\$newer_code"; do
  reg_has "$key" && fail "$key is left"
done
[ -z "$(arp_keys)" ] || fail "entries left in the installed programs: $(arp_keys)"
link=$(shortcut) && fail "the shortcut $link is left"
[ "$(head -c 4 "$group" 2>/dev/null)" = MITL ] || fail "the uninstall took the user's group $group"

[ "$failures" -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "all installer checks passed"
