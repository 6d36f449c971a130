#include "host/display/FrameConversion.h"

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

namespace pcsim {

uint32_t ConvertPixel(uint16_t p) {
    if (p == 0x8000) p = 0x8001;
    return 0xFF000000u | (static_cast<uint32_t>(p & 0xF800u) << 8) |
           (static_cast<uint32_t>(p & 0x07E0u) << 5) | (static_cast<uint32_t>(p & 0x001Fu) << 3);
}

namespace {
/* One device pixel as ConvertPixel gives it, without a branch. */
inline uint32_t ConvertPixelInline(uint32_t p) {
    p |= static_cast<uint32_t>(p == 0x8000u); // shown as 0x8001
    return 0xFF000000u | ((p & 0xF800u) << 8) | ((p & 0x07E0u) << 5) | ((p & 0x001Fu) << 3);
}
} // namespace

// Both conversions are written so that the compiler turns each row into
// vector code: the window converts 40 frames a second and a recorded run
// one per written picture.
void ConvertFramePixels(const uint16_t* frame, uint32_t* frameBits) {
    for (int y = 0; y < kScreenHeight; ++y) {
        const uint16_t* __restrict src = frame + y * kScreenWidth;
        uint32_t* __restrict dst = frameBits + (kScreenHeight - 1 - y) * kScreenWidth;
        for (int x = 0; x < kScreenWidth; ++x)
            dst[x] = ConvertPixelInline(src[x]);
    }
}

void ConvertFramePixels(const uint16_t* frame, uint32_t* frameBits, uint32_t* upright,
                        int uprightStride) {
    ConvertFramePixels(frame, frameBits, upright, uprightStride, FrameArea::Whole());
}

void ConvertFramePixels(const uint16_t* frame, uint32_t* frameBits, uint32_t* upright,
                        int uprightStride, const FrameArea& area) {
    const int width = area.right - area.left;
    for (int y = area.top; y < area.bottom; ++y) {
        const uint16_t* __restrict src = frame + y * kScreenWidth + area.left;
        uint32_t* __restrict dst = frameBits + (kScreenHeight - 1 - y) * kScreenWidth + area.left;
        uint32_t* __restrict up = upright + static_cast<ptrdiff_t>(y) * uprightStride + area.left;
        for (int x = 0; x < width; ++x) {
            const uint32_t v = ConvertPixelInline(src[x]);
            dst[x] = v;
            up[x] = v;
        }
    }
}

namespace {
void Put16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(v >> (8 * i));
}
} // namespace

bool WriteBitmapFile(const std::string& path, const uint32_t* frameBits, std::string* error) {
    std::array<uint8_t, 54> header{};
    Put16(&header[0], 0x4D42);           // "BM"
    Put32(&header[2], kBitmapFileBytes); // bfSize
    Put32(&header[10], 54);              // bfOffBits
    Put32(&header[14], 40);              // biSize
    Put32(&header[18], kScreenWidth);    // biWidth
    Put32(&header[22], kScreenHeight);   // biHeight: bottom-up
    Put16(&header[26], 1);               // biPlanes
    Put16(&header[28], 32);              // biBitCount
    // biCompression (BI_RGB) and the remaining fields stay 0.

    std::vector<uint8_t> pixels(kFrameBitsBytes);
    for (int i = 0; i < kScreenWidth * kScreenHeight; ++i)
        Put32(&pixels[i * 4], frameBits[i]);

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (error) *error = std::string("cannot create ") + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size() &&
              std::fwrite(pixels.data(), 1, pixels.size(), f) == pixels.size();
    const int saved_errno = errno;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok && error)
        *error = std::string("cannot write ") + path + ": " + std::strerror(saved_errno);
    return ok;
}

} // namespace pcsim
