#!/usr/bin/env python3
"""Measures the engines with curling-match tournaments and writes the
strength report (docs/strength.md). Every figure in the report is read from
what the runs leave: the tournaments' summary.json files, their game records
(thinking time, end results) and the strong engine's search lines on
standard error (simulations and CPU time); nothing is typed in.

    scripts/strength_report.py [--games N] [--baseline-games N]
        [--budget-games N] [--selfplay-games N] [--samples 250,1000,4000]
        [--shot-time S] [--threads T] [--concurrency J] [--ends E]
        [--seed S] [--build DIR] [--out DIR] [--doc FILE] [--reuse]

Runs, all 8-end games unless --ends says otherwise:
  1. --strong at --shot-time against the default engine: --games games for
     Elo, and an SPRT (elo0 0, elo1 50, alpha = beta = 0.05) on other seeds,
     which stops when it decides (at most --sprt-games games);
  2. --strong at --shot-time against the three baselines: one gauntlet of
     --baseline-games games against each for Elo, and an SPRT run each as
     above;
  3. --strong with --samples N against the default engine, for each N
     (--budget-games each): how Elo grows with the budget;
  4. the default engine against the three baselines: one gauntlet
     (--baseline-games against each);
  5. self-play of the default engine and of --strong (with the largest
     --samples and seeds 1 and 2 for the two seats, --selfplay-games each):
     how ends come out for the side with the last stone, and how close the
     games are.
--reuse keeps a finished tournament whose folder holds the same command.
The release build must exist.
"""

import argparse
import json
import os
import re
import shlex
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import game_records  # noqa: E402
import machine  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BASELINES = ("draw", "random", "greedy")
DESCRIPTIONS = {
    "draw": "always draws to the tee, random curl",
    "random": "draws to random points of the house, random curl",
    "greedy": "one-ply Monte Carlo over a few draws and hits, curling count",
}
SPRT = ("0", "50", "0.05", "0.05")
TARGET_ELO, TARGET_LOW, TARGET_GAMES = 200, 100, 200
REUSED = []  # (run name, when it finished) of the runs --reuse kept
SEARCH_LINE = re.compile(r"strong: .*?(\d+) rollouts, (\d+) simulations, ([0-9.]+) s, "
                         r"([0-9.]+) cpu s;")


def parse_arguments():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--games", type=int, default=200, help="strong vs default at --shot-time")
    p.add_argument("--sprt-games", type=int, default=600, help="most games of the SPRT run")
    p.add_argument("--baseline-games", type=int, default=40)
    p.add_argument("--budget-games", type=int, default=60)
    p.add_argument("--selfplay-games", type=int, default=40)
    p.add_argument("--samples", default="250,1000,4000")
    p.add_argument("--shot-time", default="0.25")
    p.add_argument("--threads", type=int, default=1, help="threads of each strong engine")
    p.add_argument("--concurrency", type=int, default=2)
    p.add_argument("--ends", type=int, default=8)
    p.add_argument("--seed", type=int, default=2026)
    p.add_argument("--build", default=os.path.join(ROOT, "build", "release"))
    p.add_argument("--out", default=os.path.join(ROOT, "games", "strength"))
    p.add_argument("--doc", default=os.path.join(ROOT, "docs", "strength.md"))
    p.add_argument("--reuse", action="store_true")
    return p.parse_args()


def load_average():
    try:
        return " ".join(f"{v:.2f}" for v in os.getloadavg())
    except OSError:
        return "unknown"


def relative(word):
    return os.path.relpath(word, ROOT) if os.path.isabs(word) and word.startswith(ROOT) else word


def command_text(command):
    return shlex.join([" ".join(relative(w) for w in c.split(" ")) for c in command])


def game_index(path):
    """0-based number of a tournament game from its folder (game-NNNN): A
    sits in seat 0 in even games and in seat 1 in odd ones."""
    return int(os.path.basename(os.path.dirname(path)).split("-")[1]) - 1


