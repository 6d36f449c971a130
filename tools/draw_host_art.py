#!/usr/bin/python3
"""Draw the desktop program's art: the bezel around the device screen, the
window icon and the cursor shown over the device image.

Run with Debian's interpreter (it has PIL):  /usr/bin/python3 tools/draw_host_art.py
The PNG files are committed; the build compiles them in with Qt's resource
system. Re-run this script only to change the pictures.

The bezel is 407 x 421 pixels: the screen opening is (43, 60)-(363, 300)
(right and bottom exclusive) and the five push buttons sit over the key
zones that the program hit-tests (columns 66-99, 128-161, 189-220, 250-282,
312-343; rows 358-384). Shapes are drawn four times larger and scaled down,
which gives smooth edges; the screen opening is then painted exactly.
"""

import math
import os
import random
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

OUT_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "host", "window", "art")
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_PLAIN = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

WIDTH, HEIGHT = 407, 421
SCREEN = (43, 60, 363, 300)  # left, top, right, bottom (exclusive)
KEY_COLUMNS = [(66, 99), (128, 161), (189, 220), (250, 282), (312, 343)]
KEY_ROWS = (358, 384)
SS = 4  # supersampling factor

BACKDROP = (52, 54, 58)


def s(v):
    """A bezel coordinate in the supersampled picture."""
    return int(round(v * SS))


def box(l, t, r, b):
    return [s(l), s(t), s(r) - 1, s(b) - 1]


def vertical_gradient(size, top, bottom):
    w, h = size
    grad = Image.new("RGB", (1, h))
    for y in range(h):
        f = y / max(1, h - 1)
        grad.putpixel((0, y), tuple(int(top[i] + (bottom[i] - top[i]) * f) for i in range(3)))
    return grad.resize((w, h))


def rounded_mask(size, rect, radius):
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).rounded_rectangle(rect, radius=radius, fill=255)
    return mask


def paste_fill(img, mask, fill):
    """Paint mask with a colour or an image of the picture's size."""
    if isinstance(fill, tuple):
        fill = Image.new("RGB", img.size, fill)
    img.paste(fill, (0, 0), mask)


