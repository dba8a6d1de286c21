#!/usr/bin/env python3
"""Trains the position value network on labelled positions (curling-learn
generate) and writes its weight file (format in value_file.py and
docs/learned-value.md). CPU only; needs PyTorch (Debian's python3-torch).

  learn/train_value.py --data D15.bin [D14.bin ...] --out value-network.bin
                       [--hidden 64,64] [--epochs 20] [--seed 0] [--init FILE]

The loss is the cross-entropy of the network's distribution against the
label distributions; a tenth of the positions (by the seed) is held out, its
loss reported after every epoch, and the weights of the epoch with the lowest
held-out loss are the ones written (small data sets overfit quickly).
"""
import argparse
import sys
import time
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent))
import value_file  # noqa: E402

try:
    import torch
except ImportError:  # the caller says what to install
    torch = None


def build_model(hidden):
    sizes = [value_file.FEATURES] + list(hidden) + [value_file.RESULTS]
    layers = []
    for i, (n_in, n_out) in enumerate(zip(sizes, sizes[1:])):
        layers.append(torch.nn.Linear(n_in, n_out))
        if i + 2 < len(sizes):
            layers.append(torch.nn.ReLU())
    return torch.nn.Sequential(*layers)


def linear_layers(model):
    return [m for m in model if isinstance(m, torch.nn.Linear)]


def export(model, path):
    value_file.write_network(path, [(m.weight.detach().numpy(), m.bias.detach().numpy())
                                    for m in linear_layers(model)])


def load_into(model, path):
    layers = value_file.read_network(path)
    linear = linear_layers(model)
    if [w.shape for w, _ in layers] != [tuple(m.weight.shape) for m in linear]:
        raise ValueError(f"{path}: its layer sizes differ from --hidden")
    with torch.no_grad():
        for m, (w, b) in zip(linear, layers):
            m.weight.copy_(torch.from_numpy(w))
            m.bias.copy_(torch.from_numpy(b))


def soft_cross_entropy(logits, target):
    return -(target * torch.log_softmax(logits, dim=1)).sum(dim=1).mean()


def train(args):
    torch.manual_seed(args.seed)
    torch.set_num_threads(args.threads)
    parts = [value_file.read_data(p) for p in args.data]
    x = torch.from_numpy(np.concatenate([p[0] for p in parts]))
    y = torch.from_numpy(np.concatenate([p[1] for p in parts]))
    generator = torch.Generator().manual_seed(args.seed)
    order = torch.randperm(len(x), generator=generator)
    held = max(1, len(x) // 10) if len(x) >= 10 else 0
    test, fit = order[:held], order[held:]
    model = build_model(args.hidden)
    if args.init:
        load_into(model, args.init)
    optimiser = torch.optim.Adam(model.parameters(), lr=args.lr)
    start = time.time()
    best_loss, best_state, best_epoch = float("inf"), None, 0
    for epoch in range(args.epochs):
        model.train()
        shuffled = fit[torch.randperm(len(fit), generator=generator)]
        total = 0.0
        for i in range(0, len(shuffled), args.batch):
            batch = shuffled[i:i + args.batch]
            optimiser.zero_grad()
            loss = soft_cross_entropy(model(x[batch]), y[batch])
            loss.backward()
            optimiser.step()
            total += loss.item() * len(batch)
        model.eval()
        with torch.no_grad():
            held_loss = soft_cross_entropy(model(x[test]), y[test]).item() if held else float("nan")
        print(f"train_value: epoch {epoch + 1}/{args.epochs}: loss {total / max(1, len(fit)):.4f}, "
              f"held-out {held_loss:.4f} ({len(fit)} + {held} positions, "
              f"{time.time() - start:.1f} s)", file=sys.stderr)
        if not held or held_loss < best_loss:
            best_loss, best_epoch = held_loss, epoch + 1
            best_state = {k: v.clone() for k, v in model.state_dict().items()}
    model.load_state_dict(best_state)
    print(f"train_value: the weights of epoch {best_epoch} written to {args.out}",
          file=sys.stderr)
    export(model, args.out)
    return 0


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--data", nargs="+", required=True, help="data files of curling-learn")
    parser.add_argument("--out", required=True, help="the weight file to write")
    parser.add_argument("--hidden", default="64,64", help="hidden layer sizes, comma-separated")
    parser.add_argument("--epochs", type=int, default=20)
    parser.add_argument("--batch", type=int, default=64)
    parser.add_argument("--lr", type=float, default=3e-3)
    parser.add_argument("--seed", type=int, default=0)
    parser.add_argument("--threads", type=int, default=1)
    parser.add_argument("--init", help="start from this weight file (same sizes)")
    args = parser.parse_args(argv)
    try:
        args.hidden = [int(h) for h in args.hidden.split(",") if h]
    except ValueError:
        parser.error(f"--hidden: '{args.hidden}' is not sizes like 64,64")
    if not all(1 <= h <= 4096 for h in args.hidden) or len(args.hidden) > 7:
        parser.error("--hidden: up to 7 layers of 1 to 4096 units")
    if args.epochs < 1 or args.batch < 1 or args.threads < 1:
        parser.error("--epochs, --batch and --threads must be at least 1")
    return args


def main(argv=None):
    args = parse_arguments(argv)
    if torch is None:
        print("train_value: PyTorch is missing: install python3-torch "
              "(scripts/setup.sh --with-training)", file=sys.stderr)
        return 2
    try:
        return train(args)
    except (OSError, ValueError) as e:
        print(f"train_value: {e}", file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
