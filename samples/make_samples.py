#!/usr/bin/env python3
"""Writes the bundled sample drawings.

  make_samples.py floor_plan.dxf mechanical_part.dxf   the two small drawings (checked in)
  make_samples.py --large large.dxf [count]            a generated drawing of about 20,000 entities
"""
import math
import random
import sys

from dxfgen import Dxf


def floor_plan(path):
    d = Dxf()
    d.layer("WALLS", 7)
    d.layer("DOORS", 3)
    d.layer("WINDOWS", 4, "DASHED")
    d.layer("FURNITURE", 5)
    d.layer("AXES", 1, "CENTER")
    d.layer("DIMENSIONS", 250, "DOT")
    d.layer("LABELS", 18)
    d.style("LABEL", "Arial")
    d.style("TITLE", "DejaVu Serif")

    d.begin_block("DOOR")  # a 900 leaf swinging a quarter turn
    d.line((0, 0), (0, 900), "DOORS")
    d.arc((0, 0), 900, 0, 90, "DOORS")
    d.end_block()
    d.begin_block("CHAIR")
    d.lwpolyline([(-200, -200), (200, -200), (200, 200), (-200, 200)], True, "FURNITURE")
    d.lwpolyline([(-200, 200, 0), (200, 200, 0.4), (200, 260), (-200, 260)], True, "FURNITURE")
    d.end_block()
    d.begin_block("TABLE")
    d.circle((0, 0), 600, "FURNITURE")
    d.circle((0, 0), 560, "FURNITURE", colour=8)
    d.end_block()
    d.begin_block("BED")
    d.lwpolyline([(0, 0), (1600, 0), (1600, 2000), (0, 2000)], True, "FURNITURE")
    d.lwpolyline([(100, 1600), (750, 1600), (750, 1900), (100, 1900)], True, "FURNITURE")
    d.lwpolyline([(850, 1600), (1500, 1600), (1500, 1900), (850, 1900)], True, "FURNITURE")
    d.line((0, 1450), (1600, 1450), "FURNITURE")
    d.end_block()
    d.begin_block("COLUMN")
    d.solid((-150, -150), (150, -150), (-150, 150), (150, 150), "WALLS", colour=250)
    d.end_block()

    # Outer walls (wide), inner walls.
    d.lwpolyline([(0, 0), (12000, 0), (12000, 8000), (0, 8000)], True, "WALLS", width=250)
    d.lwpolyline([(5000, 0), (5000, 3000)], False, "WALLS", width=120)
    d.lwpolyline([(5000, 4000), (5000, 8000)], False, "WALLS", width=120)
    d.lwpolyline([(5000, 4500), (8000, 4500)], False, "WALLS", width=120)
    d.lwpolyline([(9000, 4500), (12000, 4500)], False, "WALLS", width=120)
    d.lwpolyline([(0, 3500), (2000, 3500)], False, "WALLS", width=120)
    d.lwpolyline([(3000, 3500), (5000, 3500)], False, "WALLS", width=120)
    # Doors, turned and mirrored.
    d.insert("DOOR", (5000, 3000), rotation=90)
    d.insert("DOOR", (8000, 4500), rotation=0)
    d.insert("DOOR", (3000, 3500), scale=(-1, 1), rotation=0)
    d.insert("DOOR", (6000, 0), rotation=90, scale=(1, -1))
    # Windows.
    for x0, x1 in ((1000, 3500), (6500, 10500)):
        d.line((x0, 8000), (x1, 8000), "WINDOWS")
        d.line((x0, 7900), (x1, 7900), "WINDOWS")
    for y0, y1 in ((1000, 2500), (5500, 7000)):
        d.line((12000, y0), (12000, y1), "WINDOWS")
        d.line((11900, y0), (11900, y1), "WINDOWS")
    # Furniture: a dining table with chairs around it, beds of two sizes.
    d.insert("TABLE", (2500, 5800))
    for k in range(6):
        a = k * 60
        x = 2500 + 850 * math.cos(math.radians(a))
        y = 5800 + 850 * math.sin(math.radians(a))
        d.insert("CHAIR", (x, y), rotation=a - 90)
    d.insert("BED", (9800, 5200), rotation=0)
    d.insert("BED", (10200, 600), scale=(0.6, 1.0), rotation=90)
    d.insert("CHAIR", (7000, 6500), scale=(1.5, 1.5), rotation=30)
    for x, y in ((5000, 3500), (5000, 8000), (0, 3500), (12000, 4500)):
        d.insert("COLUMN", (x, y))
    # Grid axes with their bubbles, dimensions.
    for i, x in enumerate((0, 5000, 12000)):
        d.line((x, -1500), (x, 9000), "AXES")
        d.circle((x, 9400), 400, "AXES")
        d.text((x, 9400), 400, "ABC"[i], "AXES", style="LABEL", halign=1, valign=2)
    d.line((0, -800), (12000, -800), "DIMENSIONS")
    d.text((6000, -700), 300, "12000", "DIMENSIONS", style="LABEL", halign=1)
    d.line((-800, 0), (-800, 8000), "DIMENSIONS")
    d.text((-900, 4000), 300, "8000", "DIMENSIONS", rotation=90, style="LABEL", halign=1)
    # Room labels (the squared sign is byte 0xB2 of Windows-1252).
    for at, name, area in (((2500, 1700), "Kitchen", "17.5"), ((2500, 7000), "Dining", "22.5"),
                           ((8500, 2200), "Bedroom", "31.5"), ((7000, 5700), "Study", "10.5"),
                           ((10500, 7000), "Guest", "10.5")):
        d.text(at, 350, name, "LABELS", style="LABEL", halign=1)
        d.text((at[0], at[1] - 450), 250, area + " m\xb2", "LABELS", style="LABEL", halign=1)
    d.text((0, -2400), 600, "Floor plan, ground level", "LABELS", colour=7, style="TITLE")
    d.write(path, extents=((-1500, -3000), (12500, 10000)))


