#!/usr/bin/python3
"""Draws the instrument-cluster pictures of the gauge application as PNG files.

Run with Debian's interpreter (python3-pil, fonts-dejavu-core):

    /usr/bin/python3 tools/draw_gauge_art.py [OUTPUT_DIR]

OUTPUT_DIR defaults to device/app/images. The dial geometry below matches
the needle geometry of the pages: a needle of radius R about a pivot points
at screen angle a (degrees, 0 = right, -90 = up, y grows downwards), and the
scale marks of each dial sit exactly where the needle points for that value.

Every picture is drawn at four times its size and scaled down, which gives
anti-aliased edges. Pictures drawn into the overlay layer must not contain
the overlay's transparent colour (RGB565 0xFFFF), so near-white pixels of
those pictures are toned down after drawing.
"""
import math
import os
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

SS = 4  # supersampling factor
FONT_DIR = "/usr/share/fonts/truetype/dejavu"

# Palette
BG_TOP = (34, 38, 46)
BG_BOTTOM = (12, 14, 18)
FACE = (20, 23, 29)
RING = (92, 100, 112)
RING_HI = (170, 178, 190)
TICK = (236, 238, 242)
TICK_MINOR = (150, 156, 166)
RED_ZONE = (214, 40, 34)
ACCENT = (0, 150, 220)
PANEL_TOP = (48, 53, 62)
PANEL_BOTTOM = (22, 25, 31)
LABEL = (200, 204, 212)

# Needle geometry of the pages (pivot, radius, first and last angle of the
# sweep, value range); see the deflection formulas of the gauges.
LARGE_R = 155
SMALL_R = 88


def font(size, bold=True):
    name = "DejaVuSansCondensed-Bold.ttf" if bold else "DejaVuSansCondensed.ttf"
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size * SS)


def canvas(w, h, colour=(0, 0, 0)):
    img = Image.new("RGB", (w * SS, h * SS), colour)
    return img, ImageDraw.Draw(img)


