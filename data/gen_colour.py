#!/usr/bin/env python3
"""Writes src/colour_tables.cpp, the stored tables of the colour scales.

    python3 data/gen_colour.py [output]      (default: src/colour_tables.cpp beside this script)

The anchor entries below are the fixed colours of the scales; the script fills the remaining
entries by interpolating between anchors in CIE LCh (lightness, chroma, hue angle), so that

  * each luminance level of colour_path is a ring of hues of even lightness, and lightness rises
    with the level;
  * rgb_path brightens steadily from near-black purple to pale lavender.

Levels 6 and 9 are anchored every fourth hue step and are interpolated along the ring. The other
levels are anchored only at the green (21, 22) and blue (29, 30) columns the tweet colours use;
their ring takes its hues and relative chroma from levels 6 and 9, its lightness from the anchors,
and is then bent smoothly through the anchors. Every colour is kept inside the sRGB gamut by
lowering its chroma, never its lightness. The script checks the structure before writing.

Plain Python 3, no third-party modules; the generated file is committed so that building needs
no Python.
"""

import math
import os
import sys

L_NUM = 11
STEP_P_HUE = 4
HUE_N = 10 * STEP_P_HUE
PATH_LEN = 100

# Levels 6 and 9 at every hue stop.
STOPS = {
    6: [(138, 50, 108), (161, 47, 62), (160, 52, 27), (123, 68, 6), (78, 85, 3),
        (25, 99, 42), (8, 100, 82), (3, 95, 138), (34, 80, 170), (90, 61, 158)],
    9: [(226, 187, 226), (232, 187, 213), (242, 186, 191), (233, 193, 160), (212, 201, 156),
        (174, 211, 189), (165, 211, 215), (171, 206, 239), (193, 197, 245), (211, 191, 242)],
}

# The green (21, 22) and blue (29, 30) columns at every level.
TWEET_COLUMNS = (21, 22, 29, 30)
COLUMNS = {
    0: [(0, 0, 0), (0, 0, 0), (0, 0, 0), (0, 0, 0)],
    1: [(1, 3, 2), (1, 3, 3), (1, 3, 5), (1, 3, 6)],
    2: [(2, 10, 6), (2, 10, 7), (0, 9, 17), (1, 9, 18)],
    3: [(6, 20, 13), (5, 20, 14), (3, 19, 32), (4, 18, 34)],
    4: [(6, 40, 22), (4, 40, 25), (2, 36, 63), (5, 35, 67)],
    5: [(17, 63, 38), (15, 64, 43), (12, 59, 93), (16, 56, 98)],
    6: [(18, 100, 54), (14, 100, 63), (7, 92, 152), (14, 88, 160)],
    7: [(36, 140, 81), (31, 140, 92), (23, 129, 200), (30, 125, 212)],
    8: [(102, 169, 135), (99, 170, 143), (98, 162, 208), (104, 159, 213)],
    9: [(170, 211, 197), (167, 211, 204), (176, 204, 242), (182, 201, 244)],
    10: [(255, 255, 255), (255, 255, 255), (255, 255, 255), (255, 255, 255)],
}

RGB_PATH_ANCHORS = {
    0: (5, 1, 5), 10: (15, 3, 7), 20: (27, 8, 5), 30: (36, 18, 2), 40: (36, 38, 2),
    50: (23, 63, 28), 60: (9, 94, 74), 70: (12, 121, 160), 80: (80, 133, 221),
    90: (171, 153, 222), 99: (223, 188, 230),
}

GREYS = [
    0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 3, 3, 4, 4, 5, 6, 6, 7, 7, 8, 9, 10, 11, 12, 13, 14, 15, 15,
    16, 18, 19, 21, 22, 24, 25, 27, 29, 30, 32, 33, 36, 38, 40, 42, 44, 46, 48, 50, 52, 55, 58, 61,
    64, 66, 69, 72, 75, 78, 81, 85, 88, 92, 95, 99, 102, 106, 109, 113, 117, 120, 124, 128, 132,
    135, 139, 143, 147, 150, 154, 159, 164, 168, 173, 178, 183, 188, 192, 197, 202, 207, 213, 218,
    223, 228, 234, 239, 244, 249, 255,
]

# --- CIE colour arithmetic (sRGB, D65) ----------------------------------------------------------

WHITE = (0.95047, 1.0, 1.08883)


def _lin(c):
    c /= 255.0
    return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4


def _gam(c):
    c = 12.92 * c if c <= 0.0031308 else 1.055 * (c ** (1 / 2.4)) - 0.055
    return c * 255.0


