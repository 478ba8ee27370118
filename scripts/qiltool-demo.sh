#!/usr/bin/env bash
# Builds a group from the PE fixtures, a second one from the icon fixtures,
# merges the two, checks the result and exports every image to PNG.
# Usage: scripts/qiltool-demo.sh [BUILD_DIR [WORK_DIR]]
# BUILD_DIR holds tools/qiltool/qiltool and fixtures/intake/ (ninja qiltool intake_fixtures).
set -euo pipefail

build="$(cd "${1:-build/qiltool}" && pwd)"
work="${2:-$(mktemp -d)}"
fixtures="$build/fixtures/intake"
qiltool() { "$build/tools/qiltool/qiltool" "$@"; }
mkdir -p "$work"
cd "$work"
echo "# working in $work"

# Group 1: every icon of the 32-bit executable, and the first of the 64-bit library.
qiltool new pe.qil
for n in 0 1 2 3; do
  qiltool add pe.qil "$fixtures/icons32.exe" --icon "$n"
done
qiltool add pe.qil "$fixtures/icons64.dll"

# Group 2: icon files, one of them only 16x16 and one 256x256, both scaled.
qiltool new icons.qil
qiltool add icons.qil "$fixtures/multi.ico" "$fixtures/only16.ico" "$fixtures/png256.ico"

# One group of both, in order; then look at it.
qiltool merge merged.qil pe.qil icons.qil
qiltool check merged.qil
qiltool info merged.qil

# Every image to PNG, and the PNGs back into a new group with the same images.
qiltool export-all merged.qil png
qiltool new rebuilt.qil
qiltool add rebuilt.qil png/*.png > /dev/null
qiltool check rebuilt.qil
cmp merged.qil rebuilt.qil && echo "rebuilt.qil is byte for byte merged.qil"
qiltool export merged.qil 0 first.bmp --fill FF00FF
