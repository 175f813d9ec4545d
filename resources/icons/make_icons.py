#!/usr/bin/env python3
"""Draws tidelight's icons from simple shapes and writes them as .ico files.

The generated files are committed beside this script, so the build never runs
it. Run it again after changing a drawing:

    python3 resources/icons/make_icons.py            # rewrite the .ico files
    python3 resources/icons/make_icons.py --check    # fail if they are stale

Only the standard library is used. Every shape is a signed distance function
(negative inside); a layer's coverage is found by supersampling each pixel
that the distance says is on an edge, and layers are composited in
premultiplied floating point. 32-bit images keep the antialiased alpha; the
4- and 8-bit images take the opaque half of it as their AND mask and a
palette made for the image by median cut. The output is a pure function of
this file: no clock, no randomness, no dictionary-order surprises.
"""

import argparse
import math
import os
import struct
import sys

SUBSAMPLES = 8  # per pixel side: 64 coverage levels on edges

# ---------------------------------------------------------------- shapes


def _sqrt(v):
    # math.sqrt is correctly rounded everywhere, unlike hypot or atan2, so
    # the same inputs give the same pixels on every machine.
    return math.sqrt(v)


def circle(cx, cy, r):
    def f(x, y):
        dx = x - cx
        dy = y - cy
        return _sqrt(dx * dx + dy * dy) - r

    return f


def ring(cx, cy, r, width):
    half = width / 2.0

    def f(x, y):
        dx = x - cx
        dy = y - cy
        return abs(_sqrt(dx * dx + dy * dy) - r) - half

    return f


def rbox(x0, y0, x1, y1, r=0.0):
    """Box from (x0, y0) to (x1, y1) with corners rounded by r."""
    cx = (x0 + x1) / 2.0
    cy = (y0 + y1) / 2.0
    hx = (x1 - x0) / 2.0 - r
    hy = (y1 - y0) / 2.0 - r

    def f(x, y):
        qx = abs(x - cx) - hx
        qy = abs(y - cy) - hy
        ox = qx if qx > 0.0 else 0.0
        oy = qy if qy > 0.0 else 0.0
        inner = qx if qx > qy else qy
        if inner > 0.0:
            inner = 0.0
        return _sqrt(ox * ox + oy * oy) + inner - r

    return f


def capsule(ax, ay, bx, by, r):
    """Stroke from (ax, ay) to (bx, by) with round caps, radius r."""
    ex = bx - ax
    ey = by - ay
    length2 = ex * ex + ey * ey

    def f(x, y):
        px = x - ax
        py = y - ay
        t = (px * ex + py * ey) / length2 if length2 > 0.0 else 0.0
        if t < 0.0:
            t = 0.0
        elif t > 1.0:
            t = 1.0
        dx = px - ex * t
        dy = py - ey * t
        return _sqrt(dx * dx + dy * dy) - r

    return f


def polyline(points, r):
    return union(*[capsule(a[0], a[1], b[0], b[1], r) for a, b in zip(points, points[1:])])


def polygon(points):
    """Exact distance to a simple polygon (any winding)."""
    pts = [(float(x), float(y)) for x, y in points]
    n = len(pts)

    def f(x, y):
        best = (x - pts[0][0]) ** 2 + (y - pts[0][1]) ** 2
        sign = 1.0
        j = n - 1
        for i in range(n):
            vix, viy = pts[i]
            vjx, vjy = pts[j]
            ex = vjx - vix
            ey = vjy - viy
            wx = x - vix
            wy = y - viy
            t = (wx * ex + wy * ey) / (ex * ex + ey * ey)
            if t < 0.0:
                t = 0.0
            elif t > 1.0:
                t = 1.0
            bx = wx - ex * t
            by = wy - ey * t
            d = bx * bx + by * by
            if d < best:
                best = d
            c1 = y >= viy
            c2 = y < vjy
            c3 = ex * wy > ey * wx
            if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
                sign = -sign
            j = i
        return sign * _sqrt(best)

    return f


def half_plane(px, py, nx, ny):
    """Everything on the side of the line through (px, py) opposite to the
    unit normal (nx, ny)."""
    return lambda x, y: (x - px) * nx + (y - py) * ny


