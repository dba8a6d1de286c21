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


def relative(word):
    root = checkout.ROOT
    return os.path.relpath(word, root) if os.path.isabs(word) and word.startswith(root) else word


def command_text(command):
    return shlex.join([" ".join(relative(w) for w in c.split(" ")) for c in command])


def regenerate_command(args):
    """The command that plays the same report again."""
    return "scripts/strength_report.py " + shlex.join([
        "--games", str(args.games), "--sprt-games", str(args.sprt_games),
        "--baseline-games", str(args.baseline_games),
        "--budget-games", str(args.budget_games), "--selfplay-games",
        str(args.selfplay_games), "--samples", args.samples, "--shot-time", args.shot_time,
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
        "- A is the first engine named, B its opponent; Elo is the logistic difference A - B from",
        "  the pair scores (pentanomial) with its 95% interval; LOS is the likelihood that A is the",
        "  stronger; time is A's thinking per shot as the server measured it.",
        "",
    ]


def target_lines(args, runs):
    s, sprt = runs.headline.summary, runs.sprt.summary

    def yes(met):
        return "yes" if met else "no"

    return [
        "## Target: `--strong` at " + args.shot_time + " s a shot against the default engine",
        "",
        "| Requirement | Measured | Met |",
        "|---|---|---|",
        f"| Elo >= +{TARGET_ELO} | {elo_text(s)} | "
        f"{yes(s['elo'] is not None and s['elo'] >= TARGET_ELO)} |",
        f"| lower end of the 95% interval > +{TARGET_LOW} | "
        f"{'-' if s['elo_low'] is None else format(s['elo_low'], '+.0f')} | "
        f"{yes(s['elo_low'] is not None and s['elo_low'] > TARGET_LOW)} |",
        f"| at least {TARGET_GAMES} games | {s['games']} | {yes(s['games'] >= TARGET_GAMES)} |",
        f"| SPRT elo0 0, elo1 50 (alpha = beta = 0.05) accepts H1 | {sprt_text(sprt)} "
        f"after {sprt['games']} games | {yes((sprt.get('sprt') or {}).get('result') == 'H1')} |",
        "",
    ]


def strong_lines(args, runs):
    return [
        f"## `--strong` at {args.shot_time} s a shot",
        "",
        *SPRT_HEADER,
        result_row("default engine", runs.headline, sprt_run=runs.sprt),
        *[result_row(f"baseline-{k}", runs.strong_vs[k], sprt_run=runs.strong_vs_sprt[k])
          for k in plan.BASELINES],
        "",
        f"Each SPRT runs on seeds from {args.seed + plan.SPRT_SEED_OFFSET} and stops as soon as "
        "it decides; its games are not counted in the other columns.",
        "",
    ]


def budget_lines(args, runs):
    lines = [
        "## Elo against the budget",
        "",
        "`--strong --samples N` (N rollouts per shot, whatever the time) against the default "
        "engine.",
        "",
        "| Budget | Games | W-D-L (A) | Elo (95%) | A's s/shot (mean / max) | rollouts/shot |",
        "|---|---:|---|---|---:|---:|",
    ]
    for n, run in runs.budgets + [(None, runs.headline)]:
        mean, largest = run.a_thinking()
        decisions, rollouts = run.a_search_lines()[:2]
        label = f"--samples {n}" if n else f"--shot-time {args.shot_time}"
        t = run.summary
        lines.append(f"| {label} | {t['games']} | {t['wins']}-{t['draws']}-{t['losses']} | "
                     f"{elo_text(t)} | {mean:.3f} / {largest:.3f} | "
                     f"{rollouts / max(1, decisions):.0f} |")
    return lines


def speed_lines(args, runs):
    decisions, rollouts, simulations, wall, cpu = runs.headline.a_search_lines()
    return [
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
    samples = max(plan.budget_samples(args))
    return [
        "## How ends and games come out in self-play",
        "",
        f"Self-play, {args.selfplay_games} games each: the default engine, and `--strong "
        f"--samples {samples}` with seeds 1 and 2. The default engine plays a position the "
        "same way every time, so the second game of each of its pairs repeats the first.",
        "",
        *end_table(game_records.end_outcomes([runs.self_strong.folder])[0],
                   game_records.end_outcomes([runs.self_default.folder])[0]),
        "",
        *margin_table([("default self-play", runs.self_default.folder),
                       ("strong self-play", runs.self_strong.folder),
                       (f"strong ({args.shot_time} s) vs default", runs.headline.folder)]),
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
