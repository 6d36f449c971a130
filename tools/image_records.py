#!/usr/bin/python3
"""Turn PNG pictures into constant image records for the device.

Each PNG becomes one record named img_<name>, where <name> is the file name
up to its first dot:

  NAME.png       colour image: RGB565 pixels, row-major, top row first.
                 Pixels less than half opaque become 0xFFFF, the key colour,
                 so that image mode 0 leaves them out.
  NAME.bit1.png  one-plane bit image: dark pixels (luma below 128) are 1
                 bits and draw in the pen colour; the rest are 0 bits.
  NAME.bit2.png  two-plane bit image: black pixels (luma below 64) are
                 plane A (pen colour on the overlay), mid-tones (64..191)
                 are plane B (a hole in the overlay over the alternate
                 colour), white and transparent pixels are 0 in both.

Bit images must be a multiple of 8 pixels wide and at most 2040 x 255;
their rows are stored bottom row first, bit 7 leftmost.

Writes a header declaring the records and a C++ source defining them.
Runs at build time with Debian's /usr/bin/python3 and python3-pil.
"""
import os

from PIL import Image

import cpp_emit

KEY_COLOUR = 0xFFFF
MAX_BIT_ROWS = 255
MAX_BIT_ROW_BYTES = 255
KINDS = {"": "colour", "bit1": "one-plane", "bit2": "two-plane"}


def fail(path, why):
    raise SystemExit("image_records: %s: %s" % (path, why))


def split_name(path):
    """(record name, kind suffix) of a picture file."""
    base = os.path.basename(path)
    if not base.lower().endswith(".png"):
        fail(path, "not a .png file")
    parts = base[:-4].split(".")
    if len(parts) > 2 or (len(parts) == 2 and parts[1] not in KINDS):
        fail(path, "name the file NAME.png, NAME.bit1.png or NAME.bit2.png")
    return cpp_emit.identifier(parts[0], "picture"), (parts[1] if len(parts) == 2 else "")


def rgb565(r, g, b):
    """Round each channel to its 5 or 6 bits."""
    return ((r * 31 + 127) // 255) << 11 | ((g * 63 + 127) // 255) << 5 | ((b * 31 + 127) // 255)


def luma(r, g, b):
    return (299 * r + 587 * g + 114 * b) // 1000


def colour_pixels(image):
    pixels = []
    for r, g, b, a in image.getdata():
        pixels.append(KEY_COLOUR if a < 128 else rgb565(r, g, b))
    return pixels


def bit_planes(path, image, two_planes):
    """Plane A and plane B bytes, bottom row first."""
    w, h = image.size
    if w % 8 != 0 or w // 8 > MAX_BIT_ROW_BYTES or h > MAX_BIT_ROWS or w == 0 or h == 0:
        fail(path, "a bit image is 8 to 2040 pixels wide in steps of 8 and 1 to 255 rows high, not %dx%d" % (w, h))
    data = list(image.getdata())
    plane_a, plane_b = [], []
    for y in reversed(range(h)):
        for byte in range(w // 8):
            a_bits = b_bits = 0
            for bit in range(8):
                r, g, b, alpha = data[y * w + byte * 8 + bit]
                level = 255 if alpha < 128 else luma(r, g, b)
                mask = 0x80 >> bit
                if two_planes:
                    if level < 64:
                        a_bits |= mask
                    elif level < 192:
                        b_bits |= mask
                elif level < 128:
                    a_bits |= mask
            plane_a.append(a_bits)
            plane_b.append(b_bits)
    return plane_a + (plane_b if two_planes else [])


def record_source(name, kind, image, path):
    """The definition of one record (inside an anonymous namespace)."""
    w, h = image.size
    if kind == "":
        body = cpp_emit.array_body(colour_pixels(image), "0x%04X")
        return ("const ColourRecord<%d> %s_record = {0, %d, %d, {\n%s\n}};\n"
                % (w * h, name, w, h, body))
    planes = bit_planes(path, image, kind == "bit2")
    header = [1 if kind == "bit1" else 2, h, w // 8]
    body = cpp_emit.array_body(header + planes, "0x%02X")
    return "const uint8_t %s_record[] = {\n%s\n};\n" % (name, body)


def main():
    args = cpp_emit.parse_args(__doc__.splitlines()[0], "PNG files")
    banner = cpp_emit.generated_banner("image_records.py", args.inputs)
    declarations, definitions, pointers = [], [], []
    seen = {}
    for path in args.inputs:
        name, kind = split_name(path)
        if name in seen:
            fail(path, "same record name as %s" % seen[name])
        seen[name] = path
        try:
            image = Image.open(path).convert("RGBA")
        except OSError as e:
            fail(path, e)
        w, h = image.size
        declarations.append("extern const ImageResource* const img_%s; // %s, %d x %d"
                            % (name, KINDS[kind], w, h))
        definitions.append(record_source(name, kind, image, path))
        pointers.append("const ImageResource* const img_%s = image_resource(&%s_record);" % (name, name))

    header = (banner + "#pragma once\n\n#include \"device/gfx/image.h\"\n\n"
              + "\n".join(declarations) + "\n")
    source = (banner + "#include \"%s\"\n\n#include <cstddef>\n#include <cstdint>\n\nnamespace {\n\n" % args.include
              + "// A colour record: the 12-byte header, then the pixels, no padding between.\n"
              + "template <int N> struct ColourRecord {\n"
              + "    int32_t kind;\n    int32_t width;\n    int32_t height;\n    uint16_t pixels[N];\n};\n"
              + "static_assert(offsetof(ColourRecord<1>, pixels) == IMAGE_COLOUR_HEADER_BYTES);\n\n"
              + "\n".join(definitions)
              + "\n} // namespace\n\n" + "\n".join(pointers) + "\n")
    cpp_emit.write_text(args.header, header)
    cpp_emit.write_text(args.cpp, source)


if __name__ == "__main__":
    main()
