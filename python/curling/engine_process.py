"""An engine program run as a child process and spoken to through the engine
protocol, as curling-match speaks to it: usable as an opponent's `choose`.

    with EngineProcess("build/release/bin/curling-engine") as engine:
        vx, vy, curl = engine.choose(state, score=(0, 0), time_left=(1800.0, 1800.0))
"""

import fcntl
import os
import re
import select
import shlex
import struct
import subprocess
import termios
import time

_BESTSHOT = re.compile(rb"BESTSHOT\s+(\S+)\s+(\S+)\s+([01])(?!\S)")


class EngineError(RuntimeError):
    """The engine failed: it exited, stopped reading, answered too late or malformed."""


class EngineProcess:
    """One engine process for a game at a time; `command` is a list of words
    or a string split like a shell does (without running a shell)."""

    def __init__(self, command, timeout=60.0, stderr=subprocess.DEVNULL):
        self.argv = shlex.split(command) if isinstance(command, str) else list(command)
        self.timeout = timeout
        self._pending = b""
        try:
            self._process = subprocess.Popen(self.argv, stdin=subprocess.PIPE,
                                             stdout=subprocess.PIPE, stderr=stderr, bufsize=0)
        except OSError as e:
            raise EngineError(f"cannot start {self.argv}: {e}") from e
        self.new_game()

    def new_game(self):
        """NEWGAME, then ISREADY until READYOK."""
        self._send("NEWGAME")
        self._send("ISREADY")
        self._read_until(lambda buffer: _cut_after(buffer, b"READYOK"), "READYOK")

    def choose(self, state, score=None, time_left=None):
        """The engine's delivery (vx, vy, curl) for `state` (its `side` is the
        engine's seat); score and time_left as (own, opponent), sent as SCORE
        and TIME when given."""
        stones = " ".join(repr(float(v)) for v in state.stones.reshape(-1))
        self._send("POSITION " + stones)
        self._send(f"SETSTATE {state.shot} {state.end} {state.last_end} {state.side}")
        if score is not None:
            self._send(f"SCORE {int(score[0])} {int(score[1])}")
        if time_left is not None:
            self._send(f"TIME {max(time_left[0], 0.0):.3f} {max(time_left[1], 0.0):.3f}")
        self._send("GO")
        match = self._read_until(_cut_bestshot, "BESTSHOT")
        try:
            vx, vy = float(match.group(1)), float(match.group(2))
        except ValueError:
            raise EngineError(f"malformed answer {match.group().decode('latin-1')!r}") from None
        return vx, vy, int(match.group(3))

    def close(self):
        """Closes the engine's input, gives it 0.5 s to exit, then kills it."""
        if self._process.poll() is None:
            try:
                self._process.stdin.close()
                self._process.wait(0.5)
            except (OSError, subprocess.TimeoutExpired):
                self._process.kill()
                self._process.wait()
        self._process.stdout.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _send(self, command):
        """Writes one line, then waits until the engine has read it: an engine
        may take each read as one command."""
        try:
            self._process.stdin.write(command.encode("ascii") + b"\n")
        except OSError as e:
            raise self._failure(f"cannot write to the engine ({e})") from None
        deadline = time.monotonic() + self.timeout
        while _unread_bytes(self._process.stdin.fileno()) > 0:
            if self._process.poll() is not None:
                raise self._failure("the engine exited")
            if time.monotonic() > deadline:
                raise EngineError(f"the engine stopped reading its input: {self.argv}")
            time.sleep(0.0005)

    def _read_until(self, take, expected):
        """Reads the engine's output until `take(buffer)` finds the answer."""
        deadline = time.monotonic() + self.timeout
        while True:
            found = take(self._pending)
            if found is not None:
                answer, self._pending = found
                return answer
            left = deadline - time.monotonic()
            if left <= 0:
                raise EngineError(f"no {expected} from the engine within {self.timeout} s")
            ready, _, _ = select.select([self._process.stdout], [], [], left)
            if ready:
                data = os.read(self._process.stdout.fileno(), 65536)
                if not data:
                    raise self._failure(f"the engine closed its output before {expected}")
                self._pending += data

    def _failure(self, what):
        code = self._process.poll()
        return EngineError(f"{what}: {self.argv}" + (f" (exit code {code})" if code else ""))


def _cut_after(buffer, word):
    at = buffer.find(word)
    return None if at < 0 else (word, buffer[at + len(word):])


def _cut_bestshot(buffer):
    match = _BESTSHOT.search(buffer)
    return None if match is None else (match, buffer[match.end():])


def _unread_bytes(fd):
    return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]
