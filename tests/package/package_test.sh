#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root, checks its software
# centre data and icons, runs the packaged qiltool from there and starts the
# packaged editor on a private Xvfb.
#   package_test.sh BUILD_DIR
set -euo pipefail
build="$(realpath "$1")"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/tilvane-package-XXXXXX")"
xvfb=""
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "package: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/out" >/dev/null 2>&1) || fail "cpack failed"
deb=$(ls "$scratch"/out/tilvane_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no package was written"
info=$(dpkg-deb --info "$deb")
grep -q 'Depends:.*soundfont' <<<"$info" || fail "the package does not depend on a soundfont"
# The synthesizer is opened at run time, so no scan of linked libraries finds it.
grep -q 'Depends:.*libfluidsynth[0-9]' <<<"$info" || fail "the package does not depend on FluidSynth"
# The package installs here: apt resolves every dependency it declares.
apt-get install --simulate "$deb" 2>&1 | grep -q '^Inst tilvane' || fail "apt would not install the package"
dpkg-deb -x "$deb" "$scratch/root"
root="$scratch/root"
metainfo=usr/share/metainfo/org.tilvane.tilvane.metainfo.xml
mime_xml=usr/share/mime/packages/tilvane-qil.xml
for f in usr/bin/tilvane usr/bin/qiltool usr/share/applications/tilvane.desktop "$mime_xml" "$metainfo" \
         usr/share/thumbnailers/tilvane.thumbnailer; do
  [ -e "$root/$f" ] || fail "$f is not in the package"
done
grep -q 'value="MITL"' "$root/$mime_xml" || fail "the MIME type has no magic"

# The software centre's data: valid together with the desktop entry it names
# (validate-tree reads the whole unpacked tree) without even a pedantic note,
# about this package's version, and saying the editor opens the MIME type the
# package brings. The screenshot's address is not fetched.
if ! appstreamcli validate-tree --no-net --pedantic --explain "$root" >"$scratch/validate.log" 2>&1 ||
  grep -q '^ *[EWIP]: ' "$scratch/validate.log"; then
  cat "$scratch/validate.log" >&2
  fail "appstreamcli finds fault with the metainfo"
fi
xml_text() { xmllint --xpath "string($2)" "$1"; }
version=$(dpkg-deb -f "$deb" Version)
[ "$(xml_text "$root/$metainfo" '/component/releases/release[1]/@version')" = "$version" ] ||
  fail "the metainfo's newest release is not $version"
mime_type=$(xml_text "$root/$mime_xml" '/*/*[local-name()="mime-type"]/@type')
[ "$(xml_text "$root/$metainfo" '/component/provides/mediatype')" = "$mime_type" ] ||
  fail "the metainfo does not say the editor opens $mime_type"

# Icons: the application's and the MIME type's, in every size, under the
# names the desktop entry and the MIME database look them up by. The MIME
# file's icon names reach the database.
mime_icon=${mime_type//\//-}
mkdir -p "$scratch/mime/packages"
cp "$root/$mime_xml" "$scratch/mime/packages/"
update-mime-database "$scratch/mime" >/dev/null 2>&1 || fail "update-mime-database refuses the MIME type"
grep -qx "$mime_type:$mime_icon" "$scratch/mime/icons" || fail "the MIME type does not name the icon $mime_icon"
app_icon=$(sed -n 's/^Icon=//p' "$root/usr/share/applications/tilvane.desktop")
hicolor="$root/usr/share/icons/hicolor"
for size in 16 22 24 32 48 64 128 256; do
  for icon in "apps/$app_icon.png" "mimetypes/$mime_icon.png"; do
    f="$hicolor/${size}x$size/$icon"
    [ -e "$f" ] || fail "${size}x$size/$icon is not in the package"
    got=$(identify -format '%m %wx%h %A' "$f") || fail "${size}x$size/$icon does not read as a picture"
    [ "$got" = "PNG ${size}x$size True" ] || fail "${size}x$size/$icon is '$got', not a ${size}x$size PNG with alpha"
  done
done
# At its own size the picture is taken over pixel for pixel.
differing=$(compare -metric AE "$build/packaging/tilvane.png" "$hicolor/32x32/apps/$app_icon.png" null: 2>&1) || true
[ "$differing" = 0 ] || fail "the 32x32 application icon differs from the drawn picture in $differing pixels"
grep -qx 'Exec=tilvane %f' "$root/usr/share/applications/tilvane.desktop" || fail "the desktop entry passes no file"
grep -qx 'Exec=qiltool thumbnail -s %s %i %o' "$root/usr/share/thumbnailers/tilvane.thumbnailer" ||
  fail "the thumbnailer entry does not call qiltool thumbnail"
help=$("$root/usr/bin/qiltool" --help)
grep -q qiltool <<<"$help" || fail "the packaged qiltool does not answer --help"
"$root/usr/bin/qiltool" new "$scratch/g.qil" >/dev/null
"$root/usr/bin/qiltool" thumbnail -s 128 "$scratch/g.qil" "$scratch/g.png" >/dev/null ||
  fail "the packaged qiltool draws no thumbnail"
[ "$(od -An -tx1 -N8 "$scratch/g.png" | tr -d ' ')" = 89504e470d0a1a0a ] || fail "the thumbnail is not a PNG"

# The packaged editor shows its window.
. "$(dirname "$0")/../support/private_display.sh"
. "$(dirname "$0")/../support/end_program.sh"
# Its sound client and Qt keep their settings in the scratch folder, not the user's.
export XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/config" TMPDIR="$scratch"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
start_private_display "$scratch" 800x600x24 || fail "no private Xvfb"
xvfb=$XVFB_PID
"$root/usr/bin/tilvane" >"$scratch/editor.log" 2>&1 &
app=$!
# Up to 30 s: far above what an idle machine needs, so that a busy one passes too.
for _ in $(seq 300); do
  if xdotool search --onlyvisible --name '^Tilvane$' >/dev/null 2>&1; then
    end_program "$app" "the packaged editor" || fail "the packaged editor did not end well"
    app=
    echo "package: 1 passed, 0 failed"
    exit 0
  fi
  sleep 0.1
done
cat "$scratch/editor.log" "$scratch/xvfb.log" >&2 2>/dev/null || true
fail "the packaged editor showed no window in 30 s"
