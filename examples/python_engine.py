#!/usr/bin/env python3
"""A curling engine in a page of Python: a one-ply Monte Carlo search.

For each candidate (draws to spots in and in front of the house, takeouts of
the opponent's stones in play near it, both curls) it plays SAMPLES deliveries
with the match's random error in one simulate_many call and throws the
candidate whose outcomes count best on average for its side.

    PYTHONPATH=build/release/python build/release/bin/curling-match \
        --engine "/usr/bin/python3 examples/python_engine.py" --ends 2
"""

import os
import sys

import numpy as np

try:
    import curling
except ImportError:  # run from a checkout: the release build's package
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    sys.path.insert(0, os.path.join(root, "build", "release", "python"))
    import curling

SAMPLES = 32
TEE_X, TEE_Y = curling.TEE
DRAW_SPOTS = [(TEE_X, TEE_Y), (TEE_X - 0.6, TEE_Y), (TEE_X + 0.6, TEE_Y),
              (TEE_X, TEE_Y + 0.9), (TEE_X, TEE_Y - 0.6), (TEE_X, TEE_Y + 3.0)]
TAKEOUT_POWER = 3.0  # metres a takeout would still run past the stone it hits
NEAR_HOUSE = curling.HOUSE_RADIUS + 1.0


def candidates(state):
    """Deliveries (k, 3) worth trying from `state`."""
    shots = [curling.create_shot(x, y, curl) for x, y in DRAW_SPOTS for curl in (0, 1)]
    own_side = state.shot % 2
    for stone, (x, y) in enumerate(state.stones[: state.shot]):
        in_play = x != 0.0 or y != 0.0
        near = np.hypot(x - TEE_X, y - TEE_Y) < NEAR_HOUSE
        if in_play and near and stone % 2 != own_side:
            shots += [curling.create_hit_shot(x, y, TAKEOUT_POWER, curl) for curl in (0, 1)]
    return np.array(shots, dtype=np.float32)


def choose(state, score, time_left):
    shots = candidates(state)
    outcomes = curling.simulate_many(state, shots, n=SAMPLES, seed=state.end * 16 + state.shot)
    best = int(np.argmax(outcomes.score.mean(axis=1)))
    vx, vy, curl = shots[best]
    return float(vx), float(vy), int(curl)


if __name__ == "__main__":
    curling.protocol.run(choose)
