"""Shared by the report scripts' smoke tests: the scripts (importable, and
run as their users run them), the release build they run against
(CURLING_BUILD, else build/release) and a tiny self-play tournament of the
default engine."""

import os
import subprocess
import sys

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCRIPTS = os.path.join(ROOT, "scripts")
sys.path.insert(0, SCRIPTS)
BUILD = os.environ.get("CURLING_BUILD", os.path.join(ROOT, "build", "release"))
BIN = os.path.join(BUILD, "bin")
SELF_PLAY = {"games": 4, "ends": 2, "seed": 11}


def run_script(name, *args, expect=0, timeout=240):
    """Runs scripts/`name` with this Python from the checkout's root and
    returns what it printed (standard output, standard error)."""
    done = subprocess.run([sys.executable, os.path.join(SCRIPTS, name), *map(str, args)],
                          cwd=ROOT, capture_output=True, text=True, timeout=timeout,
                          env={**os.environ, "PYTHONDONTWRITEBYTECODE": "1"})
    assert done.returncode == expect, f"{name} exited {done.returncode}:\n{done.stderr}"
    return done.stdout, done.stderr


def sections(page):
    """The level-2 headings of a Markdown page, in order."""
    return [line[3:] for line in page.splitlines() if line.startswith("## ")]


@pytest.fixture(scope="session")
def self_play(tmp_path_factory):
    """A tournament folder: the default engine against itself."""
    folder = str(tmp_path_factory.mktemp("records") / "self-play")
    engine = os.path.join(BIN, "curling-engine")
    subprocess.run([os.path.join(BIN, "curling-match"), "--engine", engine, "--engine", engine,
                    "--games", str(SELF_PLAY["games"]), "--ends", str(SELF_PLAY["ends"]),
                    "--seed", str(SELF_PLAY["seed"]), "--concurrency", "2", "--out", folder],
                   check=True, capture_output=True, timeout=120)
    return folder
