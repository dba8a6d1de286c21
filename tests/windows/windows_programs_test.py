#!/usr/bin/env python3
"""The Windows build under Wine, held to the Linux build on the same inputs.

Run by ctest in the windows preset, one test case per ctest test:
    windows_programs_test.py CASE
with these variables set (tests/windows/CMakeLists.txt sets them):
    CURLING_WINDOWS_BIN   the Windows build's bin/ (curling-engine.exe, CurlingSimulator.dll)
    CURLING_LINUX_BIN     the Linux release build's bin/ (curling-engine, curling-match, ...)
    CURLING_WINE64        the wine64 program
    CURLING_OBJDUMP       x86_64-w64-mingw32-objdump
    WINEPREFIX            the Wine prefix made once per run (the wine_prefix case)
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

WINDOWS_BIN = os.environ.get("CURLING_WINDOWS_BIN", "")
LINUX_BIN = os.environ.get("CURLING_LINUX_BIN", "")
WINE64 = os.environ.get("CURLING_WINE64", "")
OBJDUMP = os.environ.get("CURLING_OBJDUMP", "")

ENGINE_EXE = os.path.join(WINDOWS_BIN, "curling-engine.exe")
LIBRARY_DLL = os.path.join(WINDOWS_BIN, "CurlingSimulator.dll")
LINUX_ENGINE = os.path.join(LINUX_BIN, "curling-engine")

# Pinned by the Linux build's own tests (determinism and bench tests).
GOLDEN_HASH = "0x0CB7A1C552E84801"
BENCH_CALLS = "bench: 166570 library calls"
BENCH_REPLIES = "replies 525abddf4334b44b"

# The load error's caption and text, as the box gets them (code page 932).
LOAD_ERROR_CAPTION = "エラー".encode("cp932")
LOAD_ERROR_TEXT = "CurlingSimulator.dll の読み込みに失敗しました".encode("cp932")

TIMEOUT = 300  # seconds for any one program run; a hang fails the test


def wine_environment(debug="-all"):
    env = dict(os.environ)
    env["WINEDEBUG"] = debug
    # No display: Wine's own handling of windows without one (no window is
    # made, the message box call returns at once) keeps every run headless.
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    return env


def run_windows(args, stdin=b"", debug="-all"):
    return subprocess.run([WINE64] + args, input=stdin, capture_output=True, timeout=TIMEOUT,
                          env=wine_environment(debug))


def run_linux(args, stdin=b""):
    return subprocess.run(args, input=stdin, capture_output=True, timeout=TIMEOUT)


def text_lines(output):
    """Lines of a program's text output: a Windows program's C runtime
    writes CR LF where the Linux one writes LF."""
    return output.decode("utf-8", "replace").replace("\r\n", "\n").split("\n")


class WinePrefix(unittest.TestCase):
    """Makes the Wine prefix that every other case uses (the first start of
    Wine in a prefix takes several seconds; later ones are quick), and asks
    Wine's relay trace to show only the calls the load-error case checks."""

    def test_make_prefix(self):
        for program in ("curling-engine", "curling-match", "golden-set-dump"):
            self.assertTrue(os.path.exists(os.path.join(LINUX_BIN, program)),
                            f"no {program} in {LINUX_BIN}: build the release preset first")
        prefix = os.environ["WINEPREFIX"]
        shutil.rmtree(prefix, ignore_errors=True)
        env = wine_environment()
        subprocess.run([WINE64, "wineboot", "--init"], env=env, check=True, timeout=TIMEOUT,
                       capture_output=True)
        subprocess.run([WINE64, "reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude",
                        "/t", "REG_SZ", "/d", "user32.MessageBoxA;KERNEL32.ReadFile", "/f"],
                       env=env, check=True, timeout=TIMEOUT, capture_output=True)
        self.assertTrue(os.path.isdir(os.path.join(prefix, "drive_c")))


class Exports(unittest.TestCase):
    """The library's exports under their plain names, and both files run with
    nothing beside them but the system's DLLs."""

    SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "user32.dll"}

    def dump(self, path):
        return subprocess.run([OBJDUMP, "-p", path], capture_output=True, check=True,
                              text=True).stdout

    def test_library_exports_the_c_functions_undecorated(self):
        table = self.dump(LIBRARY_DLL).split("[Ordinal/Name Pointer] Table")[1]
        names = set(re.findall(r"^\s+\[\s*\d+\]\s+(\S+)$", table, re.M))
        for name in ("Simulation", "SimulationBatch", "CreateShot", "CreateHitShot",
                     "SetRandomSeed", "SetFreeGuardZoneRule", "CurlingSimulatorVersion"):
            self.assertIn(name, names)
        undecorated = {n for n in names if not n.startswith("_Z")}  # the C++ interface
        self.assertEqual(undecorated, {"Simulation", "SimulationBatch", "CreateShot",
                                       "CreateHitShot", "SetRandomSeed", "SetFreeGuardZoneRule",
                                       "CurlingSimulatorVersion"})

    def test_programs_need_only_system_dlls(self):
        for path in (ENGINE_EXE, LIBRARY_DLL):
            imported = {n.lower() for n in re.findall(r"DLL Name: (\S+)", self.dump(path))}
            self.assertTrue(imported <= self.SYSTEM_DLLS, f"{path} imports {imported}")


