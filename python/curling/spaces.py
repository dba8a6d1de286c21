"""Box spaces for the environment: Gymnasium's when it is importable, else a
small stand-in with the same attributes (shape, dtype, low, high, sample,
contains, seed)."""

import numpy as np

try:
    from gymnasium.spaces import Box
except ImportError:
    class Box:
        """Real vectors between `low` and `high` (arrays of one shape)."""

        def __init__(self, low, high, dtype=np.float32):
            self.dtype = np.dtype(dtype)
            self.low = np.asarray(low, dtype=self.dtype)
            self.high = np.asarray(high, dtype=self.dtype)
            self.shape = self.low.shape
            self._rng = np.random.default_rng()

        def seed(self, seed=None):
            self._rng = np.random.default_rng(seed)
            return [seed]

        def sample(self):
            low = np.where(np.isfinite(self.low), self.low, -1e3)
            high = np.where(np.isfinite(self.high), self.high, 1e3)
            return self._rng.uniform(low, high).astype(self.dtype)

        def contains(self, x):
            x = np.asarray(x)
            return bool(x.shape == self.shape and np.all(x >= self.low) and np.all(x <= self.high))

        __contains__ = contains

        def __repr__(self):
            return f"Box({self.low}, {self.high}, {self.shape}, {self.dtype})"
