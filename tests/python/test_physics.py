"""The binding's physics against the C exports of the same library, its
records and switches, and what it does with wrong arguments."""

import copy
import pickle
import re
import threading

import numpy as np
import pytest

from conftest import bits, curling, make_scenes

SCENES = [scene for stones in (0, 4, 8, 15) for scene in make_scenes(24, stones, seed=stones)]


def test_every_path_agrees_with_the_c_exports_bit_for_bit_without_error(library):
    for state, shot in SCENES:
        expected = library.simulate(state, shot, 0.0)
        assert curling.simulate(state, shot, 0.0) == expected
        assert curling.simulate(state, shot, 0.0, seed=9, counter=3) == expected
        assert curling.simulate(state, shot, 0.0, seed=9, record=True)[0] == expected
        batch = curling.simulate_many(state, shot, n=2, error=0.0)
        assert bits(batch.stones[1]).tolist() == bits(expected.stones).tolist()
    rng = np.random.default_rng(3)
    for x, y, power, curl in zip(rng.uniform(0, 4.75, 50), rng.uniform(2, 12, 50),
                                 rng.uniform(-1, 5, 50), rng.integers(2, size=50)):
        assert curling.create_shot(x, y, curl) == library.create_shot(x, y, curl)
        assert curling.create_hit_shot(x, y, power, curl) == library.create_shot(x, y, curl, power)


def test_unseeded_calls_draw_the_errors_simulation_draws(library):
    """Without a seed the binding is Simulation: the library seed and a call
    counter per thread (each new thread starts at 0)."""
    curling.set_random_seed(77)
    results = {}

    def play(name, simulate):
        results[name] = [simulate(state, shot, 0.145) for state, shot in SCENES]
    try:
        for name, simulate in (("binding", curling.simulate), ("c", library.simulate)):
            thread = threading.Thread(target=play, args=(name, simulate))
            thread.start()
            thread.join()
    finally:
        curling.set_random_seed(0)
    assert results["binding"] == results["c"]
    exact = [curling.simulate(state, shot, 0.0) for state, shot in SCENES]
    assert sum(a != b for a, b in zip(results["binding"], exact)) > len(SCENES) // 2


def guard_takeout():
    """Shot 1 takes out the opponent's centre guard (stone 0)."""
    state = curling.GameState(stones=[[2.375, 8.0]] + [[0, 0]] * 15, shot=1)
    return state, curling.create_hit_shot(2.375, 8.0, 8.0, 1)


@pytest.mark.parametrize("library_rule, seed, free_guard_zone, guard_restored", [
    (True, None, None, True), (False, None, None, False),
    (True, 5, None, True), (False, 5, None, False), (True, 5, False, False), (False, 5, True, True),
])
def test_free_guard_zone_switches(library_rule, seed, free_guard_zone, guard_restored):
    state, shot = guard_takeout()
    curling.set_free_guard_zone_rule(library_rule)
    try:
        after = curling.simulate(state, shot, 0.0, seed=seed, free_guard_zone=free_guard_zone)
    finally:
        curling.set_free_guard_zone_rule(True)
    assert (after.stones[0].tolist() == [2.375, 8.0]) == guard_restored
    if guard_restored:
        assert after.stones[1].tolist() == [0.0, 0.0]


def test_record_follows_every_moving_stone_to_its_final_place():
    state, shot = make_scenes(2, 8, seed=11)[1]
    after, record = curling.simulate(state, shot, 0.145, seed=4, record=True)
    assert after == curling.simulate(state, shot, 0.145, seed=4)
    assert record.played != shot and abs(record.played[1] - shot[1]) < 0.1
    assert state.shot in record.trajectories
    for stone, samples in record.trajectories.items():
        assert samples.dtype == np.float32 and samples.shape[1] == 3
        assert np.all(np.diff(samples[:, 0]) > 0)
        if after.stones[stone].any():
            assert samples[-1, 1:].tolist() == after.stones[stone].tolist()
    kinds = {"collision", "stopped", "left_side", "left_back", "hog_line", "free_guard_zone",
             "event_limit", "out_of_play_before"}
    assert record.events and all(event.kind in kinds for event in record.events)
    assert any(event.kind == "collision" for event in record.events)


def test_a_stone_delivered_backwards_leaves_play_by_the_delivery_end():
    after, record = curling.simulate(curling.GameState(shot=14), (0.0, 1.0, 1), 0.0, seed=1,
                                     record=True)
    assert [event.kind for event in record.events if event.a == 14] == ["left_delivery_end"]
    assert not after.stones[14].any()


