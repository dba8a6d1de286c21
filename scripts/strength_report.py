#!/usr/bin/env python3
"""Measures curling-engine against the baseline engines with one curling-match
gauntlet (curling-engine against each baseline) and writes the strength
report (docs/strength.md) from the summary.json the tournament leaves. Every
number in the report comes from that file; nothing is typed in.

    scripts/strength_report.py [--games N] [--ends E] [--seed S]
                               [--concurrency J] [--build DIR] [--out DIR]
                               [--doc FILE] [--baselines draw,random,greedy]

The release build must exist (scripts/setup.sh release, or cmake --build).
"""

import argparse
import json
import os
import shlex
import subprocess
import sys
import time

import machine

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BASELINES = ("draw", "random", "greedy")
DESCRIPTIONS = {
    "draw": "always draws to the tee, random curl",
    "random": "draws to random points of the house, random curl",
    "greedy": "one-ply Monte Carlo over a few draws and hits, curling count",
}


def parse_arguments():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--games", type=int, default=40, help="games per opponent (pairs)")
    p.add_argument("--ends", type=int, default=8)
    p.add_argument("--seed", type=int, default=2026)
    p.add_argument("--concurrency", type=int, default=1)
    p.add_argument("--build", default=os.path.join(ROOT, "build", "release"),
                   help="build folder holding bin/curling-match")
    p.add_argument("--out", default=os.path.join(ROOT, "games", "strength"),
                   help="folder for the tournaments' games and summaries")
    p.add_argument("--doc", default=os.path.join(ROOT, "docs", "strength.md"))
    p.add_argument("--baselines", default=",".join(BASELINES))
    return p.parse_args()


def elo_text(s):
    def num(v):
        return "+inf" if v is None else f"{v:+.0f}"

    bound = s["elo_bound"]
    if bound == "two-sided":
        low = "-inf" if s["elo_low"] is None else f"{s['elo_low']:+.0f}"
        return f"{s['elo']:+.0f} [{low}, {num(s['elo_high'])}]"
    if bound == "lower":
        return f"at least {s['elo_low']:+.0f} (95% interval)" if s["elo_low"] is not None \
            else "no bound"
    if bound == "upper":
        return f"at most {s['elo_high']:+.0f} (95% interval)" if s["elo_high"] is not None \
            else "no bound"
    return "n/a"


def run_gauntlet(match, engine, bin_dir, kinds, args):
    """One gauntlet: curling-engine (A) against every baseline. Returns the
    command, the seconds it took, the summary and the folder."""
    folder = os.path.join(args.out, "gauntlet")
    command = [match, "--format", "gauntlet", "--engine", f"name=curling-engine cmd={engine}"]
    for k in kinds:
        command += ["--engine", f"name=baseline-{k} cmd={os.path.join(bin_dir, 'baseline-' + k)}"]
    command += ["--games", str(args.games), "--ends", str(args.ends), "--seed", str(args.seed),
                "--concurrency", str(args.concurrency), "--report-every", "10", "--out", folder]
    print("+", shlex.join(command), flush=True)
    start = time.monotonic()
    result = subprocess.run(command, check=False)
    seconds = time.monotonic() - start
    summary_path = os.path.join(folder, "summary.json")
    if result.returncode != 0 or not os.path.exists(summary_path):
        sys.exit(f"strength_report: the gauntlet failed (exit code {result.returncode})")
    with open(summary_path, encoding="utf-8") as f:
        summary = json.load(f)
    return command, seconds, summary, folder


def pairing_of(summary, kind):
    """The gauntlet's pairing of curling-engine (A) against baseline `kind`."""
    for p in summary["pairings"]:
        if p["b"] == f"baseline-{kind}":
            return p
    sys.exit(f"strength_report: no pairing against baseline-{kind} in the summary")


def relative(path):
    return os.path.relpath(path, ROOT)



