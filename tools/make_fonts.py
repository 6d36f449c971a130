#!/usr/bin/python3
"""Build the three fonts compiled into the device from Debian's DejaVu fonts.

Run by hand (not by the build) when the fonts should change; the resulting
.ttf files are committed under device/assets/fonts/ and embedded by
tools/font_records.py at build time. Needs fonts-dejavu-core and
python3-fonttools (Debian 12).

  0  text.ttf      DejaVu Sans, Latin-1 and a few symbols, keeping the legacy
                   'kern' table so that the font engine reports kerning
  1  text_mono.ttf DejaVu Sans Mono, same characters, no kerning table, with
                   embedded 8-bit grey bitmap strikes at 10, 12 and 14 pixels
                   per em, rasterised here from the outlines (4 x 4 samples
                   per pixel); FreeType uses them in place of the outlines at
                   exactly those sizes
  2  numerals.ttf  14 glyphs: space, hyphen, period, 0-9 and colon; the soft
                   hyphen U+00AD shares the hyphen's glyph and glyph 0 is the
                   space, so characters outside the set advance as a blank

All three keep the 2048 units per em and the TrueType hinting of DejaVu.
"""
import argparse
import math
import os
import sys

from PIL import Image, ImageChops, ImageDraw
from fontTools import subset
from fontTools.pens.basePen import BasePen
from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables.BitmapGlyphMetrics import SmallGlyphMetrics
from fontTools.ttLib.tables.E_B_D_T_ import ebdt_bitmap_format_1
from fontTools.ttLib.tables.E_B_L_C_ import SbitLineMetrics, Strike, eblc_index_sub_table_1

DEJAVU = "/usr/share/fonts/truetype/dejavu"

# Basic Latin, Latin-1 Supplement, and what dashboards print besides:
# dashes, ellipsis, per mille, euro, minus, arrows.
TEXT_CODEPOINTS = (
    list(range(0x20, 0x7F))
    + list(range(0xA0, 0x100))
    + [0x2013, 0x2014, 0x2022, 0x2026, 0x2030, 0x20AC, 0x2212]
    + list(range(0x2190, 0x2196))
)

NUMERAL_CODEPOINTS = [0x20, 0x2D, 0x2E] + list(range(0x30, 0x3B))  # space - . 0-9 :
SOFT_HYPHEN = 0xAD

STRIKE_PPEMS = (10, 12, 14)
SAMPLES = 4            # samples per pixel along each axis when rasterising
CURVE_STEPS = 8        # line segments per quadratic curve


def rename(font, family):
    """Give a derived font its own family name (name IDs 1, 3, 4, 6, 16),
    as the Bitstream Vera licence asks of modified fonts; the copyright
    notice (ID 0) and licence (IDs 13, 14) stay."""
    postscript = family.replace(" ", "")
    for record in font["name"].names:
        if record.nameID in (1, 3, 4, 16):
            record.string = family
        elif record.nameID == 6:
            record.string = postscript


def subset_font(source, codepoints, legacy_kern, keep_notdef):
    options = subset.Options()
    options.legacy_kern = legacy_kern
    options.notdef_glyph = keep_notdef
    options.notdef_outline = keep_notdef
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    if not legacy_kern:
        options.drop_tables += ["kern"]
    options.drop_tables += ["MATH"]  # no formula layout on a dashboard
    # Keep the source's time stamp so that a rebuild gives the same bytes.
    font = TTFont(os.path.join(DEJAVU, source), recalcTimestamp=False)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=codepoints)
    subsetter.subset(font)
    return font


def build_text():
    font = subset_font("DejaVuSans.ttf", TEXT_CODEPOINTS, legacy_kern=True, keep_notdef=True)
    if "kern" not in font:
        sys.exit("make_fonts: the text face lost its kern table")
    rename(font, "PCSim Sans")
    return font


class ContourPen(BasePen):
    """Collects a glyph's contours as polygons in font units."""

    def __init__(self, glyph_set):
        super().__init__(glyph_set)
        self.contours = []
        self.current = []

    def _moveTo(self, pt):
        self.current = [pt]

    def _lineTo(self, pt):
        self.current.append(pt)

    def _curveToOne(self, pt1, pt2, pt3):
        (x0, y0) = self._getCurrentPoint()
        for i in range(1, CURVE_STEPS + 1):
            t = i / CURVE_STEPS
            u = 1 - t
            self.current.append((u ** 3 * x0 + 3 * u * u * t * pt1[0] + 3 * u * t * t * pt2[0] + t ** 3 * pt3[0],
                                 u ** 3 * y0 + 3 * u * u * t * pt1[1] + 3 * u * t * t * pt2[1] + t ** 3 * pt3[1]))

    def _qCurveToOne(self, pt1, pt2):
        (x0, y0) = self._getCurrentPoint()
        for i in range(1, CURVE_STEPS + 1):
            t = i / CURVE_STEPS
            u = 1 - t
            self.current.append((u * u * x0 + 2 * u * t * pt1[0] + t * t * pt2[0],
                                 u * u * y0 + 2 * u * t * pt1[1] + t * t * pt2[1]))

    def _closePath(self):
        if len(self.current) > 2:
            self.contours.append(self.current)
        self.current = []

    _endPath = _closePath


