#!/usr/bin/env python3
"""An 8-bit BMP (plain) as a binary PPM of a given page size, the picture at the
top left of a light grey page; or, when the target ends in .pbm, as a binary
PBM in which every pixel unlike the picture's commonest colour is black.
Usage: bmp_to_ppm.py in.bmp out.ppm|out.pbm width height"""
import collections
import struct
import sys

def main():
    source, target, width, height = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    data = open(source, 'rb').read()
    offset, = struct.unpack_from('<I', data, 10)
    w, h, _, bits, compression = struct.unpack_from('<iiHHI', data, 18)
    if bits != 8 or compression != 0:
        sys.exit('only plain 8-bit BMP files')
    stride = (w + 3) & ~3
    rows = [data[offset + (h - 1 - y) * stride:offset + (h - 1 - y) * stride + w][:width]
            for y in range(min(h, height))]
    if target.endswith('.pbm'):
        paper = collections.Counter(b''.join(rows)).most_common(1)[0][0]
        ink = bytes(0 if i == paper else 1 for i in range(256))
        row_bytes = (width + 7) // 8
        with open(target, 'wb') as out:
            out.write(b'P4\n%d %d\n' % (width, height))
            for y in range(height):
                bits = (rows[y].translate(ink) if y < len(rows) else b'').ljust(row_bytes * 8, b'\0')
                out.write(bytes(int(''.join('01'[b] for b in bits[i:i + 8]), 2) for i in range(0, row_bytes * 8, 8)))
        return
    palette = [data[54 + 4 * i:54 + 4 * i + 3][::-1] for i in range(256)]
    page = bytearray(b'\xc0' * (3 * width * height))
    for y, row in enumerate(rows):
        pixels = b''.join(palette[i] for i in row)
        page[3 * width * y:3 * width * y + len(pixels)] = pixels
    with open(target, 'wb') as out:
        out.write(b'P6\n%d %d\n255\n' % (width, height))
        out.write(page)

main()
