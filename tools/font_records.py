#!/usr/bin/python3
"""Embed TrueType font files in the device as the font registry.

The registry lists the fonts in the order given on the command line, which
is their font index. Writes a header declaring the registry and a C++
source holding each file's bytes. Runs at build time.
"""
import os

import cpp_emit


def main():
    args = cpp_emit.parse_args(__doc__.splitlines()[0], "TrueType files, in font index order")
    if not args.inputs:
        raise SystemExit("font_records: no fonts given")
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
              + "constexpr uint32_t FONT_REGISTRY_COUNT = %d;\n" % len(args.inputs)
              + "extern const FontEntry font_registry[FONT_REGISTRY_COUNT];\n")
    source = (banner + "#include \"%s\"\n\nnamespace {\n\n" % args.include
              + "\n".join(arrays) + "\n} // namespace\n\n"
              + "const FontEntry font_registry[FONT_REGISTRY_COUNT] = {\n" + "\n".join(entries) + "\n};\n")
    cpp_emit.write_text(args.header, header)
    cpp_emit.write_text(args.cpp, source)


if __name__ == "__main__":
    main()
