# Shared by the install tests: a scratch folder removed on exit, a failure
# with a message, and the bench's library call count.
set -euo pipefail
: "${CURLING_BUILD:?}" "${CURLING_SOURCE:?}" "${CURLING_VERSION:?}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
unset LD_LIBRARY_PATH PYTHONPATH

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# `curling-engine bench` of the engine given, without its times: the seed,
# each position's calls and reply, the replies' fingerprint, the call count.
bench_without_time() {
  "$@" bench | sed -e 's/ *[0-9.]* ms  / /' -e 's/^\(bench: [0-9]* library calls\), [0-9]* ms$/\1/'
}

# What every installed engine's bench must print: the build tree's.
expected_bench() {
  bench_without_time "$CURLING_BUILD/bin/curling-engine"
}

# Every program prints "<name> <the project's version>" for --version.
check_versions() {
  local bin=$1 program
  for program in curling-engine curling-match curling-suite baseline-draw baseline-random \
                 baseline-greedy; do
    [ "$("$bin/$program" --version)" = "$program $CURLING_VERSION" ] ||
      fail "$program --version: $("$bin/$program" --version 2>&1)"
  done
}
