#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes obf.dat, the key file that protects the saved best scores.

The bytes come from SHA-256 in counter mode over a fixed seed, so every build
on every machine writes the same 1024 bytes. Changing the seed (or this
script's output in any way) would make every best score saved so far read as
tampered, so leave it alone.

The game keeps the SHA-256 of these bytes (written as C++ by --digest-source)
and treats a key file that does not match it as missing, so that a damaged key
can neither hide the saved best scores nor sign new ones over them.

Usage: make-key.py OUTFILE
       make-key.py --digest-source OUTFILE.cpp
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


def digest_source():
    digest = hashlib.sha256(key_bytes()).digest()
    body = ", ".join("0x%02x" % b for b in digest)
    return (
        "// Written by tools/assets/make-key.py: the SHA-256 of the obf.dat this build makes.\n"
        '#include "save/obfuscator.h"\n\n'
        "namespace savedata {\n"
        "const KeyDigest build_key_digest = {%s};\n"
        "} // namespace savedata\n" % body
    )


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--digest-source":
        with open(sys.argv[2], "w") as f:
            f.write(digest_source())
    elif len(sys.argv) == 2:
        with open(sys.argv[1], "wb") as f:
            f.write(key_bytes())
    else:
        sys.exit("usage: make-key.py OUTFILE | --digest-source OUTFILE.cpp")
