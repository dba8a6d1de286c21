#!/usr/bin/env bash
# scripts/build-wheel.sh: the wheel installed with pip, without network, in a
# fresh virtual environment (numpy from the system's site packages); then the
# Python consumer runs from anywhere without PYTHONPATH, on the package and
# library inside the environment.
source "$(dirname "$0")/common.sh"
: "${CURLING_PYTHON:?}"
CURLING_BUILD=$CURLING_BUILD "$CURLING_SOURCE/scripts/build-wheel.sh" --no-build "$scratch/dist" >/dev/null
wheels=("$scratch"/dist/curling-"$CURLING_VERSION"-*.whl)
[ -f "${wheels[0]}" ] || fail "no wheel: $(ls "$scratch/dist")"

"$CURLING_PYTHON" -m venv --system-site-packages "$scratch/venv"
"$scratch/venv/bin/pip" install --quiet --no-index "${wheels[0]}" || fail "pip install"
cd "$scratch"
python=$scratch/venv/bin/python
played=$("$python" "$CURLING_SOURCE/examples/python-consumer/play_shot.py")
[[ "$played" =~ ^curling\ $CURLING_VERSION:\ the\ draw\ rests\ at\ \(2\.[34][0-9]*,\ 4\.[89] ]] ||
  fail "consumer: $played"
where=$("$python" -c 'import curling, curling._curling as m; print(curling.__file__, m.__file__)')
[[ "$where" == "$scratch/venv/"*" $scratch/venv/"* ]] || fail "imported from elsewhere: $where"
"$python" - <<PYTHON || fail "the module's library"
import os, curling
library = [line.split()[-1] for line in open("/proc/self/maps") if "libCurlingSimulator" in line]
assert library and all(p.startswith("$scratch/venv/") for p in library), library
PYTHON
echo "wheel: pip install in a fresh environment, the Python consumer: ok"
