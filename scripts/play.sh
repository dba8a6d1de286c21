#!/usr/bin/env bash
# Sets everything up (packages, release build) and plays one whole game between
# two curling-engines, with a live scoreboard, a game record and a replay page.
#   scripts/play.sh [curling-match options...]     e.g. scripts/play.sh --ends 4 --seed 7
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh release
exec build/release/bin/curling-match "$@"
