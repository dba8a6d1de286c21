"""What the strength report plays, in the order its header lists: the
engines' command lines and the tournaments between them."""

import dataclasses
import os

import checkout

BASELINES = ("draw", "random", "greedy")
GENERATIONS = ("first", "second")  # --strong --search rollout, and --strong
SPRT = ("0", "50", "0.05", "0.05")  # elo0, elo1, alpha, beta
GENERATION_SPRT = ("0", "30", "0.05", "0.05")
# Seeds: a run's first seed is --seed plus its kind's offset, so that no two
# kinds of run play the same positions.
SPRT_SEED_OFFSET = 10000
BUDGET_SEED_OFFSET = 20000
SELFPLAY_SEED_OFFSET = 30000
GENERATION_SEED_OFFSET = 40000


@dataclasses.dataclass
class Engines:
    """Command lines: the default engine, each generation of the strong
    engine on --threads (its budget still to add) and at --shot-time, and
    each baseline by its short name."""
    default: str
    strong: dict
    timed: dict
    baselines: dict


@dataclasses.dataclass
class Runs:
    """The report's tournaments. `generation` is the second generation
    against the first; `headline` and `first_headline` each generation
    against the default engine; `strong_vs` and `default_vs` the gauntlets'
    pairings by baseline; `budgets` (shot time, run) pairs by generation,
    each generation at a budget against itself at the smallest; `selfplay`
    the self-play runs by engine ("default" and the generations)."""
    generation: object
    generation_sprt: object
    headline: object
    sprt: object
    first_headline: object
    strong_gauntlet: object
    strong_vs: dict
    strong_vs_sprt: dict
    budgets: dict
    default_gauntlet: object
    default_vs: dict
    selfplay: dict

    def every(self):
        """Every tournament played, in the order they were played."""
        return [self.generation, self.generation_sprt, self.headline, self.sprt,
                self.first_headline, self.strong_gauntlet, *self.strong_vs_sprt.values(),
                *(r for g in GENERATIONS for _, r in self.budgets[g]), self.default_gauntlet,
                *self.selfplay.values()]


def budget_times(args):
    """The --budgets shot times, smallest (the reference) first, as typed."""
    return sorted((t for t in args.budgets.split(",") if t), key=float)


def engines(args):
    """The engines' command lines; exits when the build lacks a program."""
    checkout.require_programs(args.build, ["curling-match", "curling-engine"]
                              + [f"baseline-{k}" for k in BASELINES], "strength_report")
    bin_dir = checkout.bin_dir(args.build)
    default = os.path.join(bin_dir, "curling-engine")
    second = f"{default} --strong --threads {args.threads}"
    strong = {"first": f"{default} --strong --search rollout --threads {args.threads}",
              "second": second}
    timed = {g: f"{strong[g]} --shot-time {args.shot_time}" for g in GENERATIONS}
    return Engines(default, strong, timed,
                   {k: os.path.join(bin_dir, f"baseline-{k}") for k in BASELINES})


def play(tournaments, args, e):
    """Plays (or keeps) every tournament of the report with `tournaments`."""
    sprt_seed = args.seed + SPRT_SEED_OFFSET

    def sprt_match(name, engine_a, engine_b, bounds=SPRT):
        return tournaments.match(name, engine_a, engine_b, args.sprt_games, sprt_seed,
                                 ["--sprt", *bounds])

    second = e.timed["second"]
    generation = tournaments.match("second-vs-first", second, e.timed["first"],
                                   args.generation_games, args.seed + GENERATION_SEED_OFFSET)
    generation_sprt = sprt_match("second-vs-first-sprt", second, e.timed["first"],
                                 GENERATION_SPRT)
    headline = tournaments.match("second-vs-default", second, e.default, args.games, args.seed)
    sprt = sprt_match("second-vs-default-sprt", second, e.default)
    first_headline = tournaments.match("first-vs-default", e.timed["first"], e.default,
                                       args.first_games, args.seed)
    opponents = [(f"baseline-{k}", e.baselines[k]) for k in BASELINES]
    strong_gauntlet = tournaments.gauntlet("second-vs-baselines", ("strong", second), opponents,
                                           args.baseline_games, args.seed)
    strong_vs_sprt = {} if not args.baseline_sprt else {
        k: sprt_match(f"second-vs-{k}-sprt", second, e.baselines[k]) for k in BASELINES}
    budgets = {g: budget_runs(tournaments, args, g, e.strong[g]) for g in GENERATIONS}
    default_gauntlet = tournaments.gauntlet("default-vs-baselines", ("curling-engine", e.default),
                                            opponents, args.baseline_games, args.seed)
    return Runs(generation, generation_sprt, headline, sprt, first_headline, strong_gauntlet,
                pairings(strong_gauntlet), strong_vs_sprt, budgets, default_gauntlet,
                pairings(default_gauntlet), selfplay_runs(tournaments, args, e))


def budget_runs(tournaments, args, generation, strong):
    """One generation at each --budgets time above the smallest against
    itself at the smallest."""
    times = budget_times(args)
    return [(t, tournaments.match(f"{generation}-{t}s-vs-{times[0]}s", f"{strong} --shot-time {t}",
                                  f"{strong} --shot-time {times[0]}", args.budget_games,
                                  args.seed + BUDGET_SEED_OFFSET))
            for t in times[1:]]


def selfplay_runs(tournaments, args, e):
    """Self-play of the default engine and of each generation at
    --selfplay-samples, seeds 1 and 2 for the two seats."""
    seed = args.seed + SELFPLAY_SEED_OFFSET
    runs = {"default": tournaments.match("selfplay-default", e.default, e.default,
                                         args.selfplay_games, seed)}
    for g in GENERATIONS:
        engine = f"{e.strong[g]} --samples {args.selfplay_samples} --seed"
        runs[g] = tournaments.match(f"selfplay-{g}", engine + " 1", engine + " 2",
                                    args.selfplay_games, seed)
    return runs


def pairings(gauntlet):
    """A gauntlet's pairings against the baselines, by baseline."""
    return {k: gauntlet.pairing(f"baseline-{k}") for k in BASELINES}
