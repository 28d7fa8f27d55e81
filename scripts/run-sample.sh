#!/usr/bin/env bash
# Sets up, builds and runs the study on the embedded sample bars. Without
# arguments it draws the chart into chart.png at the top of the project;
# any arguments are passed to `kovra run` instead.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target kovra kovra_study

if [ $# -eq 0 ]; then
  build/release/app/kovra run --image chart.png
  echo "The picture is in $(pwd)/chart.png"
else
  build/release/app/kovra run "$@"
fi
