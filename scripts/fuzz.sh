#!/usr/bin/env bash
# Runs the libFuzzer targets (the fuzz preset): each one first over its corpus
# (fuzz/corpus/<target>/: seeds from real sessions and records, and inputs that
# once found a fault), then fresh for SECONDS (default 30). Fails on any
# crash, leak, sanitizer report or timeout; what found it is kept in
# build/fuzz/findings/<target>/ and the fuzzer's output in build/fuzz/logs/.
#   scripts/fuzz.sh [--no-build] [SECONDS] [TARGET ...]
# New inputs that reach new code are kept in build/fuzz/corpus/<target>/ (not
# in the repository); add one to fuzz/corpus/<target>/ when it found a fault.
set -euo pipefail
cd "$(dirname "$0")/.."

build=1
if [ "${1:-}" = "--no-build" ]; then
  build=0
  shift
fi
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(engine_commands_fuzz number_conversion_fuzz reply_parser_fuzz
                                     scenario_file_fuzz game_record_fuzz library_exports_fuzz
                                     suite_file_fuzz results_database_fuzz value_network_fuzz
                                     resume_record_fuzz)

[ $build -eq 0 ] || scripts/setup.sh fuzz
bin=build/fuzz/bin
mkdir -p build/fuzz/logs

# Sanitizer reports end the run with the input that caused them.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

passed=0
failed=0
for target in "${targets[@]}"; do
  seeds=fuzz/corpus/$target
  work=build/fuzz/corpus/$target
  findings=build/fuzz/findings/$target
  log=build/fuzz/logs/$target.log
  mkdir -p "$seeds" "$work" "$findings"
  # -timeout: seconds one input may take; -rss_limit_mb: memory of the run.
  if "$bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$seeds" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz: $target passed: ${runs:-?} inputs in $seconds s (log $log)"
    passed=$((passed + 1))
  else
    echo "fuzz: $target FAILED; input in $findings/, report:"
    grep -E "ERROR|runtime error|SUMMARY|_fuzz: |Test unit written|Timeout|==[0-9]+==" "$log" | head -20
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ $failed -eq 0 ]
