#!/usr/bin/env bash
# Installs the build into a fresh prefix and runs the installed kovra from
# another folder: it loads the study library installed with it (not the build
# tree's) unless --study or KOVRA_STUDY_LIBRARY names another, and draws.
#   check-installed-kovra.sh CMAKE BUILD_DIR WORK_DIR STUDY_IN_PREFIX BUILT_STUDY
set -euo pipefail
cmake=$1 build=$2 work=$3 study_in_prefix=$4 built_study=$5

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work/elsewhere" "$work/links"
prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
installed_study=$(realpath "$prefix/$study_in_prefix")
for file in bin/kovra "$study_in_prefix" share/kovra/sample-bars.csv share/kovra/daily-bars.csv \
            share/doc/kovra/README.md share/doc/kovra/copyright; do
  [ -f "$prefix/$file" ] || fail "the install has no $file"
done
if readelf -d "$prefix/bin/kovra" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
  fail "the installed kovra's library search path names the build tree"
fi

# Run as a user would: from a folder of their own, with nothing set, unless the case sets it.
ln -s "$prefix/bin/kovra" "$work/links/kovra"
loaded_library() {  # PROGRAM ENVIRONMENT_VALUE [describe options...]
  local program=$1 settings=(-u KOVRA_STUDY_LIBRARY)
  [ -z "$2" ] || settings+=("KOVRA_STUDY_LIBRARY=$2")
  shift 2
  (cd "$work/elsewhere" && env "${settings[@]}" "$program" describe "$@") | sed -n 's/^library: //p'
}
expect_library() {  # WHAT EXPECTED PROGRAM ENVIRONMENT_VALUE [describe options...]
  local what=$1 expected=$2
  shift 2
  local shown
  shown=$(loaded_library "$@") || fail "$what: kovra describe failed"
  [ "$shown" = "$expected" ] || fail "$what: loaded '$shown', expected '$expected'"
}
built_study=$(realpath "$built_study")
expect_library "by default" "$installed_study" "$prefix/bin/kovra" ""
expect_library "started through a link" "$installed_study" "$work/links/kovra" ""
expect_library "the environment variable" "$built_study" "$prefix/bin/kovra" "$built_study"
expect_library "--study before the environment" "$installed_study" "$prefix/bin/kovra" /nonexistent.so \
  --study "$installed_study"

(cd "$work/elsewhere" && env -u KOVRA_STUDY_LIBRARY "$prefix/bin/kovra" run --quiet --image chart.png) ||
  fail "the installed kovra run --image failed"
[ "$(head -c 4 "$work/elsewhere/chart.png" | od -An -c | tr -d ' ')" = "211PNG" ] || fail "chart.png is not a PNG"
rm -rf "$work"
echo "installed kovra: ok"
