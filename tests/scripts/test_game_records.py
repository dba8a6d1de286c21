"""Reading curling-match's game records: what the win table and the strength
report count must agree with the scores the server wrote."""

import os
import shutil

import game_records
from conftest import SELF_PLAY


def test_hammer_outcomes_rebuild_every_games_score(self_play):
    games = list(game_records.completed_games([self_play]))
    assert len(games) == SELF_PLAY["games"]
    for _, ends, result in games:
        total = [0, 0]
        for end in ends:
            hammer = 1 - end["first_seat"]
            k = game_records.hammer_outcome(end)
            if k > 0:
                total[hammer] += k
            elif k < 0:
                total[1 - hammer] -= k
            assert total == end["total"]
        assert total == result["total"]

    counts, read = game_records.end_outcomes([self_play])
    assert read == SELF_PLAY["games"]
    assert sum(counts.values()) == sum(len(ends) for _, ends, _ in games)

    margins, extra = game_records.final_margins([self_play])
    assert sorted(margins.elements()) == sorted(abs(r["total"][0] - r["total"][1])
                                                for _, _, r in games)
    assert extra == sum(r["ends_played"] > SELF_PLAY["ends"] for _, _, r in games)


def test_first_engine_alternates_seats_and_the_source_names_the_engine(self_play):
    paths = game_records.game_files(self_play)
    assert [game_records.game_index(p) for p in paths] == list(range(SELF_PLAY["games"]))
    for path in paths:
        names = game_records.engine_names(path)
        assert names[game_records.game_index(path) % 2].endswith("#1"), names
        assert all(shot["seat"] in (0, 1) for shot in game_records.shots(path))
    assert game_records.self_play_source([self_play]) == \
        f"curling-engine (seeds from {SELF_PLAY['seed']})"


def test_unfinished_and_single_game_records(self_play, tmp_path):
    source = game_records.game_files(self_play)[0]
    with open(source, encoding="utf-8") as f:
        lines = f.readlines()
    unfinished = tmp_path / "tournament" / "game-0001"
    unfinished.mkdir(parents=True)
    # A game the server stopped before its result, with a blank line: read,
    # but not counted.
    (unfinished / "game.jsonl").write_text("".join(lines[:-1]) + "\n", encoding="utf-8")
    assert game_records.end_outcomes([str(tmp_path / "tournament")]) == ({}, 0)

    single = tmp_path / "single"
    single.mkdir()
    shutil.copy(source, single / "game.jsonl")
    assert game_records.game_files(str(single)) == [os.path.join(str(single), "game.jsonl")]
    assert game_records.end_outcomes([str(single)])[1] == 1
