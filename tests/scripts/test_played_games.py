"""The learned value and played games: the network against ends played out
(learn/calibration.py judges every shot of the tiny self-play tournament for
the side that threw it), `curling-learn predict --positions` building the
network's inputs from a game record's stones, and the positions of played
games labelled by `curling-learn generate --played`."""

import json
import os
import subprocess
import sys

import numpy as np
import pytest

from conftest import BIN, ROOT, SELF_PLAY

sys.path.insert(0, os.path.join(ROOT, "learn"))
import calibration  # noqa: E402
import played_positions  # noqa: E402

MODEL = os.path.join(ROOT, "learn", "models", "value-network.bin")


def learn(*words, text=None):
    return subprocess.run([os.path.join(BIN, "curling-learn"), *map(str, words)], input=text,
                          capture_output=True, text=True, timeout=120)


def predict(text, *options):
    return learn("predict", "--model", MODEL, *options, text=text)


def test_every_shot_is_judged_for_the_side_that_threw_it(self_play, tmp_path, capsys):
    out = tmp_path / "calibration.json"
    assert calibration.main(["--bin", BIN, "--model", MODEL, "--games", self_play,
                             "--json", str(out)]) == 0
    summary = json.loads(out.read_text(encoding="utf-8"))
    rows = {r["shot"]: r for r in summary["shots"]}
    assert sorted(rows) == list(range(16))
    assert summary["positions"] == 16 * rows[0]["positions"] >= 16 * SELF_PLAY["games"]
    for shot in range(0, 16, 2):
        # Two shots of one end are thrown by the two sides: opposite results.
        assert rows[shot]["mean_result"] == -rows[shot + 1]["mean_result"]
    for r in summary["shots"]:
        assert np.isfinite(r["network_loss"]) and r["network_loss"] > 0
    for cells in summary["reliability"].values():
        assert all(c["observed"] is None or 0.0 <= c["observed"] <= 1.0 for c in cells)
    assert sum(c["positions"] for cells in summary["reliability"].values()
               for c in cells) == summary["positions"]
    assert "| 15 | " in capsys.readouterr().out


def test_positions_give_the_same_inputs_as_their_features():
    lines_as_features, lines_as_positions = [], []
    for shot in (0, 7, 15):
        # An empty sheet: no stones, the shot one-hot, the hammer on odd shots.
        features = [0.0] * 48 + [1.0 if k == shot else 0.0 for k in range(16)] + [shot % 2]
        lines_as_features.append(" ".join(map(str, features)))
        lines_as_positions.append(" ".join([str(shot)] + ["0"] * 32))
    by_features = predict("\n".join(lines_as_features) + "\n")
    by_positions = predict("\n".join(lines_as_positions) + "\n", "--positions")
    assert by_features.returncode == by_positions.returncode == 0, by_positions.stderr
    assert by_features.stdout == by_positions.stdout
    rows = [[float(v) for v in line.split()] for line in by_positions.stdout.splitlines()]
    assert len(rows) == 3 and all(sum(r) == pytest.approx(1.0) for r in rows)


@pytest.mark.parametrize("line, message", [
    ("16" + " 0" * 32, "line 1: the shot number is not 0 to 15"),
    ("1.5" + " 0" * 32, "line 1: the shot number is not 0 to 15"),
    ("3" + " 0" * 31, "line 1: not 33 numbers"),
    ("3" + " 0" * 33, "line 1: more than 33 numbers"),
    ("3" + " 0" * 31 + " nan", "line 1: not 33 numbers"),
])
def test_bad_position_lines_exit_2_saying_where(line, message):
    run = predict(line + "\n", "--positions")
    assert run.returncode == 2 and message in run.stderr, run.stderr


def test_played_positions_are_labelled_first_and_bad_files_refused(self_play, tmp_path):
    positions = tmp_path / "played.txt"
    assert played_positions.main(["--games", self_play, "--out", str(positions)]) == 0
    lines = positions.read_text(encoding="utf-8").splitlines()
    assert len(lines) % 16 == 0 and len(lines) >= 16 * SELF_PLAY["games"] * SELF_PLAY["ends"]
    assert [int(line.split()[0]) for line in lines[:16]] == list(range(16))

    run = learn("generate", "--shot", 15, "--positions", 3, "--samples", 1, "--threads", 1,
                "--played", positions, "--played-share", 0.7, "--out", tmp_path / "d.bin")
    assert run.returncode == 0, run.stderr
    assert f"2 of 3 positions from {positions}" in run.stderr

    bad = tmp_path / "bad.txt"
    for text, message in [(lines[0] + "\n\n" + "15 1 2\n", ":3: not 33 numbers"),
                          ("1" * 5000 + "\n", ":1: longer than 4096 characters")]:
        bad.write_text(text, encoding="utf-8")
        run = learn("generate", "--shot", 15, "--positions", 3, "--played", bad,
                    "--out", tmp_path / "e.bin")
        assert run.returncode == 2 and f"{bad}{message}" in run.stderr, run.stderr
    assert not (tmp_path / "e.bin").exists()
    run = learn("generate", "--shot", 15, "--positions", 3, "--played", tmp_path / "none.txt",
                "--out", tmp_path / "e.bin")
    assert run.returncode == 2 and "none.txt: cannot be read" in run.stderr
