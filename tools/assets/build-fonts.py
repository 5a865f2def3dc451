#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Builds the game's two fonts from OFL fonts that Debian ships.

The game draws text by glyph index: glyph = character code + a fixed offset.
So each font is rebuilt with its glyphs in character order:

  fawn.ttf      offset -29: three leading glyphs, then space (32) at glyph 3,
                a friendly handwritten face (from Comic Neue Bold).
  zerothre.ttf  offset -32: space at glyph 0, "0" at glyph 16,
                a bold segment-display face (from DSEG7 Classic Bold, with the
                characters it lacks taken from DSEG14 Classic Bold).

The game lays a line of text out with its baseline a quarter of the point size
above the bottom of the text box and cuts whatever rises above the top, so
each face is scaled to keep its letters and digits within 0.74 em above the
baseline and 0.24 em below it (the segment digits fill a whole em as shipped).

Layout tables (GSUB, GPOS, GDEF, kern) are left out: glyph indices are used
directly, so substitutions and kerning would never apply anyway. The family
names are new, as the fonts' licence asks of modified versions.

Usage: build-fonts.py OUTDIR
"""

import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.cu2quPen import Cu2QuPen
from fontTools.pens.boundsPen import BoundsPen
from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

COMIC = "/usr/share/fonts/opentype/comic-neue/ComicNeue-Bold.otf"
DSEG7 = "/usr/share/fonts/truetype/dseg/DSEG7Classic-Bold.ttf"
DSEG14 = "/usr/share/fonts/truetype/dseg/DSEG14Classic-Bold.ttf"

# Largest distance, in font units, between a cubic curve and its quadratic copy.
CU2QU_MAX_ERR = 1.0

# Room above and below the baseline in the game's text box, in em.
TOP, BOTTOM = 0.74, 0.24


class Source:
    """One source font: outlines (decomposed, quadratic) and advances by code."""

    def __init__(self, path):
        self.font = TTFont(path)
        self.cmap = self.font.getBestCmap()
        self.glyphs = self.font.getGlyphSet()
        self.cubic = "CFF " in self.font
        self.hmtx = self.font["hmtx"]
        self.scale = 1.0
        self.condense = 1.0  # horizontal squeeze on top of the scale

    def fit(self, upm):
        """Scales the face so that letters and digits fit the game's text box."""
        hi, lo = 0, 0
        for code in range(0x30, 0x7B):
            if chr(code).isalnum() and code in self.cmap:
                b = BoundsPen(self.glyphs)
                self.glyphs[self.cmap[code]].draw(b)
                if b.bounds:
                    lo, hi = min(lo, b.bounds[1]), max(hi, b.bounds[3])
        self.scale = min(1.0, TOP * upm / hi, BOTTOM * upm / -lo if lo < 0 else 1.0)

    def has(self, code):
        return code in self.cmap

    def glyph(self, code):
        """Returns (TrueType glyph, advance, left side bearing) for a code."""
        name = self.cmap[code]
        rec = DecomposingRecordingPen(self.glyphs)
        self.glyphs[name].draw(rec)
        tt = TTGlyphPen(None)
        sx = self.scale * self.condense
        pen = TransformPen(tt, (sx, 0, 0, self.scale, 0, 0)) if (sx, self.scale) != (1, 1) else tt
        if self.cubic:
            # PostScript outlines run the other way round from TrueType ones.
            rec.replay(Cu2QuPen(pen, CU2QU_MAX_ERR, reverse_direction=True))
        else:
            rec.replay(pen)
        g = tt.glyph()
        g.recalcBounds(None)
        advance = round(self.hmtx[name][0] * sx)
        lsb = getattr(g, "xMin", 0) if g.numberOfContours else 0
        return g, advance, lsb


def empty_glyph():
    return TTGlyphPen(None).glyph()


def glyph_name(code):
    return "space" if code == 32 else "uni%04X" % code


