#pragma once
// Constant image records and the blitter that draws them into the layers.
//
// An ImageResource is addressed by its first byte and read as bytes; the
// layout (all integers little-endian) is one of:
//
//   colour image, first 32-bit word 0:
//     0   int32  kind 0
//     4   int32  width w in pixels
//     8   int32  height h in rows
//     12  w*h    RGB565 pixels (16-bit), row-major, top row first, no padding
//
//   bit image, first byte non-zero:
//     0   uint8  kind: 1 = one plane, any other value = two planes
//     1   uint8  rows r
//     2   uint8  bytes per row b (the image is 8*b pixels wide)
//     3   r*b    plane A, bottom row stored first, bit 7 = leftmost pixel
//     3+r*b r*b  plane B (two-plane images only), same layout
//
// Pictures the device draws come from PNG files turned into such records at
// build time (device/assets/images.h); tests may build records from bytes.
#include <cstdint>

struct ImageResource; // never complete: a record is only ever read as bytes

/* View the bytes of a record (a generated struct or a test's byte buffer). */
inline const ImageResource* image_resource(const void* record) {
    return static_cast<const ImageResource*>(record);
}

constexpr uint8_t IMAGE_KIND_ONE_PLANE = 1;
constexpr int IMAGE_COLOUR_HEADER_BYTES = 12;
constexpr int IMAGE_BIT_HEADER_BYTES = 3;

struct ImageState {
    uint8_t image_mode = 1; // colour images: 0 skips key-colour pixels, 1 copies all, else nothing
    uint8_t bitmap_opaque = 1; // bit images: non-zero paints 0 bits, 0 leaves them unchanged
};

/* Box of layer pixels a rotated draw covered, corners inclusive. */
struct GfxRect {
    int32_t x0;
    int32_t y0;
    int32_t x1;
    int32_t y1;
};

void gfx_set_image_mode(uint8_t mode);
void gfx_set_bitmap_opaque(uint8_t flag);

/* Draw the record with its top-left pixel at (x, y). Colour images go to the
 * layer of the current layer code; a row reaching past column 319 continues
 * at the start of the next layer row. Bit images pick their layers from the
 * pen colour (one plane) or write both layers (two planes). Pixels beyond
 * the layer's storage are dropped. */
void gfx_draw_image(uint16_t x, uint16_t y, const ImageResource* image);

/* Draw a colour image rotated by angle degrees (clockwise on screen) so that
 * image point (px, py) lands on layer point (qx, qy), clipped to 320 x 284.
 * Records whose first 32-bit word is not 0 are refused. When result is given
 * it receives the layer box the draw covered. */
void gfx_draw_image_rotated(int32_t px, int32_t py, const ImageResource* image, int16_t angle,
                            int32_t qx, int32_t qy, GfxRect* result);
