#!/usr/bin/env bash
# cmake --install into a scratch prefix: the layout, the engine finding the
# installed library by its run path (not the build tree's), every program's
# --version and man page, and the C++ consumer built against the prefix with
# find_package (with its version check) and with pkg-config.
source "$(dirname "$0")/common.sh"
prefix=$scratch/prefix
cmake --install "$CURLING_BUILD" --prefix "$prefix" >/dev/null

lib=$prefix/lib
soname=$(objdump -p "$lib/libCurlingSimulator.so" | awk '$1 == "SONAME" { print $2 }')
[ "$soname" = "libCurlingSimulator.so.${CURLING_VERSION%%.*}" ] || fail "soname '$soname'"
[ -e "$lib/$soname" ] || fail "no $lib/$soname"
[ -e "$prefix/include/curling_simulator/version.h" ] || fail "no curling_simulator/version.h"
[ ! -e "$prefix/curling" ] || fail "the Python package is not part of the default install"
# No run path, installed or in the build tree, has an empty entry: the loader
# would search the current folder for libraries.
for binary in "$prefix"/bin/* "$lib/$soname" "$CURLING_BUILD"/bin/curling-* "$CURLING_BUILD"/bin/baseline-* \
              "$CURLING_BUILD"/bin/libCurlingSimulator.so "$CURLING_BUILD"/python/curling/_curling*.so; do
  runpath=$(readelf -d "$binary" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  [[ ":$runpath:" != *::* ]] || fail "$binary: run path '$runpath' has an empty entry"
done

# The prefix moved after installing: run paths are relative to the programs.
mv "$prefix" "$scratch/moved"
prefix=$scratch/moved
lib=$prefix/lib
[ "$(bench_without_time "$prefix/bin/curling-engine")" = "$(expected_bench)" ] ||
  fail "the installed engine's bench differs from the build's"
printf 'ISREADY\n' | LD_DEBUG=files "$prefix/bin/curling-engine" 2>"$scratch/loader.log" >/dev/null
grep -q "file=$prefix/bin/../lib/libCurlingSimulator.so " "$scratch/loader.log" ||
  fail "the engine did not load $lib/libCurlingSimulator.so: $(grep CurlingSim "$scratch/loader.log")"
check_versions "$prefix/bin"
for program in "$prefix"/bin/*; do
  page=$prefix/share/man/man1/$(basename "$program").1.gz
  zcat "$page" | grep -q -- 'fB\\-\\-version' || fail "$page has no --version"
done
zcat "$prefix/share/man/man1/curling-match.1.gz" | grep -q 'curling-match db import' ||
  fail "curling-match's man page lacks its subcommands"

# The C++ consumer through the CMake package.
consumer=$CURLING_SOURCE/examples/cpp-consumer
cmake -S "$consumer" -B "$scratch/consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" >"$scratch/consumer.log" 2>&1 || { cat "$scratch/consumer.log"; fail "configure"; }
cmake --build "$scratch/consumer" >>"$scratch/consumer.log" 2>&1 || { cat "$scratch/consumer.log"; fail "build"; }
played=$("$scratch/consumer/play_shot")
[[ "$played" =~ ^library\ $CURLING_VERSION:\ the\ draw\ rests\ at\ \(2\.[34][0-9]*,\ 4\.[89] ]] ||
  fail "consumer: $played"

# A version the package cannot satisfy is refused.
mkdir "$scratch/too_new"
cat >"$scratch/too_new/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.16)
project(too_new LANGUAGES NONE)
find_package(CurlingSimulator $((${CURLING_VERSION%%.*} + 1)) CONFIG REQUIRED)
CMAKE
cmake -S "$scratch/too_new" -B "$scratch/too_new/build" -DCMAKE_PREFIX_PATH="$prefix" \
  >/dev/null 2>&1 && fail "find_package accepted a newer major version"

# The same program through pkg-config.
export PKG_CONFIG_PATH=$lib/pkgconfig
[ "$(pkg-config --modversion curling-simulator)" = "$CURLING_VERSION" ] || fail "pkg-config version"
# shellcheck disable=SC2046
g++ -std=c++17 -o "$scratch/play_shot" "$consumer/main.cpp" $(pkg-config --cflags --libs curling-simulator) \
  -Wl,-rpath,"$lib" || fail "pkg-config build"
[ "$("$scratch/play_shot")" = "$played" ] || fail "the pkg-config build plays differently"
echo "installed in a prefix: engine, versions, man pages, C++ consumer (CMake, pkg-config): ok"
