"""The suite scripts: make_suites.py on a tiny tournament writes suites that
curling-suite reads and solves, with the engine's win table in the header,
and suite_precision.py compares two solutions."""

import json
import os
import subprocess

from conftest import BIN, run_script


def lines(path):
    with open(path, encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.strip() and not line.startswith("#")]


def test_made_suites_are_read_and_solved_and_compare_with_themselves(self_play, tmp_path):
    out, _ = run_script("make_suites.py", "--records", self_play, "--out", tmp_path,
                        "--count", "2", "--ci", "2")
    assert "2 sets of stones, 6 positions" in out
    suite = lines(tmp_path / "last-stone.jsonl")
    header, positions = suite[0], suite[1:]
    assert header["type"] == "suite" and header["win_table"]["max_lead"] == 15
    assert [p["tags"][3] for p in positions] == ["tied-last", "down1-last", "up2-early"] * 2
    ci = lines(tmp_path / "last-stone-ci.jsonl")[1:]
    assert len(ci) == 2 and ci[0]["objective"] == "points"

    solved = tmp_path / "solved.jsonl"
    subprocess.run([os.path.join(BIN, "curling-suite"), "solve", tmp_path / "last-stone-ci.jsonl",
                    "-o", solved, "-q"], check=True, capture_output=True, timeout=120)
    assert all("answer" in p for p in lines(solved)[1:])
    out, _ = run_script("suite_precision.py", solved, solved)
    assert "value change mean +0.0000" in out and "same kind and curl 100%" in out
