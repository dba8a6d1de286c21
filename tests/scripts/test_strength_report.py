"""The strength report on tiny tournaments (one-end games, two of each): it
plays every run, reads every figure back from the records and the strong
engine's search lines, and keeps finished runs with --reuse unless their
command changed."""

import re
import shlex

import pytest

import strength_report
from conftest import BUILD, run_script, sections

TINY = ["--games", "2", "--sprt-games", "2", "--baseline-games", "2", "--budget-games", "2",
        "--selfplay-games", "2", "--samples", "16", "--shot-time", "0.01", "--ends", "1",
        "--concurrency", "2", "--build", BUILD]
RUNS = ["strong-vs-default", "strong-vs-default-sprt", "strong-vs-baselines",
        "strong-vs-draw-sprt", "strong-vs-random-sprt", "strong-vs-greedy-sprt",
        "samples-16-vs-default", "default-vs-baselines", "selfplay-default", "selfplay-strong"]


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
        "Target: `--strong` at 0.01 s a shot against the default engine",
        "`--strong` at 0.01 s a shot", "Elo against the budget", "Speed of the strong search",
        "The default engine against the baselines", "How ends and games come out in self-play",
        "The opponents", "The runs"]
    assert played(report["out"]) == len(RUNS)
    assert [line[4:] for line in page.splitlines() if line.startswith("### ")] == RUNS

    strong = table_rows(page, "`--strong` at")
    assert [row[0] for row in strong] == ["default engine", "baseline-draw", "baseline-random",
                                          "baseline-greedy"]
    for row in strong + table_rows(page, "The default engine against"):
        assert row[1] == "2"
        mean, largest = (float(v) for v in row[7].split(" / "))
        assert 0.0 < mean <= largest, row  # A's thinking, from the records
    assert all(re.fullmatch(r"(H0|H1|continue) after \d+ games \(LLR -?[\d.]+\)", row[8])
               for row in strong)

    budgets = table_rows(page, "Elo against the budget")
    assert [row[0] for row in budgets] == ["--samples 16", "--shot-time 0.01"]
    assert all(int(row[5]) > 0 for row in budgets)  # rollouts per shot, from the search lines
    speed = dict(row[:2] for row in table_rows(page, "Speed of the strong search"))
    assert float(speed["library simulations per CPU second (per core)"].replace(",", "")) > 0

    ends = dict(row[::2] for row in table_rows(page, "How ends and games"))
    assert int(ends["ends counted"]) >= 2


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
    assert re.findall(r"([\w-]+) \(\d{4}-\d\d-\d\d \d\d:\d\d UTC\)", kept) == RUNS
    first = report["page"]
    assert page[page.index("## Target"):] == first[first.index("## Target"):]

    changed = list(options)
    changed[changed.index("--selfplay-games") + 1] = "4"
    out, _ = run_script("strength_report.py", *changed)
    assert out.count("= reusing") == len(RUNS) - 2 and played(out) == 2
    assert "Self-play, 4 games each" in (folder / "again.md").read_text(encoding="utf-8")


def test_a_build_without_the_programs_or_an_empty_budget_is_refused(tmp_path):
    _, err = run_script("strength_report.py", "--build", tmp_path, "--out", tmp_path,
                        "--doc", tmp_path / "x.md", expect=1)
    assert "curling-match is missing; build the release preset first" in err
    _, err = run_script("strength_report.py", "--samples", "", "--doc", tmp_path / "x.md",
                        expect=2)
    assert "--samples: a comma-separated list of positive rollout counts" in err
    assert not (tmp_path / "x.md").exists()
