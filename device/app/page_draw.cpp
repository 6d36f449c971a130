#include "device/app/page_draw.h"

#include <cstdio>

#include "device/app/images.h"
#include "device/gfx/image.h"
#include "device/gfx/gfx.h"
#include "device/gfx/text.h"

static double large_deflection(double v) { return 96 * v / 100 + 2; }
static double engine_speed_deflection(double v) { return 77 * v / 2000 + 4; }
static double oil_deflection(double v) { return 72 * v / 100 + 4; }
static double coolant_deflection(double v) { return 72 * v / 200 + 4; }
static double battery_deflection(double v) { return (v - 10) * 72 / 10 + 4; }
static double ambient_deflection(double v) { return (v - (-20)) * 72 / 140 + 4; }

const NeedleGauge GAUGE_LARGE = {0, 100, large_deflection, 100, -140, 155};
const NeedleGauge GAUGE_ENGINE_SPEED = {0, 2000, engine_speed_deflection, 85, -130, 88};
const NeedleGauge GAUGE_OIL = {0, 100, oil_deflection, 80, -130, 88};
const NeedleGauge GAUGE_BATTERY = {10, 20, battery_deflection, 80, -130, 88};
const NeedleGauge GAUGE_COOLANT = {0, 200, coolant_deflection, 80, -130, 88};
const NeedleGauge GAUGE_AMBIENT = {-20, 120, ambient_deflection, 80, -130, 88};

double needle_deflection(const NeedleGauge& g, double v) {
    double d = g.deflection(v);
    if (!(d > 0)) return 0;
    return d > g.dmax ? g.dmax : d;
}

void needle_set_colour(const NeedleGauge& g, double v) {
    gfx_set_pen_colour(g.lo <= v && v <= g.hi ? COLOUR_IN_RANGE : COLOUR_OUT_RANGE);
}

void needle_draw_at(const NeedleGauge& g, uint16_t px, uint16_t py, double d) {
    const float angle = static_cast<float>(d + g.angle_offset);
    GfxPoint end = gfx_rotate_point(px, py, static_cast<uint16_t>(px + g.radius), py, angle);
    // An end point off the screen is pulled onto the nearest edge.
    if (end.x < 0) end.x = 0;
    if (end.x > GFX_WIDTH - 1) end.x = GFX_WIDTH - 1;
    if (end.y < 0) end.y = 0;
    if (end.y > GFX_SCREEN_ROWS - 1) end.y = GFX_SCREEN_ROWS - 1;
    gfx_line(px, py, static_cast<uint32_t>(end.x), static_cast<uint32_t>(end.y));
}

void needle_draw(const NeedleGauge& g, uint16_t px, uint16_t py, double v) {
    needle_set_colour(g, v);
    const double d = needle_deflection(g, v);
    gfx_set_line_style(0, 4);
    needle_draw_at(g, px, py, d);
}

void page_draw_indicators(uint8_t indicator_1, uint8_t indicator_2) {
    if (indicator_1 == 1) gfx_draw_image(278, 30, img_indicator_1);
    if (indicator_2 == 1) gfx_draw_image(279, 90, img_indicator_2);
}

void page_clear_overlay(void) {
    gfx_select_layer(2);
    gfx_fill_rect(0, 0, GFX_WIDTH - 1, GFX_SCREEN_ROWS - 1);
}

void page_draw_background(const ImageResource* picture, uint16_t x) {
    gfx_select_layer(1);
    gfx_clear_layers();
    gfx_draw_image(x, 0, picture);
}

void page_draw_value(int32_t x, int32_t y, const char* format, double value) {
    char text[13];
    std::snprintf(text, sizeof text, format, value);
    gfx_draw_text(x, y, text);
}

void page_draw_label(int32_t x, int32_t y, double value) {
    char text[9];
    std::snprintf(text, sizeof text, "%1.0f", value);
    gfx_draw_text(x, y, text);
}
