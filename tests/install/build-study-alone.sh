#!/usr/bin/env bash
# A study author's build: the study library alone, configured and built with
# a compiler and CMake only. Every package search is pointed at an empty root
# and pkg-config is taken away, so a dependency the study does not need but
# the configuration still asks for fails here.
#   build-study-alone.sh CMAKE SOURCE_DIR WORK_DIR
set -euo pipefail
cmake=$1 source=$2 work=$3

rm -rf "$work"
mkdir -p "$work/empty-root"
"$cmake" -S "$source" -B "$work/build" -DCMAKE_BUILD_TYPE=Release \
  -DKOVRA_HOST=OFF -DKOVRA_TESTS=OFF \
  -DCMAKE_FIND_ROOT_PATH="$work/empty-root" \
  -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
  -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
  -DPKG_CONFIG_EXECUTABLE="$work/empty-root/no-pkg-config" >/dev/null
"$cmake" --build "$work/build" -j "$(nproc)" >/dev/null
library=$(find "$work/build" -name 'libKovraMathRTIntraday.so' -type f)
[ -n "$library" ] || { echo "FAIL: no libKovraMathRTIntraday.so in $work/build" >&2; exit 1; }
for target in kovra gtest; do
  if find "$work/build" -name "$target" -type f | grep -q .; then
    echo "FAIL: the study-alone build made $target" >&2
    exit 1
  fi
done
echo "built $library alone"
