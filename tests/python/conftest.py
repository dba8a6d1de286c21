"""Shared by the Python package's tests: the package (the build's, from
PYTHONPATH, else build/release/python), the build's programs, the library
through ctypes, and seeded positions with their deliveries."""

import ctypes
import os
import sys

import numpy as np
import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
try:
    import curling
except ImportError:
    sys.path.insert(0, os.path.join(ROOT, "build", "release", "python"))
    import curling

BIN = os.path.normpath(os.path.join(os.path.dirname(curling.__file__), "..", "..", "bin"))
ENGINE = os.path.join(BIN, "curling-engine")


class CState(ctypes.Structure):
    _fields_ = [("ShotNum", ctypes.c_int32), ("CurEnd", ctypes.c_int32),
                ("LastEnd", ctypes.c_int32), ("Score", ctypes.c_int32 * 10),
                ("NextSide", ctypes.c_uint8), ("Padding", ctypes.c_uint8 * 3),
                ("Stones", ctypes.c_float * 32)]


class CShot(ctypes.Structure):  # ShotVector, and AimPoint (x, y, curl)
    _fields_ = [("vx", ctypes.c_float), ("vy", ctypes.c_float), ("curl", ctypes.c_uint8),
                ("Padding", ctypes.c_uint8 * 3)]


class Library:
    """The C exports of the very library the package links."""

    def __init__(self):
        lib = ctypes.CDLL(os.path.join(BIN, "libCurlingSimulator.so"))
        lib.Simulation.argtypes = [ctypes.POINTER(CState), CShot, ctypes.c_float,
                                   ctypes.c_void_p, ctypes.c_int]
        lib.CreateShot.argtypes = [CShot, ctypes.POINTER(CShot)]
        lib.CreateHitShot.argtypes = [CShot, ctypes.c_float, ctypes.POINTER(CShot)]
        self.lib = lib

    def simulate(self, state, shot, error):
        c_state = CState.from_buffer_copy(bytes(state))
        self.lib.Simulation(ctypes.byref(c_state), CShot(shot[0], shot[1], shot[2]), error,
                            None, -1)
        return curling.GameState.from_bytes(bytes(c_state))

    def create_shot(self, x, y, curl, power=None):
        out = CShot()
        if power is None:
            self.lib.CreateShot(CShot(x, y, curl), ctypes.byref(out))
        else:
            self.lib.CreateHitShot(CShot(x, y, curl), power, ctypes.byref(out))
        return out.vx, out.vy, out.curl


@pytest.fixture(scope="session")
def library():
    return Library()


def make_scenes(count, stones_in_play, seed):
    """(state, shot) pairs: stones 0 .. stones_in_play - 1 placed without
    overlap in and in front of the house, alternately a draw to a random
    point and a hit on a random stone (a house point on an empty sheet)."""
    rng = np.random.default_rng(seed)
    scenes = []
    for k in range(count):
        stones = np.zeros((16, 2), dtype=np.float32)
        placed = 0
        while placed < stones_in_play:
            x, y = rng.uniform(0.6, 4.15), rng.uniform(3.5, 10.5)
            if all(np.hypot(x - sx, y - sy) > 0.3 for sx, sy in stones[:placed]):
                stones[placed] = (x, y)
                placed += 1
        state = curling.GameState(stones=stones, shot=stones_in_play)
        curl = int(rng.integers(2))
        if k % 2 == 0 or stones_in_play == 0:
            shot = curling.create_shot(rng.uniform(1.0, 3.75), rng.uniform(3.5, 8.0), curl)
        else:
            x, y = stones[rng.integers(stones_in_play)]
            shot = curling.create_hit_shot(float(x), float(y), rng.uniform(0.5, 4.0), curl)
        scenes.append((state, shot))
    return scenes


def bits(array):
    """An array's bits, for comparisons that tell 0.0 from -0.0 and match NaNs."""
    return np.ascontiguousarray(array).view(np.uint32)
