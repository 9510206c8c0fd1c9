#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quorvane on a default archive in ./archive.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release
mkdir -p archive
build/release/src/quorvane --archive archive init
build/release/src/quorvane --archive archive db list
