#!/usr/bin/env bash
# Installs what is missing, builds the release and the sanitizer configurations, and runs the
# whole test suite in both.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
status=0
for config in release asan; do
  echo "=== $config build"
  scripts/build.sh "$config"
  echo "=== $config tests"
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  (cd "build/$config" && ctest --output-on-failure -j "$(nproc)") || status=1
done
exit $status
