#pragma once
// Drawing helpers shared by the pages: colours, needles, the transparent
// overlay and formatted text.
#include <cstdint>

struct ImageResource;

constexpr uint16_t COLOUR_IN_RANGE = 0xFFE0;  // needles within range, all value texts
constexpr uint16_t COLOUR_OUT_RANGE = 0xF800; // needles outside range or not a number
constexpr uint16_t COLOUR_TEXT = 0xFFFE;      // labels and titles (0xFFFF is transparent)
constexpr uint16_t COLOUR_CAPTION = 0x8410;   // captions and the version text

/* One needle gauge: the deflection formula and its geometry. */
struct NeedleGauge {
    double lo, hi;                // in-range values
    double (*deflection)(double); // value -> deflection, before clamping
    double dmax;                  // largest deflection
    double angle_offset;          // angle (degrees) = deflection + offset
    uint16_t radius;              // needle length in pixels
};

extern const NeedleGauge GAUGE_LARGE;        // 0-100, -140..-40 degrees
extern const NeedleGauge GAUGE_ENGINE_SPEED; // 0-2000, -130..-45 degrees
extern const NeedleGauge GAUGE_OIL;
extern const NeedleGauge GAUGE_BATTERY;
extern const NeedleGauge GAUGE_COOLANT;
extern const NeedleGauge GAUGE_AMBIENT;

/* Deflection clamped to 0..dmax; NaN gives 0. */
double needle_deflection(const NeedleGauge& g, double v);
/* Pen colour for v: in-range yellow or out-of-range red. */
void needle_set_colour(const NeedleGauge& g, double v);
/* 5-pixel line from the pivot to the end point at deflection d, clamped to
 * the screen. Uses the current pen colour. */
void needle_draw_at(const NeedleGauge& g, uint16_t px, uint16_t py, double d);
/* All three steps: colour, deflection, line. */
void needle_draw(const NeedleGauge& g, uint16_t px, uint16_t py, double v);

/* The two warning indicators, each shown while its flag is 1. */
void page_draw_indicators(uint8_t indicator_1, uint8_t indicator_2);
/* Select the overlay and make it transparent. */
void page_clear_overlay(void);
/* Select the background, clear both layers and draw the page picture. */
void page_draw_background(const ImageResource* picture, uint16_t x);
/* printf-style value text (13-byte buffer, 12 characters at most). */
void page_draw_value(int32_t x, int32_t y, const char* format, double value);
/* Scale label (9-byte buffer, 8 characters at most). */
void page_draw_label(int32_t x, int32_t y, double value);