def finish(img):
    w, h = img.size
    return img.resize((w // SS, h // SS), Image.LANCZOS)


def s(v):
    """Scale a picture coordinate to the supersampled canvas."""
    return v * SS


def polar(cx, cy, r, deg):
    a = math.radians(deg)
    return cx + r * math.cos(a), cy + r * math.sin(a)


def vertical_gradient(img, top, bottom, box=None):
    x0, y0, x1, y1 = box if box else (0, 0, img.size[0], img.size[1])
    d = ImageDraw.Draw(img)
    for y in range(y0, y1):
        t = (y - y0) / max(1, (y1 - y0 - 1))
        c = tuple(int(top[i] + (bottom[i] - top[i]) * t) for i in range(3))
        d.line([(x0, y), (x1 - 1, y)], fill=c)


def radial_glow(img, cx, cy, r, colour, strength):
    """Soft light spot, as from the backlight behind a dial face."""
    glow = Image.new("L", img.size, 0)
    gd = ImageDraw.Draw(glow)
    steps = 24
    for i in range(steps):
        rr = r * (1 - i / steps)
        v = int(strength * (i + 1) / steps)
        gd.ellipse([s(cx - rr), s(cy - rr), s(cx + rr), s(cy + rr)], fill=v)
    glow = glow.filter(ImageFilter.GaussianBlur(s(6)))
    layer = Image.new("RGB", img.size, colour)
    img.paste(layer, (0, 0), glow)


def arc(d, cx, cy, r, a0, a1, colour, width):
    d.arc([s(cx - r), s(cy - r), s(cx + r), s(cy + r)], a0, a1, fill=colour, width=s(width))


def ticks(d, cx, cy, r_out, a0, a1, major, minor_per_major, major_len, minor_len, colour=TICK):
    n = major * minor_per_major
    for i in range(n + 1):
        a = a0 + (a1 - a0) * i / n
        is_major = i % minor_per_major == 0
        length = major_len if is_major else minor_len
        p0 = polar(cx, cy, r_out - length, a)
        p1 = polar(cx, cy, r_out, a)
        d.line([(s(p0[0]), s(p0[1])), (s(p1[0]), s(p1[1]))],
               fill=colour if is_major else TICK_MINOR, width=s(2 if is_major else 1))


def text_at(d, xy, text, size, colour=TICK, anchor="mm", bold=True):
    d.text((s(xy[0]), s(xy[1])), text, font=font(size, bold), fill=colour, anchor=anchor)


def dial(d, cx, cy, r, a0, a1, labels, red_from=None, major=None, minor=2, label_r=None,
         label_size=9):
    """Scale ring of a needle gauge: ring, red zone, ticks and numbers.

    labels: texts at the major marks from a0 to a1 (may be empty).
    """
    # Small dials sit close to the screen's top edge: keep their ring tight.
    gap = 3 if r > 100 else 1
    arc(d, cx, cy, r + gap, a0 - 2, a1 + 2, RING, 2)
    arc(d, cx, cy, r + gap + 2, a0 - 2, a1 + 2, RING_HI, 1)
    if red_from is not None:
        arc(d, cx, cy, r - 3, red_from, a1, RED_ZONE, 5)
    major = major if major is not None else max(1, len(labels) - 1)
    ticks(d, cx, cy, r, a0, a1, major, minor, 12 if r > 100 else 9, 6 if r > 100 else 5)
    if labels:
        lr = label_r if label_r is not None else r - 24
        for i, t in enumerate(labels):
            a = a0 + (a1 - a0) * i / (len(labels) - 1)
            text_at(d, polar(cx, cy, lr, a), t, label_size)


def side_strip(img, d):
    """Right-hand column with the sockets of the two warning indicators."""
    vertical_gradient(img, (28, 31, 37), (14, 16, 20), (s(268), 0, s(320), s(240)))
    d.line([(s(268), 0), (s(268), s(240))], fill=(70, 76, 86), width=s(1))
    for (x, y) in ((278, 30), (279, 90)):
        d.rounded_rectangle([s(x - 2), s(y - 2), s(x + 38), s(y + 39)], radius=s(6),
                            fill=(10, 11, 14), outline=(64, 70, 80), width=s(1))
    for i, y in enumerate(range(150, 232, 9)):
        c = (40 + 6 * (i % 2), 44 + 6 * (i % 2), 52 + 6 * (i % 2))
        d.line([(s(276), s(y)), (s(312), s(y))], fill=c, width=s(2))


def background(w=320, h=240):
    img, d = canvas(w, h)
    vertical_gradient(img, BG_TOP, BG_BOTTOM)
    return img, d


# ---------------------------------------------------------------------------
# Full-screen backgrounds (layer 1)


def large_gauge(img, d, cx, cy, title, labels, red_from_value=None):
    a0, a1 = -138.0, -42.0  # needle angle at 0 and at 100
    radial_glow(img, cx, cy - 60, 130, (40, 60, 84), 120)
    d = ImageDraw.Draw(img)
    # dial face: a dark annulus behind the scale
    arc(d, cx, cy, LARGE_R - 14, -150, -30, FACE, 30)
    red = None
    if red_from_value is not None:
        red = a0 + (a1 - a0) * red_from_value / 100.0
    dial(d, cx, cy, LARGE_R, a0, a1, labels, red_from=red, major=len(labels) - 1, minor=4,
         label_r=LARGE_R - 30, label_size=11)
    # accent arc inside the scale
    arc(d, cx, cy, LARGE_R - 46, a0, a1, ACCENT, 1)
    text_at(d, (cx, cy - 108), title, 10, LABEL)
    return d


def fuel_bg():
    img, d = background()
    side_strip(img, d)
    d = large_gauge(img, d, 135, 180, "FUEL  %", ["0", "20", "40", "60", "80", "100"], 85)
    return finish(img)


def engine_bg():
    img, d = background()
    side_strip(img, d)
    d = large_gauge(img, d, 135, 170, "LOAD  %", ["0", "25", "50", "75", "100"], 80)
    return finish(img)


def gauges_bg():
    img, d = background()
    side_strip(img, d)
    for (cx, cy) in ((195, 92), (58, 214), (58, 92), (195, 214)):
        radial_glow(img, cx, cy - 40, 70, (36, 52, 72), 110)
    d = ImageDraw.Draw(img)
    # separators between the four dial cells
    d.line([(s(134), s(8)), (s(134), s(232))], fill=(46, 50, 58), width=s(1))
    d.line([(s(8), s(121)), (s(262), s(121))], fill=(46, 50, 58), width=s(1))
    for (cx, cy, red) in ((195, 92, None), (58, 214, -60), (58, 92, -64), (195, 214, None)):
        a0, a1 = -126.0, -54.0  # needle angle at lo and at hi
        arc(d, cx, cy, SMALL_R - 8, -134, -46, FACE, 16)
        dial(d, cx, cy, SMALL_R, a0, a1, [], red_from=red, major=4, minor=2)
    return finish(img)


def emblem(d, cx, cy, r, ink, accent):
    """Round badge with a stylised dial: the unit's start-up emblem."""
    d.ellipse([s(cx - r), s(cy - r), s(cx + r), s(cy + r)], outline=ink, width=s(4))
    d.ellipse([s(cx - r + 8), s(cy - r + 8), s(cx + r - 8), s(cy + r - 8)], outline=ink,
              width=s(1))
    arc(d, cx, cy + 8, r - 20, -210, 30, ink, 5)
    for i in range(9):
        a = -210 + 240 * i / 8
        p0 = polar(cx, cy + 8, r - 30, a)
        p1 = polar(cx, cy + 8, r - 22, a)
        d.line([(s(p0[0]), s(p0[1])), (s(p1[0]), s(p1[1]))], fill=ink, width=s(2))
    tip = polar(cx, cy + 8, r - 30, -40)
    d.line([(s(cx), s(cy + 8)), (s(tip[0]), s(tip[1]))], fill=accent, width=s(4))
    d.ellipse([s(cx - 6), s(cy + 2), s(cx + 6), s(cy + 14)], fill=ink)


def splash():
    img, d = canvas(320, 240, (255, 255, 255))
    emblem(d, 160, 100, 52, (22, 40, 70), (214, 40, 34))
    text_at(d, (160, 178), "GAUGE  DEMO", 16, (22, 40, 70))
    d.line([(s(110), s(194)), (s(210), s(194))], fill=(0, 150, 220), width=s(2))
    text_at(d, (160, 206), "VEHICLE DISPLAY UNIT", 8, (110, 118, 130), bold=False)
    return finish(img)


# ---------------------------------------------------------------------------
# Overlay pictures (layer 0): opaque, never the transparent colour


def panel_base(w, h):
    img, d = canvas(w, h)
    vertical_gradient(img, PANEL_TOP, PANEL_BOTTOM)
    d.rounded_rectangle([s(1), s(1), s(w - 2), s(h - 2)], radius=s(7), outline=(96, 104, 116),
                        width=s(1))
    d.line([(s(8), s(3)), (s(w - 9), s(3))], fill=(120, 128, 140), width=s(1))
    return img, d


def lower_panel():
    img, d = panel_base(268, 78)
    # two value windows (values are drawn at x 55 and 205, y 172 on screen)
    for cx in (55, 207):
        d.rounded_rectangle([s(cx - 48), s(8), s(cx + 48), s(50)], radius=s(5),
                            fill=(8, 9, 12), outline=(70, 76, 86), width=s(1))
    d.line([(s(134), s(10)), (s(134), s(68))], fill=(70, 76, 86), width=s(1))
    # hub cover of the large needle (pivot at x 135, just above the panel)
    d.pieslice([s(135 - 22), s(-22), s(135 + 22), s(22)], 0, 180, fill=(60, 66, 76),
               outline=(130, 138, 150), width=s(1))
    return finish(img)


def aux_panel(kind):
    img, d = panel_base(269, 123)
    # engine speed dial on the left: pivot (58, 213) on screen = (58, 93) here
    cx, cy = 58, 93
    radial_glow(img, cx, cy - 40, 60, (36, 52, 72), 100)
    d = ImageDraw.Draw(img)
    arc(d, cx, cy, SMALL_R - 8, -134, -41, FACE, 16)
    a0, a1 = -126.0, -49.0  # needle angle at 0 and at 2000 rpm
    dial(d, cx, cy, SMALL_R, a0, a1, [], red_from=a0 + (a1 - a0) * 0.8, major=4, minor=2)
    # two value windows ending at x 207 (values at y 160 and 200 on screen)
    units = ("kPa", "L/h") if kind == "a" else ("km/h", "bar")
    names = ("BOOST", "FUEL RATE") if kind == "a" else ("SPEED", "TURBO")
    for i, y in enumerate((36, 76)):
        d.rounded_rectangle([s(132), s(y), s(262), s(y + 34)], radius=s(5), fill=(8, 9, 12),
                            outline=(70, 76, 86), width=s(1))
        text_at(d, (214, y + 8), names[i], 7, LABEL, anchor="lm", bold=False)
        text_at(d, (214, y + 24), units[i], 9, ACCENT, anchor="lm")
    stripe = ACCENT if kind == "a" else (230, 150, 20)
    d.line([(s(132), s(22)), (s(262), s(22))], fill=stripe, width=s(2))
    text_at(d, (197, 12), "ENGINE A" if kind == "a" else "ENGINE B", 8, LABEL)
    return finish(img)


def label_plate():
    img, d = canvas(132, 40)
    vertical_gradient(img, (70, 76, 88), (30, 33, 40))
    d.rounded_rectangle([s(1), s(1), s(130), s(38)], radius=s(6), outline=(140, 148, 160),
                        width=s(1))
    d.line([(s(6), s(3)), (s(125), s(3))], fill=(160, 168, 180), width=s(1))
    # screws
    for x in (8, 123):
        d.ellipse([s(x - 3), s(17), s(x + 3), s(23)], fill=(110, 116, 128),
                  outline=(40, 44, 52), width=s(1))
    return finish(img)


def icon_base():
    img, d = canvas(48, 36, (18, 20, 25))
    return img, d


AMBER = (255, 176, 0)


def icon_oil():
    img, d = icon_base()
    c = AMBER
    # oil can: body, spout and a drop
    d.polygon([(s(10), s(12)), (s(30), s(12)), (s(34), s(22)), (s(10), s(22))], fill=c)
    d.polygon([(s(30), s(13)), (s(42), s(8)), (s(43), s(10)), (s(33), s(18))], fill=c)
    d.rectangle([s(16), s(8), s(22), s(12)], fill=c)
    d.ellipse([s(40), s(14), s(44), s(19)], fill=c)
    d.line([(s(4), s(14)), (s(10), s(16))], fill=c, width=s(2))
    return finish(img)


def icon_battery():
    img, d = icon_base()
    c = AMBER
    d.rectangle([s(9), s(9), s(39), s(24)], outline=c, width=s(2))
    d.rectangle([s(13), s(6), s(18), s(9)], fill=c)
    d.rectangle([s(30), s(6), s(35), s(9)], fill=c)
    d.line([(s(13), s(16)), (s(19), s(16))], fill=c, width=s(2))
    d.line([(s(29), s(16)), (s(35), s(16))], fill=c, width=s(2))
    d.line([(s(32), s(13)), (s(32), s(19))], fill=c, width=s(2))
    return finish(img)


def thermometer(d, c, x, top, bottom):
    d.rounded_rectangle([s(x - 2), s(top), s(x + 2), s(bottom)], radius=s(2), fill=c)
    d.ellipse([s(x - 4), s(bottom - 3), s(x + 4), s(bottom + 5)], fill=c)
    for i, y in enumerate(range(top + 2, bottom - 2, 4)):
        d.line([(s(x + 3), s(y)), (s(x + (8 if i % 2 == 0 else 6)), s(y))], fill=c, width=s(1))


def icon_coolant():
    img, d = icon_base()
    c = AMBER
    thermometer(d, c, 24, 4, 18)
    for y in (22, 26):
        pts = [(s(8 + i * 2), s(y + (1.5 if i % 2 else -1.5))) for i in range(17)]
        d.line(pts, fill=c, width=s(1))
    return finish(img)


def icon_ambient():
    img, d = icon_base()
    c = AMBER
    thermometer(d, c, 18, 4, 20)
    # sun rays on the right: outside air
    cx, cy = 34, 11
    d.ellipse([s(cx - 4), s(cy - 4), s(cx + 4), s(cy + 4)], outline=c, width=s(1))
    for k in range(8):
        p0 = polar(cx, cy, 6, k * 45)
        p1 = polar(cx, cy, 9, k * 45)
        d.line([(s(p0[0]), s(p0[1])), (s(p1[0]), s(p1[1]))], fill=c, width=s(1))
    return finish(img)


def icon_engine():
    img, d = icon_base()
    c = AMBER
    d.polygon([(s(10), s(10)), (s(32), s(10)), (s(36), s(14)), (s(40), s(14)), (s(40), s(24)),
               (s(36), s(24)), (s(32), s(28)), (s(14), s(28)), (s(10), s(24))], outline=c,
              width=s(2))
    d.rectangle([s(16), s(6), s(26), s(10)], fill=c)
    d.line([(s(4), s(15)), (s(4), s(23))], fill=c, width=s(2))
    d.line([(s(4), s(19)), (s(10), s(19))], fill=c, width=s(2))
    return finish(img)


def indicator(symbol):
    img, d = canvas(37, 38, (10, 11, 14))
    if symbol == 1:  # red: check-engine style warning triangle
        c = (230, 36, 30)
        d.polygon([(s(18.5), s(5)), (s(34), s(32)), (s(3), s(32))], fill=c)
        d.polygon([(s(18.5), s(11)), (s(29), s(29)), (s(8), s(29))], fill=(40, 6, 6))
        d.rectangle([s(17), s(15), s(20), s(24)], fill=c)
        d.rectangle([s(17), s(26), s(20), s(28)], fill=c)
    else:  # green: headlight indicator
        c = (40, 210, 70)
        d.chord([s(16), s(8), s(34), s(30)], 90, 270, fill=c)
        d.rectangle([s(24), s(8), s(27), s(30)], fill=c)
        for y in (11, 17, 23, 28):
            d.line([(s(3), s(y)), (s(13), s(y))], fill=c, width=s(2))
    return finish(img)


def no_key_colour(img):
    """Tone down pixels that would become RGB565 0xFFFF (transparent in the
    overlay): any pixel with red and blue >= 248 and green >= 252."""
    px = img.load()
    w, h = img.size
    for y in range(h):
        for x in range(w):
            r, g, b = px[x, y]
            if r >= 248 and g >= 252 and b >= 248:
                px[x, y] = (r, 248, b)
    return img


PICTURES = {
    # name: (builder, size, overlay)
    "splash": (splash, (320, 240), False),
    "fuel_bg": (fuel_bg, (320, 240), False),
    "gauges_bg": (gauges_bg, (320, 240), False),
    "engine_bg": (engine_bg, (320, 240), False),
    "lower_panel": (lower_panel, (268, 78), True),
    "aux_panel_a": (lambda: aux_panel("a"), (269, 123), True),
    "aux_panel_b": (lambda: aux_panel("b"), (269, 123), True),
    "label_plate": (label_plate, (132, 40), True),
    "icon_oil": (icon_oil, (48, 36), True),
    "icon_battery": (icon_battery, (48, 36), True),
    "icon_coolant": (icon_coolant, (48, 36), True),
    "icon_ambient": (icon_ambient, (48, 36), True),
    "icon_engine": (icon_engine, (48, 36), True),
    "indicator_1": (lambda: indicator(1), (37, 38), True),
    "indicator_2": (lambda: indicator(2), (37, 38), True),
}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "device", "app", "images")
    os.makedirs(out, exist_ok=True)
    for name, (build, size, overlay) in PICTURES.items():
        img = build().convert("RGB")
        assert img.size == size, (name, img.size, size)
        if overlay:
            img = no_key_colour(img)
        img.save(os.path.join(out, name + ".png"), optimize=True)
        print("wrote", name + ".png", img.size)


if __name__ == "__main__":
    main()
