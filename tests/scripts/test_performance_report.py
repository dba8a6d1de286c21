"""The performance report: one quick run of every measurement against this
build (one delivery set, one decision, the build's own library as the one to
compare with), and the page written from figures made up to reach each
verdict."""

import argparse
import os
import shutil

import performance_report
from conftest import BIN, BUILD, run_script, sections
from performance import measurements, targets

QUICK = ["--build", BUILD, "--no-build", "--min-time", "0.01", "--rounds", "1",
         "--agreement-scenes", "1", "--stones", "8", "--decisions", "shot0", "--no-profile"]


def rows_under(text, heading):
    lines = text[text.index("## " + heading):].splitlines()
    start = next(i for i, line in enumerate(lines) if line.startswith("|---"))
    body = []
    for line in lines[start + 1:]:
        if not line.startswith("|"):
            break
        body.append([cell.strip() for cell in line.strip("|").split("|")])
    return body


def test_quick_run_measures_and_writes_every_section(tmp_path):
    notes = tmp_path / "notes.md"
    notes.write_text("## What limits performance (analysis)\n\nHand-written.\n", encoding="utf-8")
    doc = tmp_path / "performance.md"
    run_script("performance_report.py", *QUICK, "--compare-library", BIN,
               "--label", "earlier build", "--compare-engine", BIN, "--strong-samples", "200",
               "--doc", doc, "--notes", notes)
    text = doc.read_text(encoding="utf-8")
    expected = ["Machine", "Targets", "Simulator throughput", "Instructions per delivery",
                "Many deliveries from one position: the batch", "Against the earlier build",
                "The strong search", "Slowest library calls",
                "Rest-point agreement with the reference stepper", "Decision latency (GO)",
                "`curling-engine bench`", "What limits performance (analysis)"]
    if shutil.which("valgrind") is None:
        expected.remove("Instructions per delivery")  # counted by callgrind only
    assert sections(text) == expected
    assert text.endswith("Hand-written.\n")

    verdicts = [row[0] for row in rows_under(text, "Targets")]
    assert verdicts[0] == ">= 1,000,000 deliveries/s/core on the 8-stone set"
    assert any("Box2D baseline" in v for v in verdicts)
    assert any("slowest library call" in v for v in verdicts)
    assert "batch >= 2x single calls on the 8-stone set" in verdicts
    assert [row[:2] for row in rows_under(text, "Simulator throughput")] == [
        ["8", "draws"], ["8", "hits"]]
    assert [row[:2] for row in rows_under(text, "Many deliveries from one position")] == [
        ["8", "draws"], ["8", "hits"]]
    compared = rows_under(text, "Against the earlier build")
    assert [row[:2] for row in compared] == [["8", "draws"], ["8", "hits"]]
    # The same engine twice: the same replies, by both searches.
    strong = rows_under(text, "The strong search")
    assert [row[0] for row in strong] == ["value", "rollout"]
    assert all(row[4] == row[5] and row[4].startswith("`") for row in strong)
    assert any(v.startswith("strong search >= 1.5x") for v in verdicts)
    assert rows_under(text, "Decision latency")[0][0] == "shot 0, empty sheet"
    assert "bench: " in text and " library calls, " in text
    assert "worst call: " in text


def made_up_figures():
    throughput = {}
    for stones, draws, hits in ((0, 6e6, 4e6), (8, 1.2e6, 0.9e6), (15, 0.4e6, 0.2e6)):
        throughput[("Library", stones, "draws")] = draws
        throughput[("Library", stones, "hits")] = hits
        throughput[("Box2d", stones, "draws")] = draws / 2000
        throughput[("Box2d", stones, "hits")] = hits / 500  # 500x: short of 1000x
    latency = {key: {"label": key, "wall_ms": wall, "cpu_ms": 2 * wall, "iterations": 10,
                     "simulations": 100.0, "calls": 100.0, "candidates": 5}
               for key, wall in (("shot0", 0.001), ("mid_end", 1.0), ("worst_shot14", 100.0),
                                 ("worst_shot15", 30.0))}
    agree = {"all": {"stones": 10, "lib_median": 0.001, "lib_p99": 0.01, "box_median": 3.0,
                     "box_p99": 20.0, "lib_miss": 0, "box_miss": 1}}
    instructions = {(8, "draws"): 7000.0, (8, "hits"): 15000.0}
    # The batch twice as fast as single calls on 8 stones, 1.5 times on 15.
    batch = {"rates": {}, "instructions": {("Single", 8, "draws"): 7000.0,
                                           ("Batch", 8, "draws"): 3500.0}}
    for stones, speed_up in ((8, 2.0), (15, 1.5)):
        for kind, rate in (("draws", 4e5), ("hits", 2e5)):
            batch["rates"][("Single", stones, kind)] = rate
            batch["rates"][("Batch", stones, kind)] = rate * speed_up
    strong = {(build, search): {"rate": rate, "simulations": 1000, "cpu_ms": 5, "replies": "ab"}
              for build, rate in (("this", 3e5), ("earlier", 1e5))
              for search in ("value", "rollout")}
    return {"batch": batch, "strong": strong, "throughput": throughput, "agree": agree, "latency": latency,
            "hostile": {"output": "worst call: 1.250 ms", "worst_ms": 1.25, "calls": 10},
            "bench": {"output": "bench: 5 library calls, 1 ms"}, "instructions": instructions,
            "compared": {"rates": ({k: v for k, v in throughput.items() if k[0] == "Library"},
                                   {("Library", 8, "draws"): 0.6e6}),
                         "instructions": (instructions, {(8, "draws"): 14000.0})}}


