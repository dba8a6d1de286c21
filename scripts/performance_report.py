#!/usr/bin/env python3
"""Measures the physics library and the engine's decisions in one run and
writes the performance report (docs/performance.md): simulator throughput
against the rigid-body (Box2D) baseline, instructions per delivery
(callgrind), the slowest of the hostile library calls, rest-point agreement
of both with the reference stepper, decision latency on GO, the engine's
bench, a profile of the hot spots, and each target met or not. Every number in the report
comes from this run; the hand-written analysis in docs/performance-notes.md
is appended as it stands.

    scripts/performance_report.py [--build DIR] [--doc FILE] [--notes FILE]
                                  [--agreement-scenes N] [--min-time S]
                                  [--no-profile] [--commit-note TEXT]
                                  [--compare-library DIR [--label TEXT]]

With --compare-library, an earlier build of the library (a folder holding its
libCurlingSimulator.so, e.g. built from an earlier commit) is timed side by
side with this one, in alternating rounds of the same benchmark binary, and
its instructions per delivery are counted too: the report then has a section
on the gain, both sets of figures from the same run.

Configures and builds the release targets it needs if they are missing or
out of date (cmake, -j2).
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import machine

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TARGETS = ("curling-engine", "CurlingSimulator", "simulator_bench", "simulator_agreement",
           "simulator_cost", "decision_latency")

# Targets. Throughput is per core: Google Benchmark's items_per_second is
# taken over the benchmark thread's CPU time.
TARGET_DELIVERIES_PER_CORE = 1_000_000  # 8-stone set
TARGET_CROWDED_PER_CORE = 500_000       # 15-stone set
TARGET_EMPTY_DRAWS_PER_CORE = 5_000_000
TARGET_BASELINE_RATIO = 1000
TARGET_SHOT15_MS = 25.0
TARGET_SHOT14_MS = 500.0
TARGET_WORST_CALL_MS = 5.0  # the slowest hostile library call


def parse_arguments():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build", "release"),
                   help="release build folder (configured with the release preset's settings "
                        "when it does not exist)")
    p.add_argument("--doc", default=os.path.join(ROOT, "docs", "performance.md"))
    p.add_argument("--notes", default=os.path.join(ROOT, "docs", "performance-notes.md"))
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
    p.add_argument("--rounds", type=int, default=3,
                   help="rounds of the library's timing, alternating with the earlier library's "
                        "when there is one (the best round of each is kept)")
    args = p.parse_args()
    if args.compare_library is not None:
        library = os.path.join(args.compare_library, "libCurlingSimulator.so")
        if not os.path.isfile(library):
            p.error(f"--compare-library: no libCurlingSimulator.so in {args.compare_library}")
    return args


def log(message):
    print(f"[performance] {message}", file=sys.stderr, flush=True)


def run(command, **kwargs):
    log(" ".join(command))
    return subprocess.run(command, check=True, text=True, stdout=subprocess.PIPE, **kwargs).stdout


def build(folder):
    if not os.path.exists(os.path.join(folder, "CMakeCache.txt")):
        run(["cmake", "-S", ROOT, "-B", folder, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
             "-DCURLING_WERROR=ON"])
    run(["cmake", "--build", folder, "-j2", "--target", *TARGETS])
    return os.path.join(folder, "bin")


# ---------------------------------------------------------------- machine

def load_average():
    return "{:.2f} {:.2f} {:.2f}".format(*os.getloadavg())


# ---------------------------------------------------------------- measurements

def benchmark_json(command, env=None):
    out = run(command + ["--benchmark_format=json"], env=env)
    return json.loads(out)["benchmarks"]


def library_env(library_dir):
    """The environment that makes the benchmark binaries load the library in
    `library_dir` (None: the build's own, found through their run path)."""
    if library_dir is None:
        return None
    env = dict(os.environ)
    env["LD_LIBRARY_PATH"] = os.path.abspath(library_dir)
    return env


def simulator_throughput(bin_dir, min_time, pattern="BM_Library/|BM_Box2d/", library_dir=None):
    """{(engine, stones, kind): deliveries per second per core}"""
    rows = benchmark_json([os.path.join(bin_dir, "simulator_bench"),
                           f"--benchmark_filter={pattern}",
                           f"--benchmark_min_time={min_time}"], env=library_env(library_dir))
    result = {}
    for b in rows:
        m = re.match(r"BM_(Library|Box2d)/(\d+)/(\d+)", b["name"])
        if not m or "items_per_second" not in b:
            continue
        kind = "draws" if m.group(3) == "0" else "hits"
        result[(m.group(1), int(m.group(2)), kind)] = b["items_per_second"]
    return result


def agreement(bin_dir, scenes):
    """Rows of the agreement tool: {set: {column: value}}. The tool's own
    timing columns (deliveries per CPU second on the same scenes) are kept
    when it prints them."""
    out = run([os.path.join(bin_dir, "simulator_agreement"), str(scenes)])
    rows = {}
    for line in out.splitlines():
        m = re.match(r"(\d+ draws|\d+ hits|all)\s+([-\d.\s]+)$", line)
        if not m:
            continue
        values = m.group(2).split()
        if len(values) < 7:
            continue
        row = {
            "stones": int(values[0]),
            "lib_median": float(values[1]), "lib_p99": float(values[2]),
            "box_median": float(values[3]), "box_p99": float(values[4]),
            "lib_miss": int(values[5]), "box_miss": int(values[6]),
        }
        if len(values) >= 9:
            row["lib_rate"] = float(values[7])
            row["box_rate"] = float(values[8])
        rows[m.group(1)] = row
    return rows


def library_rounds(bin_dir, min_time, rounds, library_dir=None):
    """This build's library timed in `rounds` rounds, and the earlier one in
    `library_dir` (if any) in the rounds between, by the same benchmark; the
    best round of each: ({key: rate}, {key: rate})."""
    best = ({}, {})
    folders = (None,) if library_dir is None else (None, library_dir)
    for _ in range(rounds):
        for side, folder in enumerate(folders):
            for key, rate in simulator_throughput(bin_dir, min_time, "BM_Library/", folder).items():
                best[side][key] = max(rate, best[side].get(key, 0.0))
    return best


def instructions_per_delivery(bin_dir, library_dir=None):
    """{(stones, kind): instructions per delivery} from callgrind, counting only
    the function that plays a set's 256 scenes; {} without valgrind."""
    if shutil.which("valgrind") is None:
        return {}
    result = {}
    with tempfile.TemporaryDirectory() as tmp:
        for stones in (0, 4, 8, 15):
            for kind in ("draws", "hits"):
                out = os.path.join(tmp, "callgrind.out")
                command = ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}",
                           "--toggle-collect=*PlayDeliveries*",
                           os.path.join(bin_dir, "simulator_cost"), "deliveries", str(stones), kind]
                log(" ".join(command))
                done = subprocess.run(command, text=True, stdout=subprocess.PIPE,
                                      stderr=subprocess.PIPE, env=library_env(library_dir))
                m = re.search(r"Collected : (\d+)", done.stderr)
                n = re.search(r"(\d+) deliveries", done.stdout)
                if done.returncode == 0 and m and n:
                    result[(stones, kind)] = int(m.group(1)) / int(n.group(1))
    return result


