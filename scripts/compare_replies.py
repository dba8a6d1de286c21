#!/usr/bin/env python3
"""Runs the same protocol inputs through the engines of two builds and lists
where their replies differ: curling-engine, curling-engine --strong (a fixed
number of rollouts on one thread, so reproducible), and the three baselines.

    scripts/compare_replies.py OLD_BIN NEW_BIN [--keep DIR]

OLD_BIN and NEW_BIN are two builds' bin/ folders (build the one before a
change elsewhere, e.g. from `git archive`). Exits 1 when curling-engine or
curling-engine --strong reply differently to any input: a change to how
commands are read must not move them. --keep DIR keeps every output, as
DIR/old/<program>/<input> and DIR/new/<program>/<input>.

Inputs: every file of fuzz/corpus/engine_commands_fuzz/, delivered in pieces
of the read size its first byte picks (as the fuzz target does: each piece
is written once the program has read the one before, so every read sees one
piece) and as a file; every other corpus file as it is; for each word of the
number corpus, POSITION, SETSTATE, SCORE and TIME lines of it then GO; and
hand-written edge cases (tabs, trailing spaces, huge numbers, CR, zero
bytes, lines across reads, a line beyond 64 KiB), as a file and in 7-byte
pieces.
"""
import argparse
import fcntl
import os
import pathlib
import select
import struct
import subprocess
import sys
import tempfile
import termios
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"


def edge_cases():
    pos = "POSITION " + " ".join(f"{2.0 + 0.1 * k:.2f} {4.5 + 0.1 * k:.2f}" for k in range(8))
    pos += " 0 0" * 8
    cases = {
        "tab-in-word": "GO\tnow\nISREADY\tx\nPOSITION\t1 2\nSETSTATE\t5 0 8 0\nGO\n",
        "tab-separated": "SETSTATE\t5\t0\t8\t0\nPOSITION\t2.3\t5.0\nGO\n",
        "trailing-space": pos + " \nSETSTATE 5 \nGO\nSETSTATE 14 0 8 1 \nGO\n",
        "huge-integers": pos + "\nSETSTATE 99999999999 -99999999999 99999999999 1\nGO\n"
                         "SETSTATE -2147483649 0 8 2\nGO\n",
        "plus-minus": "POSITION +-2.3 +-5 2.3 5\nSETSTATE +-3 0 8 0\nGO\nSETSTATE +5 0 8 +1\nGO\n",
        "inf-nan": "POSITION inf nan INF NaN infinity -inf 2.3 5\nSETSTATE 6 0 8 0\nGO\n",
        "beyond-double": "POSITION 1e400 -1e400 1e39 -1e39 1e-400 2.3 5 5\nSETSTATE 6 0 8 0\nGO\n",
        "crlf-and-cr": "ISREADY\r\nSETSTATE 3 0 8 1\rGO\r\n",
        "nul-byte": "ISREADY\0GO\nSETSTATE 3\0 0 8 1\nGO\n",
        "case": "isready\nIsReady\nnewgame\nsetstate 2 0 8 0\ngo\n",
        "leading-spaces": "   ISREADY\n   SETSTATE   4   0   8   0\n  GO  x\n",
        "missing-words": "POSITION 1 2 3\nSETSTATE 5\nGO\nSETSTATE\nPOSITION\nGO\n",
        "score-time": "SCORE 1 2\nTIME 30.5 20\nSETSTATE 14 9 9 0\nGO\nSCORE x\nTIME inf 3\nGO\n"
                      "NEWGAME\nSETSTATE 15 0 0 1\nGO\n",
        "no-line-end": "SETSTATE 14 0 10 1\nGO",
    }
    out = {name: text.encode("latin-1") for name, text in cases.items()}
    # A line cut by a full read: SETSTATE at byte 1020 of the input.
    pad = b"ISREADY\n" + b" " * (1020 - 8 - 1) + b"\n"
    out["line-across-full-read"] = pad + b"SETSTATE 14 0 10 1\nGO\n"
    out["line-across-4096"] = b" " * 4090 + b"\nSETSTATE 14 0 10 1\nGO\n"
    # A line beyond 64 KiB is dropped whole; the one after it is handled.
    out["overlong-line"] = b"GO " + b"1 " * 40000 + b"\nISREADY\nSETSTATE 14 0 10 1\nGO\n"
    out["long-position"] = (pos + " 7" * 3000 + "\nSETSTATE 6 0 8 0\nGO\n").encode()
    return out