class Run:
    """One tournament, or one pairing of a gauntlet (`a_name` and `b_name`
    pick its games): its command, its summary and what its records say."""

    def __init__(self, name, command, folder, seconds, summary, a_name=None, b_name=None):
        self.name, self.command, self.folder = name, command, folder
        self.seconds, self.summary = seconds, summary
        self.a_name, self.b_name = a_name, b_name

    def a_games(self):
        """(game.jsonl path, A's seat) of every game of this run."""
        for path in game_records.game_files(self.folder):
            if self.a_name is None:
                yield path, game_index(path) % 2
                continue
            with open(path, encoding="utf-8") as f:
                names = [e["name"] for e in json.loads(f.readline())["engines"]]
            if self.a_name in names and self.b_name in names:
                yield path, names.index(self.a_name)

    def a_thinking(self):
        """A's thinking per shot: mean and largest (seconds), over all games."""
        total, shots, largest = 0.0, 0, 0.0
        for path, a_seat in self.a_games():
            with open(path, encoding="utf-8") as f:
                for line in f:
                    record = json.loads(line)
                    if record.get("type") == "shot" and record["seat"] == a_seat:
                        total += record["thinking"]
                        shots += 1
                        largest = max(largest, record["thinking"])
        return (total / shots if shots else 0.0), largest

    def a_search_lines(self):
        """Totals of A's search lines: decisions, rollouts, simulations, wall
        and CPU seconds."""
        totals = [0, 0, 0, 0.0, 0.0]
        for path, a_seat in self.a_games():
            log = os.path.join(os.path.dirname(path), f"engine-{a_seat + 1}.stderr.log")
            if not os.path.exists(log):
                continue
            with open(log, encoding="utf-8", errors="replace") as f:
                for m in SEARCH_LINE.finditer(f.read()):
                    totals[0] += 1
                    totals[1] += int(m.group(1))
                    totals[2] += int(m.group(2))
                    totals[3] += float(m.group(3))
                    totals[4] += float(m.group(4))
        return totals

    def pairing(self, b_name):
        """The games of a gauntlet's first engine against `b_name`."""
        for p in self.summary["pairings"]:
            if p["b"] == b_name:
                return Run(f"{self.name}: {p['a']} - {b_name}", self.command, self.folder,
                           self.seconds, p, p["a"], b_name)
        sys.exit(f"strength_report: no pairing against {b_name} in {self.folder}")


def run_tournament(args, name, engine_a, engine_b, games, seed, extra=()):
    """A match of two engines (command lines)."""
    return run_curling_match(args, name, ["--engine", engine_a, "--engine", engine_b], games,
                             seed, extra)


def run_gauntlet(args, name, first, opponents, games, seed):
    """One gauntlet: `first` and each of `opponents` ((name, command line)
    pairs) against it, `games` games each."""
    engines = []
    for engine_name, command in [first, *opponents]:
        engines += ["--engine", f"name={engine_name} cmd={shlex.quote(command)}"]
    return run_curling_match(args, name, ["--format", "gauntlet", *engines], games, seed,
                             ["--report-every", "10"])


def run_curling_match(args, name, engines, games, seed, extra):
    bin_dir = os.path.join(args.build, "bin")
    folder = os.path.join(args.out, name)
    command = [os.path.join(bin_dir, "curling-match"), *engines,
               "--games", str(games), "--ends", str(args.ends), "--seed", str(seed),
               "--concurrency", str(args.concurrency), *extra, "--out", folder]
    stamp = os.path.join(folder, "command.json")
    summary_path = os.path.join(folder, "summary.json")
    if args.reuse and os.path.exists(stamp) and os.path.exists(summary_path):
        with open(stamp, encoding="utf-8") as f:
            kept = json.load(f)
        if kept["command"] == command:
            print("= reusing", folder, flush=True)
            REUSED.append((name, time.strftime("%Y-%m-%d %H:%M UTC",
                                               time.gmtime(os.path.getmtime(stamp)))))
            with open(summary_path, encoding="utf-8") as f:
                return Run(name, command, folder, kept["seconds"], json.load(f))
    print("+", shlex.join(command), flush=True)
    start = time.monotonic()
    result = subprocess.run(command, check=False)
    seconds = time.monotonic() - start
    if result.returncode != 0 or not os.path.exists(summary_path):
        sys.exit(f"strength_report: tournament {name} failed (exit code {result.returncode})")
    with open(summary_path, encoding="utf-8") as f:
        summary = json.load(f)
    with open(stamp, "w", encoding="utf-8") as f:
        json.dump({"command": command, "seconds": seconds}, f)
    return Run(name, command, folder, seconds, summary)


