"""Tournaments of curling-match as the report scripts play them: the command
line, and playing it with the command echoed first."""

import os
import shlex
import subprocess

import checkout


def tournament_command(build, engines, games, ends, seed, concurrency, out, extra=()):
    """curling-match's command line for a tournament into `out`; `engines` are
    its --engine (and --format) words, `extra` any further options."""
    return [os.path.join(checkout.bin_dir(build), "curling-match"), *engines,
            "--games", str(games), "--ends", str(ends), "--seed", str(seed),
            "--concurrency", str(concurrency), *extra, "--out", out]


def play(command):
    """Runs a tournament's command after printing it; its exit code."""
    print("+", shlex.join(command), flush=True)
    return subprocess.run(command, check=False).returncode
