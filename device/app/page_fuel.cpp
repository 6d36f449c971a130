// The fuel economy page: large gauge, two values on the lower panel.
#include "device/app/app.h"
#include "device/app/images.h"
#include "device/app/page_draw.h"
#include "device/app/pages.h"
#include "device/gfx/gfx.h"
#include "device/gfx/image.h"
#include "device/gfx/text.h"
#include "device/screen/screen.h"

void page_fuel_enter(void) { screen_enter_page(page_fuel_static, page_fuel_update); }

void page_fuel_static(void) { page_draw_background(img_fuel_bg, 0); }

void page_fuel_update(void) {
    const DemoSignals& s = app_state.demo;
    const double fuel = s.fuel_gauge;
    page_clear_overlay();
    needle_draw(GAUGE_LARGE, 135, 180, fuel);
    gfx_draw_image(0, 160, img_lower_panel);

    gfx_set_font(30, 1, 0);
    gfx_set_pen_colour(COLOUR_IN_RANGE);
    page_draw_value(132, 100, "%3.0f", fuel);
    page_draw_value(55, 172, "%3.1f", s.fuel_econ);
    page_draw_value(205, 172, "%3.0f", s.ambient);

    gfx_set_font(14, 1, 0);
    gfx_set_pen_colour(COLOUR_CAPTION);
    gfx_draw_text(58, 215, "FUEL ECON");
    gfx_draw_text(212, 215, "AMB TEMP (F)");

    page_draw_indicators(s.ind_b, s.ind_a);
}
