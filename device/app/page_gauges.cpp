// The four small gauges: oil pressure, battery, coolant, ambient.
#include "device/app/app.h"
#include "device/app/images.h"
#include "device/app/page_draw.h"
#include "device/app/pages.h"
#include "device/gfx/gfx.h"
#include "device/gfx/image.h"
#include "device/gfx/text.h"
#include "device/screen/screen.h"

namespace {

struct Point {
    int32_t x, y;
};

/* Placement of one small gauge on the page. */
struct SmallGauge {
    const char* title;
    const NeedleGauge* gauge;
    double labels[3];      // left end, right end, middle of the scale
    Point label_at[3];
    const ImageResource* const* icon; // the record's pointer, read at draw time
    Point icon_at;
    Point pivot;
    Point plate_at;
    Point title_at;
    const char* unit;
    Point unit_at;
    Point value_at;
};

void draw_small_gauge(const SmallGauge& g, double v) {
    gfx_set_pen_colour(COLOUR_TEXT);
    gfx_set_font(12, 1, 0);
    for (int i = 0; i < 3; ++i) page_draw_label(g.label_at[i].x, g.label_at[i].y, g.labels[i]);

    const double d = needle_deflection(*g.gauge, v);
    gfx_draw_image(static_cast<uint16_t>(g.icon_at.x), static_cast<uint16_t>(g.icon_at.y), *g.icon);
    gfx_set_line_style(0, 4);
    needle_set_colour(*g.gauge, v);
    needle_draw_at(*g.gauge, static_cast<uint16_t>(g.pivot.x), static_cast<uint16_t>(g.pivot.y), d);

    gfx_draw_image(static_cast<uint16_t>(g.plate_at.x), static_cast<uint16_t>(g.plate_at.y),
                   img_label_plate);
    gfx_set_font(12, 1, 0);
    gfx_set_pen_colour(COLOUR_TEXT);
    gfx_draw_text(g.title_at.x, g.title_at.y, g.title);

    gfx_set_font(14, 0, 0);
    gfx_draw_text(g.unit_at.x, g.unit_at.y, g.unit);

    gfx_set_font(24, 2, 0);
    gfx_set_pen_colour(COLOUR_IN_RANGE);
    page_draw_value(g.value_at.x, g.value_at.y, "%3.0f", v);
}

const SmallGauge OIL = {"OIL PRESSURE", &GAUGE_OIL, {0, 100, 50}, {{155, 35}, {251, 35}, {205, 20}},
                        &img_icon_oil, {178, 37}, {195, 92}, {137, 77}, {201, 62}, "PSI", {236, 88},
                        {231, 82}};
const SmallGauge BATTERY = {"BATTERY", &GAUGE_BATTERY, {10, 20, 15},
                            {{18, 157}, {114, 157}, {68, 142}}, &img_icon_battery, {41, 159},
                            {58, 214}, {0, 199}, {64, 184}, "V", {99, 210}, {94, 204}};
const SmallGauge COOLANT = {"ECT", &GAUGE_COOLANT, {0, 200, 100}, {{18, 35}, {114, 35}, {68, 20}},
                            &img_icon_coolant, {41, 37}, {58, 92}, {0, 77}, {64, 62}, "F", {99, 88},
                            {94, 82}};
const SmallGauge AMBIENT = {"AMB TEMP", &GAUGE_AMBIENT, {-20, 120, 50},
                            {{155, 157}, {251, 157}, {205, 142}}, &img_icon_ambient, {178, 159},
                            {195, 214}, {137, 199}, {201, 184}, "F", {236, 210}, {231, 204}};

} // namespace

void page_gauges_enter(void) { screen_enter_page(page_gauges_static, page_gauges_update); }

void page_gauges_static(void) { page_draw_background(img_gauges_bg, 0); }

void page_gauges_update(void) {
    const DemoSignals& s = app_state.demo;
    const double ambient = s.ambient;
    page_clear_overlay();
    draw_small_gauge(OIL, s.oil_pressure);
    draw_small_gauge(BATTERY, s.battery);
    draw_small_gauge(COOLANT, s.coolant);
    draw_small_gauge(AMBIENT, ambient);
    // On this page both indicators follow the ambient temperature.
    page_draw_indicators(ambient > 0, ambient > 0);
}
