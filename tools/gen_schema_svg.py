#!/usr/bin/env python3
"""Generates frontend/assets/diffeq.svg, the schema picture of the diffeq benchmark.

All geometry below is written in the schema window's client coordinates (the
coordinates the port position table of the schema window uses); the picture's
own top-left corner lies at client (-3, 8), so everything is shifted by (3, -8)
when written out.

Every LINK of examples/diffeq is one net here: a driver port, its sink ports and
the polylines that draw the wire. Junction dots mark where a net branches, a
small hop marks where one wire crosses another without connecting, and the
dashed clock net is interrupted where a solid wire passes over it.

Each net is written as a group carrying data-from / data-to / data-route
attributes (picture coordinates) so that tests can check the picture against
the description and the port table.

Usage: tools/gen_schema_svg.py [OUTPUT]   (default: frontend/assets/diffeq.svg)
"""
import os
import sys

W, H = 776, 336          # picture size
DX, DY = 3, -8           # client -> picture offset
PX = 0.5                 # strokes are centred on pixel rows/columns so that 1 px lines stay crisp

# Port position table of the schema window (client coordinates).
PORTS = {
    "diffeq.a": (63, 66), "diffeq.clk": (63, 32), "diffeq.dx": (63, 126),
    "diffeq.sel1": (63, 140), "diffeq.sel2": (63, 185), "diffeq.sel3": (63, 88),
    "diffeq.sel4": (63, 269), "diffeq.sel5": (63, 78), "diffeq.sel6": (63, 315),
    "diffeq.sel7": (63, 281), "diffeq.const2": (63, 56), "diffeq.result": (705, 173),
    "mux1.a": (92, 116), "mux1.b": (92, 127), "mux1.q": (129, 127),
    "mux2.a": (92, 160), "mux2.b": (92, 172), "mux2.q": (129, 173),
    "mux6.a": (519, 212), "mux6.b": (519, 222), "mux6.q": (555, 224),
    "add.a": (560, 190), "add.b": (560, 203), "add.q": (603, 196),
    "sub.a": (230, 145), "sub.b": (230, 157), "sub.q": (273, 152),
    "mul1.a": (134, 144), "mul1.b": (134, 155), "mul1.q": (175, 149),
    "mul2.a": (397, 206), "mul2.b": (397, 218), "mul2.q": (436, 212),
    "comp.a": (649, 166), "comp.b": (649, 178), "comp.q": (691, 173),
    "mux3.a": (350, 155), "mux3.b": (350, 167), "mux3.q": (395, 165),
    "reg1.d": (282, 150), "reg1.q": (320, 144), "reg2.d": (279, 210),
    "reg2.q": (321, 205), "reg3.d": (279, 246), "reg3.q": (321, 239),
    "reg4.d": (180, 149), "reg4.q": (219, 144), "reg5.d": (445, 212),
    "reg5.q": (484, 206), "reg6.d": (608, 195), "reg6.q": (645, 188),
    "mux4.a": (353, 235), "mux4.b": (353, 245), "mux4.c": (353, 255),
    "mux4.q": (395, 257), "mux5.a": (519, 155), "mux5.b": (519, 166),
    "mux5.q": (555, 167),
}

# Item bodies (client coordinates): the click / help regions of the window
# converted to client coordinates (x - 3, y - 22).
ITEMS = {
    "mux1": ("MUX", 92, 109, 127, 144), "mux2": ("MUX", 92, 154, 127, 189),
    "mux3": ("MUX", 357, 150, 391, 184), "mux4": ("MUX", 357, 228, 390, 285),
    "mux5": ("MUX", 520, 148, 554, 183), "mux6": ("MUX", 520, 205, 554, 239),
    "reg1": ("REG", 284, 131, 318, 156), "reg2": ("REG", 284, 194, 318, 217),
    "reg3": ("REG", 284, 228, 318, 251), "reg4": ("REG", 182, 131, 217, 156),
    "reg5": ("REG", 447, 194, 480, 217), "reg6": ("REG", 610, 182, 643, 202),  # drawn 4 px below its region's top
    "mul1": ("MUL", 137, 138, 171, 162), "mul2": ("MUL", 402, 198, 436, 223),
    "add": ("ADD", 564, 184, 600, 207), "sub": ("SUB", 234, 138, 268, 161),
    "comp": ("COMP", 659, 159, 689, 184),  # drawn 4 px inside its click region
}
MUX_INSET = 5            # the output side of a multiplexer is this much shorter at each end