def mechanical_part(path):
    d = Dxf()
    d.layer("OUTLINE", 7)
    d.layer("HOLES", 4)
    d.layer("CENTRE", 1, "CENTER")
    d.layer("HIDDEN", 8, "DASHED")
    d.layer("NOTES", 2)
    d.style("NOTES", "Arial")
    # A flange plate with rounded corners (bulges) and a curved tongue.
    r = 10
    b = math.tan(math.radians(90) / 4)  # a quarter circle
    d.lwpolyline([(r, 0), (160 - r, 0, b), (160, r), (160, 40), (190, 60, -0.6), (160, 80), (160, 120 - r, b),
                  (160 - r, 120), (r, 120, b), (0, 120 - r), (0, r, b)], True, "OUTLINE", width=0.8)
    d.circle((80, 60), 25, "HOLES")
    d.circle((80, 60), 32, "HIDDEN")
    for x, y in ((20, 20), (140, 20), (140, 100), (20, 100)):
        d.circle((x, y), 5.5, "HOLES")
        d.line((x - 9, y), (x + 9, y), "CENTRE")
        d.line((x, y - 9), (x, y + 9), "CENTRE")
    # A slot: two arcs joined by lines.
    d.arc((40, 85), 6, 0, 180, "HOLES")
    d.arc((40, 60), 6, 180, 360, "HOLES")
    d.line((34, 60), (34, 85), "HOLES")
    d.line((46, 60), (46, 85), "HOLES")
    # Elliptic window and a part ellipse.
    d.ellipse((120, 60), (12, 6), 0.5, layer="HOLES")
    d.ellipse((80, 60), (0, 45), 0.4, 0.0, math.pi, layer="HIDDEN")
    # Centre lines.
    d.line((40, 60), (120, 60), "CENTRE")
    d.line((80, 20), (80, 100), "CENTRE")
    # A filled key: a bulged closed polyline.
    d.lwpolyline([(76, 80), (84, 80), (84, 88, 1), (76, 88)], True, "OUTLINE", colour=30)
    d.solid((172, 56), (178, 56), (172, 64), (178, 64), "OUTLINE", colour=1)
    # Notes with font and colour codes.
    d.mtext((0, -8), 4.5, r"{\fArial|b1|i0;\C1;FLANGE} {\C5;DN50} PN16\PMaterial: {\C3;S235JR}, "
            r"bore %%c50 H7\PChamfers 1 x 45%%d\P{\fDejaVu Serif;\C6;Scale 1:1}", "NOTES", style="NOTES")
    d.text((80, 130), 6, "Plate 160 x 120", "NOTES", style="NOTES", halign=1)
    d.text((195, 60), 3.5, "tongue R30", "NOTES", rotation=90, halign=1)
    d.write(path)


