#!/usr/bin/python3
"""Draws the program's icon (a parcel with a magnifier over it) and writes

  quorvel.ico          the window and executable icon: 32x32 at 1 bit, 48x48 at 4 bits,
                       16/32/48 at 8 bits, 16/32/48/128 at 32 bits (nine images)
  quorvel-<N>.png      N = 16, 32, 48, 64, 128, 256, for the Linux desktop

The generated files are committed, so the build does not need Python. Run it again after changing
the picture:  resources/icons/make-icons.py   (Debian's python3 with python3-pil)

The ICO container is written here rather than by Pillow because Pillow only writes 32-bit entries,
while Windows falls back to the palette images on displays and remote sessions with fewer colours.
"""

import struct
import sys
from pathlib import Path

from PIL import Image, ImageDraw

HERE = Path(__file__).resolve().parent

# (pixels, bits per pixel), in the order they appear in the file: the palette images first, as the
# Windows resource compiler's own icons do, then the true-colour ones from small to large.
ICO_IMAGES = [(32, 1), (48, 4), (16, 8), (32, 8), (48, 8), (16, 32), (32, 32), (48, 32), (128, 32)]
PNG_SIZES = [16, 32, 48, 64, 128, 256]

COLOUR = {
    "top": (245, 186, 104),
    "left": (219, 139, 58),
    "right": (178, 103, 40),
    "edge": (92, 51, 16),
    "tape": (252, 229, 178),
    "tape_shade": (226, 194, 135),
    "ring": (21, 101, 216),
    "ring_edge": (11, 46, 102),
    "lens": (214, 234, 255),
    "glint": (255, 255, 255),
    "handle": (13, 60, 133),
}
# The monochrome image is line art: white faces, black lines.
MONO = {
    "top": (255, 255, 255),
    "left": (255, 255, 255),
    "right": (255, 255, 255),
    "edge": (0, 0, 0),
    "tape": (0, 0, 0),
    "tape_shade": (0, 0, 0),
    "ring": (0, 0, 0),
    "ring_edge": (0, 0, 0),
    "lens": (255, 255, 255),
    "glint": (255, 255, 255),
    "handle": (0, 0, 0),
}


