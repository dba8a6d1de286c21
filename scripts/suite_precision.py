#!/usr/bin/env python3
"""Compares two solutions of the same suite (the precision study of
docs/suites.md): how much the best value moves, and how often the best is
the same kind of delivery, when the grid is refined or the samples doubled.

    scripts/suite_precision.py BASE OTHER [--label TEXT]

Both files are solved copies of one suite (curling-suite solve ... -o); a
position's values are compared when its id is in both. With the same
evaluation samples (a refined grid) the difference of two values is exact
for the two deliveries: it is what the coarser grid left on the table.
"""

import argparse
import json
import statistics


def answers(path):
    out = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            record = json.loads(line)
            if record.get("type") == "position" and "answer" in record:
                out[record["id"]] = record
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("base")
    parser.add_argument("other")
    parser.add_argument("--label", default="")
    args = parser.parse_args()
    base, other = answers(args.base), answers(args.other)
    for objective, precision in (("win", 0.005), ("points", 0.02)):
        ids = [i for i in base if i in other and base[i]["objective"] == objective]
        if not ids:
            continue
        deltas = [other[i]["answer"]["best"]["value"] - base[i]["answer"]["best"]["value"]
                  for i in ids]
        same = sum(1 for i in ids
                   if (base[i]["answer"]["best"]["kind"], base[i]["answer"]["best"]["curl"])
                   == (other[i]["answer"]["best"]["kind"], other[i]["answer"]["best"]["curl"]))
        within = sum(1 for d in deltas if abs(d) <= precision)
        print(f"{args.label or args.other} ({objective}, {len(ids)} positions): value change "
              f"mean {statistics.mean(deltas):+.4f}, largest {max(deltas, key=abs):+.4f}; "
              f"{100 * within / len(ids):.0f}% within {precision}; "
              f"same kind and curl {100 * same / len(ids):.0f}%")
        worst = sorted(zip(deltas, ids), key=lambda x: -abs(x[0]))[:3]
        for d, i in worst:
            print(f"  {i}: {base[i]['answer']['best']['value']:.4f} -> "
                  f"{other[i]['answer']['best']['value']:.4f} ({d:+.4f})")


if __name__ == "__main__":
    main()
