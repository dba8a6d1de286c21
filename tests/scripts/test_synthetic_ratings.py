"""synthetic_ratings.py on a small set: the database it writes by the
documented schema is read by curling-match ratings, and the known strengths
come back."""

import re

from conftest import BUILD, run_script


def test_known_strengths_come_back_from_a_database_written_by_the_schema():
    out, _ = run_script("synthetic_ratings.py", "--elo", 0, 300, -200, "--pairs", 300,
                        "--skip", 0, "--seed", 5, "--build", BUILD)
    rows = re.findall(r"^\| (p\d) \| ([+-]\d+) \| ([+-][\d.]+) \|", out, re.M)
    assert [name for name, _, _ in rows] == ["p0", "p1", "p2"], out
    for _, true, recovered in rows:
        assert abs(float(true) - float(recovered)) < 40, out
    assert "900 pairs" in out


def test_bad_arguments_are_usage_errors():
    _, errors = run_script("synthetic_ratings.py", "--elo", 0, expect=2)
    assert "two players or more" in errors
