"""The engine protocol for a Python function: `run(choose)` reads commands
from standard input and answers them on standard output, so that a Python
engine plays in curling-match like any other.

    def choose(state, score, time_left):
        return curling.create_shot(2.375, 4.88, 1)
    curling.protocol.run(choose)

`choose` gets a copy of the GameState as the commands set it (POSITION,
SETSTATE), the score as (own, opponent) from the latest SCORE command and the
thinking time left in seconds as (own, opponent) from the latest TIME command
(each None until its command arrives in the game), and returns the delivery
(vx, vy, curl). Words and numbers are read as curling-engine reads them;
replies carry no line end.
"""

import math
import re
import sys

import numpy as np

from ._curling import GameState

# A line longer than this is dropped whole, as the engine drops it.
MAX_LINE = 64 * 1024

_FLOAT = re.compile(r"[+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?")
_INT = re.compile(r"[+-]?\d+")
_INT32 = (-2**31, 2**31 - 1)


def parse_float(word):
    """The longest leading decimal number of `word`, else 0.0."""
    match = _FLOAT.match(word)
    return float(match.group()) if match else 0.0


def parse_int(word):
    """The longest leading integer of `word` clamped to 32 bits, else 0."""
    match = _INT.match(word)
    if not match:
        return 0
    text = match.group()
    negative = text.startswith("-")
    digits = text.lstrip("+-").lstrip("0") or "0"
    if len(digits) > 10:  # beyond 32 bits whatever follows (and beyond int()'s digit limit)
        return _INT32[0] if negative else _INT32[1]
    value = -int(digits) if negative else int(digits)
    return min(max(value, _INT32[0]), _INT32[1])


def split_words(line):
    """Words separated by runs of spaces; a trailing space gives one empty word."""
    return re.split(r" +", line.lstrip(" "))


class Session:
    """One conversation: the game state the commands build, and the replies."""

    def __init__(self, choose):
        self._choose = choose
        self._commands = {"newgame": self._new_game, "isready": self._is_ready,
                          "position": self._position, "setstate": self._set_state,
                          "score": self._score, "time": self._time, "go": self._go}
        self._new_game([])

    def handle(self, line):
        """Handles one line (without its line end); returns the reply or None."""
        words = split_words(line.split("\0", 1)[0])
        command = self._commands.get(_ascii_lower(words[0]))
        return command(words[1:]) if command else None

    def _new_game(self, _):
        self.state = GameState()
        self.score = None
        self.time_left = None

    def _is_ready(self, _):
        return "READYOK"

    def _position(self, words):
        stones = self.state.stones.reshape(-1)
        with np.errstate(over="ignore"):
            for k, word in enumerate(words[:32]):
                stones[k] = parse_float(word)

    def _set_state(self, words):
        fields = ("shot", "end", "last_end")
        for name, word in zip(fields, words[:3]):
            setattr(self.state, name, parse_int(word))
        if len(words) > 3:
            self.state.side = 1 if parse_int(words[3]) != 0 else 0

    def _score(self, words):
        if len(words) >= 2:
            self.score = (parse_int(words[0]), parse_int(words[1]))

    def _time(self, words):
        if len(words) >= 2:
            self.time_left = (parse_float(words[0]), parse_float(words[1]))

    def _go(self, _):
        vx, vy, curl = self._choose(self.state.copy(), self.score, self.time_left)
        if not (math.isfinite(vx) and math.isfinite(vy)):
            raise ValueError(f"choose returned a non-finite speed ({vx}, {vy})")
        return "BESTSHOT %f %f %d" % (vx, vy, 1 if curl else 0)


def _ascii_lower(word):
    return word.translate(_LOWER)


_LOWER = {c: c + 32 for c in range(ord("A"), ord("Z") + 1)}


def read_lines(stream):
    """Lines of a binary stream, cut at LF or CR, as text (one character per
    byte); a line longer than MAX_LINE is dropped whole."""
    dropping = False
    while True:
        chunk = stream.readline(MAX_LINE + 1)
        if not chunk:
            return
        complete = chunk.endswith(b"\n")
        if dropping or (len(chunk) > MAX_LINE and not complete):
            dropping = not complete
            continue
        for line in chunk.replace(b"\r", b"\n").split(b"\n")[: -1 if complete else None]:
            yield line.decode("latin-1")


def run(choose, input=None, output=None):
    """Speaks the protocol for `choose` until the input ends."""
    input = input if input is not None else sys.stdin.buffer
    output = output if output is not None else sys.stdout.buffer
    session = Session(choose)
    for line in read_lines(input):
        reply = session.handle(line)
        if reply is not None:
            output.write(reply.encode("ascii"))
            output.flush()