# Clock inputs of the registers: (x, y) on the body edge and the side it enters.
CLOCK_PINS = {
    "reg1": (301, 131, "top"), "reg2": (301, 217, "bottom"), "reg3": (301, 228, "top"),
    "reg4": (199, 131, "top"), "reg5": (463, 194, "top"), "reg6": (627, 182, "top"),
}

# Nets: (driver, sinks, style, polylines). style: data, select or clock.
NETS = [
    ("diffeq.clk", ["reg1.clk", "reg2.clk", "reg3.clk", "reg4.clk", "reg5.clk", "reg6.clk"], "clock", [
        [(63, 32), (627, 32), (627, 182)],
        [(199, 32), (199, 131)],
        [(301, 32), (301, 131)],
        [(463, 32), (463, 194)],
        [(338, 32), (338, 222), (301, 222)],
        [(301, 222), (301, 217)],
        [(301, 222), (301, 228)],
    ]),
    ("diffeq.const2", ["mux1.a"], "data", [
        [(63, 56), (75, 56), (75, 116), (92, 116)],
    ]),
    ("diffeq.a", ["comp.b"], "data", [
        [(63, 66), (606, 66), (606, 178), (659, 178)],
    ]),
    ("diffeq.sel5", ["mux5.s"], "select", [
        [(63, 78), (537, 78), (537, 150.5)],
    ]),
    ("diffeq.sel3", ["mux3.s"], "select", [
        [(63, 88), (374, 88), (374, 152.5)],
    ]),
    ("diffeq.dx", ["mux1.b", "mux2.a", "mux4.c", "mux6.b"], "data", [
        [(63, 126), (84, 126), (84, 127), (92, 127)],
        [(78, 126), (78, 308), (515, 308), (515, 222), (520, 222)],
        [(78, 160), (92, 160)],
        [(78, 255), (357, 255)],
    ]),
    ("diffeq.sel1", ["mux1.s"], "select", [
        [(63, 140), (92, 140)],
    ]),
    ("diffeq.sel2", ["mux2.s"], "select", [
        [(63, 185), (92, 185)],
    ]),
    ("diffeq.sel4", ["mux4.s0"], "select", [
        [(63, 269), (357, 269)],
    ]),
    ("diffeq.sel7", ["mux4.s1"], "select", [
        [(63, 281), (357, 281)],
    ]),
    ("diffeq.sel6", ["mux6.s"], "select", [
        [(63, 315), (537, 315), (537, 236.5)],
    ]),
    ("mux1.q", ["mul1.a"], "data", [
        [(127, 127), (131, 127), (131, 144), (137, 144)],
    ]),
    ("mux2.q", ["mul1.b"], "data", [
        [(127, 173), (133, 173), (133, 155), (137, 155)],
    ]),
    ("mul1.q", ["reg4.d"], "data", [
        [(171, 149), (182, 149)],
    ]),
    ("reg4.q", ["sub.a", "mux3.b"], "data", [
        [(217, 144), (222, 144), (222, 167), (357, 167)],
        [(222, 145), (234, 145)],
    ]),
    ("reg1.q", ["sub.b", "mux3.a"], "data", [
        [(318, 144), (350, 144), (350, 155), (357, 155)],
        [(350, 144), (350, 96), (228, 96), (228, 157), (234, 157)],
    ]),
    ("sub.q", ["reg1.d"], "data", [
        [(268, 152), (276, 152), (276, 150), (284, 150)],
    ]),
    ("reg3.q", ["mux4.a", "mux5.a"], "data", [
        [(318, 239), (323, 239), (323, 294), (504, 294), (504, 155), (520, 155)],
        [(323, 239), (323, 235), (357, 235)],
    ]),
    ("reg2.q", ["mux4.b", "mux5.b"], "data", [
        [(318, 205), (327, 205), (327, 290), (510, 290), (510, 166), (520, 166)],
        [(327, 245), (357, 245)],
    ]),
    ("mux3.q", ["mul2.a"], "data", [
        [(391, 165), (395, 165), (395, 206), (402, 206)],
    ]),
    ("mux4.q", ["mul2.b"], "data", [
        [(390, 257), (397, 257), (397, 218), (402, 218)],
    ]),
    ("mul2.q", ["reg5.d"], "data", [
        [(436, 212), (447, 212)],
    ]),
    ("reg5.q", ["mux2.b", "mux6.a"], "data", [
        [(480, 206), (490, 206), (490, 189), (140, 189), (140, 194), (86, 194), (86, 172), (92, 172)],
        [(490, 206), (490, 212), (520, 212)],
    ]),
    ("mux5.q", ["add.a"], "data", [
        [(554, 167), (557, 167), (557, 190), (564, 190)],
    ]),
    ("mux6.q", ["add.b"], "data", [
        [(554, 224), (561, 224), (561, 203), (564, 203)],
    ]),
    ("add.q", ["reg6.d"], "data", [
        [(600, 196), (604, 196), (604, 195), (610, 195)],
    ]),
    ("reg6.q", ["reg2.d", "reg3.d", "comp.a"], "data", [
        [(644, 188), (649, 188), (649, 302), (279, 302), (279, 210), (284, 210)],
        [(646, 188), (646, 166), (659, 166)],
        [(279, 246), (284, 246)],
    ]),
    ("comp.q", ["diffeq.result"], "data", [
        [(689, 173), (705, 173)],
    ]),
]

