"""simulate_many: the seeded simulate of every delivery, whatever the thread
count, with arrays of the documented shapes."""

import threading

import numpy as np

from conftest import bits, curling, make_scenes


def shots_from(scenes):
    return np.array([shot for _, shot in scenes], dtype=np.float32)


STATE = make_scenes(1, 8, seed=21)[0][0]
SHOTS = shots_from(make_scenes(6, 8, seed=21))


def test_each_delivery_is_the_seeded_simulate_of_its_indices():
    batch = curling.simulate_many(STATE, SHOTS[:4], n=5, error=0.145, seed=8)
    assert batch.stones.shape == (4, 5, 16, 2) and batch.stones.dtype == np.float32
    assert batch.score.shape == (4, 5) and batch.score.dtype == np.int32
    for j, shot in enumerate(SHOTS[:4]):
        for i in range(5):
            one = curling.simulate(STATE, shot, 0.145, seed=8, rng_stream=j, counter=i)
            assert bits(batch.stones[j, i]).tolist() == bits(one.stones).tolist()
    side = STATE.shot % 2
    assert np.array_equal(batch.score, curling.score_position(batch.stones, side))
    assert len(np.unique(batch.stones[0].reshape(5, -1), axis=0)) == 5


def test_reproducible_for_a_seed_and_independent_of_the_thread_count():
    runs = {threads: curling.simulate_many(STATE, SHOTS, n=40, seed=3, threads=threads)
            for threads in (1, 2, 3, 8)}
    for batch in runs.values():
        assert np.array_equal(bits(batch.stones), bits(runs[1].stones))
        assert np.array_equal(batch.score, runs[1].score)
    again = curling.simulate_many(STATE, SHOTS, n=40, seed=3)
    assert np.array_equal(bits(again.stones), bits(runs[1].stones))
    other = curling.simulate_many(STATE, SHOTS, n=40, seed=4)
    assert not np.array_equal(other.stones, runs[1].stones)


def test_one_shot_and_no_deliveries_give_the_documented_shapes():
    one = curling.simulate_many(STATE, list(SHOTS[0]), n=7)
    assert one.stones.shape == (7, 16, 2) and one.score.shape == (7,)
    none = curling.simulate_many(STATE, SHOTS, n=0)
    assert none.stones.shape == (6, 0, 16, 2) and none.score.shape == (6, 0)


def test_concurrent_calls_from_python_threads_agree_with_one_alone():
    alone = curling.simulate_many(STATE, SHOTS, n=60, seed=5)
    results = [None] * 4

    def play(k):
        results[k] = curling.simulate_many(STATE, SHOTS, n=60, seed=5, threads=1 + k % 2)
    threads = [threading.Thread(target=play, args=(k,)) for k in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for result in results:
        assert np.array_equal(bits(result.stones), bits(alone.stones))
