"""The strength report on tiny tournaments (one-end games, two of each): it
plays every run, reads every figure back from the records and the strong
engine's search lines, and keeps finished runs with --reuse unless their
command changed."""

import re
import shlex

import pytest

import strength_report
from conftest import BUILD, run_script, sections

TINY = ["--generation-games", "2", "--games", "2", "--first-games", "2", "--sprt-games", "2",
        "--baseline-games", "2", "--budget-games", "2", "--selfplay-games", "2",
        "--selfplay-samples", "16", "--budgets", "0.02,0.01", "--shot-time", "0.01",
        "--ends", "1", "--concurrency", "2", "--build", BUILD]
RUNS = ["second-vs-first", "second-vs-first-sprt", "second-vs-default", "second-vs-default-sprt",
        "first-vs-default", "second-vs-baselines", "second-vs-draw-sprt", "second-vs-random-sprt",
        "second-vs-greedy-sprt", "first-0.02s-vs-0.01s", "second-0.02s-vs-0.01s",
        "default-vs-baselines", "selfplay-default", "selfplay-first", "selfplay-second"]


@pytest.fixture(scope="module")
def report(tmp_path_factory):
    folder = tmp_path_factory.mktemp("strength")
    options = TINY + ["--out", str(folder / "games"), "--doc", str(folder / "strength.md")]
    out, _ = run_script("strength_report.py", *options)
    return {"options": options, "folder": folder, "out": out,
            "page": (folder / "strength.md").read_text(encoding="utf-8")}


def played(out):
    """How many tournaments a run of the report played (it echoes each)."""
    return sum(line.startswith("+ ") for line in out.splitlines())


def table_rows(page, heading):
    """The body rows of the first table under a heading."""
    lines = page[page.index("## " + heading):].splitlines()
    start = next(i for i, line in enumerate(lines) if line.startswith("|---"))
    rows = []
    for line in lines[start + 1:]:
        if not line.startswith("|"):
            break
        rows.append([cell.strip() for cell in line.strip("|").split("|")])
    return rows


def test_every_run_is_played_and_every_section_filled(report):
    page = report["page"]
    assert sections(page) == [
        "Target: the second generation against the first at 0.01 s a shot",
        "Target: `--strong` at 0.01 s a shot against the default engine",
        "`--strong` at 0.01 s a shot", "Elo against the budget", "Speed of the strong search",
        "The default engine against the baselines", "How ends and games come out in self-play",
        "The opponents", "The runs"]
    assert played(report["out"]) == len(RUNS)
    assert [line[4:] for line in page.splitlines() if line.startswith("### ")] == RUNS

    strong = table_rows(page, "`--strong` at")
    assert [row[0] for row in strong] == [
        "first generation", "default engine", "baseline-draw", "baseline-random",
        "baseline-greedy", "default engine, A the first generation"]
    for row in strong + table_rows(page, "The default engine against"):
        assert row[1] == "2"
        mean, largest = (float(v) for v in row[7].split(" / "))
        assert 0.0 < mean <= largest, row  # A's thinking, from the records
    bounds = ["+0/+30"] + ["+0/+50"] * 4
    for row, elo in zip(strong, bounds):
        verdict = r": (H0|H1|continue) after \d+ games \(LLR -?[\d.]+\)"
        assert re.fullmatch(re.escape(elo) + verdict, row[8])
    assert strong[-1][8] == "-"

    budgets = table_rows(page, "Elo against the budget")
    assert [row[:2] for row in budgets] == [["0.02 s", "first"], ["0.02 s", "second"]]
    assert all(int(row[6]) > 0 for row in budgets)  # samples per shot, from the search lines
    speed = {row[0]: row[1:] for row in table_rows(page, "Speed of the strong search")}
    for generation in speed["library simulations per CPU second (per core)"]:
        assert float(generation.replace(",", "")) > 0
    rollout, value = (float(v) for v in speed["simulations per sample"])
    assert rollout > 1.0 and value == pytest.approx(1.0, abs=0.05)  # a sample is one delivery

    ends = {row[0]: row[1:] for row in table_rows(page, "How ends and games")}
    assert all(int(n) >= 2 for n in ends["ends counted"])
    assert "| Final margin | default engine self-play | first generation self-play | " \
        "second generation self-play | second vs first (0.01 s) | second vs default (0.01 s) |" \
        in page


def test_the_regenerate_command_names_every_option_that_shapes_the_runs(report):
    page = report["page"]
    command = page.split("Regenerate with:\n\n```\n")[1].split("\n")[0]
    words = shlex.split(command)
    assert words[0] == "scripts/strength_report.py"
    again = vars(strength_report.parse_arguments(words[1:]))
    ran = vars(strength_report.parse_arguments(report["options"]))
    for where in ("build", "out", "doc", "reuse"):
        again.pop(where), ran.pop(where)
    assert again == ran


def test_reuse_keeps_finished_runs_of_the_same_command_only(report):
    folder = report["folder"]
    options = report["options"][:-2] + ["--doc", str(folder / "again.md"), "--reuse"]
    out, _ = run_script("strength_report.py", *options)
    assert out.count("= reusing") == len(RUNS) and played(out) == 0
    page = (folder / "again.md").read_text(encoding="utf-8")
    kept = next(line for line in page.splitlines() if line.startswith("- Kept from"))
    assert re.findall(r"([\w.-]+) \(\d{4}-\d\d-\d\d \d\d:\d\d UTC\)", kept) == RUNS
    first = report["page"]
    assert page[page.index("## Target"):] == first[first.index("## Target"):]

    changed = list(options)
    changed[changed.index("--selfplay-games") + 1] = "4"
    out, _ = run_script("strength_report.py", *changed)
    assert out.count("= reusing") == len(RUNS) - 3 and played(out) == 3
    assert "Self-play, 4 games each" in (folder / "again.md").read_text(encoding="utf-8")


def test_a_build_without_the_programs_or_bad_budgets_are_refused(tmp_path):
    _, err = run_script("strength_report.py", "--build", tmp_path, "--out", tmp_path,
                        "--doc", tmp_path / "x.md", expect=1)
    assert "curling-match is missing; build the release preset first" in err
    for budgets in ("", "0.1", "0.1,x", "0.1,0.1", "0.1,-1"):
        _, err = run_script("strength_report.py", "--budgets", budgets,
                            "--doc", tmp_path / "x.md", expect=2)
        assert "--budgets: two or more different shot times in seconds" in err
    assert not (tmp_path / "x.md").exists()
