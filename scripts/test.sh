#!/usr/bin/env bash
# Sets everything up and runs every test: the release build runs all of them
# (unit, whole games, end-to-end); the AddressSanitizer+UBSan and
# ThreadSanitizer builds run the unit tests.
#   scripts/test.sh [preset ...]     (default: release asan tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(release asan tsan)

scripts/setup.sh --with-browser "${presets[@]}"
status=0
for preset in "${presets[@]}"; do
  echo "== tests: $preset"
  ctest --preset "$preset" -j "$(nproc 2>/dev/null || echo 2)" --timeout 900 || status=1
done
exit $status
