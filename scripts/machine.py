"""The machine and checkout a report was measured on, as the report scripts
describe them."""

import datetime
import os
import platform
import subprocess

from checkout import ROOT


def cpu_model():
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def git_revision():
    """The checkout's short revision, noting uncommitted changes outside docs/
    (where the reports themselves are written)."""
    def git(*words):
        return subprocess.run(["git", "-C", ROOT, *words], capture_output=True, text=True,
                              check=True).stdout.strip()
    try:
        dirty = git("status", "--porcelain", "--untracked-files=no", "--", ".", ":!docs")
        return git("rev-parse", "--short", "HEAD") + (" (with uncommitted changes)" if dirty else "")
    except (OSError, subprocess.CalledProcessError):
        return "unknown"


def load_average():
    """The load average over 1, 5 and 15 minutes, as the reports print it."""
    try:
        return " ".join(f"{v:.2f}" for v in os.getloadavg())
    except OSError:
        return "unknown"


def utc_time(seconds=None):
    """A moment (seconds since the epoch; default now) in UTC to the minute,
    as the reports print it."""
    when = datetime.datetime.now(datetime.timezone.utc) if seconds is None \
        else datetime.datetime.fromtimestamp(seconds, datetime.timezone.utc)
    return when.strftime("%Y-%m-%d %H:%M UTC")


def describe(revision_note=None):
    """CPU model, logical CPUs, kernel, revision (or `revision_note`) and the
    start time in UTC."""
    return {
        "model": cpu_model(),
        "nproc": os.cpu_count(),
        "kernel": os.uname().release,
        "revision": revision_note or git_revision(),
        "started": utc_time(),
    }
