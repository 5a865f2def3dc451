#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Builds one level's background and basket front from its room drawing.

The room drawing (assets/img/levels/NAME.svg) is plain SVG, 320 x 480, with
two markers that this script fills from the level's numbers, so that the
picture agrees with the game's level table:

  <!--@grid WALL_Y TILE-->  the floor tiles as the level's 3D camera sees them
                            (the wind sign lies on that floor); WALL_Y is the
                            screen height (upwards) where floor meets wall
  <!--@basket-->            the waste basket: base centred at (basketX,
                            basketY), rim rimHeight above it, rimHalfWidth to
                            each side, its inside dark

The basket front image is cut from the finished background: the basket's
front wall plus the floor just below it, where a ball that dropped in comes
to rest, so the ball hides behind it exactly.

Usage:
  SCALE=N build-level.py LEVEL ROOM.svg BACKGROUND.png CANFRONT.png   (N pixels a point, default 1)
  build-level.py --overlay LEVEL OUT.svg   lines of the level's numbers, for checking
"""

import math
import os
import re
import subprocess
import sys
import tempfile

CONVERT = os.environ.get("CONVERT", "/usr/bin/convert")

# basketX, basketY, rimHalfWidth, rimHeight, floorDrop, basketDepth,
# cameraHeight, fieldOfView, and the basket's look: how round the rim shows
# (height / width of its ellipse) and how much narrower the bottom is.
LEVELS = [
    dict(x=160, y=183, rim_w=37, rim_h=30, drop=30, depth=8.282, cam=4.661, fov=43.357, round=0.32, taper=0.8),
    dict(x=162, y=271, rim_w=24, rim_h=30, drop=16, depth=12.625, cam=4.276, fov=43.357, round=0.26, taper=0.78),
    dict(x=160, y=322, rim_w=12, rim_h=16, drop=6, depth=28.476, cam=4.827, fov=43.357, round=0.2, taper=0.8),
    dict(x=160, y=166, rim_w=28, rim_h=36, drop=20, depth=10.099, cam=4.471, fov=45.0, round=0.3, taper=0.8),
    dict(x=161, y=221, rim_w=18, rim_h=18, drop=13, depth=19.483, cam=6.037, fov=43.357, round=0.28, taper=0.8),
]

# How far the rim bounce carries a ball that drops in: 28 across and 61 down
# at four times the ball's perspective scale at the basket (the level code's
# pop keys); the basket front must hide it there.
POP_ACROSS, POP_DOWN = 28, 61


def projector(lv):
    tilt = math.radians(90 - math.degrees(math.atan(lv["depth"] / lv["cam"])))
    t = math.tan(math.radians(lv["fov"] / 2))

    def project(x, z):
        # A floor point (x, 0, z) as the game draws the wind sign: moved to -z,
        # tilted and offset by the camera, then through the frustum.
        ey = z * math.sin(tilt) - lv["cam"]
        ez = -z * math.cos(tilt) - lv["depth"]
        return 160 + 160 * x / (-ez) / (t * 2 / 3), 240 - 240 * ey / (-ez) / t

    return project


def depth_at(project, svg_y, lv):
    # From just in front of the camera to far beyond the back wall.
    tilt = math.radians(90 - math.degrees(math.atan(lv["depth"] / lv["cam"])))
    lo, hi = -0.95 * lv["depth"] / math.cos(tilt), 2000.0
    for _ in range(80):
        mid = (lo + hi) / 2
        if project(0, mid)[1] > svg_y:
            lo = mid
        else:
            hi = mid
    return (lo + hi) / 2


def grid(lv, wall_y, tile):
    project = projector(lv)
    wall = 480 - wall_y
    z0, z1 = depth_at(project, 480, lv), depth_at(project, wall, lv)
    d = []
    k = math.ceil(z0 / tile)
    while k * tile < z1:
        d.append("M-40 %.1fH360" % project(0, k * tile)[1])
        k += 1
    for i in range(-60, 61):
        a, b = project((i + 0.5) * tile, z0), project((i + 0.5) * tile, z1)
        if max(a[0], b[0]) < -40 or min(a[0], b[0]) > 360:
            continue
        d.append("M%.1f %.1fL%.1f %.1f" % (a[0], a[1], b[0], b[1]))
    return '<path class="grid" d="%s"/>' % " ".join(d)


def shape(lv):
    cx = lv["x"]
    base = 480 - lv["y"]
    rim = base - lv["rim_h"]
    rx = lv["rim_w"]
    ry = max(1.5, rx * lv["round"])
    rxb = rx * lv["taper"]
    ryb = max(1.2, ry * lv["taper"])
    return cx, base, rim, rx, ry, rxb, ryb


def body_path(lv):
    cx, base, rim, rx, ry, rxb, ryb = shape(lv)
    return "M%.2f %.2fL%.2f %.2fA%.2f %.2f 0 0 0 %.2f %.2fL%.2f %.2fA%.2f %.2f 0 0 1 %.2f %.2fZ" % (
        cx - rx, rim, cx - rxb, base, rxb, ryb, cx + rxb, base, cx + rx, rim, rx, ry, cx - rx, rim)


def basket(lv):
    cx, base, rim, rx, ry, rxb, ryb = shape(lv)
    wire = max(0.8, rx / 30)
    out = ['<g class="basket">']
    # Shadow on the floor, the body, the wires of the mesh, the inside, the rim.
    out.append('<ellipse cx="%.2f" cy="%.2f" rx="%.2f" ry="%.2f" fill="#000" opacity="0.22"/>'
               % (cx + rx * 0.15, base + ryb * 0.3, rxb * 1.35, ryb * 1.5))
    out.append('<path d="%s" fill="#7d8a99"/>' % body_path(lv))
    lines = []
    for i in range(1, 12):
        a = math.pi * i / 12
        c, s = math.cos(a), math.sin(a)
        lines.append("M%.2f %.2fL%.2f %.2f" % (cx - rx * c, rim + ry * s, cx - rxb * c, base + ryb * s))
    for f in (0.33, 0.66):
        y = rim + (base - rim) * f
        w = rx + (rxb - rx) * f
        h = ry + (ryb - ry) * f
        lines.append("M%.2f %.2fA%.2f %.2f 0 0 0 %.2f %.2f" % (cx - w, y, w, h, cx + w, y))
    out.append('<path d="%s" fill="none" stroke="#56606c" stroke-width="%.2f"/>' % (" ".join(lines), wire))
    # Light from the upper left: the right side of the body darker.
    out.append('<path d="M%.2f %.2fL%.2f %.2fA%.2f %.2f 0 0 1 %.2f %.2fZ" fill="#000" opacity="0.15"/>'
               % (cx + rx * 0.45, rim + ry * 0.9, cx + rxb * 0.45, base + ryb * 0.9, rxb, ryb,
                  cx + rxb, base))
    out.append('<ellipse cx="%.2f" cy="%.2f" rx="%.2f" ry="%.2f" fill="#2f343b"/>' % (cx, rim, rx, ry))
    out.append('<ellipse cx="%.2f" cy="%.2f" rx="%.2f" ry="%.2f" fill="#474f59"/>'
               % (cx, rim + ry * 0.35, rx * 0.8, ry * 0.55))
    out.append('<ellipse cx="%.2f" cy="%.2f" rx="%.2f" ry="%.2f" fill="none" stroke="#c9d1da" stroke-width="%.2f"/>'
               % (cx, rim, rx, ry, max(1.2, rx / 12)))
    out.append("</g>")
    return "\n".join(out)


def ball_scale(lv):
    # The ball's perspective scale where it lands (the level code's formula).
    z = lv["depth"] + 0.01
    return z / (-3 - lv["depth"]) + 1


def front_box(lv):
    """Size of the basket front image: centred on the basket's base, even sides."""
    cx, base, rim, rx, ry, rxb, ryb = shape(lv)
    s = ball_scale(lv)
    r = 43 * s
    below = POP_DOWN * 4 * s - lv["rim_h"] + r + 2
    half_h = math.ceil(max(lv["rim_h"] + ry + 3, below, ryb + 3))
    half_w = math.ceil(rx + 3)
    return 2 * half_w, 2 * half_h


