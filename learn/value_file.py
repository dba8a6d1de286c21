"""The value network's weight file and the training data file, read and
written with numpy alone (formats in docs/learned-value.md).

Weight file (little-endian): b"CURLVNET", uint32 version 1, uint32 layer
count L, L + 1 uint32 sizes, per layer float32 weights [out][in] then biases
[out], uint64 FNV-1a of every byte before it.

Training data file (little-endian): b"CURLDATA", uint32 version 1, uint32
feature count, uint32 result classes, int32 lowest result, uint64 record
count, then per record float32 features, float32 result probabilities,
uint32 shot number (nothing after the last record).

Position lines (text, one a line): the shot number and the 16 stones' x and
y, as a game record keeps them; `curling-learn predict --positions` and
`generate --played` read them.
"""
import struct

import numpy as np

NETWORK_MAGIC = b"CURLVNET"
DATA_MAGIC = b"CURLDATA"
VERSION = 1
FEATURES = 65
RESULTS = 11
LOWEST_RESULT = -5


def position_line(shot, stones):
    """A position line: the shot number, then the 32 coordinates."""
    assert 0 <= shot < 16 and len(stones) == 32, (shot, len(stones))
    return " ".join([str(shot)] + [repr(float(v)) for v in stones]) + "\n"


def fnv1a64(data):
    h = 0xCBF29CE484222325
    for b in bytes(data):
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def write_network(path, layers):
    """`layers`: a list of (weights [out][in], biases [out]) float arrays."""
    sizes = [layers[0][0].shape[1]] + [w.shape[0] for w, _ in layers]
    if sizes[0] != FEATURES or sizes[-1] != RESULTS:
        raise ValueError(f"the network must take {FEATURES} inputs and give {RESULTS} outputs")
    out = bytearray(NETWORK_MAGIC)
    out += struct.pack("<II", VERSION, len(layers))
    out += struct.pack(f"<{len(sizes)}I", *sizes)
    for w, b in layers:
        out += np.ascontiguousarray(w, dtype="<f4").tobytes()
        out += np.ascontiguousarray(b, dtype="<f4").tobytes()
    out += struct.pack("<Q", fnv1a64(out))
    with open(path, "wb") as f:
        f.write(out)


def read_network(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != NETWORK_MAGIC or len(data) < 24:
        raise ValueError(f"{path}: not a value network file")
    if struct.unpack_from("<Q", data, len(data) - 8)[0] != fnv1a64(data[:-8]):
        raise ValueError(f"{path}: checksum mismatch")
    version, count = struct.unpack_from("<II", data, 8)
    if version != VERSION:
        raise ValueError(f"{path}: version {version}")
    sizes = struct.unpack_from(f"<{count + 1}I", data, 16)
    offset = 16 + 4 * (count + 1)
    layers = []
    for n_in, n_out in zip(sizes, sizes[1:]):
        w = np.frombuffer(data, "<f4", n_in * n_out, offset).reshape(n_out, n_in)
        offset += 4 * n_in * n_out
        b = np.frombuffer(data, "<f4", n_out, offset)
        offset += 4 * n_out
        layers.append((w.copy(), b.copy()))
    return layers


def read_data(path):
    """(features [n][FEATURES], results [n][RESULTS], shots [n]) of a data file."""
    with open(path, "rb") as f:
        data = f.read()
    header = 8 + struct.calcsize("<IIIiQ")
    if data[:8] != DATA_MAGIC or len(data) < header:
        raise ValueError(f"{path}: not a training data file")
    version, features, results, lowest, count = struct.unpack_from("<IIIiQ", data, 8)
    if (version, features, results, lowest) != (VERSION, FEATURES, RESULTS, LOWEST_RESULT):
        raise ValueError(f"{path}: version or layout not this trainer's")
    width = FEATURES + RESULTS + 1
    if len(data) != header + 4 * width * count:
        raise ValueError(f"{path}: {len(data)} bytes do not hold {count} records")
    records = np.frombuffer(data, "<f4", count * width, header).reshape(count, width)
    shots = np.frombuffer(data, "<u4", count * width, header).reshape(count, width)[:, -1]
    return (records[:, :FEATURES].copy(), records[:, FEATURES:FEATURES + RESULTS].copy(),
            shots.astype(np.int64))

