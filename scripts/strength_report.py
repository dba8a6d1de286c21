#!/usr/bin/env python3
"""Measures the engines with curling-match tournaments and writes the
strength report (docs/strength.md). Every figure in the report is read from
what the runs leave: the tournaments' summary.json files, their game records
(thinking time, end results) and the strong engine's search lines on
standard error (simulations and CPU time); nothing is typed in.

    scripts/strength_report.py [--games N] [--sprt-games N] [--baseline-games N]
        [--budget-games N] [--selfplay-games N] [--samples 250,1000,4000]
        [--shot-time S] [--threads T] [--concurrency J] [--ends E]
        [--seed S] [--build DIR] [--out DIR] [--doc FILE] [--reuse]

Runs, all 8-end games unless --ends says otherwise:
  1. --strong at --shot-time against the default engine: --games games for
     Elo, and an SPRT (elo0 0, elo1 50, alpha = beta = 0.05) on other seeds,
     which stops when it decides (at most --sprt-games games);
  2. --strong at --shot-time against the three baselines: one gauntlet of
     --baseline-games games against each for Elo, and an SPRT run each as
     above;
  3. --strong with --samples N against the default engine, for each N
     (--budget-games each): how Elo grows with the budget;
  4. the default engine against the three baselines: one gauntlet
     (--baseline-games against each);
  5. self-play of the default engine and of --strong (with the largest
     --samples and seeds 1 and 2 for the two seats, --selfplay-games each):
     how ends come out for the side with the last stone, and how close the
     games are.
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
    """--samples as given, once it is known to be a list of positive counts."""
    words = text.split(",")
    if not all(w.isdigit() and int(w) > 0 for w in words):
        raise argparse.ArgumentTypeError("a comma-separated list of positive rollout counts")
    return text


def parse_arguments(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--games", type=int, default=200, help="strong vs default at --shot-time")
    p.add_argument("--sprt-games", type=int, default=600, help="most games of the SPRT run")
    p.add_argument("--baseline-games", type=int, default=40)
    p.add_argument("--budget-games", type=int, default=60)
    p.add_argument("--selfplay-games", type=int, default=40)
    p.add_argument("--samples", type=budgets, default="250,1000,4000",
                   help="rollouts per shot of the budget runs, comma-separated")
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
