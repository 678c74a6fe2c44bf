#!/usr/bin/env python3
"""Draws vellum's icon, a blue parcel tied with a red ribbon, and writes it as
a Windows .ico with a 32x32 and a 16x16 image in the 16 standard colours.

    make_icon.py OUTPUT.ico

The parcel is a cube seen from above at the usual 2:1 slope, so the same
drawing code gives both sizes; change the colours or the ribbon below.
"""
import struct
import sys

# The 16 standard colours of 4-bit Windows images, in their usual order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, NAVY, RED, BLUE, AQUA = 0, 1, 4, 9, 12, 14
TRANSPARENT = None

# Face colours: lit top, left side, shaded right side; the ribbon the same way.
FACES = {"top": (AQUA, RED), "left": (BLUE, RED), "right": (NAVY, MAROON)}
RIBBON_HALF_WIDTH = 0.11  # as a share of the face's width


def face_coordinates(origin, u_end, v_end, x, y):
    """(u, v) of point (x, y) on the parallelogram origin + u*(u_end-origin) + v*(v_end-origin)."""
    ax, ay = u_end[0] - origin[0], u_end[1] - origin[1]
    bx, by = v_end[0] - origin[0], v_end[1] - origin[1]
    px, py = x - origin[0], y - origin[1]
    det = ax * by - ay * bx
    return (px * by - py * bx) / det, (ax * py - ay * px) / det


def draw(size):
    """Rows of palette indexes (or TRANSPARENT), top row first."""
    # Corners on whole pixels, so the 2:1 edges step evenly at both sizes.
    rise = size / 4  # the top face's half-height
    mid = size / 2
    top, left, right = (mid, 0), (0, rise), (size, rise)
    centre = (mid, 2 * rise)
    bottom_left = (0, size - rise)
    bottom = (mid, size)
    # Each face: origin, end of u, end of v, and whether the ribbon crosses it
    # along u and v (the top has both bands, each side one upright band).
    faces = [
        ("top", left, top, centre, True),
        ("left", left, centre, bottom_left, False),
        ("right", centre, right, bottom, False),
    ]
    image = []
    for row in range(size):
        line = []
        for col in range(size):
            x, y = col + 0.5, row + 0.5
            colour = TRANSPARENT
            for name, origin, u_end, v_end, crossed in faces:
                u, v = face_coordinates(origin, u_end, v_end, x, y)
                if 0 <= u <= 1 and 0 <= v <= 1:
                    on_ribbon = abs(u - 0.5) < RIBBON_HALF_WIDTH or (
                        crossed and abs(v - 0.5) < RIBBON_HALF_WIDTH)
                    colour = FACES[name][1 if on_ribbon else 0]
                    break
            line.append(colour)
        image.append(line)
    # Outline: every drawn pixel next to a transparent one, or at the border.
    outlined = [list(line) for line in image]
    for row in range(size):
        for col in range(size):
            if image[row][col] is TRANSPARENT:
                continue
            for dr, dc in ((-1, 0), (1, 0), (0, -1), (0, 1)):
                r, c = row + dr, col + dc
                if not (0 <= r < size and 0 <= c < size) or image[r][c] is TRANSPARENT:
                    outlined[row][col] = BLACK
                    break
    return outlined


def bitmap(image):
    """One icon image: header, palette, 4-bit colours and 1-bit mask, rows bottom-up."""
    size = len(image)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colours, mask = b"", b""
    for line in reversed(image):
        nibbles = [0 if c is TRANSPARENT else c for c in line]
        row = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colours += row + b"\0" * (-len(row) % 4)
        bits = 0
        for c in line:
            bits = (bits << 1) | (c is TRANSPARENT)
        row = bits.to_bytes(size // 8, "big")
        mask += row + b"\0" * (-len(row) % 4)
    return header + palette + colours + mask


def icon_file(sizes):
    images = [bitmap(draw(size)) for size in sizes]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, data in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file([32, 16]))


if __name__ == "__main__":
    main()
