"""The performance report's measurements: each runs one of the release
build's benchmark programs and reads its figures from what it prints."""

import atexit
import functools
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SET_STONES = (0, 4, 8, 15)  # the stone counts of the benchmark's delivery sets
# The positions decision_latency times, in the order the report lists them.
DECISION_POSITIONS = ("shot0", "mid_end", "worst_shot14", "worst_shot15")


def log(message):
    print(f"[performance] {message}", file=sys.stderr, flush=True)


def run(command, **kwargs):
    log(" ".join(command))
    return subprocess.run(command, check=True, text=True, stdout=subprocess.PIPE, **kwargs).stdout


def benchmark_json(command, env=None):
    out = run(command + ["--benchmark_format=json"], env=env)
    return json.loads(out)["benchmarks"]


def library_env(library_dir, bin_dir):
    """The environment that makes the benchmark binaries of `bin_dir` load the
    library in `library_dir` (None: the build's own, found through their run
    path)."""
    if library_dir is None:
        return None
    env = dict(os.environ)
    env["LD_LIBRARY_PATH"] = library_folder(os.path.abspath(library_dir), os.path.abspath(bin_dir))
    return env


@functools.lru_cache(maxsize=None)
def library_folder(library_dir, bin_dir):
    """A folder where the binaries of `bin_dir` find the library of
    `library_dir`. They ask for it by its soname, the name their own bare
    libCurlingSimulator.so links to (libCurlingSimulator.so.N): an earlier
    library without that name is offered under it from a scratch folder, or
    the loader would pass over it to the build's own."""
    link = os.path.join(bin_dir, "libCurlingSimulator.so")
    if not os.path.islink(link):
        return library_dir
    soname = os.path.basename(os.readlink(link))
    if os.path.exists(os.path.join(library_dir, soname)):
        return library_dir
    folder = tempfile.mkdtemp(prefix="curling-earlier-library-")
    atexit.register(shutil.rmtree, folder, True)
    earlier = os.path.realpath(os.path.join(library_dir, "libCurlingSimulator.so"))
    for name in ("libCurlingSimulator.so", soname):
        os.symlink(earlier, os.path.join(folder, name))
    return folder


def sets_pattern(engine, stones=None):
    """simulator_bench's filter for one engine's (Library, Box2d) delivery
    sets: all of them, or those of the stone counts in `stones`."""
    if stones is None:
        return f"BM_{engine}/"
    return f"BM_{engine}/({'|'.join(str(n) for n in stones)})/"


def simulator_throughput(bin_dir, min_time, pattern="BM_Library/|BM_Box2d/", library_dir=None):
    """{(engine, stones, kind): deliveries per second per core}"""
    rows = benchmark_json([os.path.join(bin_dir, "simulator_bench"),
                           f"--benchmark_filter={pattern}",
                           f"--benchmark_min_time={min_time}"], env=library_env(library_dir, bin_dir))
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


def library_rounds(bin_dir, min_time, rounds, library_dir=None, stones=None):
    """This build's library timed in `rounds` rounds, and the earlier one in
    `library_dir` (if any) in the rounds between, by the same benchmark, on
    the sets of `stones` (default all); the best round of each:
    ({key: rate}, {key: rate})."""
    best = ({}, {})
    folders = (None,) if library_dir is None else (None, library_dir)
    for _ in range(rounds):
        for side, folder in enumerate(folders):
            rates = simulator_throughput(bin_dir, min_time, sets_pattern("Library", stones), folder)
            for key, rate in rates.items():
                best[side][key] = max(rate, best[side].get(key, 0.0))
    return best


def counted_per_delivery(bin_dir, arguments, library_dir=None):
    """Instructions per delivery of `simulator_cost ARGUMENTS` under callgrind,
    counting only its PlayDeliveries; None if the run fails."""
    with tempfile.TemporaryDirectory() as tmp:
        command = ["valgrind", "--tool=callgrind",
                   f"--callgrind-out-file={os.path.join(tmp, 'callgrind.out')}",
                   "--toggle-collect=*PlayDeliveries*",
                   os.path.join(bin_dir, "simulator_cost")] + arguments
        log(" ".join(command))
        done = subprocess.run(command, text=True, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, env=library_env(library_dir, bin_dir))
    m = re.search(r"Collected : (\d+)", done.stderr)
    n = re.search(r"(\d+) deliveries", done.stdout)
    if done.returncode != 0 or not m or not n:
        return None
    return int(m.group(1)) / int(n.group(1))


