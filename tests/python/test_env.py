"""The learning environment: an episode is a game, the rewards add up to its
result, and it is the game curling-match plays with the same engines and seed."""

import json
import os
import re
import subprocess

import numpy as np
import pytest

from conftest import BIN, ENGINE, curling
from curling.engine_process import EngineProcess


def draw_to(x, y):
    return lambda state, score, time_left: curling.create_shot(x, y, state.shot % 2)


def play(env, policy, seed):
    obs, info = env.reset(seed=seed)
    rewards, steps = [], 0
    while True:
        assert obs.dtype == np.float32 and env.observation_space.contains(obs)
        obs, reward, terminated, truncated, info = env.step(policy(info["state"]))
        rewards.append(reward)
        steps += 1
        assert not truncated
        if terminated:
            return rewards, steps, info, obs


@pytest.mark.parametrize("seat", [0, 1])
def test_episode_is_one_game_and_its_rewards_add_up_to_the_result(seat):
    opponent = draw_to(*curling.TEE)
    env = curling.env.CurlingEnv(opponent=opponent, ends=2, extra_ends=3, seat=seat)
    agent = draw_to(curling.TEE[0] + 0.4, curling.TEE[1])
    rewards, steps, info, obs = play(env, lambda state: agent(state, None, None), seed=3)
    own, theirs = info["score"]
    ends = info["shots_played"] // 16
    assert info["shots_played"] == 16 * ends and steps == 8 * ends
    assert 2 <= ends <= 5 and (ends == 2 or own != theirs or ends == 5)
    assert sum(rewards) == own - theirs == info["result"] == obs[35]
    assert obs[32] == 16 and obs[34] == 0
    with pytest.raises(RuntimeError, match="reset"):
        env.step((0.0, -2.4, 0))
    env.reset(seed=3)
    with pytest.raises(ValueError, match="shape"):
        env.step((0.0, -2.4))


@pytest.mark.parametrize("make, message", [
    (lambda: curling.env.CurlingEnv(opponent=""), "opponent must be an engine command"),
    (lambda: curling.env.CurlingEnv(opponent=[]), "opponent must be an engine command"),
    (lambda: curling.env.CurlingEnv(opponent=draw_to(2.375, 4.88), error=float("nan")),
     "error must be a finite number of metres, 0 or more, got nan"),
    (lambda: curling.env.CurlingEnv(opponent=draw_to(2.375, 4.88), error=-0.1),
     "error must be a finite number"),
    (lambda: curling.env.CurlingEnv(opponent=draw_to(2.375, 4.88), time_budget=float("nan")),
     "time_budget must be a number of seconds, 0 or more, got nan"),
])
def test_bad_settings_are_refused_when_the_environment_is_made(make, message):
    with pytest.raises(ValueError, match=re.escape(message)):
        make()


def test_bad_seeds_and_actions_are_refused_before_anything_is_played():
    env = curling.env.CurlingEnv(opponent=draw_to(*curling.TEE), seat=1)
    for seed in (2**64, -1, 1.5, True, "7"):
        with pytest.raises(ValueError, match=re.escape("seed must be an int from 0 to 2**64 - 1")):
            env.reset(seed=seed)
    obs, info = env.reset(seed=2**64 - 1)
    assert info["seed"] == 2**64 - 1 and info["shots_played"] == 1
    for action in ((float("nan"), -2.4, 0), (0.0, float("-inf"), 1), (0.0, -2.4, float("inf"))):
        with pytest.raises(ValueError, match="action must be finite numbers"):
            env.step(action)
    assert env.step((0.0, -2.4, 0))[4]["shots_played"] == 3


def test_engines_play_the_game_curling_match_plays(tmp_path):
    done = subprocess.run(
        [os.path.join(BIN, "curling-match"), "--engine", ENGINE, "--engine", ENGINE,
         "--ends", "2", "--extra-ends", "0", "--seed", "42", "--out", str(tmp_path)],
        capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, done.stdout + done.stderr
    record = [json.loads(line) for line in open(tmp_path / "game.jsonl")]
    match_after = [line["after"] for line in record if line["type"] == "shot"]
    match_total = record[-1]["total"]

    env = curling.env.CurlingEnv(opponent=[ENGINE], ends=2)
    with EngineProcess([ENGINE]) as agent:
        rewards, steps, info, _ = play(env, agent.choose, seed=42)
    env.close()
    assert info["score"] == tuple(match_total)
    assert sum(rewards) == match_total[0] - match_total[1]
    assert steps == len(match_after) // 2
    final = info["state"].stones.reshape(-1)
    assert np.array_equal(final, np.array(match_after[-1], dtype=np.float32))