def edge_light(size, rect, radius, width, light, dark, blur):
    """Highlight on the top-left and shade on the bottom-right inside a
    rounded shape: the bevel of a moulded edge. Returns (light, dark) masks."""
    outer = rounded_mask(size, rect, radius)
    l, t, r, b = rect
    inner = rounded_mask(size, [l + width, t + width, r - width, b - width], max(1, radius - width))
    ring = ImageChops.subtract(outer, inner)
    shifted_dn = rounded_mask(size, [l + width, t + width, r + width, b + width], radius)
    shifted_up = rounded_mask(size, [l - width, t - width, r - width, b - width], radius)
    top_left = ImageChops.subtract(ring, shifted_dn)
    bottom_right = ImageChops.subtract(ring, shifted_up)
    if blur:
        top_left = top_left.filter(ImageFilter.GaussianBlur(blur))
        bottom_right = bottom_right.filter(ImageFilter.GaussianBlur(blur))
    top_left = ImageChops.multiply(top_left, outer)
    bottom_right = ImageChops.multiply(bottom_right, outer)
    return top_left.point(lambda v: v * light // 255), bottom_right.point(lambda v: v * dark // 255)


def blend_colour(img, mask, colour):
    img.paste(Image.new("RGB", img.size, colour), (0, 0), mask)


def grain(size, strength, seed):
    """Fine speckle of a textured moulding, as a grey image around 128."""
    rnd = random.Random(seed)
    w, h = size
    small = Image.new("L", (w // 2, h // 2))
    small.putdata([128 + int(rnd.gauss(0, strength)) for _ in range(small.width * small.height)])
    return small.resize(size, Image.BILINEAR).filter(ImageFilter.GaussianBlur(1.2))


def apply_grain(img, mask, strength, seed):
    g = grain(img.size, strength, seed).convert("RGB")
    textured = ImageChops.add(img, g, 1.0, -128)  # img + (g - 128), clipped
    img.paste(textured, (0, 0), mask)


def moulded_plate(img, rect, radius, gradient, texture, bevel, bevel_colours):
    """A rounded plastic plate: a vertical colour gradient, grain, and a bevel
    lit at the top-left and shaded at the bottom-right. radius and the bevel's
    width and blur are in bezel pixels; returns the plate's mask."""
    size = img.size
    mask = rounded_mask(size, rect, s(radius))
    paste_fill(img, mask, vertical_gradient(size, *gradient))
    apply_grain(img, mask, *texture)
    width, light_alpha, dark_alpha, blur = bevel
    light, dark = edge_light(size, rect, s(radius), s(width), light_alpha, dark_alpha, s(blur))
    blend_colour(img, light, bevel_colours[0])
    blend_colour(img, dark, bevel_colours[1])
    return mask


def draw_screw(img, cx, cy):
    size = img.size
    r = s(5.5)
    d = ImageDraw.Draw(img)
    # Counterbore: a dark ring the head sits in.
    shadow = Image.new("L", size, 0)
    ImageDraw.Draw(shadow).ellipse([s(cx) - r - s(2), s(cy) - r - s(2), s(cx) + r + s(2), s(cy) + r + s(2)], fill=200)
    shadow = shadow.filter(ImageFilter.GaussianBlur(s(1)))
    blend_colour(img, shadow, (18, 19, 21))
    head = vertical_gradient(size, (150, 153, 158), (70, 72, 76))
    m = Image.new("L", size, 0)
    ImageDraw.Draw(m).ellipse([s(cx) - r, s(cy) - r, s(cx) + r, s(cy) + r], fill=255)
    img.paste(head, (0, 0), m)
    # Cross recess.
    w = s(0.9)
    a = s(3.2)
    d.rectangle([s(cx) - a, s(cy) - w, s(cx) + a, s(cy) + w], fill=(40, 41, 44))
    d.rectangle([s(cx) - w, s(cy) - a, s(cx) + w, s(cy) + a], fill=(40, 41, 44))
    d.arc([s(cx) - r, s(cy) - r, s(cx) + r, s(cy) + r], 200, 300, fill=(190, 193, 198), width=s(0.6))


def draw_button(img, left, right, label, font):
    """One push button: a recessed well in the housing and a domed cap."""
    size = img.size
    top, bottom = KEY_ROWS[0] - 3, KEY_ROWS[1] + 3
    l, r = left - 3, right + 4
    # Well: dark opening, a little larger than the cap.
    well = [s(l - 3), s(top - 3), s(r + 3), s(bottom + 3)]
    paste_fill(img, rounded_mask(size, well, s(8)), (14, 15, 17))
    # The well's lower lip catches the light.
    lip = ImageChops.subtract(rounded_mask(size, well, s(8)), rounded_mask(size, [well[0], well[1] - s(1.5), well[2], well[3] - s(1.5)], s(8)))
    blend_colour(img, lip.point(lambda v: v * 120 // 255), (120, 124, 130))

    # Cap shadow inside the well.
    sh = rounded_mask(size, [s(l), s(top + 1.5), s(r), s(bottom + 1.5)], s(6)).filter(ImageFilter.GaussianBlur(s(1.2)))
    blend_colour(img, sh.point(lambda v: v * 200 // 255), (0, 0, 0))

    cap = [s(l), s(top), s(r), s(bottom)]
    cap_mask = rounded_mask(size, cap, s(6))
    paste_fill(img, cap_mask, vertical_gradient(size, (96, 100, 107), (44, 46, 50)))
    # Dome: a soft lighter centre.
    dome = Image.new("L", size, 0)
    cx, cy = (s(l) + s(r)) // 2, s(top + 8)
    ImageDraw.Draw(dome).ellipse([cx - s(13), cy - s(7), cx + s(13), cy + s(7)], fill=90)
    dome = ImageChops.multiply(dome.filter(ImageFilter.GaussianBlur(s(4))), cap_mask)
    blend_colour(img, dome, (170, 175, 182))
    light, dark = edge_light(size, cap, s(6), s(1.5), 170, 170, s(0.5))
    blend_colour(img, light, (176, 180, 188))
    blend_colour(img, dark, (20, 21, 23))
    # Tactile ridge on the cap.
    d = ImageDraw.Draw(img)
    mid = (s(l) + s(r)) // 2
    d.rounded_rectangle([mid - s(6), s(bottom - 7), mid + s(6), s(bottom - 5.6)], radius=s(0.7), fill=(30, 31, 34))
    d.rounded_rectangle([mid - s(6), s(bottom - 5.6), mid + s(6), s(bottom - 4.9)], radius=s(0.3), fill=(110, 114, 120))

    # Printed legend below the button.
    tw = d.textlength(label, font=font)
    d.text((mid - tw / 2, s(bottom + 6)), label, font=font, fill=(150, 154, 160))


def draw_bezel():
    size = (WIDTH * SS, HEIGHT * SS)
    img = Image.new("RGB", size, BACKDROP)

    # Drop shadow of the unit on the backdrop.
    housing = box(3, 2, 404, 417)
    shadow = rounded_mask(size, [housing[0], housing[1] + s(3), housing[2], housing[3] + s(3)], s(28))
    blend_colour(img, shadow.filter(ImageFilter.GaussianBlur(s(2))).point(lambda v: v * 160 // 255), (18, 18, 20))

    # Housing body: dark moulded plastic, lit from above.
    body = moulded_plate(img, housing, 28, ((66, 69, 74), (34, 36, 39)), (5, 7), (5, 150, 190, 2),
                         ((128, 132, 138), (10, 10, 12)))
    rim = ImageChops.subtract(body, rounded_mask(size, [housing[0] + s(1), housing[1] + s(1), housing[2] - s(1), housing[3] - s(1)], s(27)))
    blend_colour(img, rim.point(lambda v: v * 200 // 255), (16, 17, 19))

    # Raised front panel: a slightly lighter plate with a chamfer.
    moulded_plate(img, box(14, 13, 393, 406), 18, ((58, 61, 66), (38, 40, 44)), (4, 11), (2.5, 170, 200, 1),
                  ((112, 116, 123), (14, 15, 17)))

    # Screen surround: a recess stepping down to the glass.
    recess = box(29, 46, 378, 314)
    rm = rounded_mask(size, recess, s(9))
    paste_fill(img, rm, (22, 23, 26))
    light, dark = edge_light(size, recess, s(9), s(4), 210, 120, s(1.5))
    # Recessed: the top-left inner edge is in shadow, the bottom-right lit.
    blend_colour(img, light, (6, 6, 7))
    blend_colour(img, dark, (92, 96, 102))

    # Cover glass with its black print border, a touch lighter at the top
    # where it reflects the room.
    glass = box(36, 53, 371, 307)
    paste_fill(img, rounded_mask(size, glass, s(4)), vertical_gradient(size, (30, 32, 36), (8, 9, 10)))
    inner_edge = ImageChops.subtract(rounded_mask(size, glass, s(4)), rounded_mask(size, box(37, 54, 370, 306), s(3)))
    blend_colour(img, inner_edge.point(lambda v: v * 90 // 255), (120, 126, 134))

    # Brand and status lamp on the upper rim.
    d = ImageDraw.Draw(img)
    brand = ImageFont.truetype(FONT_BOLD, s(11))
    d.text((s(34) + s(0.6), s(24) + s(0.6)), "VELK", font=brand, fill=(20, 21, 23))
    d.text((s(34), s(24)), "VELK", font=brand, fill=(150, 155, 162))
    small = ImageFont.truetype(FONT_PLAIN, s(7))
    d.text((s(76), s(27.5)), "DISPLAY UNIT", font=small, fill=(112, 116, 122))
    lamp_c = (s(364), s(31))
    glow = Image.new("L", size, 0)
    ImageDraw.Draw(glow).ellipse([lamp_c[0] - s(7), lamp_c[1] - s(7), lamp_c[0] + s(7), lamp_c[1] + s(7)], fill=110)
    blend_colour(img, glow.filter(ImageFilter.GaussianBlur(s(3))), (60, 200, 90))
    d.ellipse([lamp_c[0] - s(3), lamp_c[1] - s(3), lamp_c[0] + s(3), lamp_c[1] + s(3)], fill=(90, 235, 120))
    d.ellipse([lamp_c[0] - s(1.5), lamp_c[1] - s(2), lamp_c[0] + s(0.5), lamp_c[1] - s(0.5)], fill=(220, 255, 225))
    d.text((s(334), s(27.5)), "PWR", font=small, fill=(112, 116, 122))

    # Mounting screws in the corners of the panel.
    for cx, cy in ((24, 23), (383, 23), (24, 396), (383, 396)):
        draw_screw(img, cx, cy)

    # Button row: five push buttons over the key zones, legends F1-F5.
    legend = ImageFont.truetype(FONT_BOLD, s(7))
    for k, (left, right) in enumerate(KEY_COLUMNS):
        draw_button(img, left, right, "F%d" % (k + 1), legend)

    out = img.resize((WIDTH, HEIGHT), Image.LANCZOS)
    # The screen opening is exact and black: the device image covers it.
    ImageDraw.Draw(out).rectangle([SCREEN[0], SCREEN[1], SCREEN[2] - 1, SCREEN[3] - 1], fill=(0, 0, 0))
    return out


def draw_icon(px):
    """A small display unit showing a gauge."""
    k = 8
    n = px * k
    img = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    u = n / 64.0
    d.rounded_rectangle([2 * u, 6 * u, 62 * u, 58 * u], radius=9 * u, fill=(30, 32, 36, 255))
    d.rounded_rectangle([2 * u, 6 * u, 62 * u, 58 * u], radius=9 * u, outline=(120, 126, 134, 255), width=int(2 * u))
    d.rectangle([9 * u, 12 * u, 55 * u, 44 * u], fill=(12, 20, 34, 255))
    # Gauge arc and needle.
    d.arc([16 * u, 16 * u, 48 * u, 48 * u], 180, 360, fill=(90, 170, 255, 255), width=int(3 * u))
    d.arc([16 * u, 16 * u, 48 * u, 48 * u], 315, 360, fill=(255, 80, 60, 255), width=int(3 * u))
    cx, cy = 32 * u, 32 * u
    ang = math.radians(-40)
    d.line([cx, cy, cx + 14 * u * math.cos(ang), cy + 14 * u * math.sin(ang)], fill=(255, 200, 60, 255), width=int(2.5 * u))
    d.ellipse([cx - 2.5 * u, cy - 2.5 * u, cx + 2.5 * u, cy + 2.5 * u], fill=(230, 230, 230, 255))
    for i in range(5):
        x = 13 * u + i * 9.5 * u
        d.rounded_rectangle([x, 48 * u, x + 6 * u, 53 * u], radius=1.5 * u, fill=(140, 146, 154, 255))
    return img.resize((px, px), Image.LANCZOS)


def draw_cursor():
    """A crosshair with a gap at its centre, hot spot (15, 15): black with a
    white outline so that it shows on any screen content."""
    n = 32
    img = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    c = 15
    arms = [(c, 2, c, 11), (c, 19, c, 28), (2, c, 11, c), (19, c, 28, c)]
    for x0, y0, x1, y1 in arms:
        d.rectangle([x0 - 1, y0 - 1, x1 + 1, y1 + 1], fill=(255, 255, 255, 255))
    for x0, y0, x1, y1 in arms:
        d.line([x0, y0, x1, y1], fill=(0, 0, 0, 255))
    d.rectangle([c - 1, c - 1, c + 1, c + 1], fill=(255, 255, 255, 255))
    d.point((c, c), fill=(0, 0, 0, 255))
    return img


def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    bezel = draw_bezel()
    assert bezel.size == (WIDTH, HEIGHT)
    bezel.save(os.path.join(OUT_DIR, "bezel.png"), optimize=True)
    draw_icon(64).save(os.path.join(OUT_DIR, "icon.png"), optimize=True)
    draw_cursor().save(os.path.join(OUT_DIR, "cursor.png"), optimize=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