def hostile_calls(bin_dir):
    """The timing of every hostile call (best of three runs each)."""
    out = run([os.path.join(bin_dir, "simulator_cost"), "hostile", "3"])
    result = {"output": out.rstrip("\n")}
    m = re.search(r"worst call: ([\d.]+) ms", out)
    if m:
        result["worst_ms"] = float(m.group(1))
    m = re.search(r"hostile calls: (\d+)", out)
    if m:
        result["calls"] = int(m.group(1))
    return result


def decision_latency(bin_dir):
    rows = benchmark_json([os.path.join(bin_dir, "decision_latency")])
    result = {}
    for b in rows:
        m = re.match(r"BM_Go/(\w+)", b["name"])
        if not m:
            continue
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
        result[m.group(1)] = {
            "label": b.get("label", ""),
            "wall_ms": b["real_time"] * scale,
            "cpu_ms": b.get("process_cpu_ms", 0.0),
            "iterations": b["iterations"],
            "simulations": b.get("simulations", 0.0),
            "calls": b.get("library_calls", 0.0),
            "candidates": int(b.get("candidates", 0)),
        }
    return result


def engine_bench(bin_dir):
    start = time.monotonic()
    out = run([os.path.join(bin_dir, "curling-engine"), "bench"])
    wall = time.monotonic() - start
    m = re.search(r"bench: (\d+) library calls, (\d+) ms\s*$", out)
    return {"output": out.rstrip("\n"), "calls": int(m.group(1)) if m else None,
            "ms": int(m.group(2)) if m else None, "process_wall_s": wall}


