#!/usr/bin/env bash
# Sets up, builds and runs every test: once in the developer build (warnings
# are errors), once under AddressSanitizer + UndefinedBehaviorSanitizer; then
# the scan's tests (its worker threads) under ThreadSanitizer, building only
# what they need; then builds the Debian package from the developer build and
# checks what it holds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
jobs=$(nproc)

for preset in dev sanitize; do
  echo "== $preset build ==" >&2
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

echo "== tsan build (scan tests) ==" >&2
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
ctest --preset tsan -j "$jobs"

echo "== Debian package ==" >&2
scripts/package.sh dev
