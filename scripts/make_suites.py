#!/usr/bin/env python3
"""Builds the last-stone suites under suites/ from game records: the stones
before the last stone of every end (shot 15) that the engines and the
baselines played, each asked in three game contexts.

    scripts/make_suites.py --records DIR [DIR ...] [--out suites] [--count N] [--ci N]

The positions come from curling-match records (game.jsonl, a tournament's
game-NNNN folders). Every set of stones is tagged by how busy the house is
(open: at most 2 stones in it, busy: 3 or 4, crowded: 5 or more), whose stone
is shot (shot-own for the side with the last stone, shot-opponent, or
shot-none for an empty house) and whether a guard stands (guarded: a stone
in front of the house, short of the hog line, within 1.5 m of the centre
line; else unguarded). --count sets of stones are taken round robin over the
tag combinations, so that rare kinds are not crowded out, in the records'
order within each. Each is asked:

    tied-last   tied in the last end
    down1-last  one down in the last end
    up2-early   two up with five ends to play after this one

all judged by the chance to win, by the engine's win table as it is now
(eval/win_table_data.inc), which is copied into the suite's header. --ci
lines of the suite, one per kind as far as there are kinds, and one of them
also judged by points, make the CI subset (last-stone-ci.jsonl).
"""

import argparse
import collections
import json
import math
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import game_records  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TEE = (2.375, 4.88)
HOUSE_TOUCH = 1.83 + 0.145
HOG_Y = 11.28
CONTEXTS = [
    ("tied-last", {"end": 7, "last_end": 7, "score": {"own": 3, "opponent": 3}}),
    ("down1-last", {"end": 7, "last_end": 7, "score": {"own": 3, "opponent": 4}}),
    ("up2-early", {"end": 2, "last_end": 7, "score": {"own": 3, "opponent": 1}}),
]


def win_table():
    """The engine's table as the suite header stores it."""
    path = os.path.join(ROOT, "eval", "win_table_data.inc")
    text = open(path, encoding="utf-8").read()
    max_lead = int(re.search(r"kWinTableMaxLead = (\d+)", text).group(1))
    max_ends = int(re.search(r"kWinTableMaxEndsLeft = (\d+)", text).group(1))
    rows = [[float(v) for v in m.group(1).split(",")]
            for m in re.finditer(r"\{([0-9., ]+)\},\s*// hammer", text)]
    assert len(rows) == 2 * (max_ends + 1)
    chance = [[rows[2 * n], rows[2 * n + 1]] for n in range(max_ends + 1)]
    return {"max_lead": max_lead, "max_ends_left": max_ends, "chance": chance}


def stones_of(numbers):
    return [[numbers[2 * i], numbers[2 * i + 1]] for i in range(16)]


def in_play(s):
    return s[0] != 0 or s[1] != 0


def distance_to_tee(s):
    return math.hypot(s[0] - TEE[0], s[1] - TEE[1])


def tags_of(stones):
    house = [(distance_to_tee(s), i) for i, s in enumerate(stones)
             if in_play(s) and distance_to_tee(s) < HOUSE_TOUCH]
    count = len(house)
    busy = "open" if count <= 2 else "busy" if count <= 4 else "crowded"
    if not house:
        shot = "shot-none"
    else:
        # The side with the last stone owns the odd stones.
        shot = "shot-own" if min(house)[1] % 2 == 1 else "shot-opponent"
    guarded = any(in_play(s) and TEE[1] + HOUSE_TOUCH < s[1] < HOG_Y and abs(s[0] - TEE[0]) < 1.5
                  for s in stones)
    return [busy, shot, "guarded" if guarded else "unguarded"]


def last_stone_positions(folders):
    """(game name, end, stones) before every shot 15 in the records."""
    for folder in folders:
        for path in game_records.game_files(folder):
            game = os.path.basename(os.path.dirname(path))
            with open(path, encoding="utf-8") as f:
                for line in f:
                    record = json.loads(line)
                    if record.get("type") == "shot" and record["shot"] == 15:
                        yield f"{os.path.basename(folder)}-{game}-e{record['end']}", \
                            stones_of(record["before"])


def choose(positions, count):
    """Round robin over the kinds, the records' order within each; one
    empty house at most (they are all the same)."""
    by_kind = collections.OrderedDict()
    seen = set()
    for name, stones in positions:
        key = json.dumps(stones)
        if key in seen:
            continue
        seen.add(key)
        by_kind.setdefault(tuple(tags_of(stones)), []).append((name, stones))
    chosen = []
    while len(chosen) < count and any(by_kind.values()):
        for kind in list(by_kind):
            if by_kind[kind] and len(chosen) < count:
                chosen.append(by_kind[kind].pop(0))
    return chosen


def position_lines(chosen):
    for name, stones in chosen:
        for context_name, context in CONTEXTS:
            yield {"type": "position", "id": f"{name}-{context_name}", "shot": 15,
                   **context, "objective": "win",
                   "tags": tags_of(stones) + [context_name], "stones": stones}


def ci_subset(lines, count):
    """One line per kind while kinds last, the contexts taken in turn, the
    first line judged by points as well."""
    picked, kinds = [], set()
    for line in lines:
        kind = tuple(line["tags"][:3])
        context = CONTEXTS[len(picked) % len(CONTEXTS)][0]
        if kind not in kinds and line["tags"][3] == context and len(picked) < count:
            kinds.add(kind)
            picked.append(dict(line))
    for line in lines:
        if len(picked) >= count:
            break
        if line not in picked:
            picked.append(dict(line))
    points = dict(picked[0], objective="points", id=picked[0]["id"] + "-points")
    return [points] + picked[:count - 1]


def write(path, name, lines, source):
    header = {"type": "suite", "name": name, "error": 0.145, "free_guard_zone": True, "seed": 27,
              "win_table": win_table()}
    with open(path, "w", encoding="utf-8") as f:
        f.write(f"# {source}\n")
        f.write(json.dumps(header, separators=(",", ":")) + "\n")
        for line in lines:
            f.write(json.dumps(line, separators=(",", ":")) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--records", nargs="+", required=True)
    parser.add_argument("--out", default=os.path.join(ROOT, "suites"))
    parser.add_argument("--count", type=int, default=110)
    parser.add_argument("--ci", type=int, default=10)
    args = parser.parse_args()
    chosen = choose(list(last_stone_positions(args.records)), args.count)
    lines = list(position_lines(chosen))
    os.makedirs(args.out, exist_ok=True)
    source = "made by scripts/make_suites.py from " + " ".join(
        os.path.basename(r) for r in args.records)
    write(os.path.join(args.out, "last-stone.jsonl"), "last-stone", lines, source)
    write(os.path.join(args.out, "last-stone-ci.jsonl"), "last-stone-ci",
          ci_subset(lines, args.ci), source)
    kinds = collections.Counter(tuple(tags_of(s)) for _, s in chosen)
    print(f"{len(chosen)} sets of stones, {len(lines)} positions")
    for kind, n in sorted(kinds.items()):
        print(f"  {' '.join(kind)}: {n}")


if __name__ == "__main__":
    main()
