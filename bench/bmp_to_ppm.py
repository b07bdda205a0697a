#!/usr/bin/env python3
"""An 8-bit BMP (plain) as a binary PPM of a given page size, the picture at the
top left of a light grey page. Usage: bmp_to_ppm.py in.bmp out.ppm width height"""
import struct
import sys

def main():
    source, target, width, height = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    data = open(source, 'rb').read()
    offset, = struct.unpack_from('<I', data, 10)
    w, h, _, bits, compression = struct.unpack_from('<iiHHI', data, 18)
    if bits != 8 or compression != 0:
        sys.exit('only plain 8-bit BMP files')
    palette = [data[54 + 4 * i:54 + 4 * i + 3][::-1] for i in range(256)]
    stride = (w + 3) & ~3
    page = bytearray(b'\xc0' * (3 * width * height))
    for y in range(min(h, height)):
        row = data[offset + (h - 1 - y) * stride:offset + (h - 1 - y) * stride + w]
        pixels = b''.join(palette[i] for i in row[:width])
        page[3 * width * y:3 * width * y + len(pixels)] = pixels
    with open(target, 'wb') as out:
        out.write(b'P6\n%d %d\n255\n' % (width, height))
        out.write(page)

main()
