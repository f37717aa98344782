#!/usr/bin/env bash
# Runs each fuzz target for a bounded time: fuzz.sh [SECONDS for the install target]
# The other two get a third of that. Corpora are kept in build/fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/../build/fuzz"
long=${1:-30}
short=$(( (long + 2) / 3 ))
passed=0
failed=0
for target in split_path version_check install; do
  seconds=$short
  [ "$target" = install ] && seconds=$long
  mkdir -p "corpus/$target" "crashes/$target"
  if ./fuzz_$target "corpus/$target" -max_total_time="$seconds" -artifact_prefix="crashes/$target/" \
       -print_final_stats=1 >"fuzz_$target.log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "fuzz_$target.log")
    echo "fuzz_$target: ${runs:-?} runs in ${seconds}s, no failure"
    passed=$((passed + 1))
  else
    echo "fuzz_$target: FAILED, see build/fuzz/fuzz_$target.log and build/fuzz/crashes/$target"
    tail -n 20 "fuzz_$target.log"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ $failed -eq 0 ]