class GoldenSet(unittest.TestCase):
    """The DLL gives the Linux library's results on the pinned set, bit for
    bit; a difference is reported shot by shot."""

    def test_same_results_as_the_linux_library(self):
        windows = run_windows([os.path.join(WINDOWS_BIN, "golden-set-dump.exe")])
        linux = run_linux([os.path.join(LINUX_BIN, "golden-set-dump")])
        self.assertEqual(windows.returncode, 0, windows.stderr)
        self.assertEqual(linux.returncode, 0, linux.stderr)
        w, l = text_lines(windows.stdout), text_lines(linux.stdout)
        self.assertEqual(len(w), len(l))
        differing = [(a, b) for a, b in zip(w, l) if a != b]
        report = "\n".join(f"windows: {a[:160]}\nlinux:   {b[:160]}" for a, b in differing[:5])
        self.assertEqual(len(differing), 0, f"{len(differing)} lines differ:\n{report}")
        self.assertEqual(l[-2], "hash " + GOLDEN_HASH)


# Conversations fed to both engines in one piece: every command, upper,
# lower and mixed case, CR LF and LF, unknown words, several commands in one
# write, missing words, the last two stones of an end (ShotNum: and
# MeanScore: before BESTSHOT) and SCORE / TIME.
SESSIONS = [
    b"isready\nIsReady\nISREADYX\nGO\n",
    b"NEWGAME\r\nSETSTATE 3 0 10 1\r\nPOSITION 2.4 4.95 2.2 7.3\r\nGO\r\n",
    b"NEWGAME\nSETSTATE 6 1 10 0\nPOSITION 2.0 5.2 2.6 4.3 3.0 3.5 1.8 7.5 2.375 8.0\nGO\n"
    b"SETSTATE 8\nGO\nPOSITION 1 2 3\nGO\n   GO\nGO\tx\nGO more words\n",
    b"NEWGAME\nSETSTATE 14 2 10 0\n"
    b"POSITION 2.375 7.1 2.5 4.8 0 0 1.9 5.4 0 0 0 0 3.0 8.2 0 0 0 0 0 0 2.2 3.7\nGO\n",
    b"NEWGAME\nSETSTATE 15 2 10 1\n"
    b"POSITION 2.375 7.1 2.5 4.8 0 0 1.9 5.4 0 0 0 0 3.0 8.2 0 0 0 0 0 0 2.2 3.7\n"
    b"SCORE 2 3\nTIME 100 90\nGO\nISREADY\n",
]


class ProtocolReplies(unittest.TestCase):
    """The default engine answers byte for byte as the Linux build does."""

    def test_sessions(self):
        for session in SESSIONS:
            windows = run_windows([ENGINE_EXE], session)
            linux = run_linux([LINUX_ENGINE], session)
            self.assertEqual(windows.returncode, 0, windows.stderr)
            self.assertEqual(linux.returncode, 0, linux.stderr)
            self.assertNotEqual(linux.stdout, b"")
            self.assertEqual(windows.stdout, linux.stdout, session)

    def test_bench_count_and_fingerprint(self):
        windows = run_windows([ENGINE_EXE, "bench"])
        linux = run_linux([LINUX_ENGINE, "bench"])
        self.assertEqual(windows.returncode, 0, windows.stderr)

        def without_times(output):  # the times of a run differ, the rest may not
            return [re.sub(r" *[0-9.]+ ms", " ms", line) for line in text_lines(output)]

        w = without_times(windows.stdout)
        self.assertEqual(w, without_times(linux.stdout))
        self.assertIn(BENCH_REPLIES, w)
        self.assertIn(BENCH_CALLS + ", ms", w)


class StrongEngine(unittest.TestCase):
    """--strong, its options and its threads: with a fixed number of rollouts
    the replies depend only on the commands and the seed."""

    SESSION = (b"NEWGAME\nISREADY\nSETSTATE 5 1 4 0\nPOSITION 2.4 4.95 2.2 7.3 0 0 2.0 8.1 1.9 5.0\n"
               b"SCORE 1 0\nGO\nSETSTATE 15 1 4 1\nGO\n")

    def test_replies_equal_the_linux_build(self):
        options = ["--strong", "--threads", "3", "--samples", "24", "--seed", "11"]
        windows = run_windows([ENGINE_EXE] + options, self.SESSION)
        linux = run_linux([LINUX_ENGINE] + options, self.SESSION)
        self.assertEqual(windows.returncode, 0, windows.stderr)
        self.assertTrue(linux.stdout.startswith(b"READYOKBESTSHOT "), linux.stdout)
        self.assertEqual(windows.stdout, linux.stdout)
        self.assertEqual(windows.stderr.count(b"strong: "), 2, windows.stderr)

    def test_timed_search_on_the_machines_cores(self):
        run = run_windows([ENGINE_EXE, "--strong", "--shot-time", "0.2"], self.SESSION)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertRegex(run.stdout, rb"^READYOK(BESTSHOT -?\d+\.\d{6} -?\d+\.\d{6} [01]){2}$")

    def test_command_line(self):
        for args, code in ((["--help"], 0), (["--threads", "2"], 2), (["--strong", "--x"], 2)):
            windows = run_windows([ENGINE_EXE] + args)
            linux = run_linux([LINUX_ENGINE] + args)
            self.assertEqual(windows.returncode, code, args)
            self.assertEqual(text_lines(windows.stdout + windows.stderr),
                             text_lines(linux.stdout + linux.stderr), args)


