#!/usr/bin/env python3
"""Writes sample-stream.hex: a short capture with frames of all seven kinds.

Written independently of the decoder, byte by byte, so the decoded output in
decode-golden.jsonl is an end-to-end check. Regenerate both with:

    python3 tests/data/decode-golden.py > tests/data/sample-stream.hex
    build/vavirir-cli decode --hex tests/data/sample-stream.hex > tests/data/decode-golden.jsonl

and review the differences by hand before committing them.
"""
import struct


def f32(v):
    return struct.pack('<f', v)


def unit(text):
    raw = text.encode('latin-1')
    return raw + b' ' * (4 - len(raw))


def frame(family, kind, body):
    return bytes([0xA0, family + kind]) + body


LIVE, RECORD = 0x80, 0x90

# The meter reports its own statistics after the sync marker. Everything
# before the marker in the accumulator is discarded, so it comes first; and a
# live frame of the same kind in the same accumulator would take precedence,
# so the live frequency frame comes beyond the first 100-byte chunk.
frames = [
    bytes([0xF8] * 4),
    frame(RECORD, 6, bytes([0x08]) + f32(50.0) + f32(0.5) + bytes(3)),
    # Kind 1: temperature with max/min/avg and the meter's start stamp (pm).
    frame(LIVE, 1, bytes([6, 0]) + f32(21.5) + f32(25.0) + f32(19.0) + f32(22.0) + f32(400.0)
          + bytes([0x1B]) + unit('s') + unit('s') + unit('s') + unit('s')
          + bytes([0x01, 0x02, 0x03, 0x00, 0x10, 0x59, 0x12, 0x00, 0x00])
          + bytes([0x26, 0x12, 0x07, 0x21, 0x05, 0x09]) + bytes(3)),
    # Kind 2: relative mode in kHZ.
    frame(LIVE, 2, bytes([16, 0]) + f32(1500.0) + f32(1000.0) + f32(500.0) + f32(10000.0)
          + unit('kHZ') + bytes([3, 0, 0, 0])),
    # Kind 3: peak frame, first mode flag set, range byte 00.
    frame(LIVE, 3, bytes([1, 0x04]) + f32(230.0) + f32(325.0) + f32(-325.0) + f32(0.5)
          + f32(600.0) + unit('VAC') + bytes([0x00])
          + bytes([0x00, 0x00, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x03])
          + bytes([0x26, 0x12, 0x07, 0x09, 0x30, 0x00]) + bytes(3)),
    # Kind 4: AC+DC, mode 2.
    frame(LIVE, 4, bytes([21, 0]) + f32(1.0) + f32(2.0) + f32(3.25) + unit('V') + f32(600.0)
          + bytes([2, 2]) + bytes(3)),
    # Kind 5: VAC with an auxiliary frequency; the aux text is NUL-filled.
    frame(LIVE, 5, bytes([0]) + f32(230.1) + unit('VAC') + bytes([4]) + f32(600.0) + f32(50.0)
          + b'Hz\0\0' + bytes(3)),
    # Kind 0: resistance in kilo-ohms, converted to KΩ.
    frame(LIVE, 0, bytes([4, 0]) + f32(2000.0) + f32(6000.0) + unit('ko') + bytes([2, 0, 0, 0])),
    # Kind 0: volts DC, hold and manual range.
    frame(LIVE, 0, bytes([2, 3]) + f32(3.3) + f32(6.0) + unit('VDC') + bytes([1, 0, 0, 0])),
    # Kind 6: 600 kHz at 25 % duty.
    frame(LIVE, 6, bytes([0]) + f32(600000.0) + f32(0.25) + bytes(3)),
]

for f in frames:
    print(f.hex())
