"""The checkout the report scripts run from and its release build: where they
are, the build's programs, and building the targets a report measures."""

import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RELEASE_BUILD = os.path.join(ROOT, "build", "release")


def bin_dir(build):
    """The folder of a build's programs and of the physics library."""
    return os.path.join(build, "bin")


def require_programs(build, programs, script):
    """Exits with a message naming the first of `programs` the build lacks."""
    for program in programs:
        if not os.access(os.path.join(bin_dir(build), program), os.X_OK):
            sys.exit(f"{script}: {program} is missing; build the release preset first")


def build_targets(build, targets, log):
    """Configures `build` with the release preset's settings when it is not
    configured yet, then builds `targets` (-j2). Each command is passed to
    `log` first; cmake's output goes to standard error, so that a report on
    standard output stays clean."""
    commands = []
    if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
        commands.append(["cmake", "-S", ROOT, "-B", build, "-G", "Ninja",
                         "-DCMAKE_BUILD_TYPE=Release", "-DCURLING_WERROR=ON"])
    commands.append(["cmake", "--build", build, "-j2", "--target", *targets])
    for command in commands:
        log(" ".join(command))
        subprocess.run(command, check=True, stdout=sys.stderr)
    return bin_dir(build)
