"""The performance report's profile: where the library's benchmark and the
engine's bench spend their time, sampled by perf (or counted by callgrind
where perf cannot run)."""

import os
import re
import shutil
import subprocess
import tempfile

from performance.measurements import log


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