LABELS = {  # text shown next to the primary ports
    "diffeq.clk": "clk", "diffeq.const2": "const2[7:0]", "diffeq.a": "a[7:0]",
    "diffeq.sel5": "sel5", "diffeq.sel3": "sel3", "diffeq.dx": "dx[7:0]",
    "diffeq.sel1": "sel1", "diffeq.sel2": "sel2", "diffeq.sel4": "sel4",
    "diffeq.sel7": "sel7", "diffeq.sel6": "sel6",
}

STYLE = {
    "data": dict(stroke="#111111", width=1.0),
    "select": dict(stroke="#7a8496", width=1.0),
    "clock": dict(stroke="#9aa3b5", width=1.0, dash="3,2"),
}
HOP_R = 3.0
FONT = "DejaVu Sans, Arial, sans-serif"


def segments(polylines):
    for pl in polylines:
        for a, b in zip(pl, pl[1:]):
            if a != b:
                yield a, b


def is_h(a, b):
    return a[1] == b[1] and a[0] != b[0]


def is_v(a, b):
    return a[0] == b[0] and a[1] != b[1]


def crossings(h, v):
    """Interior crossing point of a horizontal and a vertical segment, or None."""
    (hx1, hy), (hx2, _) = h
    (vx, vy1), (_, vy2) = v
    lo, hi = min(hx1, hx2), max(hx1, hx2)
    vlo, vhi = min(vy1, vy2), max(vy1, vy2)
    if lo < vx < hi and vlo < hy < vhi:
        return vx, hy
    return None


def fmt(v):
    v = round(v, 2)
    return str(int(v)) if v == int(v) else str(v)


def pt(p):
    return f"{fmt(p[0] + DX + PX)},{fmt(p[1] + DY + PX)}"


def rpt(p):
    """Exact picture coordinates of a route point (for the data-route attribute)."""
    return f"{fmt(p[0] + DX)},{fmt(p[1] + DY)}"


def hop_path(pl, hops):
    """SVG path data for a polyline whose horizontal segments hop over the given x positions."""
    out = ["M" + pt(pl[0])]
    for a, b in zip(pl, pl[1:]):
        if is_h(a, b):
            xs = sorted((x for (x, y) in hops if y == a[1] and min(a[0], b[0]) < x < max(a[0], b[0])),
                        reverse=b[0] < a[0])
            # merge hops that lie too close together into one wider hop
            groups = []
            for x in xs:
                if groups and abs(x - groups[-1][-1]) < 2 * HOP_R + 1:
                    groups[-1].append(x)
                else:
                    groups.append([x])
            d = 1 if b[0] > a[0] else -1
            for g in groups:
                x0, x1 = g[0] - d * HOP_R, g[-1] + d * HOP_R
                r = abs(x1 - x0) / 2
                out.append("L" + pt((x0, a[1])))
                out.append(f"A{fmt(r)},{fmt(min(r, HOP_R + 1))} 0 0 {1 if d > 0 else 0} " + pt((x1, a[1])))
        out.append("L" + pt(b))
    return " ".join(out)


def clock_pieces(seg, gaps):
    """Splits a clock segment around the points where solid wires pass over it."""
    a, b = seg
    horizontal = is_h(a, b)
    key = 0 if horizontal else 1
    lo, hi = sorted((a[key], b[key]))
    cuts = sorted(g[key] for g in gaps)
    pieces, start = [], lo
    for c in cuts:
        if c - 3 > start:
            pieces.append((start, c - 3))
        start = c + 3
    if hi > start:
        pieces.append((start, hi))
    fixed = a[1 - key]
    res = []
    for s, e in pieces:
        if horizontal:
            res.append(((s, fixed), (e, fixed)))
        else:
            res.append(((fixed, s), (fixed, e)))
    return res


