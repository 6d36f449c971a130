#pragma once
// Conversion of a device output frame (RGB565) into the host's 32-bit
// bottom-up bitmap, and the screen capture file written from that bitmap.
#include <cstdint>
#include <string>

namespace pcsim {

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;
constexpr int kFrameBitsBytes = kScreenWidth * kScreenHeight * 4; // 307200
constexpr int kBitmapFileBytes = 14 + 40 + kFrameBitsBytes;       // 307254

/* One device pixel as the window shows it: each channel's bits at the top
 * of its byte, alpha 0xFF; 0x8000 is shown as 0x8001. */
uint32_t ConvertPixel(uint16_t rgb565);

/* Rows 0-239 of frame into frameBits, device row y at bitmap row 239 - y
 * (1280 bytes a row), so the device's top row is the picture's top line. */
void ConvertFramePixels(const uint16_t* frame, uint32_t* frameBits);
/* The same, and in the same pass the picture the right way up into
 * upright (device row y at upright + y * uprightStride pixels), which is
 * what the window paints. */
void ConvertFramePixels(const uint16_t* frame, uint32_t* frameBits, uint32_t* upright,
                        int uprightStride);

/* A rectangle of screen pixels, left/top inclusive, right/bottom exclusive. */
struct FrameArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Empty() const { return left >= right || top >= bottom; }
    static FrameArea Whole() { return {0, 0, kScreenWidth, kScreenHeight}; }
};

/* The two-buffer conversion limited to area (which lies within the screen):
 * the window converts only what changed. */
void ConvertFramePixels(const uint16_t* frame, uint32_t* frameBits, uint32_t* upright,
                        int uprightStride, const FrameArea& area);

/* Write the 320 x 240, 32-bit Windows bitmap of frameBits; false (and the
 * reason in error) when the file cannot be created or written completely. */
bool WriteBitmapFile(const std::string& path, const uint32_t* frameBits, std::string* error);

} // namespace pcsim
