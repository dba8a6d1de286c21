#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora (fuzz/corpus/<target>/seed-*) from a
real session: the commands curling-match sent to curling-engine in one game,
the engine's replies, and the game record.

    fuzz/make_seeds.py SESSION REPLIES GAME_JSONL

SESSION and REPLIES are what a pass-through engine saw and said (see
docs/reliability.md for the command line that records them). Inputs that once
found a fault are named regression-* and are not touched here.
"""
import json
import pathlib
import re
import struct
import sys

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / f"seed-{name}").write_bytes(data)


def engine_seeds(session):
    # Four turns at a time (the target hands over four GOs an input), read by
    # the engine in short reads (size byte 0x40) and in full ones (0xff).
    turns, current = [], []
    for line in session.split(b"\n"):
        if line.startswith(b"POSITION") and current:
            turns.append(current)
            current = []
        current.append(line)
    turns.append(current)
    for i in range(0, min(len(turns), 16), 4):
        text = b"\n".join(sum(turns[i:i + 4], [])) + b"\n"
        write("engine_commands_fuzz", f"turns{i}-short-reads", b"\x40" + text)
        write("engine_commands_fuzz", f"turns{i}-full-reads", b"\xff" + text)


def number_seeds(session):
    words = sorted({w for line in session.split(b"\n") for w in line.split(b" ")[1:] if w})
    for i, word in enumerate(words[:40]):
        write("number_conversion_fuzz", f"session-{i}", word)
    for i, word in enumerate([b"-0.5e-3", b"1e39", b"3.4028235e38", b"2147483648", b"-2147483649",
                              b".5", b"5.", b"0x10", b"1e", b"+7"]):
        write("number_conversion_fuzz", f"edge-{i}", word)


def reply_seeds(replies):
    pattern = rb"(?:ShotNum:-?\d+)?(?:MeanScore:[-0-9.]+)?BESTSHOT -?[0-9.]+ -?[0-9.]+ [01]"
    found = re.findall(pattern, replies)
    searched = [r for r in found if r.startswith(b"ShotNum")][:4]
    plain = [r for r in found if r.startswith(b"BESTSHOT")][:4]
    for i, reply in enumerate(searched + plain):
        write("reply_parser_fuzz", f"shot-{i}", b"\x05" + reply)
    write("reply_parser_fuzz", "ready", b"\x47READYOK")


def record_seeds(record):
    lines = record.split(b"\n")
    header, shots = lines[0], [l for l in lines if b'"type":"shot"' in l]
    tail = [l for l in lines if b'"type":"end"' in l or b'"type":"result"' in l]
    write("game_record_fuzz", "two-shots", b"\n".join([header] + shots[:2] + tail[-2:]) + b"\n")
    write("game_record_fuzz", "cut-short", b"\n".join([header, shots[0][:300]]))
    write("game_record_fuzz", "header-only", header + b"\n")


def scenario_seeds():
    write("scenario_file_fuzz", "doc", b"# last stone, one down\n"
          b'{"name": "one down, last stone", "end": 7, "shot": 15, "score": {"hammer": 2, '
          b'"other": 3}, "stones": [[2.38, 4.95], [0, 0], [2.0, 6.5]]}\n'
          b'{"name": "empty house, four to go", "end": 7, "shot": 12}\r\n')
    write("scenario_file_fuzz", "full", json.dumps(
        {"shot": 15, "stones": [[1.0 + 0.15 * i, 4.0 + 0.3 * i] for i in range(15)]}).encode())


def library_seeds(record):
    # Simulation inputs: the state before each shot and its played delivery.
    n = 0
    for line in record.split(b"\n"):
        if b'"type":"shot"' not in line:
            continue
        shot = json.loads(line)
        state = struct.pack("<iii10iB3x", shot["shot"], shot["end"], 7, *([0] * 10), shot["seat"])
        state += struct.pack("<32f", *shot["before"])
        vx, vy, curl = shot["delivery"]
        data = bytes([0]) + state + struct.pack("<ffB3xf", vx, vy, curl, 0.145) + struct.pack("<Q", n)
        write("library_exports_fuzz", f"shot-{shot['end']}-{shot['shot']}", data)
        if shot["shot"] == 10:  # the same delivery through SimulationBatch too
            write("library_exports_fuzz", f"batch-{shot['end']}-{shot['shot']}", bytes([16]) + data[1:])
        n += 1
        if n == 16:
            break
    for op, name in ((2, "create-shot"), (3, "create-hit-shot")):
        aim = struct.pack("<ffB3xf", 2.375, 4.88, 1, 2.5)
        write("library_exports_fuzz", name, bytes([op]) + bytes(184) + aim)


def main():
    session, replies, record = (pathlib.Path(p).read_bytes() for p in sys.argv[1:4])
    engine_seeds(session)
    number_seeds(session)
    reply_seeds(replies)
    record_seeds(record)
    scenario_seeds()
    library_seeds(record)


if __name__ == "__main__":
    main()
