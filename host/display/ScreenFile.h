#pragma once
// Screen pictures written by headless runs: PNG through QImage, or the
// 320 x 240, 32-bit Windows bitmap of the Save Screen command.
#include <cstdint>
#include <string>

namespace pcsim {

/* True when path names a PNG file: it ends in ".png", in any case. */
bool IsPngPath(const std::string& path);

/* frameBits (320 x 240, bottom-up, as ConvertFramePixels writes it) as an
 * RGB PNG file, top row first; false with the reason in error. */
bool WritePngFile(const std::string& path, const uint32_t* frameBits, std::string* error);

/* PNG when IsPngPath(path), the Windows bitmap otherwise. */
bool WriteScreenFile(const std::string& path, const uint32_t* frameBits, std::string* error);

} // namespace pcsim
