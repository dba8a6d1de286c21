"""The Python package's benchmark, for a few hundredths of a second a kind:
every caller is timed and set beside the library's own loop."""

import re

from conftest import BUILD, run_script

CALLERS = ["library loop (C++, C exports)", "library loop, each scene 64 times in a row",
           "simulate_many, threads=1", "Python loop over simulate(seed=...)",
           "Python loop over simulate()",
           "simulate_many, threads=2, n=512 (per CPU second of both threads)"]


def test_every_caller_is_timed_beside_the_library():
    out, err = run_script("python_bench.py", "--build", BUILD, "--no-build", "--rounds", 2,
                          "--seconds", 0.02)
    assert "round 2 of 2" in err
    rows = {}
    for line in out.splitlines():
        cells = [c.strip() for c in line.strip("|").split("|")]
        if cells[0] in CALLERS:
            rows[cells[0]] = cells[1:]
    assert list(rows) == CALLERS
    for draws, hits, both, ratio in rows.values():
        draws, hits, both = (float(v.replace(",", "")) for v in (draws, hits, both))
        assert min(draws, hits) <= both <= max(draws, hits) and both > 0
        assert re.fullmatch(r"\d+\.\d\dx", ratio)
    assert rows[CALLERS[0]][3] == "1.00x"
    assert re.search(r"simulate_many \(threads=1\) reaches \d+% of the library's single-thread "
                     r"loop and \d+% of the loop .* \(target 80%: (met|not met)\)\.", out)
