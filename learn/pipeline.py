#!/usr/bin/env python3
"""The whole learning run, from the last stone of an end back to the first:
for shot 15, 14, ..., --first-shot, label --positions positions with
curling-learn (shot 15 by the exact count, the others judged by the network
trained so far), then train the network on every shot's data so far (warm
started from the last one; --epochs passes over one shot's worth of data)
and write it. The result is the weight file at
--out (the engine's built-in one is learn/models/value-network.bin).

  learn/pipeline.py --bin build/release/bin --work /tmp/learn --out value-network.bin
                    [--positions 2000] [--samples 8] [--epochs 10] [--seed 0]
                    [--threads 2] [--train-threads 1] [--first-shot 0] [--hidden 64,64]
                    [--hits firm|called] [--played FILE [--played-share 0.5]]

--hits picks the candidates' hits of the labelling search: firm (the default)
as `--strong` weighs them, called as the network of 2026-12-08 was trained.
--played takes a share of every shot's positions from played games
(learn/played_positions.py writes the file).
"""
import argparse
import shutil
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent


def run(command):
    print("pipeline: " + " ".join(str(c) for c in command), file=sys.stderr, flush=True)
    subprocess.run([str(c) for c in command], check=True)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", required=True, help="folder of curling-learn")
    parser.add_argument("--work", required=True, help="folder for the data and the networks")
    parser.add_argument("--out", required=True, help="the final weight file")
    parser.add_argument("--positions", type=int, default=2000, help="per shot number")
    parser.add_argument("--samples", type=int, default=8, help="deliveries per candidate")
    parser.add_argument("--epochs", type=int, default=10,
                        help="passes per stage over as many positions as one shot's data")
    parser.add_argument("--seed", type=int, default=0)
    parser.add_argument("--threads", type=int, default=2, help="threads of curling-learn")
    parser.add_argument("--train-threads", type=int, default=1,
                        help="PyTorch's threads (more rarely help a network this small)")
    parser.add_argument("--first-shot", type=int, default=0, choices=range(16))
    parser.add_argument("--hidden", default="64,64")
    parser.add_argument("--hits", choices=["firm", "called"], default="firm",
                        help="the labelling search's hits")
    parser.add_argument("--played", help="position file of played games")
    parser.add_argument("--played-share", type=float, default=0.5,
                        help="the share of each shot's positions taken from --played")
    args = parser.parse_args(argv)
    work = Path(args.work)
    work.mkdir(parents=True, exist_ok=True)
    learn = Path(args.bin) / "curling-learn"
    network = work / "value-network.bin"
    data = []
    start = time.time()
    try:
        for shot in range(15, args.first_shot - 1, -1):
            data.append(work / f"shot{shot:02d}.bin")
            run([learn, "generate", "--shot", shot, "--positions", args.positions,
                 "--samples", args.samples, "--seed", args.seed, "--threads", args.threads,
                 "--hits", args.hits, "--out", data[-1]]
                + (["--model", network] if shot < 15 else [])
                + (["--played", args.played, "--played-share", args.played_share]
                   if args.played else []))
            # Each stage trains on every shot's data so far, warm started: the
            # epochs shrink as the data grows, so that every stage costs about
            # the same and the earlier shots are not forgotten.
            epochs = max(1, round(args.epochs / len(data)))
            run([sys.executable, HERE / "train_value.py", "--data", *data, "--out", network,
                 "--hidden", args.hidden, "--epochs", epochs, "--seed", args.seed + shot,
                 "--threads", args.train_threads] + (["--init", network] if shot < 15 else []))
    except subprocess.CalledProcessError as e:
        print(f"pipeline: a step failed (exit {e.returncode}); {args.out} is not written",
              file=sys.stderr)
        return e.returncode if e.returncode else 1
    shutil.copyfile(network, args.out)
    print(f"pipeline: {args.out} written, {time.time() - start:.0f} s", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
