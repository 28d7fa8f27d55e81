#!/usr/bin/env bash
# Builds the Debian package kovra_VERSION_ARCH.deb in the release build (or in
# the build of the preset given: `scripts/package.sh dev`), lists what it holds,
# checks that the program, the study library, the data, the documentation and
# the run-time dependencies are there, and prints where the package is.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
build=build/$preset

scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target kovra kovra_study
log=$build/cpack.log
if ! (cd "$build" && cpack -G DEB) >"$log" 2>&1; then
  cat "$log" >&2
  echo "package.sh: cpack failed" >&2
  exit 1
fi
package=$(sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' "$log")
[ -f "$package" ] || { cat "$log" >&2; echo "package.sh: cpack named no package" >&2; exit 1; }

contents=$(dpkg-deb -c "$package")
echo "$contents"
depends=$(dpkg-deb -f "$package" Depends)
echo "Depends: $depends"

files=(./usr/bin/kovra ./usr/lib/kovra/libKovraMathRTIntraday.so ./usr/share/kovra/sample-bars.csv
       ./usr/share/kovra/daily-bars.csv ./usr/share/doc/kovra/README.md ./usr/share/doc/kovra/copyright)
packages=(libcairo2 libfontconfig1 libfmt libdate-tz tzdata fonts-dejavu-core)
if [ -d web ]; then
  files+=(./usr/share/kovra/web/index.html ./usr/share/doc/kovra/lightweight-charts.LICENSE.txt)
  packages+=(libcpp-httplib)
fi
paths=$(awk '{print $6}' <<<"$contents")
needs=$(tr ',' '\n' <<<"$depends" | awk '{print $1}')
missing=()
for file in "${files[@]}"; do
  grep -qxF "$file" <<<"$paths" || missing+=("$file")
done
for name in "${packages[@]}"; do
  grep -q "^$name" <<<"$needs" || missing+=("a dependency on $name")
done
outside=$(grep -vE '^\./(usr(/.*)?)?$' <<<"$paths" || true)
[ -z "$outside" ] || missing+=("(it has files outside /usr: $outside)")
if [ ${#missing[@]} -gt 0 ]; then
  printf 'package.sh: %s lacks %s\n' "$package" "${missing[*]}" >&2
  exit 1
fi
echo "The package is $(realpath "$package")"
