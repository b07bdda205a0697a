#!/usr/bin/env python3
"""Writes samples/house.wmf: a small placeable Windows metafile (a house with a
garden, in a few colours, with a caption) for make demo.

Usage: make_metafile.py house.wmf
"""
import struct
import sys

records = []


def record(function, *words, raw=b""):
    body = struct.pack("<%dH" % len(words), *[w & 0xFFFF for w in words]) + raw
    if len(body) % 2:
        body += b"\0"
    records.append(struct.pack("<IH", 3 + len(body) // 2, function) + body)


objects = 0


def pen(style, width, rgb):
    global objects
    lo = rgb[0] | (rgb[1] << 8)
    record(0x02FA, style, width, 0, lo, rgb[2])  # CREATEPENINDIRECT
    record(0x012D, objects)  # SELECTOBJECT
    objects += 1


def brush(rgb):
    global objects
    lo = rgb[0] | (rgb[1] << 8)
    record(0x02FC, 0, lo, rgb[2], 0)  # CREATEBRUSHINDIRECT (solid)
    record(0x012D, objects)
    objects += 1


def polygon(points):
    record(0x0324, len(points), *[c for p in points for c in p])


def polyline(points):
    record(0x0325, len(points), *[c for p in points for c in p])


record(0x020B, 0, 0)  # SETWINDOWORG
record(0x020C, 600, 800)  # SETWINDOWEXT (height, width)
pen(0, 3, (40, 40, 40))
brush((250, 235, 200))
polygon([(150, 300), (450, 300), (450, 520), (150, 520)])  # walls
brush((180, 40, 30))
polygon([(120, 300), (300, 150), (480, 300)])  # roof
brush((90, 60, 30))
record(0x041B, 520, 330, 400, 270)  # RECTANGLE (bottom, right, top, left): the door
brush((120, 180, 230))
record(0x041B, 400, 240, 340, 180)  # a window
record(0x041B, 400, 420, 340, 360)  # another window
brush((60, 150, 60))
record(0x0418, 560, 700, 380, 560)  # ELLIPSE: a tree
pen(1, 1, (0, 120, 0))
polyline([(20, 540), (780, 540)])  # the ground, dashed
face = b"Arial\0"
record(0x02FB, -36, 0, 0, 0, 400, raw=bytes(8) + face)  # CREATEFONTINDIRECT
record(0x012D, objects)
objects += 1
text = b"Kartex sample house"
record(0x0209, 0, 0)  # SETTEXTCOLOR black
record(0x0521, len(text), raw=text + (b"\0" if len(text) % 2 else b"") + struct.pack("<hh", 560, 250))
record(0x0000)  # EOF

body = b"".join(records)
size_words = (18 + len(body)) // 2
max_record = max(len(r) for r in records) // 2
header = struct.pack("<HHHIHIH", 1, 9, 0x0300, size_words, objects, max_record, 0)
placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, 800, 600, 96, 0)
checksum = 0
for (w,) in struct.iter_unpack("<H", placeable[:20]):
    checksum ^= w
placeable = placeable[:20] + struct.pack("<H", checksum)
with open(sys.argv[1], "wb") as out:
    out.write(placeable + header + body)
