"""The win-probability table: the dynamic programme's invariants, and the
script run on a tiny tournament, its C++ data compiling as the engine
includes it."""

import re
import shutil
import subprocess

import pytest

import win_table
from conftest import BUILD, SELF_PLAY, run_script

LEADS = range(-win_table.MAX_LEAD, win_table.MAX_LEAD + 1)


def end_chances(**shares):
    """p(k) over every end result from a few shares (scored_1=0.4, ...)."""
    names = {"blank": 0, **{f"scored_{k}": k for k in range(1, 9)},
             **{f"stolen_{k}": -k for k in range(1, 9)}}
    p = {k: 0.0 for k in range(-win_table.MAX_END_POINTS, win_table.MAX_END_POINTS + 1)}
    for name, share in shares.items():
        p[names[name]] = share
    assert abs(sum(p.values()) - 1.0) < 1e-12
    return p


def test_the_two_sides_chances_add_up_to_one_and_grow_with_the_lead():
    p = end_chances(scored_1=0.35, scored_2=0.2, scored_3=0.05, blank=0.15, stolen_1=0.2,
                    stolen_2=0.05)
    table, span = win_table.win_table(p, extra_ends=4)
    assert len(table) == win_table.MAX_ENDS_LEFT + 1
    for n, level in enumerate(table):
        for h in (0, 1):
            chances = [level[h][d + span] for d in LEADS]
            assert all(0.0 <= w <= 1.0 for w in chances)
            assert chances == sorted(chances), (n, h)
            for d in LEADS:
                # a side's chance and its opponent's (the other seat of the
                # hammer, the opposite lead): a draw counts half to each
                assert level[h][d + span] + level[1 - h][-d + span] == pytest.approx(1.0)
    assert [table[0][1][d + span] for d in (-1, 1)] == [0.0, 1.0]
    # with the hammer in the last end, tied: it scores, or blanks and keeps it
    assert table[1][1][span] > table[1][0][span]


def test_a_tie_after_the_last_end():
    always_blank = end_chances(blank=1.0)
    assert win_table.extra_end_chances(always_blank, 4) == (0.5, 0.5)
    decided = end_chances(scored_1=0.7, stolen_1=0.3)
    assert win_table.extra_end_chances(decided, 4) == pytest.approx((0.3, 0.7))
    assert win_table.extra_end_chances(decided, 0) == (0.5, 0.5)


def test_table_from_records_compiles_and_the_page_shows_it(self_play, tmp_path):
    data, doc = tmp_path / "win_table_data.inc", tmp_path / "win-probability.md"
    out, _ = run_script("win_table.py", "--records", self_play, "--data", data, "--doc", doc)
    assert f"of {SELF_PLAY['games']} games" in out

    text = data.read_text(encoding="utf-8")
    body = text[text.index("= {"):]
    values = [float(v) for v in re.findall(r"\d\.\d{9}", body)]
    assert len(values) == (win_table.MAX_ENDS_LEFT + 1) * 2 * len(LEADS)
    assert all(0.0 <= v <= 1.0 for v in values)
    compiler = shutil.which("g++")
    if compiler is not None:
        check = tmp_path / "check.cpp"
        check.write_text(f'#include "{data}"\n'
                         "static_assert(kWinTable[0][1][kWinTableMaxLead + 1] == 1.0);\n"
                         "static_assert(kWinTable[0][0][kWinTableMaxLead - 1] == 0.0);\n"
                         "static_assert(sizeof kWinTable[0][0] / sizeof(double) "
                         "== 2 * kWinTableMaxLead + 1);\n", encoding="utf-8")
        subprocess.run([compiler, "-std=c++20", "-fsyntax-only", str(check)], check=True)

    page = doc.read_text(encoding="utf-8")
    ends_left_rows = [line for line in page.splitlines() if re.match(r"\| \d+ \| \d", line)]
    assert len(ends_left_rows) == 2 * win_table.MAX_ENDS_LEFT
    assert "self-play of `curling-engine (seeds from" in page


def test_plays_its_own_games_or_says_there_are_none(tmp_path):
    out, _ = run_script("win_table.py", "--build", BUILD, "--games", 2, "--ends", 1,
                        "--out", tmp_path / "games", "--data", tmp_path / "data.inc",
                        "--doc", tmp_path / "doc.md")
    assert out.startswith("+ ") and "of 2 games" in out
    empty = tmp_path / "empty"
    empty.mkdir()
    _, err = run_script("win_table.py", "--records", empty, "--data", tmp_path / "x.inc",
                        "--doc", tmp_path / "x.md", expect=1)
    assert "no completed games found" in err
