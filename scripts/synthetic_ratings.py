#!/usr/bin/env python3
"""Ratings recovered from synthetic results: writes a results database whose
game pairs are drawn from players of known strength (logistic Elo), runs
`curling-match ratings` on it and prints the true and recovered ratings side
by side. The database is written with Python's own sqlite3, following the
schema of docs/results-db.md: an independent writer of the same file.

  scripts/synthetic_ratings.py                        # the table of docs/results-db.md
  scripts/synthetic_ratings.py --elo 0 200 --pairs 50 --seed 3
"""

import argparse
import json
import os
import random
import subprocess
import sys
import tempfile

import checkout

DEFAULT_ELO = [0, 150, -100, 320, 60, -260]


def expected_score(elo_difference):
    return 1 / (1 + 10 ** (-elo_difference / 400))


def game_half_points(elo_difference, draws, rng):
    """A game's score for the first player, in half points: 2, 1 or 0. The
    draw share `draws` is taken evenly from both sides of the expected score."""
    e = expected_score(elo_difference)
    draw = draws * (1 - abs(2 * e - 1))
    x = rng.random()
    return 2 if x < e - draw / 2 else 1 if x < e + draw / 2 else 0


def write_database(path, elo, pairs, draws, seed, skip):
    """One run per pairing (every two players but every `skip`-th pairing),
    `pairs` pairs each; the first game of a pair has player a in seat 0."""
    import sqlite3
    rng = random.Random(seed)
    db = sqlite3.connect(path)
    for i in range(len(elo)):
        db.execute("INSERT INTO players (id, name, command, settings, executable_sha256, "
                   "first_game) VALUES (?, ?, '[]', '{}', '', '2026-01-01T00:00:00Z')",
                   (i + 1, f"p{i}"))
    pairing = 0
    for a in range(len(elo)):
        for b in range(a + 1, len(elo)):
            pairing += 1
            if skip and pairing % skip == 0:
                continue
            run = db.execute("INSERT INTO runs (folder, format, plan) VALUES (?, 'round-robin', "
                             "'{}')", (f"/synthetic/{a}-{b}",)).lastrowid
            for r in range(pairs):
                for pair_game in (0, 1):
                    first, second = (a, b) if pair_game == 0 else (b, a)
                    h = game_half_points(elo[first] - elo[second], draws, rng)
                    winner = None if h == 1 else (0 if h == 2 else 1)
                    db.execute(
                        "INSERT INTO games (record_sha256, run_id, game_index, pairing, round, "
                        "pair_game, started, seat0, seat1, seed, stream, rules, outcome, winner, "
                        "total0, total1, ends_played, ends, reason, thinking0, thinking1, "
                        "counted, record_path, added) VALUES (?, ?, ?, 0, ?, ?, "
                        "'2026-01-01T00:00:00Z', ?, ?, ?, 0, '{}', 'completed', ?, 0, 0, 8, '[]', "
                        "'synthetic', 0, 0, 1, '', '2026-01-01T00:00:00Z')",
                        (f"{run}-{r}-{pair_game}", run, 2 * r + pair_game, r, pair_game,
                         first + 1, second + 1, str(r), winner))
    db.commit()
    db.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--elo", type=float, nargs="+", default=DEFAULT_ELO,
                        help="true ratings of the players p0, p1, ... (p0 is the anchor)")
    parser.add_argument("--pairs", type=int, default=400, help="pairs per pairing")
    parser.add_argument("--draws", type=float, default=0.2,
                        help="share of drawn games between equal players")
    parser.add_argument("--skip", type=int, default=4,
                        help="leave out every N-th pairing (0: none), so that not all meet")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--build", default=checkout.RELEASE_BUILD)
    args = parser.parse_args()
    if len(args.elo) < 2 or args.pairs < 1 or not 0 <= args.draws <= 1 or args.skip < 0:
        parser.error("two players or more, one pair or more, --draws within [0, 1], --skip >= 0")
    checkout.require_programs(args.build, ["curling-match"], "synthetic_ratings.py")
    match = os.path.join(checkout.bin_dir(args.build), "curling-match")
    with tempfile.TemporaryDirectory() as folder:
        db = os.path.join(folder, "synthetic.sqlite")
        subprocess.run([match, "db", "init", "--db", db], check=True, stdout=subprocess.DEVNULL)
        write_database(db, args.elo, args.pairs, args.draws, args.seed, args.skip)
        out = os.path.join(folder, "ratings.json")
        subprocess.run([match, "ratings", "--db", db, "--anchor", f"p0={args.elo[0]:g}",
                        "--json", out], check=True, stdout=subprocess.DEVNULL)
        with open(out) as f:
            ratings = json.load(f)
    print(f"{len(args.elo)} players, {ratings['pairs']} pairs ({args.pairs} per pairing met), "
          f"seed {args.seed}; p0 anchored at its true rating")
    print("| player | true Elo | recovered | 95% interval | inside |")
    print("|---|---|---|---|---|")
    inside = 0
    for p in sorted(ratings["players"], key=lambda p: int(p["name"][1:])):
        true = args.elo[int(p["name"][1:])]
        low, high = p["elo_low"], p["elo_high"]
        ok = low is not None and high is not None and low <= true <= high
        inside += ok
        ends = ", ".join("inf" if e is None else f"{e:+.1f}" for e in (low, high))
        print(f"| {p['name']} | {true:+.0f} | {p['elo']:+.1f} | [{ends}] | "
              f"{'yes' if ok else 'no'} |")
    print(f"{inside} of {len(ratings['players'])} true ratings inside their intervals")
    return 0


if __name__ == "__main__":
    sys.exit(main())
