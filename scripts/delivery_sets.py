"""The benchmark's sets of deliveries: a set plays its draws and its hits in
equal numbers, so its rate is the harmonic mean of the two rates."""


def set_rate(draws, hits):
    """Deliveries per second of a set from its draws' and hits' rates (None
    when either is missing or zero)."""
    return 2.0 / (1.0 / draws + 1.0 / hits) if draws and hits else None
