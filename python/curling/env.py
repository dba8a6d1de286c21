"""A learning environment with the Gymnasium API shape: one end or one game
of curling against an opponent, the agent throwing its stones through step().

    env = curling.env.CurlingEnv(opponent="build/release/bin/curling-engine", ends=1)
    obs, info = env.reset(seed=7)
    while True:
        obs, reward, terminated, truncated, info = env.step(env.action_space.sample())
        if terminated:
            break

The opponent is an engine command (a string or a list of words, run through the
protocol by EngineProcess) or a Python function choose(state, score, time_left)
-> (vx, vy, curl), as for curling.protocol.run. Every shot is played with the
random error of a match from the stream (seed, 0, shot index in the game), as
curling-match plays a game of the same seed.

Action: (vx, vy, curl), a Box of shape (3,); curl is 1 when action[2] >= 0.5.
Observation: float32 vector of OBSERVATION_SIZE (36): the stones x0, y0, ...,
x15, y15 ((0, 0) out of play or not thrown; stone i is thrown as shot i), the
shot about to be thrown (16 once the game is over), 1 when the agent throws
the odd stones of this end (it has the last stone) else 0, the ends left
including this one, and the agent's points minus the opponent's.
Reward: when an end is scored, its points for the agent (negative when the
opponent scored), else 0; the rewards of an episode add up to the game's
result, the agent's points minus the opponent's. The episode terminates when
the game is over; it is never truncated.
"""

import math
import numbers
import os
import shlex
import time

import numpy as np

from ._curling import MATCH_ERROR, SHEET_WIDTH, DELIVERY, GameState, score_position, simulate
from .engine_process import EngineProcess
from .spaces import Box

try:
    import gymnasium
except ImportError:
    gymnasium = None

ENV_ID = "curling/Curling-v0"
OBSERVATION_SIZE = 36


def default_engine():
    """curling-engine of the build the package lies in (build/<preset>/bin)."""
    here = os.path.dirname(os.path.abspath(__file__))
    return os.path.normpath(os.path.join(here, "..", "..", "bin", "curling-engine"))


def register_with_gymnasium():
    """Registers CurlingEnv as curling/Curling-v0 when Gymnasium is importable."""
    if gymnasium is None:
        return False
    if ENV_ID not in gymnasium.registry:
        gymnasium.register(id=ENV_ID, entry_point="curling.env:CurlingEnv")
    return True


def _engine_command(opponent):
    """The opponent's engine command: None is the build's curling-engine; an
    empty one is refused rather than read as None."""
    if opponent is None:
        return default_engine()
    words = shlex.split(opponent) if isinstance(opponent, str) else list(opponent)
    if not words:
        raise ValueError(f"opponent must be an engine command, a function or None, "
                         f"got the empty {opponent!r}")
    return opponent


def _checked_seed(seed):
    """`seed` when it is an int from 0 to 2**64 - 1 (what the physics stream takes)."""
    if (not isinstance(seed, numbers.Integral) or isinstance(seed, bool)
            or not 0 <= int(seed) < 2**64):
        raise ValueError(f"seed must be an int from 0 to 2**64 - 1, got {seed!r}")
    return int(seed)


def _real(value, name, wanted, accept):
    """`value` as a float when it is a real number for which accept() holds."""
    if isinstance(value, numbers.Real) and not isinstance(value, bool) and accept(float(value)):
        return float(value)
    raise ValueError(f"{name} must be {wanted}, got {value!r}")


class _Match:
    """The game being played: positions, ends, who throws, the totals by seat."""

    def __init__(self, seed, ends, extra_ends):
        self.seed = seed
        self.ends = ends
        self.extra_ends = extra_ends
        self.total = [0, 0]
        self.first_seat = 0
        self.shots_played = 0
        self.over = False
        self.start_end(0)

    def start_end(self, end):
        last_end = self.ends - 1 if end < self.ends else end
        self.state = GameState(shot=0, end=end, last_end=last_end, side=self.first_seat)

    def seat_to_throw(self):
        return self.first_seat if self.state.shot % 2 == 0 else 1 - self.first_seat

    def throw(self, shot, error, free_guard_zone):
        """Plays `shot` for the seat to throw; returns (scoring seat or None,
        points) when it was the end's last stone, else None."""
        self.state = simulate(self.state, shot, error, seed=self.seed, rng_stream=0,
                              counter=self.shots_played, free_guard_zone=free_guard_zone)
        self.shots_played += 1
        if self.state.shot < 16:
            self.state.side = self.seat_to_throw()
            return None
        return self._score_end()

    def _score_end(self):
        count = score_position(self.state, 0)  # for the side that threw first
        seat = None if count == 0 else (self.first_seat if count > 0 else 1 - self.first_seat)
        if seat is not None:
            self.total[seat] += abs(count)
            self.first_seat = seat
        end = self.state.end + 1
        tied = self.total[0] == self.total[1]
        if end < self.ends or (tied and end < self.ends + self.extra_ends):
            self.start_end(end)
        else:
            self.over = True
        return seat, abs(count)


