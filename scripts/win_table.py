#!/usr/bin/env python3
"""Builds the win-probability table of the strong engine from the project's
own simulated play, and writes it as C++ data (eval/win_table_data.inc) and
as a report (docs/win-probability.md).

    scripts/win_table.py [--engine CMD] [--engine2 CMD] [--games N] [--ends E] [--seed S]
                         [--concurrency J] [--build DIR] [--out DIR]
                         [--records DIR ...] [--extra-ends X]

Method: play --games self-play games of --engine (a curling-match
tournament of the engine against itself), or read the games already in the
--records folders, and count how every end came out for the side that held
the last stone (the hammer): k > 0 it scored k, 0 a blank, k < 0 the other
side stole -k. These frequencies p(k) are taken as the same in every end.
Then, by dynamic programming over the ends left, W(d, n, h) is the chance to
win for a side leading by d points with n ends left to play, h = 1 when it
holds the hammer in the next end:

    W(d, 0, h) = 1 for d > 0, 0 for d < 0; at d = 0 extra ends are played
                 (up to --extra-ends, the hammer kept after a blank), a
                 draw after them counting 1/2;
    W(d, n, 1) = sum_k p(k) W(d + k, n - 1, 0 if k > 0 else 1)
    W(d, n, 0) = sum_k p(k) W(d - k, n - 1, 1 if k > 0 else 0)

(the side that scores gives up the hammer; a blank keeps it where it was).
Re-run with the strong engine once it plays by the table, until the table
settles.
"""

import argparse
import os
import shlex
import sys

import checkout
import curling_match
import game_records
import machine

MAX_LEAD = 15
MAX_ENDS_LEFT = 10
MAX_END_POINTS = 8


def parse_arguments():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--engine", default=None,
                   help="engine command line (default: the build's curling-engine)")
    p.add_argument("--engine2", default=None,
                   help="the second seat's engine command (default: --engine). An engine that "
                        "plays the same position the same way replays a pair's first game in its "
                        "second: give the two seats different seeds")
    p.add_argument("--games", type=int, default=200)
    p.add_argument("--ends", type=int, default=8)
    p.add_argument("--seed", type=int, default=7100)
    p.add_argument("--concurrency", type=int, default=1)
    p.add_argument("--build", default=checkout.RELEASE_BUILD)
    p.add_argument("--out", default=os.path.join(checkout.ROOT, "games", "win-table"),
                   help="folder for the self-play tournament")
    p.add_argument("--records", nargs="*", default=None,
                   help="read these tournament folders instead of playing")
    p.add_argument("--extra-ends", type=int, default=4,
                   help="extra ends the server plays at a tie (curling-match's default)")
    p.add_argument("--data", default=os.path.join(checkout.ROOT, "eval", "win_table_data.inc"))
    p.add_argument("--doc", default=os.path.join(checkout.ROOT, "docs", "win-probability.md"))
    return p.parse_args()


def play_self_play(args):
    engine = args.engine or os.path.join(checkout.bin_dir(args.build), "curling-engine")
    command = curling_match.tournament_command(
        args.build, ["--engine", engine, "--engine", args.engine2 or engine], args.games,
        args.ends, args.seed, args.concurrency, args.out)
    if curling_match.play(command) != 0:
        sys.exit("win_table: the self-play tournament failed")
    return command


def probabilities(counts):
    total = sum(counts.values())
    if total == 0:
        sys.exit("win_table: no completed games found")
    return {k: counts.get(k, 0) / total for k in range(-MAX_END_POINTS, MAX_END_POINTS + 1)}, total


def extra_end_chances(p, extra_ends):
    """Chance to win from a tie after the last end, with and without the hammer."""
    scored = sum(v for k, v in p.items() if k > 0)
    stolen = sum(v for k, v in p.items() if k < 0)
    with_hammer, without = 0.5, 0.5
    for _ in range(extra_ends):
        with_hammer = scored + p[0] * with_hammer
        without = stolen + p[0] * without
    return without, with_hammer


def win_table(p, extra_ends):
    """table[n][h][d + span] for n = 0..MAX_ENDS_LEFT, over a lead range wide
    enough that no reachable lead is clamped."""
    span = MAX_LEAD + MAX_END_POINTS * (MAX_ENDS_LEFT + 1)
    size = 2 * span + 1
    tie = extra_end_chances(p, extra_ends)
    level = [[1.0 if d > 0 else 0.0 if d < 0 else tie[h] for d in range(-span, span + 1)]
             for h in range(2)]
    table = [level]

    def at(row, d):
        return row[min(max(d + span, 0), size - 1)]

    for _ in range(MAX_ENDS_LEFT):
        before = table[-1]
        hammer = [sum(v * at(before[0 if k > 0 else 1], d + k) for k, v in p.items())
                  for d in range(-span, span + 1)]
        other = [sum(v * at(before[1 if k > 0 else 0], d - k) for k, v in p.items())
                 for d in range(-span, span + 1)]
        table.append([other, hammer])
    return table, span


