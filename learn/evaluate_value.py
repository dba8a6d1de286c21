#!/usr/bin/env python3
"""How well a value network fits labelled positions, per shot number: the
cross-entropy of its distributions against the labels, beside the two
bounds that make it readable: the labels' own entropy (a perfect fit) and
the loss of predicting every shot's average label (a network that ignores
the stones). Needs numpy only.

  learn/evaluate_value.py --model NET --data FILE [FILE ...]

Label positions for it with another seed than the training's (curling-learn
generate --seed), so that they are held out.
"""
import argparse
import sys
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent))
import value_file  # noqa: E402


def predict(layers, x):
    for i, (w, b) in enumerate(layers):
        x = x @ w.T + b
        if i + 1 < len(layers):
            x = np.maximum(x, 0.0)
    x = x - x.max(axis=1, keepdims=True)
    p = np.exp(x)
    return p / p.sum(axis=1, keepdims=True)


def cross_entropy(labels, p):
    return float(-(labels * np.log(np.clip(p, 1e-12, 1.0))).sum(axis=1).mean())


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--model", required=True)
    parser.add_argument("--data", nargs="+", required=True)
    args = parser.parse_args(argv)
    try:
        layers = value_file.read_network(args.model)
        parts = [value_file.read_data(p) for p in args.data]
    except (OSError, ValueError) as e:
        print(f"evaluate_value: {e}", file=sys.stderr)
        return 2
    x = np.concatenate([p[0] for p in parts]).astype(np.float64)
    y = np.concatenate([p[1] for p in parts]).astype(np.float64)
    shots = np.concatenate([p[2] for p in parts])
    p = predict([(w.astype(np.float64), b.astype(np.float64)) for w, b in layers], x)
    points = np.arange(value_file.LOWEST_RESULT, value_file.LOWEST_RESULT + value_file.RESULTS)
    print("| shot | positions | network loss | label entropy | average-label loss "
          "| mean result: labels | network |")
    print("|---:|---:|---:|---:|---:|---:|---:|")
    for shot in sorted(set(shots.tolist()), reverse=True):
        m = shots == shot
        average = np.broadcast_to(y[m].mean(axis=0), y[m].shape)
        print(f"| {shot} | {m.sum()} | {cross_entropy(y[m], p[m]):.3f} "
              f"| {cross_entropy(y[m], y[m]):.3f} | {cross_entropy(y[m], average):.3f} "
              f"| {(y[m] @ points).mean():+.2f} | {(p[m] @ points).mean():+.2f} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
