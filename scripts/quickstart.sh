#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quorvane on a default archive in ./archive: the
# windowed program where there is a display, else the command-line tool.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release
mkdir -p archive
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/release/src/qvmain32 --archive archive
fi
echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the command-line tool" \
  "instead of qvmain32." >&2
build/release/src/quorvane --archive archive init
build/release/src/quorvane --archive archive db list
