#!/usr/bin/env bash
# Cross-builds curling-engine.exe and CurlingSimulator.dll for 64-bit Windows
# (the windows preset, under build/windows/) and packs them with their README
# and the licence into build/windows/curling-engine-<version>-windows-x86_64.zip.
# Installs Debian's mingw-w64 compiler when it is missing. Testing the build
# under Wine is scripts/test.sh windows (docs/windows.md).
#   scripts/build-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  echo "build-windows: installing g++-mingw-w64-x86-64-posix"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends g++-mingw-w64-x86-64-posix >/dev/null
fi

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc 2>/dev/null || echo 2)" --target curling-engine CurlingSimulator

version=$(sed -n 's/^project(curling VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name="curling-engine-${version}-windows-x86_64"
stage="build/windows/package/$name"
rm -rf build/windows/package
mkdir -p "$stage"
cp build/windows/bin/curling-engine.exe build/windows/bin/CurlingSimulator.dll "$stage/"
# Without the symbol tables: a third of the size, the exports kept.
x86_64-w64-mingw32-strip "$stage/curling-engine.exe" "$stage/CurlingSimulator.dll"
# The README in Windows line ends, so that Notepad shows it as it is.
sed 's/$/\r/' packaging/windows/README.txt > "$stage/README.txt"
if [ -f LICENSE ]; then
  sed 's/$/\r/' LICENSE > "$stage/LICENSE.txt"
else
  echo "build-windows: the tree has no LICENSE file: the zip holds LICENSE-NOT-CHOSEN.txt instead" >&2
  printf 'No licence has been chosen for this software yet.\r\n' > "$stage/LICENSE-NOT-CHOSEN.txt"
fi

zip="build/windows/$name.zip"
rm -f "$zip"
(cd build/windows/package && python3 -m zipfile -c "../$name.zip" "$name")
echo "build-windows: $zip"
python3 -m zipfile -l "$zip"
