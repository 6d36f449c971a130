#!/usr/bin/python3
"""Embed TrueType font files in the device as the font registry.

The registry lists the fonts in the order given on the command line, which
is their font index. Writes a header declaring the registry and a C++
source holding each file's bytes. Runs at build time.
"""
import argparse
import os

import cpp_emit


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--header", required=True, help="header to write")
    parser.add_argument("--cpp", required=True, help="C++ source to write")
    parser.add_argument("--include", required=True, help="how the source includes the header")
    parser.add_argument("fonts", nargs="+")
    args = parser.parse_args()

    banner = cpp_emit.generated_banner("font_records.py", args.fonts)
    arrays, entries, index_notes = [], [], []
    for index, path in enumerate(args.fonts):
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
              + "constexpr uint32_t FONT_REGISTRY_COUNT = %d;\n" % len(args.fonts)
              + "extern const FontEntry font_registry[FONT_REGISTRY_COUNT];\n")
    source = (banner + "#include \"%s\"\n\nnamespace {\n\n" % args.include
              + "\n".join(arrays) + "\n} // namespace\n\n"
              + "const FontEntry font_registry[FONT_REGISTRY_COUNT] = {\n" + "\n".join(entries) + "\n};\n")
    cpp_emit.write_text(args.header, header)
    cpp_emit.write_text(args.cpp, source)


if __name__ == "__main__":
    main()
