"""The performance report's page (docs/performance.md), section by section
(the targets table apart, in performance/targets.py)."""

from performance.measurements import DECISION_POSITIONS


def fmt_rate(x):
    return f"{x:,.0f}"


def fmt_ms(x):
    return f"{x:.3f}" if x >= 1 else f"{x:.4g}"


def machine_section(info, loads, elapsed):
    lines = []
    add = lines.append
    add("# Performance")
    add("")
    add("Produced by `scripts/performance_report.py` from one run; every figure below comes from "
        "that run. Rerun the script to refresh it.")
    add("")
    add("## Machine")
    add("")
    add("| | |")
    add("|---|---|")
    add(f"| run started | {info['started']} |")
    add(f"| commit | {info['revision']} |")
    add(f"| CPU | {info['model']} |")
    add(f"| cores (nproc) | {info['nproc']} |")
    add(f"| kernel | {info['kernel']} |")
    add(f"| load average (1, 5, 15 min) before | {loads[0]} |")
    add(f"| load average after | {loads[1]} |")
    add(f"| run time of the script | {elapsed:.0f} s |")
    add("")
    cores = info["nproc"] or 1
    add("The machine is shared: a load average above the core count means other processes "
        "competed for the cores during the run. Throughput is measured in CPU time and suffers "
        "little from that; wall times (decision latency) suffer directly, so the latency table "
        "also gives each decision's CPU time over all threads and the wall time it could take at "
        f"best if all {cores} cores were free for it (CPU time / {cores}, perfect sharing).")
    add("")
    return lines


def throughput_section(args, throughput):
    lines = []
    add = lines.append
    add("## Simulator throughput")
    add("")
    add("`simulator_bench`: deliveries per second per core (CPU time of the benchmark thread), "
        "the same seeded scenes for both, random error 0.145, library through its C exports, "
        f"the best of {args.rounds} rounds (Box2D: one). "
        "The 8-stone set in the targets is its draws and hits in equal numbers (the harmonic "
        "mean of the two rates).")
    add("")
    add("| stones | shots | library /s/core | Box2D /s/core | ratio |")
    add("|---:|---|---:|---:|---:|")
    for stones in sorted({s for (_, s, _) in throughput}):
        for kind in ("draws", "hits"):
            lib = throughput.get(("Library", stones, kind))
            box = throughput.get(("Box2d", stones, kind))
            if lib is None:
                continue
            ratio = f"{lib / box:,.0f}x" if box else "-"
            box_text = f"{box:,.1f}" if box else "-"
            add(f"| {stones} | {kind} | {fmt_rate(lib)} | {box_text} | {ratio} |")
    add("")
    return lines


def batch_section(args, rates, instructions):
    if not rates and not instructions:
        return []
    lines = ["## Many deliveries from one position: the batch", "",
             "The same deliveries (each scene's own, 64 times from its position, each from its "
             "own random stream, random error 0.145) through the C++ interface, by one "
             "`PlayShotFinalState` call each and by one `PlayBatchFinalStates` call per position "
             "(one thread); the results are the same bit for bit. Deliveries per second per core: "
             f"`simulator_bench` `BM_Single` and `BM_Batch`, side by side in each of {args.rounds} "
             "runs, the best run of each. Instructions per delivery: `valgrind --tool=callgrind "
             "--toggle-collect='*PlayDeliveries*' simulator_cost positions STONES draws|hits "
             "single|batch`.",
             "",
             "| stones | shots | single /s/core | batch /s/core | speed-up | single instructions "
             "| batch instructions | ratio |",
             "|---:|---|---:|---:|---:|---:|---:|---:|"]
    add = lines.append
    keys = sorted({(s, k) for (_, s, k) in list(rates) + list(instructions)},
                  key=lambda sk: (sk[0], sk[1] != "draws"))
    for stones, kind in keys:
        single, batch = rates.get(("Single", stones, kind)), rates.get(("Batch", stones, kind))
        single_i = instructions.get(("Single", stones, kind))
        batch_i = instructions.get(("Batch", stones, kind))
        speed = f"{batch / single:.2f}x" if single and batch else "-"
        ratio = f"{single_i / batch_i:.2f}x" if single_i and batch_i else "-"
        add(f"| {stones} | {kind} | {fmt_rate(single) if single else '-'} | "
            f"{fmt_rate(batch) if batch else '-'} | {speed} | "
            f"{fmt_rate(single_i) if single_i else '-'} | {fmt_rate(batch_i) if batch_i else '-'} "
            f"| {ratio} |")
    add("")
    return lines


