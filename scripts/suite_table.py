#!/usr/bin/env python3
"""The Markdown tables of docs/suites.md from curling-suite runs: for each
run folder (curling-suite run --out DIR), the mean regret in win chance with
its 95% interval and the shares within 0.01 and 0.05, over the suite and by
the groups asked for.

    scripts/suite_table.py RUN_DIR [RUN_DIR ...] [--groups "win tied-last" ...]
"""

import argparse
import json
import os


def summaries(folder):
    with open(os.path.join(folder, "run.json"), encoding="utf-8") as f:
        run = json.load(f)
    return run["engine"], {s["group"]: s for s in run["summaries"]}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("runs", nargs="+")
    parser.add_argument("--groups", nargs="*", default=[])
    args = parser.parse_args()
    print("| engine | positions | faults | mean regret (95%) | within 0.01 | within 0.05 |")
    print("|---|---:|---:|---:|---:|---:|")
    loaded = [summaries(r) for r in args.runs]
    for engine, groups in loaded:
        s = groups["win"]
        print(f"| {engine} | {s['positions']} | {s['faults']} | {s['mean_regret']:.4f} "
              f"&plusmn; {s['interval']:.4f} | {100 * s['within_small']:.1f}% | "
              f"{100 * s['within_large']:.1f}% |")
    if args.groups:
        print()
        print("| engine | " + " | ".join(g.replace("win ", "") for g in args.groups) + " |")
        print("|---|" + "---:|" * len(args.groups))
        for engine, groups in loaded:
            cells = [f"{groups[g]['mean_regret']:.3f} ({100 * groups[g]['within_small']:.0f}%)"
                     if g in groups else "" for g in args.groups]
            print(f"| {engine} | " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main()