def test_game_state_is_the_record_with_numpy_views():
    state = curling.GameState(stones=np.arange(32).reshape(16, 2), shot=3, end=2, last_end=7,
                              side=1)
    assert state.stones.dtype == np.float32 and state.stones.shape == (16, 2)
    assert state.score.dtype == np.int32 and state.score.shape == (10,)
    state.stones[5] = (2.0, 5.5)
    state.score[1] = -2
    raw = bytes(state)
    assert len(raw) == 184
    assert np.frombuffer(raw, np.int32, 3).tolist() == [3, 2, 7]
    assert np.frombuffer(raw, np.int32, 1, 16).tolist() == [-2]
    assert raw[52] == 1
    assert np.frombuffer(raw, np.float32, 2, 56 + 5 * 8).tolist() == [2.0, 5.5]
    for twin in (curling.GameState.from_bytes(raw), pickle.loads(pickle.dumps(state)),
                 copy.deepcopy(state), state.copy()):
        assert twin == state
        twin.stones[0, 0] = 9.0
        assert twin != state


@pytest.mark.parametrize("call, message", [
    (lambda s: curling.GameState(stones=np.zeros((15, 2))), "stones must have shape (16, 2)"),
    (lambda s: setattr(s, "stones", [["a", "b"]] * 16), "stones must hold real numbers"),
    (lambda s: setattr(s, "side", 2), "side must be 0 or 1"),
    (lambda s: curling.GameState.from_bytes(b"\0" * 183), "184 bytes"),
    (lambda s: curling.simulate(s, (1.0, -2.0)), "shot must have shape (3,)"),
    (lambda s: curling.simulate(s, (0, -2, 1), seed=-1), "seed must be an int"),
    (lambda s: curling.simulate(s, (0, -2, 1), seed=1.5), "seed must be an int"),
    (lambda s: curling.simulate(s, (0, -2, 1), record=True), "record=True needs a seed"),
    (lambda s: curling.simulate(s, (0, -2, 1), free_guard_zone=False), "needs a seed"),
    (lambda s: curling.simulate(s, (0, -2, 1), seed=1, record=True, sample_interval=0),
     "sample_interval must be a finite number of seconds above 0, got 0.0"),
    (lambda s: curling.simulate(s, (0, -2, 1), seed=1, record=True, sample_interval=-0.1),
     "sample_interval must be a finite number"),
    (lambda s: curling.simulate(s, (0, -2, 1), seed=1, record=True, sample_interval=float("nan")),
     "sample_interval must be a finite number of seconds above 0, got nan"),
    (lambda s: curling.simulate(curling.GameState(shot=2**31 - 1), (0, -2, 1), seed=1),
     "state.shot must be below 2**31 - 1"),
    (lambda s: curling.simulate(curling.GameState(shot=2**31 - 1), (0, -2, 1)),
     "state.shot must be below 2**31 - 1"),
    (lambda s: curling.simulate_many(s, np.zeros((4, 2))), "shots must have shape (k, 3)"),
    (lambda s: curling.simulate_many(s, np.zeros((2, 4, 3))), "shots must have shape (k, 3)"),
    (lambda s: curling.simulate_many(s, [[0, -2, 1], [0, -2]]), "shots must be an array"),
    (lambda s: curling.simulate_many(s, np.array([[True] * 3])), "shots must hold real numbers"),
    (lambda s: curling.simulate_many(s, [(0, -2, 1)], n=-1), "n must be at least 0"),
    (lambda s: curling.simulate_many(s, [(0, -2, 1)], threads=0), "threads must be 1 to 256"),
    (lambda s: curling.score_position(s, 2), "side must be 0 or 1"),
    (lambda s: curling.score_position(np.zeros((3, 16, 3)), 0), "position must have shape"),
])
def test_wrong_arguments_raise_a_clear_value_error(call, message):
    with pytest.raises(ValueError, match=re.escape(message)):
        call(curling.GameState())


TEE = curling.TEE


# The count's rules are the evaluation's tests; these check the binding's sides and shapes.
@pytest.mark.parametrize("placed, count_for_side_0", [
    ({0: (TEE[0], TEE[1] + 0.1), 2: (TEE[0] + 0.5, TEE[1])}, 2),  # two shot stones
    ({0: (TEE[0], TEE[1] + 0.5), 1: (TEE[0], TEE[1] + 0.2), 2: (TEE[0], TEE[1] + 1.5)}, -1),
])
def test_curling_count(placed, count_for_side_0):
    stones = np.zeros((16, 2), dtype=np.float32)
    for stone, xy in placed.items():
        stones[stone] = xy
    state = curling.GameState(stones=stones)
    assert curling.score_position(state, 0) == count_for_side_0
    assert curling.score_position(state, 1) == -count_for_side_0
    many = curling.score_position(np.stack([stones] * 3).reshape(3, 1, 16, 2), 0)
    assert many.dtype == np.int32 and many.shape == (3, 1) and np.all(many == count_for_side_0)
