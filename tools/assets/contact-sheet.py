#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Pictures for looking over the art.

  contact-sheet.py RESOURCES OUTDIR

writes OUTDIR/contact-sheet.png (every image of the resource folder with its
name and size, its 1x, 2x and 3x sets side by side on one row) and OUTDIR/level-N-NAME.png, one per level: on the left the
scene put together as the game places it (background, basket front,
foregrounds, the first frame of each fan), on the right the background with
the level's numbers drawn over it: basket centre (red cross), rim edges
(yellow), rim line (magenta), floor line (cyan), the basket front's frame
(green) and where the wind sign lies on the floor (white bar).
"""

import glob
import importlib.util
import os
import subprocess
import sys
import tempfile

CONVERT = os.environ.get("CONVERT", "/usr/bin/convert")
MONTAGE = os.path.join(os.path.dirname(CONVERT), "montage")
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
HERE = os.path.dirname(os.path.abspath(__file__))

# Per level: background, basket front, basket (x, y), foregrounds with their
# centres, fans (image, frame size, centre) -- the game's level table, in
# screen units with y upwards.
SCENES = [
    ("Level1", "CanFront_L1", (160, 183), [("Level1_foreground", (160, 240))],
     [("fan_l1l2_left", (121, 198), (31, 58)), ("fan_l1l2_right", (121, 198), (292, 66))]),
    ("Level2", "CanFront_L2", (162, 271),
     [("Level2_Computer", (160, 240)), ("Level2_foreground", (160, 240))],
     [("fan_l1l2_left", (121, 198), (7, 78)), ("fan_l1l2_right", (121, 198), (314, 80))]),
    ("Level3", "CanFront_L3", (160, 322), [("Front_desks_L3", (160, 240))],
     [("Far_fan_Left", (121, 198), (40, 324)), ("Far_fan_Right", (121, 198), (290, 322))]),
    ("Airport", "Airport_Canfront", (160, 166), [],
     [("fan_l1l2_left", (121, 198), (24, 35)), ("fan_l1l2_right", (121, 198), (304, 35))]),
    ("Basement", "canfront_basement", (161, 221), [("Basement_foreground", (160, 284))],
     [("Fan_Bmt_L", (28, 79), (14, 224)), ("Fan_Bmt_R", (63, 134), (290, 171))]),
]


def size(path):
    out = subprocess.run(["identify", "-format", "%w %h", path], check=True, capture_output=True, text=True)
    w, h = out.stdout.split()
    return int(w), int(h)


def at(path, centre, frame=None):
    """convert arguments that paint an image (or its first frame) centred at a screen point."""
    w, h = frame or size(path)
    x, y = centre
    src = ["(", path, "-crop", "%dx%d+0+0" % (w, h), "+repage", ")"] if frame else [path]
    return src + ["-geometry", "%+d%+d" % (round(x - w / 2), round(480 - y - h / 2)), "-composite"]


def main():
    res, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    img = os.path.join(res, "img")

    spec = importlib.util.spec_from_file_location("build_level", os.path.join(HERE, "build-level.py"))
    level = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(level)

    with tempfile.TemporaryDirectory() as tmp:
        for i, (bg, front, basket, fgs, fans) in enumerate(SCENES):
            p = lambda n: os.path.join(img, n + ".png")
            scene = [CONVERT, p(bg)] + at(p(front), basket)
            for name, pos in fgs:
                scene += at(p(name), pos)
            for name, frame, pos in fans:
                scene += at(p(name), pos, frame)
            scene_png = os.path.join(tmp, "scene.png")
            subprocess.run(scene + [scene_png], check=True)
            ov_svg = os.path.join(tmp, "overlay.svg")
            with open(ov_svg, "w") as f:
                f.write(level.overlay(level.LEVELS[i]))
            ov_png = os.path.join(tmp, "overlay.png")
            subprocess.run(["rsvg-convert", "-o", ov_png, ov_svg], check=True)
            subprocess.run([CONVERT, scene_png, "(", p(bg), ov_png, "-composite", ")",
                            "-background", "#444", "-splice", "0x0", "+append",
                            os.path.join(out, "level-%d-%s.png" % (i, bg))], check=True)

        # One row an image: the 1x, 2x and 3x files (a gap where a set lacks it).
        def sets(path):
            d, f = os.path.split(path)
            if d == img:
                return [os.path.join(img + tag, f) for tag in ("", "@2x", "@3x")]
            stem, ext = os.path.splitext(path)
            return [path, stem + "@2x" + ext, stem + "@3x" + ext]
        ones = sorted(glob.glob(os.path.join(img, "*.png"))) + sorted(
            f for f in glob.glob(os.path.join(res, "*.png")) if "@" not in f)
        args = []
        for one in ones:
            for f in sets(one):
                label = os.path.relpath(f, res)
                args += ["-label", label + "\\n%wx%h", f if os.path.exists(f) else "null:"]
        subprocess.run([MONTAGE, "-background", "#6b6b6b", "-fill", "#ffffff", "-pointsize", "10", "-font", FONT] +
                       args + ["-geometry", "160x240>+6+6", "-tile", "3x", os.path.join(out, "contact-sheet.png")],
                       check=True)
    print("wrote", out)


if __name__ == "__main__":
    main()