def front_mask(lv, w, h):
    """SVG, w x h, white where the basket front covers the ball."""
    cx, base, rim, rx, ry, rxb, ryb = shape(lv)
    s = ball_scale(lv)
    ox, oy = cx - w / 2, base - h / 2
    r = 43 * s
    below = POP_DOWN * 4 * s - lv["rim_h"] + r + 2
    # The front wall up to the near half of the rim, then the floor below the
    # basket as far as a dropped-in ball can go, narrowing like a shadow.
    pocket = "M%.2f %.2fL%.2f %.2fQ%.2f %.2f %.2f %.2fZ" % (
        cx - rxb - 1, base, cx + rxb + 1, base, cx, base + 2 * below, cx - rxb - 1, base)
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d">'
            '<g transform="translate(%.2f %.2f)" fill="#fff" stroke="#fff" stroke-width="1">'
            '<path d="%s"/><path d="%s"/></g></svg>' % (w, h, -ox, -oy, body_path(lv), pocket))


def expand(text, lv):
    text = text.replace("<!--@basket-->", basket(lv))

    def g(m):
        return grid(lv, float(m.group(1)), float(m.group(2)))

    return re.sub(r"<!--@grid ([0-9.]+) ([0-9.]+)-->", g, text)


def overlay(lv):
    """Lines of the level's numbers over its background, for checking by eye."""
    cx, base, rim = lv["x"], 480 - lv["y"], 480 - lv["y"] - lv["rim_h"]
    floor = base + lv["drop"]
    left, right = int(cx - lv["rim_w"]), int(cx + lv["rim_w"])
    w, h = front_box(lv)
    project = projector(lv)
    return "\n".join([
        '<svg xmlns="http://www.w3.org/2000/svg" width="320" height="480" font-family="DejaVu Sans" font-size="9">',
        '<path d="M0 %.1fH320" stroke="#ff00ff" stroke-dasharray="4 3"/>' % rim,
        '<text x="2" y="%.1f" fill="#ff00ff">rim line</text>' % (rim - 2),
        '<path d="M0 %.1fH320" stroke="#00c8ff" stroke-dasharray="4 3"/>' % floor,
        '<text x="2" y="%.1f" fill="#00c8ff">floor line</text>' % (floor + 10),
        '<path d="M%d %.1fV%.1fM%d %.1fV%.1f" stroke="#ffee00"/>' % (left, rim - 14, rim + 14, right, rim - 14, rim + 14),
        '<path d="M%.1f %.1fh16M%.1f %.1fv16" stroke="#ff2020" stroke-width="1.5"/>' % (cx - 8, base, cx, base - 8),
        '<rect x="%.1f" y="%.1f" width="%d" height="%d" fill="none" stroke="#20ff20" stroke-dasharray="2 2"/>'
        % (cx - w / 2, base - h / 2, w, h),
        '<path d="M%.1f %.1fh%.1f" stroke="#ffffff" stroke-width="3" opacity="0.7"/>'
        % (project(-0.3, 0)[0], project(0, 4.5)[1], project(0.3, 0)[0] - project(-0.3, 0)[0]),
        "</svg>",
    ])


