#!/usr/bin/env python3
"""Measures curling-match's live view (--live):

latency  headless Chromium watches one whole game; for every shot, the time
         from its record line (stamped by the server as the line is written)
         to the frame in which the page first draws it: median, 95th
         percentile and largest.
throughput  the same tournament with the live view off, and on with 0, 1 and
         100 viewers (curl processes reading the event stream), run after run,
         side by side as wall-clock seconds and as a ratio to "off".

  scripts/live_view_measure.py --bin build/release/bin latency
  scripts/live_view_measure.py --bin build/release/bin throughput --repeats 3
  scripts/live_view_measure.py --bin build/release/bin throughput --repeats 2 \
      --engines "curling-engine --strong" "curling-engine --strong" --games 4 --ends 2 --time 8

Traffic goes to 127.0.0.1 only; every run ends by itself.
"""
import argparse
import json
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time


def start_match(bin_dir, arguments, out_dir):
    command = [os.path.join(bin_dir, "curling-match"), "--no-db", "--out", out_dir] + arguments
    log = open(os.path.join(os.path.dirname(out_dir), "match.out"), "w+")
    return subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT), log


def live_port(log, match, timeout=20.0):
    until = time.time() + timeout
    while time.time() < until:
        log.seek(0)
        found = re.search(r"Live view: http://127\.0\.0\.1:(\d+)/", log.read())
        if found:
            return int(found.group(1))
        if match.poll() is not None:
            break
        time.sleep(0.01)
    log.seek(0)
    sys.exit("curling-match did not start its live view:\n" + log.read())


def latency(args):
    work = tempfile.mkdtemp(prefix="live-latency-")
    engine = os.path.join(args.bin, "curling-engine") + " --strong"
    match, log = start_match(args.bin, ["--live", "0", "--engine", engine, "--engine", engine,
                                        "--ends", str(args.ends), "--extra-ends", "0",
                                        "--time", str(args.time), "--seed", "11"],
                             os.path.join(work, "game"))
    port = live_port(log, match)
    browser = subprocess.Popen(
        [args.chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
         "--disable-sync", "--disable-background-networking", "--enable-logging=stderr", "--v=0",
         "--window-size=1280,960", "--user-data-dir=" + os.path.join(work, "profile"),
         "http://127.0.0.1:%d/#log" % port],
        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, errors="replace")
    match.wait(timeout=3600)
    time.sleep(1.0)
    browser.send_signal(signal.SIGTERM)
    _, err = browser.communicate(timeout=30)
    shown = [json.loads(m.group(1).replace('\\"', '"'))
             for m in re.finditer(r'"shown (\{.*?\})"', err)]
    if not shown:
        sys.exit("the page showed no shot; chromium said:\n" + err[-2000:])
    # Shots played before the page connected come in its first batch: left out.
    first = shown[0]["shown"]
    live = [s for s in shown if s["stamp"] >= first - 1]
    delays = sorted(s["shown"] - s["stamp"] for s in live)
    p95 = delays[min(len(delays) - 1, int(round(0.95 * len(delays) + 0.5)) - 1)]
    print("shots shown live: %d of %d (the rest before the page connected)" %
          (len(live), len(shown)))
    print("latency from record line to page, ms: median %.0f, 95th percentile %.0f, largest %.0f" %
          (statistics.median(delays), p95, delays[-1]))
    shutil.rmtree(work, ignore_errors=True)


def tournament_seconds(args, mode):
    work = tempfile.mkdtemp(prefix="live-throughput-")
    engines = []
    for name in args.engines:  # a program of --bin, with its arguments
        engines += ["--engine", os.path.join(args.bin, name)]
    arguments = engines + ["--games", str(args.games), "--ends", str(args.ends), "--seed", "7",
                           "--concurrency", "2"]
    if args.time:
        arguments += ["--time", str(args.time)]
    if mode != "off":
        arguments = ["--live", "0"] + arguments
    start = time.monotonic()
    match, log = start_match(args.bin, arguments, os.path.join(work, "run"))
    viewers = []
    if mode != "off":
        port = live_port(log, match)
        for _ in range(mode):
            viewers.append(subprocess.Popen(
                ["curl", "-sN", "--max-time", "600", "http://127.0.0.1:%d/events" % port],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    code = match.wait(timeout=3600)
    seconds = time.monotonic() - start
    for v in viewers:
        v.wait(timeout=60)
    log.seek(0)
    dropped = re.search(r"Live view: (\d+) viewer", log.read())
    shutil.rmtree(work, ignore_errors=True)
    if code != 0:
        sys.exit("the tournament failed (exit %d)" % code)
    return seconds, int(dropped.group(1)) if dropped else 0


def throughput(args):
    modes = ["off", 0, 1, 100]
    times = {m: [] for m in modes}
    drops = {m: 0 for m in modes}
    for _ in range(args.repeats):
        for m in modes:  # interleaved, so that a change in the machine's load hits all alike
            seconds, dropped = tournament_seconds(args, m)
            times[m].append(seconds)
            drops[m] += dropped
    base = statistics.median(times["off"])
    print("tournament: %s, %d games per pairing, %d ends%s, concurrency 2; %d runs each" %
          (" vs ".join(args.engines), args.games, args.ends,
           ", --time %g" % args.time if args.time else "", args.repeats))
    print("| live view | viewers | seconds (median) | runs | ratio to off | viewers dropped |")
    print("|---|---|---|---|---|---|")
    for m in modes:
        med = statistics.median(times[m])
        print("| %s | %s | %.2f | %s | %.3f | %d |" % (
            "off" if m == "off" else "on", "-" if m == "off" else m, med,
            ", ".join("%.2f" % t for t in times[m]), med / base, drops[m]))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", default="build/release/bin")
    parser.add_argument("--chromium", default="/usr/bin/chromium")
    sub = parser.add_subparsers(dest="what", required=True)
    lat = sub.add_parser("latency")
    lat.add_argument("--ends", type=int, default=8)
    lat.add_argument("--time", type=float, default=34, help="each engine's budget a game (s)")
    thr = sub.add_parser("throughput")
    thr.add_argument("--engines", nargs="+", default=["baseline-greedy", "baseline-random"])
    thr.add_argument("--games", type=int, default=20)
    thr.add_argument("--ends", type=int, default=8)
    thr.add_argument("--time", type=float, default=0, help="each engine's budget a game (s)")
    thr.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()
    latency(args) if args.what == "latency" else throughput(args)


if __name__ == "__main__":
    main()
