#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Widen the gapless trim of an MP3 made by lame: mp3-hide-wrap.py FILE LEAD TRAIL.

A looping track is encoded with LEAD samples of its own end before it and TRAIL samples
of its own start after it, so that the encoder sees the loop's join from both sides
and codes its edges as smoothly as any other moment. This adds LEAD to the encoder
delay and TRAIL to the padding in the file's LAME header; decoders that honour the
header (gapless playback) then drop that extra audio, and the track loops without a
click. The header's CRC is recomputed.
"""
import sys


def crc16(data):  # CRC-16/ARC, as the LAME header uses
    c = 0
    for x in data:
        c ^= x
        for _ in range(8):
            c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
    return c


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: mp3-hide-wrap.py FILE LEAD TRAIL")
    path, lead, trail = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    data = bytearray(open(path, "rb").read())
    # The header sits in the first frame, after the Info (CBR) or Xing (VBR) block.
    at = data.find(b"LAME", 0, 400)
    if data[:2] != b"\xff\xfb" or at < 0 or data.find(b"Info", 0, at) < 0 and data.find(b"Xing", 0, at) < 0:
        sys.exit(f"{path}: no LAME header in the first frame")
    if crc16(data[:190]) != int.from_bytes(data[at + 34:at + 36], "big"):
        sys.exit(f"{path}: LAME header CRC does not match")
    b = data[at + 21:at + 24]
    delay = (b[0] << 4) | (b[1] >> 4)
    padding = ((b[1] & 15) << 8) | b[2]
    delay += lead
    padding += trail
    if delay > 4095 or padding > 4095:
        sys.exit(f"{path}: delay {delay} or padding {padding} beyond the header's 12 bits")
    data[at + 21:at + 24] = bytes([delay >> 4, ((delay & 15) << 4) | (padding >> 8), padding & 255])
    data[at + 34:at + 36] = crc16(data[:190]).to_bytes(2, "big")
    open(path, "wb").write(data)


main()
