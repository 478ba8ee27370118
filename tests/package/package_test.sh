#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root, runs the packaged
# qiltool from there and starts the packaged editor on a private Xvfb.
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
for f in usr/bin/tilvane usr/bin/qiltool usr/share/applications/tilvane.desktop \
         usr/share/mime/packages/tilvane-qil.xml usr/share/icons/hicolor/32x32/apps/tilvane.png \
         usr/share/thumbnailers/tilvane.thumbnailer; do
  [ -e "$root/$f" ] || fail "$f is not in the package"
done
[ "$(od -An -tx1 -N8 "$root/usr/share/icons/hicolor/32x32/apps/tilvane.png" | tr -d ' ')" = 89504e470d0a1a0a ] ||
  fail "the application icon is not a PNG"
grep -q 'value="MITL"' "$root/usr/share/mime/packages/tilvane-qil.xml" || fail "the MIME type has no magic"
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
