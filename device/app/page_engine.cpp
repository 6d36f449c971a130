// The two engine pages: large gauge, auxiliary values and engine speed.
#include "device/app/app.h"
#include "device/app/images.h"
#include "device/app/page_draw.h"
#include "device/app/pages.h"
#include "device/gfx/gfx.h"
#include "device/gfx/image.h"
#include "device/gfx/text.h"
#include "device/screen/screen.h"

namespace {

/* What distinguishes engine_a from engine_b. */
struct EnginePage {
    const ImageResource* const* aux_panel; // the record's pointer, read at draw time
    const char* aux_format;
    SharedVar<double> DemoSignals::*upper;
    SharedVar<double> DemoSignals::*lower;
};

const EnginePage ENGINE_A = {&img_aux_panel_a, "%3.0f", &DemoSignals::aux_a1, &DemoSignals::aux_a2};
const EnginePage ENGINE_B = {&img_aux_panel_b, "%3.1f", &DemoSignals::aux_b1, &DemoSignals::aux_b2};

void draw_engine_page(const EnginePage& page) {
    const DemoSignals& s = app_state.demo;
    const double main_value = s.main_gauge;
    const double speed = s.engine_speed;
    page_clear_overlay();
    needle_draw(GAUGE_LARGE, 135, 170, main_value);
    gfx_draw_image(0, 160, img_lower_panel);

    gfx_set_font(30, 1, 0);
    gfx_set_pen_colour(COLOUR_IN_RANGE);
    page_draw_value(132, 80, "%3.0f", main_value);

    page_draw_indicators(s.ind_b, s.ind_a);

    gfx_draw_image(0, 120, *page.aux_panel);
    gfx_set_font(24, 2, 0);
    gfx_set_pen_colour(COLOUR_IN_RANGE);
    page_draw_value(207, 160, page.aux_format, (s.*page.upper).load());
    gfx_set_font(24, 2, 0);
    gfx_set_pen_colour(COLOUR_IN_RANGE);
    page_draw_value(207, 200, page.aux_format, (s.*page.lower).load());

    gfx_set_pen_colour(COLOUR_TEXT);
    gfx_set_font(12, 1, 0);
    page_draw_label(18, 153, 0);
    page_draw_label(114, 153, 2000);
    page_draw_label(68, 138, 1000);

    const double d = needle_deflection(GAUGE_ENGINE_SPEED, speed);
    gfx_draw_image(41, 155, img_icon_engine);
    gfx_set_line_style(0, 4);
    needle_set_colour(GAUGE_ENGINE_SPEED, speed);
    needle_draw_at(GAUGE_ENGINE_SPEED, 58, 213, d);

    gfx_draw_image(0, 195, img_label_plate);
    gfx_set_font(12, 1, 0);
    gfx_set_pen_colour(COLOUR_TEXT);
    gfx_draw_text(64, 180, "ENGINE SPEED");
    gfx_set_font(14, 0, 0);
    gfx_draw_text(99, 206, "RPM");

    gfx_set_font(24, 2, 0);
    gfx_set_pen_colour(COLOUR_IN_RANGE);
    page_draw_value(94, 200, "%3.0f", speed);
}

} // namespace

void page_engine_a_enter(void) { screen_enter_page(page_engine_a_static, page_engine_a_update); }
void page_engine_a_static(void) { page_draw_background(img_engine_bg, 0); }
void page_engine_a_update(void) { draw_engine_page(ENGINE_A); }

void page_engine_b_enter(void) { screen_enter_page(page_engine_b_static, page_engine_b_update); }
void page_engine_b_static(void) { page_draw_background(img_engine_bg, 0); }
void page_engine_b_update(void) { draw_engine_page(ENGINE_B); }
