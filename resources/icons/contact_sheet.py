#!/usr/bin/env python3
"""Renders every image of every icon into one PNG for inspection.

    python3 resources/icons/contact_sheet.py [OUTPUT.png]

The .ico files are decoded by ImageMagick's `convert`, not by our own code,
so the sheet shows what another reader makes of them. Each row is one icon
size with its 32-, 8- and 4-bit images side by side, repeated on a light and
a dark background and on the six panel colour schemes at the place where the
panel draws that icon; below are the six panels themselves, with their
channel icon and buttons, and a magnified button column for each.
"""

import colorsys
import os
import struct
import subprocess
import sys
import zlib

sys.dont_write_bytecode = True  # no cache files beside the committed icons
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_icons  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SCALE = 3
GAP = 6
LABEL_WIDTH = 150

# Start and end colours of the panel's schemes, in their index order.
SCHEMES = [
    ((0, 178, 255), (0, 85, 121)),
    ((153, 255, 0), (64, 106, 0)),
    ((0, 178, 255), (123, 184, 211)),
    ((213, 149, 213), (123, 86, 123)),
    ((204, 204, 204), (102, 102, 102)),
    ((255, 255, 255), (224, 224, 224)),
]
LIGHT = (244, 244, 244)
DARK = (32, 34, 37)
DESKTOP = (58, 110, 165)
PANEL_W = 300


def _trunc_div(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b > 0) else -q


def _luminance(colour, delta):
    h, l, s = colorsys.rgb_to_hls(*[c / 255.0 for c in colour])
    l = l * 240.0 + delta
    if l > 240.0:
        l = 230.0
    if l < 0.0:
        l = 25.0
    return tuple(int(round(c * 255.0)) for c in colorsys.hls_to_rgb(h, l / 240.0, s))


def panel(scheme, height):
    """The panel's background as it paints it: gradient and bevel lines."""
    start, end = SCHEMES[scheme]
    img = [[(0, 0, 0)] * PANEL_W for _ in range(height)]
    for j in range(height):
        for x in range(PANEL_W):
            i = x // 2
            out = []
            for s, e in zip(start, end):
                top = s + _trunc_div(i * (e - s), 256)
                out.append(top + _trunc_div(j * (e - top), 256))
            img[j][x] = tuple(out)
    hi = _luminance(start, 40)
    lo = _luminance(end, -20)

    def hline(y, x0, x1, c):
        for x in range(x0, x1 + 1):
            img[y][x] = c

    def vline(x, y0, y1, c):
        for y in range(y0, y1 + 1):
            img[y][x] = c

    h = height
    hline(0, 0, 286, hi)
    vline(0, 0, h - 2, hi)
    vline(287, 0, h - 1, lo)
    hline(h - 1, 0, 287, lo)
    hline(0, 288, 298, hi)
    vline(288, 0, h - 2, hi)
    vline(299, 0, h - 1, lo)
    hline(h - 1, 288, 299, lo)
    return img


def decode(path):
    """[(size, bits, rgba rows)] for every image, via ImageMagick."""
    with open(path, "rb") as f:
        data = f.read()
    count = struct.unpack_from("<H", data, 4)[0]
    images = []
    for k in range(count):
        width, _, _, _, _, bits, _, _ = struct.unpack_from("<BBBBHHII", data, 6 + 16 * k)
        size = width or 256
        raw = subprocess.run(
            ["convert", "%s[%d]" % (path, k), "-depth", "8", "rgba:-"], check=True, capture_output=True
        ).stdout
        if len(raw) != size * size * 4:
            raise SystemExit("%s[%d]: expected %d bytes, got %d" % (path, k, size * size * 4, len(raw)))
        pixels = [tuple(raw[k : k + 4]) for k in range(0, len(raw), 4)]
        rows = [pixels[y * size : (y + 1) * size] for y in range(size)]
        images.append((size, bits, rows))
    return images


