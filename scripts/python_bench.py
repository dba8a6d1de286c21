#!/usr/bin/env python3
"""Deliveries per CPU second of the Python package beside the library's own
single-thread loop, in one run on the same scenes (the benchmark's 8-stone
draws and hits, random error 0.145):

- the library: bench/library_loop, a C++ loop over the C export Simulation,
  cycling over the scenes as bench/simulator_bench does, and playing each
  scene BATCH times in a row as the batch calls below do;
- curling.simulate_many, threads=1 (and threads=2 on calls of 8 times as
  many deliveries, per CPU second of both threads, so that the figure shows
  what threading costs, not how busy the machine's other core was);
- a plain Python loop over curling.simulate, seeded and unseeded.

Rounds alternate between the callers so that a busy machine slows all of
them alike; each figure is the median of its rounds, and a set's rate is the
harmonic mean of its draws and hits (equal numbers of each), as in
docs/performance.md. Prints a Markdown report with the machine's figures.

    /usr/bin/python3 scripts/python_bench.py [--build DIR] [--rounds N] [--seconds S]
                                             [--no-build]

Builds the package and library_loop first (cmake, -j2) unless --no-build.
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

import checkout
import machine
from delivery_sets import set_rate

STONES = 8
BATCH = 64  # deliveries per simulate_many call: one scene, BATCH random errors


def parse_arguments():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--build", default=checkout.RELEASE_BUILD)
    p.add_argument("--rounds", type=int, default=5)
    p.add_argument("--seconds", type=float, default=1.0, help="CPU seconds per kind per round")
    p.add_argument("--no-build", action="store_true",
                   help="use the build's package and library_loop as they are")
    return p.parse_args()


def log(message):
    print(f"[python-bench] {message}", file=sys.stderr, flush=True)


def load_scenes(bin_dir, curling):
    """{"draws": [(state, shot)], "hits": [...]} from library_loop's scenes."""
    text = subprocess.run([os.path.join(bin_dir, "library_loop"), "scenes", str(STONES)],
                          check=True, capture_output=True, text=True).stdout
    scenes = {"draws": [], "hits": []}
    for line in text.splitlines():
        words = line.split()
        stones = [[float(words[5 + 2 * i]), float(words[6 + 2 * i])] for i in range(16)]
        state = curling.GameState(stones=stones, shot=int(words[1]))
        shot = (float(words[2]), float(words[3]), int(words[4]))
        scenes["draws" if words[0] == "draw" else "hits"].append((state, shot))
    return scenes


def library_rates(bin_dir, seconds, repeats):
    out = subprocess.run([os.path.join(bin_dir, "library_loop"), "run", str(STONES),
                          str(seconds), str(repeats)],
                         check=True, capture_output=True, text=True).stdout
    return {kind: float(rate) for kind, rate in (line.split() for line in out.splitlines())}


def per_second(seconds, clock, one_pass):
    """Runs one_pass() (returning its deliveries) for `seconds` of `clock`."""
    deliveries, start = 0, clock()
    while clock() - start < seconds:
        deliveries += one_pass()
    return deliveries / (clock() - start)


def batch_rate(curling, scenes, seconds, threads=1, n=BATCH):
    def one_pass():
        for seed, (state, shot) in enumerate(scenes):
            curling.simulate_many(state, shot, n=n, error=curling.MATCH_ERROR, seed=seed,
                                  threads=threads)
        return n * len(scenes)
    return per_second(seconds, time.process_time, one_pass)


def loop_rate(curling, scenes, seconds, seeded):
    def one_pass():
        for counter, (state, shot) in enumerate(scenes):
            if seeded:
                curling.simulate(state, shot, curling.MATCH_ERROR, seed=1, counter=counter)
            else:
                curling.simulate(state, shot, curling.MATCH_ERROR)
        return len(scenes)
    return per_second(seconds, time.process_time, one_pass)


def harmonic(rates):
    return set_rate(rates["draws"], rates["hits"])


def measure(curling, bin_dir, scenes, rounds, seconds):
    library = {"library loop (C++, C exports)": 1,
               f"library loop, each scene {BATCH} times in a row": BATCH}
    callers = {
        **{name: None for name in library},
        "simulate_many, threads=1": lambda kind: batch_rate(curling, scenes[kind], seconds),
        "Python loop over simulate(seed=...)":
            lambda kind: loop_rate(curling, scenes[kind], seconds / 2, True),
        "Python loop over simulate()":
            lambda kind: loop_rate(curling, scenes[kind], seconds / 2, False),
        f"simulate_many, threads=2, n={8 * BATCH} (per CPU second of both threads)":
            lambda kind: batch_rate(curling, scenes[kind], seconds, threads=2, n=8 * BATCH),
    }
    samples = {name: {"draws": [], "hits": []} for name in callers}
    for r in range(rounds):
        log(f"round {r + 1} of {rounds}")
        for name, rate in callers.items():
            if rate is None:
                rates = library_rates(bin_dir, seconds, library[name])
            else:
                rates = {kind: rate(kind) for kind in ("draws", "hits")}
            for kind in ("draws", "hits"):
                samples[name][kind].append(rates[kind])
    return {name: {kind: statistics.median(v) for kind, v in kinds.items()}
            for name, kinds in samples.items()}


def report(figures, about, args, load_before, load_after):
    library = harmonic(figures["library loop (C++, C exports)"])
    same_pattern = harmonic(figures[f"library loop, each scene {BATCH} times in a row"])
    lines = [
        "| | |", "|---|---|",
        f"| run started | {about['started']} |", f"| commit | {about['revision']} |",
        f"| CPU | {about['model']} |", f"| cores (nproc) | {about['nproc']} |",
        f"| kernel | {about['kernel']} |", f"| Python | {sys.version.split()[0]} |",
        "| load average before / after | {} / {} |".format(load_before, load_after),
        f"| rounds x CPU seconds per kind | {args.rounds} x {args.seconds} |", "",
        "| caller | draws /s | hits /s | 8-stone set /s | of the library |",
        "|---|---:|---:|---:|---:|",
    ]
    for name, rates in figures.items():
        mean = harmonic(rates)
        lines.append(f"| {name} | {rates['draws']:,.0f} | {rates['hits']:,.0f} | "
                     f"{mean:,.0f} | {mean / library:.2f}x |")
    batch = harmonic(figures["simulate_many, threads=1"])
    ratio = min(batch / library, batch / same_pattern)
    lines += ["", f"simulate_many (threads=1) reaches {batch / library:.0%} of the library's "
              f"single-thread loop and {batch / same_pattern:.0%} of the loop that plays the "
              f"scenes in the same order (target 80%: {'met' if ratio >= 0.8 else 'not met'})."]
    return "\n".join(lines)


def main():
    args = parse_arguments()
    if not args.no_build:
        checkout.build_targets(args.build, ("_curling", "library_loop"), log)
    sys.path.insert(0, os.path.join(args.build, "python"))
    import curling
    bin_dir = checkout.bin_dir(args.build)
    about = machine.describe()
    load_before = machine.load_average()
    figures = measure(curling, bin_dir, load_scenes(bin_dir, curling), args.rounds, args.seconds)
    load_after = machine.load_average()
    print(report(figures, about, args, load_before, load_after))


if __name__ == "__main__":
    main()
