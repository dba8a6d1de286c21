"""The strength report's tournaments: playing one with curling-match, or
keeping a finished one of the same command (--reuse), and what a finished
one says about its first engine, A: its games, its thinking per shot and its
search lines."""

import json
import os
import re
import shlex
import sys
import time

import curling_match
import game_records
import machine

SEARCH_LINE = re.compile(r"strong: .*?(\d+) rollouts, (\d+) simulations, ([0-9.]+) s, "
                         r"([0-9.]+) cpu s;")


class Run:
    """One tournament, or one pairing of a gauntlet (`a_name` and `b_name`
    pick its games): its command, its summary and what its records say."""

    def __init__(self, name, command, folder, seconds, summary, a_name=None, b_name=None):
        self.name, self.command, self.folder = name, command, folder
        self.seconds, self.summary = seconds, summary
        self.a_name, self.b_name = a_name, b_name

    def a_games(self):
        """(game.jsonl path, A's seat) of every game of this run."""
        for path in game_records.game_files(self.folder):
            if self.a_name is None:
                yield path, game_records.game_index(path) % 2
                continue
            names = game_records.engine_names(path)
            if self.a_name in names and self.b_name in names:
                yield path, names.index(self.a_name)

    def a_thinking(self):
        """A's thinking per shot: mean and largest (seconds), over all games."""
        total, shots, largest = 0.0, 0, 0.0
        for path, a_seat in self.a_games():
            for shot in game_records.shots(path):
                if shot["seat"] == a_seat:
                    total += shot["thinking"]
                    shots += 1
                    largest = max(largest, shot["thinking"])
        return (total / shots if shots else 0.0), largest

    def a_search_lines(self):
        """Totals of A's search lines: decisions, rollouts, simulations, wall
        and CPU seconds."""
        totals = [0, 0, 0, 0.0, 0.0]
        for path, a_seat in self.a_games():
            log = os.path.join(os.path.dirname(path), f"engine-{a_seat + 1}.stderr.log")
            if not os.path.exists(log):
                continue
            with open(log, encoding="utf-8", errors="replace") as f:
                for m in SEARCH_LINE.finditer(f.read()):
                    totals[0] += 1
                    totals[1] += int(m.group(1))
                    totals[2] += int(m.group(2))
                    totals[3] += float(m.group(3))
                    totals[4] += float(m.group(4))
        return totals

    def pairing(self, b_name):
        """The games of a gauntlet's first engine against `b_name`."""
        for p in self.summary["pairings"]:
            if p["b"] == b_name:
                return Run(f"{self.name}: {p['a']} - {b_name}", self.command, self.folder,
                           self.seconds, p, p["a"], b_name)
        sys.exit(f"strength_report: no pairing against {b_name} in {self.folder}")


class Tournaments:
    """Plays the report's tournaments into folders under --out, with its
    --build, --ends and --concurrency, and remembers the ones --reuse kept:
    `reused` holds (run name, when it finished)."""

    def __init__(self, args):
        self.args = args
        self.reused = []

    def match(self, name, engine_a, engine_b, games, seed, extra=()):
        """A match of two engines (command lines)."""
        return self._play(name, ["--engine", engine_a, "--engine", engine_b], games, seed, extra)

    def gauntlet(self, name, first, opponents, games, seed):
        """One gauntlet: `first` and each of `opponents` ((name, command line)
        pairs) against it, `games` games each."""
        engines = []
        for engine_name, command in [first, *opponents]:
            engines += ["--engine", f"name={engine_name} cmd={shlex.quote(command)}"]
        return self._play(name, ["--format", "gauntlet", *engines], games, seed,
                          ["--report-every", "10"])

    def _play(self, name, engines, games, seed, extra):
        folder = os.path.join(self.args.out, name)
        command = curling_match.tournament_command(self.args.build, engines, games,
                                                   self.args.ends, seed, self.args.concurrency,
                                                   folder, extra)
        kept = self._kept(name, command, folder) if self.args.reuse else None
        if kept is not None:
            return kept
        start = time.monotonic()
        code = curling_match.play(command)
        seconds = time.monotonic() - start
        summary_path = os.path.join(folder, "summary.json")
        if code != 0 or not os.path.exists(summary_path):
            sys.exit(f"strength_report: tournament {name} failed (exit code {code})")
        summary = _read_json(summary_path)
        with open(os.path.join(folder, "command.json"), "w", encoding="utf-8") as f:
            json.dump({"command": command, "seconds": seconds}, f)
        return Run(name, command, folder, seconds, summary)

    def _kept(self, name, command, folder):
        """The finished tournament in `folder` if it was played by `command`."""
        stamp = os.path.join(folder, "command.json")
        kept, summary = _read_json(stamp), _read_json(os.path.join(folder, "summary.json"))
        if kept is None or summary is None or kept["command"] != command:
            return None
        print("= reusing", folder, flush=True)
        self.reused.append((name, machine.utc_time(os.path.getmtime(stamp))))
        return Run(name, command, folder, kept["seconds"], summary)


def _read_json(path):
    """A JSON file's value, None when there is no such file."""
    if not os.path.exists(path):
        return None
    with open(path, encoding="utf-8") as f:
        return json.load(f)