def decode_debug_string(quoted):
    """Bytes of a string as Wine's trace prints it (C escapes)."""
    out = bytearray()
    i = 0
    while i < len(quoted):
        c = quoted[i]
        if c != "\\":
            out.append(ord(c))
            i += 1
        elif quoted[i + 1] == "x":
            out.append(int(quoted[i + 2:i + 4], 16))
            i += 4
        else:
            out.append(ord({"n": "\n", "r": "\r", "t": "\t"}.get(quoted[i + 1], quoted[i + 1])))
            i += 2
    return bytes(out)


class LoadError(unittest.TestCase):
    """Without the DLL the engine shows the message box, reads nothing and
    exits with code 0, with its input still open."""

    TRACE = "-all,+pid,+relay"  # the calls named in the prefix's RelayInclude

    @staticmethod
    def reads_of(process_id, trace):
        return re.findall(rf"^{process_id}:[0-9a-f]+:Call KERNEL32\.ReadFile\(", trace, re.M)

    def test_the_trace_shows_an_engine_reading(self):
        # The check below finds no read only because there is none.
        run = run_windows([ENGINE_EXE], b"ISREADY\n", debug=self.TRACE)
        self.assertEqual(run.stdout, b"READYOK")
        trace = run.stderr.decode("latin-1")
        loader = re.search(r'^([0-9a-f]+):[0-9a-f]+:.*L"CurlingSimulator\.dll",reason=PROCESS_ATTACH',
                           trace, re.M)
        self.assertIsNotNone(loader, "no engine process in the trace")
        self.assertGreaterEqual(len(self.reads_of(loader.group(1), trace)), 1)

    def test_message_box_and_exit_without_reading(self):
        with tempfile.TemporaryDirectory() as folder:
            engine = shutil.copy(ENGINE_EXE, folder)
            process = subprocess.Popen([WINE64, engine], stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                       env=wine_environment(self.TRACE), cwd=folder)
            process.stdin.write(b"ISREADY\n")
            process.stdin.flush()  # and left open: a read would wait for more
            try:
                out, trace = process.communicate(timeout=120)
            finally:
                process.kill()
        self.assertEqual(process.returncode, 0)
        self.assertEqual(out, b"")
        trace = trace.decode("latin-1")
        self.assertIn("CurlingSimulator.dll: ", trace)  # the reason, on standard error
        call = re.search(r'^([0-9a-f]+):[0-9a-f]+:Call user32\.MessageBoxA\((\w+),\w+ "(.*)",'
                         r'\w+ "(.*)",(\w+)\)', trace, re.M)
        self.assertIsNotNone(call, "no MessageBoxA call")
        process_id, owner, text, caption, style = call.groups()
        self.assertEqual(int(owner, 16), 0)  # no owner
        self.assertEqual(int(style, 16), 0)  # MB_OK: one OK button
        self.assertEqual(decode_debug_string(text), LOAD_ERROR_TEXT)
        self.assertEqual(decode_debug_string(caption), LOAD_ERROR_CAPTION)
        self.assertEqual(self.reads_of(process_id, trace), [], "the engine read its input")


class WholeGame(unittest.TestCase):
    """curling-match on Linux plays a whole game between the engine under
    Wine and the Linux engine; with the same seed it is the game two Linux
    engines play."""

    def play(self, first, folder):
        match = os.path.join(LINUX_BIN, "curling-match")
        result = subprocess.run([match, "--engine", first, "--engine", LINUX_ENGINE,
                                 "--seed", "7", "--out", folder], capture_output=True,
                                timeout=1800, env=wine_environment())
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        with open(os.path.join(folder, "game.jsonl"), encoding="utf-8") as f:
            records = [json.loads(line) for line in f if line.strip()]
        self.assertEqual(records[-1].get("outcome"), "completed", records[-1])
        return [(r["end"], r["shot"], r["texts"], r["after"]) for r in records
                if r.get("type") == "shot"]

    def test_game_under_wine_is_the_linux_game(self):
        with tempfile.TemporaryDirectory() as folder:
            wine_game = self.play(f"{WINE64} {ENGINE_EXE}", os.path.join(folder, "wine"))
            linux_game = self.play(LINUX_ENGINE, os.path.join(folder, "linux"))
        self.assertGreaterEqual(len(wine_game), 8 * 16)
        self.assertEqual(wine_game, linux_game)


if __name__ == "__main__":
    case = sys.argv[1]
    suite = unittest.defaultTestLoader.loadTestsFromName(case, sys.modules[__name__])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)
