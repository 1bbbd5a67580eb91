#!/usr/bin/env python3
"""Draws the program's icon (the Varnholt emblem) and the link controls' hand cursor.

Run by hand from the repository root after changing the drawing, then commit the outputs:

    python3 resources/generate_artwork.py

It writes resources/varnholt.ico and resources/hand.cur; the build only uses the committed files.
Standard library only, and the output is byte-for-byte the same on every run.

The icon holds 13 images, all stored as bitmaps (no PNG, so that every system and resource
reader takes them): 48, 32, 24, 16 px at 16 colours, the same four at 256 colours, then
256, 48, 32, 24, 16 px at 32 bits with alpha. The directory's colour-count field is 16 in the
16-colour images and 0 in all others; the main window picks its large and small icons by that
field (the first 32 and 16 px entries with 16 or more), so it gets the 16-colour images 2 and 4.
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The emblem's colours (R, G, B).
OUTLINE = (18, 22, 44)
RIM = (214, 160, 36)
FIELD_LIGHT = (44, 96, 196)
FIELD_DARK = (26, 56, 134)
STEEL = (226, 230, 240)
STEEL_SHADE = (140, 148, 168)
GRIP = (112, 64, 28)
LETTER = (252, 214, 70)


# --- Shapes as signed distances (negative inside), in units of the icon's side ----------------

def sd_box(x, y, x0, y0, x1, y1):
    dx = max(x0 - x, x - x1)
    dy = max(y0 - y, y - y1)
    if dx <= 0 or dy <= 0:
        return max(dx, dy)
    return math.hypot(dx, dy)


def sd_circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def sd_convex(x, y, pts):
    """Distance to a convex polygon, exact inside and along the edges, which is all that edge
    smoothing needs."""
    area = 0.0
    for i, (ax, ay) in enumerate(pts):
        bx, by = pts[(i + 1) % len(pts)]
        area += ax * by - bx * ay
    sign = 1.0 if area > 0 else -1.0
    d = -1e9
    for i, (ax, ay) in enumerate(pts):
        bx, by = pts[(i + 1) % len(pts)]
        ex, ey = bx - ax, by - ay
        length = math.hypot(ex, ey)
        # Outward normal of a counter-clockwise (in y-down coordinates: clockwise) edge.
        nx, ny = ey / length * sign, -ex / length * sign
        d = max(d, (x - ax) * nx + (y - ay) * ny)
    return d


# A heater shield: straight top and sides, a pointed bottom made of two arcs that start where the
# sides end. The small images use more of their square, since every pixel counts there.
LARGE_SHIELD = (0.12, 0.88, 0.13, 0.34, 1.0)   # left, right, top, end of the sides, arc radius
SMALL_SHIELD = (0.06, 0.94, 0.06, 0.32, 0.75)  # (the radius in shield widths)


def sd_shield(x, y, shape):
    left, right, top, y0, radius = shape
    w = right - left
    r = radius * w
    body = sd_box(x, y, left, top, right, y0)
    lens = max(sd_circle(x, y, left + r, y0, r), sd_circle(x, y, right - r, y0, r), y0 - y)
    return min(body, lens)


def sd_letter(x, y, half_width, top, grow=0.0):
    """The V: two straight arms with level tops meeting at the bottom; `grow` widens it for its
    outline."""
    bottom, left = 0.75, 0.30
    arms = []
    for a in (left, 1.0 - left):
        arms.append(sd_convex(x, y, [(a - half_width, top), (a + half_width, top),
                                     (0.5 + half_width, bottom), (0.5 - half_width, bottom)]))
    return min(arms) - grow


BLADE = [(0.468, 0.15), (0.532, 0.15), (0.532, 0.60), (0.50, 0.68), (0.468, 0.60)]


def layers(size):
    """The emblem as (shape, colour) pairs painted in order; sizes in pixels are turned into
    units of the side, so that thin lines stay at least a pixel wide in the small images."""
    px = 1.0 / size
    outline = max(1.0, 0.024 * size) * px
    rim = max(1.0, 0.05 * size) * px
    shape = LARGE_SHIELD if size >= 32 else SMALL_SHIELD
    field = outline + rim
    # The sword turns to noise below 48 px, and an outlined V leaves no room for the field below
    # 32 px; the small images show the shield and a plain V.
    detailed = size >= 48
    letter = max(0.9, 0.06 * size) * px
    # Below the top rim with a row of field between, which the small images must keep whole.
    top = 0.30 if size >= 32 else 0.34
    out = [
        (lambda x, y: sd_shield(x, y, shape), OUTLINE),
        (lambda x, y: sd_shield(x, y, shape) + outline, RIM),
        (lambda x, y: sd_shield(x, y, shape) + field, FIELD_DARK),
        (lambda x, y: max(sd_shield(x, y, shape) + field, x - 0.5), FIELD_LIGHT),
    ]
    if detailed:
        line = max(1.0, 0.016 * size) * px
        out += [
            (lambda x, y: sd_convex(x, y, BLADE) - line, OUTLINE),
            (lambda x, y: sd_convex(x, y, BLADE), STEEL),
            (lambda x, y: max(sd_convex(x, y, BLADE), 0.5 - x), STEEL_SHADE),
            (lambda x, y: sd_box(x, y, 0.47, 0.035, 0.53, 0.14) - line, OUTLINE),
            (lambda x, y: sd_box(x, y, 0.47, 0.035, 0.53, 0.14), GRIP),
            (lambda x, y: sd_box(x, y, 0.31, 0.115, 0.69, 0.165) - line, OUTLINE),
            (lambda x, y: sd_box(x, y, 0.31, 0.115, 0.69, 0.165), STEEL),
            (lambda x, y: sd_circle(x, y, 0.5, 0.045, 0.034) - line, OUTLINE),
            (lambda x, y: sd_circle(x, y, 0.5, 0.045, 0.034), RIM),
        ]
    if size >= 32:
        out.append((lambda x, y: sd_letter(x, y, letter, top, outline), OUTLINE))
    out.append((lambda x, y: sd_letter(x, y, letter, top), LETTER))
    return out


# At 16 px smoothed shapes blur into one another, so that size is drawn pixel by pixel: the left
# half, mirrored for the right, where the field is the darker blue. 'k' outline, 'g' rim,
# 'b' field, 'y' the V, '.' clear.
SMALL_LEFT_HALF = [
    "........",
    ".kkkkkkk",
    ".kgggggg",
    ".kgbbbbb",
    ".kgyybbb",
    ".kgyybbb",
    ".kgbyybb",
    ".kgbyybb",
    ".kgbbyyb",
    ".kgbbyyb",
    "..kgbbyy",
    "...kgbby",
    "....kgbb",
    ".....kgg",
    "......kk",
    "........",
]


def render_small():
    left = {"k": OUTLINE, "g": RIM, "b": FIELD_LIGHT, "y": LETTER}
    right = dict(left, b=FIELD_DARK)
    rows = []
    for half in SMALL_LEFT_HALF:
        pixels = [left.get(c) for c in half] + [right.get(c) for c in reversed(half)]
        rows.append([p + (255,) if p else (0, 0, 0, 0) for p in pixels])
    return rows


def render(size):
    """Straight (not premultiplied) RGBA rows, top row first; edges smoothed by coverage."""
    if size == 16:
        return render_small()
    shapes = layers(size)
    rows = []
    for j in range(size):
        row = []
        for i in range(size):
            x, y = (i + 0.5) / size, (j + 0.5) / size
            r = g = b = a = 0.0
            for shape, colour in shapes:
                cover = min(1.0, max(0.0, 0.5 - shape(x, y) * size))
                if cover <= 0.0:
                    continue
                na = cover + a * (1.0 - cover)
                r = (colour[0] * cover + r * a * (1.0 - cover)) / na
                g = (colour[1] * cover + g * a * (1.0 - cover)) / na
                b = (colour[2] * cover + b * a * (1.0 - cover)) / na
                a = na
            row.append((round(r), round(g), round(b), round(a * 255)))
        rows.append(row)
    return rows


# --- Palettes ---------------------------------------------------------------------------------

def distance2(c, d):
    return (c[0] - d[0]) ** 2 + (c[1] - d[1]) ** 2 + (c[2] - d[2]) ** 2


def make_palette(images, count):
    """The emblem's own colours first, then, one at a time, whichever colour of the images is
    worst served so far (its pixel count times its error), up to `count` entries. Entry 0 is
    black, which the transparent pixels use."""
    population = {}
    for rows in images:
        for row in rows:
            for r, g, b, a in row:
                if a >= 128:
                    population[(r, g, b)] = population.get((r, g, b), 0) + 1
    palette = [(0, 0, 0), OUTLINE, RIM, FIELD_LIGHT, FIELD_DARK, STEEL, STEEL_SHADE, GRIP, LETTER]
    colours = sorted(population)
    best = [min(distance2(c, p) for p in palette) for c in colours]
    while len(palette) < count:
        worst = max(range(len(colours)), key=lambda k: (best[k] * population[colours[k]], -k))
        if best[worst] == 0:
            break
        added = colours[worst]
        palette.append(added)
        best = [min(b, distance2(c, added)) for b, c in zip(best, colours)]
    palette += [(0, 0, 0)] * (count - len(palette))
    return palette


def nearest(colour, palette, cache):
    if colour not in cache:
        cache[colour] = min(range(1, len(palette)), key=lambda k: (distance2(colour, palette[k]), k))
    return cache[colour]


# --- DIB writing ------------------------------------------------------------------------------

def padded(data):
    return data + b"\0" * (-len(data) % 4)


def mask_rows(size, transparent):
    """The AND mask, bottom row first, 1 where the screen shows through."""
    out = b""
    for j in reversed(range(size)):
        bits = 0
        for i in range(size):
            bits = (bits << 1) | (1 if transparent(i, j) else 0)
        bits <<= (-size) % 8
        out += padded(bits.to_bytes((size + 7) // 8, "big"))
    return out


def info_header(size, bits, image_bytes):
    # Height doubled: an icon's bitmap is the colour image stacked on its mask.
    return struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, image_bytes, 0, 0, 0, 0)


def palette_dib(rows, bits, palette):
    size = len(rows)
    cache = {}
    index = [[nearest(p[:3], palette, cache) if p[3] >= 128 else 0 for p in row] for row in rows]
    xor = b""
    for j in reversed(range(size)):
        if bits == 8:
            xor += padded(bytes(index[j]))
        else:
            xor += padded(bytes((index[j][i] << 4) | index[j][i + 1] for i in range(0, size, 2)))
    mask = mask_rows(size, lambda i, j: rows[j][i][3] < 128)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return info_header(size, bits, len(xor) + len(mask)) + colours + xor + mask


def alpha_dib(rows):
    size = len(rows)
    xor = b"".join(struct.pack("<BBBB", b, g, r, a)
                   for row in reversed(rows) for r, g, b, a in row)
    # The mask still matters to readers that ignore alpha; it marks the fully clear pixels.
    mask = mask_rows(size, lambda i, j: rows[j][i][3] == 0)
    return info_header(size, 32, len(xor) + len(mask)) + xor + mask


def write_directory_file(path, kind, entries):
    """entries: (width, height, colour count, field at 4, field at 6, image bytes). For an icon
    the two fields are planes and bit count, for a cursor the hot spot."""
    data = struct.pack("<HHH", 0, kind, len(entries))
    offset = 6 + 16 * len(entries)
    for width, height, colours, f4, f6, image in entries:
        data += struct.pack("<BBBBHHII", width % 256, height % 256, colours, 0, f4, f6,
                            len(image), offset)
        offset += len(image)
    data += b"".join(e[5] for e in entries)
    with open(path, "wb") as f:
        f.write(data)


def write_icon(path):
    small = [48, 32, 24, 16]
    images = {s: render(s) for s in [256] + small}
    entries = []
    for bits, colours, count in [(4, 16, 16), (8, 0, 256)]:
        palette = make_palette([images[s] for s in small], count)
        for s in small:
            entries.append((s, s, colours, 1, bits, palette_dib(images[s], bits, palette)))
    for s in [256] + small:
        entries.append((s, s, 0, 1, 32, alpha_dib(images[s])))
    write_directory_file(path, 1, entries)


# --- The hand cursor --------------------------------------------------------------------------

# A pointing hand, 32 x 32: '#' black, 'o' white, '.' transparent. The index finger points up
# and its tip, the hot spot, is the white pixel at column 6, row 1.
HAND = [
    ".....###........................",
    "....#ooo#.......................",
    "....#ooo#.......................",
    "....#ooo#.......................",
    "....#ooo#.......................",
    "....#ooo#.......................",
    "....#ooo####....................",
    "....#ooo#ooo####................",
    "....#ooo#ooo#ooo###.............",
    "....#ooo#ooo#ooo#oo#............",
    ".##.#ooo#ooo#ooo#oo#............",
    "#oo##ooo#ooo#ooo#oo#............",
    "#ooo#oooo#ooo#ooooo#............",
    "#oooo#ooooooooooooo#............",
    ".#ooooooooooooooooo#............",
    "..#oooooooooooooooo#............",
    "...#ooooooooooooooo#............",
    "....#oooooooooooooo#............",
    ".....#oooooooooooo#.............",
    ".....#oooooooooooo#.............",
    ".....##############.............",
    ".....#o#o#o#o#o#o##.............",
    ".....##############.............",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
]
HOT_SPOT = (6, 1)


def write_cursor(path):
    assert len(HAND) == 32 and all(len(r) == 32 for r in HAND)
    assert HAND[HOT_SPOT[1]][HOT_SPOT[0]] == "o"

    def bits(test):
        out = b""
        for row in reversed(HAND):
            out += int("".join("1" if test(c) else "0" for c in row), 2).to_bytes(4, "big")
        return out

    xor = bits(lambda c: c == "o")  # palette entry 1, white
    mask = bits(lambda c: c == ".")
    colours = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    image = info_header(32, 1, len(xor) + len(mask)) + colours + xor + mask
    write_directory_file(path, 2, [(32, 32, 2, HOT_SPOT[0], HOT_SPOT[1], image)])


if __name__ == "__main__":
    write_icon(os.path.join(HERE, "varnholt.ico"))
    write_cursor(os.path.join(HERE, "hand.cur"))
