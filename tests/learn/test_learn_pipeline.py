"""The learning pipeline with PyTorch: the engine's inference against
PyTorch's on fixed inputs, and a smoke run of data, training and play.
Skipped, with the reason, where python3-torch is missing."""
import os
import re
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

torch = pytest.importorskip(
    "torch", reason="python3-torch is missing (scripts/setup.sh --with-training installs it)")

LEARN = Path(__file__).resolve().parents[2] / "learn"
sys.path.insert(0, str(LEARN))
import train_value  # noqa: E402
import value_file  # noqa: E402

BIN = Path(os.environ.get("CURLING_BIN", "build/release/bin"))


def test_engine_inference_equals_pytorch(tmp_path):
    torch.manual_seed(5)
    model = train_value.build_model([32, 16])
    with torch.no_grad():
        for m in train_value.linear_layers(model):
            m.weight.mul_(3.0)  # logits far from zero, hidden units on both sides of the ReLU
    path = tmp_path / "net.bin"
    train_value.export(model, path)
    rng = np.random.default_rng(11)
    inputs = rng.uniform(-2.0, 2.0, (24, value_file.FEATURES)).astype(np.float32)
    inputs[0] = 0.0
    text = "\n".join(" ".join(repr(float(v)) for v in row) for row in inputs) + "\n"
    run = subprocess.run([BIN / "curling-learn", "predict", "--model", path], input=text,
                         capture_output=True, text=True, check=True)
    engine = np.array([[float(v) for v in line.split()] for line in run.stdout.splitlines()])
    with torch.no_grad():
        expected = torch.softmax(model(torch.from_numpy(inputs)), dim=1).numpy()
    assert engine.shape == expected.shape
    assert np.max(np.abs(engine - expected)) < 1e-5
    # The file round-trips through the reader too.
    assert all(np.array_equal(w, m.weight.detach().numpy())
               for (w, _), m in zip(value_file.read_network(path),
                                    train_value.linear_layers(model)))


def test_pipeline_smoke_run_makes_a_network_the_engine_plays_with(tmp_path):
    out = tmp_path / "value-network.bin"
    played = tmp_path / "played.txt"
    stones = [2.375, 4.9] + [0.0] * 24 + [2.0, 4.5] + [0.0] * 4  # stones 0 and 13
    played.write_text("".join(value_file.position_line(shot, stones) for shot in (14, 15)))
    run = subprocess.run([sys.executable, LEARN / "pipeline.py", "--bin", BIN, "--work",
                          tmp_path / "w", "--out", out, "--positions", "150", "--samples", "1",
                          "--epochs", "1", "--first-shot", "14", "--hidden", "16", "--threads",
                          "2", "--played", played], check=True, capture_output=True, text=True)
    assert run.stderr.count(f"1 of 150 positions from {played}") == 2  # shots 15 and 14
    features, results, shots = value_file.read_data(tmp_path / "w" / "shot14.bin")
    assert features.shape == (150, value_file.FEATURES) and set(shots) == {14}
    assert np.allclose(results.sum(axis=1), 1.0, atol=1e-5)
    report = subprocess.run([sys.executable, LEARN / "evaluate_value.py", "--model", out, "--data",
                             tmp_path / "w" / "shot15.bin", tmp_path / "w" / "shot14.bin"],
                            check=True, capture_output=True, text=True).stdout
    for shot in (15, 14):
        assert re.search(rf"^\| {shot} \| 150 \| ", report, re.M), report
    run = subprocess.run([BIN / "curling-engine", "--strong", "--search", "value", "--model", out,
                          "--samples", "100", "--threads", "1"],
                         input="NEWGAME\nSETSTATE 3 2 7 1\nGO\n", capture_output=True, text=True,
                         timeout=120)
    assert run.returncode == 0, run.stderr
    assert re.fullmatch(r"BESTSHOT -?\d+\.\d{6} -?\d+\.\d{6} [01]", run.stdout), run.stdout


def test_trainer_refuses_a_damaged_data_file(tmp_path):
    bad = tmp_path / "bad.bin"
    bad.write_bytes(b"CURLDATA" + b"\0" * 10)
    run = subprocess.run([sys.executable, LEARN / "train_value.py", "--data", bad,
                          "--out", tmp_path / "n.bin"], capture_output=True, text=True)
    assert run.returncode == 2 and "train_value:" in run.stderr
    assert not (tmp_path / "n.bin").exists()