def number_lines(word):
    w = word.replace(b"\n", b"").replace(b"\r", b"")
    return (b"POSITION" + (b" " + w) * 32 + b"\nSETSTATE" + (b" " + w) * 4 + b"\nSCORE " + w +
            b" " + w + b"\nTIME " + w + b" " + w + b"\nGO\nSETSTATE 5 " + w + b" 8 " + w +
            b"\nGO\n")


def inputs():
    found = []  # (name, bytes, piece size or None)
    for path in sorted((CORPUS / "engine_commands_fuzz").iterdir()):
        data = path.read_bytes()
        if not data:
            continue
        piece = 1024 if data[0] == 0xFF else 1 + data[0] * 4
        found.append(("engine-" + path.name, data[1:], piece))
        found.append(("engine-file-" + path.name, data[1:], None))
    for target in sorted(CORPUS.iterdir()):
        if target.name == "engine_commands_fuzz":
            continue
        for path in sorted(target.iterdir()):
            found.append((f"{target.name}-{path.name}", path.read_bytes(), None))
            if target.name == "number_conversion_fuzz":
                found.append((f"number-{path.name}", number_lines(path.read_bytes()), None))
    for name, data in edge_cases().items():
        found.append(("edge-" + name, data, None))
        found.append(("edge-pieces7-" + name, data, 7))
    return found


def unread(fd):
    buf = fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0")
    return struct.unpack("i", buf)[0]


def run_in_pieces(argv, data, piece):
    r, w = os.pipe()
    proc = subprocess.Popen(argv, stdin=r, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    os.close(r)
    out = bytearray()
    os.set_blocking(proc.stdout.fileno(), False)

    def drain():
        while True:
            try:
                chunk = os.read(proc.stdout.fileno(), 65536)
            except BlockingIOError:
                return
            if not chunk:
                return
            out.extend(chunk)

    for at in range(0, len(data), piece):
        deadline = time.time() + 60
        while unread(w) > 0:
            drain()
            if time.time() > deadline:
                raise RuntimeError("engine stopped reading")
            time.sleep(0.0005)
        os.write(w, data[at:at + piece])
    while unread(w) > 0:
        drain()
        time.sleep(0.0005)
    os.close(w)
    while proc.poll() is None:
        select.select([proc.stdout], [], [], 0.05)
        drain()
    drain()
    return bytes(out), proc.returncode


def run_file(argv, data, tmp):
    tmp.write_bytes(data)
    with tmp.open("rb") as stdin:
        done = subprocess.run(argv, stdin=stdin, capture_output=True, timeout=300)
    return done.stdout, done.returncode


PROGRAMS = {
    "engine": ["curling-engine"],
    "strong": ["curling-engine", "--strong", "--samples", "50", "--threads", "1"],
    "draw": ["baseline-draw", "--seed", "3"],
    "random": ["baseline-random", "--seed", "3"],
    "greedy": ["baseline-greedy", "--samples", "4"],
}


def run_all(bin_dir, out_dir):
    """Every input through every program of `bin_dir`; outputs under `out_dir`."""
    tmp = out_dir / "input.tmp"
    out_dir.mkdir(parents=True, exist_ok=True)
    names = []
    for name, data, piece in inputs():
        names.append(name)
        for program, command in PROGRAMS.items():
            argv = [str(bin_dir / command[0])] + command[1:]
            if piece is None:
                out, code = run_file(argv, data, tmp)
            else:
                out, code = run_in_pieces(argv, data, piece)
            folder = out_dir / program
            folder.mkdir(exist_ok=True)
            (folder / name).write_bytes(out + f"\n[exit {code}]\n".encode())
    tmp.unlink()
    return names


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("old_bin", type=pathlib.Path)
    parser.add_argument("new_bin", type=pathlib.Path)
    parser.add_argument("--keep", type=pathlib.Path)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as scratch:
        out = args.keep or pathlib.Path(scratch)
        names = run_all(args.old_bin, out / "old")
        run_all(args.new_bin, out / "new")
        engine_moved = False
        for program in PROGRAMS:
            differ = [n for n in names
                      if (out / "old" / program / n).read_bytes() !=
                      (out / "new" / program / n).read_bytes()]
            print(f"{program}: {len(names)} inputs, {len(differ)} differ"
                  + (": " + ", ".join(differ) if differ else ""))
            engine_moved = engine_moved or (program in ("engine", "strong") and bool(differ))
    return 1 if engine_moved else 0


if __name__ == "__main__":
    sys.exit(main())
