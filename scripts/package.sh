#!/usr/bin/env bash
# Builds the Debian package of the release build (cpack -G DEB): the
# programs, the physics library with its headers, CMake package and
# pkg-config file, man pages and docs, under /usr, with dependencies from
# dpkg-shlibdeps. Fails when lintian (if installed) finds an error in it.
#   scripts/package.sh [--no-build] [OUTDIR]      (default OUTDIR: dist)
# CURLING_BUILD names another build folder (default build/release).
set -euo pipefail
cd "$(dirname "$0")/.."
build_first=1
if [ "${1-}" = --no-build ]; then build_first=0; shift; fi
outdir=${1:-dist}
build=${CURLING_BUILD:-build/release}
[ -f "$build/CPackConfig.cmake" ] || { echo "package: no build in $build (scripts/setup.sh)" >&2; exit 2; }
[ "$build_first" = 0 ] || cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; exit 1; }
mkdir -p "$outdir"
for deb in "$work"/*.deb; do
  if command -v lintian >/dev/null; then
    # Its warnings are explained in docs/install.md; an error fails the package.
    lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 ||
      { grep -v '^running with root' "$work/lintian.log" >&2; echo "package: lintian found errors" >&2; exit 1; }
  fi
  mv "$deb" "$outdir/"
  echo "$outdir/$(basename "$deb")"
done
