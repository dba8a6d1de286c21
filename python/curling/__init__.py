"""Curling for Python: the physics library and the curling count with numpy
arrays (from the extension module _curling), engines that speak the engine
protocol (curling.protocol, curling.engine_process) and a learning
environment with the Gymnasium API shape (curling.env).

    import curling
    state = curling.GameState()
    shot = curling.create_shot(2.375, 4.88, 1)          # a draw to the tee
    after = curling.simulate(state, shot, seed=1)
    batch = curling.simulate_many(state, [shot], n=1000, seed=1)
"""

from ._curling import (
    __version__,
    BACK_LINE_Y,
    DELIVERY,
    HOG_LINE_Y,
    HOUSE_RADIUS,
    MATCH_ERROR,
    SHEET_WIDTH,
    STONE_RADIUS,
    TEE,
    BatchResult,
    GameState,
    ShotEvent,
    ShotRecord,
    create_hit_shot,
    create_shot,
    free_guard_zone_rule,
    score_position,
    set_free_guard_zone_rule,
    set_random_seed,
    simulate,
    simulate_many,
)
from . import engine_process, env, protocol

__all__ = [
    "BACK_LINE_Y", "DELIVERY", "HOG_LINE_Y", "HOUSE_RADIUS", "MATCH_ERROR", "SHEET_WIDTH",
    "STONE_RADIUS", "TEE", "BatchResult", "GameState", "ShotEvent", "ShotRecord",
    "create_hit_shot", "create_shot", "free_guard_zone_rule", "score_position",
    "set_free_guard_zone_rule", "set_random_seed", "simulate", "simulate_many",
    "engine_process", "env", "protocol",
]

env.register_with_gymnasium()