def strong_section(args, strong):
    if not strong:
        return []
    earlier = any(build == "earlier" for build, _ in strong)
    lines = ["## The strong search", "",
             "`curling-engine --strong --threads 1 --samples "
             f"{args.strong_samples} --search SEARCH bench`: the bench positions searched with a "
             "fixed number of samples on one thread; simulations per CPU second of the "
             f"search, the best of {args.rounds} rounds"
             + (f", alternating with the {args.engine_label} (`{args.compare_engine}`)"
                if earlier else "")
             + ". The replies' fingerprint tells whether the two play alike.", ""]
    if earlier:
        lines += ["| search | this /s | earlier /s | speed-up | this replies | earlier replies |",
                  "|---|---:|---:|---:|---|---|"]
    else:
        lines += ["| search | simulations /s | simulations | cpu ms | replies |",
                  "|---|---:|---:|---:|---|"]
    for search in sorted({s for _, s in strong}, key=lambda s: s != "value"):
        ours, theirs = strong.get(("this", search)), strong.get(("earlier", search))
        if earlier:
            speed = f"{ours['rate'] / theirs['rate']:.2f}x" if ours and theirs else "-"
            lines.append(f"| {search} | {fmt_rate(ours['rate'])} | "
                         f"{fmt_rate(theirs['rate']) if theirs else '-'} | {speed} | "
                         f"`{ours['replies']}` | `{theirs['replies'] if theirs else '-'}` |")
        else:
            lines.append(f"| {search} | {fmt_rate(ours['rate'])} | {ours['simulations']:,} | "
                         f"{ours['cpu_ms']:,} | `{ours['replies']}` |")
    return lines + [""]


def instructions_section(instructions):
    if not instructions:
        return []
    lines = ["## Instructions per delivery", "",
             "`valgrind --tool=callgrind --toggle-collect='*PlayDeliveries*' simulator_cost "
             "deliveries STONES draws|hits`: instructions executed per delivery (library and "
             "maths library together) over the 256 scenes of each set, random error 0.145, "
             "once the tables built on first use exist. Counts do not depend on the machine's "
             "load; a change that lowers them and the times above in one run is a real gain.",
             "", "| stones | draws | hits |", "|---:|---:|---:|"]
    for stones in (0, 4, 8, 15):
        draws = instructions.get((stones, "draws"))
        hits = instructions.get((stones, "hits"))
        if draws is None or hits is None:
            continue
        lines.append(f"| {stones} | {draws:,.0f} | {hits:,.0f} |")
    return lines + [""]


def comparison_section(args, compared):
    if compared is None:
        return []
    (ours, theirs), (ours_ir, theirs_ir) = compared["rates"], compared["instructions"]
    lines = ["## Against the " + args.label, "",
             f"The {args.label} (`{args.compare_library}`) and this build's library, timed by "
             f"the same `simulator_bench` in {args.rounds} alternating rounds (the best round of "
             "each; this library's figures are those of the tables above), and their "
             "instructions per delivery counted the same way: the ratios hold for this machine "
             "as it was during the run, whatever its load.", "",
             "| stones | shots | this /s/core | earlier /s/core | speed-up | this instructions "
             "| earlier instructions | ratio |", "|---:|---|---:|---:|---:|---:|---:|---:|"]
    for (_, stones, kind) in sorted(ours, key=lambda k: (k[1], k[2])):
        new, old = ours[("Library", stones, kind)], theirs.get(("Library", stones, kind))
        new_ir, old_ir = ours_ir.get((stones, kind)), theirs_ir.get((stones, kind))
        speed_up = f"{new / old:.2f}x" if old else "-"
        ir = (f"{new_ir:,.0f} | {old_ir:,.0f} | {old_ir / new_ir:.2f}x" if new_ir and old_ir
              else "- | - | -")
        lines.append(f"| {stones} | {kind} | {fmt_rate(new)} | "
                     f"{fmt_rate(old) if old else '-'} | {speed_up} | {ir} |")
    return lines + [""]


def hostile_section(hostile):
    return ["## Slowest library calls", "",
            "`simulator_cost hostile 3`: every call of the hostile set (support/hostile_inputs: "
            "stones on and around the delivery point, sixteen stones on one spot, packed houses "
            "touching and overlapping by 0.9 mm, chains of touching stones, stones on the lines, "
            "random sheets and random bytes, met by deliveries of every direction and speed "
            "from 0.02 to 30 m/s and non-finite ones, with errors 0 and 0.145) through "
            "`Simulation`, each timed as the best of three runs.", "", "```", hostile["output"],
            "```", ""]


