#!/usr/bin/env bash
# Sets everything up and runs every test: the release build runs all of them
# (unit, whole games, end-to-end); the AddressSanitizer+UBSan and
# ThreadSanitizer builds run the unit tests; the fuzz build runs every
# libFuzzer target over its corpus and then fresh for CURLING_FUZZ_SECONDS
# (default 20) each (scripts/fuzz.sh); the windows build (mingw-w64) runs its
# programs under Wine against the release build's (docs/windows.md). PyTorch is
# installed too, so that the learned value's pipeline runs its smoke test.
#   scripts/test.sh [preset ...]     (default: release asan tsan fuzz windows)
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(release asan tsan fuzz windows)

scripts/setup.sh --with-browser --with-training "${presets[@]}"
status=0
for preset in "${presets[@]}"; do
  if [ "$preset" = fuzz ]; then
    echo "== fuzzing: every target over its corpus, then ${CURLING_FUZZ_SECONDS:-20} s fresh"
    scripts/fuzz.sh --no-build "${CURLING_FUZZ_SECONDS:-20}" || status=1
    continue
  fi
  echo "== tests: $preset"
  ctest --preset "$preset" -j "$(nproc 2>/dev/null || echo 2)" --timeout 900 || status=1
done
exit $status
