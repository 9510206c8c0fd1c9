#!/usr/bin/env bash
# Configures and builds one configuration: release (default) or asan.
set -euo pipefail
cd "$(dirname "$0")/.."
config="${1:-release}"
case "$config" in
  release) flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan) flags=(-DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON -DQV_BENCH=OFF) ;;
  *) echo "unknown configuration $config" >&2; exit 2 ;;
esac
cmake -S . -B "build/$config" -G Ninja "${flags[@]}" >/dev/null
cmake --build "build/$config" -j "$(nproc)"