def reused_lines():
    """The header's word on runs kept from an earlier report (--reuse)."""
    if not REUSED:
        return []
    kept = ", ".join(f"{name} ({when})" for name, when in REUSED)
    return [f"- Kept from an earlier run of the same command (--reuse): {kept}"]


def elo_text(s):
    def num(v):
        return "+inf" if v is None else f"{v:+.0f}"

    bound = s["elo_bound"]
    if bound == "two-sided":
        low = "-inf" if s["elo_low"] is None else f"{s['elo_low']:+.0f}"
        return f"{s['elo']:+.0f} [{low}, {num(s['elo_high'])}]"
    if bound == "lower":
        return f"at least {s['elo_low']:+.0f} (one-sided 95%)" if s["elo_low"] is not None \
            else "no bound"
    if bound == "upper":
        return f"at most {s['elo_high']:+.0f} (one-sided 95%)" if s["elo_high"] is not None \
            else "no bound"
    return "n/a"


def sprt_text(s):
    t = s.get("sprt")
    if not t:
        return "-"
    verdict = {"H1": "H1 accepted", "H0": "H0 accepted", "continue": "undecided"}[t["result"]]
    return f"{verdict} (LLR {t['llr']:.2f} in [{t['lower_bound']:.2f}, {t['upper_bound']:.2f}])"


def sprt_cell(run):
    t = run.summary.get("sprt")
    if not t:
        return "-"
    return f"{t['result']} after {run.summary['games']} games (LLR {t['llr']:.2f})"


def result_row(label, run, with_time=True, sprt_run=None):
    s = run.summary
    points = f"{s['points']:.1f} / {s['games']}" if s["games"] else "-"
    los = "-" if s["los"] is None else f"{100.0 * s['los']:.1f}%"
    cells = [label, str(s["games"]), f"{s['wins']}-{s['draws']}-{s['losses']}", points,
             f"{s['mean_end_score_difference']:+.2f}", elo_text(s), los]
    if with_time:
        mean, largest = run.a_thinking()
        cells.append(f"{mean:.3f} / {largest:.3f}")
    if sprt_run is not None:
        cells.append(sprt_cell(sprt_run))
    return "| " + " | ".join(cells) + " |"


RESULT_HEADER = ["| Opponent (B) | Games | W-D-L (A) | Points (A) | End score diff | Elo (95%) | LOS "
                 "| A's s/shot (mean / max) |",
                 "|---|---:|---|---|---:|---|---:|---:|"]
SPRT_HEADER = [RESULT_HEADER[0] + " SPRT 0/+50, run of its own |", RESULT_HEADER[1] + "---|"]


def end_table(strong_counts, default_counts):
    def share(counts, keys):
        total = sum(counts.values())
        return f"{100.0 * sum(counts.get(k, 0) for k in keys) / total:.1f}%" if total else "-"

    rows = [("scores 3 or more", range(3, 9)), ("scores 2", [2]), ("scores 1", [1]),
            ("blank", [0]), ("other side steals 1", [-1]), ("other side steals 2 or more",
                                                             range(-8, -1))]
    lines = ["| End for the side with the last stone | default engine | strong engine |",
             "|---|---:|---:|"]
    for label, keys in rows:
        lines.append(f"| {label} | {share(default_counts, keys)} | {share(strong_counts, keys)} |")
    lines.append(f"| ends counted | {sum(default_counts.values())} | "
                 f"{sum(strong_counts.values())} |")
    return lines


