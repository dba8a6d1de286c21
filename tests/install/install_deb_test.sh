#!/usr/bin/env bash
# scripts/package.sh: a .deb under /usr whose dependencies dpkg-shlibdeps
# found, unpacked with dpkg -x into a scratch root, where its engine's bench
# matches the build's and every program reports the version. package.sh
# itself fails when lintian finds an error in the package.
source "$(dirname "$0")/common.sh"
command -v lintian >/dev/null || fail "lintian is not installed (scripts/setup.sh)"
CURLING_BUILD=$CURLING_BUILD "$CURLING_SOURCE/scripts/package.sh" --no-build "$scratch/out" >/dev/null ||
  fail "package.sh"
debs=("$scratch"/out/*.deb)
[ ${#debs[@]} = 1 ] || fail "package.sh made ${#debs[@]} packages"
deb=${debs[0]}
[ "$(dpkg-deb -f "$deb" Version)" = "$CURLING_VERSION" ] || fail "version $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libstdc++6 libsqlite3-0; do
  [[ "$depends" == *"$needed "* ]] || fail "Depends lacks $needed: $depends"
done
files=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
grep -v '^\./usr/' <<<"$files" | grep -qv '^\./$' && fail "files outside /usr: $files"
grep -q '_curling' <<<"$files" && fail "the Python package is the wheel's, not the package's"

root=$scratch/root
dpkg -x "$deb" "$root"
usr=$root/usr
[ "$(LD_LIBRARY_PATH=$usr/lib bench_without_time "$usr/bin/curling-engine")" = "$(expected_bench)" ] ||
  fail "the packaged engine's bench differs from the build's"
LD_LIBRARY_PATH=$usr/lib check_versions "$usr/bin"

echo "Debian package: dependencies, /usr, bench, versions, lintian: ok"
