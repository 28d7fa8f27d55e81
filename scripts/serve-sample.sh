#!/usr/bin/env bash
# Sets up, builds and serves the live chart of the embedded sample bars: prints
# the page's address (127.0.0.1 only); Ctrl+C stops it. Any arguments are
# passed to `kovra serve` (e.g. --replay-from 1800 --speed 5, or --bars FILE --follow).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target kovra kovra_study

exec build/release/app/kovra serve "$@"
