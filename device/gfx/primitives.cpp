// Rectangles, lines and point rotation. Every write goes through a bounds
// check against the layer's geometry, so no coordinate, however wild, can
// reach memory outside the layer.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "device/device_memory.h"
#include "device/gfx/gfx.h"

static GfxState& gs() { return device_memory.gfx; }

static inline void put_pixel(uint16_t* layer, int x, int y, uint16_t colour) {
    if (static_cast<unsigned>(x) < static_cast<unsigned>(GFX_WIDTH) &&
        static_cast<unsigned>(y) < static_cast<unsigned>(GFX_LAYER_ROWS)) {
        layer[y * GFX_WIDTH + x] = colour;
    }
}

void gfx_fill_block(uint16_t* layer, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1,
                       uint16_t colour) {
    if (x0 >= static_cast<uint32_t>(GFX_WIDTH) || y0 >= static_cast<uint32_t>(GFX_LAYER_ROWS)) return;
    x1 = std::min<uint32_t>(x1, GFX_WIDTH - 1);
    y1 = std::min<uint32_t>(y1, GFX_LAYER_ROWS - 1);
    const uint32_t count = x1 - x0 + 1;
    for (uint32_t y = y0; y <= y1; ++y) std::fill_n(layer + y * GFX_WIDTH + x0, count, colour);
}

void gfx_clear_layers(void) {
    std::fill_n(gfx_layer(0), GFX_WIDTH * GFX_SCREEN_ROWS, gs().key_colour);
    std::fill_n(gfx_layer(1), GFX_WIDTH * GFX_SCREEN_ROWS, gs().fill_colour);
}

void gfx_clear_frames(void) {
    std::fill_n(device_memory.frames[0], GFX_FRAME_PIXELS, uint16_t{0});
    std::fill_n(device_memory.frames[1], GFX_FRAME_PIXELS, uint16_t{0});
}

void gfx_fill_rect(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
    if (x1 < x0) std::swap(x0, x1);
    if (y1 < y0) std::swap(y0, y1);
    gfx_fill_block(gfx_current_layer(), x0, y0, x1, y1, gs().fill_colour);
}

static uint16_t pen_fill_colour(void) { return gs().pen_mode != 0 ? gs().pen_colour : GFX_WHITE; }

void gfx_pen_rect(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
    if (y1 < y0) std::swap(y0, y1);
    if (x1 < x0) std::swap(x0, x1);
    gfx_fill_block(gfx_current_layer(), x0, y0, x1, y1, pen_fill_colour());
}

void gfx_pen_span(uint32_t x0, uint32_t y, uint32_t x1) { gfx_pen_rect(x0, y, x1, y); }

namespace {

/* How one point of a line is plotted: colour, whether it is plotted at all,
 * and how many width pixels go on each side across the major axis. */
struct LineBrush {
    uint16_t* layer;
    uint16_t colour;
    bool draws;  // false for styles other than 0, 1 and 2
    bool dotted; // style 1: only even running coordinates
    int half_width;
};

LineBrush line_brush(bool width_pixels) {
    const GfxState& s = gs();
    LineBrush b{gfx_current_layer(), s.pen_colour, s.line_style <= 2, s.line_style == 1, 0};
    if (s.line_style == 2) b.colour = s.alt_colour;
    if (width_pixels) b.half_width = s.width_code == 3 ? 1 : (s.width_code == 4 ? 2 : 0);
    return b;
}

/* Plot (x, y) and its width pixels, which lie along x when across_x is set
 * (y-major and vertical lines) and along y otherwise. */
inline void plot(const LineBrush& b, uint16_t x, uint16_t y, bool across_x) {
    put_pixel(b.layer, x, y, b.colour);
    for (int d = 1; d <= b.half_width; ++d) {
        if (across_x) {
            put_pixel(b.layer, x - d, y, b.colour);
            put_pixel(b.layer, x + d, y, b.colour);
        } else {
            put_pixel(b.layer, x, y - d, b.colour);
            put_pixel(b.layer, x, y + d, b.colour);
        }
    }
}

} // namespace

/* Bresenham with the minor axis stepping on a midpoint tie (error exactly 0).
 * The walk runs along the major axis (a) and steps the minor axis (b); for a
 * y-major line (which includes |dx| = |dy|) a is y. Coordinates run as
 * 16-bit unsigned values, as on the target. */