def margin_table(runs):
    lines = ["| Final margin | " + " | ".join(label for label, _ in runs) + " |",
             "|---|" + "---:|" * len(runs)]
    data = [game_records.final_margins([folder]) for _, folder in runs]
    for label, keys in (("tie (a draw)", [0]), ("1 point", [1]), ("2 points", [2]),
                        ("3 points", [3]), ("4 or more", range(4, 100))):
        cells = []
        for margins, _ in data:
            total = sum(margins.values())
            cells.append(f"{100.0 * sum(margins.get(k, 0) for k in keys) / total:.0f}%"
                         if total else "-")
        lines.append(f"| {label} | " + " | ".join(cells) + " |")
    lines.append("| went to an extra end | " + " | ".join(
        f"{100.0 * extra / max(1, sum(m.values())):.0f}%" for m, extra in data) + " |")
    lines.append("| games | " + " | ".join(str(sum(m.values())) for m, _ in data) + " |")
    return lines


def gauntlet_lines(run):
    lines = [f"### {run.name}", "", "```", command_text(run.command), "```", "",
             f"- {run.summary['games']} games in {run.seconds / 60.0:.1f} minutes of wall time, "
             "one gauntlet:"]
    for p in run.summary["pairings"]:
        t = p["pentanomial"]
        lines.append(f"  - {p['a']} - {p['b']}: {p['games']} games ({p['pairs']} pairs); pairs "
                     f"scoring 0, 1/4, 1/2, 3/4, 1 for A: {t[0]}, {t[1]}, {t[2]}, {t[3]}, {t[4]}; "
                     f"Elo {elo_text(p)}")
    return lines + [""]


