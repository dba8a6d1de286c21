#!/usr/bin/env python3
"""Measures the engines with curling-match tournaments and writes the
strength report (docs/strength.md). Every figure in the report is read from
what the runs leave: the tournaments' summary.json files, their game records
(thinking time, end results) and the strong engine's search lines on
standard error (simulations and CPU time); nothing is typed in.

    scripts/strength_report.py [--generation-games N] [--games N] [--first-games N]
        [--sprt-games N] [--baseline-games N] [--no-baseline-sprt] [--budgets 0.05,0.1,0.25]
        [--budget-games N] [--selfplay-games N] [--selfplay-samples N] [--shot-time S]
        [--threads T] [--concurrency J] [--ends E] [--seed S] [--build DIR] [--out DIR]
        [--doc FILE] [--reuse]

The strong engine has two generations: the second is `--strong` (the value
search), the first `--strong --search rollout`. Runs, all 8-end games unless
--ends says otherwise:
  1. the second generation against the first, both at --shot-time:
     --generation-games games for Elo, and an SPRT (elo0 0, elo1 30,
     alpha = beta = 0.05) on other seeds, which stops when it decides (at
     most --sprt-games games);
  2. each generation at --shot-time against the default engine: --games
     games for the second, --first-games for the first; and an SPRT of the
     second (elo0 0, elo1 50);
  3. the second generation at --shot-time against the three baselines: one
     gauntlet of --baseline-games games against each for Elo, and (unless
     --no-baseline-sprt) an SPRT run each as above;
  4. each generation at each --budgets shot time above the smallest against
     itself at the smallest (--budget-games each): how Elo grows with time;
  5. the default engine against the three baselines: one gauntlet
     (--baseline-games against each);
  6. self-play of the default engine and of each generation (with
     --selfplay-samples and seeds 1 and 2 for the two seats,
     --selfplay-games each): how ends come out for the side with the last
     stone, and how close the games are.
--reuse keeps a finished tournament whose folder holds the same command.
The release build must exist.
"""

import argparse
import os

import checkout
import machine
from strength import page, plan
from strength.tournaments import Tournaments


def budgets(text):
    """--budgets as given, once it is known to be two or more shot times."""
    words = text.split(",")
    try:
        times = [float(w) for w in words]
    except ValueError:
        times = []
    if len(times) < 2 or not all(0.0 < t < 60.0 for t in times) or len(set(times)) < len(times):
        raise argparse.ArgumentTypeError("two or more different shot times in seconds, "
                                         "comma-separated")
    return text


def parse_arguments(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--generation-games", type=int, default=200,
                   help="second generation vs first at --shot-time")
    p.add_argument("--games", type=int, default=200,
                   help="second generation vs default at --shot-time")
    p.add_argument("--first-games", type=int, default=200,
                   help="first generation vs default at --shot-time")
    p.add_argument("--sprt-games", type=int, default=600, help="most games of the SPRT run")
    p.add_argument("--baseline-games", type=int, default=40)
    p.add_argument("--baseline-sprt", action=argparse.BooleanOptionalAction, default=True,
                   help="an SPRT of the second generation against each baseline")
    p.add_argument("--budget-games", type=int, default=60)
    p.add_argument("--selfplay-games", type=int, default=40)
    p.add_argument("--budgets", type=budgets, default="0.05,0.1,0.25",
                   help="shot times of the budget runs, comma-separated")
    p.add_argument("--selfplay-samples", type=int, default=2000,
                   help="samples per shot of the self-play runs")
    p.add_argument("--shot-time", default="0.25")
    p.add_argument("--threads", type=int, default=1, help="threads of each strong engine")
    p.add_argument("--concurrency", type=int, default=2)
    p.add_argument("--ends", type=int, default=8)
    p.add_argument("--seed", type=int, default=2026)
    p.add_argument("--build", default=checkout.RELEASE_BUILD)
    p.add_argument("--out", default=os.path.join(checkout.ROOT, "games", "strength"))
    p.add_argument("--doc", default=os.path.join(checkout.ROOT, "docs", "strength.md"))
    p.add_argument("--reuse", action="store_true")
    return p.parse_args(argv)


def main():
    args = parse_arguments()
    engines = plan.engines(args)
    info = machine.describe()  # the checkout when the measuring starts
    load_before = machine.load_average()
    tournaments = Tournaments(args)
    runs = plan.play(tournaments, args, engines)
    loads = (load_before, machine.load_average())
    page.write(args.doc, page.page_lines(args, info, loads, runs, tournaments.reused))
    print(f"Wrote {args.doc}")


if __name__ == "__main__":
    main()
