#!/usr/bin/env bash
# Writes the hicolor icon theme's files from the 32 × 32 application picture:
# the application icon (apps/tilvane.png) and the icon of .qil files
# (mimetypes/application-x-qil.png, the picture on a page) in every size a
# desktop asks for.
#   make_icons.sh APP.png OUT_DIR
# Each size comes from the picture blown up eight times with hard pixel edges
# (256 × 256) and then averaged down, so whole multiples of 32 stay crisp and
# the sizes in between get softened edges instead of uneven pixels.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: make_icons.sh APP.png OUT_DIR" >&2; exit 2; }
app=$1
out=$2
sizes=(16 22 24 32 48 64 128 256)
work=$(mktemp -d "${TMPDIR:-/tmp}/tilvane-icons-XXXXXX")
trap 'rm -rf "$work"' EXIT
# Same input, same bytes: no time stamps in the files.
png_out=(-strip -define "png:exclude-chunks=date,time")

convert "$app" -filter point -resize 256x256 "PNG32:$work/app.png"
# A page with a folded corner, the picture on it at four times its size.
convert -size 256x256 xc:none -stroke '#5f6368' -strokewidth 8 \
  -fill white -draw 'polygon 36,8 172,8 228,64 228,248 36,248' \
  -fill '#dadce0' -draw 'polygon 172,8 172,64 228,64' \
  \( "$app" -filter point -resize 128x128 \) -gravity center -geometry +0+28 -composite \
  "PNG32:$work/page.png"

for size in "${sizes[@]}"; do
  dir="$out/${size}x${size}"
  mkdir -p "$dir/apps" "$dir/mimetypes"
  convert "$work/app.png" -filter box -resize "${size}x${size}" "${png_out[@]}" "PNG32:$dir/apps/tilvane.png"
  convert "$work/page.png" -filter box -resize "${size}x${size}" "${png_out[@]}" \
    "PNG32:$dir/mimetypes/application-x-qil.png"
done