def build(out, family, sources, lead, codes, metrics_from, copyright_src):
    """Writes a font whose glyph order is `lead` names, then one glyph per code.

    `sources` are tried in turn for each code; a code none has gets an empty
    glyph with the width of a space, so the index arithmetic stays true.
    """
    order = list(lead)
    glyf = {}
    hmtx = {}
    space = sources[0].glyph(32)
    for name in lead:
        glyf[name] = empty_glyph()
        hmtx[name] = (space[1], 0)
    cmap = {}
    for code in codes:
        name = glyph_name(code)
        src = next((s for s in sources if s.has(code)), None)
        if src is None:
            g, adv, lsb = empty_glyph(), space[1], 0
        else:
            g, adv, lsb = src.glyph(code)
        if code == 32 and not lead:
            # The space itself must sit at glyph 0, where TrueType keeps .notdef:
            # it serves as both (an empty glyph shows nothing either way).
            name = ".notdef"
        order.append(name)
        glyf[name] = g
        hmtx[name] = (adv, lsb)
        if name != ".notdef" and not (0x7F <= code <= 0x9F):
            cmap[code] = name

    m = metrics_from.font
    upm = m["head"].unitsPerEm
    fb = FontBuilder(upm, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyf)
    fb.setupHorizontalMetrics(hmtx)
    k = metrics_from.scale
    hhea = m["hhea"]
    fb.setupHorizontalHeader(ascent=round(hhea.ascent * k), descent=round(hhea.descent * k),
                             lineGap=round(hhea.lineGap * k))
    names = copyright_src.font["name"]
    # Some sources keep their copyright line only at the head of the licence text.
    copyright = names.getDebugName(0) or ""
    if not copyright.startswith("Copyright"):
        copyright = (names.getDebugName(13) or "").split("\n\n")[0]
    fb.setupNameTable(
        {
            "copyright": copyright,
            "familyName": family,
            "styleName": "Regular",
            "uniqueFontIdentifier": family + "-Regular",
            "fullName": family,
            "psName": family + "-Regular",
            "version": "Version 1.000",
            "licenseDescription": names.getDebugName(13) or "",
            "licenseInfoURL": names.getDebugName(14) or "",
        }
    )
    os2 = m["OS/2"]
    fb.setupOS2(
        sTypoAscender=round(os2.sTypoAscender * k),
        sTypoDescender=round(os2.sTypoDescender * k),
        sTypoLineGap=round(os2.sTypoLineGap * k),
        usWinAscent=round(os2.usWinAscent * k),
        usWinDescent=round(os2.usWinDescent * k),
        sxHeight=round(getattr(os2, "sxHeight", 0) * k),
        sCapHeight=round(getattr(os2, "sCapHeight", 0) * k),
        fsType=0,
    )
    fb.setupPost(keepGlyphNames=True)
    # A fixed date, so that every build writes the same bytes.
    fb.font["head"].created = fb.font["head"].modified = 0x7C25B080
    fb.save(out)
    return order


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: build-fonts.py OUTDIR")
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)

    comic = Source(COMIC)
    comic.fit(comic.font["head"].unitsPerEm)
    # The menu's 20-point "Sound: off" label is centred 37 points from the screen's right edge:
    # a slightly narrow hand keeps it on screen.
    comic.condense = 0.8
    # Latin-1 too, so names with accents draw; C1 controls keep empty slots.
    build(
        os.path.join(outdir, "fawn.ttf"),
        "Fawn",
        [comic],
        [".notdef", ".null", "nonmarkingreturn"],
        range(32, 256),
        comic,
        comic,
    )

    d7, d14 = Source(DSEG7), Source(DSEG14)
    # One scale for both, so that the borrowed characters match the digits.
    d7.fit(d7.font["head"].unitsPerEm)
    d14.scale = d7.scale
    build(
        os.path.join(outdir, "zerothre.ttf"),
        "Zerothre",
        [d7, d14],
        [],
        range(32, 127),
        d7,
        d7,
    )


if __name__ == "__main__":
    main()
