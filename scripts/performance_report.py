#!/usr/bin/env python3
"""Measures the physics library and the engine's decisions in one run and
writes the performance report (docs/performance.md): simulator throughput
against the rigid-body (Box2D) baseline, instructions per delivery
(callgrind), the batch of many deliveries from one position against single
calls, the slowest of the hostile library calls, rest-point agreement
of both with the reference stepper, decision latency on GO, the engine's
bench, the strong search's speed (its own bench), a profile of the hot spots,
and each target met or not. Every number in the report
comes from this run; the hand-written analysis in docs/performance-notes.md
is appended as it stands.

    scripts/performance_report.py [--build DIR] [--doc FILE] [--notes FILE]
                                  [--agreement-scenes N] [--min-time S]
                                  [--no-profile] [--commit-note TEXT]
                                  [--compare-library DIR [--label TEXT]]
                                  [--compare-engine DIR [--engine-label TEXT]]
                                  [--strong-samples N]
                                  [--rounds N] [--stones N,N,...] [--decisions NAME,...]
                                  [--no-build]

With --compare-library, an earlier build of the library (a folder holding its
libCurlingSimulator.so, e.g. built from an earlier commit) is timed side by
side with this one, in alternating rounds of the same benchmark binary, and
its instructions per delivery are counted too: the report then has a section
on the gain, both sets of figures from the same run. With --compare-engine,
an earlier build's curling-engine (one that has `--strong bench`) runs the
strong engine's bench in alternating rounds with this build's, for the
strong search's simulations per CPU second side by side.

Configures and builds the release targets it needs if they are missing or
out of date (cmake, -j2), unless --no-build. --stones and --decisions narrow
the run to some of the delivery sets and decision positions (a quick check of
the script itself; the targets table then leaves out what was not measured).
"""

import argparse
import os
import time

import checkout
import machine
from performance import hot_spots, measurements, page, targets
from performance.measurements import log

TARGETS = ("curling-engine", "CurlingSimulator", "simulator_bench", "simulator_agreement",
           "simulator_cost", "decision_latency")


def parse_arguments():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--build", default=checkout.RELEASE_BUILD,
                   help="release build folder (configured with the release preset's settings "
                        "when it does not exist)")
    p.add_argument("--doc", default=os.path.join(checkout.ROOT, "docs", "performance.md"))
    p.add_argument("--notes", default=os.path.join(checkout.ROOT, "docs", "performance-notes.md"))
    p.add_argument("--agreement-scenes", type=int, default=32,
                   help="scenes per stone count and kind for the agreement tool")
    p.add_argument("--min-time", type=float, default=0.5,
                   help="Google Benchmark minimum time per library benchmark (s)")
    p.add_argument("--no-profile", action="store_true")
    p.add_argument("--commit-note", default=None,
                   help="what to report as the commit measured, when the build folder's sources "
                        "are not this checkout as it stands (e.g. an export of a commit)")
    p.add_argument("--compare-library", default=None, metavar="DIR",
                   help="folder of an earlier libCurlingSimulator.so to time side by side")
    p.add_argument("--label", default="earlier library",
                   help="what to call the earlier library in the report (e.g. its commit)")
    p.add_argument("--compare-engine", default=None, metavar="DIR",
                   help="folder of an earlier curling-engine (with --strong bench) to time the "
                        "strong search against")
    p.add_argument("--engine-label", default="earlier engine",
                   help="what to call the earlier engine in the report (e.g. its commit)")
    p.add_argument("--strong-samples", type=int, default=20000,
                   help="samples per position of the strong engine's bench")
    p.add_argument("--stones", type=stone_counts, default=None, metavar="N,N,...",
                   help="time and count only the delivery sets of these stone counts (default "
                        "all: " + ",".join(map(str, measurements.SET_STONES)) + ")")
    p.add_argument("--decisions", type=decision_positions, default=None, metavar="NAME,...",
                   help="time only these positions of decision_latency (default all: "
                        + ",".join(measurements.DECISION_POSITIONS) + ")")
    p.add_argument("--no-build", action="store_true",
                   help="measure the build's programs as they are, without building them")
    p.add_argument("--rounds", type=int, default=3,
                   help="rounds of the library's timing, alternating with the earlier library's "
                        "when there is one (the best round of each is kept)")
    args = p.parse_args()
    if args.compare_library is not None:
        library = os.path.join(args.compare_library, "libCurlingSimulator.so")
        if not os.path.isfile(library):
            p.error(f"--compare-library: no libCurlingSimulator.so in {args.compare_library}")
    if args.compare_engine is not None and not os.path.isfile(
            os.path.join(args.compare_engine, "curling-engine")):
        p.error(f"--compare-engine: no curling-engine in {args.compare_engine}")
    if args.strong_samples < 1:
        p.error("--strong-samples: at least 1")
    return args


