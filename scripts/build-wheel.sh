#!/usr/bin/env bash
# Builds the Python package's wheel from the release build, without network:
# the package staged by `cmake --install --component python`, the physics
# library beside its module, then `python3 -m build --no-isolation --wheel`
# with the Python the build's module is for (Debian's python3-build).
#   scripts/build-wheel.sh [--no-build] [OUTDIR]      (default OUTDIR: dist)
# CURLING_BUILD names another build folder (default build/release).
# Then: python3 -m venv --system-site-packages V && V/bin/pip install --no-index OUTDIR/curling-*.whl
set -euo pipefail
cd "$(dirname "$0")/.."
build_first=1
if [ "${1-}" = --no-build ]; then build_first=0; shift; fi
outdir=${1:-dist}
build=${CURLING_BUILD:-build/release}
[ -f "$build/CMakeCache.txt" ] || { echo "build-wheel: no build in $build (scripts/setup.sh)" >&2; exit 2; }
[ "$build_first" = 0 ] || cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"

python=$(sed -n 's/^CURLING_PYTHON:INTERNAL=//p' "$build/CMakeCache.txt")
[ -n "$python" ] || { echo "build-wheel: $build builds no Python package" >&2; exit 2; }
library=$build/bin/libCurlingSimulator.so
soname=$(objdump -p "$library" | awk '$1 == "SONAME" { print $2 }')
[ -n "$soname" ] || { echo "build-wheel: $library has no soname" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --component python --prefix "$stage" >/dev/null
cp -L "$library" "$stage/curling/$soname"
mkdir -p "$outdir"
"$python" -m build --no-isolation --wheel --outdir "$outdir" "$stage" >"$stage/build.log" 2>&1 ||
  { cat "$stage/build.log" >&2; exit 1; }
ls "$outdir"/curling-*.whl
