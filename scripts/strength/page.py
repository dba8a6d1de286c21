"""The strength report's page (docs/strength.md), section by section, from
the tournaments it played."""

import os
import shlex

import checkout
import game_records
from strength import plan
from strength.tables import (RESULT_HEADER, SPRT_HEADER, elo_text, end_table, margin_table,
                             result_row, sprt_text)

DESCRIPTIONS = {
    "draw": "always draws to the tee, random curl",
    "random": "draws to random points of the house, random curl",
    "greedy": "one-ply Monte Carlo over a few draws and hits, curling count",
}
TARGET_ELO, TARGET_LOW, TARGET_GAMES = 200, 100, 200
GENERATION_ELO, GENERATION_LOW = 100, 0
SELFPLAY_COLUMNS = [("default engine", "default"), ("first generation", "first"),
                    ("second generation", "second")]


def relative(word):
    root = checkout.ROOT
    return os.path.relpath(word, root) if os.path.isabs(word) and word.startswith(root) else word


def command_text(command):
    return shlex.join([" ".join(relative(w) for w in c.split(" ")) for c in command])


def regenerate_command(args):
    """The command that plays the same report again."""
    return "scripts/strength_report.py " + shlex.join([
        "--generation-games", str(args.generation_games), "--games", str(args.games),
        "--first-games", str(args.first_games), "--sprt-games", str(args.sprt_games),
        "--baseline-games", str(args.baseline_games),
        "--baseline-sprt" if args.baseline_sprt else "--no-baseline-sprt",
        "--budgets", args.budgets, "--budget-games", str(args.budget_games),
        "--selfplay-games", str(args.selfplay_games), "--selfplay-samples",
        str(args.selfplay_samples), "--shot-time", args.shot_time,
        "--threads", str(args.threads), "--concurrency", str(args.concurrency),
        "--ends", str(args.ends), "--seed", str(args.seed)])


def reused_lines(reused):
    """The header's word on runs kept from an earlier report (--reuse)."""
    if not reused:
        return []
    kept = ", ".join(f"{name} ({when})" for name, when in reused)
    return [f"- Kept from an earlier run of the same command (--reuse): {kept}"]


def header_lines(args, info, loads, reused):
    return [
        "# Strength of curling-engine",
        "",
        "Measured on this machine by `scripts/strength_report.py`: every figure below is read from",
        "the runs' `summary.json` files, game records and the strong engine's search lines on",
        "standard error. Regenerate with:",
        "",
        "```",
        regenerate_command(args),
        "```",
        "",
        f"- Date: {info['started']}; revision {info['revision']}",
        *reused_lines(reused),
        f"- Machine: {info['model']}, {info['nproc']} logical CPUs, kernel {info['kernel']}, "
        "shared with other work: load "
        f"average (1, 5, 15 min) {loads[0]} at the start, {loads[1]} at the end",
        f"- Games: {args.ends} ends, in pairs on the same seed with the first-end hammer swapped, "
        f"{args.concurrency} at a time; each strong engine searches on {args.threads} "
        "thread(s); default random error (0.145) and time budget (1800 s per game).",
        "- The strong engine's two generations: the second is `--strong` (the value search,",
        "  [learned-value.md](learned-value.md)), the first `--strong --search rollout` (rollouts",
        "  of the rest of the end, [strong-engine.md](strong-engine.md)).",
        "- A is the first engine named, B its opponent; Elo is the logistic difference A - B from",
        "  the pair scores (pentanomial) with its 95% interval; LOS is the likelihood that A is the",
        "  stronger; time is A's thinking per shot as the server measured it.",
        "",
    ]


def yes(met):
    return "yes" if met else "no"


def target_table(title, run, sprt_run, elo_min, low_min, games_min):
    """A target's table: Elo, its interval's lower end, games and the SPRT."""
    s, sprt = run.summary, sprt_run.summary
    return [
        f"## Target: {title}",
        "",
        "| Requirement | Measured | Met |",
        "|---|---|---|",
        f"| Elo >= +{elo_min} | {elo_text(s)} | "
        f"{yes(s['elo'] is not None and s['elo'] >= elo_min)} |",
        f"| lower end of the 95% interval > {low_min:+d} | "
        f"{'-' if s['elo_low'] is None else format(s['elo_low'], '+.0f')} | "
        f"{yes(s['elo_low'] is not None and s['elo_low'] > low_min)} |",
        f"| at least {games_min} games | {s['games']} | {yes(s['games'] >= games_min)} |",
        f"| SPRT elo0 0, elo1 {sprt['sprt']['elo1']:+.0f} (alpha = beta = 0.05) "
        f"accepts H1 | {sprt_text(sprt)} after {sprt['games']} games | "
        f"{yes((sprt.get('sprt') or {}).get('result') == 'H1')} |",
        "",
    ]


def target_lines(args, runs):
    return (target_table(f"the second generation against the first at {args.shot_time} s a shot",
                         runs.generation, runs.generation_sprt, GENERATION_ELO, GENERATION_LOW,
                         TARGET_GAMES)
            + target_table(f"`--strong` at {args.shot_time} s a shot against the default engine",
                           runs.headline, runs.sprt, TARGET_ELO, TARGET_LOW, TARGET_GAMES))


def strong_lines(args, runs):
    return [
        f"## `--strong` at {args.shot_time} s a shot",
        "",
        "A is the second generation unless the row says otherwise.",
        "",
        *SPRT_HEADER,
        result_row("first generation", runs.generation, sprt_run=runs.generation_sprt),
        result_row("default engine", runs.headline, sprt_run=runs.sprt),
        *[result_row(f"baseline-{k}", runs.strong_vs[k], sprt_run=runs.strong_vs_sprt.get(k),
                     sprt_column=True)
          for k in plan.BASELINES],
        result_row("default engine, A the first generation", runs.first_headline,
                   sprt_column=True),
        "",
        f"Each SPRT runs on seeds from {args.seed + plan.SPRT_SEED_OFFSET} and stops as soon as "
        "it decides; its games are not counted in the other columns.",
        "",
    ]


