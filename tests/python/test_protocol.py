"""Python engines: the protocol as curling-engine reads it, the engine client,
and the example engine playing a whole game in curling-match."""

import io
import json
import math
import os
import subprocess
import sys

import pytest

from conftest import BIN, ENGINE, ROOT, curling
from curling.engine_process import EngineError, EngineProcess


def converse(script):
    """Runs the protocol over `script` (bytes); returns the output and the
    arguments of every choose call."""
    calls = []

    def choose(state, score, time_left):
        calls.append((state, score, time_left))
        return 0.1, -2.0, 7
    output = io.BytesIO()
    curling.protocol.run(choose, io.BytesIO(script), output)
    return output.getvalue(), calls


def test_commands_words_and_numbers_as_the_engine_reads_them():
    out, calls = converse(
        b"isready\r\n"
        b"  POSITION 1 2.5abc nan 0x10 1e39 -1e39 .5 5. +3e-1 \n"
        b"SETSTATE 14 3\rSETSTATE 14 3 99999999999999999999 -7\n"
        b"SCORE 4\nTIME 12.5 9x\nGO now\n"
        b"NEWGAME\nSCORE 2 5\nPOSITION 9 9\0 9 9\nGO\tnow\nGO")
    assert out == b"READYOK" + b"BESTSHOT 0.100000 -2.000000 1" * 2
    state, score, time_left = calls[0]
    assert state.stones.reshape(-1)[:10].tolist() == [
        1.0, 2.5, 0.0, 0.0, math.inf, -math.inf, 0.5, 5.0, pytest.approx(0.3), 0.0]
    assert (state.shot, state.end, state.last_end, state.side) == (14, 3, 2**31 - 1, 1)
    assert score is None and time_left == (12.5, 9.0)
    state, score, time_left = calls[1]
    assert state.stones.reshape(-1)[:4].tolist() == [9.0, 9.0, 0.0, 0.0]
    assert state.shot == 0 and score == (2, 5) and time_left is None


def test_a_line_longer_than_64_kib_is_dropped_whole():
    out, calls = converse(b"ISREADY " + b"x" * 70000 + b"\nISREADY\n")
    assert out == b"READYOK"


def test_engine_client_speaks_to_curling_engine():
    with EngineProcess([ENGINE]) as engine:
        state = curling.GameState(shot=0, last_end=7)
        vx, vy, curl = engine.choose(state, score=(0, 0), time_left=(1800.0, 1800.0))
        assert math.isfinite(vx) and -6 < vy < 0 and curl in (0, 1)
        engine.new_game()
        assert engine.choose(state) == (vx, vy, curl)
    with pytest.raises(EngineError, match="cannot start"):
        EngineProcess(["/nonexistent/engine"])
    with pytest.raises(EngineError, match="exited|closed its output"):
        EngineProcess([sys.executable, "-c", "pass"])


def test_example_engine_plays_a_whole_game_in_curling_match(tmp_path):
    example = f"{sys.executable} {os.path.join(ROOT, 'examples', 'python_engine.py')}"
    env = dict(os.environ, PYTHONPATH=os.path.dirname(os.path.dirname(curling.__file__)))
    done = subprocess.run(
        [os.path.join(BIN, "curling-match"), "--engine", example, "--engine", ENGINE,
         "--ends", "2", "--extra-ends", "0", "--seed", "11", "--out", str(tmp_path / "game")],
        env=env, capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, done.stdout + done.stderr
    lines = [json.loads(line) for line in open(tmp_path / "game" / "game.jsonl")]
    result = lines[-1]
    assert result["type"] == "result" and result["outcome"] == "completed"
    assert result["ends_played"] == 2
    python_shots = [line for line in lines if line["type"] == "shot" and line["seat"] == 0]
    assert len(python_shots) == 16
