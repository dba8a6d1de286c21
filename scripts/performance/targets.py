"""The performance report's targets, and the table that says of each how far
the run's figures are from it."""

from delivery_sets import set_rate
from performance.page import fmt_rate

# Throughput is per core: Google Benchmark's items_per_second is taken over
# the benchmark thread's CPU time.
TARGET_DELIVERIES_PER_CORE = 1_000_000  # 8-stone set
TARGET_CROWDED_PER_CORE = 500_000       # 15-stone set
TARGET_EMPTY_DRAWS_PER_CORE = 5_000_000
TARGET_BASELINE_RATIO = 1000
TARGET_SHOT15_MS = 25.0
TARGET_SHOT14_MS = 500.0
TARGET_WORST_CALL_MS = 5.0  # the slowest hostile library call
TARGET_BATCH_SPEEDUP = 2.0  # many deliveries from one position, against single calls
TARGET_STRONG_SPEEDUP = 1.5  # the strong search's simulations per CPU second, against an earlier


def verdict(met, how):
    return ("**met**" if met else "**not met**") + f" ({how})"


def speedup_verdict(speed, target):
    """The verdict on a speed-up against its target, and how far from it."""
    short = f"; {target / speed:.2f}x short" if speed < target else ""
    return verdict(speed >= target, f"{speed / target:.2f}x the target" + short)


def harmonic_set_rate(throughput, engine, stones=8):
    """Deliveries per second of a set: draws and hits in equal numbers."""
    return set_rate(*(throughput.get((engine, stones, kind)) for kind in ("draws", "hits")))


def rate_target_row(name, rate, target, detail):
    short = f"; {target / rate:.2f}x short" if rate < target else ""
    return (f"| >= {fmt_rate(target)} deliveries/s/core {name} | {fmt_rate(rate)} /s/core"
            f"{detail} | " + verdict(rate >= target, f"{rate / target:.2f}x the target" + short)
            + " |")


def agreement_no_worse(agree):
    """Whether the library agrees with the reference at least as well as Box2D."""
    row = agree.get("all")
    if not row:
        return None
    return (row["lib_median"] <= row["box_median"] and row["lib_p99"] <= row["box_p99"]
            and row["lib_miss"] <= row["box_miss"])


def throughput_target_rows(throughput, agree):
    rows = []
    library_set = harmonic_set_rate(throughput, "Library")
    for stones, target in ((8, TARGET_DELIVERIES_PER_CORE), (15, TARGET_CROWDED_PER_CORE)):
        rate = harmonic_set_rate(throughput, "Library", stones)
        if rate:
            draws, hits = (throughput[("Library", stones, kind)] for kind in ("draws", "hits"))
            rows.append(rate_target_row(f"on the {stones}-stone set", rate, target,
                                        f" (draws {fmt_rate(draws)}, hits {fmt_rate(hits)})"))
    empty = throughput.get(("Library", 0, "draws"))
    if empty:
        rows.append(rate_target_row("for draws on an empty sheet", empty,
                                    TARGET_EMPTY_DRAWS_PER_CORE, ""))
    ratios = [rate / throughput[("Box2d", stones, kind)]
              for (engine, stones, kind), rate in throughput.items()
              if engine == "Library" and ("Box2d", stones, kind) in throughput]
    if ratios:
        worst = min(ratios)
        box_set = harmonic_set_rate(throughput, "Box2d")
        ratio8 = f"{library_set / box_set:,.0f}x" if library_set and box_set else "not measured"
        better = agreement_no_worse(agree)
        agreement_text = ("agreement not measured" if better is None
                          else "agreement equal or better" if better
                          else "agreement NOT equal or better")
        rows.append(
            f"| >= {TARGET_BASELINE_RATIO:,}x the Box2D baseline at equal or better agreement "
            f"| 8-stone set {ratio8}; lowest over all sets {worst:,.0f}x; {agreement_text} "
            "| " + verdict(worst >= TARGET_BASELINE_RATIO and bool(better),
                           f"lowest ratio {worst / TARGET_BASELINE_RATIO:,.1f}x the target") + " |")
    return rows


def batch_target_rows(batch):
    """The batch against single calls on the 8- and 15-stone sets (draws and
    hits in equal numbers)."""
    rows = []
    for stones in (8, 15):
        single = harmonic_set_rate(batch, "Single", stones)
        batched = harmonic_set_rate(batch, "Batch", stones)
        if not single or not batched:
            continue
        speed = batched / single
        rows.append(f"| batch >= {TARGET_BATCH_SPEEDUP:g}x single calls on the {stones}-stone set "
                    f"| {speed:.2f}x ({fmt_rate(batched)} against {fmt_rate(single)} /s/core) | "
                    + speedup_verdict(speed, TARGET_BATCH_SPEEDUP) + " |")
    return rows


def strong_target_rows(strong, label):
    """The strong engine's default search against the earlier engine's, when
    one was measured."""
    ours, theirs = strong.get(("this", "value")), strong.get(("earlier", "value"))
    if not ours or not theirs:
        return []
    speed = ours["rate"] / theirs["rate"]
    return [f"| strong search >= {TARGET_STRONG_SPEEDUP:g}x the {label}'s simulations per CPU "
            f"second | {speed:.2f}x ({fmt_rate(ours['rate'])} against "
            f"{fmt_rate(theirs['rate'])} /s) | "
            + speedup_verdict(speed, TARGET_STRONG_SPEEDUP) + " |"]


def latency_target_rows(latency, cores):
    rows = []
    for key, limit, name in (("worst_shot15", TARGET_SHOT15_MS, "worst shot-15 decision"),
                             ("worst_shot14", TARGET_SHOT14_MS, "worst shot-14 decision")):
        r = latency.get(key)
        if not r:
            continue
        idle = r["cpu_ms"] / cores
        how = (f"{r['wall_ms'] / limit:.2f}x the limit" if r["wall_ms"] >= limit
               else f"{limit / r['wall_ms']:.2f}x under the limit")
        if r["wall_ms"] >= limit and idle < limit:
            how += "; within the limit on free cores at best"
        rows.append(f"| {name} < {limit:g} ms | {r['wall_ms']:.1f} ms wall ({r['candidates']} "
                    f"candidates); at best {idle:.1f} ms on {cores} free cores (CPU time / "
                    f"{cores}) | " + verdict(r["wall_ms"] < limit, how) + " |")
    return rows


def worst_call_target_rows(hostile):
    if "worst_ms" not in hostile:
        return []
    worst = hostile["worst_ms"]
    return [f"| slowest library call < {TARGET_WORST_CALL_MS:g} ms (hostile set) | {worst:.3f} ms "
            f"(best of three runs of each of {hostile.get('calls', 0):,} calls) | "
            + verdict(worst < TARGET_WORST_CALL_MS,
                      f"{TARGET_WORST_CALL_MS / worst:.1f}x under the limit" if worst > 0 else "")
            + " |"]


def targets_section(info, throughput, agree, latency, hostile, batch=None, strong=None,
                    engine_label="earlier engine"):
    return (["## Targets", "", "| target | measured | verdict |", "|---|---|---|"]
            + throughput_target_rows(throughput, agree) + batch_target_rows(batch or {})
            + strong_target_rows(strong or {}, engine_label)
            + worst_call_target_rows(hostile)
            + latency_target_rows(latency, info["nproc"] or 1) + [""])
