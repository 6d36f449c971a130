#include "device/screen/screen.h"

#include "device/device_memory.h"
#include "device/gfx/gfx.h"
#include "device/runtime/app_hooks.h"
#include "device/runtime/keys.h"

static ScreenState& sc() { return device_memory.screen; }

void screen_set_draw_handlers(page_fn_t static_handler, page_fn_t update_handler) {
    sc().static_handler = static_handler;
    sc().update_handler = update_handler;
}

void screen_set_overlay(page_fn_t handler) {
    if (handler) {
        sc().overlay_handler = handler;
    } else {
        sc().overlay_remove = 1;
    }
}

void screen_step(void) {
    ScreenState& s = sc();
    if (s.overlay_remove == 1) {
        s.overlay_handler = nullptr;
        s.overlay_remove = 0;
    }
    const bool full = s.full_redraw == 1;
    if (full && s.static_handler) s.static_handler();
    if (page_fn_t update = s.update_handler) update();
    if (s.overlay_handler) s.overlay_handler();
    if (full) s.full_redraw = 0;
}

void screen_bar_step(void) {
    const uint8_t state = sc().bar_state;
    if (state == SCREEN_BAR_ENTERED || state == SCREEN_BAR_CLOSING) {
        gfx_set_key_bar_rows(0);
        sc().bar_hold = 0;
        sc().bar_state = SCREEN_BAR_IDLE;
    }
}

void screen_enter_page(page_fn_t static_handler, page_fn_t update_handler) {
    key_clear_handlers();
    screen_set_draw_handlers(static_handler, update_handler);
    screen_set_overlay(nullptr);
    sc().full_redraw = 1;
    sc().bar_state = SCREEN_BAR_ENTERED;
}

void screen_request_page(page_fn_t enter) { sc().page_request = enter; }

page_fn_t screen_update_handler(void) { return sc().update_handler; }

const char* screen_page_name(page_fn_t enter) {
    if (!enter) return "none";
    const AppInfo* info = app_info();
    if (info && info->pages) {
        for (uint32_t i = 0; i < info->page_count; ++i) {
            const AppPageName& p = info->pages[i];
            if (p.enter == enter && p.name) return p.name;
        }
    }
    return "unknown";
}