def main():
    args = parse_arguments()
    bin_dir = os.path.join(args.build, "bin")
    match = os.path.join(bin_dir, "curling-match")
    engine = os.path.join(bin_dir, "curling-engine")
    kinds = [k for k in args.baselines.split(",") if k]
    for k in kinds:
        if k not in BASELINES:
            sys.exit(f"strength_report: unknown baseline {k!r} (known: {', '.join(BASELINES)})")
    for program in [match, engine] + [os.path.join(bin_dir, f"baseline-{k}") for k in kinds]:
        if not os.access(program, os.X_OK):
            sys.exit(f"strength_report: {program} is missing; build the release preset first")

    info = machine.describe()  # the checkout when the measuring starts
    command, seconds, summary, folder = run_gauntlet(match, engine, bin_dir, kinds, args)
    runs = [(k, pairing_of(summary, k)) for k in kinds]

    lines = [
        "# Strength of curling-engine against the baseline engines",
        "",
        "Measured on this machine by `scripts/strength_report.py`; every number below is read",
        "from the `summary.json` that `curling-match` wrote for one gauntlet (curling-engine",
        "against each baseline). Regenerate with:",
        "",
        "```",
        "scripts/strength_report.py " + shlex.join([
            "--games", str(args.games), "--ends", str(args.ends), "--seed", str(args.seed),
            "--concurrency", str(args.concurrency), "--build", relative(args.build)]),
        "```",
        "",
        f"- Date: {info['started']}; revision {info['revision']}",
        f"- Machine: {info['model']}, {info['nproc']} logical CPUs (shared with other work "
        "while measuring)",
        f"- Games: {args.games} per opponent, {args.ends} ends, played in pairs on the same seed "
        "with the first-end hammer swapped (pair k on seed "
        f"{args.seed} + k), {args.concurrency} at a time; default random error and time budget",
        "- A is curling-engine, B the baseline; Elo is the logistic difference A - B from the",
        "  pair scores (pentanomial) with its 95% interval, nElo the normalized difference;",
        "  LOS is the likelihood that A is the stronger. When A scores every point the",
        "  difference has no finite estimate and the interval's lower end bounds it.",
        "",
        "| Opponent | Games | W-D-L (A) | Points (A) | Mean end score diff | Elo (95%) | nElo | LOS |",
        "|---|---|---|---|---|---|---|---|",
    ]
    for k, s in runs:
        points = f"{s['points']:.1f} / {s['games']} ({100.0 * s['points'] / s['games']:.0f}%)" \
            if s["games"] else "-"
        los = "-" if s["los"] is None else f"{100.0 * s['los']:.1f}%"
        nelo = "-" if s["nelo"] is None else f"{s['nelo']:+.0f}"
        lines.append(
            f"| baseline-{k} | {s['games']} | {s['wins']}-{s['draws']}-{s['losses']} | {points} | "
            f"{s['mean_end_score_difference']:+.2f} | {elo_text(s)} | {nelo} | {los} |")
    lines += ["", "## The opponents", ""]
    for k in kinds:
        lines.append(f"- `baseline-{k}`: {DESCRIPTIONS[k]}.")
    lines += [
        "",
        "## The gauntlet",
        "",
        "```",
        shlex.join([c.replace(ROOT + os.sep, "") for c in command]),
        "```",
        "",
        f"- {summary['games']} games in {seconds / 60.0:.1f} minutes of wall time; every game's "
        f"record and replay page are listed in `{relative(folder)}/index.html`",
        "",
    ]
    for k, s in runs:
        p = s["pentanomial"]
        lines += [
            f"### curling-engine against baseline-{k}",
            "",
            f"- {s['games']} games ({s['pairs']} pairs)",
            f"- Pairs scoring 0, 1/4, 1/2, 3/4, 1 for A: {p[0]}, {p[1]}, {p[2]}, {p[3]}, {p[4]}",
            f"- Mean end score difference (A - B): {s['mean_end_score_difference']:+.3f} per end",
            f"- Elo difference (A - B): {elo_text(s)}",
            "",
        ]
    os.makedirs(os.path.dirname(os.path.abspath(args.doc)), exist_ok=True)
    with open(args.doc, "w", encoding="utf-8") as f:
        f.write("\n".join(lines).rstrip("\n") + "\n")
    print(f"Wrote {args.doc}")


if __name__ == "__main__":
    main()