def draw(size, colours=COLOUR, mono=False):
    """The picture at `size` pixels, straight (not premultiplied) RGBA."""
    scale = max(8, 1024 // size)  # supersampling, then one downscale
    canvas = size * scale
    img = Image.new("RGBA", (canvas, canvas), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)

    def p(x, y):
        return (x * canvas, y * canvas)

    # Lines must stay at least one real pixel wide at 16 px, so their width has a floor in pixels.
    def width(fraction, floor_px):
        return int(round(max(fraction * size, floor_px) * scale))

    edge_w = width(0.035, 1.0 if not mono else 1.4)

    # The box, seen from above-front: top face, left face, right face.
    a, b, c, dd = (0.06, 0.30), (0.46, 0.13), (0.86, 0.30), (0.46, 0.47)
    a2, dd2, c2 = (0.06, 0.76), (0.46, 0.93), (0.86, 0.76)
    top = [p(*a), p(*b), p(*c), p(*dd)]
    left = [p(*a), p(*dd), p(*dd2), p(*a2)]
    right = [p(*dd), p(*c), p(*c2), p(*dd2)]
    d.polygon(top, fill=colours["top"] + (255,))
    d.polygon(left, fill=colours["left"] + (255,))
    d.polygon(right, fill=colours["right"] + (255,))

    # The tape runs across the lid, parallel to the back edges, and down the left face (the right
    # one is behind the magnifier).
    half = 0.06 if not mono else 0.04

    def lerp(u, v, t):
        return (u[0] + (v[0] - u[0]) * t, u[1] + (v[1] - u[1]) * t)

    along_ad = (dd[0] - a[0], dd[1] - a[1])
    t = half / (along_ad[0] ** 2 + along_ad[1] ** 2) ** 0.5
    seam0, seam1 = lerp(a, dd, 0.5 - t), lerp(a, dd, 0.5 + t)
    far0, far1 = lerp(b, c, 0.5 - t), lerp(b, c, 0.5 + t)
    drop = 0.20
    d.polygon([p(*seam0), p(*far0), p(*far1), p(*seam1)], fill=colours["tape"] + (255,))
    d.polygon([p(*seam0), p(*seam1), p(seam1[0], seam1[1] + drop), p(seam0[0], seam0[1] + drop)],
              fill=colours["tape_shade"] + (255,))

    # Box edges, drawn over the faces so the silhouette stays crisp.
    outline = [p(*a), p(*b), p(*c), p(*c2), p(*dd2), p(*a2), p(*a)]
    d.line(outline, fill=colours["edge"] + (255,), width=edge_w, joint="curve")
    d.line([p(*a), p(*dd), p(*c)], fill=colours["edge"] + (255,), width=edge_w, joint="curve")
    d.line([p(*dd), p(*dd2)], fill=colours["edge"] + (255,), width=edge_w)

    # The magnifier over the lower right: what the program does is look a parcel up.
    cx, cy, r = 0.68, 0.64, 0.20
    ring_w = width(0.075, 1.2 if not mono else 1.6)
    handle_w = width(0.11, 1.8)
    hx0, hy0 = cx + r * 0.62, cy + r * 0.62
    hx1, hy1 = 0.95, 0.95
    d.line([p(hx0, hy0), p(hx1, hy1)], fill=colours["handle"] + (255,), width=handle_w)
    # Round end of the handle.
    hr = handle_w / 2
    d.ellipse([hx1 * canvas - hr, hy1 * canvas - hr, hx1 * canvas + hr, hy1 * canvas + hr],
              fill=colours["handle"] + (255,))
    outer = [p(cx - r, cy - r), p(cx + r, cy + r)]
    d.ellipse(outer, fill=colours["ring_edge"] + (255,))
    rim = 0.012 * canvas if size >= 32 else 0
    d.ellipse([outer[0][0] + rim, outer[0][1] + rim, outer[1][0] - rim, outer[1][1] - rim],
              fill=colours["ring"] + (255,))
    inner = ring_w
    d.ellipse([outer[0][0] + inner, outer[0][1] + inner, outer[1][0] - inner, outer[1][1] - inner],
              fill=colours["lens"] + (255,))
    if size >= 32 and not mono:
        # A glint on the lens; at 16 px it would only blur the ring.
        gr = r * 0.55
        d.arc([p(cx - gr, cy - gr), p(cx + gr, cy + gr)], start=190, end=260, fill=colours["glint"] + (255,),
              width=width(0.03, 1.0))

    return img.resize((size, size), Image.LANCZOS)


def mask_rows(alpha, size):
    """AND mask, bottom-up, 1 = transparent, rows padded to 32 bits."""
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if alpha[y * size + x] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def palette_image(rgba, colours):
    """Indices into a palette of `colours` entries whose entry 0 is black: that is what transparent
    pixels hold, so that drawing XOR over the AND-masked screen leaves it unchanged."""
    size = rgba.width
    alpha = list(rgba.getchannel("A").getdata())
    rgb = rgba.convert("RGB")
    pixels = list(rgb.getdata())
    opaque = [px for px, a in zip(pixels, alpha) if a >= 128]
    sample = Image.new("RGB", (len(opaque), 1))
    sample.putdata(opaque)
    reduced = sample.quantize(colors=colours - 1, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    used = reduced.getpalette()[: 3 * (colours - 1)]
    used += [0] * (3 * (colours - 1) - len(used))
    palette = [0, 0, 0] + used
    palette_holder = Image.new("P", (1, 1))
    palette_holder.putpalette(palette + [0] * (768 - len(palette)))
    indexed = rgb.quantize(palette=palette_holder, dither=Image.Dither.NONE)
    indices = [i if a >= 128 else 0 for i, a in zip(indexed.getdata(), alpha)]
    entries = [tuple(palette[3 * i: 3 * i + 3]) for i in range(colours)]
    return indices, entries, alpha, size


def mono_image(rgba):
    size = rgba.width
    alpha = list(rgba.getchannel("A").getdata())
    grey = list(rgba.convert("L").getdata())
    indices = [(1 if g >= 128 else 0) if a >= 128 else 0 for g, a in zip(grey, alpha)]
    return indices, [(0, 0, 0), (255, 255, 255)], alpha, size


def dib_palette(indices, entries, alpha, size, bits):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, len(entries), 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in entries)
    stride = ((size * bits + 31) // 32) * 4
    per_byte = 8 // bits
    xor = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            shift = (per_byte - 1 - x % per_byte) * bits
            row[x // per_byte] |= indices[y * size + x] << shift
        xor += row
    body = bytes(xor) + mask_rows(alpha, size)
    header = header[:20] + struct.pack("<I", len(body)) + header[24:]
    return header + pal + body


def dib_truecolour(rgba):
    size = rgba.width
    data = list(rgba.getdata())
    alpha = [px[3] for px in data]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = data[y * size + x]
            xor += bytes((b, g, r, a)) if a else bytes(4)
    body = bytes(xor) + mask_rows(alpha, size)
    header = header[:20] + struct.pack("<I", len(body)) + header[24:]
    return header + body


def ico(images):
    """ICONDIR, one ICONDIRENTRY per image, then the DIBs."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, bits, blob in images:
        colour_count = 1 << bits if bits < 8 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0, 1, bits, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)


def main():
    images = []
    for size, bits in ICO_IMAGES:
        if bits == 1:
            blob = dib_palette(*mono_image(draw(size, MONO, mono=True)), 1)
        elif bits in (4, 8):
            blob = dib_palette(*palette_image(draw(size), 1 << bits), bits)
        else:
            blob = dib_truecolour(draw(size))
        images.append((size, bits, blob))
    (HERE / "quorvel.ico").write_bytes(ico(images))
    for size in PNG_SIZES:
        draw(size).save(HERE / f"quorvel-{size}.png", optimize=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