class CurlingEnv(gymnasium.Env if gymnasium else object):
    """One end (ends=1) or a game of `ends` ends, plus up to `extra_ends` while
    tied, against `opponent` (None: the build's curling-engine). The agent
    plays seat `seat`: seat 0 throws first in the first end."""

    metadata = {"render_modes": []}
    render_mode = None

    def __init__(self, opponent=None, ends=1, extra_ends=0, seat=0, error=MATCH_ERROR,
                 free_guard_zone=True, time_budget=1800.0, engine_timeout=60.0):
        if ends < 1 or extra_ends < 0 or seat not in (0, 1):
            raise ValueError("ends must be at least 1, extra_ends at least 0, seat 0 or 1")
        self.ends, self.extra_ends, self.seat = ends, extra_ends, seat
        self.error = _real(error, "error", "a finite number of metres, 0 or more",
                           lambda e: math.isfinite(e) and e >= 0.0)
        self.time_budget = _real(time_budget, "time_budget", "a number of seconds, 0 or more",
                                 lambda t: t >= 0.0)
        self.free_guard_zone = free_guard_zone
        self._engine = None
        if callable(opponent):
            self._opponent = opponent
        else:
            self._engine = EngineProcess(_engine_command(opponent), timeout=engine_timeout)
            self._opponent = self._engine.choose
        self._rng = np.random.default_rng()
        self._match = None
        self.action_space = Box(low=np.array([-1.0, -6.0, 0.0]), high=np.array([1.0, 0.0, 1.0]),
                                dtype=np.float32)
        most = 8.0 * (ends + extra_ends)
        self.observation_space = Box(
            low=np.array([0.0] * 32 + [0.0, 0.0, 0.0, -most]),
            high=np.array([SHEET_WIDTH, DELIVERY[1]] * 16 + [16.0, 1.0, ends + extra_ends, most]),
            dtype=np.float32)

    def reset(self, *, seed=None, options=None):
        """Starts a game; with a seed, the game curling-match --seed plays."""
        if seed is not None:
            seed = _checked_seed(seed)
            self._rng = np.random.default_rng(seed)
        physics_seed = seed if seed is not None else int(self._rng.integers(2**63))
        if self._engine is not None:
            self._engine.new_game()
        self._match = _Match(physics_seed, self.ends, self.extra_ends)
        self._opponent_used = 0.0
        self._play_opponent()
        return self._observation(), self._info()

    def step(self, action):
        match = self._match
        if match is None or match.over:
            raise RuntimeError("the game is over or not started: call reset()")
        action = np.asarray(action, dtype=np.float64)
        if action.shape != (3,):
            raise ValueError(f"action must have shape (3,) (vx, vy, curl), got {action.shape}")
        if not np.all(np.isfinite(action)):
            raise ValueError(f"action must be finite numbers (vx, vy, curl), got {action.tolist()}")
        shot = (float(action[0]), float(action[1]), 1 if action[2] >= 0.5 else 0)
        reward = self._end_reward(match.throw(shot, self.error, self.free_guard_zone))
        reward += self._play_opponent()
        return self._observation(), float(reward), match.over, False, self._info()

    def close(self):
        if self._engine is not None:
            self._engine.close()
            self._engine = None

    def _play_opponent(self):
        """The opponent's shots until the agent is to throw or the game is over."""
        match, reward = self._match, 0
        while not match.over and match.seat_to_throw() != self.seat:
            state = match.state.copy()
            score = (match.total[1 - self.seat], match.total[self.seat])
            time_left = (self.time_budget - self._opponent_used, self.time_budget)
            started = time.monotonic()
            shot = self._opponent(state, score, time_left)
            self._opponent_used += time.monotonic() - started
            reward += self._end_reward(match.throw(shot, self.error, self.free_guard_zone))
        return reward

    def _end_reward(self, scored):
        if scored is None or scored[0] is None:
            return 0
        seat, points = scored
        return points if seat == self.seat else -points

    def _observation(self):
        match = self._match
        state = match.state
        if match.over:
            ends_left, odd = 0, 0.0
        else:
            ends_left = state.last_end - state.end + 1
            odd = 1.0 if match.first_seat != self.seat else 0.0
        margin = match.total[self.seat] - match.total[1 - self.seat]
        shot = 16 if match.over else state.shot
        tail = np.array([shot, odd, ends_left, margin], dtype=np.float32)
        return np.concatenate([state.stones.reshape(-1), tail])

    def _info(self):
        match = self._match
        info = {"state": match.state.copy(), "seed": match.seed,
                "score": (match.total[self.seat], match.total[1 - self.seat]),
                "shots_played": match.shots_played}
        if match.over:
            info["result"] = info["score"][0] - info["score"][1]
        return info