def union(*shapes):
    def f(x, y):
        return min(s(x, y) for s in shapes)

    return f


def intersect(*shapes):
    def f(x, y):
        return max(s(x, y) for s in shapes)

    return f


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def grow(shape, d):
    """Dilates (d > 0) or erodes (d < 0) a shape."""
    return lambda x, y: shape(x, y) - d


def translate(shape, dx, dy):
    return lambda x, y: shape(x - dx, y - dy)


def star_points(cx, cy, outer, inner, tips=5):
    pts = []
    for k in range(tips * 2):
        radius = outer if k % 2 == 0 else inner
        angle = math.pi * k / tips - math.pi / 2.0
        # Rounded so that a last-bit difference in sin/cos between C
        # libraries cannot move a vertex.
        pts.append((round(cx + radius * math.cos(angle), 6), round(cy + radius * math.sin(angle), 6)))
    return pts


# ---------------------------------------------------------------- paints
# A paint maps a point to straight (not premultiplied) r, g, b, a in 0..1.


def rgb(r, g, b, a=1.0):
    return (r / 255.0, g / 255.0, b / 255.0, a)


def solid(colour):
    return lambda x, y: colour


def _mix(c0, c1, t):
    return tuple(c0[i] + (c1[i] - c0[i]) * t for i in range(4))