def run(*cmd):
    subprocess.run(cmd, check=True)


def main():
    if sys.argv[1] == "--overlay":
        with open(sys.argv[3], "w") as f:
            f.write(overlay(LEVELS[int(sys.argv[2])]))
        return
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    lv = LEVELS[int(sys.argv[1])]
    room, bg_png, front_png = sys.argv[2:]
    # Pixels per point (whole): the same picture drawn for a denser screen.
    scale = int(os.environ.get("SCALE", "1"))
    with open(room) as f:
        svg = expand(f.read(), lv)
    for d in (os.path.dirname(bg_png), os.path.dirname(front_png)):
        os.makedirs(d, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        bg_svg = os.path.join(tmp, "bg.svg")
        with open(bg_svg, "w") as f:
            f.write(svg)
        run("rsvg-convert", "-z", str(scale), "-o", bg_png + ".tmp", bg_svg)
        os.replace(bg_png + ".tmp", bg_png)
        w, h = front_box(lv)
        mask_svg = os.path.join(tmp, "mask.svg")
        with open(mask_svg, "w") as f:
            f.write(front_mask(lv, w, h))
        mask_png = os.path.join(tmp, "mask.png")
        run("rsvg-convert", "-z", str(scale), "-b", "black", "-o", mask_png, mask_svg)
        x0 = lv["x"] - w // 2
        y0 = 480 - lv["y"] - h // 2
        box = (w * scale, h * scale, x0 * scale, y0 * scale)
        run(CONVERT, bg_png, "-crop", "%dx%d+%d+%d" % box, "+repage",
            mask_png, "-alpha", "off", "-compose", "CopyOpacity", "-composite",
            "-define", "png:exclude-chunks=date,time", "PNG32:" + front_png + ".tmp")
        os.replace(front_png + ".tmp", front_png)


if __name__ == "__main__":
    main()
