#!/usr/bin/env bash
# Starts qvmain32 on a virtual display with a small sample archive and writes a PNG of it.
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUT.png]   (needs xvfb and imagemagick)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
out="${2:-screenshot.png}"
archive="$(mktemp -d)"
trap 'rm -rf "$archive"' EXIT

"$build/src/quorvane" --archive "$archive" init >/dev/null
"$build/src/quorvane" --archive "$archive" db create --type forum --name "Sample Forum" >/dev/null
"$build/src/quorvane" --archive "$archive" db create --type mail --name "Sample Mail" \
  --address owner@example.org >/dev/null
"$build/src/quorvane" --archive "$archive" config set 11 462 >/dev/null

display=":$((90 + RANDOM % 9))"
Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
DISPLAY="$display" QT_QPA_PLATFORM=xcb "$build/src/qvmain32" --archive "$archive" &
program=$!
sleep "${QV_SHOT_DELAY:-3}"
DISPLAY="$display" import -window root "$out"
kill "$program" 2>/dev/null || true
kill "$xvfb" 2>/dev/null || true
wait 2>/dev/null || true
echo "wrote $out"
