#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing: the man
# pages, the Debian package, its check and the Python wheel too), then
# configures and builds the given CMake presets (default: release).
#   scripts/setup.sh [--with-browser] [--with-training] [preset ...]
# --with-training adds PyTorch (python3-torch, about 180 MB installed), which
# only training the learned position value needs (docs/learned-value.md):
# the engine plays from the committed weights without it, and the pipeline's
# tests are skipped, saying so.
# The windows preset (cross-built with mingw-w64, tested under Wine against
# the release build, docs/windows.md) brings its compiler and Wine, and the
# release build when it is not asked for before it.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev nlohmann-json3-dev libfmt-dev libbox2d-dev libopenmpi-dev openmpi-bin
          libsqlite3-dev libssl-dev libcpp-httplib-dev zlib1g-dev libbrotli-dev
          python3 python3-dev pybind11-dev python3-numpy python3-pytest
          help2man dpkg-dev file lintian python3-build python3-wheel python3-setuptools
          python3-venv)
# The fuzz preset builds with clang 14 and its libFuzzer.
fuzz_packages=(clang clang-14 libclang-rt-14-dev)
windows_packages=(g++-mingw-w64-x86-64-posix wine64)
presets=()
for arg in "$@"; do
  case "$arg" in
    --with-browser) packages+=(chromium) ;;
    --with-training) packages+=(python3-torch) ;;
    fuzz) packages+=("${fuzz_packages[@]}"); presets+=("$arg") ;;
    windows)
      packages+=("${windows_packages[@]}")
      [[ " ${presets[*]-} " == *" release "* ]] || presets+=(release)
      presets+=("$arg") ;;
    *) presets+=("$arg") ;;
  esac
done
[ ${#presets[@]} -gt 0 ] || presets=(release)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

jobs=$(nproc 2>/dev/null || echo 2)
for preset in "${presets[@]}"; do
  echo "setup: configuring and building '$preset'"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