def main():
    args = parse_arguments()
    bin_dir = os.path.join(args.build, "bin")
    default = os.path.join(bin_dir, "curling-engine")
    for program in ["curling-match", "curling-engine"] + [f"baseline-{k}" for k in BASELINES]:
        if not os.access(os.path.join(bin_dir, program), os.X_OK):
            sys.exit(f"strength_report: {program} is missing; build the release preset first")
    samples = [int(n) for n in args.samples.split(",") if n]
    strong_base = f"{default} --strong --threads {args.threads}"
    timed = f"{strong_base} --shot-time {args.shot_time}"
    baseline = {k: os.path.join(bin_dir, f"baseline-{k}") for k in BASELINES}

    info = machine.describe()  # the checkout when the measuring starts
    load_before = load_average()
    headline = run_tournament(args, "strong-vs-default", timed, default, args.games, args.seed)
    sprt = run_tournament(args, "strong-vs-default-sprt", timed, default, args.sprt_games,
                          args.seed + 10000, ["--sprt", *SPRT])
    opponents = [(f"baseline-{k}", baseline[k]) for k in BASELINES]
    strong_gauntlet = run_gauntlet(args, "strong-vs-baselines", ("strong", timed), opponents,
                                   args.baseline_games, args.seed)
    strong_vs = {k: strong_gauntlet.pairing(f"baseline-{k}") for k in BASELINES}
    strong_vs_sprt = {k: run_tournament(args, f"strong-vs-{k}-sprt", timed, baseline[k],
                                        args.sprt_games, args.seed + 10000, ["--sprt", *SPRT])
                      for k in BASELINES}
    budgets = [(n, run_tournament(args, f"samples-{n}-vs-default",
                                  f"{strong_base} --samples {n}", default, args.budget_games,
                                  args.seed + 20000)) for n in samples]
    default_gauntlet = run_gauntlet(args, "default-vs-baselines", ("curling-engine", default),
                                    opponents, args.baseline_games, args.seed)
    default_vs = {k: default_gauntlet.pairing(f"baseline-{k}") for k in BASELINES}
    self_default = run_tournament(args, "selfplay-default", default, default, args.selfplay_games,
                                  args.seed + 30000)
    strong_self = f"{strong_base} --samples {max(samples)} --seed"
    self_strong = run_tournament(args, "selfplay-strong", strong_self + " 1", strong_self + " 2",
                                 args.selfplay_games, args.seed + 30000)
    load_after = load_average()

    s = headline.summary
    met = [s["elo"] is not None and s["elo"] >= TARGET_ELO,
           s["elo_low"] is not None and s["elo_low"] > TARGET_LOW,
           s["games"] >= TARGET_GAMES,
           (sprt.summary.get("sprt") or {}).get("result") == "H1"]
    lines = [
        "# Strength of curling-engine",
        "",
        "Measured on this machine by `scripts/strength_report.py`: every figure below is read from",
        "the runs' `summary.json` files, game records and the strong engine's search lines on",
        "standard error. Regenerate with:",
        "",
        "```",
        "scripts/strength_report.py " + shlex.join([
            "--games", str(args.games), "--baseline-games", str(args.baseline_games),
            "--budget-games", str(args.budget_games), "--selfplay-games",
            str(args.selfplay_games), "--samples", args.samples, "--shot-time", args.shot_time,
            "--threads", str(args.threads), "--concurrency", str(args.concurrency),
            "--ends", str(args.ends), "--seed", str(args.seed)]),
        "```",
        "",
        f"- Date: {info['started']}; revision {info['revision']}",
        *reused_lines(),
        f"- Machine: {info['model']}, {info['nproc']} logical CPUs, kernel {info['kernel']}, "
        "shared with other work: load "
        f"average (1, 5, 15 min) {load_before} at the start, {load_after} at the end",
        f"- Games: {args.ends} ends, in pairs on the same seed with the first-end hammer swapped, "
        f"{args.concurrency} at a time; each strong engine searches on {args.threads} "
        "thread(s); default random error (0.145) and time budget (1800 s per game).",
        "- A is the first engine named, B its opponent; Elo is the logistic difference A - B from",
        "  the pair scores (pentanomial) with its 95% interval; LOS is the likelihood that A is the",
        "  stronger; time is A's thinking per shot as the server measured it.",
        "",
        "## Target: `--strong` at " + args.shot_time + " s a shot against the default engine",
        "",
        "| Requirement | Measured | Met |",
        "|---|---|---|",
        f"| Elo >= +{TARGET_ELO} | {elo_text(s)} | {'yes' if met[0] else 'no'} |",
        f"| lower end of the 95% interval > +{TARGET_LOW} | "
        f"{'-' if s['elo_low'] is None else format(s['elo_low'], '+.0f')} | "
        f"{'yes' if met[1] else 'no'} |",
        f"| at least {TARGET_GAMES} games | {s['games']} | {'yes' if met[2] else 'no'} |",
        f"| SPRT elo0 0, elo1 50 (alpha = beta = 0.05) accepts H1 | {sprt_text(sprt.summary)} "
        f"after {sprt.summary['games']} games | {'yes' if met[3] else 'no'} |",
        "",
        f"## `--strong` at {args.shot_time} s a shot",
        "",
        *SPRT_HEADER,
        result_row("default engine", headline, sprt_run=sprt),
        *[result_row(f"baseline-{k}", strong_vs[k], sprt_run=strong_vs_sprt[k])
          for k in BASELINES],
        "",
        f"Each SPRT runs on seeds from {args.seed + 10000} and stops as soon as it decides; its "
        "games are not counted in the other columns.",
        "",
        "## Elo against the budget",
        "",
        "`--strong --samples N` (N rollouts per shot, whatever the time) against the default "
        "engine.",
        "",
        "| Budget | Games | W-D-L (A) | Elo (95%) | A's s/shot (mean / max) | rollouts/shot |",
        "|---|---:|---|---|---:|---:|",
    ]
    for n, run in budgets + [(None, headline)]:
        mean, largest = run.a_thinking()
        decisions, rollouts = run.a_search_lines()[:2]
        label = f"--samples {n}" if n else f"--shot-time {args.shot_time}"
        t = run.summary
        lines.append(f"| {label} | {t['games']} | {t['wins']}-{t['draws']}-{t['losses']} | "
                     f"{elo_text(t)} | {mean:.3f} / {largest:.3f} | "
                     f"{rollouts / max(1, decisions):.0f} |")
    decisions, rollouts, simulations, wall, cpu = headline.a_search_lines()
    lines += [
        "",
        "## Speed of the strong search",
        "",
        f"Over the {decisions} searches of `--strong` in the {args.shot_time} s games against the "
        "default engine (from its search lines):",
        "",
        "| | |",
        "|---|---:|",
        f"| library simulations per CPU second (per core) | {simulations / max(cpu, 1e-9):,.0f} |",
        f"| rollouts per CPU second (per core) | {rollouts / max(cpu, 1e-9):,.0f} |",
        f"| simulations per rollout | {simulations / max(1, rollouts):.1f} |",
        f"| rollouts per search | {rollouts / max(1, decisions):,.0f} |",
        f"| CPU seconds per wall second of search | {cpu / max(wall, 1e-9):.2f} "
        f"(of {args.threads} thread(s)) |",
        "",
        "A CPU-to-wall ratio below the thread count means the engine waited for a core: the",
        "machine was shared.",
        "",
        "## The default engine against the baselines",
        "",
        *RESULT_HEADER,
        *[result_row(f"baseline-{k}", default_vs[k]) for k in BASELINES],
        "",
        "## How ends and games come out in self-play",
        "",
        f"Self-play, {args.selfplay_games} games each: the default engine, and `--strong "
        f"--samples {max(samples)}` with seeds 1 and 2. The default engine plays a position the "
        "same way every time, so the second game of each of its pairs repeats the first.",
        "",
        *end_table(game_records.end_outcomes([self_strong.folder])[0],
                   game_records.end_outcomes([self_default.folder])[0]),
        "",
        *margin_table([("default self-play", self_default.folder),
                       ("strong self-play", self_strong.folder),
                       (f"strong ({args.shot_time} s) vs default", headline.folder)]),
        "",
        "## The opponents",
        "",
        "- the default engine: `curling-engine` without options (docs/decision.md).",
        *[f"- `baseline-{k}`: {DESCRIPTIONS[k]}." for k in BASELINES],
        "",
        "## The runs",
        "",
    ]
    every = [headline, sprt, strong_gauntlet, *strong_vs_sprt.values(),
             *(r for _, r in budgets), default_gauntlet, self_default, self_strong]
    for run in every:
        if run.a_name is not None:
            continue  # a gauntlet's pairing: its gauntlet follows
        if "pairings" in run.summary and run.summary.get("format") == "gauntlet":
            lines += gauntlet_lines(run)
            continue
        p = run.summary["pentanomial"]
        lines += [f"### {run.name}", "", "```", command_text(run.command), "```", "",
                  f"- {run.summary['games']} games ({run.summary['pairs']} pairs) in "
                  f"{run.seconds / 60.0:.1f} minutes of wall time; pairs scoring 0, 1/4, 1/2, 3/4, "
                  f"1 for A: {p[0]}, {p[1]}, {p[2]}, {p[3]}, {p[4]}; Elo {elo_text(run.summary)}; "
                  f"SPRT {sprt_text(run.summary)}", ""]
    os.makedirs(os.path.dirname(os.path.abspath(args.doc)), exist_ok=True)
    with open(args.doc, "w", encoding="utf-8") as f:
        f.write("\n".join(lines).rstrip("\n") + "\n")
    print(f"Wrote {args.doc}")


if __name__ == "__main__":
    main()
