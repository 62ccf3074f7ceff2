#!/usr/bin/env bash
# Fuzzes the core's file readers with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   scripts/fuzz.sh [seconds per target, default 60] [target...]   (default: every target)
#
# Builds build-fuzz/ with clang (only the core and the fuzz targets), then runs each target for
# the given time from a fresh copy of its seed corpus. A crash, a sanitizer report, an input that
# takes over 1 s, or one that needs over 2 GB is a finding: the input is kept in
# build-fuzz/findings/<target>/ and the script exits with status 1.
# The targets and their seed corpora are listed in fuzz/CMakeLists.txt, one line each.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: $0 [seconds] [target...]" >&2; exit 2; }

bash scripts/setup.sh
if [[ ! -f build-fuzz/build.ninja ]]; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DQUORVEL_FUZZ=ON
fi
cmake --build build-fuzz

# name and seed corpus of every target, as fuzz/CMakeLists.txt wrote them
declare -A corpus=()
while read -r name seeds; do
  [[ -n "$name" ]] && corpus[$name]=$seeds
done < build-fuzz/fuzz_targets.txt

targets=("$@")
((${#targets[@]})) || mapfile -t targets < <(cut -d' ' -f1 build-fuzz/fuzz_targets.txt)

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

failed=()
for t in "${targets[@]}"; do
  [[ -n "${corpus[$t]:-}" ]] || { echo "no fuzz target named $t" >&2; exit 2; }
  work=build-fuzz/corpus/$t
  findings=build-fuzz/findings/$t
  rm -rf "$work" "$findings"
  mkdir -p "$work" "$findings"
  cp -r "${corpus[$t]}"/. "$work"/
  echo "== $t: ${seconds} s from $(ls "$work" | wc -l) seeds"
  if ! "build-fuzz/fuzz/$t" "$work" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=2048 \
      -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/" \
      2> "build-fuzz/findings/$t.log"; then
    failed+=("$t")
  fi
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' \
    "build-fuzz/findings/$t.log" || true
  if compgen -G "$findings/*" > /dev/null; then
    [[ " ${failed[*]} " == *" $t "* ]] || failed+=("$t")
    echo "   findings: $(ls "$findings")"
    grep -m1 -E 'ERROR|runtime error|deadly signal|timeout' "build-fuzz/findings/$t.log" || true
  fi
done

if ((${#failed[@]})); then
  echo "Findings in: ${failed[*]} (inputs in build-fuzz/findings/, logs beside them)" >&2
  exit 1
fi
echo "No findings."