def test_each_target_gets_its_verdict(tmp_path):
    info = {"started": "now", "revision": "abc", "model": "cpu", "nproc": 2, "kernel": "k"}
    args = argparse.Namespace(rounds=3, label="old library", compare_library="old/bin",
                              engine_label="old engine", compare_engine="old/engine",
                              strong_samples=100,
                              agreement_scenes=1, notes=str(tmp_path / "none.md"),
                              doc=str(tmp_path / "performance.md"))
    prof = {"tool": "perf record -e cpu-clock (sampled)", "library": [(40.0, "Step")],
            "bench_dso": [], "bench": [(10.0, "Decide")]}
    performance_report.write_report(args, info, ("1.00 1.00 1.00", "1.10 1.00 1.00"),
                                    made_up_figures(), prof, 5.0)
    text = (tmp_path / "performance.md").read_text(encoding="utf-8")
    verdict = {row[0]: row[2].split("**")[1] for row in rows_under(text, "Targets")}
    assert verdict == {
        ">= 1,000,000 deliveries/s/core on the 8-stone set": "met",
        ">= 500,000 deliveries/s/core on the 15-stone set": "not met",
        ">= 5,000,000 deliveries/s/core for draws on an empty sheet": "met",
        ">= 1,000x the Box2D baseline at equal or better agreement": "not met",
        "slowest library call < 5 ms (hostile set)": "met",
        "batch >= 2x single calls on the 8-stone set": "met",
        "batch >= 2x single calls on the 15-stone set": "not met",
        "strong search >= 1.5x the old engine's simulations per CPU second": "met",
        "worst shot-15 decision < 25 ms": "not met",
        "worst shot-14 decision < 500 ms": "met"}
    batch_rows = {tuple(row[:2]): row[2:] for row in
                  rows_under(text, "Many deliveries from one position")}
    assert batch_rows[("8", "draws")] == ["400,000", "800,000", "2.00x", "7,000", "3,500",
                                          "2.00x"]
    assert batch_rows[("15", "hits")][2] == "1.50x" and batch_rows[("15", "hits")][5] == "-"
    speed_up = {tuple(row[:2]): row[4] for row in rows_under(text, "Against the old library")}
    assert speed_up[("8", "draws")] == "2.00x" and speed_up[("8", "hits")] == "-"
    assert "| 40.0% | `Step` |" in text and "by object" not in text


def test_a_run_without_the_eight_stone_set_still_writes_its_targets():
    throughput = {(engine, 0, kind): rate for engine, rate in (("Library", 5e6), ("Box2d", 1e3))
                  for kind in ("draws", "hits")}
    rows = targets.throughput_target_rows(throughput, {})
    assert len(rows) == 2 and "8-stone set not measured" in rows[1]
    assert "agreement not measured" in rows[1]


def test_an_earlier_library_without_the_soname_is_offered_under_it(tmp_path):
    # The build's programs ask for libCurlingSimulator.so.N: an earlier library
    # that has only the bare name must still be the one they load.
    bin_dir, earlier = tmp_path / "bin", tmp_path / "earlier"
    bin_dir.mkdir()
    earlier.mkdir()
    (bin_dir / "libCurlingSimulator.so.7").write_bytes(b"this build")
    (bin_dir / "libCurlingSimulator.so").symlink_to("libCurlingSimulator.so.7")
    (earlier / "libCurlingSimulator.so").write_bytes(b"earlier")
    env = measurements.library_env(str(earlier), str(bin_dir))
    folder = env["LD_LIBRARY_PATH"]
    for name in ("libCurlingSimulator.so", "libCurlingSimulator.so.7"):
        assert open(os.path.join(folder, name), "rb").read() == b"earlier"
    # One that has the soname is used where it is.
    (earlier / "libCurlingSimulator.so.7").write_bytes(b"earlier")
    measurements.library_folder.cache_clear()
    assert measurements.library_env(str(earlier), str(bin_dir))["LD_LIBRARY_PATH"] == str(earlier)