def rasterise(font, name, ppem):
    """(coverage bytes, metrics) of one glyph at ppem, or None for a glyph
    without ink. Contours are filled even-odd on a supersampled grid."""
    scale = ppem / font["head"].unitsPerEm
    pen = ContourPen(font.getGlyphSet())
    font.getGlyphSet()[name].draw(pen)
    if not pen.contours:
        return None
    xs = [x for c in pen.contours for x, _ in c]
    ys = [y for c in pen.contours for _, y in c]
    left, right = math.floor(min(xs) * scale), math.ceil(max(xs) * scale)
    bottom, top = math.floor(min(ys) * scale), math.ceil(max(ys) * scale)
    width, height = max(right - left, 1), max(top - bottom, 1)
    fine = Image.new("1", (width * SAMPLES, height * SAMPLES), 0)
    for contour in pen.contours:
        mask = Image.new("1", fine.size, 0)
        points = [((x * scale - left) * SAMPLES, (top - y * scale) * SAMPLES) for x, y in contour]
        ImageDraw.Draw(mask).polygon(points, fill=1)
        fine = ImageChops.logical_xor(fine, mask)
    coverage = fine.convert("L").resize((width, height), Image.BOX)
    metrics = SmallGlyphMetrics()
    metrics.width, metrics.height = width, height
    metrics.BearingX, metrics.BearingY = left, top
    metrics.Advance = round(font["hmtx"][name][0] * scale)
    return coverage.tobytes(), metrics


def line_metrics(font, ppem, width_max):
    scale = ppem / font["head"].unitsPerEm
    m = SbitLineMetrics()
    m.ascender = math.ceil(font["hhea"].ascent * scale)
    m.descender = math.floor(font["hhea"].descent * scale)
    m.widthMax = width_max
    m.caretSlopeNumerator, m.caretSlopeDenominator, m.caretOffset = 1, 0, 0
    m.minOriginSB = m.minAdvanceSB = m.maxBeforeBL = m.minAfterBL = 0
    m.pad1 = m.pad2 = 0
    return m


def add_grey_strikes(font, ppems):
    """Embed an 8-bit grey bitmap strike per ppem (EBLC/EBDT tables)."""
    eblc, ebdt = newTable("EBLC"), newTable("EBDT")
    eblc.version = ebdt.version = 2.0
    eblc.strikes, ebdt.strikeData = [], []
    for ppem in ppems:
        glyphs = {}
        for name in font.getGlyphOrder():
            raster = rasterise(font, name, ppem)
            if raster is None:
                continue  # no ink (space): FreeType takes the outline's advance
            glyph = ebdt_bitmap_format_1(None, None)
            glyph.imageData, glyph.metrics = raster
            glyphs[name] = glyph
        index = eblc_index_sub_table_1(None, None)
        index.indexFormat, index.imageFormat = 1, 1
        index.names = sorted(glyphs, key=font.getGlyphID)
        strike = Strike()
        size = strike.bitmapSizeTable
        width_max = max(g.metrics.width for g in glyphs.values())
        size.hori = line_metrics(font, ppem, width_max)
        size.vert = line_metrics(font, ppem, width_max)
        size.colorRef = 0
        size.ppemX = size.ppemY = ppem
        size.bitDepth = 8
        size.flags = 1  # horizontal metrics
        strike.indexSubTables = [index]
        eblc.strikes.append(strike)
        ebdt.strikeData.append(glyphs)
    font["EBDT"], font["EBLC"] = ebdt, eblc


def build_text_mono():
    font = subset_font("DejaVuSansMono.ttf", TEXT_CODEPOINTS, legacy_kern=False, keep_notdef=True)
    rename(font, "PCSim Mono")
    add_grey_strikes(font, STRIKE_PPEMS)
    return font


def build_numerals():
    font = subset_font("DejaVuSans.ttf", NUMERAL_CODEPOINTS, legacy_kern=False, keep_notdef=False)
    for table in ("GPOS", "GSUB", "GDEF"):
        if table in font:
            del font[table]
    for cmap in font["cmap"].tables:
        if cmap.isUnicode():
            cmap.cmap[SOFT_HYPHEN] = "hyphen"
    order = font.getGlyphOrder()
    if len(order) != 14 or order[0] != "space":
        sys.exit("make_fonts: numerals face has glyphs %r" % order)
    rename(font, "PCSim Numerals")
    return font


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir", help="directory for the .ttf files")
    args = parser.parse_args()
    os.makedirs(args.outdir, exist_ok=True)
    for name, build in (("text.ttf", build_text), ("text_mono.ttf", build_text_mono),
                        ("numerals.ttf", build_numerals)):
        font = build()
        font.save(os.path.join(args.outdir, name))
        print("%s: %d glyphs" % (name, len(font.getGlyphOrder())))


if __name__ == "__main__":
    main()