def stone_counts(text):
    counts = [int(n) for n in text.split(",")]
    if not counts or any(n not in measurements.SET_STONES for n in counts):
        raise argparse.ArgumentTypeError(
            "stone counts of the delivery sets: " + ",".join(map(str, measurements.SET_STONES)))
    return counts


def decision_positions(text):
    names = text.split(",")
    if any(name not in measurements.DECISION_POSITIONS for name in names):
        raise argparse.ArgumentTypeError(
            "positions of decision_latency: " + ",".join(measurements.DECISION_POSITIONS))
    return names


def measure(args, bin_dir):
    """Every figure of the report but the profile, and the load averages
    before and after the timed part."""
    load_before = machine.load_average()
    ours, theirs = measurements.library_rounds(bin_dir, args.min_time, args.rounds,
                                               args.compare_library, args.stones)
    box2d = measurements.simulator_throughput(bin_dir, args.min_time,
                                              measurements.sets_pattern("Box2d", args.stones))
    batch = measurements.batch_rounds(bin_dir, args.min_time, args.rounds, args.stones)
    measured = {
        "throughput": {**box2d, **ours},
        "hostile": measurements.hostile_calls(bin_dir),
        "agree": measurements.agreement(bin_dir, args.agreement_scenes),
        "latency": measurements.decision_latency(bin_dir, args.decisions),
        "bench": measurements.engine_bench(bin_dir),
        "batch": {"rates": batch},
        "strong": measurements.strong_bench_rounds(bin_dir, args.strong_samples, args.rounds,
                                                   args.compare_engine),
    }
    if args.compare_library is not None:
        measured["compared"] = {"rates": (ours, theirs)}
    load_after = machine.load_average()
    stones = args.stones or measurements.SET_STONES
    measured["instructions"] = measurements.instructions_per_delivery(bin_dir, None, stones)
    measured["batch"]["instructions"] = measurements.batch_instructions(bin_dir, stones)
    if args.compare_library is not None:
        measured["compared"]["instructions"] = (
            measured["instructions"],
            measurements.instructions_per_delivery(bin_dir, args.compare_library, stones))
    return measured, (load_before, load_after)


def write_report(args, info, loads, measured, prof, elapsed):
    throughput, agree, latency = measured["throughput"], measured["agree"], measured["latency"]
    batch = measured.get("batch", {})
    lines = (page.machine_section(info, loads, elapsed)
             + targets.targets_section(info, throughput, agree, latency, measured["hostile"],
                                       batch.get("rates"), measured.get("strong"),
                                       args.engine_label)
             + page.throughput_section(args, throughput)
             + page.instructions_section(measured["instructions"])
             + page.batch_section(args, batch.get("rates", {}), batch.get("instructions", {}))
             + page.comparison_section(args, measured.get("compared"))
             + page.strong_section(args, measured.get("strong"))
             + page.hostile_section(measured["hostile"]) + page.agreement_section(args, agree)
             + page.latency_section(info, latency) + page.bench_section(measured["bench"])
             + page.profile_section(prof))
    if os.path.exists(args.notes):
        with open(args.notes) as f:
            notes = f.read().strip()
        lines += [notes, ""]

    with open(args.doc, "w") as f:
        f.write("\n".join(lines))
    log(f"wrote {args.doc}")


def main():
    args = parse_arguments()
    started = time.monotonic()
    info = machine.describe(args.commit_note)
    bin_dir = checkout.bin_dir(args.build) if args.no_build \
        else checkout.build_targets(args.build, TARGETS, log)
    measured, loads = measure(args, bin_dir)
    prof = {"tool": None} if args.no_profile else hot_spots.profiles(bin_dir)
    write_report(args, info, loads, measured, prof, time.monotonic() - started)


if __name__ == "__main__":
    main()