def agreement_section(args, agree):
    lines = []
    add = lines.append
    add("## Rest-point agreement with the reference stepper")
    add("")
    add(f"`simulator_agreement {args.agreement_scenes}`: distance in millimetres between each "
        "moved stone's rest point and the reference stepper's, no random error; misses count "
        "stones in play in one result and out of play in the other.")
    add("")
    timed = all("lib_rate" in r for r in agree.values()) and agree
    add("| scenes | stones compared | library median | library p99 | Box2D median | Box2D p99 "
        "| library misses | Box2D misses |" + (" library /s | Box2D /s | ratio |" if timed else ""))
    add("|---|---:|---:|---:|---:|---:|---:|---:|" + ("---:|---:|---:|" if timed else ""))
    for name, r in agree.items():
        row = (f"| {name} | {r['stones']} | {r['lib_median']:.4f} | {r['lib_p99']:.4f} | "
               f"{r['box_median']:.2f} | {r['box_p99']:.2f} | {r['lib_miss']} | {r['box_miss']} |")
        if timed:
            row += (f" {fmt_rate(r['lib_rate'])} | {r['box_rate']:,.1f} | "
                    f"{r['lib_rate'] / r['box_rate']:,.0f}x |")
        add(row)
    add("")
    if timed:
        add("The last three columns are the agreement tool's own timing (deliveries per CPU "
            "second, random error 0.145) on the very scenes it compared: the speed ratio at the "
            "agreement shown in the same row.")
        add("")
    return lines


def latency_section(info, latency):
    lines = []
    add = lines.append
    cores = info["nproc"] or 1
    add("## Decision latency (GO)")
    add("")
    add("`decision_latency`: the engine's decision in process against the real library, seed "
        "fixed (the decision alone, no reply texts). Wall time per decision (mean over the "
        "iterations); CPU time summed over all threads of the process.")
    add("")
    add(f"| position | candidates | simulations | library calls | wall ms | CPU ms | "
        f"wall ms at best on {cores} free cores | iterations |")
    add("|---|---:|---:|---:|---:|---:|---:|---:|")
    for key in DECISION_POSITIONS:
        r = latency.get(key)
        if not r:
            continue
        add(f"| {r['label']} | {r['candidates'] or '-'} | {r['simulations']:,.0f} | "
            f"{r['calls']:,.0f} | {fmt_ms(r['wall_ms'])} | {fmt_ms(r['cpu_ms'])} | "
            f"{fmt_ms(r['cpu_ms'] / cores)} | {r['iterations']} |")
    add("")
    return lines


def bench_section(bench):
    lines = []
    add = lines.append
    add("## `curling-engine bench`")
    add("")
    add("`curling-engine bench` loads the library as the engine always does, fixes its random "
        "seed through the optional `SetRandomSeed` export (and says so when the library has "
        "none), runs the fixed bench positions in order through the real decision, collecting "
        "the reply texts in memory, and prints per position the library calls, the wall time "
        "and the reply; then the calls by export and, last, `bench: N library calls, T ms`. "
        "With the seed fixed the count is deterministic (every worker thread starts its own "
        "count of random draws afresh, and the positions run in a fixed order on the main "
        "thread), so a changed count means changed behaviour; "
        "`tests/engine/bench_command_test.cpp` pins it. Without arguments the engine is the "
        "protocol program; any other argument prints the usage and exits with code 2.")
    add("")
    add("```")
    add(bench["output"])
    add("```")
    add("")
    return lines


def profile_section(prof):
    lines = []
    add = lines.append
    if not prof.get("tool"):
        return lines
    add("## Profile")
    add("")
    add(f"Tool: {prof['tool']}. Share of the samples, by function (self time).")
    add("")
    for key, title in (("library", "Library, 8-stone scenes (`simulator_bench`)"),
                       ("bench_dso", "`curling-engine bench`, by object"),
                       ("bench", "`curling-engine bench`, by function")):
        rows = prof.get(key) or []
        if not rows:
            continue
        add(f"**{title}**")
        add("")
        add("| share | where |")
        add("|---:|---|")
        for share, where in rows:
            add(f"| {share:.1f}% | `{where}` |")
        add("")
    return lines
