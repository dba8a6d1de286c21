"""Reading the game records (game.jsonl) that curling-match leaves: how each
end came out for the side that held the last stone (the hammer), and how
close the games were, who played them and how long they thought. Shared by
the win-table generator and the strength report."""

import collections
import glob
import json
import os


def game_files(folder):
    """The game.jsonl files under `folder`: a tournament's game-NNNN folders,
    or a single game's record."""
    files = sorted(glob.glob(os.path.join(folder, "game-*", "game.jsonl")))
    single = os.path.join(folder, "game.jsonl")
    if not files and os.path.exists(single):
        files = [single]
    return files


def game_index(path):
    """0-based number of a tournament game from its folder (game-NNNN): the
    first engine sits in seat 0 in even games and in seat 1 in odd ones."""
    return int(os.path.basename(os.path.dirname(path)).split("-")[1]) - 1


def records(path):
    """The lines of a game record, read as JSON, in order (blank lines
    skipped)."""
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.strip():
                yield json.loads(line)


def read_game(path):
    """Its end lines in order and its result line (None when unfinished)."""
    ends, result = [], None
    for record in records(path):
        if record.get("type") == "end":
            ends.append(record)
        elif record.get("type") == "result":
            result = record
    return ends, result


def hammer_outcome(end):
    """Points of the end for the hammer side: k > 0 it scored k, 0 a blank,
    k < 0 the other side stole -k."""
    hammer_seat = 1 - end["first_seat"]
    if end["scoring_seat"] is None:
        return 0
    return end["points"] if end["scoring_seat"] == hammer_seat else -end["points"]


def completed_games(folders):
    """(path, ends, result) of every game in `folders` that was played to
    its end."""
    for folder in folders:
        for path in game_files(folder):
            ends, result = read_game(path)
            if result is not None and result.get("outcome") == "completed":
                yield path, ends, result


def end_result(end, seat):
    """Points of an end line for `seat`: negative when the other side scored."""
    if end["scoring_seat"] is None:
        return 0
    return end["points"] if end["scoring_seat"] == seat else -end["points"]


def played_positions(folders):
    """(shot number, the 32 stone coordinates before it, the end's result for
    the side that threw it) of every shot of the completed games."""
    for path, ends, _ in completed_games(folders):
        by_end = {e["end"]: e for e in ends}
        for shot in shots(path):
            end = by_end.get(shot["end"])
            if end is not None:
                yield shot["shot"], shot["before"], end_result(end, shot["seat"])


def end_outcomes(folders):
    """Counter of hammer outcomes over every end of the completed games in
    `folders`, and the number of games read."""
    counts = collections.Counter()
    games = 0
    for _, ends, _ in completed_games(folders):
        games += 1
        counts.update(hammer_outcome(e) for e in ends)
    return counts, games


def final_margins(folders):
    """Counter of final point margins |seat 0 - seat 1| of completed games,
    and how many of them went to an extra end."""
    margins = collections.Counter()
    extra = 0
    for path, _, result in completed_games(folders):
        total = result["total"]
        margins[abs(total[0] - total[1])] += 1
        regular = _regular_ends(path)
        if regular is not None and result["ends_played"] > regular:
            extra += 1
    return margins, extra


def _regular_ends(path):
    h = header(path)
    return h["rules"]["ends"] if h else None


def header(path):
    """The header line of a game record (None when it has none)."""
    return next((r for r in records(path) if r.get("type") == "header"), None)


def engine_names(path):
    """The names of the engines in the seats of a game, seat 0 first."""
    h = header(path)
    return [e["name"] for e in h["engines"]] if h else []


def shots(path):
    """The shot lines of a game record, in order."""
    return (r for r in records(path) if r.get("type") == "shot")


def self_play_source(folders):
    """What played the games in `folders`: the first engine's command words
    (program by file name) and the lowest seed."""
    commands, seeds = set(), []
    for folder in folders:
        for path in game_files(folder):
            h = header(path)
            if h is None:
                continue
            words = h["engines"][0]["command"]
            commands.add(" ".join([os.path.basename(words[0])] + words[1:]))
            seeds.append(h["seed"])
    if not commands:
        return "no games"
    return f"{' / '.join(sorted(commands))} (seeds from {min(seeds)})"
