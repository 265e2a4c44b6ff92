#!/usr/bin/env bash
# Redraws docs/images/blender-dialog.png, the picture of the add-on's dialog in docs/blender.md:
# Debian's Blender opens a real window under Xvfb, installs the add-on from its zip, opens the
# dialog and saves what it covers (scripts/blender_dialog_picture.py).
#
#   scripts/blender-dialog-picture.sh [ADDON.zip]    (default: the native build's)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
zip=$(realpath "${1:-build/native/palisor-blender.zip}")
scripts/install-dependencies.sh blender xvfb
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p docs/images
BLENDER_USER_SCRIPTS=$home/scripts BLENDER_USER_CONFIG=$home/config \
  timeout 300 xvfb-run -a -s "-screen 0 1600x1000x24" blender --factory-startup \
  --python scripts/blender_dialog_picture.py -- "$zip" docs/images/blender-dialog.png > "$home/log" 2>&1 ||
  { tail -20 "$home/log"; exit 1; }
[ -s docs/images/blender-dialog.png ] || { tail -20 "$home/log"; exit 1; }
echo "docs/images/blender-dialog.png redrawn"
