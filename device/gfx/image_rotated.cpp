// Colour images drawn rotated about a pivot, in 24.8 fixed point.
//
// The draw walks the layer box covered by the rotated image and maps every
// layer pixel back to the source (nearest pixel, no filtering), so the
// result has no holes. The arithmetic runs in 64 bits: for every position
// inside the layer it equals the 32-bit fixed-point original, and far-away
// pivots cannot overflow.
#include <algorithm>
#include <cmath>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/gfx/image.h"
#include "device/gfx/image_record.h"

namespace {

constexpr int FIXED_SHIFT = 8;
constexpr int64_t FIXED_ONE = 1 << FIXED_SHIFT;
constexpr float RADIANS_PER_DEGREE = 0.017453292f;
constexpr int64_t MAX_X = GFX_WIDTH - 1;
constexpr int64_t MAX_Y = GFX_FRAME_ROWS - 1;

/* 0..359; negative angles count back from 359. */
int normalise_angle(int a) {
    if (a > 359) return a % 360;
    if (a < 0) return 359 - ((-a - 1) % 360);
    return a;
}

/* A minimum coordinate in whole pixels: negative values become 0. */
int64_t low_edge(int64_t fixed) {
    return fixed < 0 ? 0 : fixed >> FIXED_SHIFT;
}

} // namespace

void gfx_draw_image_rotated(int32_t px, int32_t py, const ImageResource* image, int16_t angle,
                            int32_t qx, int32_t qy, GfxRect* result) {
    const uint8_t* record = image_bytes(image);
    if (image_read_i32(record) != 0) return; // colour images only
    const int64_t w = image_read_i32(record + 4);
    const int64_t h = image_read_i32(record + 8);
    const uint8_t* pixels = record + IMAGE_COLOUR_HEADER_BYTES;
    uint16_t* layer = gfx_current_layer();

    // Sine and cosine in 32-bit float, as the target computes them: at 90 and
    // 180 degrees they round to exactly 1 and -1, so those turns are exact.
    const float theta = static_cast<float>(normalise_angle(angle)) * RADIANS_PER_DEGREE;
    const int64_t co = static_cast<int64_t>(std::cos(theta) * static_cast<float>(FIXED_ONE));
    const int64_t si = static_cast<int64_t>(std::sin(theta) * static_cast<float>(FIXED_ONE));

    // Bounding box of the four mapped corners.
    int64_t min_x = INT64_MAX, min_y = INT64_MAX, max_x = INT64_MIN, max_y = INT64_MIN;
    const int64_t corners[4][2] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    for (const auto& c : corners) {
        const int64_t di = c[0] - px, dj = c[1] - py;
        const int64_t X = int64_t{qx} * FIXED_ONE + co * di - si * dj;
        const int64_t Y = int64_t{qy} * FIXED_ONE + si * di + co * dj;
        min_x = std::min(min_x, X);
        max_x = std::max(max_x, X);
        min_y = std::min(min_y, Y);
        max_y = std::max(max_y, Y);
    }
    const int64_t left = low_edge(min_x), top = low_edge(min_y);
    const int64_t right = std::min(max_x >> FIXED_SHIFT, MAX_X);
    const int64_t bottom = std::min(max_y >> FIXED_SHIFT, MAX_Y);

    const bool skip_key = device_memory.image.image_mode == 0;
    const uint16_t key = device_memory.gfx.key_colour;
    for (int64_t Y = bottom; Y >= top; --Y) {
        // Source point of the row's first pixel; along the row u grows by co
        // and v falls by si per column.
        int64_t u = int64_t{px} * FIXED_ONE + co * (left - qx) + si * (Y - qy);
        int64_t v = int64_t{py} * FIXED_ONE - si * (left - qx) + co * (Y - qy);
        for (int64_t X = left; X <= right; ++X, u += co, v -= si) {
            if (u < 0 || v < 0) continue;
            const int64_t i = u >> FIXED_SHIFT, j = v >> FIXED_SHIFT;
            if (i > w - 1 || j > h - 1) continue;
            const uint16_t p = image_read_u16(pixels + 2 * (j * w + i));
            if (skip_key && p == key) continue;
            layer[Y * GFX_WIDTH + X] = p;
        }
    }
    if (result) {
        *result = GfxRect{static_cast<int32_t>(left), static_cast<int32_t>(top),
                          static_cast<int32_t>(right), static_cast<int32_t>(bottom)};
    }
}