def write_data(path, table, span, counts, total, source):
    lines = [
        "// Generated by scripts/win_table.py; do not edit. Chance to win the game",
        "// for a side leading by `lead` points with `ends_left` ends still to play,",
        "// holding the last stone of the next end or not:",
        "//   kWinTable[ends_left][hammer][lead + kWinTableMaxLead]",
        f"// From {total} ends of {source}.",
        "// Hammer side's end results k (points; blank 0, steals negative): count",
        "//   " + ", ".join(f"{k}: {counts.get(k, 0)}"
                           for k in range(-MAX_END_POINTS, MAX_END_POINTS + 1)
                           if counts.get(k, 0)),
        f"inline constexpr int kWinTableMaxLead = {MAX_LEAD};",
        f"inline constexpr int kWinTableMaxEndsLeft = {MAX_ENDS_LEFT};",
        "inline constexpr double kWinTable[kWinTableMaxEndsLeft + 1][2][2 * kWinTableMaxLead + 1] "
        "= {",
    ]
    for n, level in enumerate(table):
        lines.append(f"    {{  // {n} ends left")
        for h in range(2):
            values = [level[h][d + span] for d in range(-MAX_LEAD, MAX_LEAD + 1)]
            body = ", ".join(f"{v:.9f}" for v in values)
            lines.append(f"        {{{body}}},  // hammer {h}")
        lines.append("    },")
    lines.append("};")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def write_doc(path, table, span, p, total, games, source, command, extra_ends):
    def w(d, n, h):
        return table[n][h][d + span]

    lines = [
        "# Win probability by lead, ends left and hammer",
        "",
        "The strong engine (`curling-engine --strong`) judges a simulated end by the chance to win",
        "the game that its result leaves, not by the end's count. That chance comes from a table",
        "built from the project's own simulated play by `scripts/win_table.py` (method in its",
        "header): the frequencies of the end results for the side holding the last stone (the",
        "hammer), then a dynamic programme over the ends left. The table is",
        "`eval/win_table_data.inc`; this page is written by the same run.",
        "",
        f"- Source: {total} ends of {games} games of {source}.",
        f"- Generated {machine.utc_time()}"
        + (f" by `{command}`" if command else ""),
        f"- A tie after the last end: up to {extra_ends} extra ends, then a draw (1/2).",
        "",
        "## End results for the hammer side",
        "",
        "| result | share |",
        "|---|---:|",
    ]
    for k in range(MAX_END_POINTS, -MAX_END_POINTS - 1, -1):
        if p[k] == 0:
            continue
        name = f"scores {k}" if k > 0 else "blank" if k == 0 else f"other side steals {-k}"
        lines.append(f"| {name} | {100 * p[k]:.1f}% |")
    lines += [
        "",
        "## Chance to win with the hammer in the next end",
        "",
        "Rows: ends left to play, the next one included; columns: lead.",
        "",
        "| ends left | -3 | -2 | -1 | 0 | +1 | +2 | +3 |",
        "|---|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for n in range(1, MAX_ENDS_LEFT + 1):
        cells = " | ".join(f"{100 * w(d, n, 1):.1f}%" for d in range(-3, 4))
        lines.append(f"| {n} | {cells} |")
    lines += [
        "",
        "## What the table says about the hammer",
        "",
        "| ends left | tied, with the hammer | tied, without | one up, without the hammer "
        "| one down, with the hammer |",
        "|---|---:|---:|---:|---:|",
    ]
    for n in range(1, MAX_ENDS_LEFT + 1):
        lines.append(f"| {n} | {100 * w(0, n, 1):.1f}% | {100 * w(0, n, 0):.1f}% | "
                     f"{100 * w(1, n, 0):.1f}% | {100 * w(-1, n, 1):.1f}% |")
    lines += [
        "",
        "With the hammer and n ends left, scoring one gives \"one up, without the hammer\" with",
        "n - 1 left; a blank keeps \"tied, with the hammer\" with n - 1 left. Comparing the two",
        "columns one row apart shows which the table prefers.",
    ]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def main():
    args = parse_arguments()
    folders = args.records
    if not folders:
        play_self_play(args)
        folders = [args.out]
    command = "scripts/win_table.py " + shlex.join(sys.argv[1:])
    source = "self-play of `" + game_records.self_play_source(folders) + "`"
    counts, games = game_records.end_outcomes(folders)
    p, total = probabilities(counts)
    table, span = win_table(p, args.extra_ends)
    write_data(args.data, table, span, counts, total, source.replace("`", ""))
    write_doc(args.doc, table, span, p, total, games, source, command, args.extra_ends)
    print(f"win_table: {total} ends of {games} games; wrote {args.data} and {args.doc}")


if __name__ == "__main__":
    main()