def large(path, count):
    """Streets of little buildings: lines, arcs, circles, polylines, texts and inserts, seeded."""
    rng = random.Random(20240)
    d = Dxf()
    for i, (name, colour, lt) in enumerate((("ROADS", 8, "CONTINUOUS"), ("BUILDINGS", 7, "CONTINUOUS"),
                                            ("TREES", 3, "CONTINUOUS"), ("PIPES", 5, "DASHED"),
                                            ("CABLES", 1, "CENTER"), ("NAMES", 2, "CONTINUOUS"),
                                            ("FENCES", 30, "DOT"))):
        d.layer(name, colour, lt)
    d.begin_block("TREE")
    d.circle((0, 0), 3, "TREES")
    d.line((-2, 0), (2, 0), "TREES")
    d.line((0, -2), (0, 2), "TREES")
    d.end_block()
    d.begin_block("HOUSE")
    d.lwpolyline([(0, 0), (8, 0), (8, 6), (4, 9), (0, 6)], True, "BUILDINGS")
    d.line((0, 6), (8, 6), "BUILDINGS")
    d.end_block()
    made = 0
    size = 2000.0
    while made < count:
        kind = rng.random()
        x, y = rng.uniform(0, size), rng.uniform(0, size)
        if kind < 0.35:
            a = rng.uniform(0, 2 * math.pi)
            length = rng.uniform(5, 60)
            d.line((x, y), (x + length * math.cos(a), y + length * math.sin(a)),
                   rng.choice(("ROADS", "PIPES", "CABLES", "FENCES")))
        elif kind < 0.50:
            d.circle((x, y), rng.uniform(1, 12), rng.choice(("TREES", "BUILDINGS")))
        elif kind < 0.62:
            start = rng.uniform(0, 360)
            d.arc((x, y), rng.uniform(2, 30), start, start + rng.uniform(20, 300), "ROADS")
        elif kind < 0.82:
            points = [(x, y)]
            for _ in range(rng.randint(3, 12)):
                x += rng.uniform(-15, 15)
                y += rng.uniform(-15, 15)
                points.append((x, y, rng.choice((0, 0, 0, 0.3))))
            d.lwpolyline(points, rng.random() < 0.4, rng.choice(("BUILDINGS", "FENCES", "PIPES")),
                         colour=rng.choice((None, None, rng.randint(1, 255))))
        elif kind < 0.86:
            d.solid((x, y), (x + 4, y), (x, y + 4), (x + 4, y + 4), "BUILDINGS", colour=rng.randint(1, 255))
        elif kind < 0.90:
            d.text((x, y), rng.uniform(2, 8), "Lot %d" % made, "NAMES", rotation=rng.choice((0, 0, 90, 30)))
        else:
            d.insert(rng.choice(("TREE", "HOUSE")), (x, y), scale=(rng.uniform(0.5, 2),) * 2,
                     rotation=rng.uniform(0, 360))
        made += 1
    d.write(path, extents=((-50, -50), (size + 50, size + 50)))


if __name__ == "__main__":
    if len(sys.argv) >= 3 and sys.argv[1] == "--large":
        large(sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 20000)
    elif len(sys.argv) == 3:
        floor_plan(sys.argv[1])
        mechanical_part(sys.argv[2])
    else:
        sys.exit(__doc__)