# ---------------------------------------------------------------- profile

def perf_usable():
    """perf with the hardware instruction counter, else with the software clock."""
    if shutil.which("perf") is None:
        return None
    probe = subprocess.run(["perf", "stat", "-x,", "-e", "instructions", "true"], text=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if probe.returncode == 0 and "not supported" not in probe.stderr \
            and "not counted" not in probe.stderr:
        return "cycles"
    probe = subprocess.run(["perf", "record", "-e", "cpu-clock", "-o", os.devnull, "true"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return "cpu-clock" if probe.returncode == 0 else None


def perf_profile(event, command, sort, limit):
    with tempfile.TemporaryDirectory() as tmp:
        data = os.path.join(tmp, "perf.data")
        subprocess.run(["perf", "record", "-q", "-e", event, "-o", data, "--", *command],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        report = subprocess.run(["perf", "report", "-i", data, "--no-children", "--stdio",
                                 "--sort", sort, "--percent-limit", "0.5"],
                                text=True, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL).stdout
    rows = []
    for line in report.splitlines():
        m = re.match(r"\s*([\d.]+)%\s+(.*)$", line)
        if m:
            where = re.sub(r"(\s+-)+\s*$", "", m.group(2))  # perf's empty columns
            rows.append((float(m.group(1)), re.sub(r"\s+", " ", where).strip()))
    return rows[:limit]


def callgrind_profile(command, limit):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "callgrind.out")
        subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", *command],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        report = subprocess.run(["callgrind_annotate", out], text=True,
                                stdout=subprocess.PIPE).stdout
    rows = []
    total = None
    for line in report.splitlines():
        m = re.match(r"\s*([\d,]+)\s+\(\s*([\d.]+)%\)\s+(.*)$", line)
        if m and total is not None:
            rows.append((float(m.group(2)), m.group(3).strip()))
        elif "PROGRAM TOTALS" in line:
            total = line
    return rows[:limit]


def profiles(bin_dir):
    tool = perf_usable()
    eight_stones = [os.path.join(bin_dir, "simulator_bench"),
                    "--benchmark_filter=BM_Library/8/", "--benchmark_min_time=0.5"]
    bench = [os.path.join(bin_dir, "curling-engine"), "bench"]
    if tool is not None:
        log(f"profiling with perf ({tool})")
        return {
            "tool": f"perf record -e {tool} (sampled)",
            "library": perf_profile(tool, eight_stones, "dso,symbol", 15),
            "bench_dso": perf_profile(tool, bench, "dso", 6),
            "bench": perf_profile(tool, bench, "dso,symbol", 15),
        }
    if shutil.which("valgrind") is not None:
        log("profiling with callgrind")
        small = [os.path.join(bin_dir, "simulator_bench"), "--benchmark_filter=BM_Library/8/",
                 "--benchmark_min_time=0.01"]
        return {"tool": "valgrind --tool=callgrind (instructions)",
                "library": callgrind_profile(small, 15), "bench_dso": [], "bench": []}
    return {"tool": None}


# ---------------------------------------------------------------- report

def fmt_rate(x):
    return f"{x:,.0f}"


def fmt_ms(x):
    return f"{x:.3f}" if x >= 1 else f"{x:.4g}"


def verdict(met, how):
    return ("**met**" if met else "**not met**") + f" ({how})"


def machine_section(info, loads, elapsed):
    lines = []
    add = lines.append
    add("# Performance")
    add("")
    add("Produced by `scripts/performance_report.py` from one run; every figure below comes from "
        "that run. Rerun the script to refresh it.")
    add("")
    add("## Machine")
    add("")
    add("| | |")
    add("|---|---|")
    add(f"| run started | {info['started']} |")
    add(f"| commit | {info['revision']} |")
    add(f"| CPU | {info['model']} |")
    add(f"| cores (nproc) | {info['nproc']} |")
    add(f"| kernel | {info['kernel']} |")
    add(f"| load average (1, 5, 15 min) before | {loads[0]} |")
    add(f"| load average after | {loads[1]} |")
    add(f"| run time of the script | {elapsed:.0f} s |")
    add("")
    cores = info["nproc"] or 1
    add("The machine is shared: a load average above the core count means other processes "
        "competed for the cores during the run. Throughput is measured in CPU time and suffers "
        "little from that; wall times (decision latency) suffer directly, so the latency table "
        "also gives each decision's CPU time over all threads and the wall time it could take at "
        f"best if all {cores} cores were free for it (CPU time / {cores}, perfect sharing).")
    add("")
    return lines


def harmonic_set_rate(throughput, engine, stones=8):
    """Deliveries per second of a set: draws and hits in equal numbers."""
    draws, hits = (throughput.get((engine, stones, kind)) for kind in ("draws", "hits"))
    return 2.0 / (1.0 / draws + 1.0 / hits) if draws and hits else None


def rate_target_row(name, rate, target, detail):
    short = f"; {target / rate:.2f}x short" if rate < target else ""
    return (f"| >= {fmt_rate(target)} deliveries/s/core {name} | {fmt_rate(rate)} /s/core"
            f"{detail} | " + verdict(rate >= target, f"{rate / target:.2f}x the target" + short)
            + " |")


def agreement_no_worse(agree):
    """Whether the library agrees with the reference at least as well as Box2D."""
    row = agree.get("all")
    if not row:
        return None
    return (row["lib_median"] <= row["box_median"] and row["lib_p99"] <= row["box_p99"]
            and row["lib_miss"] <= row["box_miss"])


def throughput_target_rows(throughput, agree):
    rows = []
    set_rate = harmonic_set_rate(throughput, "Library")
    for stones, target in ((8, TARGET_DELIVERIES_PER_CORE), (15, TARGET_CROWDED_PER_CORE)):
        rate = harmonic_set_rate(throughput, "Library", stones)
        if rate:
            draws, hits = (throughput[("Library", stones, kind)] for kind in ("draws", "hits"))
            rows.append(rate_target_row(f"on the {stones}-stone set", rate, target,
                                        f" (draws {fmt_rate(draws)}, hits {fmt_rate(hits)})"))
    empty = throughput.get(("Library", 0, "draws"))
    if empty:
        rows.append(rate_target_row("for draws on an empty sheet", empty,
                                    TARGET_EMPTY_DRAWS_PER_CORE, ""))
    ratios = [rate / throughput[("Box2d", stones, kind)]
              for (engine, stones, kind), rate in throughput.items()
              if engine == "Library" and ("Box2d", stones, kind) in throughput]
    if ratios:
        worst = min(ratios)
        box_set = harmonic_set_rate(throughput, "Box2d")
        ratio8 = set_rate / box_set if set_rate and box_set else None
        better = agreement_no_worse(agree)
        agreement_text = ("agreement not measured" if better is None
                          else "agreement equal or better" if better
                          else "agreement NOT equal or better")
        rows.append(
            f"| >= {TARGET_BASELINE_RATIO:,}x the Box2D baseline at equal or better agreement "
            f"| 8-stone set {ratio8:,.0f}x; lowest over all sets {worst:,.0f}x; {agreement_text} "
            "| " + verdict(worst >= TARGET_BASELINE_RATIO and bool(better),
                           f"lowest ratio {worst / TARGET_BASELINE_RATIO:,.1f}x the target") + " |")
    return rows


def latency_target_rows(latency, cores):
    rows = []
    for key, limit, name in (("worst_shot15", TARGET_SHOT15_MS, "worst shot-15 decision"),
                             ("worst_shot14", TARGET_SHOT14_MS, "worst shot-14 decision")):
        r = latency.get(key)
        if not r:
            continue
        idle = r["cpu_ms"] / cores
        how = (f"{r['wall_ms'] / limit:.2f}x the limit" if r["wall_ms"] >= limit
               else f"{limit / r['wall_ms']:.2f}x under the limit")
        if r["wall_ms"] >= limit and idle < limit:
            how += "; within the limit on free cores at best"
        rows.append(f"| {name} < {limit:g} ms | {r['wall_ms']:.1f} ms wall ({r['candidates']} "
                    f"candidates); at best {idle:.1f} ms on {cores} free cores (CPU time / "
                    f"{cores}) | " + verdict(r["wall_ms"] < limit, how) + " |")
    return rows


def worst_call_target_rows(hostile):
    if "worst_ms" not in hostile:
        return []
    worst = hostile["worst_ms"]
    return [f"| slowest library call < {TARGET_WORST_CALL_MS:g} ms (hostile set) | {worst:.3f} ms "
            f"(best of three runs of each of {hostile.get('calls', 0):,} calls) | "
            + verdict(worst < TARGET_WORST_CALL_MS,
                      f"{TARGET_WORST_CALL_MS / worst:.1f}x under the limit" if worst > 0 else "")
            + " |"]


def targets_section(info, throughput, agree, latency, hostile):
    return (["## Targets", "", "| target | measured | verdict |", "|---|---|---|"]
            + throughput_target_rows(throughput, agree) + worst_call_target_rows(hostile)
            + latency_target_rows(latency, info["nproc"] or 1) + [""])


def throughput_section(args, throughput):
    lines = []
    add = lines.append
    add("## Simulator throughput")
    add("")
    add("`simulator_bench`: deliveries per second per core (CPU time of the benchmark thread), "
        "the same seeded scenes for both, random error 0.145, library through its C exports, "
        f"the best of {args.rounds} rounds (Box2D: one). "
        "The 8-stone set in the targets is its draws and hits in equal numbers (the harmonic "
        "mean of the two rates).")
    add("")
    add("| stones | shots | library /s/core | Box2D /s/core | ratio |")
    add("|---:|---|---:|---:|---:|")
    for stones in sorted({s for (_, s, _) in throughput}):
        for kind in ("draws", "hits"):
            lib = throughput.get(("Library", stones, kind))
            box = throughput.get(("Box2d", stones, kind))
            if lib is None:
                continue
            ratio = f"{lib / box:,.0f}x" if box else "-"
            box_text = f"{box:,.1f}" if box else "-"
            add(f"| {stones} | {kind} | {fmt_rate(lib)} | {box_text} | {ratio} |")
    add("")
    return lines


def instructions_section(instructions):
    if not instructions:
        return []
    lines = ["## Instructions per delivery", "",
             "`valgrind --tool=callgrind --toggle-collect='*PlayDeliveries*' simulator_cost "
             "deliveries STONES draws|hits`: instructions executed per delivery (library and "
             "maths library together) over the 256 scenes of each set, random error 0.145, "
             "once the tables built on first use exist. Counts do not depend on the machine's "
             "load; a change that lowers them and the times above in one run is a real gain.",
             "", "| stones | draws | hits |", "|---:|---:|---:|"]
    for stones in (0, 4, 8, 15):
        draws = instructions.get((stones, "draws"))
        hits = instructions.get((stones, "hits"))
        if draws is None or hits is None:
            continue
        lines.append(f"| {stones} | {draws:,.0f} | {hits:,.0f} |")
    return lines + [""]


def comparison_section(args, compared):
    if compared is None:
        return []
    (ours, theirs), (ours_ir, theirs_ir) = compared["rates"], compared["instructions"]
    lines = ["## Against the " + args.label, "",
             f"The {args.label} (`{args.compare_library}`) and this build's library, timed by "
             f"the same `simulator_bench` in {args.rounds} alternating rounds (the best round of "
             "each; this library's figures are those of the tables above), and their "
             "instructions per delivery counted the same way: the ratios hold for this machine "
             "as it was during the run, whatever its load.", "",
             "| stones | shots | this /s/core | earlier /s/core | speed-up | this instructions "
             "| earlier instructions | ratio |", "|---:|---|---:|---:|---:|---:|---:|---:|"]
    for (_, stones, kind) in sorted(ours, key=lambda k: (k[1], k[2])):
        new, old = ours[("Library", stones, kind)], theirs.get(("Library", stones, kind))
        new_ir, old_ir = ours_ir.get((stones, kind)), theirs_ir.get((stones, kind))
        speed_up = f"{new / old:.2f}x" if old else "-"
        ir = (f"{new_ir:,.0f} | {old_ir:,.0f} | {old_ir / new_ir:.2f}x" if new_ir and old_ir
              else "- | - | -")
        lines.append(f"| {stones} | {kind} | {fmt_rate(new)} | "
                     f"{fmt_rate(old) if old else '-'} | {speed_up} | {ir} |")
    return lines + [""]


def hostile_section(hostile):
    return ["## Slowest library calls", "",
            "`simulator_cost hostile 3`: every call of the hostile set (support/hostile_inputs: "
            "stones on and around the delivery point, sixteen stones on one spot, packed houses "
            "touching and overlapping by 0.9 mm, chains of touching stones, stones on the lines, "
            "random sheets and random bytes, met by deliveries of every direction and speed "
            "from 0.02 to 30 m/s and non-finite ones, with errors 0 and 0.145) through "
            "`Simulation`, each timed as the best of three runs.", "", "```", hostile["output"],
            "```", ""]


def agreement_section(args, agree):
    lines = []
    add = lines.append
    add("## Rest-point agreement with the reference stepper")
    add("")
    add(f"`simulator_agreement {args.agreement_scenes}`: distance in millimetres between each "
        "moved stone's rest point and the reference stepper's, no random error; misses count "
        "stones in play in one result and out of play in the other.")
    add("")
    timed = all("lib_rate" in r for r in agree.values()) and agree
    add("| scenes | stones compared | library median | library p99 | Box2D median | Box2D p99 "
        "| library misses | Box2D misses |" + (" library /s | Box2D /s | ratio |" if timed else ""))
    add("|---|---:|---:|---:|---:|---:|---:|---:|" + ("---:|---:|---:|" if timed else ""))
    for name, r in agree.items():
        row = (f"| {name} | {r['stones']} | {r['lib_median']:.4f} | {r['lib_p99']:.4f} | "
               f"{r['box_median']:.2f} | {r['box_p99']:.2f} | {r['lib_miss']} | {r['box_miss']} |")
        if timed:
            row += (f" {fmt_rate(r['lib_rate'])} | {r['box_rate']:,.1f} | "
                    f"{r['lib_rate'] / r['box_rate']:,.0f}x |")
        add(row)
    add("")
    if timed:
        add("The last three columns are the agreement tool's own timing (deliveries per CPU "
            "second, random error 0.145) on the very scenes it compared: the speed ratio at the "
            "agreement shown in the same row.")
        add("")
    return lines


def latency_section(info, latency):
    lines = []
    add = lines.append
    cores = info["nproc"] or 1
    add("## Decision latency (GO)")
    add("")
    add("`decision_latency`: the engine's decision in process against the real library, seed "
        "fixed (the decision alone, no reply texts). Wall time per decision (mean over the "
        "iterations); CPU time summed over all threads of the process.")
    add("")
    add(f"| position | candidates | simulations | library calls | wall ms | CPU ms | "
        f"wall ms at best on {cores} free cores | iterations |")
    add("|---|---:|---:|---:|---:|---:|---:|---:|")
    for key in ("shot0", "mid_end", "worst_shot14", "worst_shot15"):
        r = latency.get(key)
        if not r:
            continue
        add(f"| {r['label']} | {r['candidates'] or '-'} | {r['simulations']:,.0f} | "
            f"{r['calls']:,.0f} | {fmt_ms(r['wall_ms'])} | {fmt_ms(r['cpu_ms'])} | "
            f"{fmt_ms(r['cpu_ms'] / cores)} | {r['iterations']} |")
    add("")
    return lines


def bench_section(bench):
    lines = []
    add = lines.append
    add("## `curling-engine bench`")
    add("")
    add("`curling-engine bench` loads the library as the engine always does, fixes its random "
        "seed through the optional `SetRandomSeed` export (and says so when the library has "
        "none), runs the fixed bench positions in order through the real decision, collecting "
        "the reply texts in memory, and prints per position the library calls, the wall time "
        "and the reply; then the calls by export and, last, `bench: N library calls, T ms`. "
        "With the seed fixed the count is deterministic (every worker thread starts its own "
        "count of random draws afresh, and the positions run in a fixed order on the main "
        "thread), so a changed count means changed behaviour; "
        "`tests/engine/bench_command_test.cpp` pins it. Without arguments the engine is the "
        "protocol program; any other argument prints the usage and exits with code 2.")
    add("")
    add("```")
    add(bench["output"])
    add("```")
    add("")
    return lines


def profile_section(prof):
    lines = []
    add = lines.append
    if not prof.get("tool"):
        return lines
    add("## Profile")
    add("")
    add(f"Tool: {prof['tool']}. Share of the samples, by function (self time).")
    add("")
    for key, title in (("library", "Library, 8-stone scenes (`simulator_bench`)"),
                       ("bench_dso", "`curling-engine bench`, by object"),
                       ("bench", "`curling-engine bench`, by function")):
        rows = prof.get(key) or []
        if not rows:
            continue
        add(f"**{title}**")
        add("")
        add("| share | where |")
        add("|---:|---|")
        for share, where in rows:
            add(f"| {share:.1f}% | `{where}` |")
        add("")
    return lines


def write_report(args, info, loads, measured, prof, elapsed):
    throughput, agree, latency = measured["throughput"], measured["agree"], measured["latency"]
    lines = (machine_section(info, loads, elapsed)
             + targets_section(info, throughput, agree, latency, measured["hostile"])
             + throughput_section(args, throughput) + instructions_section(measured["instructions"])
             + comparison_section(args, measured.get("compared"))
             + hostile_section(measured["hostile"]) + agreement_section(args, agree)
             + latency_section(info, latency) + bench_section(measured["bench"])
             + profile_section(prof))
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
    bin_dir = build(args.build)
    load_before = load_average()
    ours, theirs = library_rounds(bin_dir, args.min_time, args.rounds, args.compare_library)
    measured = {
        "throughput": {**simulator_throughput(bin_dir, args.min_time, "BM_Box2d/"), **ours},
        "hostile": hostile_calls(bin_dir),
        "agree": agreement(bin_dir, args.agreement_scenes),
        "latency": decision_latency(bin_dir),
        "bench": engine_bench(bin_dir),
    }
    if args.compare_library is not None:
        measured["compared"] = {"rates": (ours, theirs)}
    load_after = load_average()
    measured["instructions"] = instructions_per_delivery(bin_dir)
    if args.compare_library is not None:
        measured["compared"]["instructions"] = (
            measured["instructions"], instructions_per_delivery(bin_dir, args.compare_library))
    prof = {"tool": None} if args.no_profile else profiles(bin_dir)
    write_report(args, info, (load_before, load_after), measured, prof,
                 time.monotonic() - started)


if __name__ == "__main__":
    main()