def _f(t):
    return t ** (1 / 3) if t > (6 / 29) ** 3 else t / (3 * (6 / 29) ** 2) + 4 / 29


def _finv(t):
    return t ** 3 if t > 6 / 29 else 3 * (6 / 29) ** 2 * (t - 4 / 29)


def rgb_to_lab(rgb):
    r, g, b = (_lin(c) for c in rgb)
    x = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b
    y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b
    z = 0.0193339 * r + 0.1191920 * g + 0.9503041 * b
    fx, fy, fz = _f(x / WHITE[0]), _f(y / WHITE[1]), _f(z / WHITE[2])
    return (116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz))


def lab_to_rgb(lab):
    L, a, b = lab
    fy = (L + 16) / 116
    x = WHITE[0] * _finv(fy + a / 500)
    y = WHITE[1] * _finv(fy)
    z = WHITE[2] * _finv(fy - b / 200)
    r = 3.2404542 * x - 1.5371385 * y - 0.4985314 * z
    g = -0.9692660 * x + 1.8760108 * y + 0.0415560 * z
    bb = 0.0556434 * x - 0.2040259 * y + 1.0572252 * z
    return tuple(_gam(c) for c in (r, g, bb))


def lab_to_lch(lab):
    L, a, b = lab
    return (L, math.hypot(a, b), math.degrees(math.atan2(b, a)) % 360)


def lch_to_lab(lch):
    L, C, h = lch
    return (L, C * math.cos(math.radians(h)), C * math.sin(math.radians(h)))


def lerp(p, q, t):
    return tuple(a + (b - a) * t for a, b in zip(p, q))


def lerp_lch(p, q, t):
    dh = (q[2] - p[2] + 180) % 360 - 180  # the shorter way round the hue circle
    return (p[0] + (q[0] - p[0]) * t, p[1] + (q[1] - p[1]) * t, (p[2] + dh * t) % 360)


def in_gamut(lab):
    return all(-0.5 <= c <= 255.5 for c in lab_to_rgb(lab))


def fit_gamut(lch):
    """The colour of the same lightness and hue with the largest chroma up to lch's that sRGB holds."""
    if in_gamut(lch_to_lab(lch)):
        return lch
    lo, hi = 0.0, lch[1]
    for _ in range(40):
        mid = (lo + hi) / 2
        if in_gamut(lch_to_lab((lch[0], mid, lch[2]))):
            lo = mid
        else:
            hi = mid
    return (lch[0], lo, lch[2])


def to_int(lch):
    return tuple(min(255, max(0, int(round(c)))) for c in lab_to_rgb(lch_to_lab(fit_gamut(lch))))


def lightness(rgb):
    return rgb_to_lab(rgb)[0]


# --- tables --------------------------------------------------------------------------------------


def ring_anchors(level):
    anchors = {s: c for s, c in zip(TWEET_COLUMNS, COLUMNS[level])}
    for k, c in enumerate(STOPS.get(level, [])):
        anchors[k * STEP_P_HUE] = c
    return anchors


def cyclic_fill(anchors, value, blend):
    """Values at every ring step, blended between the nearest anchors on either side."""
    keys = sorted(anchors)
    out = {}
    for s in range(HUE_N):
        if s in anchors:
            out[s] = value(anchors[s])
            continue
        before = max((k for k in keys if k < s), default=keys[-1] - HUE_N)
        after = min((k for k in keys if k > s), default=keys[0] + HUE_N)
        t = (s - before) / (after - before)
        out[s] = blend(value(anchors[before % HUE_N]), value(anchors[after % HUE_N]), t)
    return out


def stop_ring(level):
    """A level anchored at every hue stop: LCh interpolation along the ring."""
    lch = cyclic_fill(ring_anchors(level), lambda c: lab_to_lch(rgb_to_lab(c)), lerp_lch)
    return [lch[s] for s in range(HUE_N)]


def column_ring(level, ref):
    """A level anchored only at the tweet columns: the reference ring's hues and relative chroma
    at the anchors' lightness, bent through the anchors by a smooth Lab correction."""
    anchors = ring_anchors(level)
    given = {s: rgb_to_lab(c) for s, c in anchors.items()}
    target_l = sum(lab[0] for lab in given.values()) / len(given)
    ratio = sum(lab_to_lch(given[s])[1] / max(ref[s][1], 1e-6) for s in given) / len(given)
    base = [fit_gamut((target_l, ref[s][1] * ratio, ref[s][2])) for s in range(HUE_N)]
    residual = {s: tuple(g - b for g, b in zip(given[s], lch_to_lab(base[s]))) for s in given}
    correction = cyclic_fill(residual, lambda r: r, lerp)
    ring = []
    for s in range(HUE_N):
        lab = tuple(b + c for b, c in zip(lch_to_lab(base[s]), correction[s]))
        ring.append(lab_to_lch(lab))
    return ring