class Sheet:
    def __init__(self, width, height, colour=(200, 200, 200)):
        self.w = width
        self.h = height
        self.rows = [bytearray(bytes(colour) * width) for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.rows[y][x * 3 : x * 3 + 3] = bytes(colour)

    def block(self, x, y, img, scale):
        for j, row in enumerate(img):
            for i, c in enumerate(row):
                for dy in range(scale):
                    for dx in range(scale):
                        self.put(x + i * scale + dx, y + j * scale + dy, c[:3])

    def png(self, path):
        raw = b"".join(b"\0" + bytes(r) for r in self.rows)

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
            f.write(chunk(b"IEND", b""))


def over(background, icon):
    out = []
    for bg_row, ic_row in zip(background, icon):
        row = []
        for b, c in zip(bg_row, ic_row):
            a = c[3] / 255.0
            row.append(tuple(int(round(c[k] * a + b[k] * (1.0 - a))) for k in range(3)))
        out.append(row)
    return out


def crop(img, x, y, w, h, fill=DESKTOP):
    return [
        [img[j][i] if 0 <= j < len(img) and 0 <= i < len(img[0]) else fill for i in range(x, x + w)]
        for j in range(y, y + h)
    ]


def place(icon_id):
    """Where the panel draws this icon: (x, y)."""
    return {208: (286, 1), 209: (286, 13), 211: (286, 13), 230: (286, 25)}.get(icon_id, (10, 10))


TILE = 96  # every image is magnified to about this size
ORDER = [207, 224, 225, 226, 227, 228, 231, 232, 233, 234, 208, 209, 211, 230]
BACKGROUNDS = ["light", "dark"] + ["scheme %d" % s for s in range(len(SCHEMES))]
# Channel icon shown on each sample panel, and its texts.
SAMPLES = [207, 233, 234, 226, 228, 231]
SAMPLE_TEXT = ("Channel title", "A headline that wraps onto a second line of the panel",
               "The description, in the regular font, only in the full layout.")


class Label:
    def __init__(self, x, y, text, fill="black", size=13, bold=False):
        self.x, self.y, self.text, self.fill, self.size, self.bold = x, y, text, fill, size, bold


def wrap(text, width):
    lines = [""]
    for word in text.split():
        if lines[-1] and len(lines[-1]) + 1 + len(word) > width:
            lines.append("")
        lines[-1] = (lines[-1] + " " + word).strip()
    return lines


def paint_icon(img, icon, x, y):
    n = len(icon)
    painted = over(crop(img, x, y, n, n), icon)
    for j in range(n):
        for i in range(n):
            if 0 <= y + j < len(img) and 0 <= x + i < PANEL_W:
                img[y + j][x + i] = painted[j][i]


def text_colour(scheme):
    return (144, 144, 144) if scheme == 5 else _luminance(SCHEMES[scheme][0], 100)


def main(argv):
    out = argv[0] if argv else os.path.join(HERE, "..", "..", "build", "icons-contact-sheet.png")
    panels = [panel(s, 150) for s in range(len(SCHEMES))]
    decoded = {}
    rows = []  # (label, icon id, size, [(bits, rgba rows)])
    for icon_id in ORDER:
        name = make_icons.ICONS[icon_id][0]
        decoded[icon_id] = decode(os.path.join(HERE, name))
        for size in sorted({s for s, _, _ in decoded[icon_id]}, reverse=True):
            images = [(b, px) for s, b, px in decoded[icon_id] if s == size]
            bits = "/".join(str(b) for b, _ in images)
            rows.append(("%d %s" % (icon_id, name[:-4]), "%d px, %s bit" % (size, bits), icon_id, size, images))

    cell_w = 3 * (TILE + GAP) + 2 * GAP
    header = 26
    panel_block_w = 2 * PANEL_W + 2 * (26 * 6 + GAP) + 3 * GAP
    width = max(LABEL_WIDTH + cell_w * len(BACKGROUNDS), LABEL_WIDTH + 2 * panel_block_w)
    panels_h = 3 * (2 * 150 + 3 * GAP)
    height = header + len(rows) * (TILE + GAP) + 2 * GAP + panels_h
    sheet = Sheet(width, height)
    labels = [Label(LABEL_WIDTH + k * cell_w + GAP, 18, name) for k, name in enumerate(BACKGROUNDS)]

    y = header
    for label, detail, icon_id, size, images in rows:
        labels.append(Label(6, y + TILE // 2 - 4, label))
        labels.append(Label(6, y + TILE // 2 + 12, detail))
        scale = TILE // size
        px, py = place(icon_id)
        for k, name in enumerate(BACKGROUNDS):
            x = LABEL_WIDTH + k * cell_w + GAP
            for _, img in images:
                if name == "light":
                    bg = [[LIGHT] * size for _ in range(size)]
                elif name == "dark":
                    bg = [[DARK] * size for _ in range(size)]
                else:
                    bg = crop(panels[int(name.split()[1])], px, py, size, size)
                sheet.block(x, y, over(bg, img), scale)
                x += TILE + GAP
        y += TILE + GAP

    # Sample panels at twice their size as the panel paints them, each with
    # its button column magnified six times in both layouts' versions.
    y += 2 * GAP
    for s in range(len(SCHEMES)):
        x = LABEL_WIDTH + (s % 2) * panel_block_w
        top = y + (s // 2) * (2 * 150 + 3 * GAP)
        columns = []
        for layout_icon in (211, 209):
            img = [list(r) for r in panels[s]]
            icon = [px for size, bits, px in decoded[SAMPLES[s]] if size == 32 and bits == 32][0]
            paint_icon(img, icon, 10, 10)
            for icon_id in (208, layout_icon, 230):
                paint_icon(img, decoded[icon_id][0][2], *place(icon_id))
            if layout_icon == 211:
                sheet.block(x, top, [row + [DESKTOP] * 8 for row in img], 2)
            columns.append(crop([row + [DESKTOP] * 4 for row in img], 278, 0, 26, 44))
        for k, column in enumerate(columns):
            sheet.block(x + 2 * PANEL_W + 2 * 8 + GAP + k * (26 * 6 + GAP), top, column, 6)
        # The texts in their rectangles, roughly: our fonts are not the
        # panel's, only its colours are.
        colour = "rgb(%d,%d,%d)" % text_colour(s)
        title = wrap(SAMPLE_TEXT[1], 34)
        description = wrap(SAMPLE_TEXT[2], 44)
        texts = [(50, 10, "black", True, SAMPLE_TEXT[0])]
        texts += [(50, 25 + 11 * k, colour, True, line) for k, line in enumerate(title)]
        texts += [(15, 65 + 11 * k, colour, False, line) for k, line in enumerate(description)]
        for tx, ty, fill, bold, text in texts:
            labels.append(Label(x + 2 * tx, top + 2 * ty + 20, text, fill, 21, bold))
        if s % 2 == 0:
            labels.append(Label(6, top + 150, "schemes %d, %d" % (s, s + 1)))

    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    sheet.png(out)
    args = ["convert", out]
    for label in labels:
        args += ["-font", "DejaVu-Sans-Bold" if label.bold else "DejaVu-Sans", "-pointsize", str(label.size)]
        args += ["-fill", label.fill, "-annotate", "+%d+%d" % (label.x, label.y), label.text]
    subprocess.run(args + [out], check=True)
    print(out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
