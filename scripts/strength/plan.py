"""What the strength report plays, in the order its header lists: the
engines' command lines and the tournaments between them."""

import dataclasses
import os

import checkout

BASELINES = ("draw", "random", "greedy")
SPRT = ("0", "50", "0.05", "0.05")  # elo0, elo1, alpha, beta
# Seeds: a run's first seed is --seed plus its kind's offset, so that no two
# kinds of run play the same positions.
SPRT_SEED_OFFSET = 10000
BUDGET_SEED_OFFSET = 20000
SELFPLAY_SEED_OFFSET = 30000


@dataclasses.dataclass
class Engines:
    """Command lines: the default engine, the strong engine on --threads
    (its budget still to add), the strong engine at --shot-time, and each
    baseline by its short name."""
    default: str
    strong: str
    timed: str
    baselines: dict


@dataclasses.dataclass
class Runs:
    """The report's tournaments; `strong_vs` and `default_vs` are the
    gauntlets' pairings by baseline, `budgets` (samples, run) pairs."""
    headline: object
    sprt: object
    strong_gauntlet: object
    strong_vs: dict
    strong_vs_sprt: dict
    budgets: list
    default_gauntlet: object
    default_vs: dict
    self_default: object
    self_strong: object

    def every(self):
        """Every tournament played, in the order they were played."""
        return [self.headline, self.sprt, self.strong_gauntlet, *self.strong_vs_sprt.values(),
                *(r for _, r in self.budgets), self.default_gauntlet, self.self_default,
                self.self_strong]


def budget_samples(args):
    """The --samples budgets, in the order given."""
    return [int(n) for n in args.samples.split(",") if n]


def engines(args):
    """The engines' command lines; exits when the build lacks a program."""
    checkout.require_programs(args.build, ["curling-match", "curling-engine"]
                              + [f"baseline-{k}" for k in BASELINES], "strength_report")
    bin_dir = checkout.bin_dir(args.build)
    default = os.path.join(bin_dir, "curling-engine")
    strong = f"{default} --strong --threads {args.threads}"
    return Engines(default, strong, f"{strong} --shot-time {args.shot_time}",
                   {k: os.path.join(bin_dir, f"baseline-{k}") for k in BASELINES})


def play(tournaments, args, e):
    """Plays (or keeps) every tournament of the report with `tournaments`."""
    sprt_seed = args.seed + SPRT_SEED_OFFSET

    def sprt_match(name, engine_b):
        return tournaments.match(name, e.timed, engine_b, args.sprt_games, sprt_seed,
                                 ["--sprt", *SPRT])

    opponents = [(f"baseline-{k}", e.baselines[k]) for k in BASELINES]
    headline = tournaments.match("strong-vs-default", e.timed, e.default, args.games, args.seed)
    sprt = sprt_match("strong-vs-default-sprt", e.default)
    strong_gauntlet = tournaments.gauntlet("strong-vs-baselines", ("strong", e.timed), opponents,
                                           args.baseline_games, args.seed)
    strong_vs = pairings(strong_gauntlet)
    strong_vs_sprt = {k: sprt_match(f"strong-vs-{k}-sprt", e.baselines[k]) for k in BASELINES}
    budgets = [(n, tournaments.match(f"samples-{n}-vs-default", f"{e.strong} --samples {n}",
                                     e.default, args.budget_games, args.seed + BUDGET_SEED_OFFSET))
               for n in budget_samples(args)]
    default_gauntlet = tournaments.gauntlet("default-vs-baselines", ("curling-engine", e.default),
                                            opponents, args.baseline_games, args.seed)
    default_vs = pairings(default_gauntlet)
    self_default = tournaments.match("selfplay-default", e.default, e.default,
                                     args.selfplay_games, args.seed + SELFPLAY_SEED_OFFSET)
    strong_self = f"{e.strong} --samples {max(budget_samples(args))} --seed"
    self_strong = tournaments.match("selfplay-strong", strong_self + " 1", strong_self + " 2",
                                    args.selfplay_games, args.seed + SELFPLAY_SEED_OFFSET)
    return Runs(headline, sprt, strong_gauntlet, strong_vs, strong_vs_sprt, budgets,
                default_gauntlet, default_vs, self_default, self_strong)


def pairings(gauntlet):
    """A gauntlet's pairings against the baselines, by baseline."""
    return {k: gauntlet.pairing(f"baseline-{k}") for k in BASELINES}