def junctions(polylines):
    arms = {}
    segs = list(segments(polylines))
    pts = set()
    for a, b in segs:
        pts.add(a)
        pts.add(b)
    for p in pts:
        n = 0
        for a, b in segs:
            if p == a or p == b:
                n += 1
            elif (is_h(a, b) and p[1] == a[1] and min(a[0], b[0]) < p[0] < max(a[0], b[0])) or \
                 (is_v(a, b) and p[0] == a[0] and min(a[1], b[1]) < p[1] < max(a[1], b[1])):
                n += 2
        arms[p] = n
    return [p for p, n in arms.items() if n >= 3]


def item_svg(name, kind, x1, y1, x2, y2):
    out = []
    label = name.upper()
    if kind == "MUX":
        pts = [(x1, y1), (x2, y1 + MUX_INSET), (x2, y2 - MUX_INSET), (x1, y2)]
        out.append(f'<polygon id="item_{name}" points="{" ".join(pt(p) for p in pts)}" '
                   f'fill="#e9f3e6" stroke="#111111" stroke-width="1"/>')
        fill_text = "#1d4d1a"
    else:
        fill = {"REG": "#fdf3d8", "MUL": "#e3ecfa", "ADD": "#e3ecfa", "SUB": "#e3ecfa", "COMP": "#f3e4f5"}[kind]
        out.append(f'<rect id="item_{name}" x="{fmt(x1 + DX + PX)}" y="{fmt(y1 + DY + PX)}" width="{fmt(x2 - x1)}" '
                   f'height="{fmt(y2 - y1)}" fill="{fill}" stroke="#111111" stroke-width="1"/>')
        fill_text = {"REG": "#5a3d00", "COMP": "#4a1d55"}.get(kind, "#14306a")
    cx, cy = (x1 + x2) / 2, (y1 + y2) / 2
    out.append(f'<text x="{fmt(cx + DX)}" y="{fmt(cy + DY + 3)}" font-family="{FONT}" font-size="8" '
               f'font-weight="bold" fill="{fill_text}" text-anchor="middle">{label}</text>')
    if kind == "REG":
        x, y, side = CLOCK_PINS[name]
        d = 5 if side == "top" else -5
        tri = [(x - 4, y), (x, y + d), (x + 4, y)]
        out.append(f'<polyline points="{" ".join(pt(p) for p in tri)}" fill="none" stroke="#1a1a1a" stroke-width="0.9"/>')
    return out


