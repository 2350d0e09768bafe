#!/usr/bin/env python3
"""Draws the toolbar button's pictures: an open padlock, anti-aliased.

Writes into the folder given as the only argument:
  padlock_blue.png, padlock_blue_light.png, padlock_red.png, padlock_red_light.png
      32x32 RGBA pictures (PNG resources 210, 211, 220, 212);
  padlock_blue.ico   16, 32, 48, 64 and 128 pixel images (icon group 203);
  padlock_red.ico    16, 32, 48 and 64 pixel images (icon group 209);
the icons with 256 colours and a transparency mask.

Shapes are signed distance functions in a 32-unit design square; a pixel's
coverage comes from its distance to the edge, which gives smooth edges at every
size. Only the standard library is used, and the output is the same on every run.
"""
import math
import struct
import sys
import zlib
from pathlib import Path

DESIGN = 32.0

COLOURS = {
    "blue": (34, 102, 204),
    "blue_light": (96, 160, 240),
    "red": (198, 40, 40),
    "red_light": (240, 106, 106),
}

# What an icon's half-covered edge pixels are blended with: the face colour of
# a toolbar, where the icons are shown.
ICON_BACKDROP = (240, 240, 240)


def clamp01(value):
    return 0.0 if value < 0.0 else 1.0 if value > 1.0 else value


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def lighter(colour, t):
    return mix(colour, (255, 255, 255), t)


def darker(colour, t):
    return mix(colour, (0, 0, 0), t)


# Signed distances in design units: negative inside, positive outside.

