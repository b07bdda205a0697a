"""A tiny DXF (R12 text) writer for the bundled sample drawings."""
import math


class Dxf:
    def __init__(self):
        self.out = []
        self.blocks = []
        self.entities = []
        self.layers = []
        self.ltypes = [("CONTINUOUS", []), ("DASHED", [12.0, -6.0]), ("DOT", [0.0, -3.0]),
                       ("CENTER", [20.0, -5.0, 5.0, -5.0])]
        self.styles = [("STANDARD", "Arial")]
        self._target = self.entities

    @staticmethod
    def group(code, value):
        if isinstance(value, float):
            value = ("%.6f" % value).rstrip("0").rstrip(".") or "0"
        return "%3d\n%s\n" % (code, value)

    def put(self, *pairs):
        self._target.append("".join(self.group(c, v) for c, v in pairs))

    # Tables.
    def layer(self, name, colour, ltype="CONTINUOUS"):
        self.layers.append((name, colour, ltype))

    def style(self, name, face):
        self.styles.append((name, face))

    # Blocks: entities added between begin_block and end_block go to the block.
    def begin_block(self, name):
        self._target = self.blocks
        self.put((0, "BLOCK"), (8, "0"), (2, name), (70, 0), (10, 0.0), (20, 0.0), (30, 0.0), (3, name))

    def end_block(self):
        self.put((0, "ENDBLK"), (8, "0"))
        self._target = self.entities

    # Entities.
    def line(self, a, b, layer="0", colour=None, ltype=None):
        pairs = [(0, "LINE"), (8, layer)]
        if ltype:
            pairs.append((6, ltype))
        if colour is not None:
            pairs.append((62, colour))
        pairs += [(10, float(a[0])), (20, float(a[1])), (30, 0.0), (11, float(b[0])), (21, float(b[1])), (31, 0.0)]
        self.put(*pairs)

    def circle(self, c, r, layer="0", colour=None):
        pairs = [(0, "CIRCLE"), (8, layer)] + ([(62, colour)] if colour is not None else [])
        self.put(*pairs, (10, float(c[0])), (20, float(c[1])), (30, 0.0), (40, float(r)))

    def arc(self, c, r, start, end, layer="0", colour=None):
        pairs = [(0, "ARC"), (8, layer)] + ([(62, colour)] if colour is not None else [])
        self.put(*pairs, (10, float(c[0])), (20, float(c[1])), (30, 0.0), (40, float(r)), (50, float(start)),
                 (51, float(end)))

    def ellipse(self, c, major, ratio, start=0.0, end=2 * math.pi, layer="0", colour=None):
        pairs = [(0, "ELLIPSE"), (8, layer)] + ([(62, colour)] if colour is not None else [])
        self.put(*pairs, (10, float(c[0])), (20, float(c[1])), (30, 0.0), (11, float(major[0])),
                 (21, float(major[1])), (31, 0.0), (40, float(ratio)), (41, float(start)), (42, float(end)))

    def lwpolyline(self, points, closed=False, layer="0", colour=None, width=None, ltype=None):
        """points: (x, y) or (x, y, bulge)."""
        pairs = [(0, "LWPOLYLINE"), (8, layer)]
        if ltype:
            pairs.append((6, ltype))
        if colour is not None:
            pairs.append((62, colour))
        pairs += [(90, len(points)), (70, 1 if closed else 0)]
        if width is not None:
            pairs.append((43, float(width)))
        for p in points:
            pairs += [(10, float(p[0])), (20, float(p[1]))]
            if len(p) > 2 and p[2]:
                pairs.append((42, float(p[2])))
        self.put(*pairs)

    def solid(self, a, b, c, d, layer="0", colour=None):
        pairs = [(0, "SOLID"), (8, layer)] + ([(62, colour)] if colour is not None else [])
        for i, p in enumerate((a, b, c, d)):
            pairs += [(10 + i, float(p[0])), (20 + i, float(p[1])), (30 + i, 0.0)]
        self.put(*pairs)

    def text(self, at, height, content, layer="0", colour=None, rotation=0.0, style=None, halign=0, valign=0):
        pairs = [(0, "TEXT"), (8, layer)] + ([(62, colour)] if colour is not None else [])
        if style:
            pairs.append((7, style))
        pairs += [(10, float(at[0])), (20, float(at[1])), (30, 0.0), (40, float(height)), (1, content)]
        if rotation:
            pairs.append((50, float(rotation)))
        if halign or valign:
            pairs += [(72, halign), (11, float(at[0])), (21, float(at[1])), (31, 0.0), (73, valign)]
        self.put(*pairs)

    def mtext(self, at, height, content, layer="0", colour=None, attach=1, style=None):
        pairs = [(0, "MTEXT"), (8, layer)] + ([(62, colour)] if colour is not None else [])
        if style:
            pairs.append((7, style))
        pairs += [(10, float(at[0])), (20, float(at[1])), (30, 0.0), (40, float(height)), (71, attach)]
        while len(content) > 250:
            pairs.append((3, content[:250]))
            content = content[250:]
        pairs.append((1, content))
        self.put(*pairs)

    def insert(self, name, at, scale=(1.0, 1.0), rotation=0.0, layer="0"):
        self.put((0, "INSERT"), (8, layer), (2, name), (10, float(at[0])), (20, float(at[1])), (30, 0.0),
                 (41, float(scale[0])), (42, float(scale[1])), (50, float(rotation)))

    def write(self, path, extents=None):
        g = self.group
        parts = [g(0, "SECTION"), g(2, "HEADER"), g(9, "$ACADVER"), g(1, "AC1009")]
        if extents:
            (x0, y0), (x1, y1) = extents
            parts += [g(9, "$EXTMIN"), g(10, float(x0)), g(20, float(y0)), g(30, 0.0),
                      g(9, "$EXTMAX"), g(10, float(x1)), g(20, float(y1)), g(30, 0.0)]
        parts.append(g(0, "ENDSEC"))
        parts += [g(0, "SECTION"), g(2, "TABLES")]
        parts += [g(0, "TABLE"), g(2, "LTYPE"), g(70, len(self.ltypes))]
        for name, elements in self.ltypes:
            parts += [g(0, "LTYPE"), g(2, name), g(70, 0), g(3, name.lower()), g(72, 65), g(73, len(elements)),
                      g(40, float(sum(abs(e) for e in elements)))]
            parts += [g(49, float(e)) for e in elements]
        parts.append(g(0, "ENDTAB"))
        parts += [g(0, "TABLE"), g(2, "LAYER"), g(70, len(self.layers) + 1),
                  g(0, "LAYER"), g(2, "0"), g(70, 0), g(62, 7), g(6, "CONTINUOUS")]
        for name, colour, ltype in self.layers:
            parts += [g(0, "LAYER"), g(2, name), g(70, 0), g(62, colour), g(6, ltype)]
        parts.append(g(0, "ENDTAB"))
        parts += [g(0, "TABLE"), g(2, "STYLE"), g(70, len(self.styles))]
        for name, face in self.styles:
            parts += [g(0, "STYLE"), g(2, name), g(70, 0), g(40, 0.0), g(41, 1.0), g(50, 0.0), g(71, 0),
                      g(42, 2.5), g(3, face.lower() + ".ttf"), g(4, ""), g(1001, "ACAD"), g(1000, face)]
        parts += [g(0, "ENDTAB"), g(0, "ENDSEC")]
        parts += [g(0, "SECTION"), g(2, "BLOCKS")] + self.blocks + [g(0, "ENDSEC")]
        parts += [g(0, "SECTION"), g(2, "ENTITIES")] + self.entities + [g(0, "ENDSEC"), g(0, "EOF")]
        with open(path, "w", newline="\r\n", encoding="cp1252") as f:
            f.write("".join(parts))
