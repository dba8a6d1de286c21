#!/usr/bin/env python3
"""The positions of played games as position lines for `curling-learn
generate --played`: the position before every shot of the completed games
in the folders given (curling-match tournaments or single games), so that
the network learns from what games reach. Needs nothing beyond Python.

  learn/played_positions.py --games FOLDER [FOLDER ...] --out FILE
"""
import argparse
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "scripts"))
sys.path.insert(0, str(ROOT / "learn"))
import game_records  # noqa: E402
import value_file  # noqa: E402


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--games", nargs="+", required=True, help="tournament or game folders")
    parser.add_argument("--out", required=True, help="the position file to write")
    args = parser.parse_args(argv)
    lines = [value_file.position_line(shot, stones)
             for shot, stones, _ in game_records.played_positions(args.games)]
    if not lines:
        parser.exit(2, "played_positions: no shots of completed games in the folders given\n")
    out = Path(args.out)
    temporary = out.with_name(out.name + ".part")
    temporary.write_text("".join(lines), encoding="utf-8")
    temporary.replace(out)
    print(f"played_positions: {len(lines)} positions written to {out}", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