def rounded_rect(x, y, cx, cy, half_w, half_h, radius):
    qx = abs(x - cx) - (half_w - radius)
    qy = abs(y - cy) - (half_h - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def segment(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = clamp01(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def upper_arc(x, y, cx, cy, radius):
    """Distance to the upper half of a circle (y grows downwards)."""
    if y <= cy:
        return abs(math.hypot(x - cx, y - cy) - radius)
    return min(math.hypot(x - cx + radius, y - cy), math.hypot(x - cx - radius, y - cy))


# The padlock. The shackle is lifted out of the body on its left: the lock is open.
SHACKLE_CENTRE = (16.0, 8.5)
SHACKLE_RADIUS = 5.6
SHACKLE_HALF_WIDTH = 1.9
SHACKLE_LEFT_END = 11.2
SHACKLE_RIGHT_END = 17.0
BODY = (16.0, 22.0, 9.6, 7.6, 3.0)
OUTLINE = 1.0


def shackle(x, y):
    cx, cy = SHACKLE_CENTRE
    left, right = cx - SHACKLE_RADIUS, cx + SHACKLE_RADIUS
    centre_line = min(upper_arc(x, y, cx, cy, SHACKLE_RADIUS),
                      segment(x, y, left, cy, left, SHACKLE_LEFT_END),
                      segment(x, y, right, cy, right, SHACKLE_RIGHT_END))
    return centre_line - SHACKLE_HALF_WIDTH


def body(x, y):
    return rounded_rect(x, y, *BODY)


def keyhole(x, y):
    return min(math.hypot(x - 16.0, y - 20.4) - 2.1, segment(x, y, 16.0, 21.0, 16.0, 25.4) - 1.0)


def highlight(x, y):
    return rounded_rect(x, y, 16.0, 16.9, 7.4, 0.9, 0.9)


def coverage(distance_px):
    return clamp01(0.5 - distance_px)


def over(dst, colour, alpha):
    """Source-over compositing on premultiplied (r, g, b, a) floats."""
    r, g, b, a = dst
    keep = 1.0 - alpha
    return (colour[0] * alpha + r * keep, colour[1] * alpha + g * keep,
            colour[2] * alpha + b * keep, alpha + a * keep)


def outlined(base_fill, edge, distance_px, outline_px):
    """Colour and alpha of a shape with an edge line inside its outline."""
    alpha = coverage(distance_px)
    fill_share = coverage(distance_px + outline_px)
    return mix(edge, base_fill, fill_share), alpha


def render(size, base):
    scale = size / DESIGN
    metal = mix(darker(base, 0.1), (150, 158, 168), 0.45)
    metal_edge = darker(metal, 0.45)
    body_edge = darker(base, 0.45)
    top, bottom = lighter(base, 0.28), darker(base, 0.18)
    hole = darker(base, 0.65)
    pixels = []
    for row in range(size):
        for col in range(size):
            x, y = (col + 0.5) / scale, (row + 0.5) / scale
            px = (0.0, 0.0, 0.0, 0.0)
            colour, alpha = outlined(metal, metal_edge, shackle(x, y) * scale, OUTLINE * scale)
            px = over(px, colour, alpha)
            gradient = mix(top, bottom, clamp01((y - (BODY[1] - BODY[3])) / (2 * BODY[3])))
            colour, alpha = outlined(gradient, body_edge, body(x, y) * scale, OUTLINE * scale)
            px = over(px, colour, alpha)
            px = over(px, (255, 255, 255), 0.35 * coverage(highlight(x, y) * scale))
            px = over(px, hole, coverage(keyhole(x, y) * scale))
            pixels.append(px)
    return pixels


def straight_rgba(px):
    r, g, b, a = px
    if a <= 0.0:
        return (0, 0, 0, 0)
    return tuple(int(round(min(255.0, c / a))) for c in (r, g, b)) + (int(round(a * 255.0)),)


def png(size, pixels):
    rows = b""
    for row in range(size):
        rows += b"\x00" + b"".join(bytes(straight_rgba(p)) for p in pixels[row * size:(row + 1) * size])

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) +
            chunk(b"IEND", b""))


def median_cut(colours, count):
    """Up to `count` representative colours of a {colour: weight} table."""
    boxes = [list(colours.items())]
    while len(boxes) < count:
        spans = []
        for box in boxes:
            if len(box) < 2:
                spans.append(-1)
                continue
            spans.append(max(max(c[0][i] for c in box) - min(c[0][i] for c in box) for i in range(3)))
        widest = max(range(len(boxes)), key=lambda i: spans[i])
        if spans[widest] <= 0:
            break
        box = boxes.pop(widest)
        channel = max(range(3), key=lambda i: max(c[0][i] for c in box) - min(c[0][i] for c in box))
        box.sort(key=lambda c: c[0][channel])
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    palette = []
    for box in boxes:
        weight = sum(w for _, w in box)
        palette.append(tuple(int(round(sum(c[i] * w for c, w in box) / weight)) for i in range(3)))
    return palette


def icon_image(size, pixels):
    """One 256-colour icon image: header, palette, colour rows, mask rows."""
    opaque = []
    for px in pixels:
        r, g, b, a = px
        if a < 0.5:
            opaque.append(None)
        else:
            # Half-covered edge pixels are blended with the toolbar's face colour.
            opaque.append(tuple(int(round(c + bd * (1.0 - a))) for c, bd in zip((r, g, b), ICON_BACKDROP)))
    weights = {}
    for colour in opaque:
        if colour is not None:
            weights[colour] = weights.get(colour, 0) + 1
    palette = list(weights) if len(weights) <= 256 else median_cut(weights, 256)
    nearest = {colour: min(range(len(palette)),
                           key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, palette[i])))
               for colour in weights}
    palette += [(0, 0, 0)] * (256 - len(palette))

    colour_stride = (size + 3) & ~3
    mask_stride = ((size + 31) // 32) * 4
    colour_rows, mask_rows = b"", b""
    for row in reversed(range(size)):
        line = opaque[row * size:(row + 1) * size]
        colour_rows += bytes(nearest[c] if c is not None else 0 for c in line).ljust(colour_stride, b"\x00")
        bits = bytearray(mask_stride)
        for col, c in enumerate(line):
            if c is None:
                bits[col // 8] |= 0x80 >> (col % 8)
        mask_rows += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, len(colour_rows) + len(mask_rows), 0, 0, 256, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + table + colour_rows + mask_rows


def ico(base, sizes):
    images = [icon_image(size, render(size, base)) for size in sizes]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, image in zip(sizes, images):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 8, len(image), offset)
        offset += len(image)
    return directory + b"".join(images)


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, colour in COLOURS.items():
        (out / f"padlock_{name}.png").write_bytes(png(32, render(32, colour)))
    (out / "padlock_blue.ico").write_bytes(ico(COLOURS["blue"], [16, 32, 48, 64, 128]))
    (out / "padlock_red.ico").write_bytes(ico(COLOURS["red"], [16, 32, 48, 64]))


if __name__ == "__main__":
    main()