def build_colour_path():
    rings = {6: stop_ring(6), 9: stop_ring(9)}
    for level in (1, 2, 3, 4, 5, 7, 8):
        w = max(0.0, (level - 6) / 3)
        ref = [lerp_lch(a, b, w) for a, b in zip(rings[6], rings[9])]
        rings[level] = column_ring(level, ref)
    table = [[(0, 0, 0)] * HUE_N, *[None] * 9, [(255, 255, 255)] * HUE_N]
    for level in range(1, 10):
        table[level] = [to_int(c) for c in rings[level]]
        for s, c in ring_anchors(level).items():
            table[level][s] = c  # anchors exactly, whatever rounding did elsewhere
    return table


def build_rgb_path():
    lch = {}
    keys = sorted(RGB_PATH_ANCHORS)
    for i in range(PATH_LEN):
        if i in RGB_PATH_ANCHORS:
            lch[i] = None
            continue
        a = max(k for k in keys if k < i)
        b = min(k for k in keys if k > i)
        pa = lab_to_lch(rgb_to_lab(RGB_PATH_ANCHORS[a]))
        pb = lab_to_lch(rgb_to_lab(RGB_PATH_ANCHORS[b]))
        lch[i] = lerp_lch(pa, pb, (i - a) / (b - a))
    return [RGB_PATH_ANCHORS[i] if i in RGB_PATH_ANCHORS else to_int(lch[i]) for i in range(PATH_LEN)]


def check(colour_path, rgb_path, grey_path):
    for level, cols in COLUMNS.items():
        for s, c in zip(TWEET_COLUMNS, cols):
            assert colour_path[level][s] == c, (level, s)
    for level, stops in STOPS.items():
        for k, c in enumerate(stops):
            assert colour_path[level][k * STEP_P_HUE] == c, (level, k)
    for level in range(L_NUM - 1):
        top = max(lightness(c) for c in colour_path[level])
        bottom = min(lightness(c) for c in colour_path[level + 1])
        assert top < bottom, f"level {level + 1} not lighter than level {level}"
    for i, c in RGB_PATH_ANCHORS.items():
        assert rgb_path[i] == c
    path_l = [lightness(c) for c in rgb_path]
    # Rounding to whole components can cost a fraction of a unit where the path is near black.
    assert all(b >= a - 0.5 for a, b in zip(path_l, path_l[1:])), "rgb_path darkens"
    assert len(GREYS) == PATH_LEN and GREYS == sorted(GREYS)
    assert all(c[0] == c[1] == c[2] for c in grey_path)


def spread(colour_path):
    rows = []
    for level in range(1, L_NUM - 1):
        ls = [lightness(c) for c in colour_path[level]]
        rows.append(f"level {level}: L* {min(ls):5.1f} .. {max(ls):5.1f}")
    return rows


def fmt_rows(entries, per_line, indent):
    cells = ["{%3d, %3d, %3d}" % c for c in entries]
    lines = []
    for i in range(0, len(cells), per_line):
        lines.append(indent + ", ".join(cells[i:i + per_line]) + ",")
    return lines


def render(colour_path, rgb_path, grey_path):
    out = [
        "// Generated by data/gen_colour.py; edit the script, not this file.",
        "",
        '#include "colour.h"',
        "",
        "// clang-format off",
        "const int colour_path[L_NUM][HUE_N][3] = {",
    ]
    for level in range(L_NUM):
        out.append(f"    {{ // level {level}")
        out += fmt_rows(colour_path[level], 4, "        ")
        out.append("    },")
    out.append("};")
    out.append("")
    out.append("const int rgb_path[PATH_LEN][3] = {")
    out += fmt_rows(rgb_path, 5, "    ")
    out.append("};")
    out.append("")
    out.append("const int grey_path[PATH_LEN][3] = {")
    out += fmt_rows(grey_path, 5, "    ")
    out.append("};")
    out.append("// clang-format on")
    return "\n".join(out) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src", "colour_tables.cpp")
    colour_path = build_colour_path()
    rgb_path = build_rgb_path()
    grey_path = [(g, g, g) for g in GREYS]
    check(colour_path, rgb_path, grey_path)
    with open(target, "w", encoding="ascii") as f:
        f.write(render(colour_path, rgb_path, grey_path))
    for row in spread(colour_path):
        print(row, file=sys.stderr)


if __name__ == "__main__":
    main()
