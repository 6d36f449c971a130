#!/usr/bin/python3
"""Embed TrueType font files in the device as the font registry.

The registry lists the fonts in the order given on the command line, which
is their font index; the text functions take indices 0 to 2, so at most
three fonts. Writes a header declaring the registry (font_registry, or the
name given with --registry) and a C++ source holding each file's bytes.
With --app-hook the source also defines app_font_registry, the hook that
hands an application's own fonts to the device's start-up. Runs at build
time.
"""
import os

import cpp_emit

MAX_FONTS = 3  # font indices 0-2 (TEXT_MAX_FONT_INDEX in device/gfx/text.h)


def options(parser):
    parser.add_argument("--registry", default="font_registry",
                        help="name of the registry array (its length: NAME_COUNT in capitals)")
    parser.add_argument("--app-hook", action="store_true",
                        help="also define app_font_registry returning the registry")


def main():
    args = cpp_emit.parse_args(__doc__.splitlines()[0], "TrueType files, in font index order",
                               options)
    if not args.inputs:
        raise SystemExit("font_records: no fonts given")
    if len(args.inputs) > MAX_FONTS:
        raise SystemExit("font_records: %d fonts given; the device takes at most %d (indices 0-%d)"
                         % (len(args.inputs), MAX_FONTS, MAX_FONTS - 1))
    registry = cpp_emit.identifier(args.registry, "registry")
    count = registry.upper() + "_COUNT"
    banner = cpp_emit.generated_banner("font_records.py", args.inputs)
    arrays, entries, index_notes = [], [], []
    for index, path in enumerate(args.inputs):
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError as e:
            raise SystemExit("font_records: %s" % e)
        if data[:4] not in (b"\x00\x01\x00\x00", b"true"):
            raise SystemExit("font_records: %s: not a TrueType font" % path)
        arrays.append("const uint8_t font_%d_bytes[] = {\n%s\n};\n"
                      % (index, cpp_emit.array_body(list(data), "0x%02X")))
        entries.append("    {font_%d_bytes, sizeof font_%d_bytes, 0}," % (index, index))
        index_notes.append("//   %d  %s" % (index, os.path.basename(path)))

    header = (banner + "#pragma once\n\n#include <cstdint>\n\n#include \"device/gfx/text.h\"\n\n"
              + "// Font index and file:\n" + "\n".join(index_notes) + "\n"
              + "constexpr uint32_t %s = %d;\n" % (count, len(args.inputs))
              + "extern const FontEntry %s[%s];\n" % (registry, count))
    hook = ""
    if args.app_hook:
        hook = ("\nconst FontEntry* app_font_registry(uint32_t* count) {\n"
                "    *count = %s;\n    return %s;\n}\n" % (count, registry))
    source = (banner + "#include \"%s\"\n\n" % args.include
              + ("#include \"device/runtime/app_hooks.h\"\n\n" if args.app_hook else "")
              + "namespace {\n\n"
              + "\n".join(arrays) + "\n} // namespace\n\n"
              + "const FontEntry %s[%s] = {\n" % (registry, count) + "\n".join(entries) + "\n};\n"
              + hook)
    cpp_emit.write_text(args.header, header)
    cpp_emit.write_text(args.cpp, source)


if __name__ == "__main__":
    main()
