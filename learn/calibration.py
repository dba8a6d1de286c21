#!/usr/bin/env python3
"""How well the value network's end-result distributions match ends played
out: every shot of the completed games in the folders given, the position
before it judged by the network for the side to throw, against how that end
then came out for that side. Prints, per shot number, the log loss beside
the loss of the shot's average result over the same games (a network that
ignores the stones), and a reliability table of the chance to score.
Needs numpy only.

  learn/calibration.py --bin DIR --model NET --games FOLDER [FOLDER ...] [--json FILE]

The folders are curling-match tournaments (game-NNNN/game.jsonl) or single
games (game.jsonl).
"""
import argparse
import json
import subprocess
import sys
from pathlib import Path

import numpy as np

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "scripts"))
sys.path.insert(0, str(ROOT / "learn"))
import game_records  # noqa: E402
import value_file  # noqa: E402

RESULT_MIN, RESULT_MAX = -5, 5  # the network's classes, clipped like its labels
SHOT_GROUPS = [("15", range(15, 16)), ("8-14", range(8, 15)), ("0-7", range(0, 8))]
BINS = 10


def predict(bin_dir, model, positions):
    """The network's distributions for `positions`, one row each."""
    text = "".join(value_file.position_line(shot, stones) for shot, stones, _ in positions)
    run = subprocess.run([str(Path(bin_dir) / "curling-learn"), "predict", "--model", model,
                          "--positions"], input=text, capture_output=True, text=True,
                         check=False)
    if run.returncode != 0:
        sys.exit(f"calibration: curling-learn predict failed: {run.stderr.strip()}")
    rows = np.array([[float(v) for v in line.split()] for line in run.stdout.splitlines()])
    assert rows.shape == (len(positions), RESULT_MAX - RESULT_MIN + 1), rows.shape
    return rows


def log_loss(p, classes):
    return float(-np.log(np.clip(p[np.arange(len(classes)), classes], 1e-12, 1.0)).mean())


def shot_rows(shots, p, classes):
    """Per shot number: positions, the network's loss, the loss of the shot's
    average result, and the mean result: played out and predicted."""
    points = np.arange(RESULT_MIN, RESULT_MAX + 1)
    rows = []
    for shot in range(15, -1, -1):
        at = shots == shot
        if not at.any():
            continue
        average = np.bincount(classes[at], minlength=len(points)) / at.sum()
        rows.append({"shot": shot, "positions": int(at.sum()),
                     "network_loss": log_loss(p[at], classes[at]),
                     "average_loss": log_loss(np.tile(average, (at.sum(), 1)), classes[at]),
                     "mean_result": float((classes[at] + RESULT_MIN).mean()),
                     "mean_predicted": float((p[at] @ points).mean())})
    return rows


def reliability(shots, p, classes):
    """For each shot group, positions binned by the predicted chance that the
    side to throw scores: how many, the mean prediction, how often it did."""
    scores = p[:, -RESULT_MAX:].sum(axis=1)
    scored = classes + RESULT_MIN > 0
    table = {}
    for label, group in SHOT_GROUPS:
        in_group = np.isin(shots, list(group))
        cells = []
        for b in range(BINS):
            low, high = b / BINS, (b + 1) / BINS
            at = in_group & (scores >= low) & ((scores < high) | (b == BINS - 1))
            cells.append({"positions": int(at.sum()),
                          "predicted": float(scores[at].mean()) if at.any() else None,
                          "observed": float(scored[at].mean()) if at.any() else None})
        table[label] = cells
    return table


def markdown(summary):
    lines = ["| shot | positions | network loss | average-result loss | mean result: played "
             "| network |", "|---:|---:|---:|---:|---:|---:|"]
    for r in summary["shots"]:
        lines.append(f"| {r['shot']} | {r['positions']} | {r['network_loss']:.3f} | "
                     f"{r['average_loss']:.3f} | {r['mean_result']:+.2f} | "
                     f"{r['mean_predicted']:+.2f} |")
    lines += ["", "Chance that the side to throw scores: predicted against played out "
              "(positions, mean prediction -> share that scored).", "",
              "| predicted | " + " | ".join(f"shot {label}" for label, _ in SHOT_GROUPS) + " |",
              "|---|" + "---:|" * len(SHOT_GROUPS)]
    for b in range(BINS):
        cells = []
        for label, _ in SHOT_GROUPS:
            c = summary["reliability"][label][b]
            cells.append("-" if not c["positions"] else
                         f"{c['positions']}: {c['predicted']:.2f} -> {c['observed']:.2f}")
        lines.append(f"| {b / BINS:.1f}-{(b + 1) / BINS:.1f} | " + " | ".join(cells) + " |")
    return "\n".join(lines)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", required=True, help="folder of curling-learn")
    parser.add_argument("--model", required=True, help="the weight file")
    parser.add_argument("--games", nargs="+", required=True, help="tournament or game folders")
    parser.add_argument("--json", help="also write the figures to this file")
    args = parser.parse_args(argv)
    positions = list(game_records.played_positions(args.games))
    if not positions:
        parser.exit(2, "calibration: no shots of completed games in the folders given\n")
    shots = np.array([s for s, _, _ in positions])
    classes = np.clip([r for _, _, r in positions], RESULT_MIN, RESULT_MAX) - RESULT_MIN
    p = predict(args.bin, args.model, positions)
    summary = {"positions": len(positions), "shots": shot_rows(shots, p, classes),
               "reliability": reliability(shots, p, classes)}
    if args.json:
        Path(args.json).write_text(json.dumps(summary, indent=1), encoding="utf-8")
    print(markdown(summary))
    return 0


if __name__ == "__main__":
    sys.exit(main())
