"""How the strength report writes a tournament's results: Elo with its
interval, the SPRT's verdict, one row of a results table, and the tables of
how ends and games came out."""

import game_records


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


def sprt_bounds(t):
    """elo0/elo1 of a summary's SPRT."""
    return f"{t['elo0']:+.0f}/{t['elo1']:+.0f}"


def sprt_cell(run):
    t = run.summary.get("sprt") if run is not None else None
    if not t:
        return "-"
    return (f"{sprt_bounds(t)}: {t['result']} after {run.summary['games']} games "
            f"(LLR {t['llr']:.2f})")


RESULT_HEADER = ["| Opponent (B) | Games | W-D-L (A) | Points (A) | End score diff | Elo (95%) | LOS "
                 "| A's s/shot (mean / max) |",
                 "|---|---:|---|---|---:|---|---:|---:|"]
SPRT_HEADER = [RESULT_HEADER[0] + " SPRT, run of its own |", RESULT_HEADER[1] + "---|"]


def result_row(label, run, with_time=True, sprt_run=None, sprt_column=False):
    """One row of a results table; the SPRT column is there when the table has
    one (`sprt_column`) or a run of its own is given."""
    s = run.summary
    points = f"{s['points']:.1f} / {s['games']}" if s["games"] else "-"
    los = "-" if s["los"] is None else f"{100.0 * s['los']:.1f}%"
    cells = [label, str(s["games"]), f"{s['wins']}-{s['draws']}-{s['losses']}", points,
             f"{s['mean_end_score_difference']:+.2f}", elo_text(s), los]
    if with_time:
        mean, largest = run.a_thinking()
        cells.append(f"{mean:.3f} / {largest:.3f}")
    if sprt_column or sprt_run is not None:
        cells.append(sprt_cell(sprt_run))
    return "| " + " | ".join(cells) + " |"


def end_table(columns):
    """How ends came out for the side with the last stone, one column per
    (label, end outcome counts) pair."""
    def share(counts, keys):
        total = sum(counts.values())
        return f"{100.0 * sum(counts.get(k, 0) for k in keys) / total:.1f}%" if total else "-"

    rows = [("scores 3 or more", range(3, 9)), ("scores 2", [2]), ("scores 1", [1]),
            ("blank", [0]), ("other side steals 1", [-1]), ("other side steals 2 or more",
                                                             range(-8, -1))]
    lines = ["| End for the side with the last stone | "
             + " | ".join(label for label, _ in columns) + " |",
             "|---|" + "---:|" * len(columns)]
    for label, keys in rows:
        lines.append(f"| {label} | " + " | ".join(share(c, keys) for _, c in columns) + " |")
    lines.append("| ends counted | " + " | ".join(str(sum(c.values())) for _, c in columns)
                 + " |")
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
