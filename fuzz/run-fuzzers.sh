#!/usr/bin/env bash
# Builds the libFuzzer targets (build/fuzz, clang++) and runs each for a fixed
# time with a fixed seed, starting from the committed seed corpus.
#   fuzz/run-fuzzers.sh [seconds per target, default 120] [target ...]
# Crashes and property violations land in fuzz/findings/<target>/; the inputs
# libFuzzer found interesting accumulate in fuzz/corpus-work/<target>/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-120}
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(fuzz_levels fuzz_bars_csv fuzz_study_record)
build=$root/build/fuzz
seed=20261208

"$root/scripts/setup.sh"  # the project configures only with its packages in place
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKOVRA_FUZZ=ON -DKOVRA_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

total=0
status=0
for target in "${targets[@]}"; do
  work=$root/fuzz/corpus-work/$target
  findings=$root/fuzz/findings/$target
  mkdir -p "$work" "$findings"
  log=$findings/last-run.log
  stamp=$findings/.run-started
  touch "$stamp"
  # One forked job at a time that carries on past a finding, so the run lasts
  # its full time and collects every distinct one.
  set +e
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    nice "$build/fuzz/$target" -seed=$seed -max_total_time="$seconds" -fork=1 -ignore_crashes=1 \
      -timeout=20 -rss_limit_mb=2048 -max_len=4096 -artifact_prefix="$findings/" \
      "$work" "$root/fuzz/corpus/$target" >"$log" 2>&1
  code=$?
  set -e
  # The last status line ("#<executions>: cov: ...") counts every job's executions.
  runs=$(grep -o '^#[0-9]*:' "$log" | tr -d '#:' | tail -1)
  crashes=$(find "$findings" -maxdepth 1 -type f -newer "$stamp" \( -name 'crash-*' -o -name 'timeout-*' -o -name 'oom-*' -o -name 'leak-*' \) | wc -l)
  printf '%-18s %12s executions  exit %d  %d finding file(s) in %s\n' "$target" "${runs:-?}" "$code" "$crashes" "$findings"
  # What the new findings break, by kind (numbers masked), each with a count
  # and one input that shows it.
  find "$findings" -maxdepth 1 -type f -newer "$stamp" -name '*-*' ! -name '*.log' | sort | while read -r file; do
    what=$("$build/fuzz/$target" "$file" 2>&1 | grep -m1 -E 'property violated|runtime error|ERROR: ' || true)
    kind=$(sed -E 's/-?\b(inf|nan)\b/#/g; s/-?[0-9][0-9.e+-]*/#/g' <<<"${what:-no report on replay}")
    printf '%s\t%s\n' "$kind" "$(basename "$file")"
  done | sort | awk -F'\t' '{count[$1]++; if (!($1 in example)) example[$1]=$2}
    END {for (k in count) printf "  %5d x %s  (e.g. %s)\n", count[k], k, example[k]}'
  total=$((total + ${runs:-0}))
  [[ $code -eq 0 && $crashes -eq 0 ]] || status=1
done
printf '%-18s %12s executions\n' total "$total"
exit $status
