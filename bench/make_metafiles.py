#!/usr/bin/env python3
"""Writes one drawing of N shapes as an EMF and as a WMF, for the metafile
benchmark: polylines, filled polygons, ellipses and rectangles in turn, with a
new pen and brush every 50 shapes. Usage: make_metafiles.py N out.emf out.wmf"""
import random
import struct
import sys


def shapes(n):
    rnd = random.Random(12)
    for i in range(n):
        x, y = rnd.randrange(0, 9000), rnd.randrange(0, 6000)
        w, h = rnd.randrange(50, 1000), rnd.randrange(50, 1000)
        colour = rnd.randrange(0, 1 << 24)
        yield i, i % 4, x, y, w, h, colour


def emf(n):
    records = []

    def rec(kind, *words):
        records.append(struct.pack('<II', kind, 8 + 4 * len(words)) + struct.pack('<%dI' % len(words), *(w & 0xFFFFFFFF for w in words)))

    for i, kind, x, y, w, h, colour in shapes(n):
        if i % 50 == 0:
            rec(37, 0x80000007), rec(37, 0x80000000), rec(40, 1), rec(40, 2)
            rec(38, 1, 0, 2 + i % 3, 0, colour)
            rec(39, 2, 0, colour ^ 0xFFFFFF, 0)
            rec(37, 1), rec(37, 2)
        if kind == 0:
            rec(4, 0, 0, 0, 0, 4, x, y, x + w, y + h // 3, x + w // 2, y + h, x, y + h)
        elif kind == 1:
            rec(3, 0, 0, 0, 0, 5, x, y, x + w, y, x + w, y + h, x + w // 2, y + h // 2, x, y + h)
        elif kind == 2:
            rec(42, x, y, x + w, y + h)
        else:
            rec(43, x, y, x + w, y + h)
    rec(14, 0, 16, 20)
    body = b''.join(records)
    # Bounds in device pixels of a 96-dpi reference (1 unit = 1 pixel), frame in 0.01 mm.
    header = struct.pack('<II4i4iIIIIHHIIIiiii', 1, 88, 0, 0, 10000, 7000, 0, 0, 264583, 185208,
                         0x464D4520, 0x10000, 88 + len(body), len(records) + 1, 3, 0, 0, 0, 0,
                         1024, 768, 271, 203)
    return header + body


def wmf(n):
    records = []

    def rec(function, *params):
        records.append(struct.pack('<IH', 3 + len(params), function) + struct.pack('<%dH' % len(params), *(p & 0xFFFF for p in params)))

    rec(0x020B, 0, 0)  # window origin
    rec(0x020C, 3500, 5000)  # window extent: y, x
    for i, kind, x, y, w, h, colour in shapes(n):
        x, y, w, h = x // 2, y // 2, w // 2, h // 2  # 16-bit coordinates
        if i % 50 == 0:
            if i:
                rec(0x01F0, 0), rec(0x01F0, 1)  # delete the last pen and brush
            rec(0x02FA, 0, 1 + i % 3, 0, colour & 0xFFFF, colour >> 16)  # pen: style, width, colour
            rec(0x02FC, 0, (colour ^ 0xFFFFFF) & 0xFFFF, (colour ^ 0xFFFFFF) >> 16, 0)  # brush
            rec(0x012D, 0), rec(0x012D, 1)
        if kind == 0:
            rec(0x0325, 4, x, y, x + w, y + h // 3, x + w // 2, y + h, x, y + h)
        elif kind == 1:
            rec(0x0324, 5, x, y, x + w, y, x + w, y + h, x + w // 2, y + h // 2, x, y + h)
        elif kind == 2:
            rec(0x0418, y + h, x + w, y, x)
        else:
            rec(0x041B, y + h, x + w, y, x)
    rec(0x0000)
    body = b''.join(records)
    longest = max(len(r) for r in records) // 2
    header = struct.pack('<HHHIHIH', 1, 9, 0x300, (18 + len(body)) // 2, 2, longest, 0)
    # The placeable header: key, handle, box, units per inch, reserved, checksum.
    box = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, 5000, 3500, 1440, 0)
    checksum = 0
    for k in range(10):
        checksum ^= struct.unpack_from('<H', box, 2 * k)[0]
    return box + struct.pack('<H', checksum) + header + body


if __name__ == '__main__':
    count = int(sys.argv[1])
    open(sys.argv[2], 'wb').write(emf(count))
    open(sys.argv[3], 'wb').write(wmf(count))