def budget_cells(run):
    """A budget run's games, score, Elo, A's thinking and samples a shot."""
    mean, largest = run.a_thinking()
    decisions, samples = run.a_search_lines()[:2]
    t = run.summary
    return [str(t["games"]), f"{t['wins']}-{t['draws']}-{t['losses']}", elo_text(t),
            f"{mean:.3f} / {largest:.3f}", f"{samples / max(1, decisions):.0f}"]


def budget_lines(args, runs):
    times = plan.budget_times(args)
    lines = [
        "## Elo against the budget",
        "",
        f"Each generation at `--shot-time T` against itself at {times[0]} s: how much it gains "
        "from time. Samples are rollouts of the rest of the end (first generation) or "
        "deliveries judged by the network (second).",
        "",
        "| Budget T | Generation | Games | W-D-L (A) | Elo (95%) | A's s/shot (mean / max) "
        "| samples/shot |",
        "|---|---|---:|---|---|---:|---:|",
    ]
    for index, t in enumerate(times[1:]):
        for g in plan.GENERATIONS:
            cells = [f"{t} s", g, *budget_cells(runs.budgets[g][index][1])]
            lines.append("| " + " | ".join(cells) + " |")
    return lines


def speed_rows(run):
    decisions, samples, simulations, wall, cpu = run.a_search_lines()
    return [simulations / max(cpu, 1e-9), samples / max(cpu, 1e-9),
            simulations / max(1, samples), samples / max(1, decisions), cpu / max(wall, 1e-9),
            decisions]


def speed_lines(args, runs):
    first, second = speed_rows(runs.first_headline), speed_rows(runs.headline)
    rows = [("library simulations per CPU second (per core)", "{:,.0f}"),
            ("samples per CPU second (per core)", "{:,.0f}"),
            ("simulations per sample", "{:.1f}"),
            ("samples per search", "{:,.0f}"),
            (f"CPU seconds per wall second of search (of {args.threads} thread(s))", "{:.2f}"),
            ("searches counted", "{:,.0f}")]
    return [
        "",
        "## Speed of the strong search",
        "",
        f"From each generation's search lines in its {args.shot_time} s games against the "
        "default engine. A sample is a rollout of the rest of the end (first generation) or one "
        "delivery judged by the network (second).",
        "",
        "| | first generation | second generation |",
        "|---|---:|---:|",
        *[f"| {label} | {form.format(a)} | {form.format(b)} |"
          for (label, form), a, b in zip(rows, first, second)],
        "",
        "A CPU-to-wall ratio below the thread count means the engine waited for a core: the",
        "machine was shared.",
        "",
    ]


def default_lines(runs):
    return [
        "## The default engine against the baselines",
        "",
        *RESULT_HEADER,
        *[result_row(f"baseline-{k}", runs.default_vs[k]) for k in plan.BASELINES],
        "",
    ]


def selfplay_lines(args, runs):
    folders = {name: run.folder for name, run in runs.selfplay.items()}
    return [
        "## How ends and games come out in self-play",
        "",
        f"Self-play, {args.selfplay_games} games each: the default engine, and each generation "
        f"with `--samples {args.selfplay_samples}` and seeds 1 and 2. The default engine plays "
        "a position the same way every time, so the second game of each of its pairs repeats "
        "the first.",
        "",
        *end_table([(name, game_records.end_outcomes([folders[key]])[0])
                    for name, key in SELFPLAY_COLUMNS]),
        "",
        *margin_table([(f"{name} self-play", folders[key]) for name, key in SELFPLAY_COLUMNS]
                      + [(f"second vs first ({args.shot_time} s)", runs.generation.folder),
                         (f"second vs default ({args.shot_time} s)", runs.headline.folder)]),
        "",
    ]


def opponent_lines():
    return [
        "## The opponents",
        "",
        "- the default engine: `curling-engine` without options (docs/decision.md).",
        *[f"- `baseline-{k}`: {DESCRIPTIONS[k]}." for k in plan.BASELINES],
        "",
    ]


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


def match_lines(run):
    p = run.summary["pentanomial"]
    return [f"### {run.name}", "", "```", command_text(run.command), "```", "",
            f"- {run.summary['games']} games ({run.summary['pairs']} pairs) in "
            f"{run.seconds / 60.0:.1f} minutes of wall time; pairs scoring 0, 1/4, 1/2, 3/4, "
            f"1 for A: {p[0]}, {p[1]}, {p[2]}, {p[3]}, {p[4]}; Elo {elo_text(run.summary)}; "
            f"SPRT {sprt_text(run.summary)}", ""]


def run_lines(runs):
    lines = ["## The runs", ""]
    for run in runs.every():
        if run.summary.get("format") == "gauntlet" and "pairings" in run.summary:
            lines += gauntlet_lines(run)
        else:
            lines += match_lines(run)
    return lines


def page_lines(args, info, loads, runs, reused):
    """The whole page: `loads` are the load averages before and after the
    runs, `reused` the runs kept from an earlier report."""
    return (header_lines(args, info, loads, reused) + target_lines(args, runs)
            + strong_lines(args, runs) + budget_lines(args, runs) + speed_lines(args, runs)
            + default_lines(runs) + selfplay_lines(args, runs) + opponent_lines()
            + run_lines(runs))


def write(path, lines):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines).rstrip("\n") + "\n")