void gfx_line(uint32_t ux0, uint32_t uy0, uint32_t ux1, uint32_t uy1) {
    const uint16_t x0 = static_cast<uint16_t>(ux0), y0 = static_cast<uint16_t>(uy0);
    const uint16_t x1 = static_cast<uint16_t>(ux1), y1 = static_cast<uint16_t>(uy1);
    if (x0 == x1 && y0 == y1) {
        put_pixel(gfx_current_layer(), x0, y0, gs().pen_colour);
        return;
    }
    // A dotted gfx_line plots no width pixels, whatever the width code.
    const LineBrush brush = line_brush(gs().line_style != 1);
    if (!brush.draws) return;

    const bool y_major = !(std::abs(static_cast<int>(x1) - x0) > std::abs(static_cast<int>(y1) - y0));
    uint16_t a0 = y_major ? y0 : x0, a1 = y_major ? y1 : x1;
    uint16_t b0 = y_major ? x0 : y0, b1 = y_major ? x1 : y1;
    if (a1 < a0) { // walk upwards along the major axis
        std::swap(a0, a1);
        std::swap(b0, b1);
    }
    const int da = a1 - a0;
    const int db = static_cast<int>(b1) - b0;
    const int step = db > 0 ? 1 : -1;
    const int adb = std::abs(db);
    int err = -da;
    uint16_t a = a0, b = b0;
    for (int i = 0; i <= da; ++i, ++a) {
        if (err >= 0) {
            b = static_cast<uint16_t>(b + step);
            err -= 2 * da;
        }
        err += 2 * adb;
        if (brush.dotted && (a & 1u) != 0) continue; // dotted: even major coordinates only
        if (y_major) {
            plot(brush, b, a, true);
        } else {
            plot(brush, a, b, false);
        }
    }
}

void gfx_hline(uint32_t x0, uint32_t y, uint32_t x1) {
    if (x1 < x0) std::swap(x0, x1);
    const LineBrush brush = line_brush(true);
    if (!brush.draws || x0 >= static_cast<uint32_t>(GFX_WIDTH)) return;
    x1 = std::min<uint32_t>(x1, GFX_WIDTH - 1); // pixels further right would be dropped anyway
    const uint16_t yy = static_cast<uint16_t>(y);
    if (y != yy) return; // beyond any 16-bit row: every pixel would be dropped
    for (uint32_t x = x0; x <= x1; ++x) {
        if (!brush.dotted || (x & 1u) == 0) plot(brush, static_cast<uint16_t>(x), yy, false);
    }
}

void gfx_vline(uint32_t x, uint32_t y0, uint32_t y1) {
    if (x >= static_cast<uint32_t>(GFX_WIDTH)) return;
    if (y1 < y0) std::swap(y0, y1);
    const LineBrush brush = line_brush(true);
    if (!brush.draws || y0 >= static_cast<uint32_t>(GFX_LAYER_ROWS)) return;
    y1 = std::min<uint32_t>(y1, GFX_LAYER_ROWS - 1);
    for (uint32_t y = y0; y <= y1; ++y) {
        if (!brush.dotted || (y & 1u) == 0) plot(brush, static_cast<uint16_t>(x), static_cast<uint16_t>(y), true);
    }
}

GfxPoint gfx_rotate_point(uint16_t px, uint16_t py, uint16_t rx, uint16_t ry, float angle) {
    const int dx = static_cast<int>(rx) - px;
    const int dy = static_cast<int>(ry) - py;
    const float r = static_cast<float>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
    float theta0;
    if (ry == py) {
        theta0 = rx > px ? 1.5707964f : -1.5707964f;
    } else {
        theta0 = static_cast<float>(3.1415927f - std::atan2(static_cast<double>(dx), static_cast<double>(dy)));
    }
    const float turn = static_cast<float>(angle * 0.017453292);
    const float theta = theta0 + turn;
    const float x = static_cast<float>(std::sin(static_cast<double>(theta)) * r + px);
    const float y = static_cast<float>(py - std::cos(static_cast<double>(theta)) * r);
    auto round_away = [](float v) {
        return static_cast<int32_t>(v >= 0.0f ? v + 0.5f : v - 0.5f);
    };
    return GfxPoint{round_away(x), round_away(y)};
}
