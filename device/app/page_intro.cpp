// The splash and version pages.
#include <cstdio>

#include "device/app/app.h"
#include "device/app/images.h"
#include "device/app/page_draw.h"
#include "device/app/pages.h"
#include "device/gfx/gfx.h"
#include "device/gfx/image.h"
#include "device/gfx/text.h"
#include "device/screen/screen.h"
#include "device/services/time_base.h"

static constexpr double SOFTWARE_VERSION = 0.84;

void page_splash_enter(void) { screen_enter_page(page_splash_static, page_splash_update); }

void page_splash_static(void) { page_draw_background(img_splash, 0); }

void page_splash_update(void) { page_clear_overlay(); }

void page_version_enter(void) { screen_enter_page(page_version_static, page_version_update); }

void page_version_static(void) {
    page_draw_background(img_splash, 1);
    gfx_set_pen_colour(COLOUR_CAPTION);
    gfx_set_font(10, 2, 1);
    page_draw_value(300, 210, "v%02.2f", SOFTWARE_VERSION);
}

void page_version_update(void) {
    page_clear_overlay();
    // Hand over to the fuel page once the page has been up for two seconds,
    // counting from the model's initialisation.
    AppState& a = app_state;
    const uint32_t delta = sys_elapsed_ms(&a.version_page_stamp);
    const uint32_t sum = a.version_page_elapsed + delta;
    if (sum >= APP_VERSION_PAGE_MS) screen_request_page(page_fuel_enter);
    a.version_page_elapsed = sum;
}