def pin_svg(port, label):
    x, y = PORTS[port]
    pts = [(x - 7, y - 3), (x - 3, y - 3), (x, y), (x - 3, y + 3), (x - 7, y + 3)]
    out = [f'<polygon points="{" ".join(pt(p) for p in pts)}" fill="#ffffff" stroke="#1a1a1a" stroke-width="0.9"/>']
    out.append(f'<text x="{fmt(x - 9 + DX)}" y="{fmt(y + DY + 2.5)}" font-family="{FONT}" font-size="7.5" '
               f'fill="#1a1a1a" text-anchor="end">{label}</text>')
    return out


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "frontend", "assets", "diffeq.svg")

    solid_h, solid_v, clock_segs = [], [], []
    for ni, (_, _, style, pls) in enumerate(NETS):
        for a, b in segments(pls):
            if style == "clock":
                clock_segs.append((a, b))
            elif is_h(a, b):
                solid_h.append((ni, (a, b)))
            elif is_v(a, b):
                solid_v.append((ni, (a, b)))
            else:
                raise SystemExit(f"diagonal segment in net {NETS[ni][0]}: {a} {b}")

    hops = {}   # net index -> list of hop points on its horizontal segments
    for ni, h in solid_h:
        for nj, v in solid_v:
            if ni != nj:
                c = crossings(h, v)
                if c:
                    hops.setdefault(ni, []).append(c)

    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{W}" height="{H}" viewBox="0 0 {W} {H}" '
           f'version="1.2" baseProfile="tiny">',
           '<title>diffeq benchmark circuit</title>',
           '<desc>Schema of the diffeq benchmark. Generated by tools/gen_schema_svg.py; edit that script, '
           'not this file.</desc>',
           f'<rect x="0" y="0" width="{W}" height="{H}" fill="#fcfcfa"/>',
           f'<text x="{fmt(400 + DX)}" y="{fmt(22 + DY)}" font-family="{FONT}" font-size="10" fill="#444444" '
           'text-anchor="middle">diffeq: one step of a differential-equation solver</text>']

    # clock first, interrupted where solid wires pass over it
    for ni, (drv, sinks, style, pls) in enumerate(NETS):
        if style != "clock":
            continue
        st = STYLE[style]
        route = ";".join(" ".join(rpt(p) for p in pl) for pl in pls)
        out.append(f'<g id="net_{drv}" data-from="{drv}" data-to="{" ".join(sinks)}" data-route="{route}">')
        for seg in segments(pls):
            gaps = []
            for nj, s in solid_h + solid_v:
                c = crossings(seg, s) if is_h(*seg) else crossings(s, seg)
                if c:
                    gaps.append(c)
            for a, b in clock_pieces(seg, gaps):
                out.append(f'<line x1="{fmt(a[0] + DX + PX)}" y1="{fmt(a[1] + DY + PX)}" x2="{fmt(b[0] + DX + PX)}" '
                           f'y2="{fmt(b[1] + DY + PX)}" stroke="{st["stroke"]}" stroke-width="{st["width"]}" '
                           f'stroke-dasharray="{st["dash"]}"/>')
        for j in junctions(pls):
            out.append(f'<circle cx="{fmt(j[0] + DX + PX)}" cy="{fmt(j[1] + DY + PX)}" r="2" fill="{st["stroke"]}"/>')
        out.append('</g>')

    for ni, (drv, sinks, style, pls) in enumerate(NETS):
        if style == "clock":
            continue
        st = STYLE[style]
        route = ";".join(" ".join(rpt(p) for p in pl) for pl in pls)
        out.append(f'<g id="net_{drv}" data-from="{drv}" data-to="{" ".join(sinks)}" data-route="{route}">')
        for pl in pls:
            out.append(f'<path d="{hop_path(pl, hops.get(ni, []))}" fill="none" stroke="{st["stroke"]}" '
                       f'stroke-width="{st["width"]}" stroke-linejoin="miter"/>')
        for j in junctions(pls):
            out.append(f'<circle cx="{fmt(j[0] + DX + PX)}" cy="{fmt(j[1] + DY + PX)}" r="2.2" fill="{st["stroke"]}"/>')
        out.append('</g>')

    for name, (kind, x1, y1, x2, y2) in ITEMS.items():
        out.extend(item_svg(name, kind, x1, y1, x2, y2))
    for port, label in LABELS.items():
        out.extend(pin_svg(port, label))
    # the primary output
    x, y = PORTS["diffeq.result"]
    pts = [(x, y - 3), (x + 6, y - 3), (x + 9, y), (x + 6, y + 3), (x, y + 3)]
    out.append(f'<polygon points="{" ".join(pt(p) for p in pts)}" fill="#ffffff" stroke="#1a1a1a" stroke-width="0.9"/>')
    out.append(f'<text x="{fmt(x + 12 + DX)}" y="{fmt(y + DY + 3)}" font-family="{FONT}" font-size="8" '
               f'fill="#1a1a1a">result[7:0]</text>')

    # legend
    lx, ly = 707, 214
    out.append(f'<g id="legend" font-family="{FONT}" font-size="7" fill="#444444">')
    rows = [("data", "data"), ("select", "select"), ("clock", "clock")]
    for i, (style, text) in enumerate(rows):
        st = STYLE[style]
        y = ly + i * 11
        dash = f' stroke-dasharray="{st["dash"]}"' if "dash" in st else ""
        out.append(f'<line x1="{fmt(lx + DX + PX)}" y1="{fmt(y + DY + PX)}" x2="{fmt(lx + 14 + DX + PX)}" y2="{fmt(y + DY + PX)}" '
                   f'stroke="{st["stroke"]}" stroke-width="{st["width"]}"{dash}/>')
        out.append(f'<text x="{fmt(lx + 18 + DX)}" y="{fmt(y + 2.5 + DY)}">{text}</text>')
    y = ly + 33
    out.append(f'<circle cx="{fmt(lx + 7 + DX + PX)}" cy="{fmt(y + DY + PX)}" r="2.2" fill="#111111"/>')
    out.append(f'<text x="{fmt(lx + 18 + DX)}" y="{fmt(y + 2.5 + DY)}">junction</text>')
    y = ly + 44
    out.append(f'<line x1="{fmt(lx + 7 + DX + PX)}" y1="{fmt(y - 5 + DY + PX)}" x2="{fmt(lx + 7 + DX + PX)}" '
               f'y2="{fmt(y + 4 + DY + PX)}" stroke="#111111" stroke-width="1"/>')
    out.append(f'<path d="M{pt((lx, y))} L{pt((lx + 4, y))} A3,3 0 0 1 {pt((lx + 10, y))} L{pt((lx + 14, y))}" '
               'fill="none" stroke="#111111" stroke-width="1"/>')
    out.append(f'<text x="{fmt(lx + 18 + DX)}" y="{fmt(y + 2.5 + DY)}">crossing</text>')
    out.append('</g>')
    out.append('</svg>')

    with open(target, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