def counted_runs(bin_dir, runs, library_dir=None):
    """{key: instructions per delivery} of each of `runs` ({key: arguments of
    simulator_cost}) under callgrind; {} without valgrind."""
    if shutil.which("valgrind") is None:
        return {}
    counted = {key: counted_per_delivery(bin_dir, arguments, library_dir)
               for key, arguments in runs.items()}
    return {key: value for key, value in counted.items() if value is not None}


def instructions_per_delivery(bin_dir, library_dir=None, stones=SET_STONES):
    """{(stones, kind): instructions per delivery} from callgrind, counting only
    the function that plays a set's 256 scenes, for the sets of `stones`."""
    return counted_runs(bin_dir, {(count, kind): ["deliveries", str(count), kind]
                                  for count in stones for kind in ("draws", "hits")},
                        library_dir)


def batch_rounds(bin_dir, min_time, rounds, stones=None):
    """Many deliveries from one position, by single calls and by the batch,
    timed side by side in each of `rounds` runs of simulator_bench, the best
    round of each: {(way, stones, kind): deliveries per second per core},
    way "Single" or "Batch"."""
    counts = stones or SET_STONES
    pattern = f"BM_(Single|Batch)/({'|'.join(str(n) for n in counts)})/"
    best = {}
    for _ in range(rounds):
        rows = benchmark_json([os.path.join(bin_dir, "simulator_bench"),
                               f"--benchmark_filter={pattern}",
                               f"--benchmark_min_time={min_time}"])
        for b in rows:
            m = re.match(r"BM_(Single|Batch)/(\d+)/(\d+)", b["name"])
            if not m or "items_per_second" not in b:
                continue
            key = (m.group(1), int(m.group(2)), "draws" if m.group(3) == "0" else "hits")
            best[key] = max(b["items_per_second"], best.get(key, 0.0))
    return best


def batch_instructions(bin_dir, stones=SET_STONES):
    """{(way, stones, kind): instructions per delivery} from callgrind, of the
    deliveries from the sets' positions by single calls and by the batch."""
    return counted_runs(bin_dir, {(way.capitalize(), count, kind):
                                  ["positions", str(count), kind, way]
                                  for count in stones for kind in ("draws", "hits")
                                  for way in ("single", "batch")})


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


def decision_latency(bin_dir, positions=None):
    """{position: figures} of the engine's decision on GO, for every
    position of decision_latency or those named in `positions`."""
    command = [os.path.join(bin_dir, "decision_latency")]
    if positions is not None:
        command.append(f"--benchmark_filter=BM_Go/({'|'.join(positions)})/")
    rows = benchmark_json(command)
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


STRONG_SEARCHES = ("value", "rollout")  # the strong engine's searches, its default first


def strong_bench(engine, search, samples):
    """One run of `ENGINE --strong bench` on one thread with `search`:
    {"rate": simulations per CPU second, "simulations", "cpu_ms", "replies"}."""
    out = run([engine, "--strong", "--threads", "1", "--samples", str(samples),
               "--search", search, "bench"])
    m = re.search(r"replies ([0-9a-f]{16})\nbench: (\d+) simulations, (\d+) cpu ms, "
                  r"(\d+) simulations per cpu second\s*$", out)
    if not m:
        raise RuntimeError(f"{engine}: no strong bench summary in its output:\n{out}")
    return {"replies": m.group(1), "simulations": int(m.group(2)), "cpu_ms": int(m.group(3)),
            "rate": float(m.group(4))}


def strong_bench_rounds(bin_dir, samples, rounds, earlier_dir=None):
    """The strong engine's bench for each search, this build's engine and the
    one in `earlier_dir` (if any) alternating in each of `rounds` rounds:
    {(build, search): the round with the highest rate}, build "this" or
    "earlier"."""
    engines = {"this": os.path.join(bin_dir, "curling-engine")}
    if earlier_dir is not None:
        engines["earlier"] = os.path.join(earlier_dir, "curling-engine")
    best = {}
    for _ in range(rounds):
        for build, engine in engines.items():
            for search in STRONG_SEARCHES:
                figures = strong_bench(engine, search, samples)
                key = (build, search)
                if key not in best or figures["rate"] > best[key]["rate"]:
                    best[key] = figures
    return best
