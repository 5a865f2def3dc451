#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes obf.dat, the key file that protects the saved best scores.

The bytes come from SHA-256 in counter mode over a fixed seed, so every build
on every machine writes the same 1024 bytes. Changing the seed (or this
script's output in any way) would make every best score saved so far read as
tampered, so leave it alone.

Usage: make-key.py OUTFILE
"""

import hashlib
import sys

SEED = b"flingo paper ball key, first edition"
SIZE = 1024


def key_bytes():
    out = bytearray()
    counter = 0
    while len(out) < SIZE:
        out += hashlib.sha256(SEED + counter.to_bytes(4, "big")).digest()
        counter += 1
    return bytes(out[:SIZE])


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make-key.py OUTFILE")
    with open(sys.argv[1], "wb") as f:
        f.write(key_bytes())