def _stops_at(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return _mix(c0, c1, (t - t0) / (t1 - t0))
    return stops[-1][1]


def linear(x0, y0, x1, y1, *stops):
    """Gradient along the line from (x0, y0) to (x1, y1); stops are
    (position 0..1, colour)."""
    ex = x1 - x0
    ey = y1 - y0
    length2 = ex * ex + ey * ey

    def f(x, y):
        return _stops_at(stops, ((x - x0) * ex + (y - y0) * ey) / length2)

    return f


def vertical(y0, y1, top, bottom):
    return linear(0.0, y0, 0.0, y1, (0.0, top), (1.0, bottom))


def radial(cx, cy, r, *stops):
    def f(x, y):
        dx = x - cx
        dy = y - cy
        return _stops_at(stops, _sqrt(dx * dx + dy * dy) / r)

    return f


# ---------------------------------------------------------------- canvas


class Canvas:
    """A square RGBA image in premultiplied floating point. A canvas that is
    not rich is for a 16-colour image: it leaves out shadows, glows and
    glosses, which a 16-colour palette can only turn into bands and specks."""

    def __init__(self, size, rich=True):
        self.size = size
        self.rich = rich
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]

    def coverage(self, shape):
        """Fraction of each pixel inside the shape, row by row."""
        n = self.size
        step = 1.0 / SUBSAMPLES
        offsets = [(k + 0.5) * step for k in range(SUBSAMPLES)]
        total = float(SUBSAMPLES * SUBSAMPLES)
        out = [0.0] * (n * n)
        for py in range(n):
            for px in range(n):
                d = shape(px + 0.5, py + 0.5)
                # No subsample lies farther than 0.62 from the centre, and
                # every shape here changes by at most about one unit per
                # unit moved, so a pixel this far from the edge is uniform.
                if d >= 1.0:
                    continue
                if d <= -1.0:
                    out[py * n + px] = 1.0
                    continue
                inside = 0
                for oy in offsets:
                    y = py + oy
                    for ox in offsets:
                        if shape(px + ox, y) <= 0.0:
                            inside += 1
                out[py * n + px] = inside / total
        return out

    def composite(self, cover, paint, opacity=1.0):
        n = self.size
        for i, c in enumerate(cover):
            if c <= 0.0:
                continue
            r, g, b, a = paint((i % n) + 0.5, (i // n) + 0.5)
            a *= c * opacity
            if a <= 0.0:
                continue
            p = self.px[i]
            keep = 1.0 - a
            p[0] = r * a + p[0] * keep
            p[1] = g * a + p[1] * keep
            p[2] = b * a + p[2] * keep
            p[3] = a + p[3] * keep

    def fill(self, shape, paint, opacity=1.0):
        if isinstance(paint, tuple):
            paint = solid(paint)
        self.composite(self.coverage(shape), paint, opacity)

    def soft(self, shape, paint, opacity=1.0):
        """A finishing touch that only rich images get."""
        if self.rich:
            self.fill(shape, paint, opacity)

    def outlined(self, shape, paint, edge, width=1.0):
        """The shape in its edge colour, then the paint inset by width: an
        outline that is antialiased on both sides."""
        self.fill(shape, edge)
        self.fill(grow(shape, -width), paint)

    def shadow(self, shape, dx=0.0, dy=1.0, opacity=0.3, colour=(0.0, 0.06, 0.12, 1.0)):
        """A soft shadow of the shape, offset and blurred by one pixel."""
        if not self.rich:
            return
        n = self.size
        cover = self.coverage(translate(shape, dx, dy))
        for _ in range(2):
            blurred = [0.0] * (n * n)
            for y in range(n):
                for x in range(n):
                    acc = 0.0
                    weight = 0.0
                    for k, w in ((-1, 1.0), (0, 2.0), (1, 1.0)):
                        if 0 <= x + k < n:
                            acc += cover[y * n + x + k] * w
                        weight += w
                    blurred[y * n + x] = acc / weight
            cover = [0.0] * (n * n)
            for y in range(n):
                for x in range(n):
                    acc = 0.0
                    weight = 0.0
                    for k, w in ((-1, 1.0), (0, 2.0), (1, 1.0)):
                        if 0 <= y + k < n:
                            acc += blurred[(y + k) * n + x] * w
                        weight += w
                    cover[y * n + x] = acc / weight
        self.composite(cover, solid(colour), opacity)

    def rgba8(self):
        """Straight-alpha 8-bit pixels, top row first; fully transparent
        pixels are black so that an AND-masked pixel never tints."""
        out = []
        for r, g, b, a in self.px:
            alpha = int(round(a * 255.0))
            if alpha <= 0:
                out.append((0, 0, 0, 0))
                continue
            out.append(
                (
                    _byte(r / a * 255.0),
                    _byte(g / a * 255.0),
                    _byte(b / a * 255.0),
                    min(alpha, 255),
                )
            )
        return out


def _byte(v):
    v = int(round(v))
    return 0 if v < 0 else 255 if v > 255 else v


# ---------------------------------------------------------------- palettes

BLACK = (0, 0, 0)


def _median_cut(counts, limit):
    """Up to limit colours summarising counts ({colour: pixels})."""
    boxes = [sorted(counts.items())]
    while len(boxes) < limit:
        best = None
        for index, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spans = [max(c[0][k] for c in box) - min(c[0][k] for c in box) for k in range(3)]
            channel = max(range(3), key=lambda k: (spans[k], -k))
            population = sum(c[1] for c in box)
            score = (spans[channel] * population, -index)
            if best is None or score > best[0]:
                best = (score, index, channel)
        if best is None:
            break
        _, index, channel = best
        box = sorted(boxes[index], key=lambda c: (c[0][channel], c[0]))
        half = sum(c[1] for c in box) / 2.0
        running = 0
        cut = 1
        for k, (_, count) in enumerate(box[:-1]):
            running += count
            cut = k + 1
            if running >= half:
                break
        boxes[index : index + 1] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        population = sum(c[1] for c in box)
        palette.append(
            tuple(int(round(sum(c[0][k] * c[1] for c in box) / population)) for k in range(3))
        )
    return palette


def _nearest(palette, colour):
    best = 0
    best_d = None
    for index, p in enumerate(palette):
        dr = p[0] - colour[0]
        dg = p[1] - colour[1]
        db = p[2] - colour[2]
        d = 3 * dr * dr + 4 * dg * dg + 2 * db * db
        if best_d is None or d < best_d:
            best, best_d = index, d
    return best


def palettize(pixels, bits):
    """Indexed pixels, palette and AND mask for a 4- or 8-bit image. A pixel
    is opaque when at least half covered; index 0 is black and is what
    masked pixels hold."""
    entries = 1 << bits
    opaque = [p[3] >= 128 for p in pixels]
    counts = {}
    for p, keep in zip(pixels, opaque):
        if keep:
            counts[p[:3]] = counts.get(p[:3], 0) + 1
    counts.pop(BLACK, None)
    if len(counts) <= entries - 1:
        colours = sorted(counts)
    else:
        colours = _median_cut(counts, entries - 1)
    palette = [BLACK] + colours
    palette += [BLACK] * (entries - len(palette))
    cache = {}
    indices = []
    for p, keep in zip(pixels, opaque):
        if not keep:
            indices.append(0)
            continue
        key = p[:3]
        if key not in cache:
            cache[key] = _nearest(palette, key)
        indices.append(cache[key])
    mask = [not keep for keep in opaque]
    return indices, palette, mask


# ---------------------------------------------------------------- ICO files


def _rows_bottom_up(size):
    return range(size - 1, -1, -1)


def _mask_bits(mask, size):
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for y in _rows_bottom_up(size):
        row = bytearray(stride)
        for x in range(size):
            if mask[y * size + x]:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def dib(pixels, size, bits):
    """One icon image: BITMAPINFOHEADER, palette, XOR bits and AND mask."""
    if bits == 32:
        palette_bytes = b""
        xor = bytearray()
        for y in _rows_bottom_up(size):
            for x in range(size):
                r, g, b, a = pixels[y * size + x]
                xor += bytes((b, g, r, a))
        mask = [p[3] == 0 for p in pixels]
    else:
        indices, palette, mask = palettize(pixels, bits)
        palette_bytes = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
        stride = ((size * bits + 31) // 32) * 4
        xor = bytearray()
        for y in _rows_bottom_up(size):
            row = bytearray(stride)
            for x in range(size):
                index = indices[y * size + x]
                if bits == 8:
                    row[x] = index
                else:
                    row[x // 2] |= index << (4 if x % 2 == 0 else 0)
            xor += row
    and_bits = _mask_bits(mask, size)
    header = struct.pack(
        "<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(xor) + len(and_bits), 0, 0, 0, 0
    )
    return header + palette_bytes + bytes(xor) + and_bits


def ico(images):
    """images: list of (size, bits, pixels), written in that order."""
    out = struct.pack("<HHH", 0, 1, len(images))
    blobs = [dib(pixels, size, bits) for size, bits, pixels in images]
    offset = 6 + 16 * len(images)
    for (size, bits, _), blob in zip(images, blobs):
        out += struct.pack(
            "<BBBBHHII",
            size if size < 256 else 0,
            size if size < 256 else 0,
            16 if bits == 4 else 0,
            0,
            1,
            bits,
            len(blob),
            offset,
        )
        offset += len(blob)
    return out + b"".join(blobs)


# ---------------------------------------------------------------- drawings
# Channel icons are drawn on a 32-pixel grid in one manner: lit from above,
# a vertical gradient, a one-pixel outline a shade darker than the fill
# (it keeps the shape on the light schemes) and a soft shadow below that
# sets the icon on the panel.

WHITE = rgb(255, 255, 255)


def draw_star(c):
    shape = grow(polygon(star_points(16.0, 17.0, 13.2, 6.1)), 1.4)
    gold = vertical(3.0, 30.0, rgb(255, 222, 102), rgb(247, 160, 28))
    c.shadow(shape)
    c.outlined(shape, gold, rgb(190, 112, 10))
    c.soft(intersect(grow(shape, -2.2), half_plane(0.0, 14.0, 0.0, 1.0)), rgb(255, 255, 255), 0.25)


def _heart(cx, top, width):
    """A heart of the given width whose lobes start at y = top."""
    r = width / 4.0 + 0.35
    lx = cx - width / 4.0
    rx = cx + width / 4.0
    cy = top + r
    tip = cy + width * 0.62
    # Tangent points from the tip to each lobe.
    def tangent(ox, side):
        dx = cx - ox
        dy = tip - cy
        d = _sqrt(dx * dx + dy * dy)
        base = math.atan2(dy, dx)
        delta = math.acos(r / d)
        a = base - side * delta
        return (round(ox + r * math.cos(a), 6), round(cy + r * math.sin(a), 6))

    left = tangent(lx, -1.0)
    right = tangent(rx, 1.0)
    body = polygon([left, (lx, cy), (rx, cy), right, (cx, tip)])
    return union(circle(lx, cy, r), circle(rx, cy, r), body)


def draw_heart(c):
    shape = grow(_heart(16.0, 5.2, 24.6), 0.4)
    red = vertical(4.0, 29.0, rgb(255, 112, 124), rgb(214, 34, 60))
    c.shadow(shape)
    c.outlined(shape, red, rgb(142, 18, 40))
    c.soft(intersect(circle(10.6, 11.0, 3.6), grow(shape, -2.0)), rgb(255, 255, 255), 0.45)


def _badge(c, top, bottom, edge):
    disc = circle(16.0, 16.0, 14.0)
    c.shadow(disc)
    c.outlined(disc, vertical(2.0, 30.0, top, bottom), edge)
    c.soft(intersect(grow(disc, -2.0), circle(16.0, 14.0, 12.0), half_plane(0.0, 13.0, 0.0, 1.0)), WHITE, 0.18)


def draw_exclamation(c):
    _badge(c, rgb(255, 184, 72), rgb(238, 112, 12), rgb(168, 72, 6))
    mark = union(
        polygon([(13.4, 7.0), (18.6, 7.0), (17.4, 19.0), (14.6, 19.0)]),
        circle(16.0, 7.4, 2.6),
        circle(16.0, 18.4, 1.45),
    )
    dot = circle(16.0, 23.6, 2.4)
    for glyph in (mark, dot):
        c.soft(translate(glyph, 0.0, 0.6), rgb(120, 50, 0), 0.35)
        c.fill(glyph, WHITE)


def draw_error(c):
    _badge(c, rgb(246, 96, 84), rgb(204, 32, 36), rgb(136, 16, 20))
    cross = union(capsule(10.6, 10.6, 21.4, 21.4, 2.3), capsule(21.4, 10.6, 10.6, 21.4, 2.3))
    c.soft(translate(cross, 0.0, 0.6), rgb(100, 0, 0), 0.35)
    c.fill(cross, WHITE)


def draw_calendar(c):
    page = rbox(3.0, 5.0, 29.0, 29.5, 3.5)
    edge = rgb(84, 96, 114)
    c.shadow(page)
    c.outlined(page, vertical(12.0, 29.0, rgb(255, 255, 255), rgb(226, 232, 240)), edge)
    header = intersect(grow(page, -1.0), half_plane(0.0, 12.0, 0.0, 1.0))
    c.fill(header, vertical(5.0, 12.0, rgb(250, 102, 88), rgb(216, 44, 44)))
    c.soft(rbox(4.0, 12.0, 28.0, 13.0), rgb(150, 24, 24), 0.5)
    for x in (10.5, 21.5):
        c.fill(rbox(x - 1.5, 1.5, x + 1.5, 9.0, 1.5), edge)
        c.fill(rbox(x - 0.5, 2.5, x + 0.5, 8.0, 0.5), rgb(170, 180, 194))
    cells = [(x, y) for y in (15.0, 19.5, 24.0) for x in (6.5, 11.5, 16.5, 21.5)]
    for k, (x, y) in enumerate(cells):
        colour = rgb(232, 64, 56) if k == 6 else rgb(158, 170, 186)
        c.fill(rbox(x, y, x + 3.5, y + 3.0, 0.6), colour)


def draw_game(c):
    body = union(
        rbox(3.5, 9.0, 28.5, 21.5, 6.0),
        capsule(8.6, 16.0, 6.8, 24.2, 4.3),
        capsule(23.4, 16.0, 25.2, 24.2, 4.3),
    )
    c.shadow(body)
    c.outlined(body, vertical(9.0, 28.0, rgb(104, 114, 132), rgb(54, 60, 74)), rgb(26, 30, 40))
    c.soft(intersect(grow(body, -2.0), half_plane(0.0, 12.5, 0.0, 1.0)), rgb(255, 255, 255), 0.16)
    pad = union(rbox(7.0, 13.5, 14.0, 16.5, 0.6), rbox(9.0, 11.5, 12.0, 18.5, 0.6))
    c.soft(translate(pad, 0.0, 0.7), rgb(0, 0, 0), 0.35)
    c.fill(pad, rgb(226, 232, 240))
    for cx, cy, colour in ((23.3, 13.3, rgb(255, 92, 92)), (19.9, 16.9, rgb(92, 208, 120))):
        c.soft(circle(cx, cy + 0.7, 2.0), rgb(0, 0, 0), 0.35)
        c.fill(circle(cx, cy, 2.0), colour)


def draw_globe(c):
    # Centred on a pixel centre so that the straight grid lines are crisp.
    cx = cy = 15.5
    r = 13.5
    disc = circle(cx, cy, r)
    c.shadow(disc)
    ocean = radial(10.5, 9.5, 22.0, (0.0, rgb(124, 208, 255)), (1.0, rgb(20, 100, 204)))
    c.outlined(disc, ocean, rgb(14, 66, 146))
    inside = grow(disc, -1.0)
    half = 0.5
    lines = [intersect(rbox(cx - half, 0.0, cx + half, 32.0), inside)]
    for y in (cy - 6.0, cy, cy + 6.0):
        lines.append(intersect(rbox(0.0, y - half, 32.0, y + half), inside))
    # Meridians: circles through both poles, centred on the equator; only
    # their arc between the poles lies on the globe.
    for offset in (10.0, -10.0):
        radius = _sqrt(offset * offset + r * r)
        # A little wider than the straight lines, which land on whole
        # pixels while these spread over two.
        lines.append(intersect(ring(cx + offset, cy, radius, 1.3), inside))
    c.fill(union(*lines), rgb(236, 248, 255), 0.62)
    c.soft(intersect(circle(10.5, 9.5, 5.0), inside), WHITE, 0.16)


def draw_mail(c):
    body = rbox(2.5, 7.0, 29.5, 26.0, 2.5)
    edge = rgb(78, 96, 120)
    c.shadow(body)
    c.outlined(body, vertical(7.0, 26.0, rgb(255, 255, 255), rgb(218, 228, 240)), edge)
    inside = grow(body, -1.0)
    c.fill(intersect(polyline([(4.0, 23.5), (12.5, 16.0)], 0.6), inside), rgb(150, 166, 190))
    c.fill(intersect(polyline([(28.0, 23.5), (19.5, 16.0)], 0.6), inside), rgb(150, 166, 190))
    flap = polygon([(3.0, 8.0), (29.0, 8.0), (16.0, 18.6)])
    c.soft(intersect(translate(flap, 0.0, 0.8), inside), rgb(60, 80, 110), 0.25)
    c.fill(intersect(grow(flap, 0.7), inside), edge)
    c.fill(intersect(grow(flap, -0.3), inside), vertical(7.0, 18.0, rgb(250, 252, 255), rgb(228, 236, 246)))


def _down_arrow(cx, top, bottom, shaft, head, head_height):
    return polygon(
        [
            (cx - shaft / 2.0, top),
            (cx + shaft / 2.0, top),
            (cx + shaft / 2.0, bottom - head_height),
            (cx + head / 2.0, bottom - head_height),
            (cx, bottom),
            (cx - head / 2.0, bottom - head_height),
            (cx - shaft / 2.0, bottom - head_height),
        ]
    )


def draw_download(c):
    tray = union(
        polyline([(4.5, 21.0), (4.5, 27.0), (27.5, 27.0), (27.5, 21.0)], 2.0),
    )
    arrow = grow(_down_arrow(16.0, 3.5, 23.5, 7.0, 19.0, 9.0), 1.0)
    c.shadow(union(tray, arrow))
    c.outlined(tray, vertical(19.0, 29.0, rgb(150, 162, 180), rgb(96, 108, 128)), rgb(50, 60, 76))
    c.shadow(arrow, opacity=0.25)
    c.outlined(arrow, vertical(2.0, 25.0, rgb(126, 226, 110), rgb(36, 160, 70)), rgb(20, 104, 44))
    c.soft(intersect(grow(arrow, -2.0), half_plane(0.0, 10.0, 0.0, 1.0)), rgb(255, 255, 255), 0.22)


# The application icon, also the default channel's: broadcast arcs rising
# from a beacon over the sea, drawn afresh for each size so that the arcs sit
# on whole pixels and the smallest sizes keep only what still reads.
APP_LAYOUT = {
    # size: (tile inset, corner, beacon centre, beacon radius, arc radii, arc width)
    48: (2.0, 10.0, (14.0, 34.0), 4.2, (14.0, 23.0), 5.0),
    32: (1.0, 7.0, (9.5, 22.5), 3.0, (9.5, 15.5), 3.4),
    24: (1.0, 5.0, (7.0, 17.0), 2.4, (7.2, 11.8), 2.6),
    16: (0.0, 3.5, (4.5, 11.5), 1.8, (5.0, 8.5), 2.0),
}


def swell(y, amplitude, period, phase):
    """The sea below a rolling crest at height y. The crest is a periodic
    parabola, close to a sine but built from exact arithmetic only."""

    def f(px, py):
        u = math.fmod(px / period + phase, 1.0)
        if u < 0.0:
            u += 1.0
        if u < 0.5:
            crest = y - amplitude * 16.0 * u * (0.5 - u)
            slope = -amplitude * 16.0 * (0.5 - 2.0 * u) / period
        else:
            crest = y + amplitude * 16.0 * (u - 0.5) * (1.0 - u)
            slope = amplitude * 16.0 * (1.5 - 2.0 * u) / period
        return (crest - py) / _sqrt(1.0 + slope * slope)

    return f


def draw_app(c):
    n = c.size
    inset, corner, (bx, by), beacon, radii, width = APP_LAYOUT[n]
    tile = rbox(inset, inset, n - inset, n - inset, corner)
    if inset > 0.0:
        c.shadow(tile, opacity=0.25)
    sea = linear(0.0, 0.0, n * 0.3, n, (0.0, rgb(40, 204, 214)), (1.0, rgb(8, 86, 150)))
    c.outlined(tile, sea, rgb(4, 60, 110), 1.0 if n >= 24 else 0.8)
    if n >= 32:
        # Two swells roll along the bottom; below 32 pixels they are noise.
        inside = grow(tile, -1.0)
        c.soft(intersect(swell(n * 0.80, n / 40.0, n * 0.55, 0.16), inside), WHITE, 0.16)
        c.soft(intersect(swell(n * 0.89, n / 40.0, n * 0.55, 0.41), inside), WHITE, 0.12)
    quadrant = intersect(half_plane(bx, 0.0, -1.0, 0.0), half_plane(0.0, by, 0.0, 1.0))
    arcs = union(*[intersect(ring(bx, by, r, width), quadrant) for r in radii])
    c.soft(translate(arcs, 0.0, n / 48.0), rgb(0, 30, 70), 0.3)
    c.fill(arcs, WHITE)
    glow = beacon * 2.2
    halo = radial(bx, by, glow, (0.0, rgb(255, 230, 140, 0.7)), (1.0, rgb(255, 230, 140, 0.0)))
    c.soft(circle(bx, by, glow), halo)
    lit = (bx - beacon * 0.3, by - beacon * 0.3)
    lamp = radial(lit[0], lit[1], beacon * 1.3, (0.0, rgb(255, 250, 214)), (1.0, rgb(255, 196, 64)))
    c.fill(circle(bx, by, beacon), lamp)


# Panel buttons: 16 x 16, 4 bits per pixel, drawn at (286, 1), (286, 13) and
# (286, 25) in a column whose inside spans x 289-298 and whose click areas
# are 12 pixels high. Each glyph therefore keeps to columns 4-11 and rows
# 1-8, centred on the column and inside its own click area; the rest is
# transparent, so the overlapping buttons never cover each other. With a
# one-bit mask there is no antialiasing to lean on, so the glyphs are built
# from pixel-aligned boxes and 45-degree bands, in a dark ink that stays
# readable on every scheme, from white to dark blue.

BUTTON_INK = rgb(20, 28, 40)


def pixel_box(x0, y0, x1, y1):
    """Exactly the pixels x0..x1-1, y0..y1-1."""
    return rbox(float(x0), float(y0), float(x1), float(y1))


def diagonal(x, y, length, thickness, rightward=True):
    """A 45-degree band starting with pixels x..x+thickness-1 of row y and
    moving one pixel right (or left, where x is then the band's rightmost
    pixel) per row, for length rows."""
    top, bottom = float(y), float(y + length)
    if rightward:
        k0 = x - y - 0.5
        k1 = k0 + thickness
        return polygon([(top + k0, top), (top + k1, top), (bottom + k1, bottom), (bottom + k0, bottom)])
    s1 = x + y + 1.5
    s0 = s1 - thickness
    return polygon([(s1 - top, top), (s0 - top, top), (s0 - bottom, bottom), (s1 - bottom, bottom)])


def draw_close(c):
    c.fill(union(diagonal(4, 1, 7, 2), diagonal(11, 1, 7, 2, rightward=False)), BUTTON_INK)


def draw_expand(c):
    # Shown in the compact layout: the tall panel that a click gives.
    c.fill(subtract(pixel_box(4, 1, 12, 9), pixel_box(5, 3, 11, 8)), BUTTON_INK)


def draw_collapse(c):
    # Shown in the full layout: the short panel that a click gives.
    c.fill(subtract(pixel_box(4, 3, 12, 8), pixel_box(5, 5, 11, 7)), BUTTON_INK)


def draw_download_button(c):
    head = polygon([(4.5, 4.0), (11.5, 4.0), (8.0, 7.5)])
    c.fill(union(pixel_box(7, 1, 9, 4), head, pixel_box(4, 8, 12, 9)), BUTTON_INK)


CHANNEL = (32, (32, 8, 4))
BUTTON = (16, (4,))

# id: (file, drawing, [(size, bit depths)])
ICONS = {
    207: ("tidelight.ico", draw_app, [(48, (32, 8, 4)), (32, (32, 8, 4)), (24, (32, 8, 4)), (16, (32, 8, 4))]),
    208: ("close.ico", draw_close, [BUTTON]),
    209: ("expand.ico", draw_expand, [BUTTON]),
    211: ("collapse.ico", draw_collapse, [BUTTON]),
    224: ("game.ico", draw_game, [CHANNEL]),
    225: ("internet.ico", draw_globe, [CHANNEL]),
    226: ("exclamation.ico", draw_exclamation, [CHANNEL]),
    227: ("calendar.ico", draw_calendar, [CHANNEL]),
    228: ("error.ico", draw_error, [CHANNEL]),
    230: ("download_button.ico", draw_download_button, [BUTTON]),
    231: ("download.ico", draw_download, [CHANNEL]),
    232: ("mail.ico", draw_mail, [CHANNEL]),
    233: ("star.ico", draw_star, [CHANNEL]),
    234: ("heart.ico", draw_heart, [CHANNEL]),
}


def render(icon_id, size, bits):
    """Straight-alpha pixels of one image of an icon."""
    canvas = Canvas(size, rich=bits > 4)
    ICONS[icon_id][1](canvas)
    return canvas.rgba8()


def build(icon_id):
    name, _, layout = ICONS[icon_id]
    images = []
    for size, depths in layout:
        for bits in depths:
            images.append((size, bits, render(icon_id, size, bits)))
    return name, ico(images)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)))
    parser.add_argument("--check", action="store_true", help="compare with the files on disk instead")
    parser.add_argument("ids", nargs="*", type=int, help="only these icon ids")
    args = parser.parse_args(argv)
    stale = []
    for icon_id in sorted(args.ids or ICONS):
        name, data = build(icon_id)
        path = os.path.join(args.out, name)
        if args.check:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(name)
            except OSError:
                stale.append(name)
        else:
            with open(path, "wb") as f:
                f.write(data)
            print("%d %s (%d bytes)" % (icon_id, name, len(data)))
    if stale:
        print("stale: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
